// Row check: every live row of a table decodes, and every long value it
// references is whole: its chain stays inside the file, on long-value pages,
// and holds exactly the length the reference gives.
#include <algorithm>
#include <map>
#include <set>

#include "jet/catalog/consistency_check_internal.h"
#include "jet/format/data_page.h"
#include "jet/format/long_value.h"
#include "jet/format/usage_map.h"
#include "jet/table/table_scan.h"

namespace jet::consistency {
namespace {

constexpr uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"

// The bytes of one long-value row, or a problem naming what is wrong with
// the place it is at.
std::optional<Bytes> longValueRow(Database& db, RowPointer at, PageRef& holder,
                                  std::string& problem) {
    if (at.page == 0 || at.page >= db.pages().pageCount()) {
        problem = "points at page " + std::to_string(at.page) + ", outside the file";
        return std::nullopt;
    }
    holder = db.pages().page(at.page);
    Bytes p(*holder);
    if (p[0] != kPageData || dataPageOwner(p) != kLongValueOwner) {
        problem = "points at page " + std::to_string(at.page) + ", which holds no long values";
        return std::nullopt;
    }
    if (at.row >= dataPageRowCount(p, db.version())) {
        problem = "points at " + describeRow(at) + ", which the page does not have";
        return std::nullopt;
    }
    RowSlot slot = dataPageRow(p, db.version(), at.row);
    if (slot.deleted) {
        problem = "points at " + describeRow(at) + ", which is deleted";
        return std::nullopt;
    }
    return p.subspan(slot.start, slot.end - slot.start);
}

// The pages a long-value column's own usage map lists (ACE files; Jet 3
// and Jet 4 keep no such map), if the table has one for the column.
using ColumnPages = std::optional<std::vector<uint32_t>>;

std::string unmappedPage(const ColumnPages& mapped, RowPointer at) {
    if (!mapped || std::binary_search(mapped->begin(), mapped->end(), at.page)) return {};
    return "lies partly on page " + std::to_string(at.page) +
           ", which is not in the column's long-value usage map";
}

// Empty when the long value stored as `field` is whole.
std::string longValueProblem(Database& db, Bytes field, const ColumnPages& mapped) {
    if (field.size() < kLongValueHeaderSize) return "its reference is truncated";
    const uint32_t lengthAndFlags = readU32(field, 0);
    const uint32_t length = lengthAndFlags & 0x3FFFFFFF;
    const uint8_t flags = static_cast<uint8_t>(lengthAndFlags >> 24) & 0xC0;
    RowPointer at = RowPointer::fromPacked(readU32(field, 4));
    if (flags == kLongValueInline) {
        if (field.size() - kLongValueHeaderSize < length) {
            return "its inline bytes are shorter than its length " + std::to_string(length);
        }
        return {};
    }
    PageRef holder;
    std::string problem;
    if (flags == kLongValueSinglePage) {
        std::optional<Bytes> row = longValueRow(db, at, holder, problem);
        if (!row) return problem;
        if (std::string unmapped = unmappedPage(mapped, at); !unmapped.empty()) return unmapped;
        if (row->size() < length) {
            return describeRow(at) + " holds " + std::to_string(row->size()) +
                   " bytes of its length " + std::to_string(length);
        }
        return {};
    }
    if (flags != 0) return "its reference has unknown flags";
    uint64_t total = 0;
    std::set<uint32_t> visited;
    for (;;) {
        if (!visited.insert(at.packed()).second)
            return "its chain loops back to " + describeRow(at);
        std::optional<Bytes> row = longValueRow(db, at, holder, problem);
        if (!row) return "its chain " + problem;
        if (std::string unmapped = unmappedPage(mapped, at); !unmapped.empty()) return unmapped;
        if (row->size() < 4) return "its chain link " + describeRow(at) + " is truncated";
        total += row->size() - 4;
        uint32_t next = readU32(*row, 0);
        if (next == 0) break;
        if (total >= length) {
            return "its chain goes on past its length " + std::to_string(length) + " at " +
                   describeRow(at);
        }
        at = RowPointer::fromPacked(next);
    }
    if (total != length) {
        return "its chain holds " + std::to_string(total) + " bytes for its length " +
               std::to_string(length);
    }
    return {};
}

}  // namespace

uint64_t checkRows(Database& db, const CheckedTable& table, std::vector<IndexVerifier>& indexes,
                   CheckReport& report) {
    const TableDef& def = *table.def;
    ProblemSink problems(report, tableLabel(def));
    std::map<uint16_t, std::vector<uint32_t>> columnPages;
    for (const LongValueMaps& lv : def.longValueMaps) {
        try {
            columnPages[lv.columnNumber] =
                readUsageMap(db.pages(), db.version(), lv.usageMapPointer);
        } catch (const Error&) {
            // Reported with the usage maps.
        }
    }
    uint64_t rows = 0;
    TableScan scan(db, table.def);
    for (;;) {
        try {
            if (!scan.next()) break;
        } catch (const Error& e) {
            problems.add(e.what());
            break;
        }
        ++rows;
        const RowPointer id = scan.rowId();
        for (size_t c = 0; c < def.columns.size(); ++c) {
            const ColumnDef& column = def.columns[c];
            if (!isLongValueType(column.type) || column.calculated) continue;
            try {
                std::optional<Bytes> field = scan.rawBytes(c);
                if (!field) continue;
                auto pagesOfColumn = columnPages.find(column.number);
                std::string problem = longValueProblem(
                    db, *field,
                    pagesOfColumn == columnPages.end() ? ColumnPages() : pagesOfColumn->second);
                if (!problem.empty()) {
                    problems.add(describeRow(id) + ", column '" + column.name +
                                 "': the long value " + problem);
                }
            } catch (const Error& e) {
                problems.add(describeRow(id) + ", column '" + column.name + "': " + e.what());
            }
        }
        std::vector<Value> values;
        try {
            values = scan.values();
        } catch (const Error& e) {
            problems.add(describeRow(id) + ": " + e.what());
            continue;
        }
        for (IndexVerifier& index : indexes) index.addRow(id, values);
    }
    return rows;
}

}  // namespace jet::consistency
