// The column type words of Access SQL's data definition (TEXT, LONG,
// COUNTER, YESNO, DATETIME, IEEEDOUBLE, ...): the one table of them, shared
// by the parser and by the tools that take a column list.
#pragma once

#include <optional>
#include <string_view>

#include "jet/sql/parser/ast.h"

namespace jet::sql {

// The column type a type word names (upper case), without size; nothing for
// an unknown word. As in Access DDL, INTEGER is a 32-bit Long and SHORT the
// 16-bit Integer.
std::optional<ColumnType> columnTypeForWord(std::string_view upper);

}  // namespace jet::sql
