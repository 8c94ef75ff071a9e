#include "jet/recordset/recordset_sort.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/sql/parser.h"
#include "jet/sql/value_ops_text.h"

namespace jet {

std::vector<ResolvedSortKey> resolveSortText(std::string_view text,
                                             const std::vector<sql::ResultColumn>& columns) {
    std::vector<ResolvedSortKey> resolved;
    for (const sql::SortKey& key : sql::parseSortText(text)) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const auto& column) {
            return compareTextNoCase(column.name, key.field) == 0;
        });
        if (found == columns.end()) {
            throw Error(ErrorCode::NotFound,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name or ordinal. (" +
                            key.field + ")");
        }
        resolved.push_back({static_cast<size_t>(found - columns.begin()), key.descending});
    }
    return resolved;
}

void sortRows(std::vector<size_t>& order, const std::vector<Value>& keyValues,
              const std::vector<ResolvedSortKey>& keys, const ValueOrder& valueOrder) {
    if (keys.empty()) return;
    const size_t width = keys.size();
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (size_t k = 0; k < width; ++k) {
            const int c = valueOrder.compare(keyValues[a * width + k], keyValues[b * width + k]);
            if (c != 0) return keys[k].descending ? c > 0 : c < 0;
        }
        return false;
    });
}

}  // namespace jet
