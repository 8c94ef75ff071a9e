#include "jet/crypt/header_mask.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "jet/error.h"

namespace jet {
namespace {

// On a page of zeros, unmasking leaves exactly the keystream.
TEST(HeaderMaskTest, MaskCoversTheRightBytesForEachVersion) {
    struct Case {
        JetVersion version;
        size_t maskedBytes;
    };
    for (const Case& c : {Case{JetVersion::Jet3, 126}, Case{JetVersion::Jet4, 128},
                          Case{JetVersion::Ace12, 128}, Case{JetVersion::Ace17, 128}}) {
        SCOPED_TRACE(formatName(c.version));
        std::vector<uint8_t> page(pageSizeOf(c.version), 0);
        unmaskHeaderPage(page, c.version);
        const std::vector<uint8_t> head(page.begin() + 0x18, page.begin() + 0x1c);
        EXPECT_EQ(head, (std::vector<uint8_t>{0xb5, 0x6f, 0x03, 0x62}));
        // The last masked bytes of the longer mask are 0x62 0xd4.
        const size_t end = 0x18 + c.maskedBytes;
        EXPECT_NE(page[end - 1], 0);
        for (size_t i = 0; i < page.size(); ++i) {
            if (i < 0x18 || i >= end) {
                ASSERT_EQ(page[i], 0) << "byte " << i;
            }
        }
        unmaskHeaderPage(page, c.version);
        EXPECT_EQ(page, std::vector<uint8_t>(page.size(), 0)) << "masking twice restores";
    }
}

TEST(HeaderMaskTest, UnmaskedPlainFileHasNoDatabaseKey) {
    const std::filesystem::path path =
        std::filesystem::path(TABULON_FIXTURES) / "empty/empty2007.accdb";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::vector<uint8_t> page(4096);
    in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
    ASSERT_TRUE(in);
    const std::vector<uint8_t> rawKey(page.begin() + 0x3e, page.begin() + 0x42);
    EXPECT_NE(rawKey, std::vector<uint8_t>(4, 0)) << "stored bytes are masked";
    unmaskHeaderPage(page, JetVersion::Ace12);
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 0x3e, page.begin() + 0x42),
              std::vector<uint8_t>(4, 0));
}

TEST(HeaderMaskTest, ShortPageIsCorrupt) {
    std::vector<uint8_t> page(0x18 + 127, 0);
    try {
        unmaskHeaderPage(page, JetVersion::Jet4);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::Corrupt);
    }
    EXPECT_EQ(page, std::vector<uint8_t>(page.size(), 0)) << "nothing changed";
    std::vector<uint8_t> jet3Page(0x18 + 126, 0);
    EXPECT_NO_THROW(unmaskHeaderPage(jet3Page, JetVersion::Jet3));
}

}  // namespace
}  // namespace jet
