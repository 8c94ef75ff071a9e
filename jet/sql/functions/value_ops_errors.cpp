#include "jet/sql/functions/value_ops_errors.h"

#include "jet/error.h"

namespace jet {

void throwTypeMismatch() {
    throw EvaluationError("Data type mismatch in criteria expression.");
}
void throwOverflow() {
    throw EvaluationError("Overflow");
}
void throwDivisionByZero() {
    throw EvaluationError("Division by zero");
}
void throwInvalidUseOfNull() {
    throw EvaluationError("Invalid use of Null");
}
void throwInvalidCall() {
    throw EvaluationError("Invalid procedure call or argument");
}

}  // namespace jet
