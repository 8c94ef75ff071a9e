// Date functions: Date, Time, Now, Year, Month, Day, Hour, Minute, Second,
// Weekday, DateAdd, DateDiff, DatePart, DateSerial, TimeSerial, DateValue,
// TimeValue, MonthName, WeekdayName.
//
// Intervals: yyyy year, q quarter, m month, y day of year, d day, w weekday,
// ww week, h hour, n minute, s second. First day of week: 0 (system, here
// Sunday), 1 Sunday .. 7 Saturday. First week of year: 0 or 1 the week of
// January 1, 2 the first week with four days, 3 the first full week.
#include <cmath>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval intervalArg(const Value& v, const FunctionContext& c) {
    if (v.isNull()) throwInvalidUseOfNull();
    std::string s = asciiUpper(toText(v, *c.locale));
    if (s == "YYYY") return Interval::Year;
    if (s == "Q") return Interval::Quarter;
    if (s == "M") return Interval::Month;
    if (s == "Y") return Interval::DayOfYear;
    if (s == "D") return Interval::Day;
    if (s == "W") return Interval::Weekday;
    if (s == "WW") return Interval::Week;
    if (s == "H") return Interval::Hour;
    if (s == "N") return Interval::Minute;
    if (s == "S") return Interval::Second;
    throwInvalidCall();
}

int firstDayArg(const std::vector<Value>& a, size_t i, const FunctionContext& c) {
    int64_t d = optionalLongArg(a, i, 1, c);
    if (d < 0 || d > 7) throwInvalidCall();
    return d == 0 ? 1 : static_cast<int>(d);
}

int firstWeekArg(const std::vector<Value>& a, size_t i, const FunctionContext& c) {
    int64_t w = optionalLongArg(a, i, 1, c);
    if (w < 0 || w > 3) throwInvalidCall();
    return w == 0 ? 1 : static_cast<int>(w);
}

double dateArg(const Value& v, const FunctionContext& c) {
    return toDateNumber(v, *c.locale);
}

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Whole seconds since 1899-12-30 00:00 on a continuous time line.
int64_t totalSeconds(double date) {
    return std::llround(linearFromDate(date) * 86400.0);
}

double dateFromSeconds(int64_t seconds) {
    return dateFromLinear(static_cast<double>(seconds) / 86400.0);
}

// 1-based weekday counted from `firstDay`.
int weekdayFrom(int64_t dayNumber, int firstDay) {
    return (weekdayOfDayNumber(dayNumber) - firstDay + 7) % 7 + 1;
}

int64_t weekStart(int64_t dayNumber, int firstDay) {
    return dayNumber - (weekdayFrom(dayNumber, firstDay) - 1);
}

int64_t firstWeekStart(int year, int firstDay, int firstWeek) {
    int64_t jan1 = dayNumberFromCivil(year, 1, 1);
    int64_t start = weekStart(jan1, firstDay);
    int64_t daysInYear = 7 - (jan1 - start);  // days of that week in the new year
    if (firstWeek == 2 && daysInYear < 4) start += 7;
    if (firstWeek == 3 && daysInYear < 7) start += 7;
    return start;
}

int weekOfYear(int64_t dayNumber, int year, int firstDay, int firstWeek) {
    int64_t start = firstWeekStart(year, firstDay, firstWeek);
    if (dayNumber < start) start = firstWeekStart(year - 1, firstDay, firstWeek);
    return static_cast<int>((dayNumber - start) / 7 + 1);
}

double currentDate(const FunctionContext& c) {
    return c.now ? c.now() : systemNow();
}

Value dateFn(const std::vector<Value>&, const FunctionContext& c) {
    return Value::dateTime(static_cast<double>(dayPart(currentDate(c))));
}
Value timeFn(const std::vector<Value>&, const FunctionContext& c) {
    return Value::dateTime(timePart(currentDate(c)));
}
Value nowFn(const std::vector<Value>&, const FunctionContext& c) {
    return Value::dateTime(currentDate(c));
}

template <int CivilDateTime::*Field>
Value civilPart(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    return Value::integer(civilFromDate(dateArg(a[0], c)).*Field);
}

Value weekdayFn(const std::vector<Value>& a, const FunctionContext& c) {
    int firstDay = firstDayArg(a, 1, c);
    if (a[0].isNull()) return Value::null();
    return Value::integer(weekdayFrom(dayPart(dateArg(a[0], c)), firstDay));
}

double addMonths(double date, int64_t months) {
    CivilDateTime t = civilFromDate(date);
    int64_t total = static_cast<int64_t>(t.year) * 12 + (t.month - 1) + months;
    int64_t year = floorDiv(total, 12);
    if (year < 100 || year > 9999) throwInvalidCall();
    t.year = static_cast<int>(year);
    t.month = static_cast<int>(total - year * 12) + 1;
    t.day = std::min(t.day, daysInMonth(t.year, t.month));
    return dateFromCivil(t);
}

Value dateAddFn(const std::vector<Value>& a, const FunctionContext& c) {
    Interval interval = intervalArg(a[0], c);
    if (a[1].isNull()) throwInvalidUseOfNull();
    if (a[2].isNull()) return Value::null();
    double amount = std::trunc(toDouble(a[1], *c.locale));
    if (std::fabs(amount) > 1e10) throwInvalidCall();
    int64_t n = static_cast<int64_t>(amount);
    double date = dateArg(a[2], c);
    double result;
    switch (interval) {
        case Interval::Year:
            result = addMonths(date, n * 12);
            break;
        case Interval::Quarter:
            result = addMonths(date, n * 3);
            break;
        case Interval::Month:
            result = addMonths(date, n);
            break;
        case Interval::Week:
            result = dateFromLinear(linearFromDate(date) + 7.0 * n);
            break;
        case Interval::Hour:
            result = dateFromSeconds(totalSeconds(date) + n * 3600);
            break;
        case Interval::Minute:
            result = dateFromSeconds(totalSeconds(date) + n * 60);
            break;
        case Interval::Second:
            result = dateFromSeconds(totalSeconds(date) + n);
            break;
        default:
            result = dateFromLinear(linearFromDate(date) + static_cast<double>(n));
            break;
    }
    if (!isValidDateNumber(result)) throwInvalidCall();
    return Value::dateTime(result);
}

Value dateDiffFn(const std::vector<Value>& a, const FunctionContext& c) {
    Interval interval = intervalArg(a[0], c);
    int firstDay = firstDayArg(a, 3, c);
    firstWeekArg(a, 4, c);
    if (a[1].isNull() || a[2].isNull()) return Value::null();
    double d1 = dateArg(a[1], c), d2 = dateArg(a[2], c);
    CivilDateTime t1 = civilFromDate(d1), t2 = civilFromDate(d2);
    int64_t s1 = totalSeconds(d1), s2 = totalSeconds(d2);
    int64_t day1 = floorDiv(s1, 86400), day2 = floorDiv(s2, 86400);
    int64_t r = 0;
    switch (interval) {
        case Interval::Year:
            r = t2.year - t1.year;
            break;
        case Interval::Quarter:
            r = (t2.year * 4 + (t2.month - 1) / 3) - (t1.year * 4 + (t1.month - 1) / 3);
            break;
        case Interval::Month:
            r = (t2.year * 12 + t2.month) - (t1.year * 12 + t1.month);
            break;
        case Interval::DayOfYear:
        case Interval::Day:
            r = day2 - day1;
            break;
        case Interval::Weekday:
            r = (day2 - day1) / 7;
            break;
        case Interval::Week:
            r = (weekStart(day2, firstDay) - weekStart(day1, firstDay)) / 7;
            break;
        case Interval::Hour:
            r = floorDiv(s2, 3600) - floorDiv(s1, 3600);
            break;
        case Interval::Minute:
            r = floorDiv(s2, 60) - floorDiv(s1, 60);
            break;
        case Interval::Second:
            r = s2 - s1;
            break;
    }
    return Value::integer(r);
}

Value datePartFn(const std::vector<Value>& a, const FunctionContext& c) {
    Interval interval = intervalArg(a[0], c);
    int firstDay = firstDayArg(a, 2, c);
    int firstWeek = firstWeekArg(a, 3, c);
    if (a[1].isNull()) return Value::null();
    double date = dateArg(a[1], c);
    CivilDateTime t = civilFromDate(date);
    int64_t day = dayNumberFromCivil(t.year, t.month, t.day);
    switch (interval) {
        case Interval::Year:
            return Value::integer(t.year);
        case Interval::Quarter:
            return Value::integer((t.month - 1) / 3 + 1);
        case Interval::Month:
            return Value::integer(t.month);
        case Interval::DayOfYear:
            return Value::integer(day - dayNumberFromCivil(t.year, 1, 1) + 1);
        case Interval::Day:
            return Value::integer(t.day);
        case Interval::Weekday:
            return Value::integer(weekdayFrom(day, firstDay));
        case Interval::Week:
            return Value::integer(weekOfYear(day, t.year, firstDay, firstWeek));
        case Interval::Hour:
            return Value::integer(t.hour);
        case Interval::Minute:
            return Value::integer(t.minute);
        case Interval::Second:
            return Value::integer(t.second);
    }
    throwInvalidCall();
}

Value dateSerialFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (anyNull(a)) throwInvalidUseOfNull();
    int64_t year = toWholeNumber(a[0], -32768, 32767, *c.locale);
    int64_t month = toWholeNumber(a[1], -32768, 32767, *c.locale);
    int64_t day = toWholeNumber(a[2], -32768, 32767, *c.locale);
    if (year >= 0 && year < 100) year += year < 30 ? 2000 : 1900;
    int64_t total = year * 12 + (month - 1);
    int64_t y = floorDiv(total, 12);
    int m = static_cast<int>(total - y * 12) + 1;
    if (y < 100 || y > 9999) throwInvalidCall();
    double d = static_cast<double>(dayNumberFromCivil(static_cast<int>(y), m, 1) + day - 1);
    if (!isValidDateNumber(d)) throwInvalidCall();
    return Value::dateTime(d);
}

Value timeSerialFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (anyNull(a)) throwInvalidUseOfNull();
    int64_t h = toWholeNumber(a[0], -32768, 32767, *c.locale);
    int64_t n = toWholeNumber(a[1], -32768, 32767, *c.locale);
    int64_t s = toWholeNumber(a[2], -32768, 32767, *c.locale);
    return Value::dateTime(dateFromSeconds(h * 3600 + n * 60 + s));
}

Value dateValueFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) throwInvalidUseOfNull();
    return Value::dateTime(static_cast<double>(dayPart(dateArg(a[0], c))));
}

Value timeValueFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) throwInvalidUseOfNull();
    int64_t seconds = totalSeconds(dateArg(a[0], c));
    return Value::dateTime(static_cast<double>(seconds - floorDiv(seconds, 86400) * 86400) /
                           86400.0);
}

bool abbreviateArg(const std::vector<Value>& a, size_t i, const FunctionContext& c) {
    return i < a.size() && !a[i].isNull() && toBoolean(a[i], *c.locale);
}

Value monthNameFn(const std::vector<Value>& a, const FunctionContext& c) {
    int64_t m = longArg(a[0], c);
    if (m < 1 || m > 12) throwInvalidCall();
    const SqlLocale& l = *c.locale;
    return Value::text(abbreviateArg(a, 1, c) ? l.monthAbbreviations[m - 1] : l.monthNames[m - 1]);
}

Value weekdayNameFn(const std::vector<Value>& a, const FunctionContext& c) {
    int64_t w = longArg(a[0], c);
    if (w < 1 || w > 7) throwInvalidCall();
    int firstDay = firstDayArg(a, 2, c);
    size_t index = static_cast<size_t>((w - 1 + firstDay - 1) % 7);
    const SqlLocale& l = *c.locale;
    return Value::text(abbreviateArg(a, 1, c) ? l.dayAbbreviations[index] : l.dayNames[index]);
}

}  // namespace

void addDateFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"Date", 0, 0, dateFn, FunctionKind::Volatile});
    out.push_back({"Time", 0, 0, timeFn, FunctionKind::Volatile});
    out.push_back({"Now", 0, 0, nowFn, FunctionKind::Volatile});
    out.push_back({"Year", 1, 1, civilPart<&CivilDateTime::year>});
    out.push_back({"Month", 1, 1, civilPart<&CivilDateTime::month>});
    out.push_back({"Day", 1, 1, civilPart<&CivilDateTime::day>});
    out.push_back({"Hour", 1, 1, civilPart<&CivilDateTime::hour>});
    out.push_back({"Minute", 1, 1, civilPart<&CivilDateTime::minute>});
    out.push_back({"Second", 1, 1, civilPart<&CivilDateTime::second>});
    out.push_back({"Weekday", 1, 2, weekdayFn});
    out.push_back({"DateAdd", 3, 3, dateAddFn});
    out.push_back({"DateDiff", 3, 5, dateDiffFn});
    out.push_back({"DatePart", 2, 4, datePartFn});
    out.push_back({"DateSerial", 3, 3, dateSerialFn});
    out.push_back({"TimeSerial", 3, 3, timeSerialFn});
    out.push_back({"DateValue", 1, 1, dateValueFn});
    out.push_back({"TimeValue", 1, 1, timeValueFn});
    out.push_back({"MonthName", 1, 2, monthNameFn});
    out.push_back({"WeekdayName", 1, 3, weekdayNameFn});
}

}  // namespace jet
