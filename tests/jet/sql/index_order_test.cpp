// ORDER BY answered by walking an index must give exactly what sorting
// gives: the same rows, the same order (ties in storage order), the same row
// ids; a range read through an index the rows of a scan. Every index of
// every fixture table whose leading columns are numbers, dates or text keyed
// in the database's sort order is tried with ORDER BY on its first column, on
// all its orderable leading columns, with TOP, with a range on its first
// column and with an unrelated WHERE; each statement runs once with index
// order and once without.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/sql/executor/executor.h"
#include "jet/table/index_cursor.h"
#include "sql/select_result_text.h"
#include "support/fixture_indexes.h"
#include "support/fixtures.h"
#include "support/table_file.h"

namespace jet::sql {
namespace {

std::string bracketed(const std::string& name) {
    return "[" + name + "]";
}

// The ORDER BY list of the first `count` columns of `real`; empty when one of
// them cannot be ordered through the index.
std::string orderList(const Database& db, const TableDef& def, const RealIndexDef& real,
                      size_t count) {
    std::string list;
    for (size_t i = 0; i < count; ++i) {
        const jet::ColumnDef* column = nullptr;
        for (const jet::ColumnDef& c : def.columns) {
            if (c.number == real.columns[i].columnNumber) column = &c;
        }
        if (!column) return {};
        const bool orderable = isNumberOrDateType(column->type) ||
                               (isTextType(column->type) && textKeysInDatabaseOrder(db, *column));
        if (!orderable) return {};
        if (!list.empty()) list += ", ";
        list += bracketed(column->name) + (real.columns[i].ascending ? "" : " DESC");
    }
    return list;
}

struct PlannedRun {
    QueryResult result;
    PlanStats stats;
};

PlannedRun run(Database& db, const std::string& sql, bool indexOrder) {
    PlannedRun r;
    ExecuteOptions options;
    options.plan.indexOrder = indexOrder;
    options.plan.byCost = false;  // each path, however small the table
    options.plan.stats = &r.stats;
    r.result = executeSelect(db, sql, options);
    return r;
}

TEST(IndexOrder, GivesTheRowsAndOrderOfASort) {
    size_t statements = 0, nonEmpty = 0, ranges = 0;
    testing_support::forEachFixtureIndex([&](const std::string& name, Database& db,
                                             const std::shared_ptr<const TableDef>& def,
                                             const IndexDef& index) {
        const RealIndexDef& real = def->realIndexOf(index);
        // An index that leaves out nulls is never walked (a test of its own).
        if (real.columns.empty() || (real.flags & kIndexIgnoreNulls)) return;
        const std::string first = orderList(db, *def, real, 1);
        if (first.empty()) return;
        std::string all = first;
        for (size_t n = 2; n <= real.columns.size(); ++n) {
            const std::string longer = orderList(db, *def, real, n);
            if (longer.empty()) break;
            all = longer;
        }
        const std::string table = bracketed(def->name);
        const std::string leading = first.substr(0, first.find(" DESC"));
        const std::vector<std::string> statementsOfIndex = {
            "SELECT * FROM " + table + " ORDER BY " + first,
            "SELECT * FROM " + table + " ORDER BY " + all,
            "SELECT TOP 3 * FROM " + table + " ORDER BY " + first,
            "SELECT TOP 1 " + leading + " FROM " + table + " ORDER BY " + all,
            "SELECT * FROM " + table + " WHERE " + leading + " > 1 ORDER BY " + first,
            "SELECT * FROM " + table + " WHERE " + leading + " BETWEEN 0 AND 100 ORDER BY " + all,
            "SELECT TOP 50 PERCENT * FROM " + table + " WHERE " + leading +
                " IS NOT NULL ORDER BY " + first,
        };
        for (const std::string& sql : statementsOfIndex) {
            SCOPED_TRACE(name + ": " + sql + " (index " + index.name + ")");
            PlannedRun viaIndex, sorted;
            try {
                sorted = run(db, sql, false);
            } catch (const Error& e) {
                // A table the engine cannot read is not this test's concern,
                // but both paths must then refuse alike.
                EXPECT_THROW(run(db, sql, true), Error) << e.what();
                continue;
            }
            viaIndex = run(db, sql, true);
            ++statements;
            EXPECT_EQ(sorted.stats.indexOrders, 0u);
            // None of these has an equality, which would be read differently.
            EXPECT_EQ(viaIndex.stats.indexOrders, 1u);
            if (!sorted.result.rows.empty()) ++nonEmpty;
            EXPECT_EQ(rowLines(viaIndex.result), rowLines(sorted.result));
            ASSERT_EQ(viaIndex.result.rows.size(), sorted.result.rows.size());
            for (size_t i = 0; i < sorted.result.rows.size(); ++i) {
                ASSERT_EQ(viaIndex.result.rows[i].rowIds, sorted.result.rows[i].rowIds)
                    << "row " << i;
            }
        }
        // A range on the leading column of an ascending index reads the
        // index, its bounds given in any number form, with the rows a
        // scan finds.
        // (Ranges are read through indexes of numbers and dates only.)
        const jet::ColumnDef* leadingColumn = def->columnByNumber(real.columns[0].columnNumber);
        if (!real.columns[0].ascending || !isNumberOrDateType(leadingColumn->type)) return;
        const std::string ranged = "SELECT * FROM " + table + " WHERE " + leading +
                                   " BETWEEN 0 AND 100.0 ORDER BY " + first;
        const std::string scanned = "SELECT * FROM " + table + " WHERE (" + leading +
                                    " + 0) BETWEEN 0 AND 100.0 ORDER BY " + first;
        SCOPED_TRACE(name + ": " + ranged);
        PlannedRun viaLookup, viaScan;
        try {
            viaScan = run(db, scanned, false);
        } catch (const Error& e) {
            EXPECT_THROW(run(db, ranged, false), Error) << e.what();
            return;
        }
        viaLookup = run(db, ranged, false);
        ++ranges;
        EXPECT_EQ(viaLookup.stats.indexLookups, 1u);
        EXPECT_EQ(viaScan.stats.indexLookups, 0u);
        EXPECT_EQ(rowLines(viaLookup.result), rowLines(viaScan.result));
    });
    // The fixtures hold dozens of such indexes.
    EXPECT_GT(statements, 500u);
    EXPECT_GT(nonEmpty, 300u);
    EXPECT_GT(ranges, 50u);
}

// Cases the planner must not answer from an index, with why.
TEST(IndexOrder, SortsWhenTheIndexCannotGiveTheOrder) {
    struct Case {
        const char* file;
        const char* sql;
        size_t indexOrders;
    };
    const Case cases[] = {
        // The index on id is ascending.
        {"V2000/indexTestV2000.mdb", "SELECT * FROM Table1 ORDER BY id DESC", 0},
        {"V2000/indexTestV2000.mdb", "SELECT * FROM Table1 ORDER BY id", 1},
        // An expression is not a column.
        {"V2000/indexTestV2000.mdb", "SELECT * FROM Table1 ORDER BY id + 0", 0},
        // DISTINCT compares values before the order is made.
        {"V2000/indexTestV2000.mdb", "SELECT DISTINCT id FROM Table1 ORDER BY id", 0},
        // Grouped rows are not table rows.
        {"V2000/indexTestV2000.mdb", "SELECT id, Count(*) FROM Table1 GROUP BY id ORDER BY id", 0},
        // No index leads with the text column data.
        {"V2000/indexTestV2000.mdb", "SELECT * FROM Table1 ORDER BY data", 0},
        // A text index keyed in the database's sort order serves ORDER BY.
        {"V2000/testIndexPropertiesV2000.mdb", "SELECT * FROM TableUnique1_temp ORDER BY data", 1},
        // An equality reads few entries; those are sorted.
        {"V2000/indexTestV2000.mdb", "SELECT * FROM Table1 WHERE id = 2 ORDER BY id", 0},
        // A descending index serves ORDER BY ... DESC.
        {"V2000/compIndexTestV2000.mdb", "SELECT * FROM Table1 ORDER BY CD_AGENTE DESC", 1},
        {"V2000/compIndexTestV2000.mdb", "SELECT * FROM Table1 ORDER BY CD_AGENTE", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.sql);
        auto db = Database::open(testing_support::fixture(c.file).string());
        const PlannedRun viaIndex = run(*db, c.sql, true);
        const PlannedRun sorted = run(*db, c.sql, false);
        EXPECT_EQ(viaIndex.stats.indexOrders, c.indexOrders);
        EXPECT_EQ(rowLines(viaIndex.result), rowLines(sorted.result));
    }
}

// An index that leaves out rows with nulls would drop them from the result.
TEST(IndexOrder, AnIndexThatLeavesOutNullsIsNotWalked) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "nulls.mdb").string();
    TableSpec spec;
    spec.name = "T";
    spec.columns = {testing_support::columnSpec("Id", 4), testing_support::columnSpec("N", 4)};
    IndexSpec index;
    index.name = "N";
    index.columns = {{"N", true}};
    index.ignoreNulls = true;
    spec.indexes = {index};
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 6; ++i) {
        rows.push_back({Value::integer(i), i % 2 ? Value::integer(10 - i) : Value::null()});
    }
    testing_support::writeTableFile(path, spec, rows);
    auto db = Database::open(path);
    const struct {
        const char* sql;
        size_t rows;  // nulls first: Id 2, 4, 6, then 5, 3, 1
    } cases[] = {{"SELECT Id FROM T ORDER BY N", 6}, {"SELECT TOP 4 Id FROM T ORDER BY N", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const PlannedRun walked = run(*db, c.sql, true);
        const PlannedRun sorted = run(*db, c.sql, false);
        EXPECT_EQ(walked.stats.indexOrders, 0u);
        EXPECT_EQ(rowLines(walked.result), rowLines(sorted.result));
        EXPECT_EQ(walked.result.rows.size(), c.rows);
    }
}

}  // namespace
}  // namespace jet::sql
