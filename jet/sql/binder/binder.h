// The binder: turns a parsed SELECT into a bound query whose names are
// resolved against one database.
//
// Binding resolves every FROM source (a table, a stored query by name, which
// is parsed and bound as a subquery, or a subquery in FROM) and every column
// reference: qualified (T.F, by alias, or by table name when there is no
// alias) or not, without regard to case. A name that is neither a column of
// a source in scope (the query's own, then each enclosing query's) nor
// anything else is a parameter: it takes the value supplied for it, or
// binding fails with "No value given for one or more required parameters.".
//
// Errors, all jet::Error in Access's words: an unknown source ->
// missingObjectMessage (NotFound); an unqualified name found in two sources
// -> "The specified field 'X' could refer to more than one table listed in
// the FROM clause of your SQL statement."; an unknown function -> "Undefined
// function 'X' in expression."; a column outside the aggregates of a grouped
// query -> "You tried to execute a query that does not include the specified
// expression 'X' as part of an aggregate function.".
//
// The bound tree refers to the database's table definitions; it is used
// once, by the executor, on the thread that bound it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/executor/query_result.h"
#include "jet/sql/functions/functions.h"
#include "jet/sql/functions/functions_aggregate.h"
#include "jet/sql/like.h"
#include "jet/sql/parser/ast.h"

namespace jet::sql {

// Values for the parameters of a statement: by name (compared without
// regard to case) and, for `?` markers, by position.
struct QueryParameters {
    std::map<std::string, Value> named;  // keys as written; looked up case-insensitively
    std::vector<Value> positional;
};

struct BoundQuery;
struct BoundExpr;
using BoundExprPtr = std::unique_ptr<BoundExpr>;

enum class BoundKind {
    Literal,  // value (literals and parameters)
    Column,   // column of the row `depth` scopes out (0: this query's)
    Unary,
    Binary,
    Between,     // operands: value, low, high
    InList,      // operands: value, items...
    InSubquery,  // operands: value; subquery
    IsNull,
    Like,  // operands: value, pattern; `pattern` when the pattern is a literal
    Exists,
    Subquery,     // scalar
    Quantified,   // operands: value; subquery
    Function,     // function(operands...)
    Conditional,  // IIf(condition, whenTrue, whenFalse): one branch evaluated
    Aggregate,    // the group's aggregate number `column` (after grouping)
};

struct BoundExpr {
    BoundKind kind = BoundKind::Literal;
    Value value;
    size_t column = 0;
    int depth = 0;
    UnaryOp unaryOp = UnaryOp::Not;
    BinaryOp binaryOp = BinaryOp::Equal;
    Quantifier quantifier = Quantifier::Any;
    bool negated = false;
    LikeDialect dialect = LikeDialect::Access;
    std::shared_ptr<const LikePattern> pattern;
    const FunctionInfo* function = nullptr;
    std::string text;  // the expression as written, for messages
    std::vector<BoundExprPtr> operands;
    std::shared_ptr<BoundQuery> subquery;
};

// A column a source offers to the query that reads it.
struct SourceColumn {
    std::string name;
    ResultColumn info;  // type, size and where it comes from
};

struct BoundSource {
    std::string name;                       // alias, else the table or query name
    std::shared_ptr<const TableDef> table;  // a base table, or
    // A linked table's own file, held open while the query lives; null for a
    // table of the database the query runs on.
    std::shared_ptr<Database> database;
    std::shared_ptr<BoundQuery> derived;    // a subquery or stored query
    // A crosstab's columns depend on its data: it runs once while binding
    // and its rows are read from here.
    std::shared_ptr<const QueryResult> materialized;
    std::vector<SourceColumn> columns;
    size_t columnOffset = 0;  // where its columns start in the query's row
    size_t rowIdOffset = 0;   // where its row-id slots start
    size_t rowIdCount = 0;
};

// FROM as a tree: a leaf is one source, a node joins two subtrees whose
// sources are consecutive (left ones first).
struct BoundJoin {
    int source = -1;  // a leaf: index into BoundSelect::sources
    JoinType type = JoinType::Inner;
    bool cross = false;  // comma join: every pair
    std::unique_ptr<BoundJoin> left, right;
    BoundExprPtr condition;                 // ON; null for a cross join
    size_t firstSource = 0, endSource = 0;  // the sources below this node
};

struct BoundAggregate {
    AggregateKind kind = AggregateKind::Count;
    BoundExprPtr argument;  // null for Count(*)
};

struct BoundOrder {
    BoundExprPtr expr;
    bool descending = false;
};

// One SELECT of a query.
struct BoundSelect {
    SelectPredicate predicate = SelectPredicate::All;
    std::optional<Top> top;
    std::vector<BoundSource> sources;
    std::unique_ptr<BoundJoin> from;  // null without FROM (one row)
    size_t rowWidth = 0;              // columns of all sources together
    size_t rowIdWidth = 0;
    BoundExprPtr where;
    bool grouped = false;  // GROUP BY or aggregates: one row per group
    std::vector<BoundExprPtr> groupBy;
    std::vector<BoundAggregate> aggregates;  // results follow the row's columns
    BoundExprPtr having;
    std::vector<BoundExprPtr> outputs;  // one per result column
    // False where the column's type depends on its values; the executor
    // then takes the type of the first value that is not Null.
    std::vector<bool> outputTypeKnown;
    // DISTINCTROW: the row-id slots whose rows the output shows.
    std::vector<size_t> distinctRowSlots;
};

// TRANSFORM value ... PIVOT pivot: the SELECT's groups become rows, the
// pivot's values become columns after the SELECT's own, and each cell is
// the value over the rows of its group and pivot value.
struct BoundCrosstab {
    BoundExprPtr value;  // evaluated on a cell: its first row, then valueAggregates
    std::vector<BoundAggregate> valueAggregates;
    BoundExprPtr pivot;          // evaluated on each row before grouping
    bool fixedHeadings = false;  // PIVOT ... IN (...): these columns, in this order
    std::vector<Value> headings;
};

struct BoundQuery {
    std::vector<BoundSelect> parts;
    std::shared_ptr<BoundCrosstab> crosstab;  // set for TRANSFORM
    std::vector<bool> unionAll;
    // ORDER BY: of a single SELECT, evaluated on its row before output; of a
    // UNION, on the result row.
    std::vector<BoundOrder> orderBy;
    std::vector<ResultColumn> columns;
    std::vector<std::string> rowIdTables;
    bool correlated = false;  // refers to a row of an enclosing query
};

// The file a source's table lives in: its own for a linked table, else `db`.
inline Database& databaseOf(Database& db, const BoundSource& source) {
    return source.database ? *source.database : db;
}

// Binds a SELECT (or UNION) of `db`.
std::shared_ptr<BoundQuery> bindQuery(Database& db, const Query& query,
                                      const QueryParameters& parameters = {});

// Binds a whole statement; SELECT, UNION and TRANSFORM are executable for
// now (others throw Unsupported). PARAMETERS declarations need values too.
std::shared_ptr<BoundQuery> bindStatement(Database& db, const Statement& statement,
                                          const QueryParameters& parameters = {});

}  // namespace jet::sql
