// The executor's working parts: the row being built, expression
// evaluation, and one function per operator (scan, join, filter, group,
// sort/distinct/top). Not for use outside the executor.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/format/sort_order.h"
#include "jet/sql/binder/binder.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/functions/value_ops.h"

namespace jet::sql::detail {

// A row of one SELECT before its output is computed: a slot for every
// column of every source (those a join has not filled yet are Null) and
// for every row id; after grouping, the group's aggregates follow.
struct Tuple {
    std::vector<Value> values;
    std::vector<RowPointer> rowIds;
};

// What column references see: this query's row and, for a correlated
// subquery, the rows of the queries around it.
struct Frame {
    const std::vector<Value>* values = nullptr;
    size_t aggregateBase = 0;
    const Frame* outer = nullptr;
};

class ExecContext {
public:
    ExecContext(Database& database, const FunctionContext& context)
        : db(database), functions(context) {}

    Value evaluate(const BoundExpr& expr, const Frame& frame);
    // The value ORDER BY orders a row by: the expression's value, text as the
    // bytes of its key in the database's sort order (the order Access keeps
    // text indexes in), so that keys compare without regard to case and with
    // accented letters beside their base letters.
    Value orderKey(const BoundExpr& expr, const Frame& frame);
    // Values ordered with text in the database's sort order, as comparisons
    // (compareOptions.textOrder) and ORDER BY order it: for grouped rows,
    // crosstab headings, Min and Max.
    ValueOrder valueOrder() const;
    TextCollation textCollation() const;
    // True only when the condition is True (not False, not Null).
    bool passes(const BoundExpr& condition, const Frame& frame);
    QueryResult run(const BoundQuery& query, const Frame* outer);

    Database& db;
    FunctionContext functions;
    CompareOptions compareOptions;
    PlanOptions plan;

private:
    const QueryResult& subqueryResult(const BoundQuery& query, const Frame& frame,
                                      std::shared_ptr<QueryResult>& holder);
    Value inValues(const Value& value, const std::vector<Value>& candidates);

    SortOrderKind textOrder() const;

    std::map<const BoundQuery*, std::shared_ptr<QueryResult>> cache_;
};

// A key under which values that compare equal (text without regard to case,
// numbers by value) are the same, for hashing joins, groups and DISTINCT.
std::string valueKey(const Value& value);
std::string rowKey(const std::vector<Value>& values);

// FROM: the rows of the sources joined. `where` may narrow the sources
// early (an index for an equality, terms that read one source, equalities
// of a comma join hashed); the caller still applies it in full. `nullable`
// marks a subtree whose rows an outer join may replace with Nulls.
std::vector<Tuple> scanSource(ExecContext& ctx, const BoundSelect& select,
                              const BoundSource& source, const BoundExpr* where);
std::vector<Tuple> executeJoin(ExecContext& ctx, const BoundSelect& select, const BoundJoin& node,
                               const BoundExpr* where, const Frame* outer, bool nullable = false);

// How WHERE lets a table be read through an index: the entries equal to
// `equal`, or those from `lower` to `upper` (either may be open).
struct IndexLookup {
    const IndexDef* index = nullptr;
    size_t column = 0;  // the index's leading column, in the table's columns
    std::optional<Value> equal, lower, upper;
};
std::optional<IndexLookup> planIndexLookup(const BoundSource& source, const BoundExpr& where);
// The rows the lookup finds, in index order; false (rows untouched) when the
// index cannot be searched for these keys.
bool readThroughIndex(ExecContext& ctx, const BoundSelect& select, const BoundSource& source,
                      const IndexLookup& lookup, std::vector<Tuple>& rows);

// The first `limit` rows of a table in storage order that pass `where`
// (all of it applied here); the scan stops there.
std::vector<Tuple> scanTableUntil(ExecContext& ctx, const BoundSelect& select,
                                  const BoundSource& source, const BoundExpr* where,
                                  const Frame* outer, size_t limit);

// FROM and WHERE of one SELECT; at most `limit` rows are needed (the
// caller's TOP without ORDER BY), so reading may stop early.
std::vector<Tuple> sourceRows(ExecContext& ctx, const BoundSelect& select, const Frame* outer,
                              size_t limit = SIZE_MAX);

// TRANSFORM ... PIVOT.
QueryResult runCrosstab(ExecContext& ctx, const BoundQuery& query, const Frame* outer);

std::vector<Tuple> filterRows(ExecContext& ctx, std::vector<Tuple> rows, const BoundExpr& condition,
                              size_t aggregateBase, const Frame* outer);

std::vector<Tuple> groupRows(ExecContext& ctx, const BoundSelect& select, std::vector<Tuple> rows,
                             const Frame* outer);

// A result row with the values it is ordered by.
struct OrderedRow {
    ResultRow row;
    std::vector<Value> keys;
};

void removeDuplicateRows(std::vector<OrderedRow>& rows);
void removeDuplicateRowIds(std::vector<OrderedRow>& rows, const std::vector<size_t>& slots);
void sortRows(std::vector<OrderedRow>& rows, const std::vector<BoundOrder>& order);
void applyTop(std::vector<OrderedRow>& rows, const Top& top, const std::vector<BoundOrder>& order);

// A result row made from a tuple: the outputs (unless `withValues` is false),
// the ORDER BY values when `order` is given, and the row ids placed at
// [slotOffset, slotOffset + tuple's width) of `slotWidth` slots.
OrderedRow makeOrderedRow(ExecContext& ctx, const BoundSelect& select,
                          const std::vector<BoundOrder>* order, const Tuple& tuple,
                          const Frame* outer, size_t slotOffset, size_t slotWidth, bool withValues);

// How a SELECT over one base table is read and which rows it keeps.
struct SingleTableRun {
    const std::vector<BoundOrder>* order = nullptr;
    const Frame* outer = nullptr;
    size_t slotOffset = 0, slotWidth = 0;
    size_t limit = SIZE_MAX;         // TOP n without ORDER BY: stop after n rows
    size_t orderedLimit = SIZE_MAX;  // TOP n with ORDER BY: n rows and their ties suffice
    bool withValues = true;
};

// True for a SELECT whose FROM is one base table and that does not group.
bool isSingleTableSelect(const BoundSelect& select);

// Runs such a SELECT row by row: the table read through an index when WHERE
// or ORDER BY can use one, else in storage order; WHERE applied and the row
// made at once, so no row of all the table's columns is kept. `preordered`
// tells whether the rows already come in ORDER BY order (ties in storage
// order, as a stable sort leaves them).
std::vector<OrderedRow> runSingleTable(ExecContext& ctx, const BoundSelect& select,
                                       const SingleTableRun& run, bool& preordered);

// Splits a condition at its top-level ANDs.
void collectConjuncts(const BoundExpr& expr, std::vector<const BoundExpr*>& out);

}  // namespace jet::sql::detail
