// Access's Format function: a value as text by a named or custom format.
//
// Named formats: General Number, Currency, Fixed, Standard, Percent,
// Scientific, Yes/No, True/False, On/Off, General Date, Long Date, Medium
// Date, Short Date, Long Time, Medium Time, Short Time (names compared
// without regard to case).
//
// Custom number formats: up to four sections "positive;negative;zero;null"
// of 0 # . , % E+ E- e+ e-, literal text in quotes or after a backslash, and
// other characters copied. A comma between digit placeholders groups
// thousands; commas just left of the decimal point divide by 1000 each.
// Numbers round half away from zero at the shown digits.
//
// Custom date formats: d dd ddd dddd ddddd dddddd w ww m mm mmm mmmm q y yy
// yyyy h hh n nn s ss ttttt c AM/PM am/pm A/P a/p AMPM, with / and : as the
// locale's separators. An m right after an h (or hh) means minutes. With
// an AM/PM marker hours run 1..12.
//
// Text formats: @ (a character or a space), & (a character or nothing),
// < (lower case), > (upper case), ! (fill placeholders from the left).
//
// Which kind of format applies follows Access: a date value with a number
// format prints its day number, a number or a numeric text with a date
// format prints it as a date. Null gives Null (or the fourth section of a
// number format).
#pragma once

#include <string_view>

#include "jet/sql/functions/functions_locale.h"
#include "jet/value.h"

namespace jet {

Value formatValue(const Value& value, std::string_view format,
                  const SqlLocale& locale = englishUnitedStates(), int firstDayOfWeek = 1,
                  int firstWeekOfYear = 1);

}  // namespace jet
