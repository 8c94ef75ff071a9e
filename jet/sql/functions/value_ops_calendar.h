// Access's date numbers and civil dates.
//
// A Date/Time value is a double counting days since 1899-12-30; the
// fraction is the time of day. Before that day Access keeps the time
// positive: -1.25 is 1899-12-29 06:00, not 1899-12-28 18:00. So the number
// is not a continuous time line there; `linearFromDate` and `dateFromLinear`
// convert to and from one (where -1.25 becomes -0.75), and all date
// arithmetic (adding hours, differences) goes through it.
//
// Valid dates run from 100-01-01 (-657434) to 9999-12-31 23:59:59
// (2958465.99999); the functions that build dates refuse anything outside.
#pragma once

#include <cstdint>

#include "jet/calendar.h"

namespace jet {

constexpr double kMinDateNumber = -657434.0;
constexpr double kMaxDateNumber = 2958465.999988426;

struct CivilDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

double linearFromDate(double date);
double dateFromLinear(double linear);

// The date and time of a date number, rounded to the nearest second as
// Access displays it. The date must be finite.
CivilDateTime civilFromDate(double date);
// The date number of a civil date and time; throws jet::Error
// "Invalid procedure call or argument" when the result is outside 100..9999.
double dateFromCivil(const CivilDateTime& c);
bool isValidDateNumber(double date);
// Throws "Overflow" unless `date` lies in the valid range.
void requireValidDate(double date);

// The whole-day part and the time-of-day part (0 <= time < 1).
int64_t dayPart(double date);
double timePart(double date);

// 1 = Sunday ... 7 = Saturday.
int weekdayOfDayNumber(int64_t dayNumber);

}  // namespace jet
