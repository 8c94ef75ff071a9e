// WHERE tested on a row's values where they lie: the common shapes — a
// column compared with a number, a column LIKE a fixed pattern, a column IS
// [NOT] NULL — joined by AND, without building a value for each constant,
// each operand or each result as the general evaluation does. A value of a
// kind the fast test does not know (a currency, a date, a text compared
// with a number) is compared by the general rules, so the answer is always
// the one evaluation would give. Not for use outside the executor.
#pragma once

#include <memory>
#include <vector>

#include "jet/sql/binder/binder.h"
#include "jet/sql/functions/value_ops.h"

namespace jet::sql::detail {

class FastCondition {
public:
    // Null when some conjunct has another shape.
    static std::unique_ptr<FastCondition> compile(const BoundExpr& condition);

    // True only when the condition is True for these values.
    bool passes(const std::vector<Value>& values, const CompareOptions& options) const;

private:
    struct Term {
        enum class Kind { Compare, Like, IsNull } kind = Kind::Compare;
        size_t slot = 0;
        CompareOp op = CompareOp::Equal;
        const Value* constant = nullptr;  // Compare: the number, in the bound tree
        double number = 0;
        const LikePattern* pattern = nullptr;  // Like, with its text and dialect
        const Value* patternText = nullptr;
        LikeDialect dialect = LikeDialect::Access;
        bool negated = false;
    };
    bool passes(const Term& term, const Value& v, const CompareOptions& options) const;

    std::vector<Term> terms_;
};

}  // namespace jet::sql::detail
