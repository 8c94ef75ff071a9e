// A SELECT over one base table, read row by row through the path the
// planner chose (planner.h); no row of all the table's columns is kept.
//
// Each row is decoded in steps: the columns WHERE reads, then, for a row
// that passes, the other columns the statement reads (for TOP n with a
// sort, the ORDER BY columns first, and the rest only for a row that can be
// among the n best); columns nobody reads are never decoded. Rows then go
// to a sink:
// - walked in ORDER BY order (an index), rows are kept as they come, and
//   with TOP n the walk stops after n rows and those that tie with the
//   last; ties are put back in storage order, as a sort leaves them;
// - TOP n with a sort: the ORDER BY values of a row are worked out first,
//   and a row that sorts after the n best seen so far is dropped before its
//   outputs are computed; the kept rows are cut back to the n best (with
//   their ties) whenever they grow to a few times n;
// - DISTINCT: a row equal to one already kept is dropped at once;
// - grouping: the row goes into its group's aggregates (executor_aggregate).
#include <algorithm>
#include <unordered_set>

#include "jet/sql/executor/executor_internal.h"
#include "jet/sql/planner/planner.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"

namespace jet::sql::detail {
namespace {

int compareOrderKeys(const ValueOrder& valueOrder, const std::vector<Value>& a,
                     const std::vector<Value>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (const int c = valueOrder.compare(a[i], b[i]); c != 0) return c;
    }
    return 0;
}

int compareDirected(const ValueOrder& valueOrder, const std::vector<Value>& a,
                    const std::vector<Value>& b, const std::vector<BoundOrder>& order) {
    for (size_t i = 0; i < a.size() && i < b.size() && i < order.size(); ++i) {
        int c = valueOrder.compare(a[i], b[i]);
        if (order[i].descending) c = -c;
        if (c != 0) return c;
    }
    return 0;
}

void count(const ExecContext& ctx, size_t PlanStats::*counter) {
    if (ctx.plan.stats) ++(ctx.plan.stats->*counter);
}

// Collects the result rows of a non-grouped SELECT and decides when reading
// may stop.
class RowSink {
public:
    RowSink(ExecContext& ctx, const BoundSelect& select, const BoundSource& source,
            const SingleTableRun& run, bool preordered)
        : ctx_(ctx),
          select_(select),
          run_(run),
          idSlot_(run.slotOffset + source.rowIdOffset),
          preordered_(preordered),
          bounded_(!preordered && run.order && !run.order->empty() && run.orderedLimit != SIZE_MAX),
          distinct_(select.predicate == SelectPredicate::Distinct && run.withValues) {}

    // Whether the rows are cut to the n best by a sort: then gate() may
    // drop a row from its ORDER BY values alone.
    bool bounded() const { return bounded_; }

    // The ORDER BY values of a row (its ORDER BY columns read); false when
    // the row sorts after the n best already kept. Its values are kept for
    // the offer() of the same row.
    bool gate(const Tuple& t) {
        gatedKeys_ = orderKeys(t);
        gated_ = true;
        return !(cutoff_ && compareDirected(valueOrder_, gatedKeys_, *cutoff_, *run_.order) > 0);
    }

    // One row that passed WHERE; false when no further row is wanted.
    bool offer(const Tuple& t) {
        const Frame frame{&t.values, select_.rowWidth, run_.outer};
        std::vector<Value> keys = gated_ ? std::move(gatedKeys_) : orderKeys(t);
        gated_ = false;
        if (preordered_) {
            // Past n rows only ties with the last one are still wanted.
            if (rows_.size() >= run_.orderedLimit &&
                (rows_.empty() || compareOrderKeys(valueOrder_, rows_.back().keys, keys) != 0)) {
                return false;
            }
            placeAmongTies(makeRow(t, frame, std::move(keys)));
            return true;
        }
        if (bounded_ && cutoff_ && compareDirected(valueOrder_, keys, *cutoff_, *run_.order) > 0) {
            return true;
        }
        if (distinct_) {
            // The outputs first: a duplicate is dropped before a row is made.
            std::vector<Value> values = outputs(frame);
            if (!seen_.insert(rowKey(values)).second) return true;
            rows_.push_back(makeRow(t, std::move(values), std::move(keys)));
        } else {
            rows_.push_back(makeRow(t, frame, std::move(keys)));
        }
        if (bounded_) {
            if (rows_.size() >= std::max<size_t>(4 * run_.orderedLimit, 256)) prune();
            return true;
        }
        return rows_.size() < run_.limit;
    }

    std::vector<OrderedRow> take() { return std::move(rows_); }

private:
    std::vector<Value> orderKeys(const Tuple& t) {
        std::vector<Value> keys;
        if (!run_.order) return keys;
        const Frame frame{&t.values, select_.rowWidth, run_.outer};
        keys.reserve(run_.order->size());
        for (const BoundOrder& o : *run_.order) keys.push_back(ctx_.orderKey(*o.expr, frame));
        return keys;
    }

    std::vector<Value> outputs(const Frame& frame) {
        return run_.withValues ? ctx_.outputValues(select_, frame) : std::vector<Value>{};
    }

    OrderedRow makeRow(const Tuple& t, const Frame& frame, std::vector<Value> keys) {
        return makeRow(t, outputs(frame), std::move(keys));
    }

    OrderedRow makeRow(const Tuple& t, std::vector<Value> values, std::vector<Value> keys) {
        OrderedRow r;
        r.row.values = std::move(values);
        r.keys = std::move(keys);
        r.row.rowIds.assign(run_.slotWidth, kNoRow);
        for (size_t s = 0; s < t.rowIds.size() && run_.slotOffset + s < run_.slotWidth; ++s) {
            r.row.rowIds[run_.slotOffset + s] = t.rowIds[s];
        }
        return r;
    }

    // The n best rows so far and those that tie with the last of them; a
    // later row must sort no later than that one to be kept.
    void prune() {
        sortRows(rows_, *run_.order);
        size_t keep = std::min(run_.orderedLimit, rows_.size());
        if (keep == 0) {
            rows_.clear();
            return;
        }
        while (keep < rows_.size() &&
               compareOrderKeys(valueOrder_, rows_[keep - 1].keys, rows_[keep].keys) == 0) {
            ++keep;
        }
        rows_.resize(keep);
        cutoff_ = rows_.back().keys;
    }

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
    const SingleTableRun& run_;
    size_t idSlot_;
    bool preordered_, bounded_, distinct_;
    ValueOrder valueOrder_;
    std::optional<std::vector<Value>> cutoff_;
    std::vector<Value> gatedKeys_;
    bool gated_ = false;
    std::unordered_set<std::string> seen_;
    std::vector<OrderedRow> rows_;
};

}  // namespace

TableRowReader::TableRowReader(ExecContext& ctx, const BoundSelect& select,
                               const BoundSource& source, const BoundExpr* condition,
                               const Frame* outer)
    : ctx_(ctx),
      db_(databaseOf(ctx.db, source)),
      select_(select),
      source_(source),
      condition_(condition),
      outer_(outer) {
    const ColumnUse* use = ctx.columnUseOf(select);
    for (size_t c = 0; c < source.columns.size(); ++c) {
        const size_t slot = source.columnOffset + c;
        const bool forCondition = !use || (condition && use->where[slot]);
        const bool read = !use || use->read[slot];
        if (forCondition) {
            conditionColumns_.push_back(c);
        } else if (read) {
            otherColumns_.push_back(c);
        }
    }
    tuple_.values.resize(select.rowWidth);
    tuple_.rowIds.assign(select.rowIdWidth, kNoRow);
    if (condition) fast_ = FastCondition::compile(*condition);
}

void TableRowReader::setGate(const std::vector<bool>& slots,
                             std::function<bool(const Tuple&)> gate) {
    gate_ = std::move(gate);
    std::vector<size_t> others;
    for (size_t c : otherColumns_) {
        const size_t slot = source_.columnOffset + c;
        (slot < slots.size() && slots[slot] ? gateColumns_ : others).push_back(c);
    }
    otherColumns_ = std::move(others);
}

template <typename ValueOf>
bool TableRowReader::offer(const ValueOf& valueOf, RowPointer id, const RowConsumer& consume) {
    for (size_t c : conditionColumns_) tuple_.values[source_.columnOffset + c] = valueOf(c);
    if (fast_) {
        if (!fast_->passes(tuple_.values, ctx_.compareOptions)) return true;
    } else if (condition_) {
        const Frame frame{&tuple_.values, select_.rowWidth, outer_};
        if (!ctx_.passes(*condition_, frame)) return true;
    }
    if (gate_) {
        for (size_t c : gateColumns_) tuple_.values[source_.columnOffset + c] = valueOf(c);
        tuple_.rowIds[source_.rowIdOffset] = id;
        if (!gate_(tuple_)) return true;
    }
    for (size_t c : otherColumns_) tuple_.values[source_.columnOffset + c] = valueOf(c);
    tuple_.rowIds[source_.rowIdOffset] = id;
    return consume(tuple_);
}

void TableRowReader::read(const TableAccess& access, const RowConsumer& consume) {
    switch (access.path) {
        case AccessPath::IndexEqual: {
            count(ctx_, &PlanStats::indexLookups);
            IndexCursor cursor(db_, source_.table, *access.lookup->index);
            const std::vector<Value> key{*access.lookup->equal};
            const auto valueOf = [&](size_t c) { return cursor.values()[c]; };
            for (bool ok = cursor.seek(key); ok && cursor.matches(key); ok = cursor.next()) {
                if (!offer(valueOf, cursor.rowId(), consume)) return;
            }
            return;
        }
        case AccessPath::IndexRange:
        case AccessPath::IndexOrder: {
            const bool ordered = access.path == AccessPath::IndexOrder;
            count(ctx_, ordered ? &PlanStats::indexOrders : &PlanStats::indexLookups);
            const IndexLookup* bounds = !ordered || access.boundedWalk ? &*access.lookup : nullptr;
            const IndexDef& index = ordered ? *access.orderIndex : *bounds->index;
            const size_t leading = ordered ? access.orderColumn : bounds->column;
            IndexCursor cursor(db_, source_.table, index);
            const auto valueOf = [&](size_t c) { return cursor.values()[c]; };
            bool ok = bounds && bounds->lower ? cursor.seek({*bounds->lower}) : cursor.first();
            for (; ok; ok = cursor.next()) {
                if (bounds && bounds->upper) {
                    const Value& v = cursor.values()[leading];
                    if (!v.isNull() && compareValues(v, *bounds->upper) > 0) break;
                }
                if (!offer(valueOf, cursor.rowId(), consume)) return;
            }
            return;
        }
        case AccessPath::Scan: {
            count(ctx_, &PlanStats::tableScans);
            TableScan scan(db_, source_.table);
            const auto valueOf = [&](size_t c) { return scan.value(c); };
            while (scan.next()) {
                if (!offer(valueOf, scan.rowId(), consume)) return;
            }
            return;
        }
    }
}

bool isSingleTableSelect(const BoundSelect& select) {
    return select.from && select.from->source >= 0 && !select.grouped &&
           select.sources[static_cast<size_t>(select.from->source)].table != nullptr;
}

bool isSingleTableGroupedSelect(const BoundSelect& select) {
    return select.from && select.from->source >= 0 && select.grouped &&
           select.sources[static_cast<size_t>(select.from->source)].table != nullptr;
}

std::vector<OrderedRow> runSingleTable(ExecContext& ctx, const BoundSelect& select,
                                       const SingleTableRun& run, bool& preordered) {
    preordered = false;
    const BoundSource& source = select.sources[static_cast<size_t>(select.from->source)];
    if (run.limit == 0) return {};

    AccessRequest request;
    request.order = run.order;
    request.indexOrder = ctx.plan.indexOrder;
    request.orderedLimit = run.orderedLimit;
    request.byCost = ctx.plan.byCost;
    const TableAccess access =
        planTableAccess(databaseOf(ctx.db, source), select, source, select.where.get(), request);
    preordered = access.path == AccessPath::IndexOrder;

    RowSink sink(ctx, select, source, run, preordered);
    TableRowReader reader(ctx, select, source, select.where.get(), run.outer);
    if (sink.bounded()) {
        // The ORDER BY columns decide whether a row can be among the n
        // best; the rest of the row is decoded only when it can.
        std::vector<bool> orderSlots(select.rowWidth, false);
        bool plain = true;
        for (const BoundOrder& o : *run.order) {
            std::vector<bool> one = columnsUsed(*o.expr, select.rowWidth, plain);
            for (size_t i = 0; i < one.size(); ++i) orderSlots[i] = orderSlots[i] || one[i];
        }
        if (plain) reader.setGate(orderSlots, [&](const Tuple& t) { return sink.gate(t); });
    }
    reader.read(access, [&](const Tuple& t) { return sink.offer(t); });
    return sink.take();
}

std::vector<Tuple> groupSingleTable(ExecContext& ctx, const BoundSelect& select,
                                    const Frame* outer) {
    if (const std::optional<int64_t> n = countWithoutRows(ctx.db, select)) {
        Tuple group;
        group.values.resize(select.rowWidth);
        for (size_t i = 0; i < select.aggregates.size(); ++i)
            group.values.push_back(Value::integer(*n));
        group.rowIds.assign(select.rowIdWidth, kNoRow);
        std::vector<Tuple> out;
        out.push_back(std::move(group));
        return out;
    }
    const BoundSource& source = select.sources[static_cast<size_t>(select.from->source)];
    AccessRequest request;
    request.byCost = ctx.plan.byCost;
    const TableAccess access =
        planTableAccess(databaseOf(ctx.db, source), select, source, select.where.get(), request);
    Grouper grouper(ctx, select, outer);
    TableRowReader reader(ctx, select, source, select.where.get(), outer);
    reader.read(access, [&](const Tuple& t) {
        grouper.add(t);
        return true;
    });
    return grouper.finish();
}

}  // namespace jet::sql::detail
