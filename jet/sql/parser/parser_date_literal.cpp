#include "jet/sql/parser/parser_date_literal.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/calendar.h"

namespace jet::sql {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool validDate(int y, int m, int d) {
    return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

// One piece of the date part: a number (with its digit count) or a word.
struct Field {
    bool number = false;
    int value = 0;
    size_t digits = 0;
    std::string word;  // upper case
};

int monthFromName(const std::string& word) {
    static constexpr std::array<const char*, 12> kMonths{
        "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
        "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    if (word.size() < 3) return 0;
    for (size_t i = 0; i < kMonths.size(); ++i) {
        const std::string full = kMonths[i];
        // The three-letter abbreviation or the full name ("SEPT" too).
        if (word.size() <= full.size() && full.compare(0, word.size(), word) == 0) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

std::optional<std::vector<Field>> splitFields(std::string_view text) {
    std::vector<Field> fields;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '/' || c == '-' || c == '.' || c == ',' || c == ' ' || c == '\t') {
            ++i;
        } else if (isDigit(c)) {
            Field f;
            f.number = true;
            while (i < text.size() && isDigit(text[i])) {
                if (f.digits < 6) f.value = f.value * 10 + (text[i] - '0');
                ++f.digits;
                ++i;
            }
            fields.push_back(f);
        } else if (isAlpha(c)) {
            Field f;
            while (i < text.size() && isAlpha(text[i])) f.word += upper(text[i++]);
            fields.push_back(f);
        } else {
            return std::nullopt;
        }
    }
    return fields;
}

int expandYear(const Field& f) {
    if (f.digits <= 2) return f.value < 30 ? 2000 + f.value : 1900 + f.value;
    return f.value;
}

struct Ymd {
    int y = 0, m = 0, d = 0;
};

std::optional<Ymd> readDatePart(std::string_view text) {
    const auto fields = splitFields(text);
    if (!fields || fields->size() != 3) return std::nullopt;
    const auto& f = *fields;
    Ymd r;
    int monthAt = -1;
    for (int i = 0; i < 3; ++i) {
        if (!f[static_cast<size_t>(i)].number) {
            if (monthAt >= 0) return std::nullopt;
            monthAt = i;
            r.m = monthFromName(f[static_cast<size_t>(i)].word);
            if (r.m == 0) return std::nullopt;
        }
    }
    if (monthAt < 0) {
        if (f[0].digits >= 3) {  // yyyy-mm-dd
            r = {f[0].value, f[1].value, f[2].value};
        } else {  // m/d/y, or d/m/y when the first cannot be a month
            r = {expandYear(f[2]), f[0].value, f[1].value};
            if (r.m > 12 && r.d <= 12) std::swap(r.m, r.d);
        }
    } else {
        // The two numbers around a month name: the year is the one written
        // with more than two digits, else the later one.
        std::vector<const Field*> numbers;
        for (int i = 0; i < 3; ++i) {
            if (i != monthAt) numbers.push_back(&f[static_cast<size_t>(i)]);
        }
        const bool firstIsYear = numbers[0]->digits >= 3 && numbers[1]->digits <= 2;
        const Field* year = firstIsYear ? numbers[0] : numbers[1];
        const Field* day = firstIsYear ? numbers[1] : numbers[0];
        if (day->digits > 2) return std::nullopt;
        r.y = expandYear(*year);
        r.d = day->value;
    }
    for (const Field& field : f) {
        if (field.number && field.digits > 4) return std::nullopt;
    }
    if (!validDate(r.y, r.m, r.d)) return std::nullopt;
    return r;
}

struct Hms {
    int h = 0, n = 0, s = 0;
};

// h:nn[:ss] [AM|PM]
std::optional<Hms> readTimePart(std::string_view text) {
    std::vector<int> parts;
    size_t i = 0;
    while (true) {
        const size_t start = i;
        int value = 0;
        while (i < text.size() && isDigit(text[i]) && i - start < 3)
            value = value * 10 + (text[i++] - '0');
        if (i == start || i - start > 2) return std::nullopt;
        parts.push_back(value);
        if (i < text.size() && text[i] == ':') {
            ++i;
            continue;
        }
        break;
    }
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string suffix;
    while (i < text.size() && isAlpha(text[i])) suffix += upper(text[i++]);
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size()) return std::nullopt;
    Hms t{parts[0], parts[1], parts.size() == 3 ? parts[2] : 0};
    if (t.n > 59 || t.s > 59) return std::nullopt;
    if (suffix.empty()) {
        if (t.h > 23) return std::nullopt;
    } else if (suffix == "AM" || suffix == "PM") {
        // An hour past 12 is read as it is and the AM/PM ignored, as Access
        // reads #10/03/2008 22:34:35 AM#.
        if (t.h < 1 || t.h > 23) return std::nullopt;
        if (t.h <= 12) t.h = t.h % 12 + (suffix == "PM" ? 12 : 0);
    } else {
        return std::nullopt;
    }
    return t;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

double accessDays(int year, int month, int day, int hour, int minute, int second) {
    const int64_t days = dayNumberFromCivil(year, month, day);
    const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    return days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
}

std::optional<double> parseDateLiteral(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    // The time starts at the number right before the first ':'.
    std::string_view datePart = text, timePart;
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        size_t start = colon;
        while (start > 0 && isDigit(text[start - 1])) --start;
        datePart = trim(text.substr(0, start));
        timePart = text.substr(start);
    }
    Hms t;
    if (!timePart.empty()) {
        const auto time = readTimePart(timePart);
        if (!time) return std::nullopt;
        t = *time;
    }
    if (datePart.empty()) {
        if (timePart.empty()) return std::nullopt;
        return (t.h * 3600 + t.n * 60 + t.s) / 86400.0;
    }
    const auto date = readDatePart(datePart);
    if (!date) return std::nullopt;
    return accessDays(date->y, date->m, date->d, t.h, t.n, t.s);
}

std::optional<double> parseIsoDateTime(std::string_view text) {
    // Positions of the digits in "yyyy-mm-dd hh:nn:ss".
    static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != 10 && text.size() != kPattern.size()) return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        if (kPattern[i] == 'd' ? !isDigit(text[i]) : text[i] != kPattern[i]) return std::nullopt;
    }
    auto num = [&](size_t at, size_t n) {
        int v = 0;
        for (size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
        return v;
    };
    const int y = num(0, 4), m = num(5, 2), d = num(8, 2);
    int h = 0, n = 0, s = 0;
    if (text.size() > 10) {
        h = num(11, 2);
        n = num(14, 2);
        s = num(17, 2);
        if (h > 23 || n > 59 || s > 59) return std::nullopt;
    }
    if (!validDate(y, m, d)) return std::nullopt;
    return accessDays(y, m, d, h, n, s);
}

}  // namespace jet::sql
