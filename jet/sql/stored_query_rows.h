// Stored queries from SQL text: the MSysQueries rows Access keeps for a
// query, the inverse of storedQueryFromRows (stored_query.h).
//
// The text is read by the engine's parser; what it refuses is refused here
// with the parser's message and offset (sql::SyntaxError). The query is then
// taken apart as Access takes it apart when it saves a query: a type row,
// the flags, one row per parameter, source table, join, output column,
// grouping and sort key, and the WHERE and HAVING conditions (the layout is
// in stored_query_format.h). Expressions, and the target columns of an
// update or append, are kept as the text that was written, with its own
// spacing, brackets and parentheses, as Access keeps them; the names of
// tables and aliases are kept without their brackets.
//
// Union, data-definition and pass-through queries are kept as text, as
// Access keeps them: the two halves of a union (the last UNION splits it) as
// text rows, a data-definition or pass-through statement as the type row's
// expression with a trailing NUL.
//
// What a caller may rely on:
// - storedQueryFromRows(rows) gives the text back, character for character,
//   for any text that storedQueryFromRows itself produced. Other texts come
//   back in Access's layout: one clause per line, ';' at the end, a bare '*'
//   after the listed columns, sources that no join ties together before the
//   joins.
// - Rows come in attribute order; rows of one attribute in the order of the
//   text, numbered in `order` from 1 as Access numbers them. Their objectId
//   is 0 (the caller sets it).
// - Nothing is checked against a database: a query may name tables and
//   columns that do not exist (Access saves such a query; it fails when run).
// - Pure, no file access, safe from any thread. Besides syntax errors:
//   jet::Error (Unsupported) for what parses but has no stored form here (a
//   UNION inside INSERT or TRANSFORM, a Decimal parameter, a join side with
//   no name to refer to it by), jet::Error (InvalidArgument) for an INSERT
//   whose column list and values differ in number.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/sql/stored_query.h"

namespace jet {

struct QueryRowSet {
    QueryKind kind = QueryKind::Unknown;
    std::vector<QueryRow> rows;
};

// The rows of the Access SQL statement `sql` (one statement, optionally
// after PARAMETERS, one trailing ';' allowed).
QueryRowSet storedQueryRows(std::string_view sql);

// The rows of a pass-through query: `sql` goes to the server as it is, over
// the ODBC connection `connect` ("ODBC;DSN=...").
QueryRowSet passThroughQueryRows(std::string_view connect, std::string_view sql);

// The Flags value of the query's MSysObjects row for its kind (0 for a
// select query and an unknown kind).
int32_t objectFlagsForKind(QueryKind kind);

// Whether the Flag column of a row of `attribute` holds a value; Access
// leaves it empty for table, WHERE, HAVING, ORDER BY and end rows.
bool queryRowHasFlag(int attribute);

}  // namespace jet
