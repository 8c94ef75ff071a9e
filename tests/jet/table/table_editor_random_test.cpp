// The table editor under long random sequences of inserts, updates and
// deletes, against a model of what the table must hold: after every batch
// the rows read by a scan and through every index equal the model and the
// checker (which rebuilds each index from the rows) finds nothing; at the
// end mdbtools reads the same rows. Refused operations (duplicate names,
// missing required values) must leave the model's state.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/format/index_page.h"
#include "jet/table/row_rules.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "jet/value_text.h"
#include "support/fixtures.h"
#include "support/mdbtools_compare.h"
#include "table/table_editor_test_support.h"

namespace jet {
namespace {

using testing_support::RowModel;

std::string joined(const std::vector<std::string>& lines, size_t most = 20) {
    std::string s;
    for (size_t i = 0; i < lines.size() && i < most; ++i) s += lines[i] + "\n";
    if (lines.size() > most) s += "... " + std::to_string(lines.size() - most) + " more\n";
    return s;
}

// Random values for the columns of editorTableSpec: names from a small
// pool, so that unique-index collisions happen; memos of every length
// class (inline, one long-value row, a chain).
class RowSource {
public:
    // `codePageOnly`: text a Jet 3 file's code page (1252) can hold.
    explicit RowSource(uint32_t seed, size_t namePadding = 0, bool codePageOnly = false)
        : random_(seed), padding_(namePadding, 'n'), codePageOnly_(codePageOnly) {}

    std::vector<Value> row() {
        std::vector<Value> r;
        r.push_back(Value());  // ID: assigned
        r.push_back(chance(10) ? Value() : Value::text(name()));
        r.push_back(chance(10) ? Value() : Value::real(static_cast<double>(pick(50)) / 4.0));
        r.push_back(chance(10) ? Value() : Value::dateTime(36000.0 + pick(400) + pick(24) / 24.0));
        r.push_back(memo());
        r.push_back(chance(50) ? Value() : Value::text("c" + std::to_string(pick(999))));
        return r;
    }
    bool chance(int oneIn) { return pick(static_cast<uint32_t>(oneIn)) == 0; }
    uint32_t pick(uint32_t below) { return std::uniform_int_distribution<uint32_t>(0, below - 1)(random_); }

private:
    std::string name() {
        static const char* const stems[] = {"Alpha", "Beta", "Gamma", "Delta", "Straße", "Øre",
                                            "Ζήτα", "naïve", "ZULU", "x"};
        const uint32_t stem = pick(10);
        const std::string first = codePageOnly_ && stem == 6 ? "Zeta" : stems[stem];
        return first + " " + padding_ + std::to_string(pick(600));
    }
    Value memo() {
        switch (pick(6)) {
            case 0: return Value();
            case 1: return Value::text("short note " + std::to_string(pick(100)));
            case 2: return Value::text(std::string(200 + pick(3000), static_cast<char>('a' + pick(26))));
            case 3: return Value::text(std::string(4100 + pick(9000), static_cast<char>('A' + pick(26))));
            case 4: return Value::text(u8str(pick(2000)));
            default: return Value::text("");
        }
    }
    static std::string u8str(uint32_t n) {
        std::string s;
        for (uint32_t i = 0; i < n; ++i) s += (i % 3 == 0) ? "€" : "é";
        return s;
    }
    std::mt19937 random_;
    std::string padding_;
    bool codePageOnly_;
};

// What a random run needs to know of its table: how to make a row, which
// columns a unique index covers (text compared without regard to case, as
// the index compares it), which required column a row may leave empty, and
// the auto-number column whose value the engine assigns.
struct Scenario {
    std::string table;
    std::function<std::vector<Value>(RowSource&)> row;
    std::vector<size_t> uniqueColumns;
    std::optional<size_t> requiredColumn;
    std::optional<size_t> autoColumn;
};

std::string folded(const Value& v) {
    if (!v.is<std::string>()) return valueText(v);
    std::string s = v.as<std::string>();
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Runs `operations` random operations on the scenario's table of the file at
// `path`, `batch` at a time, checking after each batch. The model starts
// with the rows the table holds.
void runRandomOperations(const std::string& path, const Scenario& scenario, uint32_t seed,
                         int operations, int batch, size_t namePadding = 0) {
    OpenOptions writable;
    writable.writable = true;
    std::shared_ptr<Database> db = Database::open(path, writable);
    RowModel model;
    {
        TableScan scan(*db, db->table(scenario.table));
        while (scan.next()) model[scan.rowId().packed()] = scan.values();
    }
    TableEditor editor(*db, scenario.table);
    RowSource source(seed, namePadding, isJet3(db->version()));
    std::vector<uint32_t> ids;
    for (const auto& [id, row] : model) ids.push_back(id);
    auto duplicates = [&](const std::vector<Value>& values, std::optional<uint32_t> except) {
        for (size_t c : scenario.uniqueColumns) {
            if (values[c].isNull()) continue;
            for (const auto& [id, row] : model)
                if (id != except && !row[c].isNull() && folded(row[c]) == folded(values[c]))
                    return true;
        }
        return false;
    };
    int refusedDuplicates = 0, refusedRequired = 0, updated = 0;
    for (int done = 0; done < operations;) {
        for (int k = 0; k < batch && done < operations; ++k, ++done) {
            const uint32_t kind = ids.empty() ? 0 : source.pick(10);
            std::vector<Value> values = scenario.row(source);
            const bool missing = scenario.requiredColumn && values[*scenario.requiredColumn].isNull();
            if (kind < 5) {
                const bool duplicate = duplicates(values, std::nullopt);
                try {
                    RowPointer id = editor.insert(values);
                    ASSERT_FALSE(duplicate || missing) << "a refused insert was accepted";
                    std::optional<std::vector<Value>> stored = readRow(*db, editor.def(), id);
                    ASSERT_TRUE(stored);
                    if (scenario.autoColumn) values[*scenario.autoColumn] = (*stored)[*scenario.autoColumn];
                    model[id.packed()] = *stored;
                    ids.push_back(id.packed());
                } catch (const Error& e) {
                    ASSERT_TRUE(duplicate || missing) << e.what();
                    if (missing) {
                        ++refusedRequired;
                    } else {
                        EXPECT_EQ(std::string(e.what()), kDuplicateKeyMessage);
                        ++refusedDuplicates;
                    }
                }
            } else if (kind < 8) {
                const uint32_t id = ids[source.pick(static_cast<uint32_t>(ids.size()))];
                const bool duplicate = duplicates(values, id);
                try {
                    editor.update(RowPointer::fromPacked(id), values);
                    ASSERT_FALSE(duplicate || missing) << "a refused update was accepted";
                    std::optional<std::vector<Value>> stored =
                        readRow(*db, editor.def(), RowPointer::fromPacked(id));
                    ASSERT_TRUE(stored);
                    if (scenario.autoColumn) {
                        EXPECT_EQ((*stored)[*scenario.autoColumn], model[id][*scenario.autoColumn]);
                    }
                    model[id] = *stored;
                    ++updated;
                } catch (const Error& e) {
                    ASSERT_TRUE(duplicate || missing) << e.what();
                }
            } else {
                const size_t at = source.pick(static_cast<uint32_t>(ids.size()));
                editor.remove(RowPointer::fromPacked(ids[at]));
                model.erase(ids[at]);
                ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        const std::vector<std::string> differences =
            testing_support::differencesFromModel(*db, scenario.table, model);
        ASSERT_TRUE(differences.empty()) << "after " << done << " operations:\n" << joined(differences);
        CheckReport report = checkDatabase(*db);
        ASSERT_TRUE(report.ok()) << "after " << done << " operations:\n" << joined(report.problems);
    }
    EXPECT_GT(refusedDuplicates, 0);
    if (scenario.requiredColumn) {
        EXPECT_GT(refusedRequired, 0);
    }
    EXPECT_GT(updated, 0);
    db.reset();
    // Opened again from the file alone, the rows are the same.
    std::shared_ptr<Database> again = Database::open(path);
    EXPECT_TRUE(testing_support::differencesFromModel(*again, scenario.table, model).empty());
    EXPECT_TRUE(checkDatabase(*again).ok());
}

// Compares what the stored values are against what was given: the model
// keeps the stored row, so a conversion the engine makes on the way in
// (none for these values) would show only as a difference on reading.
Scenario newTableScenario() {
    Scenario s;
    s.table = "T";
    s.row = [](RowSource& source) { return source.row(); };
    s.uniqueColumns = {1};
    s.requiredColumn = 5;
    s.autoColumn = 0;
    return s;
}

class RandomEditsOfNewFile : public testing::TestWithParam<JetVersion> {};

TEST_P(RandomEditsOfNewFile, RowsIndexesAndCheckerAgreeWithTheModel) {
    testing_support::TempDir dir;
    const bool ace = isAce(GetParam());
    const std::string path = (dir.path() / (ace ? "edits.accdb" : "edits.mdb")).string();
    testing_support::writeEmptyTableFile(path, GetParam(), testing_support::editorTableSpec());
    runRandomOperations(path, newTableScenario(), ace ? 7u : 11u, 3000, 250);
    if (!ace) {
        const std::vector<std::string> differences = testing_support::differencesWithMdbtools(path);
        EXPECT_TRUE(differences.empty()) << joined(differences);
    }
}

// Names of some 200 characters sharing a long prefix: a few entries fill an
// index page, so the name index grows three levels deep and its pages are
// prefix-compressed, splitting intermediate pages and the root.
TEST_P(RandomEditsOfNewFile, DeepTreesOfLongKeys) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "deep").string();
    TableSpec spec = testing_support::editorTableSpec();
    spec.columns[1].size = 255;
    testing_support::writeEmptyTableFile(path, GetParam(), spec);
    runRandomOperations(path, newTableScenario(), 3u, 1500, 500, 200);
    std::shared_ptr<Database> db = Database::open(path);
    std::shared_ptr<const TableDef> def = db->table("T");
    const IndexDef* name = nullptr;
    for (const IndexDef& index : def->indexes)
        if (index.name == "NameUnique") name = &index;
    ASSERT_TRUE(name);
    const bool jet3 = isJet3(db->version());
    IndexPage root = parseIndexPage(*db->pages().page(def->realIndexOf(*name).rootPage), jet3);
    ASSERT_FALSE(root.leaf);
    const uint32_t child = root.entries.empty() ? root.tailPage : root.entries.front().childPage;
    EXPECT_FALSE(parseIndexPage(*db->pages().page(child), jet3).leaf) << "the tree is not three levels deep";
}

INSTANTIATE_TEST_SUITE_P(Versions, RandomEditsOfNewFile,
                         testing::Values(JetVersion::Jet3, JetVersion::Jet4, JetVersion::Ace14),
                         [](const auto& p) {
                             return p.param == JetVersion::Jet3   ? "Jet3"
                                    : p.param == JetVersion::Jet4 ? "Jet4"
                                                                  : "Ace14";
                         });

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// Table1 of Access-made files of each version: a text primary key, a second
// text index, numbers of every width, a date, currency and a Yes/No column,
// with the rows Access wrote.
class RandomEditsOfFixture : public testing::TestWithParam<const char*> {};

TEST_P(RandomEditsOfFixture, AccessMadeTableStaysSound) {
    testing_support::TempDir dir;
    const std::string path = dir.copy(GetParam()).string();
    Scenario s;
    s.table = "Table1";
    s.row = [](RowSource& r) {
        std::vector<Value> v;
        v.push_back(Value::text("k" + std::to_string(r.pick(400))));
        v.push_back(r.chance(8) ? Value() : Value::text("b" + std::to_string(r.pick(30))));
        v.push_back(Value::integer(r.pick(256)));
        v.push_back(Value::integer(static_cast<int64_t>(r.pick(60000)) - 30000));
        v.push_back(Value::integer(static_cast<int64_t>(r.pick(2000000)) - 1000000));
        v.push_back(r.chance(8) ? Value() : Value::real(r.pick(10000) / 8.0));
        v.push_back(Value::dateTime(40000.0 + r.pick(1000)));
        v.push_back(Value::currency(static_cast<int64_t>(r.pick(1000000)) * 100));
        v.push_back(Value::boolean(r.chance(2)));
        return v;
    };
    s.uniqueColumns = {0};
    runRandomOperations(path, s, 5u, 2000, 250);
    const std::vector<std::string> differences = testing_support::differencesWithMdbtools(path);
    EXPECT_TRUE(differences.empty()) << joined(differences);
}

INSTANTIATE_TEST_SUITE_P(Versions, RandomEditsOfFixture,
                         testing::Values("V1997/testV1997.mdb", "V2000/testV2000.mdb",
                                         "V2007/testV2007.accdb", "V2010/testV2010.accdb"),
                         [](const auto& p) { return std::string(p.param).substr(0, 5); });

}  // namespace
}  // namespace jet
