// The header password of Jet 3 and Jet 4 files: a copy of a fixture gets a
// password written into its header the way Access stores it, then opening
// without it, or with a wrong one, gives Access's message.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "jet/catalog/database.h"
#include "jet/crypt/header_mask.h"
#include "jet/table/table_scan.h"
#include "jet/util/bytes.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Writes `password` (ASCII) into the header: Jet 3 keeps plain bytes, Jet 4
// keeps UTF-16 masked with the integer part of the creation date; both lie
// in the RC4-masked region.
std::vector<uint8_t> withPassword(std::vector<uint8_t> file, JetVersion v,
                                  const std::string& password) {
    std::span<uint8_t> page(file.data(), pageSizeOf(v));
    unmaskHeaderPage(page, v);
    if (isJet3(v)) {
        std::fill(page.begin() + 0x42, page.begin() + 0x42 + 20, 0);
        std::copy(password.begin(), password.end(), page.begin() + 0x42);
    } else {
        double created = readF64(page, 0x72);
        uint32_t mask = static_cast<uint32_t>(static_cast<int32_t>(created));
        for (size_t i = 0; i < 40; ++i) {
            uint8_t plain = 0;
            if (i % 2 == 0 && i / 2 < password.size())
                plain = static_cast<uint8_t>(password[i / 2]);
            page[0x42 + i] = plain ^ static_cast<uint8_t>(mask >> (8 * (i % 4)));
        }
    }
    unmaskHeaderPage(page, v);
    return file;
}

struct PasswordCase {
    const char* file;
    JetVersion version;
};

class HeaderPasswordTest : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(HeaderPasswordTest, OpensOnlyWithTheRightPassword) {
    auto bytes = withPassword(readAll(testing_support::fixture(GetParam().file).string()),
                              GetParam().version, "Secret7");
    auto openWith = [&](const std::string& pw) {
        OpenOptions o;
        o.password = pw;
        return Database::open(std::make_unique<MemoryFile>(bytes), "x", o);
    };
    for (const char* wrong : {"", "secret7", "Secret", "Secret77"}) {
        try {
            openWith(wrong);
            ADD_FAILURE() << "opened with '" << wrong << "'";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::BadPassword);
            EXPECT_STREQ(e.what(), "Not a valid password.");
        }
    }
    auto db = openWith("Secret7");
    EXPECT_EQ(db->header().password, "Secret7");
    EXPECT_FALSE(db->tables().empty());
}

INSTANTIATE_TEST_SUITE_P(JetVersions, HeaderPasswordTest,
                         ::testing::Values(PasswordCase{"V1997/testV1997.mdb", JetVersion::Jet3},
                                           PasswordCase{"V2000/testV2000.mdb", JetVersion::Jet4},
                                           PasswordCase{"encrypted/db-enc.mdb", JetVersion::Jet4}));

TEST(OfficeEncryptedFiles, OpenWithTheirPasswordsAndShowRows) {
    struct Case {
        const char* file;
        const char* password;
    };
    for (Case c : {Case{"encrypted/db2007-oldenc.accdb", "Test123"},
                   Case{"encrypted/db2007-enc.accdb", "Test123"},
                   Case{"encrypted/db-nonstandard.accdb", "password"}}) {
        SCOPED_TRACE(c.file);
        std::string path = testing_support::fixture(c.file).string();
        OpenOptions o;
        o.password = c.password;
        auto db = Database::open(path, o);
        ASSERT_FALSE(db->tables().empty());
        TableScan scan(*db, db->table(db->tables().front()->name));
        ASSERT_TRUE(scan.next());
        EXPECT_FALSE(scan.values().empty());
        for (const char* wrong : {"", "test123", "wrong"}) {
            OpenOptions w;
            w.password = wrong;
            try {
                Database::open(path, w);
                ADD_FAILURE() << "opened with '" << wrong << "'";
            } catch (const jet::Error& e) {
                EXPECT_STREQ(e.what(), "Not a valid password.");
            }
        }
    }
}

}  // namespace
