// The sort of an open recordset: the order of its rows by a sort text, made
// in memory without going back to SQL.
//
// What a caller may rely on:
// - The sort text is "NAME, [ORDER DATE] DESC" (see parseSortText in
//   jet/sql/parser/parser.h); names are found without regard to case. An unknown
//   name throws jet::Error with ADO's message and nothing changes.
// - Nulls come first (last when descending) and rows that tie keep their
//   natural order (stable).
// - Text columns follow the database's sort order (a value in them that is
//   no text comes after the nulls and before every text, among its kind in
//   value order): each text is turned once
//   into the key an index of that sort order would hold (only its first 255
//   characters count and trailing spaces do not, as in Access's indexes), and
//   keys compare as bytes. A caller may give its own text comparison
//   instead, which is then called for every comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/format/sort_order.h"
#include "jet/sql/executor/query_result.h"
#include "jet/sql/functions/value_ops.h"

namespace jet {

struct ResolvedSortKey {
    size_t column = 0;
    bool descending = false;
};

// The sort keys of a text, resolved against the columns; empty for a blank
// text (the natural order).
std::vector<ResolvedSortKey> resolveSortText(std::string_view text,
                                             const std::vector<sql::ResultColumn>& columns);

// How the text of a sort compares.
struct TextOrder {
    // The sort order whose index keys order text; unused when `custom` is set.
    SortOrderKind kind = SortOrderKind::GeneralLegacy;
    // A comparison of the caller's, used instead of the keys when set.
    std::optional<ValueOrder> custom;
};

// The sort values of the rows of a result, gathered row by row (in any
// order) and then used to order them.
class SortKeyTable {
public:
    SortKeyTable(std::vector<ResolvedSortKey> keys, const std::vector<sql::ResultColumn>& columns,
                 size_t rowCount, TextOrder textOrder);

    bool empty() const { return keys_.empty(); }
    // Takes the sort values of result row `row` from its values (one per
    // column, in column order).
    void collect(size_t row, const std::vector<Value>& values);
    // Sorts `order` (result rows whose values were collected, in their
    // natural order), stably.
    void sort(std::vector<size_t>& order) const;

private:
    // Where a row's text key lies in the arena; length kNullKey for null and
    // kValueKey for a value that is no text (a column typed Text by its
    // first values, as in a UNION, may hold numbers further down), which is
    // kept in values_.
    struct TextKeyRef {
        uint64_t offset = 0;
        uint32_t length = 0;
    };
    static constexpr uint32_t kNullKey = UINT32_MAX;
    static constexpr uint32_t kValueKey = UINT32_MAX - 1;

    int compareKey(size_t k, size_t a, size_t b) const;
    // A number that orders rows by the first key as far as it can: rows
    // whose prefixes differ are ordered by them, equal prefixes say nothing.
    uint64_t prefixOf(size_t row) const;

    std::vector<ResolvedSortKey> keys_;
    std::vector<bool> byTextKey_;  // per key: compared through text keys
    bool firstKeyNumeric_ = true;  // every value of the first key is a plain number
    TextOrder textOrder_;
    ValueOrder valueOrder_;
    // Per row and key ([row * keys + k]): the value, or the text key's place.
    std::vector<Value> values_;
    std::vector<TextKeyRef> textKeys_;
    std::vector<uint8_t> arena_;
};

}  // namespace jet
