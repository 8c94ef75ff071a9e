// The evaluation errors of expressions, in the words Access uses. All are
// jet::Error with code InvalidArgument: the statement was well formed but a
// value could not be computed.
#pragma once

#include <string>
#include <string_view>

namespace jet {

[[noreturn]] void throwTypeMismatch();      // "Data type mismatch in criteria expression."
[[noreturn]] void throwOverflow();          // "Overflow"
[[noreturn]] void throwDivisionByZero();    // "Division by zero"
[[noreturn]] void throwInvalidUseOfNull();  // "Invalid use of Null"
[[noreturn]] void throwInvalidCall();       // "Invalid procedure call or argument"

}  // namespace jet
