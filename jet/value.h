// One cell of a table or result: null or a typed value. Text is UTF-8 at the
// API; dates are Access's double (days since 1899-12-30, the fraction is the
// time of day); Currency is an integer count of ten-thousandths.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace jet {

// Column data types as stored in a table definition (the type byte).
enum class DataType : uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    LongBinary = 0x0B,  // OLE object
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,  // Decimal
    Complex = 0x12,  // attachments, multi-value and version-history columns
    BigInt = 0x13,
    ExtDateTime = 0x14,
};

// A name for display and tools ("Text", "Long", "Memo", ...).
std::string dataTypeName(DataType t);
// The type dataTypeName gives `name` for, without regard to case; nothing
// for any other name.
std::optional<DataType> dataTypeFromName(std::string_view name);
// Numbers and dates: the types whose index keys order exactly as their
// values compare (text keys follow a sort order, not the comparison).
inline bool isNumberOrDateType(DataType t) {
    switch (t) {
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::Currency:
        case DataType::Single:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::BigInt:
            return true;
        default:
            return false;
    }
}

// Bytes of a value of a fixed-size type as a column's length counts them (a
// Boolean counts 1, though its value lives in the row's null mask); 0 for
// Text, Memo, binary data, Decimal and the complex and extended-date types.
inline uint16_t fixedValueSize(DataType t) {
    switch (t) {
        case DataType::Boolean:
        case DataType::Byte:
            return 1;
        case DataType::Integer:
            return 2;
        case DataType::Long:
        case DataType::Single:
            return 4;
        case DataType::Currency:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::BigInt:
            return 8;
        case DataType::Guid:
            return 16;
        default:
            return 0;
    }
}

// Text and Memo: the types keyed and compared through a sort order.
inline bool isTextType(DataType t) {
    return t == DataType::Text || t == DataType::Memo;
}

// True for types whose stored bytes are a long-value reference (Memo, OLE).
inline bool isLongValueType(DataType t) {
    return t == DataType::Memo || t == DataType::LongBinary;
}

struct Decimal {
    bool negative = false;
    uint8_t precision = 18;
    uint8_t scale = 0;
    // The unscaled magnitude, least significant 32-bit word first.
    std::array<uint32_t, 4> magnitude{};

    // Plain decimal text, "-123.4500" with exactly `scale` fraction digits.
    std::string toString() const;
    bool operator==(const Decimal&) const = default;
};

struct Guid {
    std::array<uint8_t, 16> bytes{};  // as stored: Data1..3 little-endian
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
    std::string toString() const;
    bool operator==(const Guid&) const = default;
};

// The date and time of an extended Date/Time column: a proleptic Gregorian
// date from year 1 to 9999 and a time with 100 ns resolution.
struct ExtDateTime {
    int64_t days = 0;              // days since 0001-01-01
    int64_t ticks = 0;             // 100 ns ticks since midnight
    std::string toString() const;  // "YYYY-MM-DD HH:MM:SS.fffffff"
    bool operator==(const ExtDateTime&) const = default;
};

struct CurrencyValue {
    int64_t tenThousandths = 0;
    bool operator==(const CurrencyValue&) const = default;
};

struct DateTimeValue {
    double days = 0;  // days since 1899-12-30
    bool operator==(const DateTimeValue&) const = default;
};

using Blob = std::vector<uint8_t>;

// The value of an expression that could not be computed for one row (a
// text added to a number, a division by zero): Access shows "#Error" in
// that cell and goes on with the query. It counts as Null wherever values
// are compared, aggregated or tested.
struct ErrorValue {
    std::string toString() const { return "#Error"; }
    bool operator==(const ErrorValue&) const = default;
};

class Value {
public:
    using Storage =
        std::variant<std::monostate, bool, int64_t, float, double, CurrencyValue, Decimal,
                     DateTimeValue, std::string, Blob, Guid, ExtDateTime, ErrorValue>;

    Value() = default;
    static Value null() { return Value(); }
    static Value boolean(bool b) { return Value(Storage(b)); }
    static Value integer(int64_t i) { return Value(Storage(i)); }
    static Value single(float f) { return Value(Storage(f)); }
    static Value real(double d) { return Value(Storage(d)); }
    static Value currency(int64_t tenThousandths) {
        return Value(Storage(CurrencyValue{tenThousandths}));
    }
    static Value decimal(const Decimal& d) { return Value(Storage(d)); }
    static Value dateTime(double days) { return Value(Storage(DateTimeValue{days})); }
    static Value text(std::string s) { return Value(Storage(std::move(s))); }
    static Value binary(Blob b) { return Value(Storage(std::move(b))); }
    static Value guid(const Guid& g) { return Value(Storage(g)); }
    static Value extDateTime(const ExtDateTime& e) { return Value(Storage(e)); }
    static Value error() { return Value(Storage(ErrorValue{})); }

    // True for Null and for an error value, which behaves as Null.
    bool isNull() const {
        return std::holds_alternative<std::monostate>(v_) || std::holds_alternative<ErrorValue>(v_);
    }
    bool isError() const { return std::holds_alternative<ErrorValue>(v_); }
    template <typename T>
    bool is() const {
        return std::holds_alternative<T>(v_);
    }
    template <typename T>
    const T& as() const {
        return std::get<T>(v_);
    }
    const Storage& storage() const { return v_; }

    bool operator==(const Value&) const = default;

private:
    explicit Value(Storage v) : v_(std::move(v)) {}
    Storage v_;
};

// Formats a date as "YYYY-MM-DD HH:MM:SS" (Access's day count, rounded to the
// second the way Access displays it).
std::string formatDateTime(double days);
// Shortest decimal text that reads back to exactly the same double / float.
std::string formatDouble(double d);
std::string formatSingle(float f);
// "12.3400" — Currency with its four decimals.
std::string formatCurrency(int64_t tenThousandths);
// Upper-case hex, no separators.
std::string hexString(const Blob& b);

}  // namespace jet
