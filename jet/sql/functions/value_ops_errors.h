// The evaluation errors of expressions, in the words Access uses. All are
// EvaluationError, a jet::Error with code InvalidArgument: the statement was
// well formed but a value could not be computed for the row at hand (in a
// result column, Access shows "#Error" for it and goes on).
#pragma once

#include <string>
#include <string_view>

#include "jet/error.h"

namespace jet {

class EvaluationError : public Error {
public:
    explicit EvaluationError(const std::string& message)
        : Error(ErrorCode::InvalidArgument, message) {}
};

[[noreturn]] void throwTypeMismatch();      // "Data type mismatch in criteria expression."
[[noreturn]] void throwOverflow();          // "Overflow"
[[noreturn]] void throwDivisionByZero();    // "Division by zero"
[[noreturn]] void throwInvalidUseOfNull();  // "Invalid use of Null"
[[noreturn]] void throwInvalidCall();       // "Invalid procedure call or argument"

}  // namespace jet
