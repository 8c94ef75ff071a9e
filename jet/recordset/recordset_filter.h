// The filter of an open recordset: a filter text compiled once against the
// recordset's columns and then tested on each row's values, without going
// back to SQL.
//
// The filter language is the one the program's filter builders write (see
// parseFilterText in jet/sql/parser/parser.h): comparisons, LIKE with * and % for
// any run (? and _ for one character), IS [NOT] NULL and `= NULL` /
// `<> NULL`, BETWEEN, IN, AND/OR/NOT/XOR/EQV/IMP nested in parentheses,
// arithmetic on values, #dates#, and dates as the quoted text 'yyyy-mm-dd' or
// 'yyyy-mm-dd hh:nn:ss' (24-hour clock; the one format the filter builders
// and the engine share). GUIDs are written '{xxxxxxxx-xxxx-...}'.
//
// What a caller may rely on:
// - compile() throws jet::Error (message in Access's words) for a text it
//   cannot read, a field it does not know, a function call or subquery, or a
//   quoted date that is not in the fixed format; nothing is kept then.
// - A row passes only when the condition is True (three-valued logic: a
//   comparison with Null is Null, and Null does not pass).
// - Text comparisons and LIKE ignore case unless compiled case-sensitive;
//   without regard to case, text orders by the sort order given (as the
//   database's indexes order it), else by folded characters.
// - A comparison that cannot be made for one row's value (text in a number
//   column that is not a number) makes that row fail, never the whole filter.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/format/sort_order.h"
#include "jet/sql/executor/query_result.h"
#include "jet/value.h"

namespace jet {

class RecordFilter {
public:
    struct Node;

    static RecordFilter compile(std::string_view text,
                                const std::vector<sql::ResultColumn>& columns, bool caseSensitive,
                                std::optional<SortOrderKind> textOrder = std::nullopt);

    RecordFilter(RecordFilter&&) noexcept;
    RecordFilter& operator=(RecordFilter&&) noexcept;
    ~RecordFilter();

    // True when the row (one value per column, in column order) passes. Only
    // the columns usesColumn() names are read.
    bool passes(const std::vector<Value>& values) const;
    // Per column, whether the filter reads it.
    const std::vector<bool>& usesColumn() const { return usesColumn_; }

private:
    RecordFilter();
    static void markColumns(const Node& node, std::vector<bool>& uses);
    std::unique_ptr<Node> root_;
    bool caseSensitive_ = false;
    std::optional<SortOrderKind> textOrder_;
    std::vector<bool> usesColumn_;
};

}  // namespace jet
