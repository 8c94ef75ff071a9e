// Proleptic Gregorian dates and Access's day numbers (days since
// 1899-12-30, the whole part of a Date/Time value). The one home of the
// civil-date arithmetic that values, date literals and the date functions
// share.
#pragma once

#include <cstdint>

namespace jet {

bool isLeapYear(int year);
// Days of the month (1..12) in that year.
int daysInMonth(int year, int month);

// Day number of a proleptic Gregorian date (month and day must be valid).
int64_t dayNumberFromCivil(int year, int month, int day);
// The date of a day number.
void civilFromDayNumber(int64_t dayNumber, int& year, int& month, int& day);

}  // namespace jet
