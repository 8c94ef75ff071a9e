#include "jet/format/value_encoder.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/format/value_codec.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_decimal.h"

namespace jet {
namespace {

const char* const kFieldTooSmall =
    "The field is too small to accept the amount of data you attempted to add. Try inserting or "
    "pasting less data.";
const char* const kTypeMismatch = "Data type mismatch in criteria expression.";

// Access compresses at most this many characters; longer text (Memo) is
// always stored as plain UTF-16.
constexpr size_t kMaxCompressedChars = 1024;

// Days from 0001-01-01 to Access's day 0, 1899-12-30.
constexpr int64_t kExtDaysToAccessEpoch = 693593;
constexpr int64_t kTicksPerDay = 864000000000;

const SqlLocale& insertLocale() {
    return englishUnitedStates();
}

std::string describe(const Value& v) {
    if (v.is<std::string>()) return "'" + v.as<std::string>() + "'";
    if (v.is<Blob>()) return "binary data";
    try {
        return toText(v, insertLocale());
    } catch (const Error&) {
        return "the value";
    }
}

[[noreturn]] void throwMismatch(const ColumnDef& c, const Value& v) {
    throw Error(ErrorCode::InvalidArgument, std::string(kTypeMismatch) + " The field '" + c.name +
                                                "' (" + dataTypeName(c.type) + ") cannot hold " +
                                                describe(v) + ".");
}

[[noreturn]] void throwTooSmall(const ColumnDef& c) {
    throw Error(ErrorCode::Constraint, std::string(kFieldTooSmall) + " (field '" + c.name + "')");
}

std::string trimmedLower(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    std::string out(s.substr(b, e - b + 1));
    for (char& ch : out) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return out;
}

bool toStoredBoolean(const Value& v, const ColumnDef& c) {
    if (v.is<bool>()) return v.as<bool>();
    if (v.is<std::string>()) {
        std::string s = trimmedLower(v.as<std::string>());
        if (s == "yes" || s == "true" || s == "on") return true;
        if (s == "no" || s == "false" || s == "off") return false;
        if (auto n = parseNumberText(s, insertLocale())) return *n != 0;
        throwMismatch(c, v);
    }
    if (v.is<Blob>() || v.is<Guid>() || v.is<ExtDateTime>()) throwMismatch(c, v);
    return toDouble(v, insertLocale()) != 0;
}

// Multiplies the magnitude (least significant word first) by 10; false on
// overflow past 96 bits, the most a Decimal holds.
bool timesTen(std::array<uint32_t, 4>& m) {
    uint64_t carry = 0;
    for (uint32_t& w : m) {
        uint64_t x = uint64_t{w} * 10 + carry;
        w = static_cast<uint32_t>(x);
        carry = x >> 32;
    }
    return carry == 0 && m[3] == 0;
}

size_t digitCount(std::array<uint32_t, 4> m) {
    size_t digits = 0;
    while (m[0] != 0 || m[1] != 0 || m[2] != 0 || m[3] != 0) {
        uint64_t rest = 0;
        for (int i = 3; i >= 0; --i) {
            uint64_t x = (rest << 32) | m[static_cast<size_t>(i)];
            m[static_cast<size_t>(i)] = static_cast<uint32_t>(x / 10);
            rest = x % 10;
        }
        ++digits;
    }
    return digits;
}

// The value at exactly the column's scale; more integer digits than the
// column's precision allows is an overflow.
Decimal toColumnDecimal(const Value& v, const ColumnDef& c) {
    Decimal d = decimalRound(toDecimal(v, insertLocale()), c.scale);
    while (d.scale < c.scale) {
        if (!timesTen(d.magnitude)) throw Error(ErrorCode::InvalidArgument, "Overflow");
        ++d.scale;
    }
    if (digitCount(d.magnitude) > c.precision) throw Error(ErrorCode::InvalidArgument, "Overflow");
    d.precision = c.precision;
    if (decimalIsZero(d)) d.negative = false;
    return d;
}

ExtDateTime toExtDateTime(const Value& v) {
    if (v.is<ExtDateTime>()) return v.as<ExtDateTime>();
    double days = toDateNumber(v, insertLocale());
    // Before day 0 the whole part counts down while the fraction still
    // counts the time of day forward.
    double whole = std::trunc(days);
    double fraction = std::fabs(days - whole);
    ExtDateTime e;
    e.days = kExtDaysToAccessEpoch + static_cast<int64_t>(whole);
    e.ticks = std::llround(fraction * static_cast<double>(kTicksPerDay));
    if (e.ticks >= kTicksPerDay) {
        e.ticks -= kTicksPerDay;
        ++e.days;
    }
    if (e.days < 0 || e.days > 3652058) throw Error(ErrorCode::InvalidArgument, "Overflow");
    return e;
}

Blob toStoredBinary(const Value& v, const ColumnDef& c) {
    if (v.is<Blob>()) return v.as<Blob>();
    if (v.is<Guid>()) {
        const auto& b = v.as<Guid>().bytes;
        return Blob(b.begin(), b.end());
    }
    if (v.is<std::string>()) {
        // Text put into a binary column keeps its UTF-16 bytes, as Access does.
        std::u16string units = utf8ToUtf16(v.as<std::string>());
        Blob out;
        out.reserve(units.size() * 2);
        for (char16_t u : units) {
            out.push_back(static_cast<uint8_t>(u));
            out.push_back(static_cast<uint8_t>(u >> 8));
        }
        return out;
    }
    throwMismatch(c, v);
}

// Bytes the text takes in a Text column: two a UTF-16 unit from Jet 4 on,
// code-page bytes in Jet 3 (one a character where the code page has none).
size_t storedTextLength(const std::string& text, JetVersion ver, uint16_t codePage) {
    if (!isJet3(ver)) return utf8ToUtf16(text).size() * 2;
    if (auto bytes = encodeCodePageText(text, codePage)) return bytes->size();
    return utf8ToCodePoints(text).size();
}

Value convertKnown(const Value& v, const ColumnDef& c, JetVersion ver, uint16_t codePage) {
    const SqlLocale& loc = insertLocale();
    switch (c.type) {
        case DataType::Boolean:
            return Value::boolean(toStoredBoolean(v, c));
        case DataType::Byte:
            return Value::integer(toWholeNumber(v, 0, 255, loc));
        case DataType::Integer:
            return Value::integer(toWholeNumber(v, INT16_MIN, INT16_MAX, loc));
        case DataType::Long:
        case DataType::Complex:
            return Value::integer(toWholeNumber(v, INT32_MIN, INT32_MAX, loc));
        case DataType::BigInt:
            return Value::integer(toWholeNumber(v, INT64_MIN, INT64_MAX, loc));
        case DataType::Currency:
            return Value::currency(toCurrencyUnits(v, loc));
        case DataType::Single: {
            if (v.is<float>()) return v;
            double d = toDouble(v, loc);
            if (std::isfinite(d) && std::fabs(d) > FLT_MAX) {
                throw Error(ErrorCode::InvalidArgument, "Overflow");
            }
            return Value::single(static_cast<float>(d));
        }
        case DataType::Double:
            return Value::real(toDouble(v, loc));
        case DataType::DateTime:
            if (v.is<Blob>() || v.is<Guid>()) throwMismatch(c, v);
            return Value::dateTime(toDateNumber(v, loc));
        case DataType::ExtDateTime:
            if (v.is<Blob>() || v.is<Guid>()) throwMismatch(c, v);
            return Value::extDateTime(toExtDateTime(v));
        case DataType::Guid:
            if (v.is<Guid>()) return v;
            if (v.is<std::string>()) {
                if (auto g = parseGuidText(v.as<std::string>())) return Value::guid(*g);
            }
            if (v.is<Blob>() && v.as<Blob>().size() == 16) {
                Guid g;
                std::memcpy(g.bytes.data(), v.as<Blob>().data(), 16);
                return Value::guid(g);
            }
            throwMismatch(c, v);
        case DataType::Numeric:
            return Value::decimal(toColumnDecimal(v, c));
        case DataType::Text:
        case DataType::Memo: {
            std::string text = v.is<std::string>() ? v.as<std::string>() : toText(v, loc);
            if (c.type == DataType::Text && storedTextLength(text, ver, codePage) > c.length) {
                throwTooSmall(c);
            }
            return Value::text(std::move(text));
        }
        case DataType::Binary:
        case DataType::LongBinary: {
            Blob b = toStoredBinary(v, c);
            if (c.type == DataType::Binary && b.size() > c.length) throwTooSmall(c);
            return Value::binary(std::move(b));
        }
    }
    // A type the engine has no name for keeps raw bytes.
    if (v.is<Blob>()) return v;
    throwMismatch(c, v);
}

void putLE(std::vector<uint8_t>& out, uint64_t v, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

template <typename T>
const T& expect(const Value& v, const ColumnDef& c) {
    if (!v.is<T>()) {
        throw Error(ErrorCode::InvalidArgument, "the value for the field '" + c.name + "' (" +
                                                    dataTypeName(c.type) +
                                                    ") was not converted for it");
    }
    return v.as<T>();
}

}  // namespace

Value convertForColumn(const Value& v, const ColumnDef& c) {
    return convertForColumn(v, c, JetVersion::Jet4, 0);
}

Value convertForColumn(const Value& v, const ColumnDef& c, JetVersion ver, uint16_t codePage) {
    if (v.isNull()) return v;
    try {
        return convertKnown(v, c, ver, codePage);
    } catch (const Error& e) {
        // The expression helpers report Access's bare words; a row insert
        // names the field that refused the value.
        if (e.code() != ErrorCode::InvalidArgument) throw;
        std::string message = e.what();
        if (message.find("'" + c.name + "'") != std::string::npos) throw;
        if (message == kTypeMismatch) throwMismatch(c, v);
        throw Error(ErrorCode::InvalidArgument,
                    message + ": the field '" + c.name + "' cannot hold " + describe(v) + ".");
    }
}

bool isCompressibleText(std::u16string_view text) {
    // Two characters or fewer would not get shorter behind the ff fe mark.
    if (text.size() <= 2 || text.size() > kMaxCompressedChars) return false;
    for (char16_t u : text) {
        if (u == 0 || u > 0xFF) return false;
    }
    return true;
}

std::vector<uint8_t> compressedTextBytes(std::u16string_view text) {
    std::vector<uint8_t> out{0xFF, 0xFE};
    out.reserve(text.size() + 2);
    for (char16_t u : text) out.push_back(static_cast<uint8_t>(u));
    return out;
}

std::vector<uint8_t> utf16TextBytes(std::u16string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() * 2);
    for (char16_t u : text) {
        out.push_back(static_cast<uint8_t>(u));
        out.push_back(static_cast<uint8_t>(u >> 8));
    }
    return out;
}

std::vector<uint8_t> encodeText(const ColumnDef& c, std::string_view utf8, JetVersion ver,
                                uint16_t codePage) {
    if (isJet3(ver)) {
        auto bytes = encodeCodePageText(utf8, codePage);
        if (!bytes) {
            throw Error(ErrorCode::InvalidArgument,
                        "the text for the field '" + c.name +
                            "' has characters the database's code page cannot store");
        }
        return *bytes;
    }
    std::u16string units = utf8ToUtf16(utf8);
    bool compress = c.compressedUnicode && !c.isFixed() && isCompressibleText(units);
    return compress ? compressedTextBytes(units) : utf16TextBytes(units);
}

std::vector<uint8_t> encodeValue(const ColumnDef& c, const Value& v, JetVersion ver,
                                 uint16_t codePage) {
    std::vector<uint8_t> out;
    bool knownType = true;
    switch (c.type) {
        case DataType::Byte:
            putLE(out, static_cast<uint64_t>(expect<int64_t>(v, c)), 1);
            break;
        case DataType::Integer:
            putLE(out, static_cast<uint64_t>(expect<int64_t>(v, c)), 2);
            break;
        case DataType::Long:
        case DataType::Complex:
            putLE(out, static_cast<uint64_t>(expect<int64_t>(v, c)), 4);
            break;
        case DataType::BigInt:
            putLE(out, static_cast<uint64_t>(expect<int64_t>(v, c)), 8);
            break;
        case DataType::Currency:
            putLE(out, static_cast<uint64_t>(expect<CurrencyValue>(v, c).tenThousandths), 8);
            break;
        case DataType::Single: {
            uint32_t bits;
            float f = expect<float>(v, c);
            std::memcpy(&bits, &f, sizeof bits);
            putLE(out, bits, 4);
            break;
        }
        case DataType::Double:
        case DataType::DateTime: {
            double d = c.type == DataType::Double ? expect<double>(v, c)
                                                  : expect<DateTimeValue>(v, c).days;
            uint64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            putLE(out, bits, 8);
            break;
        }
        case DataType::Guid: {
            const auto& b = expect<Guid>(v, c).bytes;
            out.assign(b.begin(), b.end());
            break;
        }
        case DataType::Numeric: {
            const Decimal& d = expect<Decimal>(v, c);
            out.push_back(d.negative ? 0x80 : 0x00);
            for (int i = 3; i >= 0; --i) putLE(out, d.magnitude[static_cast<size_t>(i)], 4);
            break;
        }
        case DataType::ExtDateTime:
            out = encodeExtDateTimeBytes(expect<ExtDateTime>(v, c));
            break;
        case DataType::Text:
            if (c.isFixed() && !isJet3(ver)) {
                // A fixed text column holds plain UTF-16, never compressed.
                out = utf16TextBytes(utf8ToUtf16(expect<std::string>(v, c)));
            } else {
                out = encodeText(c, expect<std::string>(v, c), ver, codePage);
            }
            break;
        case DataType::Binary:
            out = expect<Blob>(v, c);
            break;
        case DataType::Boolean:
        case DataType::Memo:
        case DataType::LongBinary:
            throw Error(ErrorCode::InvalidArgument, "the field '" + c.name + "' (" +
                                                        dataTypeName(c.type) +
                                                        ") is not stored as plain column bytes");
        default:
            knownType = false;
            break;
    }
    if (!knownType) {
        // A type byte the engine has no name for (MSysAccessObjects' Data
        // column has type 11, 3992 fixed bytes): the reader gives its bytes
        // as they are, and they go back as they are.
        out = expect<Blob>(v, c);
    }
    if (c.isFixed()) {
        // A fixed column always fills its slot; shorter text is padded with
        // zeros, longer bytes cannot be stored.
        if (out.size() > c.length) throwTooSmall(c);
        out.resize(c.length, 0);
    }
    return out;
}

}  // namespace jet
