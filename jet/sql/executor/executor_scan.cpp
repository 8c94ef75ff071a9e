// Reading one source: a table in storage order, a table through an index
// when WHERE allows (executor_index_lookup.cpp), or the rows of a subquery.
#include "jet/sql/executor/executor_internal.h"
#include "jet/table/table_scan.h"

namespace jet::sql::detail {
namespace {

Tuple emptyTuple(const BoundSelect& select) {
    Tuple t;
    t.values.resize(select.rowWidth);
    t.rowIds.assign(select.rowIdWidth, kNoRow);
    return t;
}

// The current row of a table scan placed into a tuple of the select.
Tuple tupleOfScannedRow(const BoundSelect& select, const BoundSource& source,
                        const TableScan& scan) {
    Tuple t = emptyTuple(select);
    for (size_t c = 0; c < source.columns.size(); ++c) {
        t.values[source.columnOffset + c] = scan.value(c);
    }
    t.rowIds[source.rowIdOffset] = scan.rowId();
    return t;
}

}  // namespace

std::vector<Tuple> scanSource(ExecContext& ctx, const BoundSelect& select,
                              const BoundSource& source, const BoundExpr* where) {
    std::vector<Tuple> rows;
    if (source.derived) {
        QueryResult inner =
            source.materialized ? *source.materialized : ctx.run(*source.derived, nullptr);
        rows.reserve(inner.rows.size());
        for (auto& r : inner.rows) {
            Tuple t = emptyTuple(select);
            for (size_t c = 0; c < r.values.size() && c < source.columns.size(); ++c) {
                t.values[source.columnOffset + c] = std::move(r.values[c]);
            }
            for (size_t s = 0; s < r.rowIds.size() && s < source.rowIdCount; ++s) {
                t.rowIds[source.rowIdOffset + s] = r.rowIds[s];
            }
            rows.push_back(std::move(t));
        }
        return rows;
    }

    if (where) {
        if (auto lookup = planIndexLookup(source, *where)) {
            if (readThroughIndex(ctx, select, source, *lookup, rows)) return rows;
        }
    }

    TableScan scan(ctx.db, source.table);
    while (scan.next()) {
        Tuple t = tupleOfScannedRow(select, source, scan);
        rows.push_back(std::move(t));
    }
    return rows;
}

std::vector<Tuple> scanTableUntil(ExecContext& ctx, const BoundSelect& select,
                                  const BoundSource& source, const BoundExpr* where,
                                  const Frame* outer, size_t limit) {
    std::vector<Tuple> rows;
    if (limit == 0) return rows;
    TableScan scan(ctx.db, source.table);
    while (scan.next()) {
        Tuple t = tupleOfScannedRow(select, source, scan);
        if (where) {
            Frame frame{&t.values, select.rowWidth, outer};
            if (!ctx.passes(*where, frame)) continue;
        }
        rows.push_back(std::move(t));
        if (rows.size() >= limit) break;
    }
    return rows;
}

std::vector<Tuple> filterRows(ExecContext& ctx, std::vector<Tuple> rows, const BoundExpr& condition,
                              size_t aggregateBase, const Frame* outer) {
    std::vector<Tuple> kept;
    for (auto& t : rows) {
        Frame frame{&t.values, aggregateBase, outer};
        if (ctx.passes(condition, frame)) kept.push_back(std::move(t));
    }
    return kept;
}

}  // namespace jet::sql::detail
