// Stored bytes of single values and their text forms, for the types whose
// layout the fixtures do not pin down on their own.
#include "jet/format/value_codec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "jet/file/page_store.h"

using namespace jet;

namespace {

Value decode(DataType type, const std::vector<uint8_t>& bytes, uint8_t precision = 18,
             uint8_t scale = 0) {
    ColumnDef c;
    c.type = type;
    c.precision = precision;
    c.scale = scale;
    PageStore pages(std::make_unique<MemoryFile>(std::vector<uint8_t>(4096 * 3)), 4096);
    return decodeValue(c, bytes, JetVersion::Ace16, 1252, pages);
}

std::vector<uint8_t> ascii(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(ValueCodec, ExtendedDateTimeIsDaysSecondsAndTicks) {
    std::string text =
        "0000000000000738000:000000036000"
        "1234567"
        ":7";
    text.push_back('\0');
    ASSERT_EQ(text.size(), 42u);
    Value v = decode(DataType::ExtDateTime, ascii(text));
    ASSERT_TRUE(v.is<ExtDateTime>());
    EXPECT_EQ(v.as<ExtDateTime>().toString(), "2021-07-30 10:00:00.1234567");

    for (std::string bad :
         {"000000000000073800x:0000000360001234567:7", "0000000000000738000-0000000360001234567:7",
          "0000000000000738000:0000000360", "0000000000000738000:9999999999991234567:7"}) {
        EXPECT_THROW(decode(DataType::ExtDateTime, ascii(bad)), jet::Error) << bad;
    }
}

TEST(ValueCodec, DecimalIsSignAndFourWordsMostSignificantFirst) {
    struct Case {
        std::vector<uint8_t> bytes;
        uint8_t scale;
        const char* text;
    };
    auto num = [](bool negative, uint32_t low, uint32_t mid = 0) {
        std::vector<uint8_t> b(17, 0);
        b[0] = negative ? 0x80 : 0;
        std::memcpy(&b[9], &mid, 4);
        std::memcpy(&b[13], &low, 4);
        return b;
    };
    for (const Case& c : {Case{num(false, 123456), 2, "1234.56"}, Case{num(true, 5), 3, "-0.005"},
                          Case{num(false, 0), 2, "0.00"}, Case{num(true, 0), 0, "0"},
                          Case{num(false, 0, 1), 0, "4294967296"}}) {
        Value v = decode(DataType::Numeric, c.bytes, 18, c.scale);
        EXPECT_EQ(v.as<Decimal>().toString(), c.text);
    }
}

TEST(ValueText, DatesBeforeAndAfterTheEpochAndGuids) {
    struct Case {
        double days;
        const char* text;
    };
    for (Case c : {Case{0, "1899-12-30 00:00:00"}, Case{-1.25, "1899-12-29 06:00:00"},
                   Case{36526.5, "2000-01-01 12:00:00"}, Case{-115858, "1582-10-15 00:00:00"},
                   Case{2.99999999, "1900-01-02 00:00:00"},
                   // Before day 0 the time is positive too, so a time that
                   // rounds up to midnight carries into the next day.
                   Case{-18109.99999652778, "1850-06-02 00:00:00"},  // 1850-06-01 23:59:59.7
                   Case{-1.9999999884259259, "1899-12-30 00:00:00"}}) {
        EXPECT_EQ(formatDateTime(c.days), c.text) << c.days;
    }
    Guid g;
    for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(g.toString(), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
    EXPECT_EQ(formatCurrency(-12345), "-1.2345");
    EXPECT_EQ(formatDouble(0.1), "0.1");
}

}  // namespace
