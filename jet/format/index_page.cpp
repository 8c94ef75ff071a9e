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

IndexPageView viewIndexPage(std::span<const uint8_t> page, bool jet3) {
    const IndexPageLayout& layout = indexPageLayout(jet3);
    if (page.size() != layout.pageSize) {
        throwCorrupt("An index page has " + std::to_string(page.size()) + " bytes instead of " +
                     std::to_string(layout.pageSize));
    }
    const uint8_t type = readU8(page, 0, "the index page type");
    if (type != kIndexNodePage && type != kIndexLeafPage) {
        throwCorrupt("Page type " + std::to_string(type) + " where an index page was expected");
    }

    IndexPageView view;
    IndexPage& header = view.header;
    header.leaf = type == kIndexLeafPage;
    header.tableDefPage = readU32(page, 4, "the index page's table pointer");
    header.prevPage = readU32(page, layout.prevPage, "the previous index page pointer");
    header.nextPage = readU32(page, layout.nextPage, "the next index page pointer");
    header.tailPage = readU32(page, layout.tailPage, "the tail index page pointer");
    const size_t prefixLength = layout.widePrefix
                                    ? readU16(page, layout.prefixLength, "the index prefix length")
                                    : readU8(page, layout.prefixLength, "the index prefix length");

    Bytes mask = subBytes(page, layout.entryMask, layout.entryMaskSize, "the index entry mask");
    view.area = page.subspan(layout.entryMask + layout.entryMaskSize);
    size_t entryStart = 0;
    for (size_t bit = 0; bit < mask.size() * 8; ++bit) {
        // Most of the mask is zero bytes: a whole byte is passed at once.
        if (bit % 8 == 0 && mask[bit / 8] == 0) {
            bit += 7;
            continue;
        }
        if (!(mask[bit / 8] & (1u << (bit % 8)))) continue;
        // A set bit marks the end of an entry (the first starts at offset 0).
        if (bit <= entryStart) throwCorrupt("An index entry has no bytes");
        subBytes(view.area, entryStart, bit - entryStart, "An index entry");
        view.bounds.emplace_back(entryStart, bit - entryStart);
        entryStart = bit;
    }
    if (view.bounds.empty()) {
        if (prefixLength != 0) throwCorrupt("An empty index page declares a shared prefix");
        return view;
    }
    if (view.bounds[0].second < prefixLength) {
        throwCorrupt("The shared prefix of an index page is longer than its first entry");
    }
    view.prefix = view.area.subspan(0, prefixLength);
    return view;
}

namespace {

// An entry's bytes as two parts: the shared prefix (none for the first
// entry, which holds it) and its own bytes.
struct EntryBytes {
    Bytes prefix, own;
    size_t size() const { return prefix.size() + own.size(); }
    uint8_t operator[](size_t i) const {
        return i < prefix.size() ? prefix[i] : own[i - prefix.size()];
    }
};

EntryBytes entryBytes(const IndexPageView& view, size_t i) {
    const auto [start, length] = view.bounds[i];
    return EntryBytes{i == 0 ? Bytes{} : view.prefix, view.area.subspan(start, length)};
}

}  // namespace

size_t firstEntryNotBefore(const IndexPageView& view, std::span<const uint8_t> key) {
    const size_t trailer = kRowPointerSize + (view.header.leaf ? 0 : kChildPointerSize);
    for (size_t i = 0; i < view.bounds.size(); ++i) {
        const EntryBytes bytes = entryBytes(view, i);
        if (bytes.size() <= trailer)
            throwCorrupt("An index entry is too short for its row pointer");
        // The entry's key bytes against `key`, unsigned-lexicographically.
        const size_t keyLength = bytes.size() - trailer;
        const size_t n = std::min(keyLength, key.size());
        int c = 0;
        for (size_t b = 0; b < n && c == 0; ++b) c = int{bytes[b]} - int{key[b]};
        if (c == 0) c = keyLength < key.size() ? -1 : 0;
        if (c >= 0) return i;
    }
    return view.bounds.size();
}

void appendIndexEntries(const IndexPageView& view, size_t first, size_t count,
                        std::vector<IndexEntry>& out) {
    const size_t end = std::min(view.bounds.size(), first + count);
    std::vector<uint8_t> full;
    const size_t before = out.size();
    for (size_t i = first; i < end; ++i) {
        const EntryBytes bytes = entryBytes(view, i);
        full.assign(bytes.prefix.begin(), bytes.prefix.end());
        full.insert(full.end(), bytes.own.begin(), bytes.own.end());
        IndexEntry entry = splitEntry(full, view.header.leaf);
        if (out.size() > before && !indexEntryLess(out.back(), entry)) {
            throwCorrupt("The entries of an index page are out of order");
        }
        out.push_back(std::move(entry));
    }
}

IndexPage parseIndexPage(std::span<const uint8_t> page, bool jet3) {
    const IndexPageView view = viewIndexPage(page, jet3);
    IndexPage result = view.header;
    result.entries.reserve(view.bounds.size());
    appendIndexEntries(view, 0, view.bounds.size(), result.entries);
    return result;
}

}  // namespace jet
