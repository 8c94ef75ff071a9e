// Running statements that change data: INSERT INTO, UPDATE and DELETE, and
// stored update, append and delete queries by name. Structure statements
// (CREATE, ALTER, DROP) are sent on to schema_statement.h.
//
// What a caller may rely on:
// - A statement applies completely or not at all: it runs in one page
//   transaction (jet/file/page_store.h), and any error rolls everything back,
//   leaving the file as it was. Inside a transaction the caller has opened
//   on db.pages() it joins that one instead, and after an error the caller
//   rolls back (and forgets the table definitions it touched, see
//   Database::forgetTableDef).
// - UPDATE and DELETE first find every row they change, and UPDATE works out
//   every new value from the row's old values, before the first row is
//   written: a statement never sees its own changes. A row reached twice
//   (through a join) changes once and counts once.
// - INSERT fills the columns it does not name with their default values,
//   INSERT and UPDATE check the validation rules of the fields and the table
//   (table_rules.h) and the table editor's rules (jet/table/table_editor.h,
//   whose messages pass through as they are) before a row is written.
// - INSERT ... SELECT without a column list fills the columns named like the
//   SELECT's result columns, as Access does; VALUES without one fills every
//   column in order.
// - UPDATE may change the columns of any base table its source (a table or
//   a join) reaches; DELETE deletes rows of one table: the one named by
//   `DELETE T.*`, else the only table of the FROM clause.
// - PARAMETERS declarations and named parameters work as in a SELECT
//   (ExecuteOptions::parameters).
// - Errors are jet::Error in Access's words, among them:
//   an unknown table   "The Microsoft Access database engine cannot find the
//                      input table or query 'X'. ..." (NotFound)
//   an unknown column in the INSERT list
//                      "The INSERT INTO statement contains the following
//                      unknown field name: 'X'. Make sure you have typed the
//                      name correctly, and try the operation again."
//   value and column counts that differ
//                      "Number of query values and destination fields are
//                      not the same."
//   a column named twice "Duplicate output destination 'X'."
//   a column that cannot change "Cannot update 'X'; field not updateable."
//   no table to change  "Operation must use an updateable query."
//   DELETE over several tables without T.*
//                      "Specify the table containing the records you want to
//                      delete."
//   a SELECT given as an action "Cannot execute a select query."
//   a database open read-only "Cannot update. Database or object is
//                      read-only." (Io)
//   SELECT ... INTO and the structure statements are refused as Unsupported
//   for now.
#pragma once

#include <cstddef>
#include <string_view>

#include "jet/catalog/database.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/parser/ast.h"

namespace jet::sql {

// Runs one statement that changes data or structure; returns the number of
// records affected (0 for a structure statement). A text that is just the
// name of a stored update, append or delete query runs that query.
size_t executeAction(Database& db, std::string_view sql, const ExecuteOptions& options = {});
size_t executeActionStatement(Database& db, const Statement& statement,
                              const ExecuteOptions& options = {});

// Runs the stored update, append or delete query `queryName` (without
// regard to case). Throws jet::Error: NotFound when there is no such query,
// InvalidArgument ("Cannot execute a select query.") for one that returns
// rows, and what running its SQL throws.
size_t executeStoredAction(Database& db, std::string_view queryName,
                           const ExecuteOptions& options = {});

// Whether `statement` changes the file (anything but SELECT without INTO,
// UNION and TRANSFORM): for callers that open the file writable only when
// they must.
bool changesDatabase(const Statement& statement);

// Whether `name` is a stored update, append or delete query of `db`.
bool isStoredAction(Database& db, std::string_view name);

}  // namespace jet::sql
