// New empty databases of every version and collation: the engine and
// mdbtools read them, the checker passes them, and their catalogue has the
// structure of the empty file Access's engine makes for that version.
#include "jet/write/create_database.h"

#include <gtest/gtest.h>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/write/collations.h"
#include "support/fixtures.h"
#include "support/mdbtools_compare.h"
#include "support/structure_diff.h"

namespace {

using testing_support::runCommand;
using testing_support::shellQuote;

struct VersionCase {
    int key;
    jet::JetVersion version;
    const char* versionText;
    const char* extension;
    // The empty file made by Access whose catalogue ours must match, and the
    // admin SID its Access-made differences name ("" when the engine made
    // it, so that nothing may differ).
    const char* accessMadeEmpty;
    const char* accessAdminSid;
};

const VersionCase kVersions[] = {
    {32, jet::JetVersion::Jet3, "3.0", ".mdb", "V1997/testV1997.mdb", "0x0301"},
    {64, jet::JetVersion::Jet4, "4.0", ".mdb", "empty/emptyJet4.mdb", ""},
    {128, jet::JetVersion::Ace12, "12.0", ".accdb", "empty/empty2007.accdb", "0x53A4"},
    {256, jet::JetVersion::Ace14, "14.0", ".accdb", "empty/empty2010.accdb", "0x435B"},
};

const uint16_t kCollations[] = {1033, 1025, 1029, 1043, 1032, 1037, 1038, 1039, 1041, 1042,
                                1030, 1045, 1049, 2052, 1060, 1034, 1053, 1054, 1028, 1055};

std::string create(const testing_support::TempDir& dir, const VersionCase& v, uint16_t lcid,
                   const std::string& password = "") {
    const std::string path =
        (dir.path() / ("new" + std::to_string(v.key) + "_" + std::to_string(lcid) + v.extension))
            .string();
    jet::CreateOptions options;
    options.version = *jet::versionFromKey(v.key);
    options.collation = lcid;
    options.password = password;
    jet::createDatabase(*jet::posixFileSystem(), path, options);
    return path;
}

TEST(CreateDatabase, EveryVersionAndCollationIsReadCheckedAndReadByMdbtools) {
    testing_support::TempDir dir;
    for (const VersionCase& v : kVersions) {
        for (uint16_t lcid : kCollations) {
            SCOPED_TRACE(std::string(v.versionText) + " collation " + std::to_string(lcid));
            const std::string path = create(dir, v, lcid);
            auto db = jet::Database::open(path);
            EXPECT_EQ(db->version(), v.version);
            EXPECT_EQ(jet::versionText(db->version()), v.versionText);
            EXPECT_EQ(db->header().sortOrder, jet::sortOrderFor(v.version, lcid));
            EXPECT_EQ(db->codePage(), jet::collationCodePage(lcid));
            EXPECT_TRUE(db->tables().empty());
            const jet::CheckReport report = jet::checkDatabase(*db);
            for (const auto& p : report.problems) ADD_FAILURE() << p;

            int status = -1;
            const std::string system =
                runCommand("mdb-tables -S -1 " + shellQuote(path) + " 2>&1", &status);
            EXPECT_EQ(status, 0) << system;
            EXPECT_NE(system.find("MSysObjects"), std::string::npos) << system;
            runCommand("mdb-schema " + shellQuote(path) + " >/dev/null 2>&1", &status);
            EXPECT_EQ(status, 0);
            const std::string props =
                runCommand("mdb-prop " + shellQuote(path) + " MSysDb 2>&1", &status);
            EXPECT_EQ(status, 0) << props;
            for (const auto& p : testing_support::differencesWithMdbtools(path)) ADD_FAILURE() << p;
        }
    }
}

TEST(CreateDatabase, CatalogueHasTheStructureOfAccessMadeEmptyFiles) {
    testing_support::TempDir dir;
    for (const VersionCase& v : kVersions) {
        SCOPED_TRACE(v.versionText);
        auto ours = jet::Database::open(create(dir, v, 1033));
        auto theirs = jet::Database::open(testing_support::fixture(v.accessMadeEmpty).string());
        const bool engineMade = std::string(v.accessAdminSid).empty();
        testing_support::CatalogueDiffOptions options;
        std::vector<std::string> expected;
        if (!engineMade) {
            options = testing_support::accessMadeOptions(jet::isJet3(v.version));
            options.ignoreIds = true;  // Access placed its own tables among the engine's
            // The Access 97 file also holds user tables.
            if (jet::isJet3(v.version))
                options.ignoredObjects.insert(options.ignoredObjects.end(),
                                              {"Table1", "Table2", "Table3", "Table4"});
            expected = testing_support::accessMadeDifferences(v.accessAdminSid);
        }
        EXPECT_EQ(testing_support::compareCatalogues(*ours, *theirs, options), expected);
    }
}

TEST(CreateDatabase, PasswordIsRequiredToOpen) {
    testing_support::TempDir dir;
    for (const VersionCase& v : kVersions) {
        SCOPED_TRACE(v.versionText);
        const std::string path = create(dir, v, 1033, "Geheim7");
        try {
            jet::Database::open(path);
            ADD_FAILURE() << "opened without its password";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), jet::ErrorCode::BadPassword);
            EXPECT_STREQ(e.what(), "Not a valid password.");
        }
        jet::OpenOptions wrong;
        wrong.password = "geheim7";
        EXPECT_THROW(jet::Database::open(path, wrong), jet::Error);
        jet::OpenOptions right;
        right.password = "Geheim7";
        auto db = jet::Database::open(path, right);
        EXPECT_TRUE(jet::checkDatabase(*db).ok());
    }
}

TEST(CreateDatabase, RefusesUnknownCollationAndLeavesNoFile) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "x.mdb").string();
    jet::CreateOptions options;
    options.collation = 9999;
    EXPECT_THROW(jet::createDatabase(*jet::posixFileSystem(), path, options), jet::Error);
    EXPECT_FALSE(jet::posixFileSystem()->exists(path));
}

}  // namespace
