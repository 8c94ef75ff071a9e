#include "jet/value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "jet/calendar.h"

namespace jet {

std::string dataTypeName(DataType t) {
    switch (t) {
        case DataType::Boolean:
            return "Boolean";
        case DataType::Byte:
            return "Byte";
        case DataType::Integer:
            return "Integer";
        case DataType::Long:
            return "Long";
        case DataType::Currency:
            return "Currency";
        case DataType::Single:
            return "Single";
        case DataType::Double:
            return "Double";
        case DataType::DateTime:
            return "DateTime";
        case DataType::Binary:
            return "Binary";
        case DataType::Text:
            return "Text";
        case DataType::LongBinary:
            return "LongBinary";
        case DataType::Memo:
            return "Memo";
        case DataType::Guid:
            return "GUID";
        case DataType::Numeric:
            return "Decimal";
        case DataType::Complex:
            return "Complex";
        case DataType::BigInt:
            return "BigInt";
        case DataType::ExtDateTime:
            return "DateTimeExtended";
    }
    return "Unknown";
}

std::optional<DataType> dataTypeFromName(std::string_view name) {
    static constexpr DataType kAll[] = {
        DataType::Boolean,     DataType::Byte,    DataType::Integer,    DataType::Long,
        DataType::Currency,    DataType::Single,  DataType::Double,     DataType::DateTime,
        DataType::Binary,      DataType::Text,    DataType::LongBinary, DataType::Memo,
        DataType::Guid,        DataType::Numeric, DataType::Complex,    DataType::BigInt,
        DataType::ExtDateTime,
    };
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (DataType t : kAll) {
        const std::string known = dataTypeName(t);
        if (known.size() == name.size() &&
            std::equal(known.begin(), known.end(), name.begin(),
                       [&](char a, char b) { return lower(a) == lower(b); }))
            return t;
    }
    return std::nullopt;
}

std::string Decimal::toString() const {
    // Long division of the 128-bit magnitude by ten, one digit at a time.
    std::array<uint32_t, 4> m = magnitude;
    std::string digits;
    auto isZero = [&] { return m[0] == 0 && m[1] == 0 && m[2] == 0 && m[3] == 0; };
    while (!isZero()) {
        uint64_t rem = 0;
        for (int i = 3; i >= 0; --i) {
            uint64_t cur = (rem << 32) | m[i];
            m[i] = static_cast<uint32_t>(cur / 10);
            rem = cur % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + rem));
    }
    while (digits.size() <= scale) digits.insert(digits.begin(), '0');
    if (scale > 0) digits.insert(digits.end() - scale, '.');
    bool zero = digits.find_first_not_of("0.") == std::string::npos;
    return (negative && !zero ? "-" : "") + digits;
}

std::string Guid::toString() const {
    char buf[40];
    const auto& b = bytes;
    std::snprintf(buf, sizeof buf,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return buf;
}

namespace {

// 0001-01-01, where extended dates count from, as an Access day number.
constexpr int64_t kDay1FromDayZero = -693593;

}  // namespace

std::string ExtDateTime::toString() const {
    int y, mo, d;
    civilFromDayNumber(days + kDay1FromDayZero, y, mo, d);
    int64_t secs = ticks / 10000000, frac = ticks % 10000000;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02lld:%02lld:%02lld.%07lld", y, mo, d,
                  static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60), static_cast<long long>(frac));
    return buf;
}

std::string formatDateTime(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3e6) return "#invalid date#";
    // Access stores times before 1899-12-30 as a negative day with a positive
    // fraction: -1.25 is 1899-12-29 06:00. Take the whole days toward zero and
    // the time from the absolute fraction.
    double whole = std::trunc(days);
    double frac = std::fabs(days - whole);
    int64_t secs = std::llround(frac * 86400.0);
    int64_t dayCount = static_cast<int64_t>(whole);
    // A time that rounds up to midnight belongs to the next day, whichever
    // side of day 0 the date lies: the day after day -48 is day -47.
    if (secs >= 86400) {
        secs -= 86400;
        dayCount += 1;
    }
    int y, m, d;
    civilFromDayNumber(dayCount, y, m, d);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02lld:%02lld:%02lld", y, m, d,
                  static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60));
    return buf;
}

std::string formatDouble(double d) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::string formatSingle(float f) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, f);
    return std::string(buf, r.ptr);
}

std::string formatCurrency(int64_t t) {
    uint64_t mag = t < 0 ? 0 - static_cast<uint64_t>(t) : static_cast<uint64_t>(t);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", t < 0 ? "-" : "",
                  static_cast<unsigned long long>(mag / 10000),
                  static_cast<unsigned long long>(mag % 10000));
    return buf;
}

std::string hexString(const Blob& b) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(b.size() * 2);
    for (uint8_t c : b) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 15]);
    }
    return s;
}

}  // namespace jet
