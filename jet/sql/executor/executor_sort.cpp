// ORDER BY, DISTINCT, DISTINCTROW and TOP on result rows.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "jet/format/text_codec.h"
#include "jet/sql/executor/executor_internal.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet::sql::detail {
namespace {

int compareKeys(const ValueOrder& order, const OrderedRow& a, const OrderedRow& b,
                const std::vector<BoundOrder>& items) {
    for (size_t i = 0; i < items.size() && i < a.keys.size(); ++i) {
        int c = order.compare(a.keys[i], b.keys[i]);
        if (items[i].descending) c = -c;
        if (c != 0) return c;
    }
    return 0;
}

// The first ORDER BY value of a row as one number ordered as the values
// are, when every row's value is of one kind: text (keyed as bytes: their
// first eight), doubles or integers. Nulls are flagged apart.
struct Prefix {
    uint64_t bits = 0;
    bool null = false;
};

uint64_t orderedBits(double d) {
    if (d == 0) d = 0.0;  // -0 equals 0, and must tie with it
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
}

bool prefixesOf(const std::vector<OrderedRow>& rows, std::vector<Prefix>& out) {
    enum class Kind { Unknown, Bytes, Real, Integer } kind = Kind::Unknown;
    out.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const Value& v = rows[i].keys[0];
        Prefix& p = out[i];
        if (v.isNull()) {
            p.null = true;
            continue;
        }
        const Kind k = v.is<Blob>()      ? Kind::Bytes
                       : v.is<double>()  ? Kind::Real
                       : v.is<int64_t>() ? Kind::Integer
                                         : Kind::Unknown;
        if (k == Kind::Unknown || (kind != Kind::Unknown && k != kind)) return false;
        kind = k;
        if (k == Kind::Bytes) {
            const Blob& b = v.as<Blob>();
            for (size_t j = 0; j < 8; ++j) p.bits = (p.bits << 8) | (j < b.size() ? b[j] : 0);
        } else if (k == Kind::Real) {
            p.bits = orderedBits(v.as<double>());
        } else {
            p.bits = static_cast<uint64_t>(v.as<int64_t>()) ^ 0x8000000000000000ull;
        }
    }
    return true;
}

}  // namespace

std::string valueKey(const Value& v) {
    if (v.isNull()) return std::string("\x01");
    if (v.is<std::string>())
        return "t" + codePointsToUtf8(foldText(utf8ToCodePoints(v.as<std::string>())));
    if (v.is<Blob>()) return "b" + hexString(v.as<Blob>());
    if (v.is<Guid>()) return "g" + v.as<Guid>().toString();
    if (v.is<ExtDateTime>()) return "x" + v.as<ExtDateTime>().toString();
    if (v.is<Decimal>()) {
        // Equal decimals of different scale must meet: drop trailing zeros.
        std::string s = v.as<Decimal>().toString();
        if (s.find('.') != std::string::npos) {
            while (!s.empty() && s.back() == '0') s.pop_back();
            if (!s.empty() && s.back() == '.') s.pop_back();
        }
        if (s == "-0") s = "0";
        // Whole decimals meet whole numbers of other types below.
        if (s.find('.') == std::string::npos) return "n" + s;
        return "n" + formatDouble(std::stod(s));
    }
    double d = 0;
    if (v.is<bool>()) d = v.as<bool>() ? -1 : 0;
    if (v.is<int64_t>()) return "n" + std::to_string(v.as<int64_t>());
    if (v.is<float>()) d = v.as<float>();
    if (v.is<double>()) d = v.as<double>();
    if (v.is<CurrencyValue>())
        d = static_cast<double>(v.as<CurrencyValue>().tenThousandths) / 10000.0;
    if (v.is<DateTimeValue>()) d = v.as<DateTimeValue>().days;
    if (d == std::floor(d) && std::fabs(d) < 9.0e15)
        return "n" + std::to_string(static_cast<int64_t>(d));
    return "n" + formatDouble(d);
}

std::string rowKey(const std::vector<Value>& values) {
    std::string key;
    for (const Value& v : values) {
        const std::string k = valueKey(v);
        key += std::to_string(k.size());
        key += ':';
        key += k;
    }
    return key;
}

void removeDuplicateRows(std::vector<OrderedRow>& rows) {
    std::unordered_set<std::string> seen;
    std::vector<OrderedRow> kept;
    for (auto& r : rows) {
        if (seen.insert(rowKey(r.row.values)).second) kept.push_back(std::move(r));
    }
    rows = std::move(kept);
}

void removeDuplicateRowIds(std::vector<OrderedRow>& rows, const std::vector<size_t>& slots) {
    if (slots.empty()) return;
    std::unordered_set<std::string> seen;
    std::vector<OrderedRow> kept;
    for (auto& r : rows) {
        std::string key;
        for (size_t s : slots) {
            const uint32_t packed = s < r.row.rowIds.size() ? r.row.rowIds[s].packed() : 0;
            key.append(reinterpret_cast<const char*>(&packed), sizeof packed);
        }
        if (seen.insert(key).second) kept.push_back(std::move(r));
    }
    rows = std::move(kept);
}

void sortRows(std::vector<OrderedRow>& rows, const std::vector<BoundOrder>& items) {
    if (items.empty()) return;
    const ValueOrder order;
    // Positions are sorted, then the rows moved once: moving whole rows at
    // every step of the sort costs more than the comparisons.
    std::vector<uint32_t> positions(rows.size());
    for (size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<uint32_t>(i);
    std::vector<Prefix> prefixes;
    if (!rows.empty() && !rows[0].keys.empty() && prefixesOf(rows, prefixes)) {
        // Most comparisons end at the prefixes, which lie side by side in
        // memory; equal prefixes fall back on the values themselves.
        const bool descending = items[0].descending;
        std::stable_sort(positions.begin(), positions.end(), [&](uint32_t a, uint32_t b) {
            const Prefix &pa = prefixes[a], &pb = prefixes[b];
            if (pa.null != pb.null) return descending ? pb.null : pa.null;
            if (!pa.null && pa.bits != pb.bits) {
                return descending ? pa.bits > pb.bits : pa.bits < pb.bits;
            }
            return compareKeys(order, rows[a], rows[b], items) < 0;
        });
    } else {
        std::stable_sort(positions.begin(), positions.end(), [&](uint32_t a, uint32_t b) {
            return compareKeys(order, rows[a], rows[b], items) < 0;
        });
    }
    std::vector<OrderedRow> sorted;
    sorted.reserve(rows.size());
    for (uint32_t p : positions) sorted.push_back(std::move(rows[p]));
    rows = std::move(sorted);
}

void applyTop(std::vector<OrderedRow>& rows, const Top& top, const std::vector<BoundOrder>& items) {
    size_t limit = 0;
    if (top.percent) {
        limit =
            static_cast<size_t>(std::ceil(top.count * static_cast<double>(rows.size()) / 100.0));
    } else {
        limit = top.count <= 0 ? 0 : static_cast<size_t>(top.count);
    }
    if (limit >= rows.size()) return;
    if (limit > 0 && !items.empty()) {
        // Rows that tie with the last one kept are kept too.
        const ValueOrder order;
        while (limit < rows.size() &&
               compareKeys(order, rows[limit - 1], rows[limit], items) == 0) {
            ++limit;
        }
    }
    rows.resize(limit);
}

}  // namespace jet::sql::detail
