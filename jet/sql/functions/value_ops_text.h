// Text helpers of the expression functions: UTF-8 to code points and back,
// case folding and the case-insensitive comparison Access applies to text
// by default. Character positions in the functions (Len, Mid, InStr) count
// Unicode code points.
#pragma once

#include <string>
#include <string_view>

#include "jet/format/sort_order.h"
#include "jet/format/text_codec.h"
#include "jet/value.h"

namespace jet {

std::string asciiUpper(std::string_view s);

// Simple Unicode case folding of one code point (ICU's default folding).
char32_t foldCase(char32_t c);
std::u32string foldText(std::u32string_view s);
// Upper and lower case of every code point (one code point each).
std::string upperText(std::string_view s);
std::string lowerText(std::string_view s);

// Three-way comparisons: by folded code points, or by code points exactly.
int compareTextNoCase(std::string_view a, std::string_view b);
int compareTextExact(std::string_view a, std::string_view b);
// By a sort order, as its index keys order text (without regard to case,
// accented letters beside their base letter); texts whose keys are equal
// but which differ in more than case (trailing spaces, characters past the
// 255th) follow by folded code points, so that only texts equal without
// regard to case compare equal.
int compareTextInSortOrder(std::string_view a, std::string_view b, SortOrderKind order);

}  // namespace jet
