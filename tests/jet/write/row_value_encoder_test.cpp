// Values converted for a column as Access converts them on insert, and the
// bytes each column type stores.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/format/value_encoder.h"

using namespace jet;

namespace {

ColumnDef column(DataType type, uint16_t length = 0, bool fixed = true) {
    ColumnDef c;
    c.name = "Price";
    c.type = type;
    c.length = length;
    c.flags = fixed ? (kColumnFixed | kColumnNullable) : kColumnNullable;
    return c;
}

ColumnDef textColumn(uint16_t bytes, bool compressed = false) {
    ColumnDef c = column(DataType::Text, bytes, false);
    c.compressedUnicode = compressed;
    return c;
}

ColumnDef numericColumn(uint8_t precision, uint8_t scale) {
    ColumnDef c = column(DataType::Numeric, 17);
    c.precision = precision;
    c.scale = scale;
    return c;
}

Decimal decimal(bool negative, uint32_t magnitude, uint8_t precision, uint8_t scale) {
    Decimal d;
    d.negative = negative;
    d.magnitude = {magnitude, 0, 0, 0};
    d.precision = precision;
    d.scale = scale;
    return d;
}

struct Conversion {
    const char* what;
    ColumnDef column;
    Value input;
    std::optional<Value> expected;  // nullopt: an error
    ErrorCode error = ErrorCode::InvalidArgument;
    JetVersion version = JetVersion::Jet4;
};

TEST(ConvertForColumn, ConvertsAsAccessDoesOnInsert) {
    const ErrorCode tooSmall = ErrorCode::Constraint;
    const Conversion cases[] = {
        {"null stays null", column(DataType::Long, 4), Value(), Value()},
        {"digits into a Long", column(DataType::Long, 4), Value::text(" 12 "), Value::integer(12)},
        {"a fraction rounds half to even", column(DataType::Long, 4), Value::real(2.5),
         Value::integer(2)},
        {"True is -1 in a number", column(DataType::Integer, 2), Value::boolean(true),
         Value::integer(-1)},
        {"words into a Long", column(DataType::Long, 4), Value::text("abc"), std::nullopt},
        {"256 into a Byte", column(DataType::Byte, 1), Value::integer(256), std::nullopt},
        {"a GUID into a Long", column(DataType::Long, 4), Value::guid(Guid{}), std::nullopt},
        {"a number into Text", textColumn(20), Value::real(1.5), Value::text("1.5")},
        {"text that fits", textColumn(10), Value::text("abcde"), Value::text("abcde")},
        {"text one character too long", textColumn(10), Value::text("abcdef"), std::nullopt,
         tooSmall},
        {"Jet 3 text counts bytes", textColumn(5), Value::text("abcdef"), std::nullopt, tooSmall,
         JetVersion::Jet3},
        {"Jet 3 text that fits", textColumn(6), Value::text("abcdef"), Value::text("abcdef"),
         ErrorCode::InvalidArgument, JetVersion::Jet3},
        {"a number into Memo", column(DataType::Memo, 0, false), Value::integer(5),
         Value::text("5")},
        {"yes", column(DataType::Boolean), Value::text("Yes"), Value::boolean(true)},
        {"true", column(DataType::Boolean), Value::text(" true "), Value::boolean(true)},
        {"off", column(DataType::Boolean), Value::text("off"), Value::boolean(false)},
        {"zero in text", column(DataType::Boolean), Value::text("0"), Value::boolean(false)},
        {"a nonzero number", column(DataType::Boolean), Value::integer(5), Value::boolean(true)},
        {"maybe", column(DataType::Boolean), Value::text("maybe"), std::nullopt},
        {"an ISO date", column(DataType::DateTime, 8), Value::text("2024-01-15"),
         Value::dateTime(45306)},
        {"a US date and time", column(DataType::DateTime, 8), Value::text("1/15/2024 6:00 PM"),
         Value::dateTime(45306.75)},
        {"not a date", column(DataType::DateTime, 8), Value::text("someday"), std::nullopt},
        {"currency from text", column(DataType::Currency, 8), Value::text("12.345"),
         Value::currency(123450)},
        {"currency rounds half to even", column(DataType::Currency, 8), Value::real(0.00125),
         Value::currency(12)},
        // Text is read in decimal: the largest Currency arrives exactly.
        {"largest currency from text", column(DataType::Currency, 8),
         Value::text("922337203685477.5807"), Value::currency(INT64_MAX)},
        {"currency text rounded to four places", column(DataType::Currency, 8),
         Value::text("0.00015"), Value::currency(2)},
        {"currency text with many digits", column(DataType::Currency, 8),
         Value::text("123456789012345.6789"), Value::currency(1234567890123456789)},
        {"a Single too large", column(DataType::Single, 4), Value::real(1e39), std::nullopt},
        {"a Double from an integer", column(DataType::Double, 8), Value::integer(3),
         Value::real(3)},
        {"a GUID from text", column(DataType::Guid, 16),
         Value::text("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"), std::nullopt},
        {"not a GUID", column(DataType::Guid, 16), Value::text("nope"), std::nullopt},
        {"decimal rounded to the scale", numericColumn(18, 4), Value::text("1.23456"),
         Value::decimal(decimal(false, 12346, 18, 4))},
        {"decimal padded to the scale", numericColumn(18, 4), Value::integer(-3),
         Value::decimal(decimal(true, 30000, 18, 4))},
        {"decimal past the precision", numericColumn(5, 2), Value::real(12345.6), std::nullopt},
        {"binary that fits", column(DataType::Binary, 4, false), Value::binary({1, 2, 3, 4}),
         Value::binary({1, 2, 3, 4})},
        {"binary too long", column(DataType::Binary, 4, false), Value::binary({1, 2, 3, 4, 5}),
         std::nullopt, tooSmall},
        {"text into binary keeps its UTF-16", column(DataType::LongBinary, 0, false),
         Value::text("A"), Value::binary({0x41, 0x00})},
        {"a date into an extended date", column(DataType::ExtDateTime, 42),
         Value::dateTime(45306.5), Value::extDateTime(ExtDateTime{693593 + 45306, 432000000000})},
        {"before 1899-12-30 the time still counts forward", column(DataType::ExtDateTime, 42),
         Value::dateTime(-1.25), Value::extDateTime(ExtDateTime{693592, 216000000000})},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.expected) {
            EXPECT_EQ(convertForColumn(c.input, c.column, c.version, 1252), *c.expected);
            continue;
        }
        // A GUID from text is checked by its text form below.
        if (c.column.type == DataType::Guid && c.input.as<std::string>()[0] == '{') {
            Value g = convertForColumn(c.input, c.column);
            EXPECT_EQ(g.as<Guid>().toString(), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
            continue;
        }
        try {
            convertForColumn(c.input, c.column, c.version, 1252);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), c.error) << e.what();
            // The message names the field that refused the value.
            EXPECT_NE(std::string(e.what()).find("Price"), std::string::npos) << e.what();
            if (c.error == ErrorCode::Constraint) {
                EXPECT_EQ(std::string(e.what()).rfind("The field is too small to accept", 0), 0u);
            }
        }
    }
}

TEST(ConvertForColumn, TypeMismatchUsesAccessWords) {
    try {
        convertForColumn(Value::text("abc"), column(DataType::Long, 4));
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Data type mismatch in criteria expression.", 0), 0u)
            << e.what();
    }
}

std::vector<uint8_t> bytesOf(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list) out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST(EncodeValue, StoredBytesOfEachType) {
    Guid g;
    for (size_t i = 0; i < 16; ++i) g.bytes[i] = static_cast<uint8_t>(i);
    ColumnDef fixedText = textColumn(8, true);
    fixedText.flags |= kColumnFixed;
    struct Case {
        const char* what;
        ColumnDef column;
        Value value;
        std::vector<uint8_t> bytes;
        JetVersion version = JetVersion::Jet4;
    } cases[] = {
        {"Byte", column(DataType::Byte, 1), Value::integer(200), bytesOf({0xC8})},
        {"Integer", column(DataType::Integer, 2), Value::integer(-2), bytesOf({0xFE, 0xFF})},
        {"Long", column(DataType::Long, 4), Value::integer(0x01020304), bytesOf({4, 3, 2, 1})},
        {"Currency", column(DataType::Currency, 8), Value::currency(-1),
         bytesOf({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"Single", column(DataType::Single, 4), Value::single(1.0f), bytesOf({0, 0, 0x80, 0x3F})},
        {"Double", column(DataType::Double, 8), Value::real(2.0),
         bytesOf({0, 0, 0, 0, 0, 0, 0, 0x40})},
        {"Date/Time", column(DataType::DateTime, 8), Value::dateTime(-0.5),
         bytesOf({0, 0, 0, 0, 0, 0, 0xE0, 0xBF})},
        {"GUID as stored", column(DataType::Guid, 16), Value::guid(g),
         bytesOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})},
        {"Decimal: sign, then the most significant word first", numericColumn(28, 2),
         Value::decimal(Decimal{true, 28, 2, {0x05060708, 0x01020304, 0, 0}}),
         bytesOf({0x80, 0, 0, 0, 0, 0, 0, 0, 0, 4, 3, 2, 1, 8, 7, 6, 5})},
        {"compressible text in a compressing column", textColumn(20, true), Value::text("abc"),
         bytesOf({0xFF, 0xFE, 'a', 'b', 'c'})},
        {"two characters stay plain", textColumn(20, true), Value::text("ab"),
         bytesOf({'a', 0, 'b', 0})},
        {"a character past 0xff keeps text plain", textColumn(20, true), Value::text("a€b"),
         bytesOf({'a', 0, 0xAC, 0x20, 'b', 0})},
        {"a column without the flag stays plain", textColumn(20), Value::text("abc"),
         bytesOf({'a', 0, 'b', 0, 'c', 0})},
        {"fixed text is plain and padded", fixedText, Value::text("abc"),
         bytesOf({'a', 0, 'b', 0, 'c', 0, 0, 0})},
        {"Jet 3 text in the code page", textColumn(10, true), Value::text("café"),
         bytesOf({'c', 'a', 'f', 0xE9}), JetVersion::Jet3},
        {"extended date and time", column(DataType::ExtDateTime, 42),
         Value::extDateTime(ExtDateTime{738900, 3723 * 10000000LL + 1234567}),
         [] {
             std::string s = "0000000000000738900:0000000037231234567:7";
             std::vector<uint8_t> b(s.begin(), s.end());
             b.push_back(0);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encodeValue(c.column, c.value, c.version, 1252), c.bytes) << c.what;
    }
}

TEST(EncodeValue, RefusesWhatIsNotPlainColumnBytes) {
    const std::pair<ColumnDef, Value> cases[] = {
        {column(DataType::Memo, 0, false), Value::text("long value")},
        {column(DataType::Boolean), Value::boolean(true)},
        {column(DataType::Long, 4), Value::text("12")},  // not converted
        {column(DataType::Binary, 2), Value::binary({1, 2, 3})},
    };
    for (const auto& [c, v] : cases) {
        EXPECT_THROW(encodeValue(c, v, JetVersion::Jet4, 1252), Error) << dataTypeName(c.type);
    }
}

}  // namespace
