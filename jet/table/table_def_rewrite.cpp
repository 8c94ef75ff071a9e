#include "jet/table/table_def_rewrite.h"

#include <string>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"
#include "jet/write/table_def_writer.h"

namespace jet {
namespace {

// Each page of the chain keeps its own free-space word and next-page link.
constexpr size_t kKeptFrom = 2;
constexpr size_t kKeptTo = 8;
constexpr size_t kNextPageOffset = 4;
constexpr size_t kContinuationHeader = 8;

std::vector<uint32_t> chainOf(PageStore& store, uint32_t first) {
    std::vector<uint32_t> chain;
    uint32_t page = first;
    while (page != 0) {
        if (chain.size() > store.pageCount() || page >= store.pageCount())
            throwCorrupt("the definition chain of page " + std::to_string(first) + " is broken");
        Bytes p(*store.page(page));
        if (p[0] != kPageTableDef)
            throwCorrupt("page " + std::to_string(page) + " of a definition chain is no definition");
        chain.push_back(page);
        page = readU32(p, kNextPageOffset);
    }
    return chain;
}

// Calls `each(page, pageOffset, streamOffset, length)` for the stretch of the
// stream each page of the chain holds.
template <typename F>
void forEachStretch(PageStore& store, const std::vector<uint32_t>& chain, size_t streamSize,
                    F each) {
    size_t pos = 0;
    for (size_t i = 0; i < chain.size() && pos < streamSize; ++i) {
        const size_t start = i == 0 ? 0 : kContinuationHeader;
        const size_t chunk = std::min<size_t>(store.pageSize() - start, streamSize - pos);
        each(chain[i], start, pos, chunk);
        pos += chunk;
    }
    if (pos < streamSize) throw Error(ErrorCode::InvalidArgument, "the definition grew");
}

bool keptByte(size_t pageOffset) {
    return pageOffset >= kKeptFrom && pageOffset < kKeptTo;
}

}  // namespace

void requireFaithfulDefinition(PageStore& store, JetVersion v, const TableDef& stored,
                               uint16_t codePage) {
    const std::vector<uint8_t> stream = encodeTableDef(stored, v, codePage);
    const std::vector<uint32_t> chain = chainOf(store, stored.tdefPage);
    bool same = true;
    try {
        forEachStretch(store, chain, stream.size(),
                       [&](uint32_t page, size_t at, size_t pos, size_t length) {
                           Bytes p(*store.page(page));
                           for (size_t k = 0; k < length && same; ++k)
                               if (!keptByte(at + k) && p[at + k] != stream[pos + k]) same = false;
                       });
    } catch (const Error&) {
        same = false;
    }
    if (!same)
        throw Error(ErrorCode::Unsupported, "the definition of table '" + stored.name +
                                                "' holds bytes the engine cannot write back, so "
                                                "its rows cannot be changed in place");
}

void rewriteDefinition(PageStore& store, JetVersion v, const TableDef& def, uint16_t codePage) {
    const std::vector<uint8_t> stream = encodeTableDef(def, v, codePage);
    const std::vector<uint32_t> chain = chainOf(store, def.tdefPage);
    forEachStretch(store, chain, stream.size(),
                   [&](uint32_t page, size_t at, size_t pos, size_t length) {
                       Bytes current(*store.page(page));
                       bool changed = false;
                       for (size_t k = 0; k < length && !changed; ++k)
                           changed = !keptByte(at + k) && current[at + k] != stream[pos + k];
                       if (!changed) return;
                       auto p = store.writablePage(page);
                       for (size_t k = 0; k < length; ++k)
                           if (!keptByte(at + k)) (*p)[at + k] = stream[pos + k];
                   });
}

}  // namespace jet
