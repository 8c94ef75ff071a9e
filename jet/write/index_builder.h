// Bulk building of one index B-tree from its entries in index order, as a
// new file or a compacted copy needs it: every page is written once, bottom
// up, through a PageSink.
//
// The tree has the shape Access gives an index it filled by appending in key
// order (seen in the Access-made test files, where rebuilding an index from
// its entries reproduces Access's pages byte for byte):
//   - leaves are filled in order until the next entry does not fit (with the
//     prefix compression Access applies to a full page, see
//     index_page_writer.h), then the next leaf starts; the pages of a level
//     are chained by their previous/next pointers;
//   - each intermediate page lists its children, each by a copy of the
//     child's last entry with the child page added, filled the same way;
//   - the last page of every level is not listed in its parent but named as
//     the parent's tail page, so the pages on the right edge of the tree each
//     have a tail and list all children but the last; the entry that stands
//     for such a page in its own parent is still the last entry below it;
//   - an index without entries is one empty leaf, as Access writes for an
//     empty table.
// Pages are allocated leaves first, level by level, so the root comes last.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/write/index_key_collector.h"
#include "jet/write/page_sink.h"

namespace jet {

struct BuiltIndex {
    uint32_t rootPage = 0;
    std::vector<uint32_t> pages;  // every page of the tree (for the index's usage map)
};

// The longest key an index can hold in a file of version `v`: two
// intermediate entries of that length still fit on one page, so every level
// of the tree has fewer pages than the one below.
size_t maxIndexKeyLength(JetVersion v);

// Writes the tree of `sortedKeys` (after IndexKeyCollector::sort) through
// `sink`; `tdefPage` goes into every page header. Throws
// jet::Error(InvalidArgument) when the sink's page size is not that of `v`,
// the keys are not sorted, an entry (same key and row) repeats, or a key is
// longer than maxIndexKeyLength(v). On error, pages already allocated stay
// allocated: a file under construction is thrown away when building fails.
BuiltIndex buildIndex(PageSink& sink, JetVersion v, uint32_t tdefPage,
                      const IndexKeyCollector& sortedKeys);

}  // namespace jet
