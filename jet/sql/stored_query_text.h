// Small text helpers for taking a query's SQL apart into stored rows: the
// parser records where each piece is, these find the parentheses around it.
// Quoted strings ('...', "...") and bracketed names are skipped whole, so
// parentheses inside them do not count (a #date# holds none).
#pragma once

#include <string>
#include <string_view>

#include "jet/sql/parser/ast.h"

namespace jet::query_text {

// Whether the whole text is one parenthesised unit: "(a = b)" is, "(a) + (b)"
// and "a" are not.
bool isWrappedInParentheses(std::string_view text);

// `range` grown over parentheses that enclose exactly it ("( SELECT ... )"
// around the SELECT), as often as they do.
sql::SourceRange widenToParentheses(std::string_view text, sql::SourceRange range);

// The text without blanks, tabs and line breaks at either end.
std::string trimmed(std::string_view text);

}  // namespace jet::query_text
