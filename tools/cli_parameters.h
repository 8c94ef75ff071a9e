// Parameter values given on the command line: --param NAME=VALUE.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "jet/value.h"

namespace tools {

// Splits "NAME=VALUE" at the first '=' and reads VALUE as Access would read a
// literal: a whole number (Long, or Double past a Long), a number with a
// fraction or exponent (Double), #date# (Date/Time), Null, True or False;
// anything else is text, a quoted 'text' or "text" without its quotes.
// Throws std::invalid_argument when there is no '=' or no name.
std::pair<std::string, jet::Value> parseParameterArgument(std::string_view argument);

}  // namespace tools
