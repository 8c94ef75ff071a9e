#include "jet/format/index_page.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/format/index_page_layout.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr uint8_t kIndexNodePage = 0x03;
constexpr uint8_t kIndexLeafPage = 0x04;

constexpr size_t kRowPointerSize = kIndexRowPointerSize;
constexpr size_t kChildPointerSize = kIndexChildPointerSize;

uint32_t readBigEndian(Bytes data, size_t offset, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value = (value << 8) | readU8(data, offset + i);
    return value;
}

IndexEntry splitEntry(Bytes full, bool leaf) {
    const size_t trailer = kRowPointerSize + (leaf ? 0 : kChildPointerSize);
    // Every entry holds at least one column flag byte before its pointers.
    if (full.size() <= trailer) throwCorrupt("An index entry is too short for its row pointer");
    const size_t keyLength = full.size() - trailer;
    IndexEntry entry;
    entry.key.assign(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(keyLength));
    entry.dataPage = readBigEndian(full, keyLength, 3);
    entry.dataRow = full[keyLength + 3];
    if (!leaf) entry.childPage = readBigEndian(full, keyLength + kRowPointerSize, 4);
    return entry;
}

}  // namespace

bool indexEntryLess(const IndexEntry& a, const IndexEntry& b) {
    if (a.key != b.key) {
        return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
    }
    if (a.dataPage != b.dataPage) return a.dataPage < b.dataPage;
    return a.dataRow < b.dataRow;
}

IndexPage parseIndexPage(std::span<const uint8_t> page, bool jet3) {
    const IndexPageLayout& layout = indexPageLayout(jet3);
    if (page.size() != layout.pageSize) {
        throwCorrupt("An index page has " + std::to_string(page.size()) + " bytes instead of " +
                     std::to_string(layout.pageSize));
    }
    const uint8_t type = readU8(page, 0, "the index page type");
    if (type != kIndexNodePage && type != kIndexLeafPage) {
        throwCorrupt("Page type " + std::to_string(type) + " where an index page was expected");
    }

    IndexPage result;
    result.leaf = type == kIndexLeafPage;
    result.tableDefPage = readU32(page, 4, "the index page's table pointer");
    result.prevPage = readU32(page, layout.prevPage, "the previous index page pointer");
    result.nextPage = readU32(page, layout.nextPage, "the next index page pointer");
    result.tailPage = readU32(page, layout.tailPage, "the tail index page pointer");
    const size_t prefixLength = layout.widePrefix
                                    ? readU16(page, layout.prefixLength, "the index prefix length")
                                    : readU8(page, layout.prefixLength, "the index prefix length");

    Bytes mask = subBytes(page, layout.entryMask, layout.entryMaskSize, "the index entry mask");
    const size_t entriesStart = layout.entryMask + layout.entryMaskSize;
    Bytes area = page.subspan(entriesStart);

    std::vector<uint8_t> prefix;
    std::vector<uint8_t> full;
    size_t entryStart = 0;
    for (size_t bit = 0; bit < mask.size() * 8; ++bit) {
        if (!(mask[bit / 8] & (1u << (bit % 8)))) continue;
        // A set bit marks the end of an entry (the first starts at offset 0).
        if (bit <= entryStart) throwCorrupt("An index entry has no bytes");
        Bytes raw = subBytes(area, entryStart, bit - entryStart, "An index entry");
        entryStart = bit;

        if (result.entries.empty()) {
            if (raw.size() < prefixLength) {
                throwCorrupt("The shared prefix of an index page is longer than its first entry");
            }
            prefix.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(prefixLength));
            full.assign(raw.begin(), raw.end());
        } else {
            full = prefix;
            full.insert(full.end(), raw.begin(), raw.end());
        }

        IndexEntry entry = splitEntry(full, result.leaf);
        if (!result.entries.empty() && !indexEntryLess(result.entries.back(), entry)) {
            throwCorrupt("The entries of an index page are out of order");
        }
        result.entries.push_back(std::move(entry));
    }
    if (result.entries.empty() && prefixLength != 0) {
        throwCorrupt("An empty index page declares a shared prefix");
    }
    return result;
}

}  // namespace jet
