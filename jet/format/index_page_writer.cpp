#include "jet/format/index_page_writer.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/format/index_page_layout.h"
#include "jet/format/page_types.h"

namespace jet {
namespace {

constexpr size_t kRowPointerSize = kIndexRowPointerSize;
constexpr size_t kChildPointerSize = kIndexChildPointerSize;
constexpr uint32_t kMaxDataPage = 0xffffff;

const IndexPageLayout& layoutOf(JetVersion v) {
    return indexPageLayout(isJet3(v));
}

void putU16(PageBytes& page, size_t at, size_t v) {
    page[at] = static_cast<uint8_t>(v);
    page[at + 1] = static_cast<uint8_t>(v >> 8);
}

void putU32(PageBytes& page, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) page[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void appendBigEndian(std::vector<uint8_t>& out, uint32_t v, size_t width) {
    for (size_t i = width; i-- > 0;) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

size_t sharedLength(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

[[noreturn]] void throwInvalid(const std::string& what) {
    throw Error(ErrorCode::InvalidArgument, what);
}

void checkEntry(const IndexEntry& entry) {
    if (entry.key.empty()) throwInvalid("An index entry needs at least one key byte");
    if (entry.dataPage > kMaxDataPage) {
        throwInvalid("Data page " + std::to_string(entry.dataPage) +
                     " does not fit an index entry's row pointer");
    }
}

// The entries of a page as stored uncompressed, one after another, with the
// offset where each ends.
struct FlatEntries {
    std::vector<uint8_t> bytes;
    std::vector<size_t> ends;
    size_t size(size_t i) const { return ends[i] - start(i); }
    size_t start(size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
    std::span<const uint8_t> entry(size_t i) const {
        return std::span<const uint8_t>(bytes).subspan(start(i), size(i));
    }
};

FlatEntries flatten(const IndexPage& page) {
    FlatEntries flat;
    for (size_t i = 0; i < page.entries.size(); ++i) {
        const IndexEntry& entry = page.entries[i];
        checkEntry(entry);
        if (i > 0 && !indexEntryLess(page.entries[i - 1], entry)) {
            throwInvalid("The entries of an index page must ascend strictly (entry " +
                         std::to_string(i) + ")");
        }
        appendIndexEntryBytes(flat.bytes, entry, page.leaf);
        flat.ends.push_back(flat.bytes.size());
    }
    return flat;
}

// The longest prefix every entry shares with the first and still leaves each
// later entry at least one byte of its own.
size_t usablePrefix(const FlatEntries& flat, size_t maxPrefix) {
    if (flat.ends.size() < 2) return 0;
    size_t prefix = std::min(flat.size(0), maxPrefix);
    for (size_t i = 1; i < flat.ends.size(); ++i) {
        prefix = std::min(prefix, sharedLength(flat.entry(0), flat.entry(i)));
        prefix = std::min(prefix, flat.size(i) - 1);
    }
    return prefix;
}

PageBytes encodeWithPrefix(const IndexPage& page, const IndexPageLayout& layout,
                           const FlatEntries& flat, size_t prefix) {
    const size_t count = flat.ends.size();
    const size_t stored = flat.bytes.size() - (count > 1 ? prefix * (count - 1) : 0);
    if (stored > layout.capacity()) {
        throwInvalid(std::to_string(count) + " index entries need " + std::to_string(stored) +
                     " bytes, more than the " + std::to_string(layout.capacity()) +
                     " an index page holds");
    }

    PageBytes out(layout.pageSize, 0);
    out[0] = page.leaf ? kPageIndexLeaf : kPageIndexNode;
    out[1] = 0x01;
    putU16(out, 2, layout.capacity() - stored);
    putU32(out, 4, page.tableDefPage);
    putU32(out, layout.prevPage, page.prevPage);
    putU32(out, layout.nextPage, page.nextPage);
    putU32(out, layout.tailPage, page.tailPage);
    if (layout.widePrefix) {
        putU16(out, layout.prefixLength, prefix);
    } else {
        out[layout.prefixLength] = static_cast<uint8_t>(prefix);
    }
    out[layout.nodeFlag] = page.leaf ? 0 : 1;

    size_t at = 0;  // offset in the entry area
    for (size_t i = 0; i < count; ++i) {
        std::span<const uint8_t> raw = flat.entry(i);
        if (i > 0) raw = raw.subspan(prefix);
        std::copy(raw.begin(), raw.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(layout.entriesStart() + at));
        at += raw.size();
        // A set bit marks the end of an entry, counted from the area's start.
        out[layout.entryMask + at / 8] |= static_cast<uint8_t>(1u << (at % 8));
    }
    return out;
}

}  // namespace

size_t indexPageCapacityBytes(JetVersion v) {
    return layoutOf(v).capacity();
}

size_t indexEntrySize(const IndexEntry& entry, bool leaf) {
    return entry.key.size() + kRowPointerSize + (leaf ? 0 : kChildPointerSize);
}

void appendIndexEntryBytes(std::vector<uint8_t>& out, const IndexEntry& entry, bool leaf) {
    out.insert(out.end(), entry.key.begin(), entry.key.end());
    appendBigEndian(out, entry.dataPage, 3);
    out.push_back(entry.dataRow);
    if (!leaf) appendBigEndian(out, entry.childPage, 4);
}

PageBytes encodeIndexPage(const IndexPage& page, JetVersion v) {
    const IndexPageLayout& layout = layoutOf(v);
    const FlatEntries flat = flatten(page);
    const size_t prefix =
        flat.bytes.size() <= layout.capacity() ? 0 : usablePrefix(flat, layout.maxPrefix());
    return encodeWithPrefix(page, layout, flat, prefix);
}

PageBytes encodeIndexPage(const IndexPage& page, JetVersion v, size_t prefixLength) {
    const IndexPageLayout& layout = layoutOf(v);
    const FlatEntries flat = flatten(page);
    if (prefixLength > usablePrefix(flat, layout.maxPrefix())) {
        throwInvalid("The entries of this index page do not share a prefix of " +
                     std::to_string(prefixLength) + " bytes");
    }
    return encodeWithPrefix(page, layout, flat, prefixLength);
}

IndexPageSpace::IndexPageSpace(JetVersion v, bool leaf)
    : capacity_(layoutOf(v).capacity()), leaf_(leaf), maxPrefix_(layoutOf(v).maxPrefix()) {}

size_t IndexPageSpace::storedSize(size_t count, size_t total, size_t prefix) const {
    if (total <= capacity_ || count < 2) return total;
    return total - prefix * (count - 1);
}

bool IndexPageSpace::fitsWith(const IndexEntry& entry) const {
    const size_t size = indexEntrySize(entry, leaf_);
    if (count_ == 0) return size <= capacity_;
    scratch_.clear();
    appendIndexEntryBytes(scratch_, entry, leaf_);
    const size_t prefix = std::min({prefix_, sharedLength(first_, scratch_), scratch_.size() - 1});
    return storedSize(count_ + 1, total_ + size, prefix) <= capacity_;
}

void IndexPageSpace::add(const IndexEntry& entry) {
    scratch_.clear();
    appendIndexEntryBytes(scratch_, entry, leaf_);
    if (count_ == 0) {
        first_ = scratch_;
        prefix_ = std::min(first_.size(), maxPrefix_);
    } else {
        prefix_ = std::min({prefix_, sharedLength(first_, scratch_), scratch_.size() - 1});
    }
    ++count_;
    total_ += scratch_.size();
}

size_t IndexPageSpace::usedBytes() const {
    return storedSize(count_, total_, prefix_);
}

void IndexPageSpace::clear() {
    count_ = 0;
    total_ = 0;
    prefix_ = 0;
    first_.clear();
}

}  // namespace jet
