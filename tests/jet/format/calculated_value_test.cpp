// Calculated-column values built by hand from the stored layout: the
// 20-byte wrapper, each result type inside it, the Decimal form with its own
// scale, and the wrapper inside a Memo's long value. Every damaged form must
// end in a Corrupt error.
#include "jet/format/calculated_value.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/file/page_store.h"
#include "jet/format/long_value.h"
#include "jet/format/property_blob.h"

namespace jet {
namespace {

using Buffer = std::vector<uint8_t>;

Buffer fromHex(const std::string& hex) {
    Buffer out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        if (hex[i] == ' ') {
            --i;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

// The wrapper as Access writes it: 16 zero bytes, the length, the value,
// three bytes of padding.
Buffer wrap(const Buffer& value, size_t padding = 3) {
    Buffer out(16, 0);
    uint32_t n = static_cast<uint32_t>(value.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
    out.insert(out.end(), value.begin(), value.end());
    out.insert(out.end(), padding, 0);
    return out;
}

std::string show(const Value& v) {
    if (v.isNull()) return "null";
    if (v.is<bool>()) return v.as<bool>() ? "true" : "false";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    if (v.is<float>()) return formatSingle(v.as<float>());
    if (v.is<double>()) return formatDouble(v.as<double>());
    if (v.is<CurrencyValue>()) return formatCurrency(v.as<CurrencyValue>().tenThousandths);
    if (v.is<DateTimeValue>()) return formatDateTime(v.as<DateTimeValue>().days);
    if (v.is<Decimal>()) return "dec " + v.as<Decimal>().toString();
    if (v.is<std::string>()) return "\"" + v.as<std::string>() + "\"";
    if (v.is<Blob>()) return "0x" + hexString(v.as<Blob>());
    if (v.is<Guid>()) return v.as<Guid>().toString();
    return "?";
}

class CalculatedValueTest : public ::testing::Test {
protected:
    CalculatedValueTest() : pages_(std::make_unique<MemoryFile>(Buffer(2 * 4096, 0)), 4096) {}

    Value decode(DataType type, const Buffer& stored) {
        ColumnDef c;
        c.type = type;
        c.calculated = true;
        return decodeCalculatedValue(c, stored, JetVersion::Ace14, 1252, pages_);
    }

    PageStore pages_;
};

struct Case {
    const char* name;
    DataType type;
    const char* valueHex;  // the bytes inside the wrapper
    const char* expected;
};

TEST_F(CalculatedValueTest, DecodesEachResultTypeInsideTheWrapper) {
    const Case cases[] = {
        {"Long", DataType::Long, "0c000000", "12"},
        {"negative Long", DataType::Long, "dbffffff", "-37"},
        {"Integer", DataType::Integer, "feff", "-2"},
        {"Byte", DataType::Byte, "fe", "254"},
        {"BigInt", DataType::BigInt, "0000000000000080", "-9223372036854775808"},
        {"Currency", DataType::Currency, "55a8ab3100000000", "83333.3333"},
        {"Double", DataType::Double, "000000000000f83f", "1.5"},
        {"Single", DataType::Single, "59732145", "2583.2092"},
        {"Date/Time", DataType::DateTime, "00000000d0ebe340", "2011-09-12 12:00:00"},
        {"GUID", DataType::Guid, "00112233445566778899aabbccddeeff",
         "{33221100-5544-7766-8899-AABBCCDDEEFF}"},
        {"Boolean true", DataType::Boolean, "ff", "true"},
        {"Boolean false", DataType::Boolean, "00", "false"},
        {"Boolean without a byte", DataType::Boolean, "", "false"},
        {"Text, compressed", DataType::Text, "fffe5761796e652c204272756365", "\"Wayne, Bruce\""},
        {"Text, UTF-16", DataType::Text, "4f006b00", "\"Ok\""},
        {"empty Text", DataType::Text, "", "\"\""},
        {"empty Long is null", DataType::Long, "", "null"},
        {"empty Double is null", DataType::Double, "", "null"},
        {"empty Decimal is null", DataType::Numeric, "", "null"},
        // Decimals: declared length, scale, sign, then the magnitude words.
        {"Decimal, 12 bytes", DataType::Numeric, "0e000a0000000000ec04b01fe7ae0000",
         "dec 19230.7692307692"},
        {"Decimal, negative", DataType::Numeric, "0e000a8000000000ec04b01fe7ae0000",
         "dec -19230.7692307692"},
        {"Decimal, length up to the end", DataType::Numeric,
         "0000060000000000"
         "08e6ff0200000000",
         "dec 50.325000"},
        {"Decimal, high word set", DataType::Numeric, "0e00120058e993b6744deac8f7aa5218",
         "dec 56505085819.424791296572280180"},
        {"Decimal, 16 bytes", DataType::Numeric,
         "12000000"
         "0100000000000000"
         "0000000000000000",
         "dec 18446744073709551616"},
        {"Decimal, 4 bytes", DataType::Numeric,
         "06000200"
         "39300000",
         "dec 123.45"},
        {"Decimal, 8 bytes", DataType::Numeric,
         "0a000000"
         "0000000001000000",
         "dec 4294967296"},
        {"Decimal, zero", DataType::Numeric,
         "0e00080000000000"
         "0000000000000000",
         "dec 0.00000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(decode(c.type, wrap(fromHex(c.valueHex)))), c.expected);
    }
}

TEST_F(CalculatedValueTest, IgnoresPaddingAndWhateverFollowsTheValue) {
    EXPECT_EQ(show(decode(DataType::Long, wrap(fromHex("07000000"), 0))), "7");
    Buffer trailing = wrap(fromHex("07000000"));
    trailing.insert(trailing.end(), {0xAA, 0xBB, 0xCC, 0xDD});
    EXPECT_EQ(show(decode(DataType::Long, trailing)), "7");
    // A declared length shorter than the bytes: only the declared bytes count.
    Buffer shortText = wrap(fromHex("4f006b00"));
    shortText[16] = 2;
    EXPECT_EQ(show(decode(DataType::Text, shortText)), "\"O\"");
}

TEST_F(CalculatedValueTest, ReadsTheWrapperInsideAMemoLongValue) {
    Buffer content = wrap(fromHex("fffe57617965"));
    Buffer field(12, 0);
    uint32_t lengthAndFlags =
        static_cast<uint32_t>(content.size()) | (uint32_t{kLongValueInline} << 24);
    for (int i = 0; i < 4; ++i) field[i] = static_cast<uint8_t>(lengthAndFlags >> (8 * i));
    field.insert(field.end(), content.begin(), content.end());
    EXPECT_EQ(show(decode(DataType::Memo, field)), "\"Waye\"");

    // The long value itself is fine but what it holds is not a wrapper.
    Buffer bare(12, 0);
    bare[0] = 4;
    bare[3] = kLongValueInline;
    bare.insert(bare.end(), {1, 2, 3, 4});
    EXPECT_THROW(decode(DataType::Memo, bare), Error);
}

TEST_F(CalculatedValueTest, RejectsDamagedValues) {
    struct Bad {
        const char* name;
        DataType type;
        Buffer stored;
    };
    Buffer longer = wrap(fromHex("0c000000"));
    longer[16] = 9;  // claims more than the 7 bytes after the header
    Buffer huge = wrap(fromHex("0c000000"));
    huge[19] = 0xFF;
    const Bad cases[] = {
        {"nothing at all", DataType::Long, {}},
        {"shorter than the header", DataType::Long, Buffer(19, 0)},
        {"length past the end", DataType::Long, longer},
        {"length near 4 GiB", DataType::Text, huge},
        {"Long with 2 bytes", DataType::Long, wrap(fromHex("0c00"))},
        {"Double with 4 bytes", DataType::Double, wrap(fromHex("00000000"))},
        {"GUID with 8 bytes", DataType::Guid, wrap(fromHex("0011223344556677"))},
        {"Decimal without sign", DataType::Numeric, wrap(fromHex("0e000a"))},
        {"Decimal digits cut off", DataType::Numeric, wrap(fromHex("0e000a0000000000ec04"))},
        {"Decimal scale 29", DataType::Numeric, wrap(fromHex("06001d0001000000"))},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            decode(c.type, c.stored);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Corrupt);
        }
    }
}

TEST(CalculatedDecimal, CarriesItsOwnScaleAndTheFullPrecision) {
    Buffer value = fromHex("0e00040000000000e803000000000000");
    Decimal d = decodeCalculatedDecimal(value);
    EXPECT_EQ(d.scale, 4);
    EXPECT_EQ(d.precision, kCalculatedDecimalPrecision);
    EXPECT_FALSE(d.negative);
    EXPECT_EQ(d.toString(), "0.1000");
    // More than four words declared: only the first four are read.
    Buffer wide = fromHex(
        "16000000"
        "0000000000000000"
        "0000000000000000"
        "ffffffff");
    EXPECT_EQ(decodeCalculatedDecimal(wide).toString(), "0");
}

TEST(CalculatedResultTypes, TakeTheTypeFromTheResultTypeProperty) {
    auto prop = [](const char* name, DataType type, Value v) {
        Property p;
        p.name = name;
        p.type = type;
        p.value = std::move(v);
        return p;
    };
    PropertyBlob blob;
    blob.maps.push_back({"", {prop("Description", DataType::Text, Value::text("people"))}});
    blob.maps.push_back({"MonthlySalary",
                         {prop("ResultType", DataType::Byte, Value::integer(5)),
                          prop("Expression", DataType::Memo, Value::text("[Salary]/12"))}});
    blob.maps.push_back({"WeeklySalary", {prop("ResultType", DataType::Byte, Value::integer(16))}});
    blob.maps.push_back({"Odd", {prop("ResultType", DataType::Byte, Value::integer(0x12))}});
    blob.maps.push_back({"Plain", {prop("ResultType", DataType::Byte, Value::integer(4))}});
    // Through the stored form, so that the property types are the ones a
    // file holds.
    PropertyBlob stored = parsePropertyBlob(writePropertyBlob(blob, false), false);

    CalculatedColumnProperties monthly = calculatedColumnProperties(stored, "monthlysalary");
    ASSERT_TRUE(monthly.resultType.has_value());
    EXPECT_EQ(*monthly.resultType, DataType::Currency);
    EXPECT_EQ(monthly.expression.value_or("-"), "[Salary]/12");
    CalculatedColumnProperties none = calculatedColumnProperties(stored, "Missing");
    EXPECT_FALSE(none.resultType.has_value());
    EXPECT_FALSE(none.expression.has_value());

    TableDef def;
    auto column = [](const char* name, DataType type, bool calculated) {
        ColumnDef c;
        c.name = name;
        c.type = type;
        c.calculated = calculated;
        return c;
    };
    def.columns = {column("MonthlySalary", DataType::Double, true),
                   column("WeeklySalary", DataType::Double, true),
                   column("Odd", DataType::Long, true),  // a complex type is no result type
                   column("Plain", DataType::Text, false),
                   column("Unlisted", DataType::Integer, true)};
    applyCalculatedResultTypes(def, stored);
    EXPECT_EQ(def.columns[0].type, DataType::Currency);
    EXPECT_EQ(def.columns[1].type, DataType::Numeric);
    EXPECT_EQ(def.columns[1].precision, kCalculatedDecimalPrecision);
    EXPECT_EQ(def.columns[2].type, DataType::Long);
    EXPECT_EQ(def.columns[3].type, DataType::Text);
    EXPECT_EQ(def.columns[4].type, DataType::Integer);
}

}  // namespace
}  // namespace jet
