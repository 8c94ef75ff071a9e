#include "jet/table/index_tree_edit.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/index_page_writer.h"
#include "jet/table/page_allocator.h"
#include "jet/table/usage_map_edit.h"

namespace jet {
namespace {

// Far deeper than any tree of a file's size; only a damaged file comes near.
constexpr size_t kMaxDepth = 32;

bool sameEntry(const IndexEntry& a, const IndexEntry& b) {
    return a.key == b.key && a.dataPage == b.dataPage && a.dataRow == b.dataRow;
}

}  // namespace

IndexTreeEditor::IndexTreeEditor(PageStore& store, JetVersion v, uint32_t tdefPage,
                                 RealIndexDef& real, PageAllocator& allocator)
    : store_(store), version_(v), tdefPage_(tdefPage), real_(real), allocator_(allocator) {}

IndexPage IndexTreeEditor::read(uint32_t number) {
    if (number == 0 || number >= store_.pageCount())
        throwCorrupt("an index names page " + std::to_string(number) + ", which the file lacks");
    IndexPage page = parseIndexPage(*store_.page(number), isJet3(version_));
    if (page.tableDefPage != tdefPage_)
        throwCorrupt("index page " + std::to_string(number) + " belongs to another table");
    return page;
}

void IndexTreeEditor::write(uint32_t number, const IndexPage& page) {
    PageBytes bytes = encodeIndexPage(page, version_);
    auto target = store_.writablePage(number);
    *target = std::move(bytes);
}

bool IndexTreeEditor::fits(const IndexPage& page) const {
    IndexPageSpace space(version_, page.leaf);
    for (const IndexEntry& e : page.entries) {
        if (!space.fitsWith(e)) return false;
        space.add(e);
    }
    return true;
}

uint32_t IndexTreeEditor::newPage() {
    const uint32_t page = allocator_.allocate();
    addPageToUsageMap(store_, version_, real_.usageMapPointer, page,
                      [&] { return allocator_.allocate(); });
    return page;
}

void IndexTreeEditor::releasePage(uint32_t number) {
    removePageFromUsageMap(store_, version_, real_.usageMapPointer, number);
    allocator_.release(number);
}

// Takes a page out of its level's chain.
void IndexTreeEditor::unlink(const IndexPage& page) {
    if (page.prevPage != 0) {
        IndexPage prev = read(page.prevPage);
        prev.nextPage = page.nextPage;
        write(page.prevPage, prev);
    }
    if (page.nextPage != 0) {
        IndexPage next = read(page.nextPage);
        next.prevPage = page.prevPage;
        write(page.nextPage, next);
    }
}

// The path from the root to the leaf where `entry` belongs. With `raise`,
// the last entry of a page without a tail that `entry` passes is raised to
// it, so that it stays an upper bound of its child.
std::vector<IndexTreeEditor::Step> IndexTreeEditor::descend(const IndexEntry& entry, bool raise) {
    std::vector<Step> path;
    uint32_t number = real_.rootPage;
    for (;;) {
        if (path.size() > kMaxDepth) throwCorrupt("an index tree is impossibly deep");
        Step step;
        step.number = number;
        step.page = read(number);
        if (step.page.leaf) {
            path.push_back(std::move(step));
            return path;
        }
        std::vector<IndexEntry>& entries = step.page.entries;
        // The first child whose entry is not below `entry`; entries ascend.
        auto at = std::lower_bound(entries.begin(), entries.end(), entry, indexEntryLess);
        step.position = static_cast<size_t>(at - entries.begin());
        if (at != entries.end()) {
            number = at->childPage;
        } else if (step.page.tailPage != 0) {
            number = step.page.tailPage;
        } else if (!entries.empty() && raise) {
            step.position = entries.size() - 1;
            IndexEntry& last = entries.back();
            last.key = entry.key;
            last.dataPage = entry.dataPage;
            last.dataRow = entry.dataRow;
            step.dirty = true;
            number = last.childPage;
        } else if (!entries.empty()) {
            step.position = entries.size() - 1;
            number = entries.back().childPage;
        } else {
            throwCorrupt("intermediate index page " + std::to_string(number) + " has no children");
        }
        path.push_back(std::move(step));
    }
}

void IndexTreeEditor::insert(const IndexEntry& entry) {
    std::vector<Step> path = descend(entry, true);
    Step& leaf = path.back();
    std::vector<IndexEntry>& entries = leaf.page.entries;
    auto at = std::lower_bound(entries.begin(), entries.end(), entry, indexEntryLess);
    if (at != entries.end() && sameEntry(*at, entry))
        throw Error(ErrorCode::InvalidArgument, "the index already has an entry for this row");
    IndexEntry stored = entry;
    stored.childPage = 0;
    at = entries.insert(at, std::move(stored));
    leaf.dirty = true;
    leaf.appendedAtEnd = at + 1 == entries.end() && leaf.page.nextPage == 0;

    for (size_t level = path.size(); level-- > 0;) {
        Step& step = path[level];
        if (!step.dirty) continue;
        if (fits(step.page)) {
            write(step.number, step.page);
        } else {
            split(path, level);
        }
    }
}

// Where to cut a page's entries in two: as near the middle of their bytes
// as both halves fit. A half's shared prefix is what its own first and last
// entries share, which is not always more than the whole page shares (a
// key may be the start of a longer one, so whole entries do not sort like
// keys), so the middle itself may not do.
size_t IndexTreeEditor::splitPoint(const IndexPage& page, std::optional<size_t> preferred) const {
    const std::vector<IndexEntry>& entries = page.entries;
    size_t total = 0;
    for (const IndexEntry& e : entries) total += indexEntrySize(e, page.leaf);
    size_t middle = 1, sum = indexEntrySize(entries[0], page.leaf);
    while (middle + 1 < entries.size() && sum + indexEntrySize(entries[middle], page.leaf) <= total / 2)
        sum += indexEntrySize(entries[middle++], page.leaf);
    auto bothFit = [&](size_t cut) {
        IndexPage left, right;
        left.leaf = right.leaf = page.leaf;
        left.entries.assign(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(cut));
        right.entries.assign(entries.begin() + static_cast<std::ptrdiff_t>(cut), entries.end());
        return fits(left) && fits(right);
    };
    if (preferred && bothFit(*preferred)) return *preferred;
    for (size_t distance = 0; distance < entries.size(); ++distance) {
        if (middle + distance < entries.size() && bothFit(middle + distance)) return middle + distance;
        if (distance > 0 && middle > distance && bothFit(middle - distance)) return middle - distance;
    }
    throwCorrupt("index entries too long to split a page");
}

// Splits path[level], which no longer fits, and records both halves in the
// parent (or a new root).
void IndexTreeEditor::split(std::vector<Step>& path, size_t level) {
    Step& step = path[level];
    IndexPage& page = step.page;
    const bool leaf = page.leaf;
    std::vector<IndexEntry>& entries = page.entries;
    if (entries.size() < 2) throwCorrupt("an index entry is too long for a page");

    // An entry appended at the end of its level moves alone, as when Access
    // fills an index in key order.
    const size_t cut = splitPoint(page, step.appendedAtEnd ? std::optional<size_t>(entries.size() - 1)
                                                           : std::nullopt);
    const uint32_t rightNumber = newPage();
    IndexPage right;
    right.leaf = leaf;
    right.tableDefPage = tdefPage_;
    right.prevPage = step.number;
    right.nextPage = page.nextPage;
    right.tailPage = page.tailPage;
    right.entries.assign(std::make_move_iterator(entries.begin() + static_cast<std::ptrdiff_t>(cut)),
                         std::make_move_iterator(entries.end()));
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(cut), entries.end());
    page.tailPage = 0;
    page.nextPage = rightNumber;
    if (!fits(page) || !fits(right)) throwCorrupt("index entries too long to split a page");
    if (right.nextPage != 0) {
        IndexPage after = read(right.nextPage);
        after.prevPage = rightNumber;
        write(right.nextPage, after);
    }
    write(step.number, page);
    write(rightNumber, right);

    IndexEntry leftEntry = entries.back();
    leftEntry.childPage = step.number;
    if (level == 0) {
        IndexPage root;
        root.leaf = false;
        root.tableDefPage = tdefPage_;
        root.entries.push_back(std::move(leftEntry));
        root.tailPage = rightNumber;
        const uint32_t rootNumber = newPage();
        write(rootNumber, root);
        real_.rootPage = rootNumber;
        return;
    }
    Step& parent = path[level - 1];
    std::vector<IndexEntry>& above = parent.page.entries;
    const size_t pos = parent.position;
    if (pos < above.size()) {
        IndexEntry rightEntry = above[pos];
        rightEntry.childPage = rightNumber;
        above[pos] = std::move(leftEntry);
        above.insert(above.begin() + static_cast<std::ptrdiff_t>(pos) + 1, std::move(rightEntry));
        parent.appendedAtEnd = false;
    } else {
        above.push_back(std::move(leftEntry));
        parent.page.tailPage = rightNumber;
        parent.appendedAtEnd = parent.page.nextPage == 0;
    }
    parent.dirty = true;
}

void IndexTreeEditor::remove(const IndexEntry& entry) {
    std::vector<Step> path = descend(entry, false);
    std::vector<IndexEntry>& entries = path.back().page.entries;
    auto at = std::lower_bound(entries.begin(), entries.end(), entry, indexEntryLess);
    if (at == entries.end() || !sameEntry(*at, entry))
        throwCorrupt("the index has no entry for the row on page " +
                     std::to_string(entry.dataPage) + ", row " + std::to_string(entry.dataRow));
    entries.erase(at);

    size_t level = path.size() - 1;
    for (;; --level) {
        Step& step = path[level];
        const bool empty = step.page.entries.empty() && (step.page.leaf || step.page.tailPage == 0);
        if (!empty || level == 0) break;
        // An empty page leaves the tree; its parent drops it.
        unlink(step.page);
        releasePage(step.number);
        Step& parent = path[level - 1];
        std::vector<IndexEntry>& above = parent.page.entries;
        if (parent.position < above.size())
            above.erase(above.begin() + static_cast<std::ptrdiff_t>(parent.position));
        // A tail that goes (Access sometimes lists its tail among the
        // entries too) hands its place to the last listed child.
        if (parent.page.tailPage == step.number) {
            if (above.empty()) {
                parent.page.tailPage = 0;
            } else {
                parent.page.tailPage = above.back().childPage;
                above.pop_back();
            }
        }
    }
    Step& top = path[level];
    if (level == 0 && !top.page.leaf && top.page.entries.empty()) {
        if (top.page.tailPage == 0) {
            // Nothing is left below the root: it becomes the empty leaf of
            // an empty index.
            top.page = IndexPage{};
            top.page.leaf = true;
            top.page.tableDefPage = tdefPage_;
        } else {
            // A root with a tail alone hands its role to the tail.
            uint32_t root = top.page.tailPage;
            releasePage(top.number);
            for (size_t depth = 0;; ++depth) {
                if (depth > kMaxDepth) throwCorrupt("an index tree is impossibly deep");
                IndexPage below = read(root);
                if (below.leaf || !below.entries.empty() || below.tailPage == 0) break;
                releasePage(root);
                root = below.tailPage;
            }
            real_.rootPage = root;
            return;
        }
    }
    write(top.number, top.page);
}

bool IndexTreeEditor::containsKey(const std::vector<uint8_t>& key, std::optional<RowPointer> except) {
    IndexEntry probe;
    probe.key = key;
    uint32_t number = real_.rootPage;
    IndexPage page;
    for (size_t depth = 0;; ++depth) {
        if (depth > kMaxDepth) throwCorrupt("an index tree is impossibly deep");
        page = read(number);
        if (page.leaf) break;
        auto at = std::lower_bound(page.entries.begin(), page.entries.end(), probe, indexEntryLess);
        if (at != page.entries.end())
            number = at->childPage;
        else if (page.tailPage != 0)
            number = page.tailPage;
        else
            return false;
    }
    auto at = std::lower_bound(page.entries.begin(), page.entries.end(), probe, indexEntryLess);
    for (size_t hops = 0; hops <= store_.pageCount();) {
        for (; at != page.entries.end(); ++at) {
            if (at->key != key) return false;
            if (!except || RowPointer{at->dataPage, at->dataRow} != *except) return true;
        }
        if (page.nextPage == 0) return false;
        page = read(page.nextPage);
        at = page.entries.begin();
        ++hops;
    }
    throwCorrupt("an index's leaf chain does not end");
}

}  // namespace jet
