#include "jet/write/index_builder.h"

#include <algorithm>
#include <string>
#include <utility>

#include "jet/error.h"
#include "jet/format/index_page.h"
#include "jet/format/index_page_writer.h"

namespace jet {
namespace {

constexpr size_t kRowPointerSize = 4;
constexpr size_t kChildPointerSize = 4;

// A finished page as its parent sees it.
struct ChildRef {
    uint32_t page = 0;
    IndexEntry last;  // the last leaf entry below the page
};

// Writes the pages of one level from left to right. A page is written once
// its successor is known (its next pointer) or the level ends.
class LevelWriter {
public:
    LevelWriter(PageSink& sink, JetVersion v, uint32_t tdefPage, bool leaf, BuiltIndex& built)
        : sink_(sink), version_(v), space_(v, leaf), built_(built) {
        page_.leaf = leaf;
        page_.tableDefPage = tdefPage;
        pageNumber_ = allocate();
    }

    void add(IndexEntry entry) {
        if (space_.entryCount() > 0 && !space_.fitsWith(entry)) startNextPage();
        space_.add(entry);
        page_.entries.push_back(std::move(entry));
    }

    // Ends the level. `tail` is the last child of the level below, which the
    // last page names as its tail instead of listing it.
    std::vector<ChildRef> finish(const ChildRef* tail) {
        if (tail) page_.tailPage = tail->page;
        page_.nextPage = 0;
        writeCurrent();
        if (tail) done_.back().last = tail->last;
        return std::move(done_);
    }

private:
    uint32_t allocate() {
        const uint32_t n = sink_.allocate();
        built_.pages.push_back(n);
        return n;
    }

    void startNextPage() {
        const uint32_t next = allocate();
        page_.nextPage = next;
        writeCurrent();
        page_.prevPage = pageNumber_;
        page_.entries.clear();
        space_.clear();
        pageNumber_ = next;
    }

    void writeCurrent() {
        sink_.write(pageNumber_, encodeIndexPage(page_, version_));
        // An intermediate entry is its child's last entry plus the child page.
        ChildRef ref{pageNumber_, {}};
        if (!page_.entries.empty()) {
            ref.last = page_.entries.back();
            ref.last.childPage = 0;
        }
        done_.push_back(std::move(ref));
    }

    PageSink& sink_;
    JetVersion version_;
    IndexPageSpace space_;
    BuiltIndex& built_;
    IndexPage page_;
    uint32_t pageNumber_ = 0;
    std::vector<ChildRef> done_;
};

[[noreturn]] void throwInvalid(const std::string& what) {
    throw Error(ErrorCode::InvalidArgument, what);
}

void checkInput(const PageSink& sink, JetVersion v, const IndexKeyCollector& keys) {
    if (sink.pageSize() != pageSizeOf(v)) {
        throwInvalid("An index of this file version needs pages of " +
                     std::to_string(pageSizeOf(v)) + " bytes, not " +
                     std::to_string(sink.pageSize()));
    }
    if (!keys.sorted()) throwInvalid("Index keys must be sorted before the index is built");
    const size_t maxKey = maxIndexKeyLength(v);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys.key(i).size() > maxKey) {
            throwInvalid("An index key of " + std::to_string(keys.key(i).size()) +
                         " bytes is longer than the " + std::to_string(maxKey) +
                         " an index page allows");
        }
        if (i > 0 && keys.row(i) == keys.row(i - 1) &&
            std::ranges::equal(keys.key(i), keys.key(i - 1))) {
            throwInvalid("Index entry " + std::to_string(i) + " repeats the one before it");
        }
    }
}

std::vector<ChildRef> writeLeaves(PageSink& sink, JetVersion v, uint32_t tdefPage,
                                  const IndexKeyCollector& keys, BuiltIndex& built) {
    LevelWriter level(sink, v, tdefPage, true, built);
    for (size_t i = 0; i < keys.size(); ++i) {
        IndexEntry entry;
        const auto key = keys.key(i);
        entry.key.assign(key.begin(), key.end());
        entry.dataPage = keys.row(i).page;
        entry.dataRow = keys.row(i).row;
        level.add(std::move(entry));
    }
    return level.finish(nullptr);
}

std::vector<ChildRef> writeNodes(PageSink& sink, JetVersion v, uint32_t tdefPage,
                                 const std::vector<ChildRef>& children, BuiltIndex& built) {
    LevelWriter level(sink, v, tdefPage, false, built);
    for (size_t i = 0; i + 1 < children.size(); ++i) {
        IndexEntry entry = children[i].last;
        entry.childPage = children[i].page;
        level.add(std::move(entry));
    }
    return level.finish(&children.back());
}

}  // namespace

size_t maxIndexKeyLength(JetVersion v) {
    return indexPageCapacityBytes(v) / 2 - kRowPointerSize - kChildPointerSize;
}

BuiltIndex buildIndex(PageSink& sink, JetVersion v, uint32_t tdefPage,
                      const IndexKeyCollector& sortedKeys) {
    checkInput(sink, v, sortedKeys);
    BuiltIndex built;
    std::vector<ChildRef> level = writeLeaves(sink, v, tdefPage, sortedKeys, built);
    // Each node level lists at least two children per page (keys are short
    // enough), so the levels shrink until one page, the root, is left.
    while (level.size() > 1) level = writeNodes(sink, v, tdefPage, level, built);
    built.rootPage = level.front().page;
    return built;
}

}  // namespace jet
