// Encoding of one index page (0x04 leaf or 0x03 intermediate): the inverse of
// parseIndexPage (jet/format/index_page.h), which documents the layout.
//
// What Access writes, as seen in every index page of the Access-made test
// files of all versions (and the choices made here to match it):
//   - byte 1 is always 0x01;
//   - bytes 2-3 hold the free space: page size minus the end of the last
//     entry (so an empty page reports the whole entry area: 1800 bytes in
//     Jet 3, 3616 in Jet 4 and ACE);
//   - Jet 4 / ACE bytes 8-11 are zero;
//   - the byte after the prefix length (0x15 in Jet 3, 0x1a in Jet 4 / ACE)
//     is 1 on intermediate pages and 0 on leaves;
//   - the entry area ends at the page end; the end-of-entry bitmask has a few
//     bits more than the area has bytes, so the area is the only limit;
//   - entries after the first omit the prefix they share with every entry of
//     the page. Access stores that prefix only when the page would not hold
//     its entries in full: pages whose entries fit uncompressed have a prefix
//     length of 0 even when all entries share leading bytes. The prefix is
//     the longest one shared by the first and the last entry (whole entries:
//     key, row pointer and, on intermediate pages, child pointer). A page that
//     shrank after being compressed can keep a prefix it no longer needs;
//     callers reproducing such a page pass its prefix length explicitly.
//   - bytes after the last entry are not cleared by Access when entries move
//     away; this encoder writes zeros there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/index_page.h"
#include "jet/format/page_types.h"

namespace jet {

// Bytes available for entries on one index page: 1800 (Jet 3) or 3616.
size_t indexPageCapacityBytes(JetVersion v);

// The stored size of one entry without prefix compression: its key, the row
// pointer (4 bytes) and, on intermediate pages, the child page (4 bytes).
size_t indexEntrySize(const IndexEntry& entry, bool leaf);

// One index page with Access's prefix choice (see above). Throws
// jet::Error(InvalidArgument) when the entries do not fit on one page, are not
// in strictly ascending indexEntryLess order, have an empty key, or hold a
// data page that does not fit the entry's three bytes.
PageBytes encodeIndexPage(const IndexPage& page, JetVersion v);

// The same with a given shared-prefix length, for reproducing a page exactly.
// Throws jet::Error(InvalidArgument) as above, and when `prefixLength` is
// longer than what every entry shares (or would leave an entry with no bytes
// of its own), or longer than the header can hold.
PageBytes encodeIndexPage(const IndexPage& page, JetVersion v, size_t prefixLength);

// Tracks the stored size of a page's entries while they are appended in
// order, so a builder can cut pages exactly where encodeIndexPage would
// refuse one more entry. Entries must be appended in ascending order.
class IndexPageSpace {
public:
    IndexPageSpace(JetVersion v, bool leaf);

    // Whether the page still fits after appending `entry` (with Access's
    // prefix choice).
    bool fitsWith(const IndexEntry& entry) const;
    void add(const IndexEntry& entry);
    size_t entryCount() const { return count_; }
    // Bytes the entries take on the page, with Access's prefix choice.
    size_t usedBytes() const;
    void clear();

private:
    size_t storedSize(size_t count, size_t total, size_t prefix) const;

    size_t capacity_;
    bool leaf_;
    size_t maxPrefix_;
    size_t count_ = 0;
    size_t total_ = 0;  // sum of the entries' uncompressed sizes
    // Shared prefix of all entries so far; valid once count_ > 0.
    size_t prefix_ = 0;
    std::vector<uint8_t> first_;            // the first entry as stored uncompressed
    mutable std::vector<uint8_t> scratch_;  // reused to avoid an allocation per entry
};

// Appends an entry as stored without compression: key, data page (3 bytes
// big-endian), row, and on intermediate pages the child page (4 bytes
// big-endian).
void appendIndexEntryBytes(std::vector<uint8_t>& out, const IndexEntry& entry, bool leaf);

}  // namespace jet
