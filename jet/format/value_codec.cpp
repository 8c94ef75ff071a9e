#include "jet/format/value_codec.h"

#include "jet/format/long_value.h"
#include "jet/format/text_codec.h"

namespace jet {
namespace {

Decimal decodeNumeric(Bytes b, const ColumnDef& c) {
    // A sign byte, then the unscaled magnitude as four 32-bit little-endian
    // words, most significant word first.
    Decimal d;
    d.negative = (readU8(b, 0, "a decimal value") & 0x80) != 0;
    d.precision = c.precision;
    d.scale = c.scale;
    for (int i = 0; i < 4; ++i) d.magnitude[3 - i] = readU32(b, 1 + 4 * i, "a decimal value");
    return d;
}

// A fixed run of ASCII digits as a number; anything else is damage.
int64_t asciiDigits(Bytes b, size_t offset, size_t count) {
    Bytes digits = subBytes(b, offset, count, "an extended date/time value");
    int64_t v = 0;
    for (uint8_t d : digits) {
        if (d < '0' || d > '9') throwCorrupt("an extended date/time value holds a non-digit");
        v = v * 10 + (d - '0');
    }
    return v;
}

ExtDateTime decodeExtDateTime(Bytes b) {
    // ASCII: 19 digits of days since 0001-01-01, ':', 12 digits of seconds
    // since midnight followed directly by 7 digits of 100 ns ticks, then a
    // fixed trailer.
    if (readU8(b, 19, "an extended date/time value") != ':') {
        throwCorrupt("an extended date/time value is malformed");
    }
    ExtDateTime e;
    e.days = asciiDigits(b, 0, 19);
    int64_t seconds = asciiDigits(b, 20, 12);
    if (e.days > 3652059 || seconds >= 86400)
        throwCorrupt("an extended date/time value is out of range");
    e.ticks = seconds * 10000000 + asciiDigits(b, 32, 7);
    return e;
}

}  // namespace

namespace {

void putDigits(std::vector<uint8_t>& out, int64_t value, size_t count) {
    size_t at = out.size();
    out.resize(at + count, '0');
    for (size_t i = count; i-- > 0; value /= 10)
        out[at + i] = static_cast<uint8_t>('0' + value % 10);
}

}  // namespace

std::vector<uint8_t> encodeExtDateTimeBytes(const ExtDateTime& e) {
    std::vector<uint8_t> out;
    out.reserve(42);
    putDigits(out, e.days, 19);
    out.push_back(':');
    putDigits(out, e.ticks / 10000000, 12);
    putDigits(out, e.ticks % 10000000, 7);
    out.push_back(':');
    out.push_back('7');
    out.push_back(0);
    return out;
}

std::string decodeText(Bytes stored, JetVersion v, uint16_t codePage) {
    return isJet3(v) ? decodeCodePageText(stored, codePage) : decodeUnicodeText(stored);
}

Value decodeValue(const ColumnDef& c, Bytes b, JetVersion v, uint16_t codePage, PageStore& pages) {
    switch (c.type) {
        case DataType::Boolean:
            return Value::boolean(true);  // callers pass the null-mask bit instead
        case DataType::Byte:
            return Value::integer(readU8(b, 0, "a Byte value"));
        case DataType::Integer:
            return Value::integer(readI16(b, 0, "an Integer value"));
        case DataType::Long:
            return Value::integer(readI32(b, 0, "a Long value"));
        case DataType::BigInt:
            return Value::integer(readI64(b, 0, "a BigInt value"));
        case DataType::Currency:
            return Value::currency(readI64(b, 0, "a Currency value"));
        case DataType::Single:
            return Value::single(readF32(b, 0, "a Single value"));
        case DataType::Double:
            return Value::real(readF64(b, 0, "a Double value"));
        case DataType::DateTime:
            return Value::dateTime(readF64(b, 0, "a Date/Time value"));
        case DataType::Guid: {
            Guid g;
            Bytes raw = subBytes(b, 0, 16, "a GUID value");
            std::copy(raw.begin(), raw.end(), g.bytes.begin());
            return Value::guid(g);
        }
        case DataType::Numeric:
            return Value::decimal(decodeNumeric(b, c));
        case DataType::Complex:
            return Value::integer(readI32(b, 0, "a complex column key"));
        case DataType::ExtDateTime:
            return Value::extDateTime(decodeExtDateTime(b));
        case DataType::Text:
            return Value::text(decodeText(b, v, codePage));
        case DataType::Binary:
            return Value::binary(Blob(b.begin(), b.end()));
        case DataType::Memo:
            return Value::text(decodeText(readLongValue(pages, v, b), v, codePage));
        case DataType::LongBinary:
            return Value::binary(readLongValue(pages, v, b));
    }
    return Value::binary(Blob(b.begin(), b.end()));
}

}  // namespace jet
