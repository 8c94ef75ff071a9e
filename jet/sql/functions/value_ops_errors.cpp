#include "jet/sql/functions/value_ops_errors.h"

#include "jet/error.h"

namespace jet {

void throwTypeMismatch() {
    throw Error(ErrorCode::InvalidArgument, "Data type mismatch in criteria expression.");
}
void throwOverflow() {
    throw Error(ErrorCode::InvalidArgument, "Overflow");
}
void throwDivisionByZero() {
    throw Error(ErrorCode::InvalidArgument, "Division by zero");
}
void throwInvalidUseOfNull() {
    throw Error(ErrorCode::InvalidArgument, "Invalid use of Null");
}
void throwInvalidCall() {
    throw Error(ErrorCode::InvalidArgument, "Invalid procedure call or argument");
}

}  // namespace jet
