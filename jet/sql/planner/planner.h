// The planner: takes a bound SELECT (binder.h) and the database it reads,
// gives the executor its choices before a row is read —
// - which columns of each source the statement reads at all, and which of
//   them WHERE needs, so a scan decodes those first and the rest only for
//   rows that pass;
// - for a SELECT over one base table, the access path: an index equality,
//   an index range, an index walked in ORDER BY order, or the table in
//   storage order, chosen by cost from the table's row count and the
//   entries the index holds in the range (counted from its pages, without
//   reading a row, up to the point where a scan is cheaper anyway);
// - whether Count(*) can be answered without reading rows: from the
//   table's row count, or from the entries of an index range.
// Every index the planner picks can be sought with the keys it hands over
// (IndexCursor::canEncodeKey is asked first), so executing a plan never
// falls back on an error: an error inside an index walk is the caller's.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/binder/binder.h"

namespace jet::sql::detail {

// Which slots of a SELECT's row the statement reads (one per column of
// every source, as BoundSelect::rowWidth counts them).
struct ColumnUse {
    std::vector<bool> read;   // anywhere: outputs, ORDER BY, grouping, joins
    std::vector<bool> where;  // by WHERE
};

// Conservative: a correlated subquery, which reads the row from inside,
// marks every column as read.
ColumnUse columnsUsed(const BoundSelect& select, const std::vector<BoundOrder>* order);
// The slots one expression reads; `exact` turns false when it holds a
// correlated subquery, which may read any.
std::vector<bool> columnsUsed(const BoundExpr& expr, size_t rowWidth, bool& exact);

// How WHERE lets a table be read through an index: the entries equal to
// `equal`, or those between `lower` and `upper` (either may be open; strict
// bounds exclude the key itself). The values are in the form the index keys
// are built from, and the index can be sought with them.
struct IndexLookup {
    const IndexDef* index = nullptr;
    size_t column = 0;  // the index's leading column, in the table's columns
    std::optional<Value> equal, lower, upper;
    bool lowerStrict = false, upperStrict = false;
    // WHERE is exactly this condition (nothing else to test), on a column
    // whose key order is its value order: the entries alone are the answer.
    bool coversWhere = false;
};

// An equality on the leading column of any index, else a range (<, <=, >,
// >=, BETWEEN) on the leading column of an ascending index over numbers or
// dates. Text ranges are left to scans: the index orders text by the file's
// sort order, which need not agree entry by entry with WHERE's comparison.
std::optional<IndexLookup> planIndexLookup(Database& db, const BoundSource& source,
                                           const BoundExpr& where);

// The number of index entries in the lookup's range (rows whose leading
// column is Null never count), read from the index pages alone; counting
// stops at `cap`.
size_t countIndexEntries(Database& db, const BoundSource& source, const IndexLookup& lookup,
                         size_t cap = SIZE_MAX);

enum class AccessPath { Scan, IndexEqual, IndexRange, IndexOrder };

struct TableAccess {
    AccessPath path = AccessPath::Scan;
    std::optional<IndexLookup> lookup;     // IndexEqual, IndexRange; an IndexOrder's bounds
    const IndexDef* orderIndex = nullptr;  // IndexOrder
    size_t orderColumn = 0;                // IndexOrder: the walk's leading column
    bool boundedWalk = false;              // IndexOrder starts at lookup->lower, stops past upper
};

struct AccessRequest {
    const std::vector<BoundOrder>* order = nullptr;  // ORDER BY, when it may come from an index
    bool indexOrder = true;                          // PlanOptions::indexOrder
    size_t orderedLimit = SIZE_MAX;                  // TOP n with ORDER BY
    bool byCost = true;                              // PlanOptions::byCost
};

// The access path for base table `source` of SELECT `select`, rows of
// which must pass `where` (null: every row).
TableAccess planTableAccess(Database& db, const BoundSelect& select, const BoundSource& source,
                            const BoundExpr* where, const AccessRequest& request);

// Count(*) of a SELECT without grouping columns over one base table, when
// it needs no row: the table's row count without WHERE, the entries of a
// covering index range with it. Nullopt otherwise.
std::optional<int64_t> countWithoutRows(Database& db, const BoundSelect& select);

// Joins: an inner side that is a base table with an index leading with its
// join column is sought once per outer row when that reads less than a scan
// of it would (a seek costs many rows' reading: it descends the tree anew).
// The index on column `column` of `source`'s table, in either direction;
// null when none leads with it.
const IndexDef* indexLeadingWith(const BoundSource& source, size_t column);
// `v` as the index's key for its leading column, when the index can be
// sought with it; nullopt otherwise.
std::optional<Value> seekKeyFor(Database& db, const BoundSource& source, const IndexDef& index,
                                size_t column, const Value& v);
// Whether seeking `outerRows` keys (of which `sampleKeys` found
// `sampleMatches` rows) costs less than scanning the inner table.
bool indexJoinPays(const BoundSource& inner, const IndexDef& index, size_t outerRows,
                   size_t sampleKeys, size_t sampleMatches);

// Splits a condition at its top-level ANDs.
void collectConjuncts(const BoundExpr& expr, std::vector<const BoundExpr*>& out);

}  // namespace jet::sql::detail
