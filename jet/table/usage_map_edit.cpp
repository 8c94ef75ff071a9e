#include "jet/table/usage_map_edit.h"

#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/format/usage_map.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

// Where the map row lies on its page.
struct MapRow {
    uint32_t page;
    size_t start;
    size_t size;
};

MapRow locate(PageStore& store, JetVersion v, uint32_t mapPointer) {
    const RowPointer ptr = RowPointer::fromPacked(mapPointer);
    if (ptr.page == 0 || ptr.page >= store.pageCount())
        throwCorrupt("a usage map pointer names page " + std::to_string(ptr.page));
    PageRef ref = store.page(ptr.page);
    Bytes p(*ref);
    if (p[0] != kPageData) throwCorrupt("a usage map pointer names a page that holds no rows");
    const RowSlot slot = dataPageRow(p, v, ptr.row);
    if (slot.deleted || slot.overflow || slot.end <= slot.start)
        throwCorrupt("a usage map row is missing");
    if (static_cast<size_t>(slot.end - slot.start) < kInlineUsageMapHeader)
        throwCorrupt("a usage map row is too short");
    return MapRow{ptr.page, slot.start, static_cast<size_t>(slot.end - slot.start)};
}

uint64_t pagesPerBitmapPage(const PageStore& store) {
    return static_cast<uint64_t>(store.pageSize() - kUsageMapPageHeader) * 8;
}

void setBit(std::span<uint8_t> bits, uint64_t i, bool on) {
    const uint8_t mask = static_cast<uint8_t>(1u << (i % 8));
    if (on)
        bits[i / 8] |= mask;
    else
        bits[i / 8] &= static_cast<uint8_t>(~mask);
}

// Sets or clears a page's bit in a reference map; false when the map cannot
// name it. A bitmap page is made only to set a bit.
bool changeReferenceBit(PageStore& store, const MapRow& at, uint32_t page, bool on,
                        const NewPageSource* newPage) {
    const uint64_t perPage = pagesPerBitmapPage(store);
    const uint64_t stretch = page / perPage;
    const size_t field = 1 + static_cast<size_t>(stretch) * 4;
    if (field + 4 > at.size) return false;
    uint32_t bitmapPage = readU32(Bytes(*store.page(at.page)), at.start + field);
    if (bitmapPage == 0) {
        if (!on) return true;
        if (!newPage) return false;
        bitmapPage = (*newPage)();
        auto fresh = store.writablePage(bitmapPage);
        std::fill(fresh->begin(), fresh->end(), 0);
        (*fresh)[0] = kPageUsageMap;
        (*fresh)[1] = 0x01;
        writeU32(*store.writablePage(at.page), at.start + field, bitmapPage);
    } else if (bitmapPage >= store.pageCount() || (*store.page(bitmapPage))[0] != kPageUsageMap) {
        throwCorrupt("a usage map points at a page of another kind");
    }
    auto bits = store.writablePage(bitmapPage);
    setBit(std::span<uint8_t>(*bits).subspan(kUsageMapPageHeader), page - stretch * perPage, on);
    return true;
}

// Rewrites an inline map row to name `pages` (ascending), inline from a new
// start when they fit its bitmap, else as a reference map.
void rewriteMap(PageStore& store, JetVersion v, const MapRow& at,
                const std::vector<uint32_t>& pages, const NewPageSource& newPage) {
    const uint64_t reach = (at.size - kInlineUsageMapHeader) * 8;
    std::vector<uint8_t> row(at.size, 0);
    const uint32_t start = pages.empty() ? 0 : pages.front() / 8 * 8;
    if (pages.empty() || pages.back() - start < reach) {
        row[0] = kInlineUsageMap;
        writeU32(row, 1, start);
        for (uint32_t p : pages)
            setBit(std::span<uint8_t>(row).subspan(kInlineUsageMapHeader), p - start, true);
        auto page = store.writablePage(at.page);
        std::copy(row.begin(), row.end(), page->begin() + static_cast<std::ptrdiff_t>(at.start));
        return;
    }
    const uint64_t perPage = pagesPerBitmapPage(store);
    if (pages.back() / perPage >= (at.size - 1) / 4)
        throw Error(ErrorCode::Unsupported, "page " + std::to_string(pages.back()) +
                                                " is beyond what a usage map can name");
    row[0] = kReferenceUsageMap;
    {
        auto page = store.writablePage(at.page);
        std::copy(row.begin(), row.end(), page->begin() + static_cast<std::ptrdiff_t>(at.start));
    }
    for (uint32_t p : pages) changeReferenceBit(store, at, p, true, &newPage);
    (void)v;
}

}  // namespace

void addPageToUsageMap(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page,
                       const NewPageSource& newPage) {
    const MapRow at = locate(store, v, mapPointer);
    Bytes row = Bytes(*store.page(at.page)).subspan(at.start, at.size);
    const uint8_t type = row[0];
    if (type == kReferenceUsageMap) {
        if (!changeReferenceBit(store, at, page, true, &newPage))
            throw Error(ErrorCode::Unsupported,
                        "page " + std::to_string(page) + " is beyond what a usage map can name");
        return;
    }
    if (type != kInlineUsageMap)
        throwCorrupt("a usage map has unknown type " + std::to_string(type));
    const uint32_t start = readU32(row, 1);
    const uint64_t reach = (at.size - kInlineUsageMapHeader) * 8;
    if (page >= start && page - start < reach) {
        auto p = store.writablePage(at.page);
        setBit(std::span<uint8_t>(*p).subspan(at.start + kInlineUsageMapHeader,
                                              at.size - kInlineUsageMapHeader),
               page - start, true);
        return;
    }
    std::vector<uint32_t> pages = readUsageMap(store, v, mapPointer);
    pages.insert(std::lower_bound(pages.begin(), pages.end(), page), page);
    rewriteMap(store, v, at, pages, newPage);
}

void removePageFromUsageMap(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page) {
    const MapRow at = locate(store, v, mapPointer);
    Bytes row = Bytes(*store.page(at.page)).subspan(at.start, at.size);
    if (row[0] == kReferenceUsageMap) {
        changeReferenceBit(store, at, page, false, nullptr);
        return;
    }
    if (row[0] != kInlineUsageMap)
        throwCorrupt("a usage map has unknown type " + std::to_string(row[0]));
    const uint32_t start = readU32(row, 1);
    const uint64_t reach = (at.size - kInlineUsageMapHeader) * 8;
    if (page < start || page - start >= reach) return;
    auto p = store.writablePage(at.page);
    setBit(std::span<uint8_t>(*p).subspan(at.start + kInlineUsageMapHeader,
                                          at.size - kInlineUsageMapHeader),
           page - start, false);
}

bool setPageInUsageMapInPlace(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page) {
    const MapRow at = locate(store, v, mapPointer);
    Bytes row = Bytes(*store.page(at.page)).subspan(at.start, at.size);
    if (row[0] == kReferenceUsageMap) return changeReferenceBit(store, at, page, true, nullptr);
    if (row[0] != kInlineUsageMap)
        throwCorrupt("a usage map has unknown type " + std::to_string(row[0]));
    const uint32_t start = readU32(row, 1);
    const uint64_t reach = (at.size - kInlineUsageMapHeader) * 8;
    if (page < start || page - start >= reach) return false;
    auto p = store.writablePage(at.page);
    setBit(std::span<uint8_t>(*p).subspan(at.start + kInlineUsageMapHeader,
                                          at.size - kInlineUsageMapHeader),
           page - start, true);
    return true;
}

bool usageMapHasPage(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page) {
    const MapRow at = locate(store, v, mapPointer);
    Bytes row = Bytes(*store.page(at.page)).subspan(at.start, at.size);
    if (row[0] == kInlineUsageMap) {
        const uint32_t start = readU32(row, 1);
        const uint64_t reach = (at.size - kInlineUsageMapHeader) * 8;
        if (page < start || page - start >= reach) return false;
        const uint64_t i = page - start;
        return (row[kInlineUsageMapHeader + i / 8] >> (i % 8)) & 1;
    }
    if (row[0] != kReferenceUsageMap)
        throwCorrupt("a usage map has unknown type " + std::to_string(row[0]));
    const uint64_t perPage = pagesPerBitmapPage(store);
    const uint64_t stretch = page / perPage;
    const size_t field = 1 + static_cast<size_t>(stretch) * 4;
    if (field + 4 > at.size) return false;
    const uint32_t bitmapPage = readU32(row, field);
    if (bitmapPage == 0 || bitmapPage >= store.pageCount()) return false;
    Bytes bits = Bytes(*store.page(bitmapPage));
    const uint64_t i = page - stretch * perPage;
    return (readU8(bits, kUsageMapPageHeader + i / 8) >> (i % 8)) & 1;
}

}  // namespace jet
