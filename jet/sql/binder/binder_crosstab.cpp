// Binding TRANSFORM ... PIVOT: the SELECT binds as a grouped query; the
// value and the pivot bind in its scope.
#include "jet/sql/binder/binder_internal.h"

namespace jet::sql::detail {

std::string crosstabHeading(const Value& v) {
    if (v.isNull()) return "<>";
    if (v.is<std::string>()) return v.as<std::string>();
    if (v.is<bool>()) return v.as<bool>() ? "True" : "False";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    if (v.is<double>()) return formatDouble(v.as<double>());
    if (v.is<float>()) return formatSingle(v.as<float>());
    if (v.is<CurrencyValue>()) return formatCurrency(v.as<CurrencyValue>().tenThousandths);
    if (v.is<Decimal>()) return v.as<Decimal>().toString();
    if (v.is<DateTimeValue>()) return formatDateTime(v.as<DateTimeValue>().days);
    if (v.is<Guid>()) return v.as<Guid>().toString();
    return "Expr";
}

std::shared_ptr<BoundQuery> Binder::bindCrosstab(const CrosstabQuery& crosstab) {
    if (crosstab.select.parts.size() != 1) {
        throw Error(ErrorCode::Syntax, "Syntax error in TRANSFORM statement.");
    }
    std::shared_ptr<BoundQuery> query = bindQuery(crosstab.select, nullptr);
    BoundSelect& select = query->parts[0];
    select.grouped = true;
    Scope scope{&select, query.get(), nullptr};
    auto bound = std::make_shared<BoundCrosstab>();
    if (!containsAggregate(*crosstab.value.expr)) {
        throw Error(ErrorCode::Syntax, "The TRANSFORM value '" + exprText(*crosstab.value.expr) +
                                           "' must be an aggregate function.");
    }
    bound->value = bindExpr(*crosstab.value.expr, scope, {&bound->valueAggregates, "TRANSFORM"});
    if (containsAggregate(*crosstab.pivot)) {
        throw Error(ErrorCode::Syntax, "Cannot have aggregate function in PIVOT clause (" +
                                           exprText(*crosstab.pivot) + ").");
    }
    bound->pivot = bindExpr(*crosstab.pivot, scope, {nullptr, "PIVOT clause"});
    for (const auto& heading : crosstab.pivotValues) {
        BoundExprPtr h = bindExpr(*heading, scope, {nullptr, "PIVOT clause"});
        if (h->kind != BoundKind::Literal) {
            throw Error(ErrorCode::Syntax,
                        "Syntax error in query expression '" + exprText(*heading) + "'.");
        }
        bound->headings.push_back(h->value);
    }
    bound->fixedHeadings = !crosstab.pivotValues.empty();
    for (const Value& h : bound->headings) {
        ResultColumn c;
        c.name = crosstabHeading(h);
        c.size = 255;
        query->columns.push_back(c);
    }
    for (auto& c : query->columns) c.updatable = false;
    query->crosstab = std::move(bound);
    return query;
}

}  // namespace jet::sql::detail
