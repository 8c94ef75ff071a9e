// How tabulon-cli writes values as CSV: NULL as an empty unquoted field;
// text, memo, dates and GUIDs quoted with '"' (inner quotes doubled);
// numbers unquoted in their shortest exact form; Currency with 4 decimals;
// Boolean 0/1; dates "YYYY-MM-DD HH:MM:SS"; binary as upper-case hex.
#pragma once

#include <string>

#include "jet/value.h"

namespace tools {

std::string csvQuote(const std::string& s);
std::string csvField(const jet::Value& v);

}  // namespace tools
