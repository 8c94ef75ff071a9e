#include "jet/write/usage_map_writer.h"

#include <string>

#include "jet/error.h"
#include "jet/format/page_types.h"
#include "jet/format/usage_map.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

size_t rowSize(JetVersion v) {
    return isJet3(v) ? 133 : 69;
}
uint64_t inlinePageCount(JetVersion v) {
    return (rowSize(v) - kInlineUsageMapHeader) * 8;
}

void setBit(std::span<uint8_t> bitmap, uint64_t index) {
    bitmap[index / 8] |= static_cast<uint8_t>(1u << (index % 8));
}

std::vector<uint8_t> inlineMap(JetVersion v, uint32_t start, std::span<const uint32_t> pages) {
    std::vector<uint8_t> row = emptyUsageMap(v);
    writeU32(row, 1, start);
    std::span<uint8_t> bitmap = std::span<uint8_t>(row).subspan(kInlineUsageMapHeader);
    for (uint32_t p : pages) setBit(bitmap, p - start);
    return row;
}

std::vector<uint8_t> referenceMap(PageSink& sink, JetVersion v, std::span<const uint32_t> pages) {
    const size_t pointers = (rowSize(v) - 1) / 4;
    const uint64_t perPage = static_cast<uint64_t>(sink.pageSize() - kUsageMapPageHeader) * 8;
    if (pages.back() / perPage >= pointers) {
        throw Error(ErrorCode::InvalidArgument, "page " + std::to_string(pages.back()) +
                                                    " is beyond what a usage map can name");
    }
    std::vector<uint8_t> row(rowSize(v), 0);
    row[0] = kReferenceUsageMap;
    size_t i = 0;
    while (i < pages.size()) {
        const uint64_t stretch = pages[i] / perPage;
        PageBytes bitmapPage(sink.pageSize(), 0);
        bitmapPage[0] = kPageUsageMap;
        bitmapPage[1] = 0x01;
        std::span<uint8_t> bits = std::span<uint8_t>(bitmapPage).subspan(kUsageMapPageHeader);
        for (; i < pages.size() && pages[i] / perPage == stretch; ++i) {
            setBit(bits, pages[i] - stretch * perPage);
        }
        const uint32_t mapPage = sink.allocate();
        sink.write(mapPage, bitmapPage);
        writeU32(row, 1 + static_cast<size_t>(stretch) * 4, mapPage);
    }
    return row;
}

}  // namespace

std::vector<uint8_t> emptyUsageMap(JetVersion v) {
    std::vector<uint8_t> row(rowSize(v), 0);
    row[0] = kInlineUsageMap;
    return row;
}

std::vector<uint8_t> encodeUsageMap(PageSink& sink, JetVersion v, std::span<const uint32_t> pages) {
    for (size_t i = 1; i < pages.size(); ++i) {
        if (pages[i] <= pages[i - 1]) {
            throw Error(ErrorCode::InvalidArgument,
                        "usage map pages must be ascending without repeats");
        }
    }
    if (pages.empty()) return emptyUsageMap(v);
    const uint64_t capacity = inlinePageCount(v);
    if (pages.back() < capacity) return inlineMap(v, 0, pages);
    const uint32_t start = pages.front() / 8 * 8;
    if (pages.back() - start < capacity) return inlineMap(v, start, pages);
    return referenceMap(sink, v, pages);
}

}  // namespace jet
