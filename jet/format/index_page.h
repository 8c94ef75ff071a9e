// One page of an index B-tree, as Access writes it.
//
// Index pages are type 0x04 (leaf: one entry per row, in key order) or 0x03
// (intermediate: one entry per child page, holding that child's last entry).
// Entries are packed after a header and a bitmask that marks where each entry
// ends; every entry after the first may omit a prefix it shares with the
// first entry. parseIndexPage restores full entries so callers never see the
// compression.
//
// Layout (little-endian header, big-endian entry pointers):
//   Jet 3 (2 KiB): prev 0x08, next 0x0c, tail 0x10, prefix length 0x14 (1 byte),
//                  end-of-entry bitmask 0x16 (226 bytes), entries from 0xf8.
//   Jet 4 / ACE (4 KiB): prev 0x0c, next 0x10, tail 0x14, prefix length 0x18 (2 bytes),
//                  bitmask 0x1b (453 bytes), entries from 0x1e0.
//   Entry: key bytes, data page (3 bytes big-endian), row (1 byte); in an
//   intermediate page followed by the child page (4 bytes big-endian).
//
// A page that does not follow these rules yields jet::Error (Corrupt).
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace jet {

struct IndexEntry {
    std::vector<uint8_t> key;  // the column values' key bytes, prefix restored
    uint32_t dataPage = 0;     // the row this entry stands for
    uint8_t dataRow = 0;
    uint32_t childPage = 0;  // intermediate pages only: the page below
};

struct IndexPage {
    bool leaf = false;
    uint32_t tableDefPage = 0;  // the table this index belongs to
    uint32_t prevPage = 0;      // neighbours on the same level (0 = none)
    uint32_t nextPage = 0;
    // Intermediate pages: a last child not (yet) listed in the entries.
    // Leaf pages: unused by Access (0).
    uint32_t tailPage = 0;
    std::vector<IndexEntry> entries;
};

// Parses one raw page of `page.size()` bytes (2048 for Jet 3, 4096 otherwise).
IndexPage parseIndexPage(std::span<const uint8_t> page, bool jet3);

// A page's header and where its entries lie, without the entries built: a
// search decodes only the entries it stops on (a seek in a leaf of a few
// hundred entries needs one). Refers to the page's bytes, which must
// outlive it. The header and the entry bounds are checked as parseIndexPage
// checks them; the order of entries is checked as they are built.
struct IndexPageView {
    IndexPage header;                               // entries left empty
    std::span<const uint8_t> area;                  // the bytes after the entry mask
    std::span<const uint8_t> prefix;                // shared by every entry after the first
    std::vector<std::pair<size_t, size_t>> bounds;  // each entry's start and length in `area`
};
IndexPageView viewIndexPage(std::span<const uint8_t> page, bool jet3);
// The number of the first entry whose key bytes are not before `key`
// (bounds.size() when every one is).
size_t firstEntryNotBefore(const IndexPageView& view, std::span<const uint8_t> key);
// Builds entries [first, first + count) (fewer at the end of the page) onto
// `out`, checking that each follows the one before it in `out` from this call.
void appendIndexEntries(const IndexPageView& view, size_t first, size_t count,
                        std::vector<IndexEntry>& out);

// Orders entries as the index does: key bytes unsigned-lexicographically,
// then data page, then row.
bool indexEntryLess(const IndexEntry& a, const IndexEntry& b);

}  // namespace jet
