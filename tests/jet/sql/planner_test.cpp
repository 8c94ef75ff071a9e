// The planner's choices on a table large enough for costs to matter, and
// the rows of each path against those of a path that cannot use an index
// (the same condition written around the column, "Id + 0").
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jet/sql/executor/executor.h"
#include "sql/select_result_text.h"
#include "support/fixtures.h"
#include "support/table_file.h"

namespace jet::sql {
namespace {

constexpr int kRows = 3000;
constexpr int kGroups = 50;

int groupOf(int id) {
    return (id * 7919) % kGroups;
}

// T(Id Long primary key, Grp Long indexed, Name Text): Grp spreads the rows
// over 50 groups of 60, in an order unrelated to Id.
class PlannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (dir_.path() / "planner.mdb").string();
        TableSpec spec;
        spec.name = "T";
        spec.columns = {testing_support::columnSpec("Id", 4), testing_support::columnSpec("Grp", 4),
                        testing_support::columnSpec("Name", 10, 20)};
        IndexSpec primary;
        primary.name = "PrimaryKey";
        primary.primary = primary.unique = primary.required = true;
        primary.columns = {{"Id", true}};
        IndexSpec group;
        group.name = "Grp";
        group.columns = {{"Grp", true}};
        spec.indexes = {primary, group};
        std::vector<std::vector<Value>> rows;
        for (int id = 1; id <= kRows; ++id) {
            rows.push_back({Value::integer(id), Value::integer(groupOf(id)),
                            Value::text("n" + std::to_string((id * 31) % 997))});
        }
        testing_support::writeTableFile(path_, spec, rows);
        db_ = Database::open(path_);
    }

    QueryResult run(const std::string& sql, PlanStats* stats = nullptr) {
        ExecuteOptions options;
        options.plan.stats = stats;
        return executeSelect(*db_, sql, options);
    }

    std::vector<std::string> sortedLines(const std::string& sql) {
        std::vector<std::string> lines = rowLines(run(sql));
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    testing_support::TempDir dir_;
    std::string path_;
    std::shared_ptr<Database> db_;
};

TEST_F(PlannerTest, ChoosesTheIndexOnlyWhenItReadsFewRows) {
    struct Case {
        const char* sql;
        const char* withoutIndex;
        size_t indexLookups, tableScans;
    };
    const Case cases[] = {
        // A unique equality, a narrow range (1%): the index.
        {"SELECT * FROM T WHERE Id = 17", "SELECT * FROM T WHERE Id + 0 = 17", 1, 0},
        {"SELECT * FROM T WHERE Id < 31", "SELECT * FROM T WHERE Id + 0 < 31", 1, 0},
        {"SELECT * FROM T WHERE Id BETWEEN 100 AND 129",
         "SELECT * FROM T WHERE Id + 0 BETWEEN 100 AND 129", 1, 0},
        // Most of the table: reading it in storage order costs less.
        {"SELECT * FROM T WHERE Id > 10", "SELECT * FROM T WHERE Id + 0 > 10", 0, 1},
        // One group in fifty (60 rows), through a non-unique index.
        {"SELECT * FROM T WHERE Grp = 7", "SELECT * FROM T WHERE Grp + 0 = 7", 1, 0},
        {"SELECT Grp, Count(*) FROM T WHERE Grp = 7 AND Name > 'n5' GROUP BY Grp",
         "SELECT Grp, Count(*) FROM T WHERE Grp + 0 = 7 AND Name > 'n5' GROUP BY Grp", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        PlanStats stats;
        const std::vector<std::string> lines = rowLines(run(c.sql, &stats));
        EXPECT_EQ(stats.indexLookups, c.indexLookups);
        EXPECT_EQ(stats.tableScans, c.tableScans);
        std::vector<std::string> got = lines, want = rowLines(run(c.withoutIndex));
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
        EXPECT_FALSE(want.empty());
    }
}

// Count(*) without WHERE is the row count; with a range or equality that
// is all of WHERE, the index entries: no row is read either way.
TEST_F(PlannerTest, CountsWithoutReadingRows) {
    struct Case {
        const char* sql;
        int64_t count;
    };
    const Case cases[] = {
        {"SELECT Count(*) FROM T", kRows},
        {"SELECT Count(*) FROM T WHERE Id > 10", kRows - 10},
        {"SELECT Count(*) FROM T WHERE Id >= 10 AND Id < 20", 10},
        {"SELECT Count(*) FROM T WHERE 2990 < Id", 10},
        {"SELECT Count(*) FROM T WHERE Id <= 0", 0},
        {"SELECT Count(*) FROM T WHERE Grp = 7", kRows / kGroups},
        {"SELECT Count(*) FROM T WHERE Grp BETWEEN 10 AND 19", kRows / 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        PlanStats stats;
        const QueryResult result = run(c.sql, &stats);
        ASSERT_EQ(result.rows.size(), 1u);
        EXPECT_EQ(result.rows[0].values[0], Value::integer(c.count));
        EXPECT_EQ(stats.tableScans, 0u);
    }
    // A condition beyond the range still reads the rows, and counts right.
    PlanStats stats;
    const QueryResult result = run("SELECT Count(*) FROM T WHERE Id > 10 AND Name <> 'n1'", &stats);
    EXPECT_EQ(stats.tableScans, 1u);
    EXPECT_EQ(rowLines(result),
              rowLines(run("SELECT Count(*) FROM T WHERE Id + 0 > 10 AND Name <> 'n1'")));
}

// TOP n with a sort keeps only the best rows while it reads; the result is
// that of a full sort: ties with the last row kept, in storage order.
TEST_F(PlannerTest, TopWithASortKeepsTiesInStorageOrder) {
    struct Case {
        const char* sql;
        size_t top;
        bool descending;
    };
    const Case cases[] = {
        {"SELECT TOP 5 Id, Grp FROM T ORDER BY Grp", 5, false},
        {"SELECT TOP 100 Id, Grp FROM T ORDER BY Grp DESC", 100, true},
        {"SELECT TOP 700 Id, Grp FROM T ORDER BY Grp", 700, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        std::vector<int> ids(kRows);
        for (int i = 0; i < kRows; ++i) ids[static_cast<size_t>(i)] = i + 1;
        std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
            return c.descending ? groupOf(a) > groupOf(b) : groupOf(a) < groupOf(b);
        });
        size_t keep = c.top;
        while (keep < ids.size() && groupOf(ids[keep]) == groupOf(ids[keep - 1])) ++keep;
        std::vector<std::string> want;
        for (size_t i = 0; i < keep; ++i) {
            want.push_back(std::to_string(ids[i]) + "," + std::to_string(groupOf(ids[i])));
        }
        EXPECT_EQ(rowLines(run(c.sql)), want);
    }
}

// A join whose other side holds few rows seeks the indexed table for each
// of them; the rows are those of a join that cannot (hashed).
TEST_F(PlannerTest, JoinSeeksTheIndexedSideForFewOuterRows) {
    PlanStats stats;
    const std::string sought =
        "SELECT a.Id, b.Id FROM T AS a INNER JOIN T AS b ON b.Grp = a.Id WHERE a.Id = 3";
    const QueryResult result = run(sought, &stats);
    EXPECT_EQ(stats.tableScans, 0u);
    EXPECT_EQ(result.rows.size(), static_cast<size_t>(kRows / kGroups));
    EXPECT_EQ(sortedLines(sought),
              sortedLines("SELECT a.Id, b.Id FROM T AS a INNER JOIN T AS b ON b.Grp + 0 = a.Id "
                          "WHERE a.Id = 3"));
    // A left join keeps an outer row that finds nothing.
    const std::string left =
        "SELECT a.Id, b.Id FROM T AS a LEFT JOIN T AS b ON b.Grp = a.Id WHERE a.Id IN (3, 2000)";
    EXPECT_EQ(sortedLines(left),
              sortedLines("SELECT a.Id, b.Id FROM T AS a LEFT JOIN T AS b ON b.Grp + 0 = a.Id "
                          "WHERE a.Id IN (3, 2000)"));
    EXPECT_EQ(run(left).rows.size(), static_cast<size_t>(kRows / kGroups + 1));
}

}  // namespace
}  // namespace jet::sql

namespace jet::sql {
namespace {

// WHERE of the common shapes is tested on the values where they lie; each
// condition must keep the rows the general evaluation keeps (an added
// "(1 = 1)" takes the condition off the fast test), over columns of every
// kind, Nulls among them.
TEST(FastCondition, KeepsTheRowsOfTheGeneralEvaluation) {
    const char* conditions[] = {
        "C > 1",         "C = 0",
        "2 <= C",        "F <= 444.555",
        "F <> 0",        "H > 3",
        "G > 30000",     "I = -1",
        "A LIKE 'a*'",   "A NOT LIKE 'a*'",
        "C LIKE '2*'",   "A IS NULL",
        "A IS NOT NULL", "E >= 333333333 AND A LIKE '*g'",
        "D < 1000.5",
    };
    auto db = Database::open(testing_support::fixture("V2000/testV2000.mdb").string());
    size_t kept = 0;
    for (const char* condition : conditions) {
        SCOPED_TRACE(condition);
        const std::string fast = std::string("SELECT * FROM Table1 WHERE ") + condition;
        const QueryResult result = executeSelect(*db, fast);
        EXPECT_EQ(rowLines(result), rowLines(executeSelect(*db, fast + " AND (1 = 1)")));
        kept += result.rows.size();
    }
    EXPECT_GT(kept, 5u);
}

}  // namespace
}  // namespace jet::sql
