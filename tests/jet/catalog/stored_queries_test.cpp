// Stored queries read through the engine from every version of the query
// fixture come back as the SQL text Access shows (recorded in the shared
// reference file).
#include "jet/catalog/stored_queries.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

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

INSTANTIATE_TEST_SUITE_P(AllVersions, StoredQueriesTest,
                         ::testing::Values("V1997/queryTestV1997.mdb", "V2000/queryTestV2000.mdb",
                                           "V2007/queryTestV2007.accdb",
                                           "V2010/queryTestV2010.accdb"));

}  // namespace
