// LIKE in statements: Access's wildcards by default; a statement sent
// through a data connection (ParseOptions::likeWildcards) also takes % and _.
#include <gtest/gtest.h>

#include <string>

#include "jet/sql/executor/executor.h"
#include "sql/select_result_text.h"
#include "support/fixtures.h"

namespace jet::sql {
namespace {

// TableIgnoreNulls2's column row holds row0 ... row10; data1 holds "stuff",
// "more", "some", "lots of stuff", "another row", "still more rows" and Nulls.
TEST(LikeInStatements, ConnectionStatementsAlsoTakeAnsiWildcards) {
    const struct {
        const char* condition;
        size_t accessRows;
        size_t connectionRows;
    } cases[] = {
        {"row LIKE 'row1*'", 2, 2},        {"row LIKE 'row1%'", 0, 2},
        {"row LIKE 'row_'", 0, 10},        {"row LIKE 'row?'", 10, 10},
        {"row LIKE 'row#'", 10, 10},       {"row LIKE 'r_w1%'", 0, 2},
        {"row LIKE '%1*'", 0, 2},          {"row LIKE 'row[%]'", 0, 0},
        {"data1 LIKE '%stuff'", 0, 2},     {"data1 LIKE '*o_e*'", 0, 3},
        {"data1 NOT LIKE '%o%'", 6, 1},    {"data1 LIKE '[l-m]%'", 0, 2},
        {"data1 LIKE '[!l-m]*'", 4, 4},    {"row LIKE row", 11, 11},
        {"'row%' LIKE row & '[%]'", 0, 0}, {"'row%' LIKE 'row[%]'", 11, 11},
    };
    auto db =
        Database::open(testing_support::fixture("V2000/testIndexPropertiesV2000.mdb").string());
    for (const auto& c : cases) {
        const std::string sql =
            std::string("SELECT row FROM TableIgnoreNulls2 WHERE ") + c.condition;
        SCOPED_TRACE(sql);
        ExecuteOptions connection;
        connection.parse.likeWildcards = LikeWildcards::AccessAndAnsi;
        EXPECT_EQ(executeSelect(*db, sql).rows.size(), c.accessRows);
        EXPECT_EQ(executeSelect(*db, sql, connection).rows.size(), c.connectionRows);
    }
}

}  // namespace
}  // namespace jet::sql
