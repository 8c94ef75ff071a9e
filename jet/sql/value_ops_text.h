// Text helpers of the expression functions: UTF-8 to code points and back,
// case folding and the case-insensitive comparison Access applies to text
// by default. Character positions in the functions (Len, Mid, InStr) count
// Unicode code points.
#pragma once

#include <string>
#include <string_view>

#include "jet/value.h"

namespace jet {

std::string asciiUpper(std::string_view s);
// Malformed UTF-8 bytes decode to U+FFFD, so any bytes give some text.
std::u32string decodeUtf8(std::string_view s);
std::string encodeUtf8(std::u32string_view s);

// Simple Unicode case folding of one code point (ICU's default folding).
char32_t foldCase(char32_t c);
std::u32string foldText(std::u32string_view s);
// Upper and lower case of every code point (one code point each).
std::string upperText(std::string_view s);
std::string lowerText(std::string_view s);

// Three-way comparisons: by folded code points, or by code points exactly.
int compareTextNoCase(std::string_view a, std::string_view b);
int compareTextExact(std::string_view a, std::string_view b);

// Binary data read as UTF-16LE text (what CStr does with bytes); an odd
// trailing byte is dropped.
std::string utf8FromUtf16Bytes(const Blob& bytes);

}  // namespace jet
