// Choosing how one base table is read (planner.h).
//
// Costs are in rows read in storage order: a row fetched through an index
// costs a few of those (its page is read out of order, and the entry too),
// so an index range pays only when it holds a small part of the table. The
// entries of a range are counted from the index pages, without reading a
// row, and counting stops once the range is too large to pay: the estimate
// costs a small part of the scan it decides against.
#include "jet/sql/planner/planner.h"
#include "jet/table/index_cursor.h"

namespace jet::sql::detail {
namespace {

// One row through an index against one row in storage order.
constexpr size_t kIndexRowCost = 4;
// One seek from the root of an index against one row in storage order.
constexpr size_t kSeekCost = 50;

// The index whose leading columns are the ORDER BY columns, in the same
// directions and holding every row; null when there is none. An index walked
// for ORDER BY must order its keys exactly as ORDER BY orders values:
// numbers and dates, and text keyed in the database's own General sort
// order (a column may carry a sort order of its own).
const IndexDef* indexForOrder(const Database& db, const BoundSource& source,
                              const std::vector<BoundOrder>& order, size_t& leading) {
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
        if (real.flags & kIndexIgnoreNulls) continue;
        bool fits = true;
        for (size_t i = 0; i < wanted.size() && fits; ++i) {
            fits = real.columns[i].columnNumber == wanted[i]->number &&
                   real.columns[i].ascending == !order[i].descending;
        }
        if (fits) {
            leading = order[0].expr->column - source.columnOffset;
            return &index;
        }
    }
    return nullptr;
}

bool isUnique(const TableDef& def, const IndexDef& index) {
    const RealIndexDef& real = def.realIndexOf(index);
    return (real.flags & kIndexUnique) != 0 && real.columns.size() == 1;
}

}  // namespace

TableAccess planTableAccess(Database& db, const BoundSelect& select, const BoundSource& source,
                            const BoundExpr* where, const AccessRequest& request) {
    TableAccess access;
    const TableDef& def = *source.table;
    const size_t rows = def.rowCount;
    // A range costs less than the scan while it holds fewer rows than this.
    const size_t worthwhile = request.byCost ? rows / kIndexRowCost : SIZE_MAX - 1;

    // Without costs every range counts as selective, and nothing is counted.
    auto entriesUpTo = [&](const IndexLookup& l) {
        return request.byCost ? countIndexEntries(db, source, l, worthwhile + 1) : 0;
    };

    std::optional<IndexLookup> lookup;
    if (where) lookup = planIndexLookup(db, source, *where);

    if (lookup && lookup->equal &&
        (isUnique(def, *lookup->index) || entriesUpTo(*lookup) <= worthwhile)) {
        access.path = AccessPath::IndexEqual;
        access.lookup = lookup;
        return access;
    }

    const bool mayOrder = request.indexOrder && request.order && !request.order->empty() &&
                          select.predicate == SelectPredicate::All;
    size_t leading = 0;
    const IndexDef* orderIndex =
        mayOrder ? indexForOrder(db, source, *request.order, leading) : nullptr;

    // A range holding few rows: read them and sort what ORDER BY asks.
    std::optional<size_t> inRange;
    if (lookup && !lookup->equal) {
        inRange = entriesUpTo(*lookup);
    }
    const bool selectiveRange = inRange && *inRange <= worthwhile;

    if (orderIndex) {
        // The walk reads rows in index order: all of them, or (TOP n) about
        // n rows, from where a range on the same column starts.
        const bool bounded = lookup && !lookup->equal && lookup->column == leading &&
                             !(*request.order)[0].descending;
        const size_t walked = request.orderedLimit != SIZE_MAX ? request.orderedLimit
                              : bounded && selectiveRange      ? *inRange
                                                               : rows;
        // Against it: the scan (or the range) and a sort, which costs about
        // as much again as reading the rows.
        const size_t otherCost = selectiveRange ? *inRange * kIndexRowCost * 2 : rows * 2;
        if (!request.byCost || walked * kIndexRowCost <= otherCost) {
            access.path = AccessPath::IndexOrder;
            access.orderIndex = orderIndex;
            access.orderColumn = leading;
            access.boundedWalk = bounded;
            if (bounded) access.lookup = lookup;
            return access;
        }
    }

    if (selectiveRange) {
        access.path = AccessPath::IndexRange;
        access.lookup = lookup;
        return access;
    }
    return access;
}

std::optional<int64_t> countWithoutRows(Database& db, const BoundSelect& select) {
    if (!select.from || select.from->source < 0 || !select.groupBy.empty()) return std::nullopt;
    const BoundSource& source = select.sources[static_cast<size_t>(select.from->source)];
    if (!source.table || select.aggregates.empty()) return std::nullopt;
    for (const BoundAggregate& a : select.aggregates) {
        if (a.kind != AggregateKind::CountRows) return std::nullopt;
    }
    if (!select.where) return static_cast<int64_t>(source.table->rowCount);
    Database& file = databaseOf(db, source);
    const std::optional<IndexLookup> lookup = planIndexLookup(file, source, *select.where);
    if (!lookup || !lookup->coversWhere) return std::nullopt;
    return static_cast<int64_t>(countIndexEntries(file, source, *lookup));
}

bool indexJoinPays(const BoundSource& inner, const IndexDef& index, size_t outerRows,
                   size_t sampleKeys, size_t sampleMatches) {
    const TableDef& def = *inner.table;
    const double perKey =
        isUnique(def, index) || sampleKeys == 0
            ? 1.0
            : static_cast<double>(sampleMatches) / static_cast<double>(sampleKeys);
    const double cost =
        static_cast<double>(outerRows) * (static_cast<double>(kSeekCost) + perKey * kIndexRowCost);
    return cost < static_cast<double>(def.rowCount);
}

}  // namespace jet::sql::detail
