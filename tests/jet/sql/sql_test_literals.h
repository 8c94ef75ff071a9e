// The literals of eval records: typed values written without a parser, so
// that a function's argument and result types are stated exactly.
//   Null  True  False
//   123 (Long)  1.5 or 3# (Double)  1.5! (Single)  12.5@ (Currency)  1.50D (Decimal)
//   "text" with "" for a quote inside
//   #yyyy-mm-dd#, #yyyy-mm-dd hh:nn:ss# or #hh:nn:ss# (a Date/Time)
// and, as an expected value only:
//   ~1.4142 (a Double within 1e-9 relative)
//   error "message" (the call must throw jet::Error with that message)
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"

namespace sql_test {

struct EvalCall {
    std::string name;
    std::vector<jet::Value> arguments;
};

struct ExpectedValue {
    jet::Value value;
    bool approximate = false;
    bool isError = false;
    std::string error;
};

// "Name(literal, ...)"; throws std::runtime_error when it cannot be read.
EvalCall readEvalCall(std::string_view call);
// An expected value; throws std::runtime_error when it cannot be read.
ExpectedValue readExpectedValue(std::string_view text);

// The date number of "yyyy-mm-dd[ hh:nn:ss]" or "hh:nn:ss", worked out by
// counting days, independent of the engine's calendar code.
double dateLiteralDays(const std::string& s);

bool matches(const ExpectedValue& expected, const jet::Value& actual);
// A value in the literal syntax, with its type where the syntax hides it.
std::string describe(const jet::Value& v);

}  // namespace sql_test
