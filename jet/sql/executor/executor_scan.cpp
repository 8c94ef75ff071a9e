// Reading one source of a join: a base table through the access path the
// planner chooses for the WHERE terms that read it, or the rows of a
// subquery.
#include "jet/sql/executor/executor_internal.h"

namespace jet::sql::detail {
namespace {

Tuple emptyTuple(const BoundSelect& select) {
    Tuple t;
    t.values.resize(select.rowWidth);
    t.rowIds.assign(select.rowIdWidth, kNoRow);
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

    // The index narrows the rows only; the join tests the terms itself.
    AccessRequest request;
    request.byCost = ctx.plan.byCost;
    const TableAccess access =
        planTableAccess(databaseOf(ctx.db, source), select, source, where, request);
    TableRowReader reader(ctx, select, source, nullptr, nullptr);
    reader.read(access, [&](const Tuple& t) {
        rows.push_back(t);
        return true;
    });
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
