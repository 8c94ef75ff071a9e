// Every stored query of every fixture, as the engine rebuilds its SQL text,
// parses, and its printed tree reads back to the same text.
#include <gtest/gtest.h>

#include "jet/catalog/stored_queries.h"
#include "jet/sql/parser/ast_printer.h"
#include "jet/sql/parser/parser.h"
#include "support/fixtures.h"

namespace jet::sql {
namespace {

TEST(ParserFixtureQueries, EverySavedQueryParses) {
    size_t parsed = 0;
    for (const std::string& name : testing_support::allFixtures()) {
        std::shared_ptr<Database> db;
        try {
            db = Database::open(testing_support::fixture(name).string());
        } catch (const Error&) {
            continue;  // files that need a password hold no queries of interest
        }
        for (const QueryDefinition& q : readStoredQueries(*db)) {
            // Pass-through texts are the server's SQL, not Access's.
            if (q.query.kind == QueryKind::PassThrough || q.query.kind == QueryKind::Unknown)
                continue;
            SCOPED_TRACE(name + " " + q.name + ": " + q.query.sql);
            try {
                const std::string printed = toSql(parseStatement(q.query.sql));
                EXPECT_EQ(toSql(parseStatement(printed)), printed);
                ++parsed;
            } catch (const Error& e) {
                ADD_FAILURE() << e.what();
            }
        }
    }
    // Eight in each of the four queryTest files, 56 behind the forms of
    // odbcLinkerTestV2007.
    EXPECT_GE(parsed, 4u * 8u + 56u);
}

}  // namespace
}  // namespace jet::sql
