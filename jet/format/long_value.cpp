#include "jet/format/long_value.h"

#include <set>

#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"

namespace jet {
namespace {

Bytes longValueRow(PageStore& pages, JetVersion v, RowPointer ptr, PageRef& holder) {
    holder = pages.page(ptr.page);
    Bytes p(*holder);
    if (p[0] != kPageData) throwCorrupt("a long value points at a page that holds no data");
    RowSlot slot = dataPageRow(p, v, ptr.row);
    if (slot.deleted) throwCorrupt("a long value points at a deleted row");
    return p.subspan(slot.start, slot.end - slot.start);
}

}  // namespace

Blob readLongValue(PageStore& pages, JetVersion v, Bytes field) {
    if (field.size() < kLongValueHeaderSize) throwCorrupt("a long value reference is truncated");
    uint32_t lengthAndFlags = readU32(field, 0);
    uint32_t length = lengthAndFlags & 0x3FFFFFFF;
    uint8_t flags = static_cast<uint8_t>(lengthAndFlags >> 24) & 0xC0;
    RowPointer ptr = RowPointer::fromPacked(readU32(field, 4));

    // No value can be longer than the file that holds it.
    uint64_t limit = static_cast<uint64_t>(pages.pageCount()) * pages.pageSize();
    if (length > limit) throwCorrupt("a long value claims to be longer than the file");

    if (flags == kLongValueInline) {
        Bytes data = subBytes(field, kLongValueHeaderSize, length, "an inline long value");
        return Blob(data.begin(), data.end());
    }
    PageRef holder;
    if (flags == kLongValueSinglePage) {
        Bytes row = longValueRow(pages, v, ptr, holder);
        if (row.size() < length) throwCorrupt("a long value is shorter than its length");
        return Blob(row.begin(), row.begin() + length);
    }
    Blob out;
    out.reserve(length);
    // A chain that comes back to a row it has read is damaged; without this
    // check its own bytes, repeated, would pass for the value.
    std::set<uint32_t> visited;
    for (uint32_t hops = 0; out.size() < length; ++hops) {
        if (ptr.page == 0 || hops > pages.pageCount()) {
            throwCorrupt("a long value chain ends before its length");
        }
        if (!visited.insert(ptr.packed()).second) {
            throwCorrupt("a long value chain loops back on itself");
        }
        Bytes row = longValueRow(pages, v, ptr, holder);
        uint32_t next = readU32(row, 0, "a long value chain link");
        Bytes part = row.subspan(4);
        size_t take = std::min<size_t>(part.size(), length - out.size());
        out.insert(out.end(), part.begin(), part.begin() + take);
        ptr = RowPointer::fromPacked(next);
    }
    return out;
}

}  // namespace jet
