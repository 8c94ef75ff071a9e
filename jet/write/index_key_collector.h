// The entries of one index, gathered while a table's rows are written, then
// put in index order so the B-tree can be built bottom up.
//
// Keys live in one byte arena with a 16-byte record per entry, so a million
// entries of ten-byte keys take about 26 MB (up to twice that while the
// vectors grow) instead of a heap block each.
// Keys are whole entry keys as appendIndexKey (jet/format/index_key.h) builds
// them, one column after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/format/page_types.h"

namespace jet {

class IndexKeyCollector {
public:
    // Throws jet::Error(InvalidArgument) for an empty key, a key longer than
    // any index page could hold, or a row whose page does not fit the three
    // bytes an index entry has for it.
    void add(std::span<const uint8_t> key, RowPointer row);
    // Orders the entries as the index does (indexEntryLess: key bytes, then
    // the row). Entries added afterwards may leave it unsorted again.
    void sort();
    bool sorted() const { return sorted_; }
    size_t size() const { return entries_.size(); }
    // The i-th entry: in the order added, or in index order after sort().
    std::span<const uint8_t> key(size_t i) const;
    RowPointer row(size_t i) const;
    // Bytes held by the collector (arena and records), for budgeting.
    size_t memoryBytes() const;

private:
    struct Record {
        uint64_t offset;     // into arena_
        uint32_t length;     // key bytes
        uint32_t packedRow;  // RowPointer::packed()
    };
    bool less(const Record& a, const Record& b) const;

    std::vector<uint8_t> arena_;
    std::vector<Record> entries_;
    bool sorted_ = true;
};

}  // namespace jet
