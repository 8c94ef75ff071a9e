// Custom date formats of the Format function, and the scanning helpers the
// Format files share.
#include <cctype>
#include <cstdio>

#include "jet/sql/functions/format_function_internal.h"
#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Calls `visit(i)` for each character outside quotes and escapes.
template <typename F>
void forEachActive(std::string_view f, F visit) {
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] == '"') {
            size_t close = f.find('"', i + 1);
            i = close == std::string_view::npos ? f.size() : close;
        } else if (f[i] == '\\') {
            ++i;
        } else {
            visit(i);
        }
    }
}

bool startsWithNoCase(std::string_view s, size_t at, std::string_view word) {
    if (at + word.size() > s.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (lower(s[at + k]) != lower(word[k])) return false;
    return true;
}

std::string twoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

size_t runLength(std::string_view f, size_t i) {
    size_t j = i;
    while (j < f.size() && lower(f[j]) == lower(f[i])) ++j;
    return j - i;
}

int weekOfYear(int64_t day, int year, int firstDay, int firstWeek) {
    auto weekStart = [&](int64_t d) { return d - (weekdayOfDayNumber(d) - firstDay + 7) % 7; };
    auto firstWeekStart = [&](int y) {
        int64_t jan1 = dayNumberFromCivil(y, 1, 1);
        int64_t start = weekStart(jan1);
        int64_t daysInYear = 7 - (jan1 - start);
        if (firstWeek == 2 && daysInYear < 4) start += 7;
        if (firstWeek == 3 && daysInYear < 7) start += 7;
        return start;
    };
    int64_t start = firstWeekStart(year);
    if (day < start) start = firstWeekStart(year - 1);
    return static_cast<int>((day - start) / 7 + 1);
}

}  // namespace

std::vector<std::string> splitFormatSections(std::string_view format) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '"') {
            size_t close = format.find('"', i + 1);
            if (close == std::string_view::npos) close = format.size() - 1;
            out.back() += format.substr(i, close - i + 1);
            i = close;
        } else if (c == '\\' && i + 1 < format.size()) {
            out.back() += format.substr(i, 2);
            ++i;
        } else if (c == ';') {
            out.emplace_back();
        } else {
            out.back().push_back(c);
        }
    }
    return out;
}

bool isDateFormat(std::string_view format) {
    bool found = false;
    forEachActive(format, [&](size_t i) {
        char c = lower(format[i]);
        if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'w' ||
            c == 'q' || c == 'c' || c == 't' || startsWithNoCase(format, i, "am/pm") ||
            startsWithNoCase(format, i, "a/p"))
            found = true;
    });
    return found;
}

bool isNumberFormat(std::string_view format) {
    bool found = false;
    forEachActive(format, [&](size_t i) {
        if (format[i] == '0' || format[i] == '#') found = true;
    });
    return found;
}

std::string formatDate(double date, std::string_view f, const SqlLocale& locale, int firstDayOfWeek,
                       int firstWeekOfYear) {
    CivilDateTime t = civilFromDate(date);
    int64_t day = dayNumberFromCivil(t.year, t.month, t.day);
    bool twelveHour = false;
    forEachActive(f, [&](size_t i) {
        if (startsWithNoCase(f, i, "am/pm") || startsWithNoCase(f, i, "a/p") ||
            startsWithNoCase(f, i, "ampm"))
            twelveHour = true;
    });
    const int weekday = weekdayOfDayNumber(day);  // 1 = Sunday
    int hour = t.hour;
    if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;

    std::string out;
    bool lastWasHour = false;
    for (size_t i = 0; i < f.size();) {
        char c = f[i];
        char lc = lower(c);
        if (c == '"') {
            size_t close = f.find('"', i + 1);
            if (close == std::string_view::npos) close = f.size();
            out += f.substr(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        if (c == '\\') {
            if (i + 1 < f.size()) out.push_back(f[i + 1]);
            i += 2;
            continue;
        }
        if (startsWithNoCase(f, i, "am/pm")) {
            std::string marker = t.hour < 12 ? locale.amDesignator : locale.pmDesignator;
            out += std::islower(static_cast<unsigned char>(c)) ? lowerText(marker) : marker;
            i += 5;
            continue;
        }
        if (startsWithNoCase(f, i, "ampm")) {
            out += t.hour < 12 ? locale.amDesignator : locale.pmDesignator;
            i += 4;
            continue;
        }
        if (startsWithNoCase(f, i, "a/p")) {
            std::string marker = t.hour < 12 ? "A" : "P";
            out += std::islower(static_cast<unsigned char>(c)) ? lowerText(marker) : marker;
            i += 3;
            continue;
        }
        size_t run = runLength(f, i);
        bool isHour = false;
        switch (lc) {
            case 'd':
                if (run == 1)
                    out += std::to_string(t.day);
                else if (run == 2)
                    out += twoDigits(t.day);
                else if (run == 3)
                    out += locale.dayAbbreviations[weekday - 1];
                else if (run == 4)
                    out += locale.dayNames[weekday - 1];
                else if (run == 5)
                    out += formatDate(static_cast<double>(day), "m/d/yyyy", locale, 1, 1);
                else
                    out += formatDate(static_cast<double>(day), "dddd, mmmm d, yyyy", locale, 1, 1);
                break;
            case 'w':
                if (run == 1)
                    out += std::to_string((weekday - firstDayOfWeek + 7) % 7 + 1);
                else
                    out += std::to_string(weekOfYear(day, t.year, firstDayOfWeek, firstWeekOfYear));
                run = std::min<size_t>(run, 2);
                break;
            case 'm':
                if (lastWasHour && run <= 2) {
                    out += run == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
                } else if (run == 1)
                    out += std::to_string(t.month);
                else if (run == 2)
                    out += twoDigits(t.month);
                else if (run == 3)
                    out += locale.monthAbbreviations[t.month - 1];
                else {
                    out += locale.monthNames[t.month - 1];
                    run = 4;
                }
                break;
            case 'q':
                out += std::to_string((t.month - 1) / 3 + 1);
                run = 1;
                break;
            case 'y':
                if (run == 1)
                    out += std::to_string(day - dayNumberFromCivil(t.year, 1, 1) + 1);
                else if (run <= 3) {
                    out += twoDigits(t.year % 100);
                    run = 2;
                } else {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "%04d", t.year);
                    out += buf;
                    run = 4;
                }
                break;
            case 'h':
                out += run == 1 ? std::to_string(hour) : twoDigits(hour);
                run = std::min<size_t>(run, 2);
                isHour = true;
                break;
            case 'n':
                out += run == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
                run = std::min<size_t>(run, 2);
                break;
            case 's':
                out += run == 1 ? std::to_string(t.second) : twoDigits(t.second);
                run = std::min<size_t>(run, 2);
                break;
            case 'c':
                out += dateToText(date, locale);
                run = 1;
                break;
            case 't':
                if (run >= 5) {
                    out += formatDate(date, "h:nn:ss AM/PM", locale, 1, 1);
                    run = 5;
                } else {
                    out += std::string(f.substr(i, run));
                }
                break;
            case '/':
                out += std::string(run, locale.dateSeparator);
                break;
            case ':':
                out += std::string(run, locale.timeSeparator);
                break;
            default:
                out += std::string(f.substr(i, run));
                break;
        }
        // An m after an hour stays minutes across separators like ":".
        if (isHour)
            lastWasHour = true;
        else if (lc != ':' && lc != ' ')
            lastWasHour = false;
        i += run;
    }
    return out;
}

}  // namespace jet
