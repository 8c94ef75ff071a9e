#include "jet/sql/value_ops_calendar.h"

#include <cmath>

#include "jet/sql/value_ops_errors.h"

namespace jet {

namespace {

// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochOffset = -25569;

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year)) return 29;
    return days[month - 1];
}

int64_t dayNumberFromCivil(int year, int month, int day) {
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
           kEpochOffset;
}

void civilFromDayNumber(int64_t dayNumber, int& year, int& month, int& day) {
    int64_t z = dayNumber + kEpochOffset + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    if (month <= 2) ++y;
    year = static_cast<int>(y);
}

double linearFromDate(double date) {
    if (date >= 0) return date;
    double whole = std::ceil(date);  // toward zero
    return whole + (whole - date);
}

double dateFromLinear(double linear) {
    if (linear >= 0) return linear;
    double whole = std::floor(linear);
    double frac = linear - whole;
    return whole - frac;
}

int64_t dayPart(double date) {
    return static_cast<int64_t>(std::floor(linearFromDate(date)));
}

double timePart(double date) {
    double linear = linearFromDate(date);
    return linear - std::floor(linear);
}

CivilDateTime civilFromDate(double date) {
    double linear = linearFromDate(date);
    double whole = std::floor(linear);
    int64_t seconds = std::llround((linear - whole) * 86400.0);
    int64_t days = static_cast<int64_t>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    CivilDateTime c;
    civilFromDayNumber(days, c.year, c.month, c.day);
    c.hour = static_cast<int>(seconds / 3600);
    c.minute = static_cast<int>(seconds / 60 % 60);
    c.second = static_cast<int>(seconds % 60);
    return c;
}

bool isValidDateNumber(double date) {
    return std::isfinite(date) && date >= kMinDateNumber - 1e-9 && date < kMaxDateNumber + 1e-9;
}

void requireValidDate(double date) {
    if (!isValidDateNumber(date)) throwOverflow();
}

double dateFromCivil(const CivilDateTime& c) {
    if (c.year < 100 || c.year > 9999) throwInvalidCall();
    double linear = static_cast<double>(dayNumberFromCivil(c.year, c.month, c.day)) +
                    (c.hour * 3600.0 + c.minute * 60.0 + c.second) / 86400.0;
    return dateFromLinear(linear);
}

int weekdayOfDayNumber(int64_t dayNumber) {
    // Day 0 (1899-12-30) was a Saturday.
    int64_t r = (dayNumber + 6) % 7;
    if (r < 0) r += 7;
    return static_cast<int>(r) + 1;
}

}  // namespace jet
