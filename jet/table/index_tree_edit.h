// One index B-tree of an open file changed entry by entry inside a page
// transaction, keeping the shape the reader, the checker and Access rely
// on (see jet/format/index_page.h and jet/write/index_builder.h):
//   - an entry goes into the leaf its key and row belong in; an intermediate
//     entry stays an upper bound of everything below it, and is raised when
//     a new entry passes the last one of a page without a tail;
//   - each changed page is encoded again with Access's prefix choice;
//   - a page that no longer holds its entries splits in two: the upper part
//     moves to a new page after it on the same level (an entry appended at
//     the end of a level moves alone, as when Access fills an index in key
//     order), the parent lists both, a root that splits gets a new root
//     above it whose tail is the new page, and the level's sibling links
//     are kept;
//   - a page left empty leaves the tree and the level's chain, its page is
//     released; a root left with only a tail hands the root role to it.
// New pages come from a PageAllocator and are recorded in the index's
// usage map; released ones leave it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/index_page.h"
#include "jet/format/page_types.h"
#include "jet/format/table_def.h"

namespace jet {

class PageStore;
class PageAllocator;

class IndexTreeEditor {
public:
    // `real.rootPage` changes when the root does; the caller stores it.
    IndexTreeEditor(PageStore& store, JetVersion v, uint32_t tdefPage, RealIndexDef& real,
                    PageAllocator& allocator);

    // Throws jet::Error (InvalidArgument) when the entry is there already,
    // (Corrupt) when the tree is damaged.
    void insert(const IndexEntry& entry);
    // Throws jet::Error (Corrupt) when the entry is not in the tree.
    void remove(const IndexEntry& entry);
    // Whether an entry with exactly these key bytes names a row other than
    // `except`.
    bool containsKey(const std::vector<uint8_t>& key, std::optional<RowPointer> except);

private:
    struct Step {
        uint32_t number = 0;
        IndexPage page;
        size_t position = 0;  // intermediate: the child followed (entries.size() = the tail)
        bool dirty = false;
        bool appendedAtEnd = false;
    };

    IndexPage read(uint32_t number);
    void write(uint32_t number, const IndexPage& page);
    bool fits(const IndexPage& page) const;
    std::vector<Step> descend(const IndexEntry& entry, bool raise);
    size_t splitPoint(const IndexPage& page, std::optional<size_t> preferred) const;
    void split(std::vector<Step>& path, size_t level);
    uint32_t newPage();
    void releasePage(uint32_t number);
    void unlink(const IndexPage& page);

    PageStore& store_;
    JetVersion version_;
    uint32_t tdefPage_;
    RealIndexDef& real_;
    PageAllocator& allocator_;
};

}  // namespace jet
