// The executor's working parts: the row being built, expression
// evaluation, and one function per operator (scan, join, filter, group,
// sort/distinct/top). Not for use outside the executor.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/catalog/complex_columns.h"
#include "jet/format/sort_order.h"
#include "jet/sql/binder/binder.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/executor/executor_fast_condition.h"
#include "jet/sql/functions/value_ops.h"
#include "jet/sql/planner/planner.h"

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
    // A result column's value: an expression that cannot be computed for
    // this row (EvaluationError: a type mismatch, overflow, division by
    // zero, a bad argument) gives the error value, and the row stays.
    Value evaluateOutput(const BoundExpr& expr, const Frame& frame);
    // The outputs of `select` for the row in `frame`, each through
    // evaluateOutput; a multi-value column shows its values joined by "; ",
    // an attachment column its file names (the row stores only a key).
    std::vector<Value> outputValues(const BoundSelect& select, const Frame& frame);
    // Whether output `i` of `select` is a complex column shown as text.
    bool showsMultiValues(const BoundSelect& select, size_t i);
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

    // The columns `select` reads, once noted for it (null before: read all).
    void noteColumnUse(const BoundSelect& select, const std::vector<BoundOrder>* order);
    const ColumnUse* columnUseOf(const BoundSelect& select) const;

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
    std::map<const BoundSelect*, ColumnUse> columnUse_;
    // Per SELECT, the reader of each output that is a complex column shown as text.
    std::map<const BoundSelect*, std::vector<ComplexColumnReader*>> outputReaders_;
    std::map<std::pair<const TableDef*, size_t>, std::unique_ptr<ComplexColumnReader>> readers_;
    const std::vector<ComplexColumnReader*>& outputReaders(const BoundSelect& select);
    Value complexValuesText(ComplexColumnReader& reader, int64_t storedKey);
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

// FROM and WHERE of one SELECT, every row at once.
std::vector<Tuple> sourceRows(ExecContext& ctx, const BoundSelect& select, const Frame* outer);

// TRANSFORM ... PIVOT.
QueryResult runCrosstab(ExecContext& ctx, const BoundQuery& query, const Frame* outer);

std::vector<Tuple> filterRows(ExecContext& ctx, std::vector<Tuple> rows, const BoundExpr& condition,
                              size_t aggregateBase, const Frame* outer);

// GROUP BY: rows go into their groups one by one; finish() gives one row
// per group, ordered by the GROUP BY values, holding the group's first row
// and then its aggregate results.
class Grouper {
public:
    Grouper(ExecContext& ctx, const BoundSelect& select, const Frame* outer);
    ~Grouper();
    void add(const Tuple& row);
    std::vector<Tuple> finish();

private:
    struct Group;
    size_t newGroup(const Tuple& first, std::vector<Value> keys);

    ExecContext& ctx_;
    const BoundSelect& select_;
    const Frame* outer_;
    std::vector<Group> groups_;
    std::unordered_map<std::string, size_t> index_;
};

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

// Called with each row read; false when no further row is wanted.
using RowConsumer = std::function<bool(const Tuple&)>;

// Reads one base table of a SELECT through an access path into one row
// buffer: the columns `condition` reads first, the other columns the
// statement reads only for rows that pass it (ColumnUse; all columns when
// none was noted).
class TableRowReader {
public:
    TableRowReader(ExecContext& ctx, const BoundSelect& select, const BoundSource& source,
                   const BoundExpr* condition, const Frame* outer);
    // A second test between the two steps: the columns of `slots` are
    // decoded too before `gate` sees the row (which passed the condition);
    // a row it refuses is dropped before the other columns are decoded.
    void setGate(const std::vector<bool>& slots, std::function<bool(const Tuple&)> gate);
    void read(const TableAccess& access, const RowConsumer& consume);

private:
    template <typename ValueOf>
    bool offer(const ValueOf& valueOf, RowPointer id, const RowConsumer& consume);

    ExecContext& ctx_;
    Database& db_;  // the file the source's table lives in
    const BoundSelect& select_;
    const BoundSource& source_;
    const BoundExpr* condition_;
    const Frame* outer_;
    std::unique_ptr<FastCondition> fast_;  // the condition, when its shape allows
    std::vector<size_t> conditionColumns_, gateColumns_, otherColumns_;
    std::function<bool(const Tuple&)> gate_;
    Tuple tuple_;
};

// True for a SELECT whose FROM is one base table and that does not group;
// the grouped form groups such a table.
bool isSingleTableSelect(const BoundSelect& select);
bool isSingleTableGroupedSelect(const BoundSelect& select);

// Runs a single-table SELECT row by row through the planner's access path.
// `preordered` tells whether the rows already come in ORDER BY order (ties
// in storage order, as a stable sort leaves them).
std::vector<OrderedRow> runSingleTable(ExecContext& ctx, const BoundSelect& select,
                                       const SingleTableRun& run, bool& preordered);

// The groups of a grouped single-table SELECT, its rows streamed into them
// (or Count(*) answered without reading rows); before HAVING.
std::vector<Tuple> groupSingleTable(ExecContext& ctx, const BoundSelect& select,
                                    const Frame* outer);

}  // namespace jet::sql::detail
