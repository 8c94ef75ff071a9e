// Running SELECT statements: parse, bind, execute, and hand back every row.
//
// What a caller may rely on:
// - The result holds all rows at once (QueryResult), each with the identity
//   of the base-table rows it came from, so a recordset can keep stable
//   bookmarks.
// - Rows come in the order ORDER BY asks for (Null first when ascending,
//   text without regard to case, ties keep the order they were read in, for one table its storage
//   order); without ORDER BY a single table's rows come in storage order (or index order when an
//   equality or a numeric range on an indexed column picked the index),
//   grouped rows in the order of their GROUP BY values.
// - Conditions use three-valued logic: a row passes WHERE, ON or HAVING only
//   when the condition is True. IIf evaluates only the branch it takes.
// - TOP n with ORDER BY also returns the rows that tie with the last one, as
//   Access does; TOP n PERCENT rounds the row count up.
// - Errors are jet::Error in Access's words (see binder.h and value_ops.h);
//   nothing is returned after an error. Reading only: nothing is written.
#pragma once

#include <string_view>

#include "jet/catalog/database.h"
#include "jet/sql/binder/binder.h"
#include "jet/sql/executor/query_result.h"
#include "jet/sql/functions/functions.h"
#include "jet/sql/parser/parser.h"

namespace jet::sql {

// What the planner counted while running a statement: which access paths it
// took. Tests and benchmarks read it; the result never depends on it.
struct PlanStats {
    size_t indexLookups = 0;  // tables read through an index for WHERE
    size_t indexOrders = 0;   // ORDER BY answered by walking an index
    size_t tableScans = 0;    // tables read in storage order
};

struct PlanOptions {
    // Walk an index for ORDER BY instead of sorting, when the ORDER BY
    // columns lead an index in the same directions (numbers and dates only:
    // the index orders them as ORDER BY does). The rows and their order are
    // the same either way; off, every ORDER BY sorts.
    bool indexOrder = true;
    // Choose between an index and a scan by their estimated cost. Off, an
    // index is used whenever one serves (an equality, then ORDER BY, then
    // a range): for tests that must reach each path on small tables.
    bool byCost = true;
    // Rows whose columns are all plain columns of one base table come back
    // with empty values (QueryResult::valuesOmitted); the caller reads them
    // by row id when it needs them. Other results are unaffected.
    bool rowIdsOnly = false;
    PlanStats* stats = nullptr;  // filled when set
};

struct ExecuteOptions {
    QueryParameters parameters;
    FunctionContext functions;
    ParseOptions parse;
    PlanOptions plan;
};

// Parses and runs one SELECT (or UNION) statement.
QueryResult executeSelect(Database& db, std::string_view sql, const ExecuteOptions& options = {});

// Runs a statement already parsed.
QueryResult executeStatement(Database& db, const Statement& statement,
                             const ExecuteOptions& options = {});

// Runs a bound query.
QueryResult executeBound(Database& db, const BoundQuery& query,
                         const FunctionContext& functions = {}, const PlanOptions& plan = {});

}  // namespace jet::sql
