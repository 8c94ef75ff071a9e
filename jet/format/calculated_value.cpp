#include "jet/format/calculated_value.h"

#include <vector>

#include "jet/format/long_value.h"
#include "jet/format/property_blob.h"
#include "jet/format/value_codec.h"

namespace jet {
namespace {

// Access's own limit on the scale of a Decimal.
constexpr uint8_t kMaxDecimalScale = 28;
constexpr size_t kMaxDecimalMagnitudeBytes = 16;

// Types Access offers as the result of a calculated column.
std::optional<DataType> resultTypeFromCode(int64_t code) {
    if (code < 0 || code > 0xFF) return std::nullopt;
    switch (static_cast<DataType>(code)) {
        case DataType::Boolean:
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::Currency:
        case DataType::Single:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::Text:
        case DataType::Memo:
        case DataType::Guid:
        case DataType::Numeric:
        case DataType::BigInt:
            return static_cast<DataType>(code);
        default:
            return std::nullopt;
    }
}

}  // namespace

Bytes unwrapCalculatedBytes(Bytes stored) {
    if (stored.size() < kCalculatedHeaderSize) {
        throwCorrupt("a calculated value is shorter than its 20-byte header");
    }
    uint32_t length = readU32(stored, 16, "the length of a calculated value");
    if (length > stored.size() - kCalculatedHeaderSize) {
        throwCorrupt("a calculated value claims " + std::to_string(length) + " bytes but holds " +
                     std::to_string(stored.size() - kCalculatedHeaderSize));
    }
    return stored.subspan(kCalculatedHeaderSize, length);
}

Decimal decodeCalculatedDecimal(Bytes value) {
    int16_t declared = readI16(value, 0, "the length of a calculated decimal");
    uint8_t scale = readU8(value, 2, "the scale of a calculated decimal");
    bool negative = readU8(value, 3, "the sign of a calculated decimal") != 0;
    if (scale > kMaxDecimalScale) {
        throwCorrupt("a calculated decimal has scale " + std::to_string(scale) +
                     " (at most 28 is possible)");
    }
    // The declared length counts the scale and sign bytes; the magnitude is
    // whole 32-bit words, of which there are at most four.
    size_t available = value.size() - 2;
    size_t counted = declared > 0 ? static_cast<size_t>(declared) : available;
    size_t magnitudeBytes = counted >= 2 ? (counted - 2) / 4 * 4 : 0;
    if (magnitudeBytes > kMaxDecimalMagnitudeBytes) magnitudeBytes = kMaxDecimalMagnitudeBytes;
    Bytes magnitude = subBytes(value, 4, magnitudeBytes, "the digits of a calculated decimal");

    // Most significant word first: a lone 4-byte word, then 8-byte words.
    std::vector<uint32_t> words;
    size_t pos = 0;
    if (magnitudeBytes % 8 != 0) {
        words.push_back(readU32(magnitude, 0));
        pos = 4;
    }
    for (; pos < magnitudeBytes; pos += 8) {
        uint64_t w = readU64(magnitude, pos);
        words.push_back(static_cast<uint32_t>(w >> 32));
        words.push_back(static_cast<uint32_t>(w));
    }

    Decimal d;
    d.negative = negative;
    d.precision = kCalculatedDecimalPrecision;
    d.scale = scale;
    for (size_t i = 0; i < words.size(); ++i) d.magnitude[i] = words[words.size() - 1 - i];
    return d;
}

Value decodeCalculatedValue(const ColumnDef& c, Bytes stored, JetVersion v, uint16_t codePage,
                            PageStore& pages) {
    switch (c.type) {
        case DataType::Memo: {
            Blob content = readLongValue(pages, v, stored);
            return Value::text(decodeText(unwrapCalculatedBytes(content), v, codePage));
        }
        case DataType::LongBinary: {
            Blob content = readLongValue(pages, v, stored);
            Bytes inner = unwrapCalculatedBytes(content);
            return Value::binary(Blob(inner.begin(), inner.end()));
        }
        case DataType::Text:
            return Value::text(decodeText(unwrapCalculatedBytes(stored), v, codePage));
        case DataType::Binary: {
            Bytes inner = unwrapCalculatedBytes(stored);
            return Value::binary(Blob(inner.begin(), inner.end()));
        }
        case DataType::Boolean: {
            Bytes inner = unwrapCalculatedBytes(stored);
            return Value::boolean(!inner.empty() && inner[0] != 0);
        }
        case DataType::Numeric: {
            Bytes inner = unwrapCalculatedBytes(stored);
            if (inner.empty()) return Value::null();
            return Value::decimal(decodeCalculatedDecimal(inner));
        }
        default: {
            Bytes inner = unwrapCalculatedBytes(stored);
            if (inner.empty()) return Value::null();
            return decodeValue(c, inner, v, codePage, pages);
        }
    }
}

CalculatedColumnProperties calculatedColumnProperties(const PropertyBlob& tableProperties,
                                                      std::string_view columnName) {
    CalculatedColumnProperties out;
    const PropertyMap* map = tableProperties.forObject(columnName);
    if (!map) return out;
    if (const Property* p = map->find("ResultType"); p && p->value.is<int64_t>()) {
        out.resultType = resultTypeFromCode(p->value.as<int64_t>());
    }
    if (const Property* p = map->find("Expression"); p && p->value.is<std::string>()) {
        out.expression = p->value.as<std::string>();
    }
    return out;
}

void applyCalculatedResultTypes(TableDef& def, const PropertyBlob& tableProperties) {
    for (ColumnDef& c : def.columns) {
        if (!c.calculated) continue;
        std::optional<DataType> type =
            calculatedColumnProperties(tableProperties, c.name).resultType;
        if (!type) continue;
        c.type = *type;
        if (c.type == DataType::Numeric) {
            c.precision = kCalculatedDecimalPrecision;
            c.scale = 0;
        }
    }
}

}  // namespace jet
