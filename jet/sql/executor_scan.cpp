// Reading one source: a table in storage order, a table through an index
// when WHERE asks for one value of the index's leading column, or the rows
// of a subquery.
#include "jet/sql/executor_internal.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"

namespace jet::sql::detail {
namespace {

void collectConjuncts(const BoundExpr& expr, std::vector<const BoundExpr*>& out) {
    if (expr.kind == BoundKind::Binary && expr.binaryOp == BinaryOp::And) {
        collectConjuncts(*expr.operands[0], out);
        collectConjuncts(*expr.operands[1], out);
        return;
    }
    out.push_back(&expr);
}

struct Lookup {
    const IndexDef* index = nullptr;
    Value key;
};

// An equality `column = constant` of WHERE on the leading column of one of
// the table's indexes.
std::optional<Lookup> findLookup(const BoundSource& source, const BoundExpr& where) {
    std::vector<const BoundExpr*> conjuncts;
    collectConjuncts(where, conjuncts);
    const TableDef& def = *source.table;
    for (const BoundExpr* c : conjuncts) {
        if (c->kind != BoundKind::Binary || c->binaryOp != BinaryOp::Equal) continue;
        for (int side = 0; side < 2; ++side) {
            const BoundExpr& column = *c->operands[side];
            const BoundExpr& constant = *c->operands[1 - side];
            if (column.kind != BoundKind::Column || column.depth != 0 ||
                constant.kind != BoundKind::Literal || constant.value.isNull()) {
                continue;
            }
            if (column.column < source.columnOffset ||
                column.column >= source.columnOffset + source.columns.size()) {
                continue;
            }
            const jet::ColumnDef& target = def.columns[column.column - source.columnOffset];
            for (const IndexDef& index : def.indexes) {
                const RealIndexDef& real = def.realIndexOf(index);
                if (!real.columns.empty() && real.columns[0].columnNumber == target.number) {
                    return Lookup{&index, constant.value};
                }
            }
        }
    }
    return std::nullopt;
}

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

    if (where) {
        if (auto lookup = findLookup(source, *where)) {
            // A key the index cannot hold (a value of another type, a text
            // sort order the engine cannot build keys for) falls back to a
            // full scan; the WHERE clause decides either way.
            try {
                IndexCursor cursor(ctx.db, source.table, *lookup->index);
                const std::vector<Value> key{lookup->key};
                for (bool ok = cursor.seek(key); ok && cursor.matches(key); ok = cursor.next()) {
                    Tuple t = emptyTuple(select);
                    const auto& values = cursor.values();
                    for (size_t c = 0; c < values.size(); ++c)
                        t.values[source.columnOffset + c] = values[c];
                    t.rowIds[source.rowIdOffset] = cursor.rowId();
                    rows.push_back(std::move(t));
                }
                return rows;
            } catch (const Error& e) {
                if (e.code() != ErrorCode::InvalidArgument && e.code() != ErrorCode::Unsupported)
                    throw;
                rows.clear();
            }
        }
    }

    TableScan scan(ctx.db, source.table);
    while (scan.next()) {
        Tuple t = emptyTuple(select);
        for (size_t c = 0; c < source.columns.size(); ++c) {
            t.values[source.columnOffset + c] = scan.value(c);
        }
        t.rowIds[source.rowIdOffset] = scan.rowId();
        rows.push_back(std::move(t));
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
