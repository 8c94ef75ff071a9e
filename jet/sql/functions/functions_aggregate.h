// The aggregate functions of GROUP BY queries: an accumulator per group
// receives the argument's value for every row (add) and gives the
// aggregate (result) at the end.
//
// Null rules, as in Access: Count(x) counts non-Null values and
// Count(*) counts rows (the executor passes any value per row); Sum, Avg,
// Min, Max, StDev, StDevP, Var and VarP ignore Null and give Null when no
// value was added; StDev and Var need two values, StDevP and VarP one.
// First and Last give the value of the first and last row added, Null
// included. Sum keeps the type of its values (integers stay integers while
// they fit, Currency stays Currency); Avg gives Currency for Currency,
// Decimal for Decimal, else Double. Sum, Avg and the deviations refuse
// text ("Data type mismatch in criteria expression.").
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "jet/sql/functions/value_ops.h"
#include "jet/value.h"

namespace jet {

enum class AggregateKind {
    Count,      // Count(expression)
    CountRows,  // Count(*)
    Sum,
    Avg,
    Min,
    Max,
    First,
    Last,
    StDev,
    StDevP,
    Var,
    VarP,
};

class Accumulator {
public:
    virtual ~Accumulator() = default;
    virtual void add(const Value& v) = 0;
    virtual Value result() const = 0;
};

// The aggregate named (without regard to case); Count maps to Count, the
// caller chooses CountRows for Count(*). nullopt for other names.
std::optional<AggregateKind> aggregateKindOf(std::string_view name);

// Min and Max order text with `collation` (the default ignores case).
std::unique_ptr<Accumulator> makeAccumulator(AggregateKind kind, TextCollation collation = {});

}  // namespace jet
