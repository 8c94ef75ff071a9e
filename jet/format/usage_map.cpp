#include "jet/format/usage_map.h"

#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

void collectBits(Bytes bitmap, uint64_t firstPage, uint32_t pageCount, std::vector<uint32_t>& out) {
    for (size_t i = 0; i < bitmap.size(); ++i) {
        uint8_t b = bitmap[i];
        if (b == 0) continue;
        for (int bit = 0; bit < 8; ++bit) {
            if (b & (1u << bit)) {
                uint64_t page = firstPage + i * 8 + static_cast<uint64_t>(bit);
                if (page < pageCount) out.push_back(static_cast<uint32_t>(page));
            }
        }
    }
}

}  // namespace

std::vector<uint32_t> readUsageMap(PageStore& pages, JetVersion v, uint32_t rowPointer) {
    RowPointer ptr = RowPointer::fromPacked(rowPointer);
    PageRef page = pages.page(ptr.page);
    Bytes p(*page);
    RowSlot slot = dataPageRow(p, v, ptr.row);
    if (slot.deleted || slot.overflow) throwCorrupt("a usage map row is missing");
    Bytes row = p.subspan(slot.start, slot.end - slot.start);
    uint8_t type = readU8(row, 0, "a usage map");

    std::vector<uint32_t> out;
    if (type == kInlineUsageMap) {
        uint32_t start = readU32(row, 1, "a usage map");
        collectBits(row.subspan(kInlineUsageMapHeader), start, pages.pageCount(), out);
    } else if (type == kReferenceUsageMap) {
        const uint64_t pagesPerMapPage =
            static_cast<uint64_t>(pages.pageSize() - kUsageMapPageHeader) * 8;
        for (size_t i = 0; 1 + i * 4 + 4 <= row.size(); ++i) {
            uint32_t mapPage = readU32(row, 1 + i * 4);
            if (mapPage == 0) continue;
            PageRef mp = pages.page(mapPage);
            if ((*mp)[0] != kPageUsageMap)
                throwCorrupt("a usage map points at a page of another kind");
            collectBits(Bytes(*mp).subspan(kUsageMapPageHeader), i * pagesPerMapPage,
                        pages.pageCount(), out);
        }
    } else {
        throwCorrupt("a usage map has unknown type " + std::to_string(type));
    }
    return out;
}

}  // namespace jet
