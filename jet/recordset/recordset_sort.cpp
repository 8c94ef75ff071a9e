#include "jet/recordset/recordset_sort.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_text.h"
#include "jet/sql/parser/parser.h"

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

SortKeyTable::SortKeyTable(std::vector<ResolvedSortKey> keys,
                           const std::vector<sql::ResultColumn>& columns, size_t rowCount,
                           TextOrder textOrder)
    : keys_(std::move(keys)),
      textOrder_(std::move(textOrder)),
      valueOrder_(textOrder_.custom.value_or(ValueOrder())) {
    const size_t width = keys_.size();
    bool anyText = false;
    for (const ResolvedSortKey& key : keys_) {
        const bool text = !textOrder_.custom && isTextType(columns.at(key.column).type);
        byTextKey_.push_back(text);
        anyText = anyText || text;
    }
    values_.resize(rowCount * width);
    if (anyText) textKeys_.resize(rowCount * width);
}

namespace {

// Numbers whose order a double keeps (ties aside): what compareNumbers
// compares through doubles, or exactly in an order doubles do not contradict.
bool isPlainNumber(const Value& value) {
    return value.is<double>() || value.is<float>() || value.is<int64_t>() || value.is<bool>() ||
           value.is<CurrencyValue>() || value.is<DateTimeValue>();
}

// The bits of a double as an unsigned number in the double's order; above
// zero for every number, so that zero can stand for null.
uint64_t orderedBits(double d) {
    if (d == 0) d = 0.0;  // -0 and 0 are one number
    const uint64_t bits = std::bit_cast<uint64_t>(d);
    return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
}

}  // namespace

void SortKeyTable::collect(size_t row, const std::vector<Value>& values) {
    const size_t width = keys_.size();
    for (size_t k = 0; k < width; ++k) {
        const Value& value = values[keys_[k].column];
        if (k == 0 && !value.isNull() && !isPlainNumber(value)) firstKeyNumeric_ = false;
        if (!byTextKey_[k] || !value.is<std::string>()) {
            values_[row * width + k] = value;
            if (byTextKey_[k]) {
                textKeys_[row * width + k].length = value.isNull() ? kNullKey : kValueKey;
            }
            continue;
        }
        const size_t start = arena_.size();
        appendTextKey(arena_, utf8ToUtf16(value.as<std::string>()), textOrder_.kind, true);
        textKeys_[row * width + k] = {start, static_cast<uint32_t>(arena_.size() - start)};
    }
}

int SortKeyTable::compareKey(size_t k, size_t a, size_t b) const {
    const size_t width = keys_.size();
    if (!byTextKey_[k]) return valueOrder_.compare(values_[a * width + k], values_[b * width + k]);
    const TextKeyRef& x = textKeys_[a * width + k];
    const TextKeyRef& y = textKeys_[b * width + k];
    // Nulls, then values that are no text (in value order), then texts.
    auto rank = [](const TextKeyRef& ref) {
        return ref.length == kNullKey ? 0 : ref.length == kValueKey ? 1 : 2;
    };
    if (rank(x) != 2 || rank(y) != 2) {
        if (rank(x) != rank(y)) return rank(x) < rank(y) ? -1 : 1;
        return valueOrder_.compare(values_[a * width + k], values_[b * width + k]);
    }
    const uint32_t common = std::min(x.length, y.length);
    const int c =
        common == 0 ? 0 : std::memcmp(arena_.data() + x.offset, arena_.data() + y.offset, common);
    if (c != 0) return c < 0 ? -1 : 1;
    return (x.length > y.length) - (x.length < y.length);
}

uint64_t SortKeyTable::prefixOf(size_t row) const {
    const size_t width = keys_.size();
    if (byTextKey_[0]) {
        // The first eight bytes of the text key, zero-padded: a key that
        // orders before another never has a larger prefix.
        const TextKeyRef& ref = textKeys_[row * width];
        if (ref.length == kNullKey || ref.length == kValueKey) return 0;
        uint64_t prefix = 0;
        for (uint32_t i = 0; i < 8; ++i) {
            prefix = (prefix << 8) | (i < ref.length ? arena_[ref.offset + i] : 0);
        }
        return prefix;
    }
    if (!firstKeyNumeric_) return 0;
    const Value& value = values_[row * width];
    if (value.isNull()) return 0;
    return orderedBits(toDouble(value, englishUnitedStates()));
}

void SortKeyTable::sort(std::vector<size_t>& order) const {
    if (keys_.empty()) return;
    // Sorting (prefix, row) pairs touches far less memory than comparing the
    // keys of every pair; the full keys only settle equal prefixes. The rows
    // come in their natural order, so ties broken by row keep it (stable).
    struct Entry {
        uint64_t prefix;
        size_t row;
    };
    const bool descending = keys_[0].descending;
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (size_t row : order) {
        const uint64_t prefix = prefixOf(row);
        entries.push_back({descending ? ~prefix : prefix, row});
    }
    auto less = [&](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        for (size_t k = 0; k < keys_.size(); ++k) {
            const int c = compareKey(k, a.row, b.row);
            if (c != 0) return keys_[k].descending ? c > 0 : c < 0;
        }
        return a.row < b.row;
    };
    // A merge sort: a comparison that is not a strict order (NaN) cannot take
    // it out of bounds.
    std::stable_sort(entries.begin(), entries.end(), less);
    for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].row;
}

}  // namespace jet
