// Stored queries read through the engine from every version of the query
// fixture come back as the SQL text Access shows (recorded in the shared
// reference file).
#include "jet/catalog/stored_queries.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "jet/catalog/consistency_check.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/database_builder.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

// Parses the reference file: a "Name" line, then a fenced block with the SQL.
// Lines are joined with CR LF as Access shows them; "\0" stands for a NUL.
std::map<std::string, std::string> expectedTexts() {
    std::ifstream in(std::string(TABULON_REFERENCE) + "/query-sql.md");
    std::map<std::string, std::string> out;
    std::string line, name, body;
    bool inBlock = false;
    std::string previous;
    while (std::getline(in, line)) {
        if (line.rfind("```", 0) == 0) {
            if (inBlock) {
                size_t nul = body.find("\\0");
                if (nul != std::string::npos) body.replace(nul, 2, std::string(1, '\0'));
                out[name] = body;
            } else {
                name = previous;
                body.clear();
            }
            inBlock = !inBlock;
            continue;
        }
        if (inBlock) {
            if (!body.empty()) body += "\r\n";
            body += line;
        } else if (!line.empty()) {
            previous = line;
        }
    }
    return out;
}

class StoredQueriesTest : public ::testing::TestWithParam<const char*> {};

TEST_P(StoredQueriesTest, EveryKindReadsBackAsAccessShowsIt) {
    auto expected = expectedTexts();
    ASSERT_EQ(expected.size(), 9u);
    auto db = Database::open(testing_support::fixture(GetParam()).string());
    auto queries = readStoredQueries(*db);
    ASSERT_EQ(queries.size(), 9u);
    for (const auto& q : queries) {
        ASSERT_TRUE(expected.count(q.name)) << q.name;
        EXPECT_EQ(q.query.sql, expected[q.name]) << GetParam() << " " << q.name;
    }
    EXPECT_EQ(readStoredQuery(*db, "updatequery").query.kind, QueryKind::Update);
    EXPECT_THROW(readStoredQuery(*db, "NoSuchQuery"), jet::Error);
}

// One query whose rows cannot be read (a row of an unknown attribute that
// holds an expression) is listed with its own error; the others read as
// before, and only asking for that query, or checking the file, reports it.
TEST(StoredQueries, AnUnreadableQueryHidesNoOther) {
    testing_support::TempDir dir;
    const std::string copy = (dir.path() / "broken.mdb").string();
    CompactRequest request;
    request.source = testing_support::fixture("V2000/queryTestV2000.mdb").string();
    request.destination = copy;
    compactDatabase(*posixFileSystem(), request, [](DatabaseBuilder& builder) {
        const TableDef& def = builder.systemTableDef("MSysQueries");
        auto queryRow = [&](int attribute, std::optional<std::string> name1,
                            std::optional<std::string> expression, int flag) {
            std::vector<Value> row(def.columns.size());
            for (size_t i = 0; i < def.columns.size(); ++i) {
                const std::string& column = def.columns[i].name;
                if (column == "Attribute") row[i] = Value::integer(attribute);
                if (column == "Flag") row[i] = Value::integer(flag);
                if (column == "Name1" && name1) row[i] = Value::text(*name1);
                if (column == "Expression" && expression) row[i] = Value::text(*expression);
            }
            return row;
        };
        builder.addQuery(
            "Broken", 0, {},
            {queryRow(0, {}, {}, 0), queryRow(1, {}, {}, 1), queryRow(5, "Table1", {}, 0),
             queryRow(15, {}, "x > 1", 0), queryRow(255, {}, {}, 0)});
    });

    auto db = Database::open(copy);
    const std::vector<QueryDefinition> queries = readStoredQueries(*db);
    ASSERT_EQ(queries.size(), 10u);
    for (const QueryDefinition& q : queries) {
        SCOPED_TRACE(q.name);
        if (q.name == "Broken") {
            EXPECT_NE(q.error.find("unknown attribute code 15"), std::string::npos) << q.error;
            EXPECT_EQ(q.query.kind, QueryKind::Select);  // from its catalogue flags
        } else {
            EXPECT_EQ(q.error, "");
            EXPECT_FALSE(q.query.sql.empty());
        }
    }
    EXPECT_THROW(readStoredQuery(*db, "Broken"), Error);
    EXPECT_EQ(readStoredQuery(*db, "updatequery").query.kind, QueryKind::Update);
    const CheckReport report = checkDatabase(*db);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].rfind("stored query 'Broken': ", 0), 0u) << report.problems[0];
}

INSTANTIATE_TEST_SUITE_P(AllVersions, StoredQueriesTest,
                         ::testing::Values("V1997/queryTestV1997.mdb", "V2000/queryTestV2000.mdb",
                                           "V2007/queryTestV2007.accdb",
                                           "V2010/queryTestV2010.accdb"));

}  // namespace
