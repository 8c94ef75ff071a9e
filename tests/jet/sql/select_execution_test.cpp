// SELECT execution beyond the case file: every saved query of the fixtures,
// the row identities and column descriptions a recordset relies on, index
// lookups against full scans, and the tabulon-cli command.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jet/catalog/stored_queries.h"
#include "jet/sql/executor/executor.h"
#include "jet/table/table_scan.h"
#include "sql/select_result_text.h"
#include "support/fixtures.h"

namespace jet::sql {
namespace {

using testing_support::fixture;

std::shared_ptr<Database> openFixture(const std::string& name) {
    return Database::open(fixture(name).string());
}

// The name quoted in a missing-object message.
std::string missingName(const std::string& message) {
    const std::string lead = "cannot find the input table or query '";
    const size_t at = message.find(lead);
    if (at == std::string::npos) return {};
    const size_t from = at + lead.size();
    const size_t end = message.find("'. Make sure", from);
    return end == std::string::npos ? std::string() : message.substr(from, end - from);
}

// Every saved select query of every fixture runs by name and from its own
// text with the same columns, or fails only because a table it reads is not
// in the file (some fixtures keep queries whose tables were removed).
TEST(StoredQueryExecution, EverySavedSelectRunsOrNamesAMissingTable) {
    int ran = 0;
    for (const std::string& name : testing_support::allFixtures()) {
        if (name.find("encrypted/") == 0) continue;
        SCOPED_TRACE(name);
        auto db = openFixture(name);
        for (const QueryDefinition& q : readStoredQueries(*db)) {
            if (q.query.kind != QueryKind::Select) continue;
            SCOPED_TRACE(q.name + ": " + q.query.sql);
            try {
                const QueryResult byName = executeSelect(*db, "SELECT * FROM [" + q.name + "]");
                const QueryResult byText = executeSelect(*db, q.query.sql);
                EXPECT_EQ(columnNamesLine(byName), columnNamesLine(byText));
                EXPECT_EQ(rowLines(byName), rowLines(byText));
                ++ran;
            } catch (const Error& e) {
                const std::string missing = missingName(e.what());
                EXPECT_FALSE(missing.empty()) << e.what();
                EXPECT_EQ(db->findObject(missing), nullptr) << missing << " exists";
            }
        }
    }
    EXPECT_GE(ran, 4);  // SelectQuery of each queryTest fixture at least
}

TEST(StoredQueryExecution, QueryTestSelectQueryHasAccessColumnNamesInEveryVersion) {
    for (const char* name : {"V1997/queryTestV1997.mdb", "V2000/queryTestV2000.mdb",
                             "V2007/queryTestV2007.accdb", "V2010/queryTestV2010.accdb"}) {
        SCOPED_TRACE(name);
        auto db = openFixture(name);
        const QueryResult r = executeSelect(*db, "SELECT * FROM [SelectQuery] WHERE 1=0");
        EXPECT_EQ(columnNamesLine(r),
                  "Table1.col1,Table1.col2,Table1.col3,Table2.col1,Table2.col2,Table3.col3");
        EXPECT_TRUE(r.rows.empty());
        // Views that are not SELECTs cannot be read as tables.
        EXPECT_THROW(executeSelect(*db, "SELECT * FROM [UpdateQuery]"), Error);
    }
}

// A result row's row ids lead back to the base rows its values came from.
TEST(SelectRowIdentity, RowIdsReadBackTheRowsOfEachSource) {
    auto db = openFixture("V2000/indexTestV2000.mdb");
    const QueryResult r =
        executeSelect(*db,
                      "SELECT Table3.id, Table3.data, Table1.data FROM Table3 LEFT JOIN Table1 ON "
                      "Table1.otherfk2 = Table3.id");
    ASSERT_EQ(r.rowIdTables, (std::vector<std::string>{"Table3", "Table1"}));
    ASSERT_EQ(r.rows.size(), 5u);
    auto table3 = db->table("Table3");
    auto table1 = db->table("Table1");
    int unmatched = 0;
    for (const ResultRow& row : r.rows) {
        auto base3 = readRow(*db, *table3, row.rowIds[0]);
        ASSERT_TRUE(base3.has_value());
        EXPECT_EQ((*base3)[0], row.values[0]);
        EXPECT_EQ((*base3)[1], row.values[1]);
        if (row.rowIds[1] == kNoRow) {
            ++unmatched;
            EXPECT_TRUE(row.values[2].isNull());
            continue;
        }
        auto base1 = readRow(*db, *table1, row.rowIds[1]);
        ASSERT_TRUE(base1.has_value());
        EXPECT_EQ((*base1)[3], row.values[2]);
    }
    EXPECT_EQ(unmatched, 1);  // bar12 has no Table1 row

    ASSERT_EQ(r.columns.size(), 3u);
    EXPECT_EQ(r.columns[0].name, "id");
    EXPECT_EQ(r.columns[0].type, DataType::Long);
    EXPECT_TRUE(r.columns[0].updatable);
    EXPECT_EQ(r.columns[0].baseTable, "Table3");
    EXPECT_EQ(r.columns[0].rowIdSlot, 0);
    EXPECT_EQ(r.columns[2].name, "Table1.data");
    EXPECT_EQ(r.columns[2].type, DataType::Text);
    EXPECT_EQ(r.columns[2].size, 50);
    EXPECT_EQ(r.columns[2].baseColumn, "data");
    EXPECT_EQ(r.columns[2].rowIdSlot, 1);
}

TEST(SelectRowIdentity, ComputedGroupedAndDistinctColumnsAreReadOnly) {
    auto db = openFixture("V2000/indexTestV2000.mdb");
    struct Case {
        const char* sql;
        std::vector<bool> updatable;
    };
    const Case cases[] = {
        {"SELECT id, id + 1, data FROM Table2", {true, false, true}},
        {"SELECT DISTINCT id, data FROM Table2", {false, false}},
        {"SELECT otherfk1, Count(*) FROM Table1 GROUP BY otherfk1", {false, false}},
        {"SELECT id FROM Table2 UNION SELECT id FROM Table3", {false}},
        {"SELECT k FROM (SELECT id AS k FROM Table2) AS s", {true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const QueryResult r = executeSelect(*db, c.sql);
        std::vector<bool> updatable;
        for (const auto& col : r.columns) updatable.push_back(col.updatable);
        EXPECT_EQ(updatable, c.updatable);
    }
}

// Equalities and ranges on an indexed column read the index; the rows must
// be those a full scan finds (wrapping the column in an expression keeps
// the index out of it). `$` stands for the column.
TEST(SelectIndexLookup, GivesTheRowsOfAFullScan) {
    struct Case {
        const char* file;
        const char* table;
        const char* column;
        const char* plain;  // the column as an expression no index serves
        std::vector<std::string> conditions;
    };
    const std::vector<std::string> numeric = {
        "$ = 19",
        "$ = 43",
        "$ = 4813",
        "$ = 20",
        "$ = -1",
        "$ > 1",
        "$ >= 1",
        "$ < 2",
        "$ <= 2",
        "2 < $",
        "$ > 100",
        "$ BETWEEN 1 AND 2",
        "$ BETWEEN 40 AND 400",
        "$ > 1 AND $ < 3",
        "$ >= 0.5",
        "$ < 1000000",
        "$ > 1 AND $ <= 1",
    };
    const Case cases[] = {
        {"V2000/compIndexTestV2000.mdb", "Table1", "CD_AGENTE", "CD_AGENTE + 0", numeric},
        {"V2000/indexTestV2000.mdb", "Table1", "id", "id + 0", numeric},
        {"V2000/indexTestV2000.mdb", "Table1", "otherfk1", "otherfk1 + 0", numeric},
        {"V2000/testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", "data2", "data2 + 0", numeric},
        {"V2000/testV2000.mdb",
         "Table1",
         "A",
         "A & ''",
         {"$ = 'abcdefg'", "$ = 'A'", "$ = ''", "$ > 'a'"}},
        {"V2010/testV2010.accdb", "Table1", "A", "A & ''", {"$ = 'abcdefg'", "$ = 'A'"}},
        {"V1997/testV1997.mdb", "Table1", "A", "A & ''", {"$ = 'abcdefg'", "$ = 'A'"}},
    };
    auto replaced = [](std::string text, const std::string& by) {
        for (size_t at = text.find('$'); at != std::string::npos;
             at = text.find('$', at + by.size())) {
            text.replace(at, 1, by);
        }
        return text;
    };
    for (const Case& c : cases) {
        auto db = openFixture(c.file);
        for (const std::string& condition : c.conditions) {
            const std::string base = std::string("SELECT * FROM ") + c.table + " WHERE ";
            const std::string indexed = base + replaced(condition, c.column);
            const std::string scanned =
                base + replaced(condition, std::string("(") + c.plain + ")");
            SCOPED_TRACE(std::string(c.file) + ": " + indexed);
            std::vector<std::string> got = rowLines(executeSelect(*db, indexed));
            std::vector<std::string> expected = rowLines(executeSelect(*db, scanned));
            // An index gives its rows in key order, a scan in storage order.
            std::sort(got.begin(), got.end());
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(got, expected);
        }
    }
}

TEST(SelectParameters, PositionalAndDeclaredParametersTakeTheirValues) {
    auto db = openFixture("V2000/indexTestV2000.mdb");
    ExecuteOptions options;
    options.parameters.positional = {Value::integer(11)};
    EXPECT_EQ(rowLines(executeSelect(*db, "SELECT id FROM Table1 WHERE otherfk2 = ?", options)),
              (std::vector<std::string>{"1", "2"}));

    const char* declared = "PARAMETERS [Which] Long; SELECT data FROM Table2 WHERE id = [Which]";
    EXPECT_THROW(executeSelect(*db, declared), Error);
    options.parameters.named["which"] = Value::integer(2);
    EXPECT_EQ(rowLines(executeSelect(*db, declared, options)),
              (std::vector<std::string>{"\"foo2\""}));
}

#ifdef TABULON_CLI
TEST(SelectCommand, PrintsTheResultAsCsv) {
    int status = -1;
    const std::string out = testing_support::runCommand(
        std::string(TABULON_CLI) + " sql " +
            testing_support::shellQuote(fixture("V2000/indexTestV2000.mdb").string()) +
            " \"SELECT id AS [a,b], data FROM Table2 WHERE id <> 1\"",
        &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "\"a,b\",data\n0,\"foo0\"\n2,\"foo2\"\n");
}
#endif

}  // namespace
}  // namespace jet::sql
