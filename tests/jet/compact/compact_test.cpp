// Compaction of every fixture into every version that can hold it: the copy
// has the same tables, columns, indexes, relations, table properties, stored
// query SQL and cell values, passes the checker, and mdbtools reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/catalog/stored_queries.h"
#include "jet/compact/compactor.h"
#include "jet/error.h"
#include "jet/format/calculated_value.h"
#include "jet/format/property_blob.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"
#include "jet/write/database_builder.h"
#include "jet/write/new_file.h"
#include "jet/write/page_sink.h"
#include "jet/write/table_layout.h"
#include "support/fixtures.h"
#include "support/mdbtools_compare.h"
#include "tools/csv_format.h"

namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::string> kPasswords = {
    {"encrypted/db2007-oldenc.accdb", "Test123"},
    {"encrypted/db2007-enc.accdb", "Test123"},
    {"encrypted/db-nonstandard.accdb", "password"},
};

std::string passwordOf(const std::string& fixture) {
    auto it = kPasswords.find(fixture);
    return it == kPasswords.end() ? "" : it->second;
}

bool canHold(jet::Database& db, jet::JetVersion target) {
    for (const jet::CatalogObject* t : db.tables()) {
        for (const jet::ColumnDef& c : db.tableAt(t->tdefPage(), t->name)->columns) {
            if (c.calculated && target < jet::JetVersion::Ace14) return false;
            if (jet::isAce(target)) continue;
            if (c.type == jet::DataType::Complex || c.type == jet::DataType::BigInt ||
                c.type == jet::DataType::ExtDateTime)
                return false;
            if (jet::isJet3(target) && c.type == jet::DataType::Numeric) return false;
        }
    }
    return true;
}

// The values one complex column holds for one row, as text.
std::string complexValuesText(jet::ComplexColumnReader& reader, int32_t key) {
    std::string out = jet::complexKindName(reader.info().kind) + "[";
    switch (reader.info().kind) {
        case jet::ComplexKind::MultiValue:
            for (const jet::Value& v : reader.multiValues(key)) out += tools::csvField(v) + ";";
            break;
        case jet::ComplexKind::Attachment:
            for (const jet::Attachment& a : reader.attachments(key))
                out += a.fileName + "." + a.fileType + "=" + jet::hexString(a.data) + ";";
            break;
        case jet::ComplexKind::VersionHistory:
            for (const jet::MemoVersion& v : reader.versions(key))
                out += (v.modified ? jet::formatDateTime(*v.modified) : "-") + " " +
                       v.text.value_or("-") + ";";
            break;
        case jet::ComplexKind::Unknown:
            break;
    }
    return out + "]";
}

// A table as text: columns, indexes, properties and every row.
std::vector<std::string> describeTable(jet::Database& db, const jet::CatalogObject& object) {
    std::vector<std::string> out;
    auto def = db.tableAt(object.tdefPage(), object.name);
    for (const jet::ColumnDef& c : def->columns)
        out.push_back("column " + c.name + " " + jet::dataTypeName(c.type) +
                      (c.isAutoLong() ? " auto" : ""));
    for (const jet::IndexDef& index : def->indexes) {
        const jet::RealIndexDef& real = def->realIndexOf(index);
        std::string line = "index " + index.name + " kind " + std::to_string(index.kind) +
                           " flags " + std::to_string(real.flags);
        for (const jet::IndexColumn& ic : real.columns)
            line += std::string(" ") + (ic.ascending ? "+" : "-") +
                    def->columnByNumber(ic.columnNumber)->name;
        out.push_back(line);
    }
    if (!object.properties.empty()) {
        const jet::PropertyBlob blob =
            jet::parsePropertyBlob(object.properties, jet::isJet3(db.version()), db.codePage());
        for (const jet::PropertyMap& map : blob.maps)
            for (const jet::Property& p : map.properties)
                out.push_back("property " + map.objectName + "." + p.name + "=" +
                              tools::csvField(p.value));
    }
    // The values of complex columns live in hidden tables; a row shows them
    // in place of the column's key.
    std::vector<std::unique_ptr<jet::ComplexColumnReader>> complex(def->columns.size());
    for (size_t i = 0; i < def->columns.size(); ++i)
        if (def->columns[i].type == jet::DataType::Complex)
            complex[i] = std::make_unique<jet::ComplexColumnReader>(db, *def, def->columns[i]);
    jet::TableScan scan(db, def);
    while (scan.next()) {
        std::string row = "row";
        const std::vector<jet::Value> values = scan.values();
        for (size_t i = 0; i < values.size(); ++i)
            row += "|" + (complex[i] && values[i].is<int64_t>()
                              ? complexValuesText(*complex[i],
                                                  static_cast<int32_t>(values[i].as<int64_t>()))
                              : tools::csvField(values[i]));
        out.push_back(row);
    }
    return out;
}

std::map<std::string, std::vector<std::string>> describe(jet::Database& db) {
    std::map<std::string, std::vector<std::string>> out;
    for (const jet::CatalogObject* t : db.tables()) out["table " + t->name] = describeTable(db, *t);
    for (const jet::CatalogObject* l : db.linkedTables())
        out["linked " + l->name] = {std::to_string(l->type), l->database.value_or("-"),
                                    l->foreignName.value_or("-"), l->connect.value_or("-")};
    for (const auto& q : jet::readStoredQueries(db)) out["query " + q.name] = {q.query.sql};
    // Relations of the Access application's system tables go with those
    // tables, which a conversion leaves out.
    std::set<std::string> userTables;
    for (const jet::CatalogObject* t : db.tables()) userTables.insert(jet::foldName(t->name));
    for (const jet::Relation& r : db.relations()) {
        if (!userTables.count(jet::foldName(r.table)) ||
            !userTables.count(jet::foldName(r.foreignTable)))
            continue;
        std::string line = r.table + "->" + r.foreignTable + " " + std::to_string(r.attributes);
        for (const auto& f : r.fields) line += " " + f.name + "=" + f.foreignName;
        out["relation " + r.name] = {line};
    }
    return out;
}

void expectSameContent(jet::Database& source, jet::Database& copy) {
    const auto a = describe(source);
    const auto b = describe(copy);
    for (const auto& [name, lines] : a) {
        auto it = b.find(name);
        if (it == b.end()) {
            ADD_FAILURE() << name << " is missing from the copy";
            continue;
        }
        if (lines != it->second) {
            for (size_t i = 0; i < std::max(lines.size(), it->second.size()); ++i) {
                const std::string x = i < lines.size() ? lines[i] : "(none)";
                const std::string y = i < it->second.size() ? it->second[i] : "(none)";
                if (x != y) {
                    ADD_FAILURE() << name << ": source '" << x << "', copy '" << y << "'";
                    break;
                }
            }
        }
    }
    for (const auto& [name, lines] : b)
        if (!a.count(name)) ADD_FAILURE() << name << " appeared in the copy";
}

class CompactFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(CompactFixture, IntoEveryVersionThatCanHoldIt) {
    testing_support::TempDir dir;
    const std::string fixture = GetParam();
    const std::string password = passwordOf(fixture);
    jet::OpenOptions open;
    open.password = password;
    auto source = jet::Database::open(testing_support::fixture(fixture).string(), open);

    for (int key : {32, 64, 128, 256}) {
        const jet::JetVersion target = key == 32    ? jet::JetVersion::Jet3
                                       : key == 64  ? jet::JetVersion::Jet4
                                       : key == 128 ? jet::JetVersion::Ace12
                                                    : jet::JetVersion::Ace14;
        SCOPED_TRACE("version key " + std::to_string(key));
        const std::string out =
            (dir.path() / ("copy" + std::to_string(key) + (jet::isAce(target) ? ".accdb" : ".mdb")))
                .string();
        jet::CompactRequest request;
        request.source = testing_support::fixture(fixture).string();
        request.destination = out;
        request.versionKey = key;
        if (!password.empty()) request.sourceLocale = ";pwd=" + password;
        if (!canHold(*source, target)) {
            EXPECT_THROW(jet::compactDatabase(*jet::posixFileSystem(), request), jet::Error);
            EXPECT_FALSE(fs::exists(out));
            continue;
        }
        jet::compactDatabase(*jet::posixFileSystem(), request);
        jet::OpenOptions reopen;
        reopen.password = password;
        auto copy = jet::Database::open(out, reopen);
        EXPECT_EQ(copy->version(), target);
        for (const auto& p : jet::checkDatabase(*copy).problems) ADD_FAILURE() << p;
        expectSameContent(*source, *copy);
        if (password.empty() || !jet::isAce(target))
            for (const auto& p : testing_support::differencesWithMdbtools(out, password))
                ADD_FAILURE() << p;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CompactFixture,
                         ::testing::ValuesIn(testing_support::allFixtures()),
                         [](const auto& param) {
                             std::string n = param.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(Compact, PasswordIsSetKeptAndRemoved) {
    testing_support::TempDir dir;
    const std::string plain = testing_support::fixture("V2000/testV2000.mdb").string();
    const std::string locked = (dir.path() / "locked.mdb").string();
    const std::string kept = (dir.path() / "kept.mdb").string();
    const std::string open = (dir.path() / "open.mdb").string();

    jet::compactDatabase(*jet::posixFileSystem(),
                         {plain, locked, ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=Abc", 0, ""});
    EXPECT_THROW(jet::Database::open(locked), jet::Error);
    jet::compactDatabase(*jet::posixFileSystem(), {locked, kept, "", 0, ";pwd=Abc"});
    EXPECT_THROW(jet::Database::open(kept), jet::Error);
    jet::OpenOptions withPassword;
    withPassword.password = "Abc";
    EXPECT_NO_THROW(jet::Database::open(kept, withPassword));
    jet::compactDatabase(*jet::posixFileSystem(), {kept, open, ";pwd=", 0, ";pwd=Abc"});
    auto db = jet::Database::open(open);
    EXPECT_TRUE(db->header().password.empty());
}

TEST(Compact, EncryptedSourceKeepsItsPasswordAndUnknownCollationIsRefused) {
    testing_support::TempDir dir;
    const std::string source = testing_support::fixture("encrypted/db2007-enc.accdb").string();
    const std::string copy = (dir.path() / "copy.accdb").string();
    jet::compactDatabase(*jet::posixFileSystem(), {source, copy, "", 0, ";pwd=Test123"});
    EXPECT_THROW(jet::Database::open(copy), jet::Error);
    jet::OpenOptions withPassword;
    withPassword.password = "Test123";
    EXPECT_TRUE(jet::checkDatabase(*jet::Database::open(copy, withPassword)).ok());

    const std::string other = (dir.path() / "other.accdb").string();
    EXPECT_THROW(jet::compactDatabase(*jet::posixFileSystem(),
                                      {source, other, ";LANGID=0x9999;CP=1252", 0, ";pwd=Test123"}),
                 jet::Error);
    EXPECT_FALSE(fs::exists(other));
}

TEST(Compact, RefusalNamesTheColumnAndWritesNothing) {
    testing_support::TempDir dir;
    const std::string out = (dir.path() / "old.mdb").string();
    try {
        jet::compactDatabase(*jet::posixFileSystem(),
                             {testing_support::fixture("V2010/complexDataTestV2010.accdb").string(),
                              out, "", 64, ""});
        ADD_FAILURE() << "the conversion was not refused";
    } catch (const jet::Error& e) {
        // The table's first complex column keeps the version history of an
        // append-only Memo column, and the refusal says so.
        EXPECT_NE(std::string(e.what()).find(
                      "Column 'VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880' of table "
                      "'Table1' is the version history of an append-only Memo column, which a "
                      "version"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(fs::exists(out));
}

// No fixture has calculated columns, so one is made here: a table whose
// calculated columns hold results of each kind Access offers, written
// through the builder as Access stores them, then compacted.
struct CalculatedCase {
    const char* name;
    jet::DataType result;
    jet::Value value;
};

std::vector<CalculatedCase> calculatedCases() {
    jet::Decimal d;
    d.precision = jet::kCalculatedDecimalPrecision;
    d.scale = 3;
    d.negative = true;
    d.magnitude = {0x89abcdefu, 0x01234567u, 0x5u, 0};
    jet::Guid g;
    g.bytes[0] = 0x42;
    return {{"Sum", jet::DataType::Long, jet::Value::integer(-77)},
            {"Ratio", jet::DataType::Double, jet::Value::real(0.125)},
            {"Price", jet::DataType::Currency, jet::Value::currency(123456)},
            {"Due", jet::DataType::DateTime, jet::Value::dateTime(45123.25)},
            {"Label", jet::DataType::Text, jet::Value::text("caf\u00e9 42")},
            {"Story", jet::DataType::Memo, jet::Value::text(std::string(5000, 's'))},
            {"Paid", jet::DataType::Boolean, jet::Value::boolean(true)},
            {"Exact", jet::DataType::Numeric, jet::Value::decimal(d)},
            {"Small", jet::DataType::Byte, jet::Value::integer(250)}};
}

void writeCalculatedFile(const std::string& path) {
    const auto cases = calculatedCases();
    jet::TableSpec spec;
    spec.name = "Figures";
    jet::ColumnSpec column;
    column.name = "ID";
    column.daoType = 4;
    spec.columns.push_back(column);
    column.daoType = 9;  // a variable slot, as calculated results take
    for (const CalculatedCase& c : cases) {
        column.name = c.name;
        spec.columns.push_back(column);
    }
    jet::NewDatabaseOptions options;
    options.version = jet::JetVersion::Ace14;
    jet::TableDef def = jet::layoutTable(spec, options.version, options.sortOrder);
    jet::PropertyBlob props;
    for (size_t i = 0; i < cases.size(); ++i) {
        jet::ColumnDef& c = def.columns[i + 1];
        c.calculated = true;
        c.type = cases[i].result;
        c.length = cases[i].result == jet::DataType::Text ? 510 : 39;
        if (c.type == jet::DataType::Numeric) c.precision = jet::kCalculatedDecimalPrecision;
        props.maps.push_back(
            {c.name,
             {{"ResultType", jet::DataType::Byte, true,
               jet::Value::integer(static_cast<int64_t>(cases[i].result)), 0},
              {"Expression", jet::DataType::Memo, true, jet::Value::text("[ID]+1"), 0}}});
    }
    jet::writeFileAtomically(*jet::posixFileSystem(), path, [&](jet::File& file) {
        jet::FilePageSink sink(file, jet::pageSizeOf(options.version));
        jet::DatabaseBuilder builder(sink, options);
        jet::TableBuilder& table =
            builder.beginTable(def, {}, jet::writePropertyBlob(props, false));
        std::vector<jet::Value> full = {jet::Value::integer(1)}, empty = {jet::Value::integer(2)};
        for (const CalculatedCase& c : cases) {
            full.push_back(c.value);
            empty.push_back(c.result == jet::DataType::Boolean ? jet::Value::boolean(false)
                                                               : jet::Value());
        }
        table.addRow(full);
        table.addRow(empty);
        builder.endTable();
        builder.finish();
    });
}

TEST(Compact, CalculatedColumnsKeepTheirStoredResults) {
    testing_support::TempDir dir;
    const std::string made = (dir.path() / "calculated.accdb").string();
    writeCalculatedFile(made);
    auto source = jet::Database::open(made);
    for (const auto& p : jet::checkDatabase(*source).problems) ADD_FAILURE() << p;
    {
        jet::TableScan scan(*source, source->table("Figures"));
        ASSERT_TRUE(scan.next());
        const auto cases = calculatedCases();
        for (size_t i = 0; i < cases.size(); ++i)
            EXPECT_EQ(scan.value(i + 1), cases[i].value) << cases[i].name;
    }

    const std::string copy = (dir.path() / "copy.accdb").string();
    jet::compactDatabase(*jet::posixFileSystem(), {made, copy, "", 0, ""});
    auto compacted = jet::Database::open(copy);
    for (const auto& p : jet::checkDatabase(*compacted).problems) ADD_FAILURE() << p;
    expectSameContent(*source, *compacted);
    for (const jet::ColumnDef& c : compacted->table("Figures")->columns)
        EXPECT_EQ(c.calculated, c.name != "ID") << c.name;

    // Versions before 14.0 have no calculated columns.
    const std::string old = (dir.path() / "old.accdb").string();
    EXPECT_THROW(jet::compactDatabase(*jet::posixFileSystem(), {made, old, "", 128, ""}),
                 jet::Error);
    EXPECT_FALSE(fs::exists(old));
}

}  // namespace
