// Deep copies of syntax trees, for callers that build a new statement out of
// the pieces of one they were given (the tree owns its nodes, so it cannot
// be shared). A copy keeps every field, source ranges and `?` positions
// included, so it binds and reports errors exactly as the original does.
#pragma once

#include "jet/sql/parser/ast.h"

namespace jet::sql {

ExprPtr cloneExpr(const Expr& expr);
// Null stays null.
ExprPtr cloneExpr(const ExprPtr& expr);
Query cloneQuery(const Query& query);
TableRefPtr cloneTableRef(const TableRef& ref);

}  // namespace jet::sql
