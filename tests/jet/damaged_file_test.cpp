// Damaged files give a jet::Error with a message, never a crash: truncated
// copies of a fixture and copies with a page overwritten, each opened and
// read in full.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/catalog/stored_queries.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Opens and reads everything; returns the error message, or "" when all of
// it could be read.
std::string readEverything(std::vector<uint8_t> bytes) {
    try {
        auto db = Database::open(std::make_unique<MemoryFile>(std::move(bytes)), "damaged.mdb");
        for (const auto* t : db->tables(true)) {
            TableScan scan(*db, db->tableAt(t->tdefPage(), t->name));
            while (scan.next()) scan.values();
        }
        readStoredQueries(*db);
        db->relations();
        return "";
    } catch (const jet::Error& e) {
        EXPECT_NE(std::string(e.what()), "");
        return e.what();
    }
}

class DamagedFileTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedFileTest, TruncatedCopiesFailWithAMessage) {
    auto bytes = readAll(testing_support::fixture(GetParam()).string());
    ASSERT_EQ(readEverything(bytes), "");
    size_t page = bytes[0x14] == 0 ? 2048 : 4096;
    for (size_t keep : {page, 2 * page, 3 * page, bytes.size() / 2, bytes.size() - page}) {
        std::string msg = readEverything(std::vector<uint8_t>(bytes.begin(), bytes.begin() + keep));
        EXPECT_NE(msg, "") << "a copy cut to " << keep << " bytes read without complaint";
    }
}

TEST_P(DamagedFileTest, OverwrittenPagesNeverCrash) {
    auto bytes = readAll(testing_support::fixture(GetParam()).string());
    size_t page = bytes[0x14] == 0 ? 2048 : 4096;
    size_t pages = bytes.size() / page;
    for (size_t p = 1; p < pages; ++p) {
        for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
            auto copy = bytes;
            // Keep the page type so the reader goes deep into the page.
            std::fill(copy.begin() + p * page + 8, copy.begin() + (p + 1) * page, fill);
            readEverything(std::move(copy));
        }
    }
    // The catalogue page itself gone: a clear message naming it.
    auto copy = bytes;
    std::fill(copy.begin() + 2 * page, copy.begin() + 3 * page, 0);
    EXPECT_NE(readEverything(copy).find("page 2"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DamagedFileTest,
                         ::testing::Values("V1997/testV1997.mdb", "V2000/overflowTestV2000.mdb",
                                           "V2010/testV2010.accdb"));

}  // namespace

namespace {

TEST(ConsistencyCheck, SoundFixturesPassAndAWrongRowCountIsReported) {
    for (const char* f :
         {"V1997/testV1997.mdb", "V2000/indexTestV2000.mdb", "V2010/complexDataTestV2010.accdb"}) {
        auto db = Database::open(testing_support::fixture(f).string());
        CheckReport report = checkDatabase(*db);
        EXPECT_TRUE(report.ok()) << f << ": " << (report.ok() ? "" : report.problems.front());
        EXPECT_GT(report.rowsChecked, 0u);
    }
    auto bytes = readAll(testing_support::fixture("V2000/testV2000.mdb").string());
    uint32_t tdef = Database::open(testing_support::fixture("V2000/testV2000.mdb").string())
                        ->table("Table1")
                        ->tdefPage;
    bytes[tdef * 4096 + 0x10] ^= 0x01;  // the stored row count
    auto db = Database::open(std::make_unique<MemoryFile>(bytes), "x.mdb");
    CheckReport report = checkDatabase(*db);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("table 'Table1'"), std::string::npos) << report.problems[0];
}

}  // namespace
