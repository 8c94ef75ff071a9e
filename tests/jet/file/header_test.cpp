#include <gtest/gtest.h>

#include "jet/catalog/database.h"
#include "jet/file/file.h"
#include "support/fixtures.h"

using namespace jet;
using testing_support::fixture;

namespace {

struct HeaderCase {
    const char* file;
    JetVersion version;
    const char* versionText;
    uint16_t lcid;
    uint8_t sortVersion;
    uint32_t pageSize;
};

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, ReadsFormatFactsFromTheHeaderPage) {
    const HeaderCase& c = GetParam();
    auto db = Database::open(fixture(c.file).string());
    EXPECT_EQ(db->version(), c.version);
    EXPECT_EQ(versionText(db->version()), c.versionText);
    EXPECT_EQ(db->header().sortOrder.lcid, c.lcid);
    EXPECT_EQ(db->header().sortOrder.version, c.sortVersion);
    EXPECT_EQ(db->header().pageSize, c.pageSize);
    EXPECT_EQ(db->header().codePage, 1252);
    EXPECT_EQ(db->header().password, "");
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, HeaderTest,
    ::testing::Values(
        HeaderCase{"V1997/testV1997.mdb", JetVersion::Jet3, "3.0", 0x409, 0, 2048},
        HeaderCase{"V2000/testV2000.mdb", JetVersion::Jet4, "4.0", 0x409, 0, 4096},
        HeaderCase{"V2007/testV2007.accdb", JetVersion::Ace12, "12.0", 0x409, 0, 4096},
        HeaderCase{"V2010/testV2010.accdb", JetVersion::Ace14, "14.0", 0x409, 1, 4096},
        HeaderCase{"empty/empty2016.accdb", JetVersion::Ace16, "14.0", 0x409, 1, 4096},
        HeaderCase{"empty/empty2019.accdb", JetVersion::Ace17, "14.0", 0x409, 0, 4096}));

TEST(HeaderErrors, NonAccessBytesAreAnUnrecognizedFormat) {
    std::vector<std::vector<uint8_t>> inputs = {
        {},                                // empty file
        std::vector<uint8_t>(100, 0),      // too short
        std::vector<uint8_t>(4096, 0),     // zero page
        std::vector<uint8_t>(8192, 0x41),  // text
    };
    for (auto& bytes : inputs) {
        try {
            Database::open(std::make_unique<MemoryFile>(bytes), "/x/not.mdb");
            ADD_FAILURE() << "opened " << bytes.size() << " bytes";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::UnrecognizedFormat);
            EXPECT_STREQ(e.what(), "Unrecognized database format '/x/not.mdb'.");
        }
    }
}

}  // namespace
