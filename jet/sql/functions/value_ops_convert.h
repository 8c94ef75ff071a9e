// Conversions between the kinds of jet::Value the way Access's expression
// service converts them: text to numbers and dates with the locale's
// conventions, numbers and dates to text as CStr writes them, banker's
// rounding. Failures throw jet::Error with Access's messages
// ("Data type mismatch in criteria expression.", "Overflow",
// "Invalid use of Null").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/sql/functions/functions_locale.h"
#include "jet/value.h"

namespace jet {

// Boolean, integer, Single, Double, Currency or Decimal (not Date/Time).
bool isNumberValue(const Value& v);

// A number in text as Access accepts it: surrounding spaces, a sign or
// parentheses, a currency symbol, thousands separators, a fraction, an
// exponent (E or D), or &H / &O prefixes. Nothing else may follow.
std::optional<double> parseNumberText(std::string_view text, const SqlLocale& locale);
// The number a text spells in the locale's form, as plain text: an optional
// "-", digits with one optional ".", an optional exponent "e[+-]digits"
// (currency symbol, grouping and parentheses dropped); nothing for text that
// spells no decimal number. Radix forms (&H, &O) are not plain numbers.
std::optional<std::string> plainNumberText(std::string_view text, const SqlLocale& locale);

// A date and/or time in text: m/d/yyyy (the locale's order), yyyy-mm-dd,
// month names ("January 27, 1993", "27-Jan-93"), times h:nn[:ss] with
// AM/PM. Two-digit years 00..29 are 2000..2029, 30..99 are 1930..1999. A
// date without a year takes `currentYear`. nullopt when not a date.
std::optional<double> parseDateText(std::string_view text, const SqlLocale& locale,
                                    int currentYear = 2000);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, any case).
std::optional<Guid> parseGuidText(std::string_view text);

// Half-to-even rounding to a whole number, as CInt and Round do.
double roundHalfEven(double v);
// Half away from zero, as Format rounds.
double roundHalfAway(double v);

// The value as a double: numbers and dates directly, Boolean as -1/0, text
// through parseNumberText. Null throws "Invalid use of Null"; other kinds
// and non-numeric text throw the type mismatch.
double toDouble(const Value& v, const SqlLocale& locale);
// The value as a date number: dates, numbers in the date range, text
// through parseDateText (or a number in text).
double toDateNumber(const Value& v, const SqlLocale& locale);
// Numbers: non-zero is True; text "True"/"False" or a number in text.
bool toBoolean(const Value& v, const SqlLocale& locale);
// A number kind for arithmetic: numeric values as they are, dates as they
// are, text parsed to Double. Null stays Null.
Value toArithmetic(const Value& v, const SqlLocale& locale);

// Text as CStr writes it: numbers with up to 15 (Single: 7) significant
// digits, dates in the General Date form, Boolean as "True"/"False",
// binary as its bytes read as UTF-16, GUIDs in braces. Null throws
// "Invalid use of Null".
std::string toText(const Value& v, const SqlLocale& locale);
std::string doubleToText(double v, int significantDigits, const SqlLocale& locale);
// General Date: "1/27/1993 5:04:23 PM", a date alone when the time is
// midnight, a time alone on day 0.
std::string dateToText(double date, const SqlLocale& locale);

// Checked narrowing for CInt, CLng, CByte: rounds half to even, throws
// "Overflow" outside [lo, hi].
int64_t toWholeNumber(const Value& v, int64_t lo, int64_t hi, const SqlLocale& locale);
// Currency ten-thousandths of a value (rounded half to even); "Overflow"
// outside Currency's range.
int64_t toCurrencyUnits(const Value& v, const SqlLocale& locale);
Decimal toDecimal(const Value& v, const SqlLocale& locale);

}  // namespace jet
