#include "jet/sql/executor/executor_fast_condition.h"

#include <optional>

#include "jet/sql/functions/binary_ops.h"
#include "jet/sql/like.h"
#include "jet/sql/planner/planner.h"

namespace jet::sql::detail {
namespace {

bool isTrue(const Value& v) {
    return truthOf(v).value_or(false);
}

bool isColumn(const BoundExpr& e) {
    return e.kind == BoundKind::Column && e.depth == 0;
}

bool isNumber(const Value& v) {
    return v.is<int64_t>() || v.is<double>() || v.is<float>();
}

double numberOf(const Value& v) {
    if (v.is<int64_t>()) return static_cast<double>(v.as<int64_t>());
    if (v.is<double>()) return v.as<double>();
    return v.as<float>();
}

bool isComparison(BinaryOp op) {
    return op >= BinaryOp::Equal && op <= BinaryOp::GreaterEqual;
}

// `constant op column` read as `column op' constant`.
CompareOp turned(CompareOp op) {
    switch (op) {
        case CompareOp::Less:
            return CompareOp::Greater;
        case CompareOp::LessEqual:
            return CompareOp::GreaterEqual;
        case CompareOp::Greater:
            return CompareOp::Less;
        case CompareOp::GreaterEqual:
            return CompareOp::LessEqual;
        default:
            return op;
    }
}

template <typename T>
bool holds(CompareOp op, T a, T b) {
    switch (op) {
        case CompareOp::Equal:
            return a == b;
        case CompareOp::NotEqual:
            return a != b;
        case CompareOp::Less:
            return a < b;
        case CompareOp::LessEqual:
            return a <= b;
        case CompareOp::Greater:
            return a > b;
        case CompareOp::GreaterEqual:
            return a >= b;
    }
    return false;
}

}  // namespace

std::unique_ptr<FastCondition> FastCondition::compile(const BoundExpr& condition) {
    std::vector<const BoundExpr*> conjuncts;
    collectConjuncts(condition, conjuncts);
    auto fast = std::make_unique<FastCondition>();
    for (const BoundExpr* c : conjuncts) {
        Term term;
        if (c->kind == BoundKind::Binary && isComparison(c->binaryOp)) {
            const BoundExpr& a = *c->operands[0];
            const BoundExpr& b = *c->operands[1];
            const bool columnFirst = isColumn(a) && b.kind == BoundKind::Literal;
            const bool columnSecond = isColumn(b) && a.kind == BoundKind::Literal;
            if (!columnFirst && !columnSecond) return nullptr;
            const BoundExpr& column = columnFirst ? a : b;
            const BoundExpr& constant = columnFirst ? b : a;
            if (!isNumber(constant.value)) return nullptr;
            term.kind = Term::Kind::Compare;
            term.slot = column.column;
            term.op = columnFirst ? compareOpOf(c->binaryOp) : turned(compareOpOf(c->binaryOp));
            term.constant = &constant.value;
            term.number = numberOf(constant.value);
        } else if (c->kind == BoundKind::Like && c->pattern && isColumn(*c->operands[0])) {
            term.kind = Term::Kind::Like;
            term.slot = c->operands[0]->column;
            term.pattern = c->pattern.get();
            term.patternText = &c->operands[1]->value;
            term.dialect = c->dialect;
            term.negated = c->negated;
        } else if (c->kind == BoundKind::IsNull && isColumn(*c->operands[0])) {
            term.kind = Term::Kind::IsNull;
            term.slot = c->operands[0]->column;
            term.negated = c->negated;
        } else {
            return nullptr;
        }
        fast->terms_.push_back(term);
    }
    return fast;
}

bool FastCondition::passes(const Term& term, const Value& v, const CompareOptions& options) const {
    switch (term.kind) {
        case Term::Kind::IsNull:
            return v.isNull() != term.negated;
        case Term::Kind::Like:
            if (v.isNull()) return false;
            if (!v.is<std::string>()) {
                // A number or date is matched as its text, by the general rules.
                const Value result = likeOperator(v, *term.patternText, term.dialect);
                return isTrue(term.negated ? logicalNot(result) : result);
            }
            return term.pattern->matches(v.as<std::string>()) != term.negated;
        case Term::Kind::Compare:
            if (v.isNull()) return false;
            if (v.is<int64_t>() && term.constant->is<int64_t>()) {
                return holds(term.op, v.as<int64_t>(), term.constant->as<int64_t>());
            }
            if (v.is<double>() || v.is<float>() || v.is<int64_t>()) {
                return holds(term.op, numberOf(v), term.number);
            }
            return isTrue(compare(term.op, v, *term.constant, options));
    }
    return false;
}

bool FastCondition::passes(const std::vector<Value>& values, const CompareOptions& options) const {
    for (const Term& term : terms_) {
        if (term.slot >= values.size() || !passes(term, values[term.slot], options)) return false;
    }
    return true;
}

}  // namespace jet::sql::detail
