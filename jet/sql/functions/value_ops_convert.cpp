#include "jet/sql/functions/value_ops_convert.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_decimal.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::optional<double> parseRadix(std::string_view digits, int radix) {
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        int d;
        if (isDigit(c))
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        if (d >= radix) return std::nullopt;
        v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    }
    // &H and &O read as 16-bit or 32-bit two's complement, as VBA does.
    if (v <= 0xFFFF && digits.size() <= (radix == 16 ? 4u : 6u)) {
        return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v)));
    }
    if (v <= 0xFFFFFFFFu)
        return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return std::nullopt;
}

int64_t checkedWhole(double d, int64_t lo, int64_t hi) {
    double r = roundHalfEven(d);
    // 2^63 itself rounds into INT64_MAX's double, so bound it explicitly.
    if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi)) ||
        r >= 9223372036854775808.0)
        throwOverflow();
    return static_cast<int64_t>(r);
}

}  // namespace

bool isNumberValue(const Value& v) {
    return v.is<bool>() || v.is<int64_t>() || v.is<float>() || v.is<double>() ||
           v.is<CurrencyValue>() || v.is<Decimal>();
}

double roundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    double f = std::floor(v);
    double diff = v - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

double roundHalfAway(double v) {
    return std::round(v);
}

std::optional<std::string> plainNumberText(std::string_view text, const SqlLocale& locale) {
    std::string_view s = trimSpaces(text);
    bool negative = false;
    if (s.size() >= 2 && s.front() == '(' && s.back() == ')') {
        negative = true;
        s = trimSpaces(s.substr(1, s.size() - 2));
    }
    auto skipCurrency = [&] {
        const std::string& sym = locale.currencySymbol;
        if (!sym.empty() && s.substr(0, sym.size()) == sym) s = trimSpaces(s.substr(sym.size()));
    };
    skipCurrency();
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        if (s.front() == '-') negative = !negative;
        s = trimSpaces(s.substr(1));
    }
    skipCurrency();
    std::string plain = negative ? "-" : "";
    size_t i = 0;
    bool digits = false;
    for (; i < s.size() && (isDigit(s[i]) || s[i] == locale.thousandsSeparator); ++i) {
        if (isDigit(s[i])) {
            plain.push_back(s[i]);
            digits = true;
        }
    }
    if (i < s.size() && s[i] == locale.decimalPoint) {
        plain.push_back('.');
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            plain.push_back(s[i]);
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) exponent.push_back(s[j++]);
        size_t start = j;
        while (j < s.size() && isDigit(s[j])) exponent.push_back(s[j++]);
        if (j == start) return std::nullopt;
        plain += exponent;
        i = j;
    }
    if (i != s.size()) return std::nullopt;
    return plain;
}

std::optional<double> parseNumberText(std::string_view text, const SqlLocale& locale) {
    std::string_view s = trimSpaces(text);
    if (s.size() > 2 && s[0] == '&') {
        char k = s[1];
        if (k == 'h' || k == 'H') return parseRadix(s.substr(2), 16);
        if (k == 'o' || k == 'O') return parseRadix(s.substr(2), 8);
        return std::nullopt;
    }
    const std::optional<std::string> plain = plainNumberText(s, locale);
    if (!plain) return std::nullopt;
    double v = std::strtod(plain->c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

namespace {

struct DateToken {
    enum Kind { Number, Word, Colon, Separator } kind;
    std::string text;
};

int monthFromWord(const std::string& upper, const SqlLocale& locale) {
    for (int m = 0; m < 12; ++m) {
        std::string full = asciiUpper(locale.monthNames[m]);
        std::string abbr = asciiUpper(locale.monthAbbreviations[m]);
        if (upper == abbr || (upper.size() >= 3 && full.compare(0, upper.size(), upper) == 0))
            return m + 1;
    }
    return 0;
}

bool isWeekdayWord(const std::string& upper, const SqlLocale& locale) {
    for (int d = 0; d < 7; ++d) {
        std::string full = asciiUpper(locale.dayNames[d]);
        std::string abbr = asciiUpper(locale.dayAbbreviations[d]);
        if (upper == abbr || (upper.size() >= 3 && full.compare(0, upper.size(), upper) == 0))
            return true;
    }
    return false;
}

int expandYear(const std::string& digits) {
    int y = std::stoi(digits);
    if (digits.size() <= 2) y += y < 30 ? 2000 : 1900;
    return y;
}

}  // namespace

std::optional<double> parseDateText(std::string_view text, const SqlLocale& locale,
                                    int currentYear) {
    std::string_view s = trimSpaces(text);
    if (s.empty() || s.size() > 64) return std::nullopt;
    std::vector<DateToken> tokens;
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        if (isDigit(c)) {
            size_t j = i;
            while (j < s.size() && isDigit(s[j])) ++j;
            if (j - i > 4) return std::nullopt;
            tokens.push_back({DateToken::Number, std::string(s.substr(i, j - i))});
            i = j;
        } else if (isAlpha(c)) {
            size_t j = i;
            while (j < s.size() && isAlpha(s[j])) ++j;
            tokens.push_back({DateToken::Word, asciiUpper(s.substr(i, j - i))});
            i = j;
        } else if (c == locale.timeSeparator) {
            tokens.push_back({DateToken::Colon, ":"});
            ++i;
        } else if (c == '/' || c == '-' || c == '.' || c == ',' || isSpace(c) ||
                   c == locale.dateSeparator) {
            ++i;
            tokens.push_back({DateToken::Separator, std::string(1, c)});
        } else {
            return std::nullopt;
        }
    }

    // The time: h:n[:s] and an optional AM/PM word.
    int hour = -1, minute = 0, second = 0;
    int ampm = 0;  // 1 AM, 2 PM
    std::vector<DateToken> rest;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const DateToken& t = tokens[i];
        if (t.kind == DateToken::Number && i + 2 < tokens.size() &&
            tokens[i + 1].kind == DateToken::Colon && tokens[i + 2].kind == DateToken::Number) {
            if (hour >= 0) return std::nullopt;
            hour = std::stoi(t.text);
            minute = std::stoi(tokens[i + 2].text);
            i += 2;
            if (i + 2 < tokens.size() && tokens[i + 1].kind == DateToken::Colon &&
                tokens[i + 2].kind == DateToken::Number) {
                second = std::stoi(tokens[i + 2].text);
                i += 2;
            }
            continue;
        }
        if (t.kind == DateToken::Word &&
            (t.text == asciiUpper(locale.amDesignator) ||
             t.text == asciiUpper(locale.pmDesignator) || t.text == "A" || t.text == "P")) {
            ampm = t.text[0] == asciiUpper(locale.pmDesignator)[0] ? 2 : 1;
            if (hour < 0) {
                // "5 PM": the number just before is the hour.
                while (!rest.empty() && rest.back().kind == DateToken::Separator) rest.pop_back();
                if (rest.empty() || rest.back().kind != DateToken::Number) return std::nullopt;
                hour = std::stoi(rest.back().text);
                rest.pop_back();
            }
            continue;
        }
        if (t.kind == DateToken::Colon) return std::nullopt;
        rest.push_back(t);
    }
    if (ampm != 0) {
        if (hour < 1 || hour > 12) return std::nullopt;
        if (ampm == 1 && hour == 12) hour = 0;
        if (ampm == 2 && hour != 12) hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;

    std::vector<std::string> numbers;
    int monthWord = 0;
    for (const DateToken& t : rest) {
        if (t.kind == DateToken::Number) {
            numbers.push_back(t.text);
        } else if (t.kind == DateToken::Word) {
            int m = monthFromWord(t.text, locale);
            if (m != 0 && monthWord == 0) {
                monthWord = m;
            } else if (!isWeekdayWord(t.text, locale)) {
                return std::nullopt;
            }
        }
    }

    int year = 0, month = 0, day = 0;
    bool hasDate = true;
    auto isYearLike = [](const std::string& n) { return n.size() >= 3 || std::stoi(n) > 31; };
    if (monthWord != 0) {
        month = monthWord;
        if (numbers.size() == 2) {
            if (isYearLike(numbers[0]) && !isYearLike(numbers[1])) {
                year = expandYear(numbers[0]);
                day = std::stoi(numbers[1]);
            } else {
                day = std::stoi(numbers[0]);
                year = expandYear(numbers[1]);
            }
        } else if (numbers.size() == 1) {
            if (isYearLike(numbers[0])) {
                year = expandYear(numbers[0]);
                day = 1;
            } else {
                day = std::stoi(numbers[0]);
                year = currentYear;
            }
        } else {
            return std::nullopt;
        }
    } else if (numbers.size() == 3) {
        if (numbers[0].size() >= 3 || std::stoi(numbers[0]) > 31) {
            year = expandYear(numbers[0]);
            month = std::stoi(numbers[1]);
            day = std::stoi(numbers[2]);
        } else {
            month = std::stoi(numbers[locale.monthBeforeDay ? 0 : 1]);
            day = std::stoi(numbers[locale.monthBeforeDay ? 1 : 0]);
            year = expandYear(numbers[2]);
            if (month > 12 && day <= 12) std::swap(month, day);
        }
    } else if (numbers.size() == 2) {
        if (isYearLike(numbers[1])) {
            month = std::stoi(numbers[0]);
            year = expandYear(numbers[1]);
            day = 1;
        } else if (isYearLike(numbers[0])) {
            year = expandYear(numbers[0]);
            month = std::stoi(numbers[1]);
            day = 1;
        } else {
            month = std::stoi(numbers[locale.monthBeforeDay ? 0 : 1]);
            day = std::stoi(numbers[locale.monthBeforeDay ? 1 : 0]);
            year = currentYear;
            if (month > 12 && day <= 12) std::swap(month, day);
        }
    } else if (numbers.empty()) {
        hasDate = false;
        if (hour < 0) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (hasDate) {
        if (month < 1 || month > 12 || year < 100 || year > 9999) return std::nullopt;
        if (day < 1 || day > daysInMonth(year, month)) return std::nullopt;
    }
    double linear = hasDate ? static_cast<double>(dayNumberFromCivil(year, month, day)) : 0.0;
    if (hour >= 0) linear += (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return dateFromLinear(linear);
}

std::optional<Guid> parseGuidText(std::string_view text) {
    std::string_view s = trimSpaces(text);
    if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
    if (s.size() != 36) return std::nullopt;
    std::string hex;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (s[i] != '-') return std::nullopt;
            continue;
        }
        char c = s[i];
        if (!isDigit(c) && !((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return std::nullopt;
        hex.push_back(c);
    }
    uint8_t b[16];
    for (int i = 0; i < 16; ++i)
        b[i] = static_cast<uint8_t>(std::stoi(hex.substr(i * 2, 2), nullptr, 16));
    Guid g;
    // Data1..Data3 are stored little-endian.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i) g.bytes[order[i]] = b[i];
    return g;
}

double toDouble(const Value& v, const SqlLocale& locale) {
    if (v.isNull()) throwInvalidUseOfNull();
    if (v.is<bool>()) return v.as<bool>() ? -1.0 : 0.0;
    if (v.is<int64_t>()) return static_cast<double>(v.as<int64_t>());
    if (v.is<float>()) return v.as<float>();
    if (v.is<double>()) return v.as<double>();
    if (v.is<CurrencyValue>())
        return static_cast<double>(v.as<CurrencyValue>().tenThousandths) / 1e4;
    if (v.is<Decimal>()) return decimalToDouble(v.as<Decimal>());
    if (v.is<DateTimeValue>()) return v.as<DateTimeValue>().days;
    if (v.is<std::string>()) {
        if (auto d = parseNumberText(v.as<std::string>(), locale)) return *d;
        if (auto d = parseDateText(v.as<std::string>(), locale)) return *d;
    }
    throwTypeMismatch();
}

double toDateNumber(const Value& v, const SqlLocale& locale) {
    if (v.isNull()) throwInvalidUseOfNull();
    double d;
    if (v.is<std::string>()) {
        auto parsed = parseDateText(v.as<std::string>(), locale);
        if (!parsed) parsed = parseNumberText(v.as<std::string>(), locale);
        if (!parsed) throwTypeMismatch();
        d = *parsed;
    } else {
        d = toDouble(v, locale);
    }
    requireValidDate(d);
    return d;
}

bool toBoolean(const Value& v, const SqlLocale& locale) {
    if (v.isNull()) throwInvalidUseOfNull();
    if (v.is<bool>()) return v.as<bool>();
    if (v.is<std::string>()) {
        std::string upper = asciiUpper(trimSpaces(v.as<std::string>()));
        if (upper == "TRUE") return true;
        if (upper == "FALSE") return false;
        if (auto d = parseNumberText(upper, locale)) return *d != 0;
        throwTypeMismatch();
    }
    if (v.is<Decimal>()) return !decimalIsZero(v.as<Decimal>());
    return toDouble(v, locale) != 0;
}

Value toArithmetic(const Value& v, const SqlLocale& locale) {
    if (v.is<std::string>()) {
        if (auto d = parseNumberText(v.as<std::string>(), locale)) return Value::real(*d);
        throwTypeMismatch();
    }
    if (v.isNull() || isNumberValue(v) || v.is<DateTimeValue>()) return v;
    throwTypeMismatch();
}

std::string doubleToText(double v, int significantDigits, const SqlLocale& locale) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-1.#INF" : "1.#INF";
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significantDigits - 1, v);
    std::string s(buf);
    bool negative = s[0] == '-';
    auto ePos = s.find('e');
    int exponent = std::stoi(s.substr(ePos + 1));
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < ePos; ++i)
        if (isDigit(s[i])) digits.push_back(s[i]);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int k = static_cast<int>(digits.size());
    // Fixed notation while the digits needed stay within the precision,
    // otherwise d.dddE+xx.
    std::string out = negative ? "-" : "";
    if (exponent >= significantDigits || (exponent < 0 && k - exponent - 1 > significantDigits)) {
        out += digits.substr(0, 1);
        if (k > 1) {
            out.push_back(locale.decimalPoint);
            out += digits.substr(1);
        }
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + e;
    }
    if (exponent < 0) {
        out += "0";
        out.push_back(locale.decimalPoint);
        out += std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        return out;
    }
    if (k <= exponent + 1)
        return out + digits + std::string(static_cast<size_t>(exponent + 1 - k), '0');
    out += digits.substr(0, static_cast<size_t>(exponent + 1));
    out.push_back(locale.decimalPoint);
    return out + digits.substr(static_cast<size_t>(exponent + 1));
}

std::string dateToText(double date, const SqlLocale& locale) {
    CivilDateTime c = civilFromDate(date);
    bool hasTime = c.hour != 0 || c.minute != 0 || c.second != 0;
    bool dayZero = c.year == 1899 && c.month == 12 && c.day == 30;
    std::string out;
    char buf[64];
    if (!dayZero || !hasTime) {
        int first = locale.monthBeforeDay ? c.month : c.day;
        int second = locale.monthBeforeDay ? c.day : c.month;
        std::snprintf(buf, sizeof buf, "%d%c%d%c%d", first, locale.dateSeparator, second,
                      locale.dateSeparator, c.year);
        out = buf;
    }
    if (hasTime) {
        int h12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
        std::snprintf(buf, sizeof buf, "%d%c%02d%c%02d ", h12, locale.timeSeparator, c.minute,
                      locale.timeSeparator, c.second);
        if (!out.empty()) out.push_back(' ');
        out += buf;
        out += c.hour < 12 ? locale.amDesignator : locale.pmDesignator;
    }
    return out;
}

std::string toText(const Value& v, const SqlLocale& locale) {
    if (v.isNull()) throwInvalidUseOfNull();
    if (v.is<std::string>()) return v.as<std::string>();
    if (v.is<bool>()) return v.as<bool>() ? "True" : "False";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    if (v.is<float>()) return doubleToText(v.as<float>(), 7, locale);
    if (v.is<double>()) return doubleToText(v.as<double>(), 15, locale);
    if (v.is<CurrencyValue>()) {
        Decimal d = decimalFromCurrency(v.as<CurrencyValue>().tenThousandths);
        std::string s = decimalToText(d);
        for (char& c : s)
            if (c == '.') c = locale.decimalPoint;
        return s;
    }
    if (v.is<Decimal>()) {
        std::string s = decimalToText(v.as<Decimal>());
        for (char& c : s)
            if (c == '.') c = locale.decimalPoint;
        return s;
    }
    if (v.is<DateTimeValue>()) return dateToText(v.as<DateTimeValue>().days, locale);
    if (v.is<Guid>()) return v.as<Guid>().toString();
    if (v.is<ExtDateTime>()) return v.as<ExtDateTime>().toString();
    if (v.is<Blob>()) return utf16leToUtf8(v.as<Blob>());
    throwTypeMismatch();
}

int64_t toWholeNumber(const Value& v, int64_t lo, int64_t hi, const SqlLocale& locale) {
    if (v.is<int64_t>()) {
        int64_t i = v.as<int64_t>();
        if (i < lo || i > hi) throwOverflow();
        return i;
    }
    if (v.is<CurrencyValue>()) {
        int64_t t = v.as<CurrencyValue>().tenThousandths;
        int64_t q = t / 10000, r = t % 10000;
        if (r > 5000 || (r == 5000 && (q & 1))) ++q;
        if (r < -5000 || (r == -5000 && (q & 1))) --q;
        if (q < lo || q > hi) throwOverflow();
        return q;
    }
    if (v.is<Decimal>()) {
        Decimal r = decimalRound(v.as<Decimal>(), 0);
        auto i = decimalToInt64(r);
        if (!i || *i < lo || *i > hi) throwOverflow();
        return *i;
    }
    return checkedWhole(toDouble(v, locale), lo, hi);
}

namespace {

// Text that is a plain decimal number (in the locale's form, no exponent),
// read exactly; nothing for other text.
std::optional<Decimal> exactDecimalOfText(const Value& v, const SqlLocale& locale) {
    if (!v.is<std::string>()) return std::nullopt;
    const std::optional<std::string> plain = plainNumberText(v.as<std::string>(), locale);
    if (!plain || plain->find('e') != std::string::npos) return std::nullopt;
    return decimalFromText(*plain);
}

int64_t currencyUnitsOfDecimal(const Decimal& d) {
    Decimal scaled = decimalRound(decimalMultiply(d, decimalFromInt64(10000)), 0);
    auto i = decimalToInt64(scaled);
    if (!i) throwOverflow();
    return *i;
}

}  // namespace

int64_t toCurrencyUnits(const Value& v, const SqlLocale& locale) {
    if (v.is<CurrencyValue>()) return v.as<CurrencyValue>().tenThousandths;
    if (v.is<int64_t>()) {
        int64_t i = v.as<int64_t>();
        int64_t r;
        if (__builtin_mul_overflow(i, int64_t{10000}, &r)) throwOverflow();
        return r;
    }
    if (v.is<Decimal>()) return currencyUnitsOfDecimal(v.as<Decimal>());
    // Text is read in decimal, so every Currency value it spells arrives
    // exactly (a double holds 15 to 17 digits, Currency 19).
    if (auto exact = exactDecimalOfText(v, locale)) return currencyUnitsOfDecimal(*exact);
    double d = toDouble(v, locale) * 1e4;
    double r = roundHalfEven(d);
    if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18)) throwOverflow();
    return static_cast<int64_t>(r);
}

Decimal toDecimal(const Value& v, const SqlLocale& locale) {
    if (v.is<Decimal>()) return v.as<Decimal>();
    if (v.is<int64_t>()) return decimalFromInt64(v.as<int64_t>());
    if (v.is<bool>()) return decimalFromInt64(v.as<bool>() ? -1 : 0);
    if (v.is<CurrencyValue>()) return decimalFromCurrency(v.as<CurrencyValue>().tenThousandths);
    if (auto exact = exactDecimalOfText(v, locale)) return *exact;
    return decimalFromDouble(toDouble(v, locale));
}

}  // namespace jet
