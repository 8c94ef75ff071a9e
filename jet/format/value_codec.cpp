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

ExtDateTime decodeExtDateTime(Bytes b) {
    // ASCII digits: days since 0001-01-01 (19), ':' , seconds of the day
    // (12 digits holding ticks?), ':' , and a time-zone/offset part. Only the
    // leading two fields matter for the value.
    std::string s(b.begin(), b.end());
    ExtDateTime e;
    size_t colon = s.find(':');
    if (colon == std::string::npos) throwCorrupt("an extended date/time value is malformed");
    try {
        e.days = std::stoll(s.substr(0, colon));
        size_t colon2 = s.find(':', colon + 1);
        std::string secs = s.substr(colon + 1, colon2 == std::string::npos ? std::string::npos
                                                                          : colon2 - colon - 1);
        // Seconds with seven fraction digits, stored without the point.
        e.ticks = std::stoll(secs);
    } catch (const std::exception&) {
        throwCorrupt("an extended date/time value is malformed");
    }
    return e;
}

}  // namespace

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
