// The sort of an open recordset: the order of its rows by a sort text, made
// in memory without going back to SQL.
//
// What a caller may rely on:
// - The sort text is "NAME, [ORDER DATE] DESC" (see parseSortText in
//   jet/sql/parser.h); names are found without regard to case. An unknown
//   name throws jet::Error with ADO's message and nothing changes.
// - Nulls come first (last when descending), text follows the collation
//   given (by default without regard to case; the database's sort order is
//   passed in here), and rows that tie keep their natural order (stable).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "jet/sql/query_result.h"
#include "jet/sql/value_ops.h"

namespace jet {

struct ResolvedSortKey {
    size_t column = 0;
    bool descending = false;
};

// The sort keys of a text, resolved against the columns; empty for a blank
// text (the natural order).
std::vector<ResolvedSortKey> resolveSortText(std::string_view text,
                                             const std::vector<sql::ResultColumn>& columns);

// Sorts `order` (indexes of result rows) by the keys, stably. `keyValues`
// holds the sort values of result row r at [r * keys.size(), (r + 1) *
// keys.size()), in the order of `keys`; only the rows in `order` need them.
void sortRows(std::vector<size_t>& order, const std::vector<Value>& keyValues,
              const std::vector<ResolvedSortKey>& keys, const ValueOrder& valueOrder);

}  // namespace jet
