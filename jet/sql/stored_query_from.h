// The FROM list of a stored query, rebuilt from its table rows (attribute 5)
// and join rows (attribute 7), and the identifier quoting the stored-query
// text uses.
//
// Access stores joins flat: each join row names its left and right table and
// carries one ON condition. Replaying them in stored order rebuilds the nested
// joins Access shows: a join whose two tables already sit in one join adds its
// condition to it (conditions of one join read newest first, as Access shows
// them), any other join wraps the two sources it connects in a new join.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/sql/stored_query.h"

namespace jet::query_format {

// A name as Access writes it in SQL: kept as is when it is made of letters,
// digits and '_' (letters include any non-ASCII character) and does not start
// with a digit, or when it is already in brackets; otherwise in brackets.
std::string quoteName(std::string_view name);

// A dotted name ("Table1.col1", "[Table 2].[col 1]") with each part quoted as
// by quoteName; dots inside brackets belong to the part.
std::string quoteQualifiedName(std::string_view name);

// The sources of the FROM clause, separated by ", ", without the keyword.
// Empty when there are no table rows. Throws Corrupt (naming objectId) on a
// table row with nothing to name, a join row without tables or condition, an
// unknown join type, or two join rows between the same sources with
// different types.
std::string fromSources(int32_t objectId, const std::vector<const QueryRow*>& tables,
                        const std::vector<const QueryRow*>& joins);

}  // namespace jet::query_format
