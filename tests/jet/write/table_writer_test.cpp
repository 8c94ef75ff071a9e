// New tables written through NewTablesWriter: every creatable type, an
// AutoNumber, every column property, indexes of each kind and relationships
// (one enforced with cascades, one not) are read back by the engine and by
// mdbtools, pass the consistency check and survive compaction; rows that
// break a rule are refused with Access's words and leave no file behind.
#include "jet/write/table_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/compact/compactor.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/format/property_blob.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"
#include "jet/write/new_file.h"
#include "jet/write/page_sink.h"
#include "support/fixtures.h"
#include "support/mdbtools_compare.h"

namespace {

namespace fs = std::filesystem;
using jet::Value;

struct VersionCase {
    jet::JetVersion version;
    const char* extension;
};

const VersionCase kVersions[] = {
    {jet::JetVersion::Jet3, ".mdb"},
    {jet::JetVersion::Jet4, ".mdb"},
    {jet::JetVersion::Ace12, ".accdb"},
    {jet::JetVersion::Ace14, ".accdb"},
};

jet::ColumnSpec column(const std::string& name, int daoType, int size = 0) {
    jet::ColumnSpec c;
    c.name = name;
    c.daoType = daoType;
    c.size = size;
    return c;
}

jet::IndexSpec index(const std::string& name, std::vector<std::pair<std::string, bool>> columns) {
    jet::IndexSpec x;
    x.name = name;
    x.columns = std::move(columns);
    return x;
}

jet::Guid sampleGuid() {
    jet::Guid g;
    for (size_t i = 0; i < g.bytes.size(); ++i) g.bytes[i] = static_cast<uint8_t>(0x11 * i + 3);
    return g;
}

// A table of every type a new column can have in these versions (all but
// BigInt, which needs the 2016 format), with every column property and index
// option somewhere.
jet::NewTable everythingTable() {
    jet::NewTable t;
    t.spec.name = "Everything";
    t.description = "One column of each type";
    jet::ColumnSpec id = column("ID", 4);
    id.autoIncrement = true;
    id.description = "the key";
    jet::ColumnSpec text = column("Code", 10, 20);
    text.required = true;
    text.defaultValue = "\"A1\"";
    text.validationRule = "Like \"A*\"";
    text.validationText = "Codes start with A.";
    text.description = "a code";
    jet::ColumnSpec memo = column("Notes", 12);
    memo.allowZeroLength = true;
    jet::ColumnSpec number = column("Count", 4);
    number.defaultValue = "0";
    number.required = true;
    t.spec.columns = {id,
                      text,
                      memo,
                      number,
                      column("Flag", 1),
                      column("Small", 2),
                      column("Whole", 3),
                      column("Price", 5),
                      column("Ratio", 6),
                      column("Measure", 7),
                      column("When", 8),
                      column("Bytes", 9, 16),
                      column("Picture", 11),
                      column("Token", 15)};

    jet::IndexSpec primary = index("PrimaryKey", {{"ID", true}});
    primary.primary = true;
    jet::IndexSpec unique = index("Code", {{"Code", true}});
    unique.unique = true;
    jet::IndexSpec required = index("Small", {{"Small", true}});
    required.required = true;
    jet::IndexSpec ignoreNulls = index("When", {{"When", false}});
    ignoreNulls.ignoreNulls = true;
    t.spec.indexes = {primary, unique, required, ignoreNulls,
                      index("WholeMeasure", {{"Whole", true}, {"Measure", false}})};
    return t;
}

std::vector<Value> everythingRow(int n) {
    std::vector<Value> row = {Value(),
                              Value::text("A" + std::to_string(n)),
                              Value::text(n == 1 ? std::string(3000, 'm') : "short note"),
                              Value::integer(n * 7),
                              Value::boolean(n % 2 == 1),
                              Value::integer(200 + n),
                              Value::integer(-1234 * n),
                              Value::currency(123400 * n),
                              Value::single(1.5f * static_cast<float>(n)),
                              Value::real(2.25 * n),
                              n == 2 ? Value() : Value::dateTime(45000.5 + n),
                              Value::binary(jet::Blob{1, 2, static_cast<uint8_t>(n)}),
                              Value::binary(jet::Blob(n == 1 ? 5000 : 10, static_cast<uint8_t>(n))),
                              Value::guid(sampleGuid())};
    return row;
}

jet::NewTable customersTable() {
    jet::NewTable t;
    t.spec.name = "Customers";
    jet::ColumnSpec id = column("CustomerID", 4);
    id.autoIncrement = true;
    jet::ColumnSpec name = column("Name", 10, 10);
    name.required = true;
    t.spec.columns = {id, name};
    jet::IndexSpec primary = index("PrimaryKey", {{"CustomerID", true}});
    primary.primary = true;
    jet::IndexSpec unique = index("Name", {{"Name", true}});
    unique.unique = true;
    t.spec.indexes = {primary, unique};
    return t;
}

jet::NewTable ordersTable() {
    jet::NewTable t;
    t.spec.name = "Orders";
    jet::ColumnSpec id = column("OrderID", 4);
    id.autoIncrement = true;
    t.spec.columns = {id, column("CustomerID", 4), column("ItemID", 4), column("Total", 5)};
    jet::IndexSpec primary = index("PrimaryKey", {{"OrderID", true}});
    primary.primary = true;
    t.spec.indexes = {primary};
    return t;
}

constexpr uint32_t kCascades = jet::kRelationCascadeUpdates | jet::kRelationCascadeDeletes;

std::vector<jet::RelationSpec> relations() {
    return {{"CustomersOrders", "Customers", "Orders", {{"CustomerID", "CustomerID"}}, kCascades},
            {"", "Everything", "Orders", {{"ID", "ItemID"}}, jet::kRelationDontEnforce}};
}

std::vector<jet::NewTable> allTables() {
    return {everythingTable(), customersTable(), ordersTable()};
}

std::vector<std::vector<Value>> customerRows() {
    return {{Value(), Value::text("Ann")}, {Value(), Value::text("Bob")}};
}

std::vector<std::vector<Value>> orderRows() {
    return {{Value(), Value::integer(1), Value::integer(1), Value::currency(10000)},
            {Value(), Value::integer(2), Value::integer(7), Value::currency(25000)},
            {Value(), Value(), Value(), Value::currency(0)}};
}

using Rows = std::map<std::string, std::vector<std::vector<Value>>>;

// Writes the tables in the given order, each with its rows.
void writeDatabase(const std::string& path, jet::JetVersion v, std::vector<jet::NewTable> tables,
                   std::vector<jet::RelationSpec> rels, const std::vector<std::string>& order,
                   const Rows& rows) {
    jet::NewDatabaseOptions options;
    options.version = v;
    jet::writeFileAtomically(*jet::posixFileSystem(), path, [&](jet::File& file) {
        jet::FilePageSink sink(file, jet::pageSizeOf(v));
        jet::DatabaseBuilder builder(sink, options);
        jet::NewTablesWriter writer(builder, tables, rels);
        for (const std::string& name : order) {
            writer.beginTable(name);
            auto it = rows.find(name);
            if (it != rows.end())
                for (const auto& row : it->second) writer.addRow(row);
            writer.endTable();
        }
        writer.finish();
        builder.finish();
    });
}

const jet::IndexDef& indexNamed(const jet::TableDef& def, const std::string& name) {
    for (const jet::IndexDef& x : def.indexes)
        if (jet::sameName(x.name, name)) return x;
    throw std::runtime_error("no index " + name + " on " + def.name);
}

std::string propertyText(const jet::PropertyBlob& blob, const std::string& object,
                         const std::string& name) {
    const jet::PropertyMap* map = blob.forObject(object);
    const jet::Property* p = map ? map->find(name) : nullptr;
    if (!p) return "(absent)";
    if (p->value.is<bool>()) return p->value.as<bool>() ? "true" : "false";
    if (p->value.is<std::string>()) return p->value.as<std::string>();
    return "(other)";
}

// Everything the writer was asked for, read back from `path`.
void expectWritten(const std::string& path, jet::JetVersion v) {
    auto db = jet::Database::open(path);
    for (const auto& p : jet::checkDatabase(*db).problems) ADD_FAILURE() << p;

    for (const jet::NewTable& t : allTables()) {
        SCOPED_TRACE(t.spec.name);
        const jet::CatalogObject* object = db->findObject(t.spec.name);
        ASSERT_NE(object, nullptr);
        auto def = db->table(t.spec.name);
        ASSERT_EQ(def->columns.size(), t.spec.columns.size());
        const jet::PropertyBlob props =
            jet::parsePropertyBlob(object->properties, jet::isJet3(v), db->codePage());
        EXPECT_EQ(propertyText(props, "", "Description"),
                  t.description.empty() ? "(absent)" : t.description);
        for (size_t i = 0; i < t.spec.columns.size(); ++i) {
            const jet::ColumnSpec& c = t.spec.columns[i];
            SCOPED_TRACE(c.name);
            EXPECT_EQ(def->columns[i].name, c.name);
            EXPECT_EQ(static_cast<int>(def->columns[i].type), c.daoType == 15   ? 15
                                                              : c.daoType == 20 ? 16
                                                              : c.daoType == 8  ? 8
                                                                                : c.daoType);
            EXPECT_EQ(def->columns[i].isAutoLong(), c.autoIncrement);
            EXPECT_EQ(propertyText(props, c.name, "Required"), c.required ? "true" : "false");
            const bool text = c.daoType == 10 || c.daoType == 12;
            EXPECT_EQ(propertyText(props, c.name, "AllowZeroLength"), !text ? "(absent)"
                                                                      : c.allowZeroLength
                                                                          ? "true"
                                                                          : "false");
            auto optional = [](const std::string& s) { return s.empty() ? "(absent)" : s; };
            EXPECT_EQ(propertyText(props, c.name, "DefaultValue"), optional(c.defaultValue));
            EXPECT_EQ(propertyText(props, c.name, "ValidationRule"), optional(c.validationRule));
            EXPECT_EQ(propertyText(props, c.name, "ValidationText"), optional(c.validationText));
            EXPECT_EQ(propertyText(props, c.name, "Description"), optional(c.description));
        }
        for (const jet::IndexSpec& x : t.spec.indexes) {
            const jet::IndexDef& got = indexNamed(*def, x.name);
            const jet::RealIndexDef& real = def->realIndexOf(got);
            EXPECT_EQ(got.kind, x.primary ? 1 : 0) << x.name;
            EXPECT_EQ((real.flags & jet::kIndexUnique) != 0, x.primary || x.unique) << x.name;
            EXPECT_EQ((real.flags & jet::kIndexRequired) != 0, x.primary || x.required) << x.name;
            EXPECT_EQ((real.flags & jet::kIndexIgnoreNulls) != 0, x.ignoreNulls) << x.name;
            ASSERT_EQ(real.columns.size(), x.columns.size()) << x.name;
            for (size_t k = 0; k < x.columns.size(); ++k) {
                EXPECT_EQ(def->columnByNumber(real.columns[k].columnNumber)->name,
                          x.columns[k].first);
                EXPECT_EQ(real.columns[k].ascending, x.columns[k].second);
            }
        }
    }

    // The enforced relationship's pair of indexes point at each other.
    auto customers = db->table("Customers");
    auto orders = db->table("Orders");
    const jet::IndexDef& referenced = indexNamed(*customers, ".rC");
    const jet::IndexDef& foreign = indexNamed(*orders, "CustomersOrders");
    EXPECT_EQ(referenced.kind, 2);
    EXPECT_EQ(foreign.kind, 2);
    EXPECT_EQ(referenced.relatedTableKind, 1);
    EXPECT_EQ(foreign.relatedTableKind, 2);
    EXPECT_EQ(referenced.relatedTablePage, orders->tdefPage);
    EXPECT_EQ(foreign.relatedTablePage, customers->tdefPage);
    EXPECT_EQ(referenced.relatedIndex, foreign.number);
    EXPECT_EQ(foreign.relatedIndex, referenced.number);
    for (const jet::IndexDef* x : {&referenced, &foreign}) {
        EXPECT_TRUE(x->cascadeUpdates);
        EXPECT_TRUE(x->cascadeDeletes);
        EXPECT_FALSE(x->cascadeNullOnDelete);
    }
    EXPECT_EQ(referenced.realIndex, indexNamed(*customers, "PrimaryKey").realIndex);
    EXPECT_FALSE(orders->realIndexOf(foreign).flags & jet::kIndexUnique);
    EXPECT_EQ(orders->realIndexOf(foreign).entryCount, 3u);

    std::map<std::string, std::string> relationLines;
    for (const jet::Relation& r : db->relations()) {
        std::string line = r.table + "->" + r.foreignTable + " " + std::to_string(r.attributes);
        for (const auto& f : r.fields) line += " " + f.name + "=" + f.foreignName;
        relationLines[r.name] = line;
    }
    EXPECT_EQ(relationLines,
              (std::map<std::string, std::string>{
                  {"CustomersOrders", "Customers->Orders 4352 CustomerID=CustomerID"},
                  {"EverythingOrders", "Everything->Orders 2 ID=ItemID"}}));

    // Rows, auto-numbers filled in from 1.
    std::vector<std::vector<Value>> expected = {everythingRow(1), everythingRow(2)};
    expected[0][0] = Value::integer(1);
    expected[1][0] = Value::integer(2);
    jet::TableScan scan(*db, db->table("Everything"));
    std::vector<std::vector<Value>> got;
    while (scan.next()) got.push_back(scan.values());
    EXPECT_EQ(got, expected);
}

void expectReadByMdbtools(const std::string& path) {
    using testing_support::runCommand;
    using testing_support::shellQuote;
    for (const auto& p : testing_support::differencesWithMdbtools(path)) ADD_FAILURE() << p;
    const std::string schema = runCommand("mdb-schema " + shellQuote(path) + " postgres");
    EXPECT_NE(schema.find("FOREIGN KEY (\"customerid\") REFERENCES \"Customers\"(\"customerid\") "
                          "ON UPDATE CASCADE ON DELETE CASCADE"),
              std::string::npos)
        << schema;
    const std::string props = runCommand("mdb-prop " + shellQuote(path) + " Everything");
    for (const char* expected : {"Description: One column of each type", "Required: yes",
                                 "ValidationText: Codes start with A.", "DefaultValue: 0"})
        EXPECT_NE(props.find(expected), std::string::npos) << expected << "\n" << props;
}

TEST(NewTablesWriter, EveryTypePropertyIndexAndRelationIsReadBackAndSurvivesCompaction) {
    testing_support::TempDir dir;
    for (const VersionCase& vc : kVersions) {
        SCOPED_TRACE(jet::versionText(vc.version));
        const std::string path =
            (dir.path() / ("new" + jet::versionText(vc.version) + vc.extension)).string();
        Rows rows{{"Everything", {everythingRow(1), everythingRow(2)}},
                  {"Customers", customerRows()},
                  {"Orders", orderRows()}};
        // Orders first: its foreign keys wait for Customers.
        writeDatabase(path, vc.version, allTables(), relations(),
                      {"Orders", "Everything", "Customers"}, rows);
        expectWritten(path, vc.version);
        expectReadByMdbtools(path);

        const std::string copy =
            (dir.path() / ("copy" + jet::versionText(vc.version) + vc.extension)).string();
        jet::compactDatabase(*jet::posixFileSystem(), {path, copy, "", 0, ""});
        expectWritten(copy, vc.version);
    }
}

struct RefusedRows {
    const char* what;
    std::vector<std::string> order;
    Rows rows;
    const char* message;
};

TEST(NewTablesWriter, RowsBreakingARuleAreRefusedInAccessWordsAndLeaveNoFile) {
    const std::string duplicate =
        "The changes you requested to the table were not successful because they would create "
        "duplicate values in the index, primary key, or relationship.";
    const std::string missingParent =
        "You cannot add or change a record because a related record is required in table "
        "'Customers'.";
    const std::vector<std::string> parentFirst = {"Customers", "Orders"};
    const std::vector<std::string> childFirst = {"Orders", "Customers"};
    auto order = [](int customer) {
        return std::vector<Value>{Value(), Value::integer(customer), Value(), Value()};
    };
    const RefusedRows cases[] = {
        {"required",
         parentFirst,
         {{"Customers", {{Value(), Value()}}}},
         "You must enter a value in the 'Customers.Name' field."},
        {"zero length",
         parentFirst,
         {{"Customers", {{Value(), Value::text("")}}}},
         "Field 'Customers.Name' cannot be a zero-length string."},
        {"too long",
         parentFirst,
         {{"Customers", {{Value(), Value::text("Bartholomew X")}}}},
         "The field is too small to accept the amount of data you attempted to add."},
        {"duplicate key",
         parentFirst,
         {{"Customers", {{Value(), Value::text("Ann")}, {Value(), Value::text("ann")}}}},
         duplicate.c_str()},
        {"duplicate auto-number",
         parentFirst,
         {{"Customers", {{Value::integer(1), Value::text("A")}, {Value(), Value::text("B")}}},
          {"Orders", {}}},
         nullptr},
        {"no primary row, parent written first",
         parentFirst,
         {{"Customers", customerRows()}, {"Orders", {order(1), order(3)}}},
         missingParent.c_str()},
        {"no primary row, child written first",
         childFirst,
         {{"Customers", customerRows()}, {"Orders", {order(2), order(5)}}},
         missingParent.c_str()},
        {"no primary row, parent empty",
         childFirst,
         {{"Orders", {order(1)}}},
         missingParent.c_str()},
    };
    testing_support::TempDir dir;
    for (const VersionCase& vc : {kVersions[1], kVersions[3]}) {
        for (const RefusedRows& c : cases) {
            SCOPED_TRACE(jet::versionText(vc.version) + ": " + c.what);
            const std::string path =
                (dir.path() / (std::string("refused") + vc.extension)).string();
            auto write = [&] {
                writeDatabase(path, vc.version, {customersTable(), ordersTable()}, {relations()[0]},
                              c.order, c.rows);
            };
            if (!c.message) {  // a case that must pass, to show the rules are not too strict
                EXPECT_NO_THROW(write());
                fs::remove(path);
                continue;
            }
            try {
                write();
                ADD_FAILURE() << "not refused";
            } catch (const jet::Error& e) {
                EXPECT_EQ(e.code(), jet::ErrorCode::Constraint);
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            }
            EXPECT_FALSE(fs::exists(path));
            EXPECT_TRUE(fs::is_empty(dir.path()));
        }
    }
}

TEST(NewTablesWriter, LoadThroughCompactionWithAMissingPrimaryRowLeavesNoFile) {
    testing_support::TempDir dir;
    const std::string out = (dir.path() / "loaded.mdb").string();
    jet::CompactRequest request{testing_support::fixture("V2000/testV2000.mdb").string(), out, "",
                                0, ""};
    auto load = [&](int customer) {
        jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& b) {
            jet::NewTablesWriter writer(b, {customersTable(), ordersTable()}, {relations()[0]});
            writer.beginTable("Customers");
            for (const auto& row : customerRows()) writer.addRow(row);
            writer.endTable();
            writer.beginTable("Orders");
            writer.addRow(std::vector<Value>{Value(), Value::integer(customer), Value(), Value()});
            writer.endTable();
            writer.finish();
        });
    };
    EXPECT_THROW(load(3), jet::Error);
    EXPECT_FALSE(fs::exists(out));
    load(2);
    auto db = jet::Database::open(out);
    EXPECT_EQ(db->relations().size(), 1u);
    for (const auto& p : jet::checkDatabase(*db).problems) ADD_FAILURE() << p;
}

struct RefusedRelation {
    const char* what;
    jet::RelationSpec relation;
    const char* message;
};

TEST(NewTablesWriter, BadRelationshipsAreRefusedBeforeAnythingIsWritten) {
    const RefusedRelation cases[] = {
        {"unknown table",
         {"R", "Clients", "Orders", {{"CustomerID", "CustomerID"}}, 0},
         "cannot find the input table or query 'Clients'"},
        {"unknown field",
         {"R", "Customers", "Orders", {{"CustomerID", "Client"}}, 0},
         "Invalid field definition 'Client' in definition of index or relationship."},
        {"other types",
         {"R", "Customers", "Orders", {{"CustomerID", "Total"}}, 0},
         "Relationship must be on the same number of fields with the same data types."},
        {"no unique index",
         {"R", "Orders", "Customers", {{"CustomerID", "CustomerID"}}, 0},
         "No unique index found for the referenced field of the primary table."},
        {"no fields", {"R", "Customers", "Orders", {}, 0}, "No field defined"},
        {"cascade without enforcing",
         {"R",
          "Customers",
          "Orders",
          {{"CustomerID", "CustomerID"}},
          jet::kRelationDontEnforce | jet::kRelationCascadeDeletes},
         "cannot cascade"},
        {"bad name",
         {"R.1", "Customers", "Orders", {{"CustomerID", "CustomerID"}}, 0},
         "'R.1' isn't a valid name"},
    };
    for (const RefusedRelation& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<jet::TableSpec> specs = {customersTable().spec, ordersTable().spec};
        try {
            jet::planRelations(specs, std::vector<jet::RelationSpec>{c.relation});
            ADD_FAILURE() << "not refused";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    // A repeated name, and a one-to-one relationship marked unique.
    std::vector<jet::TableSpec> specs = {customersTable().spec, customersTable().spec};
    specs[1].name = "Twins";
    const jet::RelationSpec oneToOne{"", "Customers", "Twins", {{"CustomerID", "CustomerID"}}, 0};
    EXPECT_THROW(jet::planRelations(specs, std::vector<jet::RelationSpec>{oneToOne, oneToOne}),
                 jet::Error);
    const auto plans = jet::planRelations(specs, std::vector<jet::RelationSpec>{oneToOne});
    ASSERT_EQ(plans.size(), 1u);
    EXPECT_EQ(plans[0].relation.name, "CustomersTwins");
    EXPECT_EQ(plans[0].relation.attributes, jet::kRelationUnique);
}

}  // namespace
