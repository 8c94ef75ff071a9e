// SQL text from a syntax tree.
//
// What a caller may rely on:
// - Parsing the printed text gives a tree that prints the same text again
//   (the printer's output is a fixed point), in both styles.
// - Keywords are upper case; names are bracketed only when needed (not a
//   plain word, or a reserved word); text literals use double quotes, as
//   Access's SQL view does; dates print as #yyyy-mm-dd# or
//   #yyyy-mm-dd hh:nn:ss#.
// - The statement is one line, without a trailing ';'.
#pragma once

#include <string>
#include <string_view>

#include "jet/sql/parser/ast.h"

namespace jet::sql {

struct PrintOptions {
    // Parenthesise every operation that is an operand of another, so the
    // text shows the tree's shape: a + b * c prints as a + (b * c). Without
    // it only the parentheses precedence needs are written.
    bool explicitParentheses = false;
};

std::string toSql(const Statement& statement, const PrintOptions& options = {});
std::string toSql(const Query& query, const PrintOptions& options = {});
std::string toSql(const Expr& expr, const PrintOptions& options = {});

// A name as SQL text: as is when it is a plain word that is not reserved,
// otherwise in brackets.
std::string quoteIdentifier(std::string_view name);

// The text of a literal value ("abc" quoted, 12, 1.5, True, Null, #2020-01-31#).
std::string literalSql(const Value& value);

}  // namespace jet::sql
