#include "jet/table/bookkeeping_rows.h"

#include <memory>
#include <string>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/data_page_builder.h"
#include "jet/format/data_page_rows.h"
#include "jet/format/usage_map.h"
#include "jet/table/page_allocator.h"
#include "jet/util/bytes.h"

namespace jet {

std::vector<RowPointer> placeBookkeepingRows(PageStore& store, JetVersion v,
                                             PageAllocator& allocator,
                                             const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<RowPointer> out;
    std::unique_ptr<DataPageBuilder> page;
    uint32_t number = 0;
    auto flush = [&] {
        if (page) *store.writablePage(number) = page->bytes();
        page.reset();
    };
    for (const std::vector<uint8_t>& row : rows) {
        if (page && !page->fits(row.size())) flush();
        if (!page) {
            number = allocator.allocate();
            page = std::make_unique<DataPageBuilder>(v, 0);
        }
        const uint16_t at = page->add(row);
        out.push_back(RowPointer{number, static_cast<uint8_t>(at)});
    }
    flush();
    return out;
}

std::vector<uint32_t> usageMapBitmapPages(PageStore& store, JetVersion v, uint32_t mapPointer) {
    const RowPointer at = RowPointer::fromPacked(mapPointer);
    if (at.page == 0 || at.page >= store.pageCount())
        throwCorrupt("a usage map pointer names page " + std::to_string(at.page));
    PageRef ref = store.page(at.page);
    Bytes p(*ref);
    const RowSlot slot = dataPageRow(p, v, at.row);
    if (slot.deleted || slot.overflow || slot.end <= slot.start) return {};
    Bytes row = p.subspan(slot.start, slot.end - slot.start);
    std::vector<uint32_t> pages;
    if (row[0] != kReferenceUsageMap) return pages;
    for (size_t field = 1; field + 4 <= row.size(); field += 4) {
        const uint32_t page = readU32(row, field);
        if (page != 0 && page < store.pageCount()) pages.push_back(page);
    }
    return pages;
}

void removeBookkeepingRow(PageStore& store, JetVersion v, PageAllocator& allocator,
                          uint32_t mapPointer) {
    if (mapPointer == 0) return;
    for (uint32_t page : usageMapBitmapPages(store, v, mapPointer)) allocator.release(page);
    const RowPointer at = RowPointer::fromPacked(mapPointer);
    DataPageRows rows = DataPageRows::parse(Bytes(*store.page(at.page)), v);
    if (at.row >= rows.rows().size()) throwCorrupt("a usage map row is missing");
    StoredRow& gone = rows.rows()[at.row];
    gone.flags = kRowDeletedFlag;
    gone.bytes.clear();
    *store.writablePage(at.page) = rows.encode();
    if (rows.owner() != 0) return;
    for (const StoredRow& r : rows.rows())
        if (!r.deleted()) return;
    allocator.release(at.page);
}

}  // namespace jet
