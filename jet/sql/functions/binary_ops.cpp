#include "jet/sql/functions/binary_ops.h"

namespace jet::sql {

CompareOp compareOpOf(BinaryOp op) {
    switch (op) {
        case BinaryOp::NotEqual:
            return CompareOp::NotEqual;
        case BinaryOp::Less:
            return CompareOp::Less;
        case BinaryOp::LessEqual:
            return CompareOp::LessEqual;
        case BinaryOp::Greater:
            return CompareOp::Greater;
        case BinaryOp::GreaterEqual:
            return CompareOp::GreaterEqual;
        default:
            return CompareOp::Equal;
    }
}

Value applyBinaryOp(BinaryOp op, const Value& a, const Value& b, const CompareOptions& options,
                    const SqlLocale& locale) {
    switch (op) {
        case BinaryOp::Power:
            return power(a, b, locale);
        case BinaryOp::Multiply:
            return multiply(a, b, locale);
        case BinaryOp::Divide:
            return divide(a, b, locale);
        case BinaryOp::IntDivide:
            return integerDivide(a, b, locale);
        case BinaryOp::Modulo:
            return modulo(a, b, locale);
        case BinaryOp::Add:
            return add(a, b, locale);
        case BinaryOp::Subtract:
            return subtract(a, b, locale);
        case BinaryOp::Concat:
            return concatenate(a, b, locale);
        case BinaryOp::And:
            return logicalAnd(a, b);
        case BinaryOp::Or:
            return logicalOr(a, b);
        case BinaryOp::Xor:
            return logicalXor(a, b);
        case BinaryOp::Eqv:
            return logicalEqv(a, b);
        case BinaryOp::Imp:
            return logicalImp(a, b);
        default:
            return compare(compareOpOf(op), a, b, options);
    }
}

}  // namespace jet::sql
