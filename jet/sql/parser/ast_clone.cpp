#include "jet/sql/parser/ast_clone.h"

namespace jet::sql {
namespace {

QueryPtr cloneQueryPtr(const QueryPtr& query) {
    return query ? std::make_unique<Query>(cloneQuery(*query)) : nullptr;
}

SelectCore cloneCore(const SelectCore& core) {
    SelectCore out;
    out.range = core.range;
    out.predicate = core.predicate;
    out.top = core.top;
    for (const SelectItem& item : core.items) out.items.push_back({cloneExpr(item.expr), item.alias});
    out.into = core.into;
    for (const TableRefPtr& ref : core.from) out.from.push_back(cloneTableRef(*ref));
    out.where = cloneExpr(core.where);
    for (const ExprPtr& e : core.groupBy) out.groupBy.push_back(cloneExpr(e));
    out.having = cloneExpr(core.having);
    return out;
}

}  // namespace

ExprPtr cloneExpr(const Expr& expr) {
    auto out = std::make_unique<Expr>();
    out->kind = expr.kind;
    out->range = expr.range;
    out->value = expr.value;
    out->names = expr.names;
    out->separators = expr.separators;
    out->parameterIndex = expr.parameterIndex;
    out->unaryOp = expr.unaryOp;
    out->binaryOp = expr.binaryOp;
    out->quantifier = expr.quantifier;
    out->wildcards = expr.wildcards;
    out->negated = expr.negated;
    out->distinct = expr.distinct;
    out->starArgument = expr.starArgument;
    for (const ExprPtr& operand : expr.operands) out->operands.push_back(cloneExpr(operand));
    out->subquery = cloneQueryPtr(expr.subquery);
    return out;
}

ExprPtr cloneExpr(const ExprPtr& expr) {
    return expr ? cloneExpr(*expr) : nullptr;
}

Query cloneQuery(const Query& query) {
    Query out;
    out.range = query.range;
    for (const SelectCore& core : query.parts) out.parts.push_back(cloneCore(core));
    out.unionAll = query.unionAll;
    for (const OrderItem& item : query.orderBy)
        out.orderBy.push_back({cloneExpr(item.expr), item.descending});
    return out;
}

TableRefPtr cloneTableRef(const TableRef& ref) {
    auto out = std::make_unique<TableRef>();
    out->kind = ref.kind;
    out->range = ref.range;
    out->name = ref.name;
    out->database = ref.database;
    out->alias = ref.alias;
    out->subquery = cloneQueryPtr(ref.subquery);
    out->joinType = ref.joinType;
    if (ref.left) out->left = cloneTableRef(*ref.left);
    if (ref.right) out->right = cloneTableRef(*ref.right);
    out->condition = cloneExpr(ref.condition);
    return out;
}

}  // namespace jet::sql
