// A SELECT over one base table, read row by row.
//
// The planner's choices, cheapest first:
// - an equality on an indexed column: the index entries with that key,
//   then ORDER BY sorts the few rows found;
// - ORDER BY columns that lead an index in the same directions: the index
//   walked from its start (or from a range's lower bound, when WHERE bounds
//   the same index) and no sort at all; with TOP n the walk stops after n
//   rows and those that tie with the last;
// - a range on an indexed column: the entries in the range;
// - otherwise the table in storage order.
// An index walked for ORDER BY must order its keys exactly as ORDER BY
// orders values: numbers and dates, and text keyed in the database's own
// General sort order, by which ORDER BY orders text (a column may carry a
// sort order of its own, and only the General sort orders are built
// exactly).
// Rows with equal ORDER BY values come from the index in key order; they are
// put back in storage order so both paths give the same rows in the same
// order.
#include <algorithm>

#include "jet/sql/executor/executor_internal.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"

namespace jet::sql::detail {
namespace {

// The index whose leading columns are the ORDER BY columns, in the same
// directions; null when there is none.
const IndexDef* indexForOrder(const Database& db, const BoundSource& source,
                              const std::vector<BoundOrder>& order) {
    const TableDef& def = *source.table;
    std::vector<const jet::ColumnDef*> wanted;
    for (const BoundOrder& o : order) {
        const BoundExpr& e = *o.expr;
        if (e.kind != BoundKind::Column || e.depth != 0 || e.column < source.columnOffset ||
            e.column >= source.columnOffset + source.columns.size()) {
            return nullptr;
        }
        const jet::ColumnDef& column = def.columns[e.column - source.columnOffset];
        const bool orderable = isNumberOrDateType(column.type) ||
                               (isTextType(column.type) && textKeysInDatabaseOrder(db, column));
        if (!orderable) return nullptr;
        wanted.push_back(&column);
    }
    for (const IndexDef& index : def.indexes) {
        const RealIndexDef& real = def.realIndexOf(index);
        if (real.columns.size() < wanted.size()) continue;
        // An index that leaves out rows with nulls does not hold every row.
        if (real.flags & kIndexIgnoreNulls) continue;
        bool fits = true;
        for (size_t i = 0; i < wanted.size() && fits; ++i) {
            fits = real.columns[i].columnNumber == wanted[i]->number &&
                   real.columns[i].ascending == !order[i].descending;
        }
        if (fits) return &index;
    }
    return nullptr;
}

Tuple tupleOf(const BoundSelect& select, const BoundSource& source,
              const std::vector<Value>& values, RowPointer id) {
    Tuple t;
    t.values.resize(select.rowWidth);
    t.rowIds.assign(select.rowIdWidth, kNoRow);
    for (size_t c = 0; c < values.size() && c < source.columns.size(); ++c) {
        t.values[source.columnOffset + c] = values[c];
    }
    t.rowIds[source.rowIdOffset] = id;
    return t;
}

int compareOrderKeys(const ValueOrder& valueOrder, const std::vector<Value>& a,
                     const std::vector<Value>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (const int c = valueOrder.compare(a[i], b[i]); c != 0) return c;
    }
    return 0;
}

// Collects the rows that pass WHERE and decides when reading may stop.
class RowSink {
public:
    RowSink(ExecContext& ctx, const BoundSelect& select, const BoundSource& source,
            const SingleTableRun& run, size_t idSlot)
        : ctx_(ctx), select_(select), source_(source), run_(run), idSlot_(idSlot) {}

    // Offers one table row; false when no further row is wanted.
    bool offer(const std::vector<Value>& values, RowPointer id, bool ordered) {
        Tuple t = tupleOf(select_, source_, values, id);
        if (select_.where) {
            Frame frame{&t.values, select_.rowWidth, run_.outer};
            if (!ctx_.passes(*select_.where, frame)) return true;
        }
        OrderedRow row = makeOrderedRow(ctx_, select_, run_.order, t, run_.outer, run_.slotOffset,
                                        run_.slotWidth, run_.withValues);
        if (ordered) {
            // Past n rows only ties with the last one are still wanted.
            if (rows_.size() >= run_.orderedLimit &&
                (rows_.empty() ||
                 compareOrderKeys(valueOrder_, rows_.back().keys, row.keys) != 0)) {
                return false;
            }
            placeAmongTies(std::move(row));
            return true;
        }
        rows_.push_back(std::move(row));
        return rows_.size() < run_.limit;
    }

    std::vector<OrderedRow> take() { return std::move(rows_); }

private:
    // Rows of equal ORDER BY values stay in storage (row id) order.
    void placeAmongTies(OrderedRow row) {
        auto at = rows_.end();
        const RowPointer id = row.row.rowIds[idSlot_];
        while (at != rows_.begin()) {
            const OrderedRow& before = *(at - 1);
            if (compareOrderKeys(valueOrder_, before.keys, row.keys) != 0) break;
            if (before.row.rowIds[idSlot_] < id) break;
            --at;
        }
        rows_.insert(at, std::move(row));
    }

    ExecContext& ctx_;
    const BoundSelect& select_;
    const BoundSource& source_;
    const SingleTableRun& run_;
    size_t idSlot_;
    ValueOrder valueOrder_;
    std::vector<OrderedRow> rows_;
};

void count(const ExecContext& ctx, size_t PlanStats::*counter) {
    if (ctx.plan.stats) ++(ctx.plan.stats->*counter);
}

// Walks `index` from `lower` (or its start) while the leading column stays
// at or below `upper`; false (nothing offered) when the index cannot be
// searched for these keys.
bool walkIndex(ExecContext& ctx, const BoundSource& source, const IndexDef& index,
               const std::optional<Value>& lower, const std::optional<Value>& upper,
               size_t leadingColumn, bool ordered, RowSink& sink) {
    std::optional<IndexCursor> cursor;
    bool ok = false;
    try {
        cursor.emplace(ctx.db, source.table, index);
        ok = lower ? cursor->seek({*lower}) : cursor->first();
    } catch (const Error& e) {
        if (e.code() != ErrorCode::InvalidArgument && e.code() != ErrorCode::Unsupported) throw;
        return false;
    }
    for (; ok; ok = cursor->next()) {
        const std::vector<Value>& values = cursor->values();
        const Value& leading = values[leadingColumn];
        if (upper && !leading.isNull() && compareValues(leading, *upper) > 0) break;
        if (!sink.offer(values, cursor->rowId(), ordered)) break;
    }
    return true;
}

bool walkEqual(ExecContext& ctx, const BoundSource& source, const IndexLookup& lookup,
               RowSink& sink) {
    std::optional<IndexCursor> cursor;
    const std::vector<Value> key{*lookup.equal};
    bool ok = false;
    try {
        cursor.emplace(ctx.db, source.table, *lookup.index);
        ok = cursor->seek(key);
    } catch (const Error& e) {
        if (e.code() != ErrorCode::InvalidArgument && e.code() != ErrorCode::Unsupported) throw;
        return false;
    }
    for (; ok && cursor->matches(key); ok = cursor->next()) {
        if (!sink.offer(cursor->values(), cursor->rowId(), false)) break;
    }
    return true;
}

}  // namespace

bool isSingleTableSelect(const BoundSelect& select) {
    return select.from && select.from->source >= 0 && !select.grouped &&
           select.sources[static_cast<size_t>(select.from->source)].table != nullptr;
}

std::vector<OrderedRow> runSingleTable(ExecContext& ctx, const BoundSelect& select,
                                       const SingleTableRun& run, bool& preordered) {
    preordered = false;
    const BoundSource& source = select.sources[static_cast<size_t>(select.from->source)];
    const size_t idSlot = run.slotOffset + source.rowIdOffset;
    if (run.limit == 0) return {};

    std::optional<IndexLookup> lookup;
    if (select.where) lookup = planIndexLookup(source, *select.where);

    if (lookup && lookup->equal) {
        RowSink sink(ctx, select, source, run, idSlot);
        if (walkEqual(ctx, source, *lookup, sink)) {
            count(ctx, &PlanStats::indexLookups);
            return sink.take();
        }
    }

    const bool mayOrder = ctx.plan.indexOrder && run.order && !run.order->empty() &&
                          select.predicate == SelectPredicate::All;
    if (const IndexDef* index = mayOrder ? indexForOrder(ctx.db, source, *run.order) : nullptr) {
        const BoundExpr& first = *(*run.order)[0].expr;
        const size_t leading = first.column - source.columnOffset;
        // A range on the same leading column narrows an ascending walk.
        const bool bounded =
            lookup && !lookup->equal && lookup->column == leading && !(*run.order)[0].descending;
        RowSink sink(ctx, select, source, run, idSlot);
        // When the bound cannot be sought (a key form the engine does not
        // build), the whole index is walked and WHERE does the narrowing.
        const bool walked =
            (bounded &&
             walkIndex(ctx, source, *index, lookup->lower, lookup->upper, leading, true, sink)) ||
            walkIndex(ctx, source, *index, std::nullopt, std::nullopt, leading, true, sink);
        if (walked) {
            count(ctx, &PlanStats::indexOrders);
            preordered = true;
            return sink.take();
        }
    }

    if (lookup) {
        RowSink sink(ctx, select, source, run, idSlot);
        if (walkIndex(ctx, source, *lookup->index, lookup->lower, lookup->upper, lookup->column,
                      false, sink)) {
            count(ctx, &PlanStats::indexLookups);
            return sink.take();
        }
    }

    count(ctx, &PlanStats::tableScans);
    RowSink sink(ctx, select, source, run, idSlot);
    TableScan scan(ctx.db, source.table);
    std::vector<Value> values(source.columns.size());
    while (scan.next()) {
        for (size_t c = 0; c < values.size(); ++c) values[c] = scan.value(c);
        if (!sink.offer(values, scan.rowId(), false)) break;
    }
    return sink.take();
}

}  // namespace jet::sql::detail
