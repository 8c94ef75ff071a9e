// Tables linked from another Access file are read through the link: the
// back end found beside the front end when its stored (Windows) path does
// not exist here, a missing back end named in Access's words.
#include "jet/catalog/linked_table.h"

#include <gtest/gtest.h>

#include "jet/sql/executor/executor.h"
#include "sql/select_result_text.h"
#include "support/fixtures.h"

namespace jet {
namespace {

TEST(LinkedTable, IsReadFromTheFileBesideTheFrontEnd) {
    testing_support::TempDir dir;
    const auto frontEnd = dir.copy("V2007/linkerTestV2007.accdb");
    const auto backEnd = dir.copy("linkeeTest.accdb");
    auto db = Database::open(frontEnd.string());
    auto linkee = Database::open(backEnd.string());
    // Table2 of the front end is Table1 of the back end.
    const sql::QueryResult viaLink = sql::executeSelect(*db, "SELECT * FROM Table2 ORDER BY ID");
    const sql::QueryResult direct = sql::executeSelect(*linkee, "SELECT * FROM Table1 ORDER BY ID");
    ASSERT_FALSE(direct.rows.empty());
    EXPECT_EQ(sql::rowLines(viaLink), sql::rowLines(direct));
    EXPECT_EQ(sql::columnNamesLine(viaLink), sql::columnNamesLine(direct));
    // Joined with a local table, filtered, counted.
    EXPECT_EQ(
        sql::rowLines(sql::executeSelect(*db, "SELECT Count(*) FROM Table2 WHERE ID >= 1")),
        sql::rowLines(sql::executeSelect(*linkee, "SELECT Count(*) FROM Table1 WHERE ID >= 1")));
    EXPECT_NO_THROW(sql::executeSelect(
        *db, "SELECT t.ID FROM Table2 AS t INNER JOIN Table1 AS l ON t.ID = l.ID"));
}

TEST(LinkedTable, AMissingBackEndIsNamed) {
    testing_support::TempDir dir;
    auto db = Database::open(dir.copy("V2007/linkerTestV2007.accdb").string());
    try {
        sql::executeSelect(*db, "SELECT * FROM Table2");
        ADD_FAILURE() << "read a link whose file is missing";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::NotFound);
        EXPECT_STREQ(e.what(), "Could not find file 'Z:\\jackcess_test\\linkeeTest.accdb'.");
    }
}

TEST(LinkedTable, IsLookedForAtItsPathThenBesideTheFrontEnd) {
    struct Case {
        const char* frontEnd;
        const char* stored;
        std::vector<std::string> candidates;
    };
    const Case cases[] = {
        {"/data/front.accdb",
         "Z:\\share\\back.accdb",
         {"Z:\\share\\back.accdb", "/data/back.accdb"}},
        {"/data/front.accdb", "/srv/back.mdb", {"/srv/back.mdb", "/data/back.mdb"}},
        {"/data/front.accdb", "/data/back.mdb", {"/data/back.mdb"}},
        {"/data/front.accdb", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(linkedFileCandidates(c.frontEnd, c.stored), c.candidates);
    }
}

}  // namespace
}  // namespace jet
