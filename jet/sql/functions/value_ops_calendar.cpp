#include "jet/sql/functions/value_ops_calendar.h"

#include <cmath>

#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

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
