// Running a bound query: each SELECT through FROM, WHERE, GROUP BY, HAVING,
// the select list, DISTINCT, ORDER BY and TOP; UNION joins the parts.
#include "jet/sql/executor/executor.h"

#include "jet/sql/executor/executor_internal.h"
#include "jet/table/index_cursor.h"

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

// Whether the result may leave its values out: every column a plain column
// of the one table in slot 0, and nothing that compares result values.
bool mayOmitValues(const BoundQuery& query) {
    if (query.parts.size() != 1 || query.crosstab || query.rowIdTables.size() != 1) return false;
    const BoundSelect& select = query.parts[0];
    if (!isSingleTableSelect(select) || select.predicate != SelectPredicate::All) return false;
    // The caller reads omitted values from its own file by row id.
    if (select.sources[static_cast<size_t>(select.from->source)].database) return false;
    for (const ResultColumn& column : query.columns) {
        if (column.rowIdSlot != 0 || column.baseColumn.empty()) return false;
        // A complex column shows its values, which the row does not hold.
        if (column.type == DataType::Complex) return false;
    }
    return true;
}

// The rows of one SELECT, with their ORDER BY values when `order` is given.
// Row ids go into slots [slotOffset, slotOffset + part's width) of rows
// `slotWidth` wide. `preordered` tells whether they already come in ORDER BY
// order.
std::vector<OrderedRow> runSelect(ExecContext& ctx, const BoundSelect& select,
                                  const std::vector<BoundOrder>* order, const Frame* outer,
                                  size_t slotOffset, size_t slotWidth, bool withValues,
                                  bool& preordered) {
    preordered = false;
    const bool ordered = order && !order->empty();
    // TOP n without ORDER BY, DISTINCT or grouping needs only the first n rows.
    size_t limit = SIZE_MAX;
    size_t orderedLimit = SIZE_MAX;
    if (select.top && !select.top->percent && !select.grouped &&
        select.predicate == SelectPredicate::All) {
        const size_t n = select.top->count <= 0 ? 0 : static_cast<size_t>(select.top->count);
        (ordered ? orderedLimit : limit) = n;
    }

    ctx.noteColumnUse(select, order);
    std::vector<OrderedRow> out;
    if (isSingleTableSelect(select)) {
        SingleTableRun run;
        run.order = order;
        run.outer = outer;
        run.slotOffset = slotOffset;
        run.slotWidth = slotWidth;
        run.limit = limit;
        run.orderedLimit = orderedLimit;
        run.withValues = withValues;
        out = runSingleTable(ctx, select, run, preordered);
    } else {
        std::vector<Tuple> rows;
        if (isSingleTableGroupedSelect(select)) {
            rows = groupSingleTable(ctx, select, outer);
        } else {
            rows = sourceRows(ctx, select, outer);
            if (select.grouped) rows = groupRows(ctx, select, std::move(rows), outer);
        }
        if (select.grouped && select.having) {
            rows = filterRows(ctx, std::move(rows), *select.having, select.rowWidth, outer);
        }
        out.reserve(rows.size());
        for (const Tuple& t : rows) {
            out.push_back(
                makeOrderedRow(ctx, select, order, t, outer, slotOffset, slotWidth, withValues));
        }
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

OrderedRow makeOrderedRow(ExecContext& ctx, const BoundSelect& select,
                          const std::vector<BoundOrder>* order, const Tuple& tuple,
                          const Frame* outer, size_t slotOffset, size_t slotWidth,
                          bool withValues) {
    Frame frame{&tuple.values, select.rowWidth, outer};
    OrderedRow r;
    if (withValues) r.row.values = ctx.outputValues(select, frame);
    if (order) {
        for (const auto& o : *order) r.keys.push_back(ctx.orderKey(*o.expr, frame));
    }
    r.row.rowIds.assign(slotWidth, kNoRow);
    for (size_t s = 0; s < tuple.rowIds.size() && slotOffset + s < slotWidth; ++s) {
        r.row.rowIds[slotOffset + s] = tuple.rowIds[s];
    }
    return r;
}

void ExecContext::noteColumnUse(const BoundSelect& select, const std::vector<BoundOrder>* order) {
    if (!columnUse_.count(&select)) columnUse_.emplace(&select, columnsUsed(select, order));
}

const ColumnUse* ExecContext::columnUseOf(const BoundSelect& select) const {
    const auto found = columnUse_.find(&select);
    return found == columnUse_.end() ? nullptr : &found->second;
}

std::vector<Tuple> sourceRows(ExecContext& ctx, const BoundSelect& select, const Frame* outer) {
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
    // Only the statement's own result may leave its values out; subqueries
    // run later through here always carry theirs.
    const bool rowIdsOnly = plan.rowIdsOnly;
    plan.rowIdsOnly = false;
    if (query.crosstab) return runCrosstab(*this, query, outer);
    QueryResult result;
    result.columns = query.columns;
    result.rowIdTables = query.rowIdTables;
    const size_t slotWidth = query.rowIdTables.size();

    std::vector<OrderedRow> rows;
    bool preordered = false;
    if (query.parts.size() == 1) {
        const BoundSelect& select = query.parts[0];
        const bool withValues = !(rowIdsOnly && outer == nullptr && mayOmitValues(query));
        result.valuesOmitted = !withValues;
        rows =
            runSelect(*this, select, &query.orderBy, outer, 0, slotWidth, withValues, preordered);
        if (!preordered) sortRows(rows, query.orderBy);
        if (select.top) applyTop(rows, *select.top, query.orderBy);
    } else {
        size_t slotOffset = 0;
        for (size_t i = 0; i < query.parts.size(); ++i) {
            const BoundSelect& select = query.parts[i];
            std::vector<OrderedRow> part =
                runSelect(*this, select, nullptr, outer, slotOffset, slotWidth, true, preordered);
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
                for (const auto& o : query.orderBy) r.keys.push_back(orderKey(*o.expr, frame));
            }
            sortRows(rows, query.orderBy);
        }
    }

    result.rows.reserve(rows.size());
    for (auto& r : rows) result.rows.push_back(std::move(r.row));

    // Columns whose type follows their values take the first value's type.
    const BoundSelect& first = query.parts[0];
    for (size_t c = 0; c < result.columns.size(); ++c) {
        if (showsMultiValues(first, c)) result.columns[c].type = DataType::Memo;
    }
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

namespace {

// Domain functions run a statement of their own; one that reaches itself
// again through stored queries would never end.
constexpr int kMaxDomainDepth = 8;
thread_local int domainDepth = 0;

Value firstValueOfStatement(Database& db, const std::string& sql,
                            const FunctionContext& functions) {
    if (domainDepth >= kMaxDomainDepth)
        throw Error(ErrorCode::InvalidArgument, "Domain functions are nested too deeply.");
    ++domainDepth;
    struct Leave {
        ~Leave() { --domainDepth; }
    } leave;
    ExecuteOptions options;
    options.functions = functions;
    options.functions.firstValueOf = nullptr;  // made afresh for that statement
    const QueryResult result = executeSelect(db, sql, options);
    if (result.rows.empty() || result.rows.front().values.empty()) return Value::null();
    return result.rows.front().values.front();
}

}  // namespace

QueryResult executeBound(Database& db, const BoundQuery& query, const FunctionContext& functions,
                         const PlanOptions& plan) {
    detail::ExecContext ctx(db, functions);
    if (!ctx.functions.firstValueOf) {
        ctx.functions.firstValueOf = [&db, functions](const std::string& sql) {
            return firstValueOfStatement(db, sql, functions);
        };
    }
    ctx.plan = plan;
    // Text compares as the database's sort order orders it, as in Access.
    ctx.compareOptions.textOrder = textSortOrderOf(db);
    return ctx.run(query, nullptr);
}

QueryResult executeStatement(Database& db, const Statement& statement,
                             const ExecuteOptions& options) {
    auto bound = bindStatement(db, statement, options.parameters);
    return executeBound(db, *bound, options.functions, options.plan);
}

QueryResult executeSelect(Database& db, std::string_view sql, const ExecuteOptions& options) {
    const Statement statement = parseStatement(sql, options.parse);
    return executeStatement(db, statement, options);
}

}  // namespace jet::sql
