// Reading the dates of SQL texts: the text between the '#' of an Access date
// literal, and the fixed format of dates quoted in recordset filter texts.
//
// Both give Access's day count (days since 1899-12-30, time as the fraction;
// before that day the whole part is negative and the time still adds to the
// day: -1.25 is 1899-12-29 06:00). Both refuse dates that do not exist
// (#2/30/2020#) and years outside 100..9999, and never depend on the clock or
// the locale.
#pragma once

#include <optional>
#include <string_view>

namespace jet::sql {

// Access's #date# forms, as US English Access reads them:
//   m/d/yyyy, m-d-yyyy, m.d.yyyy (a month above 12 is read as the day:
//   #13/1/2020# is 13 January), m/d/yy (00-29 is 20xx, 30-99 is 19xx),
//   yyyy-mm-dd, yyyy/mm/dd, d-mmm-yyyy, d mmm yyyy, mmm d, yyyy and
//   mmmm d, yyyy (English month names),
// each optionally followed by a time h:nn[:ss] [AM|PM]; a time alone is a time
// on day 0. A day and month without a year are refused (they would depend on
// today's date).
std::optional<double> parseDateLiteral(std::string_view text);

// Exactly "yyyy-mm-dd" or "yyyy-mm-dd hh:nn:ss" (24-hour clock, two digits
// each, four for the year).
std::optional<double> parseIsoDateTime(std::string_view text);

// Access's day count of a calendar date and a time of day. The caller checks
// the ranges.
double accessDays(int year, int month, int day, int hour, int minute, int second);

}  // namespace jet::sql
