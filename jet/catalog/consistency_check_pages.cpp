// Page check: one pass over every page of the file. Each type byte must be
// one Access writes, each data page must name an owner that can own it, and
// its live rows must lie inside the page, after the row-offset table and
// clear of each other.
#include <algorithm>
#include <map>
#include <set>

#include "jet/catalog/consistency_check_internal.h"
#include "jet/format/data_page.h"
#include "jet/format/usage_map.h"

namespace jet::consistency {
namespace {

constexpr uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"
// Pages Access has let go of keep their contents with a changed type byte:
// a table definition becomes 0x08, a long-value page 0x09.
constexpr uint8_t kPageReleasedTableDef = 0x08;
constexpr uint8_t kPageReleasedLongValue = 0x09;
// Page 1 holds the file's own page map; its owner field names itself.
constexpr uint32_t kFileMapPage = 1;

bool isKnownType(uint8_t type) {
    return type <= kPageUsageMap || type == kPageReleasedTableDef || type == kPageReleasedLongValue;
}

bool isAllZero(Bytes page) {
    return std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0; });
}

// The row-offset table and the live rows of a data page.
void checkDataRows(Bytes page, JetVersion v, uint32_t pageNumber, ProblemSink& problems) {
    uint16_t count = 0;
    try {
        count = dataPageRowCount(page, v);
    } catch (const Error& e) {
        problems.add("page " + std::to_string(pageNumber) + ": " + e.what());
        return;
    }
    std::vector<std::pair<uint16_t, uint16_t>> spans;
    // The free space Access records runs from the end of the offset table
    // to the lowest row start, deleted rows included (their bytes stay).
    size_t lowestStart = page.size();
    const size_t tableEnd = rowTableOffset(v) + 2u * count;
    for (uint16_t row = 0; row < count; ++row) {
        lowestStart = std::min<size_t>(
            lowestStart, readU16(page, rowTableOffset(v) + 2u * row) & kRowOffsetMask);
        try {
            RowSlot slot = dataPageRow(page, v, row);
            if (!slot.deleted) spans.emplace_back(slot.start, slot.end);
        } catch (const Error& e) {
            problems.add("page " + std::to_string(pageNumber) + ": " + e.what());
        }
    }
    const size_t freeSpace = readU16(page, 2, "the free space of a data page");
    if (lowestStart >= tableEnd && freeSpace != lowestStart - tableEnd) {
        problems.add("page " + std::to_string(pageNumber) + ": the free space is " +
                     std::to_string(freeSpace) + ", the rows leave " +
                     std::to_string(lowestStart - tableEnd));
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].first < spans[i - 1].second) {
            problems.add("page " + std::to_string(pageNumber) + ": the rows at " +
                         std::to_string(spans[i - 1].first) + " and " +
                         std::to_string(spans[i].first) + " overlap");
        }
    }
}

}  // namespace

std::set<uint32_t> freePagesOf(PageStore& pages, JetVersion v) {
    try {
        const std::vector<uint32_t> free =
            readUsageMap(pages, v, RowPointer{kFileMapPage, 0}.packed());
        return {free.begin(), free.end()};
    } catch (const Error&) {
        return {};
    }
}

void checkPages(Database& db, CheckReport& report) {
    ProblemSink problems(report, "pages");
    PageStore& pages = db.pages();
    const JetVersion v = db.version();
    // Data pages of a table that no longer exists, by their old owner: Access
    // leaves them behind when a table goes (its definition page may since
    // hold something else) until the file is compacted. They hold nothing
    // anyone reads, so they are noted, not counted as damage.
    std::map<uint32_t, std::vector<uint32_t>> leftBehind;
    // Pages the free-page map gives as free hold whatever they held last;
    // nothing reads them, so they are not judged. An unreadable map judges
    // every page.
    const std::set<uint32_t> freePages = freePagesOf(pages, v);
    for (uint32_t n = 1; n < pages.pageCount(); ++n) {
        ++report.pagesChecked;
        if (freePages.contains(n)) continue;
        PageRef ref;
        try {
            ref = pages.page(n);
        } catch (const Error& e) {
            problems.add("page " + std::to_string(n) + ": " + e.what());
            continue;
        }
        Bytes p(*ref);
        const uint8_t type = p[0];
        // In an encrypted file a page Access never wrote is zeros on disk,
        // which the cipher turns into noise.
        if (pages.cipher() && (type == kPageHeader || !isKnownType(type)) &&
            isAllZero(pages.readRawPage(n))) {
            continue;
        }
        if (!isKnownType(type)) {
            problems.add("page " + std::to_string(n) + " has the unknown type " +
                         std::to_string(type));
            continue;
        }
        if (type == kPageHeader) {
            // Past page 0 a page of type 0 is one Access has not used yet.
            if (!isAllZero(p)) {
                problems.add("page " + std::to_string(n) + " has type 0 but is not empty");
            }
            continue;
        }
        if (type != kPageData) continue;
        const uint32_t owner = dataPageOwner(p);
        if (owner != 0 && owner != kLongValueOwner && !(n == kFileMapPage && owner == n)) {
            uint8_t ownerType = 0xFF;
            if (owner < pages.pageCount()) {
                try {
                    ownerType = (*pages.page(owner))[0];
                } catch (const Error&) {
                }
            }
            if (owner >= pages.pageCount() || ownerType == 0xFF) {
                problems.add("page " + std::to_string(n) + " is a data page of page " +
                             std::to_string(owner) + ", which the file does not have");
            } else if (ownerType != kPageTableDef && ownerType != kPageReleasedTableDef) {
                leftBehind[owner].push_back(n);
                continue;
            }
        }
        checkDataRows(p, v, n, problems);
    }
    for (const auto& [owner, orphans] : leftBehind) {
        report.notes.push_back("pages: " + std::to_string(orphans.size()) + " data pages (first " +
                               std::to_string(orphans.front()) + ") belong to page " +
                               std::to_string(owner) +
                               ", which holds no table definition any more: left behind by a "
                               "deleted table; compaction reclaims them");
    }
}

}  // namespace jet::consistency
