#include "jet/format/index_key.h"

#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/format/value_codec.h"

namespace jet {
namespace {

constexpr uint8_t kAscendingValue = 0x7f;
constexpr uint8_t kAscendingNull = 0x00;
constexpr uint8_t kDescendingValue = 0x80;
constexpr uint8_t kDescendingNull = 0xff;

constexpr uint8_t kBooleanTrue = 0x00;  // ascending: true sorts before false
constexpr uint8_t kBooleanFalse = 0xff;

constexpr size_t kBinarySegment = 8;
constexpr uint8_t kBinaryMoreFollows = 9;

[[noreturn]] void throwMismatch(DataType type) {
    throw Error(ErrorCode::InvalidArgument,
                "The value does not fit an index on a " + dataTypeName(type) + " column");
}

template <typename T>
const T& expect(const Value& v, DataType type) {
    if (!v.is<T>()) throwMismatch(type);
    return v.as<T>();
}

void invertRange(std::vector<uint8_t>& out, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) out[i] = static_cast<uint8_t>(~out[i]);
}

void appendBigEndian(std::vector<uint8_t>& out, uint64_t bits, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

// Two's complement with the sign bit flipped sorts like the number.
void appendSignedInteger(std::vector<uint8_t>& out, int64_t value, int width, bool ascending) {
    const size_t start = out.size();
    appendBigEndian(out, static_cast<uint64_t>(value), width);
    out[start] ^= 0x80;
    if (!ascending) invertRange(out, start, out.size());
}

int64_t checkedInteger(const Value& v, DataType type, int64_t min, int64_t max) {
    int64_t i = expect<int64_t>(v, type);
    if (i < min || i > max) {
        throw Error(ErrorCode::InvalidArgument,
                    std::to_string(i) + " is out of range for a " + dataTypeName(type) + " column");
    }
    return i;
}

// IEEE bits: positive numbers need their sign bit set, negative ones all
// bits inverted, to sort like the numbers.
void appendFloatBits(std::vector<uint8_t>& out, uint64_t bits, int width, bool ascending) {
    const size_t start = out.size();
    appendBigEndian(out, bits, width);
    const bool negative = (out[start] & 0x80) != 0;
    if (!negative) out[start] ^= 0x80;
    if (negative == ascending) invertRange(out, start, out.size());
}

void appendSingle(std::vector<uint8_t>& out, float f, bool ascending) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    appendFloatBits(out, bits, 4, ascending);
}

void appendDouble(std::vector<uint8_t>& out, double d, bool ascending) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    appendFloatBits(out, bits, 8, ascending);
}

// Binary data in 8-byte segments, each followed by a byte saying how many of
// its bytes are used, or 9 when another segment follows. The last segment is
// zero-padded. Descending keys invert everything except the 9 markers.
void appendSegmented(std::vector<uint8_t>& out, const uint8_t* data, size_t size, bool ascending) {
    size_t pos = 0;
    while (size - pos > kBinarySegment) {
        const size_t start = out.size();
        out.insert(out.end(), data + pos, data + pos + kBinarySegment);
        if (!ascending) invertRange(out, start, out.size());
        out.push_back(kBinaryMoreFollows);
        pos += kBinarySegment;
    }
    if (pos < size) {
        const size_t start = out.size();
        const size_t used = size - pos;
        out.insert(out.end(), data + pos, data + size);
        out.insert(out.end(), kBinarySegment - used, 0);
        out.push_back(static_cast<uint8_t>(used));
        if (!ascending) invertRange(out, start, out.size());
    }
}

// Decimal: a sign byte, then the 16-byte unscaled magnitude big-endian.
void appendNumeric(std::vector<uint8_t>& out, const Decimal& d, bool ascending,
                   NumericKeyForm form) {
    bool nonZero = false;
    for (uint32_t word : d.magnitude) nonZero = nonZero || word != 0;
    const bool negative = d.negative && nonZero;

    const size_t start = out.size();
    out.push_back(0);
    for (int w = 3; w >= 0; --w) appendBigEndian(out, d.magnitude[static_cast<size_t>(w)], 4);
    if (form == NumericKeyForm::Ace) {
        out[start] = 0xff;
        if (negative == ascending) invertRange(out, start, out.size());
    } else {
        if (negative == ascending) invertRange(out, start, out.size());
        out[start] = negative ? 0x00 : 0xff;
    }
}

// GUIDs are keyed in their written form ({Data1-Data2-Data3-...}), i.e. with
// the first three fields big-endian rather than as stored.
std::array<uint8_t, 16> guidKeyBytes(const Guid& g) {
    std::array<uint8_t, 16> b = g.bytes;
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
    std::swap(b[4], b[5]);
    std::swap(b[6], b[7]);
    return b;
}

}  // namespace

void appendIndexKey(std::vector<uint8_t>& out, const Value& v, DataType type, bool ascending,
                    SortOrderKind textOrder, NumericKeyForm numericForm) {
    if (type == DataType::Boolean) {
        // Booleans live in the null mask and are never null in an index.
        const bool value = !v.isNull() && expect<bool>(v, type);
        out.push_back(ascending ? kAscendingValue : kDescendingValue);
        out.push_back((value == ascending) ? kBooleanTrue : kBooleanFalse);
        return;
    }
    switch (type) {
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::BigInt:
        case DataType::Currency:
        case DataType::Single:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::Text:
        case DataType::Memo:
        case DataType::Binary:
        case DataType::Guid:
        case DataType::Numeric:
        case DataType::ExtDateTime:
            break;
        default:
            throw Error(ErrorCode::Unsupported,
                        "Index keys on " + dataTypeName(type) + " columns are not supported");
    }
    if (v.isNull()) {
        out.push_back(ascending ? kAscendingNull : kDescendingNull);
        return;
    }
    out.push_back(ascending ? kAscendingValue : kDescendingValue);

    switch (type) {
        case DataType::Byte: {
            auto b = static_cast<uint8_t>(checkedInteger(v, type, 0, 255));
            out.push_back(ascending ? b : static_cast<uint8_t>(~b));
            return;
        }
        case DataType::Integer:
            appendSignedInteger(out, checkedInteger(v, type, -32768, 32767), 2, ascending);
            return;
        case DataType::Long:
            appendSignedInteger(out,
                                checkedInteger(v, type, std::numeric_limits<int32_t>::min(),
                                               std::numeric_limits<int32_t>::max()),
                                4, ascending);
            return;
        case DataType::BigInt:
            appendSignedInteger(out, expect<int64_t>(v, type), 8, ascending);
            return;
        case DataType::Currency:
            appendSignedInteger(out, expect<CurrencyValue>(v, type).tenThousandths, 8, ascending);
            return;
        case DataType::Single:
            appendSingle(out, expect<float>(v, type), ascending);
            return;
        case DataType::Double:
            appendDouble(out, expect<double>(v, type), ascending);
            return;
        case DataType::DateTime:
            appendDouble(out, expect<DateTimeValue>(v, type).days, ascending);
            return;
        case DataType::Text:
        case DataType::Memo:
            appendTextKey(out, utf8ToUtf16(expect<std::string>(v, type)), textOrder, ascending);
            return;
        case DataType::Binary: {
            const Blob& b = expect<Blob>(v, type);
            appendSegmented(out, b.data(), b.size(), ascending);
            return;
        }
        case DataType::Guid: {
            const auto bytes = guidKeyBytes(expect<Guid>(v, type));
            appendSegmented(out, bytes.data(), bytes.size(), ascending);
            return;
        }
        case DataType::Numeric:
            appendNumeric(out, expect<Decimal>(v, type), ascending, numericForm);
            return;
        case DataType::ExtDateTime: {
            // The stored digits, which order as the dates do, laid out as
            // binary data (seen in the indexes of an Access 2019 file).
            const std::vector<uint8_t> bytes = encodeExtDateTimeBytes(expect<ExtDateTime>(v, type));
            appendSegmented(out, bytes.data(), bytes.size(), ascending);
            return;
        }
        default:
            return;  // rejected above
    }
}

bool indexKeyAccepts(const Value& v, DataType type) {
    auto integerIn = [&](int64_t min, int64_t max) {
        return v.is<int64_t>() && v.as<int64_t>() >= min && v.as<int64_t>() <= max;
    };
    if (type == DataType::Boolean) return v.isNull() || v.is<bool>();
    switch (type) {
        case DataType::Byte:
            return v.isNull() || integerIn(0, 255);
        case DataType::Integer:
            return v.isNull() || integerIn(-32768, 32767);
        case DataType::Long:
            return v.isNull() || integerIn(std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max());
        case DataType::BigInt:
            return v.isNull() || v.is<int64_t>();
        case DataType::Currency:
            return v.isNull() || v.is<CurrencyValue>();
        case DataType::Single:
            return v.isNull() || v.is<float>();
        case DataType::Double:
            return v.isNull() || v.is<double>();
        case DataType::DateTime:
            return v.isNull() || v.is<DateTimeValue>();
        case DataType::Text:
        case DataType::Memo:
            return v.isNull() || v.is<std::string>();
        case DataType::Binary:
            return v.isNull() || v.is<Blob>();
        case DataType::Guid:
            return v.isNull() || v.is<Guid>();
        case DataType::Numeric:
            return v.isNull() || v.is<Decimal>();
        case DataType::ExtDateTime:
            return v.isNull() || v.is<ExtDateTime>();
        default:
            return false;
    }
}

}  // namespace jet
