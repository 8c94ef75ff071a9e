#include "jet/write/table_writer_calculated.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/format/calculated_value.h"
#include "jet/format/value_encoder.h"

namespace jet {
namespace {

constexpr uint16_t kAnyLength = 0xFFFF;
constexpr size_t kDecimalMagnitudeBytes = 16;

// The scale and sign, then the magnitude as two 8-byte little-endian words,
// the more significant first.
Blob decimalBytes(const Decimal& d) {
    Blob out;
    const uint16_t length = 2 + kDecimalMagnitudeBytes;
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(d.scale);
    out.push_back(d.negative ? 1 : 0);
    for (int word : {3, 1}) {
        const uint64_t w = (uint64_t{d.magnitude[word]} << 32) | d.magnitude[word - 1];
        for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
    }
    return out;
}

Blob resultBytes(const ColumnDef& c, const Value& v, JetVersion ver, uint16_t codePage) {
    switch (c.type) {
        case DataType::Boolean:
            return Blob{static_cast<uint8_t>(v.is<bool>() && v.as<bool>() ? 0xFF : 0x00)};
        case DataType::Text:
        case DataType::Memo: {
            ColumnDef text = c;
            text.type = DataType::Text;
            if (!v.is<std::string>())
                throw Error(ErrorCode::InvalidArgument,
                            "the result for the calculated field '" + c.name + "' is not text");
            return encodeText(text, v.as<std::string>(), ver, codePage);
        }
        case DataType::Numeric:
            if (!v.is<Decimal>())
                throw Error(ErrorCode::InvalidArgument, "the result for the calculated field '" +
                                                            c.name + "' is not a decimal");
            return decimalBytes(v.as<Decimal>());
        default:
            break;
    }
    // The other results are fixed-size numbers, dates and GUIDs (Booleans
    // are written above).
    const uint16_t length = fixedValueSize(c.type);
    if (length == 0)
        throw Error(ErrorCode::Unsupported, "the calculated field '" + c.name +
                                                "' has result type " + dataTypeName(c.type) +
                                                ", which Access does not offer");
    ColumnDef fixed = c;
    fixed.length = length;
    fixed.flags = static_cast<uint8_t>(fixed.flags | kColumnFixed);
    return encodeValue(fixed, v, ver, codePage);
}

}  // namespace

ColumnDef calculatedStorageColumn(const ColumnDef& c) {
    if (!c.calculated) return c;
    ColumnDef stored = c;
    stored.type = c.type == DataType::Memo ? DataType::LongBinary : DataType::Binary;
    stored.length = c.type == DataType::Memo ? 0 : kAnyLength;
    stored.flags = static_cast<uint8_t>(stored.flags & ~kColumnFixed);
    return stored;
}

Blob wrapCalculatedValue(const ColumnDef& c, const Value& v, JetVersion ver, uint16_t codePage) {
    const Blob value = resultBytes(c, v, ver, codePage);
    // Header (with the result's length at 16), the result, then the zero
    // bytes Access leaves after it; sized once, so the copy stays in bounds.
    Blob out(kCalculatedExtraBytes + value.size(), 0);
    const auto length = static_cast<uint32_t>(value.size());
    for (int i = 0; i < 4; ++i) out[16 + i] = static_cast<uint8_t>(length >> (8 * i));
    std::copy(value.begin(), value.end(), out.begin() + kCalculatedHeaderSize);
    return out;
}

}  // namespace jet
