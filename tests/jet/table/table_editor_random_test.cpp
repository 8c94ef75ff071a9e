// The table editor under long random sequences of inserts, updates and
// deletes, against a model of what the table must hold: after every batch
// the rows read by a scan and through every index equal the model and the
// checker (which rebuilds each index from the rows) finds nothing; at the
// end mdbtools reads the same rows. Refused operations (duplicate names,
// missing required values) must leave the model's state.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/table/row_rules.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
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
    explicit RowSource(uint32_t seed) : random_(seed) {}

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
        return std::string(stems[pick(10)]) + " " + std::to_string(pick(600));
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
};

// Runs `operations` random operations on table "T" of the file at `path`,
// `batch` at a time, checking after each batch. `existing` are the rows the
// table holds already.
void runRandomOperations(const std::string& path, RowModel model, uint32_t seed,
                         int operations, int batch) {
    OpenOptions writable;
    writable.writable = true;
    std::shared_ptr<Database> db = Database::open(path, writable);
    TableEditor editor(*db, "T");
    RowSource source(seed);
    std::vector<uint32_t> ids;
    for (const auto& [id, row] : model) ids.push_back(id);
    auto nameTaken = [&](const Value& name, std::optional<uint32_t> except) {
        if (name.isNull()) return false;
        for (const auto& [id, row] : model)
            if (id != except && !row[1].isNull() && row[1] == name) return true;
        return false;
    };
    // Text keys compare without regard to case, as the index does; the
    // source's names differ in more than case, so equality is enough.
    int refusedDuplicates = 0, refusedRequired = 0, moved = 0;
    for (int done = 0; done < operations;) {
        for (int k = 0; k < batch && done < operations; ++k, ++done) {
            const uint32_t kind = ids.empty() ? 0 : source.pick(10);
            std::vector<Value> values = source.row();
            const bool missingCode = values[5].isNull();
            if (kind < 5) {
                const bool duplicate = nameTaken(values[1], std::nullopt);
                try {
                    RowPointer id = editor.insert(values);
                    ASSERT_FALSE(duplicate || missingCode) << "a refused insert was accepted";
                    std::optional<std::vector<Value>> stored = readRow(*db, editor.def(), id);
                    ASSERT_TRUE(stored);
                    values[0] = (*stored)[0];
                    model[id.packed()] = values;
                    ids.push_back(id.packed());
                } catch (const Error& e) {
                    ASSERT_TRUE(duplicate || missingCode) << e.what();
                    if (missingCode) {
                        EXPECT_EQ(std::string(e.what()), requiredValueMessage("T", "Code"));
                        ++refusedRequired;
                    } else {
                        EXPECT_EQ(std::string(e.what()), kDuplicateKeyMessage);
                        ++refusedDuplicates;
                    }
                }
            } else if (kind < 8) {
                const size_t at = source.pick(static_cast<uint32_t>(ids.size()));
                const uint32_t id = ids[at];
                const bool duplicate = nameTaken(values[1], id);
                try {
                    editor.update(RowPointer::fromPacked(id), values);
                    ASSERT_FALSE(duplicate || missingCode) << "a refused update was accepted";
                    values[0] = model[id][0];
                    model[id] = values;
                    ++moved;
                } catch (const Error& e) {
                    ASSERT_TRUE(duplicate || missingCode) << e.what();
                }
            } else {
                const size_t at = source.pick(static_cast<uint32_t>(ids.size()));
                editor.remove(RowPointer::fromPacked(ids[at]));
                model.erase(ids[at]);
                ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        const std::vector<std::string> differences =
            testing_support::differencesFromModel(*db, "T", model);
        ASSERT_TRUE(differences.empty()) << "after " << done << " operations:\n" << joined(differences);
        CheckReport report = checkDatabase(*db);
        ASSERT_TRUE(report.ok()) << "after " << done << " operations:\n" << joined(report.problems);
    }
    EXPECT_GT(refusedDuplicates, 0);
    EXPECT_GT(refusedRequired, 0);
    EXPECT_GT(moved, 0);
    db.reset();
    // Opened again from the file alone, the rows are the same.
    std::shared_ptr<Database> again = Database::open(path);
    EXPECT_TRUE(testing_support::differencesFromModel(*again, "T", model).empty());
    EXPECT_TRUE(checkDatabase(*again).ok());
}

class RandomEditsOfNewFile : public testing::TestWithParam<JetVersion> {};

TEST_P(RandomEditsOfNewFile, RowsIndexesAndCheckerAgreeWithTheModel) {
    testing_support::TempDir dir;
    const bool ace = isAce(GetParam());
    const std::string path = (dir.path() / (ace ? "edits.accdb" : "edits.mdb")).string();
    testing_support::writeEmptyTableFile(path, GetParam(), testing_support::editorTableSpec());
    runRandomOperations(path, {}, ace ? 7u : 11u, 3000, 250);
    if (!ace) {
        const std::vector<std::string> differences = testing_support::differencesWithMdbtools(path);
        EXPECT_TRUE(differences.empty()) << joined(differences);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, RandomEditsOfNewFile,
                         testing::Values(JetVersion::Jet4, JetVersion::Ace14),
                         [](const auto& p) { return p.param == JetVersion::Jet4 ? "Jet4" : "Ace14"; });

}  // namespace
}  // namespace jet
