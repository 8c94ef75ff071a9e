// Running a bound query: each SELECT through FROM, WHERE, GROUP BY, HAVING,
// the select list, DISTINCT, ORDER BY and TOP; UNION joins the parts.
#include "jet/sql/executor.h"

#include "jet/sql/executor_internal.h"

namespace jet::sql {
namespace detail {
namespace {

DataType typeOfValue(const Value& v, DataType fallback) {
    if (v.is<bool>()) return DataType::Boolean;
    if (v.is<int64_t>()) return DataType::Long;
    if (v.is<float>()) return DataType::Single;
    if (v.is<double>()) return DataType::Double;
    if (v.is<CurrencyValue>()) return DataType::Currency;
    if (v.is<Decimal>()) return DataType::Numeric;
    if (v.is<DateTimeValue>()) return DataType::DateTime;
    if (v.is<std::string>()) return DataType::Text;
    if (v.is<Blob>()) return DataType::Binary;
    if (v.is<Guid>()) return DataType::Guid;
    return fallback;
}

// The rows of one SELECT, with their ORDER BY values when `order` is given.
// Row ids go into slots [slotOffset, slotOffset + part's width) of rows
// `slotWidth` wide.
std::vector<OrderedRow> runSelect(ExecContext& ctx, const BoundSelect& select,
                                  const std::vector<BoundOrder>* order, const Frame* outer,
                                  size_t slotOffset, size_t slotWidth) {
    // TOP n without ORDER BY, DISTINCT or grouping needs only the first n rows.
    size_t limit = SIZE_MAX;
    if (select.top && !select.top->percent && (!order || order->empty()) && !select.grouped &&
        select.predicate == SelectPredicate::All) {
        limit = select.top->count <= 0 ? 0 : static_cast<size_t>(select.top->count);
    }
    std::vector<Tuple> rows = sourceRows(ctx, select, outer, limit);
    if (select.grouped) {
        rows = groupRows(ctx, select, std::move(rows), outer);
        if (select.having) {
            rows = filterRows(ctx, std::move(rows), *select.having, select.rowWidth, outer);
        }
    }

    std::vector<OrderedRow> out;
    out.reserve(rows.size());
    for (Tuple& t : rows) {
        Frame frame{&t.values, select.rowWidth, outer};
        OrderedRow r;
        r.row.values.reserve(select.outputs.size());
        for (const auto& e : select.outputs) r.row.values.push_back(ctx.evaluate(*e, frame));
        if (order) {
            for (const auto& o : *order) r.keys.push_back(ctx.evaluate(*o.expr, frame));
        }
        r.row.rowIds.assign(slotWidth, kNoRow);
        for (size_t s = 0; s < t.rowIds.size() && slotOffset + s < slotWidth; ++s) {
            r.row.rowIds[slotOffset + s] = t.rowIds[s];
        }
        out.push_back(std::move(r));
    }
    if (select.predicate == SelectPredicate::Distinct) removeDuplicateRows(out);
    if (select.predicate == SelectPredicate::DistinctRow) {
        std::vector<size_t> slots;
        for (size_t s : select.distinctRowSlots) slots.push_back(slotOffset + s);
        removeDuplicateRowIds(out, slots);
    }
    return out;
}

}  // namespace

std::vector<Tuple> sourceRows(ExecContext& ctx, const BoundSelect& select, const Frame* outer,
                              size_t limit) {
    const BoundExpr* where = select.where.get();
    if (limit != SIZE_MAX && select.from && select.from->source >= 0) {
        const BoundSource& source = select.sources[static_cast<size_t>(select.from->source)];
        if (source.table && !(where && planIndexLookup(source, *where))) {
            return scanTableUntil(ctx, select, source, where, outer, limit);
        }
    }
    std::vector<Tuple> rows;
    if (select.from) {
        rows = executeJoin(ctx, select, *select.from, select.where.get(), outer);
    } else {
        Tuple one;
        one.values.resize(select.rowWidth);
        one.rowIds.assign(select.rowIdWidth, kNoRow);
        rows.push_back(std::move(one));
    }
    if (select.where) {
        rows = filterRows(ctx, std::move(rows), *select.where, select.rowWidth, outer);
    }
    return rows;
}

QueryResult ExecContext::run(const BoundQuery& query, const Frame* outer) {
    if (query.crosstab) return runCrosstab(*this, query, outer);
    QueryResult result;
    result.columns = query.columns;
    result.rowIdTables = query.rowIdTables;
    const size_t slotWidth = query.rowIdTables.size();

    std::vector<OrderedRow> rows;
    if (query.parts.size() == 1) {
        const BoundSelect& select = query.parts[0];
        rows = runSelect(*this, select, &query.orderBy, outer, 0, slotWidth);
        sortRows(rows, query.orderBy);
        if (select.top) applyTop(rows, *select.top, query.orderBy);
    } else {
        size_t slotOffset = 0;
        for (size_t i = 0; i < query.parts.size(); ++i) {
            const BoundSelect& select = query.parts[i];
            std::vector<OrderedRow> part =
                runSelect(*this, select, nullptr, outer, slotOffset, slotWidth);
            slotOffset += select.rowIdWidth;
            if (select.top) applyTop(part, *select.top, {});
            for (auto& r : part) rows.push_back(std::move(r));
            // UNION without ALL removes duplicates from everything so far.
            if (i > 0 && !query.unionAll[i - 1]) removeDuplicateRows(rows);
        }
        if (!query.orderBy.empty()) {
            for (auto& r : rows) {
                Frame frame{&r.row.values, r.row.values.size(), outer};
                r.keys.clear();
                for (const auto& o : query.orderBy) r.keys.push_back(evaluate(*o.expr, frame));
            }
            sortRows(rows, query.orderBy);
        }
    }

    result.rows.reserve(rows.size());
    for (auto& r : rows) result.rows.push_back(std::move(r.row));

    // Columns whose type follows their values take the first value's type.
    const BoundSelect& first = query.parts[0];
    for (size_t c = 0; c < result.columns.size() && c < first.outputTypeKnown.size(); ++c) {
        if (first.outputTypeKnown[c]) continue;
        for (const auto& row : result.rows) {
            if (c < row.values.size() && !row.values[c].isNull()) {
                result.columns[c].type = typeOfValue(row.values[c], result.columns[c].type);
                break;
            }
        }
    }
    return result;
}

}  // namespace detail

QueryResult executeBound(Database& db, const BoundQuery& query, const FunctionContext& functions) {
    detail::ExecContext ctx(db, functions);
    return ctx.run(query, nullptr);
}

QueryResult executeStatement(Database& db, const Statement& statement,
                             const ExecuteOptions& options) {
    auto bound = bindStatement(db, statement, options.parameters);
    return executeBound(db, *bound, options.functions);
}

QueryResult executeSelect(Database& db, std::string_view sql, const ExecuteOptions& options) {
    const Statement statement = parseStatement(sql, options.parse);
    return executeStatement(db, statement, options);
}

}  // namespace jet::sql
