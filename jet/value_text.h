// One value as plain text, the one spelling every caller starts from: the
// command-line tool's CSV, SQL literals, the data surface's display text,
// test descriptions. Callers differ only in the few forms TextForm names,
// and in the quotes they put around text-like values themselves.
#pragma once

#include <string>
#include <string_view>

#include "jet/value.h"

namespace jet {

// The spellings that differ between callers.
struct TextForm {
    std::string_view null;             // a null value
    std::string_view falseText = "0";  // Booleans
    std::string_view trueText = "1";
    std::string_view binaryPrefix;  // before the hex digits of binary data
};

// Numbers in their shortest exact form, Currency with four decimals, Decimal
// with its scale, dates "YYYY-MM-DD HH:MM:SS", extended dates with seven
// fraction digits, text as it is, GUIDs "{...}" in upper case, binary data as
// upper-case hex; null and Booleans as `form` says.
std::string valueText(const Value& v, const TextForm& form = {});

// Text, dates and GUIDs: the values that CSV and SQL write inside quotes (or
// date marks) and numbers, Booleans and binary data not.
inline bool isTextLike(const Value& v) {
    return v.is<std::string>() || v.is<DateTimeValue>() || v.is<ExtDateTime>() || v.is<Guid>();
}

}  // namespace jet
