// Pieces of the Format function shared by its files (format_function*.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jet/sql/functions/functions_locale.h"
#include "jet/value.h"

namespace jet {

// Splits a format at semicolons outside quotes and escapes.
std::vector<std::string> splitFormatSections(std::string_view format);

// True when the format holds date or time placeholders.
bool isDateFormat(std::string_view format);
// True when the format holds 0 or # digit placeholders.
bool isNumberFormat(std::string_view format);

// A number by a custom number format (all sections). `value` must be a
// number kind (Boolean, integer, Single, Double, Currency, Decimal).
std::string formatNumber(const Value& value, std::string_view format, const SqlLocale& locale);
// A date number by a custom date format.
std::string formatDate(double date, std::string_view format, const SqlLocale& locale,
                       int firstDayOfWeek, int firstWeekOfYear);

}  // namespace jet
