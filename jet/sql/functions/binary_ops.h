// The binary operators of the syntax tree applied to two evaluated values,
// shared by the query executor and the recordset filter so that both give
// the same answer for the same expression.
#pragma once

#include "jet/sql/functions/functions_locale.h"
#include "jet/sql/functions/value_ops.h"
#include "jet/sql/parser/ast.h"

namespace jet::sql {

// Comparison operators map to CompareOp; any other operator maps to Equal.
CompareOp compareOpOf(BinaryOp op);

// Arithmetic, concatenation, logic and comparison with Access's Null rules.
// Short-circuiting of AND/OR is the caller's business.
Value applyBinaryOp(BinaryOp op, const Value& a, const Value& b, const CompareOptions& options,
                    const SqlLocale& locale = englishUnitedStates());

}  // namespace jet::sql
