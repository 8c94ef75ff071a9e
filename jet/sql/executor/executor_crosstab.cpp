// TRANSFORM ... PIVOT: rows are the SELECT's groups (ordered by their GROUP
// BY values, then by ORDER BY), columns are the SELECT's own followed by one
// per pivot value: the values found, in ascending order, or the IN list as
// given. A cell whose group has no row with that pivot value is Null.
#include <algorithm>
#include <unordered_map>

#include "jet/sql/binder/binder_internal.h"
#include "jet/sql/executor/executor_internal.h"

namespace jet::sql::detail {
namespace {

struct Cell {
    Tuple first;
    std::vector<std::unique_ptr<Accumulator>> accumulators;
};

struct RowGroup {
    Tuple first;
    std::vector<Value> keys;
    std::vector<std::unique_ptr<Accumulator>> accumulators;
    std::unordered_map<std::string, Cell> cells;  // by pivot value key
};

std::vector<std::unique_ptr<Accumulator>> accumulatorsFor(const ExecContext& ctx,
                                                          const std::vector<BoundAggregate>& list) {
    std::vector<std::unique_ptr<Accumulator>> out;
    for (const auto& a : list) out.push_back(makeAccumulator(a.kind, ctx.textCollation()));
    return out;
}

void addRow(ExecContext& ctx, const std::vector<BoundAggregate>& list,
            std::vector<std::unique_ptr<Accumulator>>& accumulators, const Frame& frame) {
    static const Value one = Value::integer(1);
    for (size_t i = 0; i < list.size(); ++i) {
        accumulators[i]->add(list[i].argument ? ctx.evaluate(*list[i].argument, frame) : one);
    }
}

}  // namespace

QueryResult runCrosstab(ExecContext& ctx, const BoundQuery& query, const Frame* outer) {
    const BoundSelect& select = query.parts[0];
    const BoundCrosstab& crosstab = *query.crosstab;
    std::vector<Tuple> rows = sourceRows(ctx, select, outer);

    std::vector<RowGroup> groups;
    std::unordered_map<std::string, size_t> groupIndex;
    std::vector<Value> found;  // pivot values in the order met
    std::unordered_map<std::string, size_t> foundIndex;
    for (Tuple& t : rows) {
        Frame frame{&t.values, select.rowWidth, outer};
        std::vector<Value> keys;
        for (const auto& g : select.groupBy) keys.push_back(ctx.evaluate(*g, frame));
        const Value pivot = ctx.evaluate(*crosstab.pivot, frame);
        const std::string pivotKey = valueKey(pivot);
        if (foundIndex.emplace(pivotKey, found.size()).second) found.push_back(pivot);

        const std::string key = rowKey(keys);
        auto at = groupIndex.find(key);
        if (at == groupIndex.end()) {
            at = groupIndex.emplace(key, groups.size()).first;
            RowGroup g;
            g.first = t;
            g.keys = std::move(keys);
            g.accumulators = accumulatorsFor(ctx, select.aggregates);
            groups.push_back(std::move(g));
        }
        RowGroup& group = groups[at->second];
        addRow(ctx, select.aggregates, group.accumulators, frame);
        auto cell = group.cells.find(pivotKey);
        if (cell == group.cells.end()) {
            Cell c;
            c.first = t;
            c.accumulators = accumulatorsFor(ctx, crosstab.valueAggregates);
            cell = group.cells.emplace(pivotKey, std::move(c)).first;
        }
        addRow(ctx, crosstab.valueAggregates, cell->second.accumulators, frame);
    }

    const ValueOrder order = ctx.valueOrder();
    std::vector<Value> headings = crosstab.headings;
    if (!crosstab.fixedHeadings) {
        headings = found;
        std::stable_sort(headings.begin(), headings.end(), order);
    }
    std::stable_sort(groups.begin(), groups.end(), [&](const RowGroup& a, const RowGroup& b) {
        for (size_t i = 0; i < a.keys.size(); ++i) {
            const int c = order.compare(a.keys[i], b.keys[i]);
            if (c != 0) return c < 0;
        }
        return false;
    });

    QueryResult result;
    result.columns = query.columns;
    const size_t ownColumns = select.outputs.size();
    result.columns.resize(ownColumns);
    for (const Value& h : headings) {
        ResultColumn c;
        c.name = crosstabHeading(h);
        result.columns.push_back(c);
    }

    std::vector<OrderedRow> out;
    for (RowGroup& g : groups) {
        Tuple t = g.first;
        t.values.resize(select.rowWidth);
        for (const auto& acc : g.accumulators) t.values.push_back(acc->result());
        Frame frame{&t.values, select.rowWidth, outer};
        if (select.having && !ctx.passes(*select.having, frame)) continue;
        OrderedRow r;
        for (const auto& e : select.outputs) r.row.values.push_back(ctx.evaluate(*e, frame));
        for (const auto& o : query.orderBy) r.keys.push_back(ctx.orderKey(*o.expr, frame));
        for (const Value& h : headings) {
            auto cell = g.cells.find(valueKey(h));
            if (cell == g.cells.end()) {
                r.row.values.push_back(Value::null());
                continue;
            }
            Tuple c = cell->second.first;
            c.values.resize(select.rowWidth);
            for (const auto& acc : cell->second.accumulators) c.values.push_back(acc->result());
            Frame cellFrame{&c.values, select.rowWidth, outer};
            r.row.values.push_back(ctx.evaluate(*crosstab.value, cellFrame));
        }
        r.row.rowIds.assign(query.rowIdTables.size(), kNoRow);
        out.push_back(std::move(r));
    }
    sortRows(out, query.orderBy);
    if (select.top) applyTop(out, *select.top, query.orderBy);

    // Pivot columns take the type of their first value (Text when empty).
    for (size_t c = ownColumns; c < result.columns.size(); ++c) {
        result.columns[c].type = DataType::Text;
        result.columns[c].size = 255;
        for (const auto& r : out) {
            const Value& v = r.row.values[c];
            if (v.isNull()) continue;
            if (v.is<int64_t>()) {
                result.columns[c].type = DataType::Long;
            } else if (v.is<double>()) {
                result.columns[c].type = DataType::Double;
            } else if (v.is<CurrencyValue>()) {
                result.columns[c].type = DataType::Currency;
            } else if (v.is<DateTimeValue>()) {
                result.columns[c].type = DataType::DateTime;
            }
            break;
        }
    }
    for (auto& r : out) result.rows.push_back(std::move(r.row));
    return result;
}

}  // namespace jet::sql::detail
