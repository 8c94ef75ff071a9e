// Bulk index building: trees of every size read back with the index page
// reader, and Access's own indexes rebuilt from their entries into the pages
// Access wrote.
#include "jet/write/index_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "index_test_support.h"
#include "jet/error.h"
#include "jet/format/index_key.h"
#include "jet/format/page_types.h"
#include "jet/format/index_page_writer.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using index_test::TreeWalk;
using index_test::WalkedPage;

constexpr uint32_t kTableDefPage = 77;

TreeWalk walkBuilt(const MemoryPageSink& sink, JetVersion v, uint32_t root) {
    return index_test::walkTree([&sink](uint32_t n) { return sink.read(n); }, isJet3(v), root);
}

enum class KeyKind { Long, Text };

// Keys of rows 0..count-1 as a Long or a Text column would give them, added
// in a scrambled order so the collector has to sort.
IndexKeyCollector collectKeys(size_t count, KeyKind kind) {
    IndexKeyCollector keys;
    std::vector<uint8_t> key;
    for (size_t n = 0; n < count; ++n) {
        const size_t i = (n * 7919) % count;  // 7919 is prime: a permutation when count % 7919 != 0
        key.clear();
        if (kind == KeyKind::Long) {
            appendIndexKey(key, Value::integer(static_cast<int64_t>(i) - 5000), DataType::Long,
                           true, SortOrderKind::GeneralLegacy, NumericKeyForm::Jet);
        } else {
            const std::string text = "Customer " + std::to_string(i * 37 % 100003) + " of region " +
                                     std::to_string(i % 17);
            appendIndexKey(key, Value::text(text), DataType::Text, true,
                           SortOrderKind::GeneralLegacy, NumericKeyForm::Jet);
        }
        keys.add(key,
                 RowPointer{static_cast<uint32_t>(100 + i / 50), static_cast<uint8_t>(i % 50)});
    }
    keys.sort();
    return keys;
}

// Whether `page` could have taken `next` too (the builder fills pages).
bool couldHold(IndexPage page, const IndexEntry& next, JetVersion v) {
    page.entries.push_back(next);
    try {
        encodeIndexPage(page, v);
        return true;
    } catch (const Error&) {
        return false;
    }
}

struct ShapeCase {
    JetVersion version;
    size_t entries;  // 0 = empty; kPageFull / kPageFullPlusOne = relative to one leaf
    KeyKind kind;
    size_t levels;  // expected depth of the tree
};
constexpr size_t kPageFull = static_cast<size_t>(-1);
constexpr size_t kPageFullPlusOne = static_cast<size_t>(-2);

// How many Long keys one leaf holds: found by filling a page with the
// encoder itself, so the case means "exactly one page full".
size_t longKeysPerLeaf(JetVersion v) {
    const IndexKeyCollector keys = collectKeys(2000, KeyKind::Long);
    IndexPage page;
    page.leaf = true;
    for (size_t i = 0; i < keys.size(); ++i) {
        IndexEntry e;
        e.key.assign(keys.key(i).begin(), keys.key(i).end());
        e.dataPage = keys.row(i).page;
        e.dataRow = keys.row(i).row;
        if (!couldHold(page, e, v)) return i;
        page.entries.push_back(std::move(e));
    }
    return keys.size();
}

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << formatName(c.version) << " " << c.entries;
}

class IndexBuilderShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(IndexBuilderShapeTest, TreeReadsBackInOrderWithAccessShape) {
    const ShapeCase& c = GetParam();
    const JetVersion v = c.version;
    size_t count = c.entries;
    if (count == kPageFull) count = longKeysPerLeaf(v);
    if (count == kPageFullPlusOne) count = longKeysPerLeaf(v) + 1;
    const IndexKeyCollector keys = collectKeys(count, c.kind);

    MemoryPageSink sink(pageSizeOf(v));
    sink.allocate();  // page 0 belongs to the file header
    const BuiltIndex built = buildIndex(sink, v, kTableDefPage, keys);
    const TreeWalk walk = walkBuilt(sink, v, built.rootPage);

    // Every entry comes back, in order; every page is the index's.
    ASSERT_EQ(walk.entries.size(), count);
    for (size_t i = 0; i < count; ++i) {
        ASSERT_TRUE(std::ranges::equal(walk.entries[i].key, keys.key(i))) << "entry " << i;
        ASSERT_EQ((RowPointer{walk.entries[i].dataPage, walk.entries[i].dataRow}), keys.row(i));
    }
    EXPECT_EQ(walk.levels.size(), c.levels);
    std::set<uint32_t> walked;
    for (const auto& level : walk.levels) {
        for (const WalkedPage& p : level) walked.insert(p.number);
    }
    EXPECT_EQ(walked, std::set<uint32_t>(built.pages.begin(), built.pages.end()));
    EXPECT_EQ(built.pages.size(), walk.pageCount());
    EXPECT_EQ(built.rootPage, built.pages.back()) << "the root is written last";

    for (size_t depth = 0; depth < walk.levels.size(); ++depth) {
        const auto& level = walk.levels[depth];
        for (size_t i = 0; i < level.size(); ++i) {
            const WalkedPage& p = level[i];
            SCOPED_TRACE("level " + std::to_string(depth) + " page " + std::to_string(p.number));
            EXPECT_EQ(p.page.tableDefPage, kTableDefPage);
            EXPECT_EQ(p.page.prevPage, i == 0 ? 0 : level[i - 1].number);
            EXPECT_EQ(p.page.nextPage, i + 1 == level.size() ? 0 : level[i + 1].number);
            // Filled as Access fills pages: the next page's first entry did not fit.
            if (i + 1 < level.size()) {
                EXPECT_FALSE(couldHold(p.page, level[i + 1].page.entries.front(), v));
            }
            if (p.page.leaf) {
                EXPECT_EQ(p.page.tailPage, 0u);
                continue;
            }
            // The right edge names its last child as the tail; other pages
            // list every child.
            const bool rightEdge = i + 1 == level.size();
            EXPECT_EQ(p.children.size(), p.page.entries.size() + (rightEdge ? 1 : 0));
            EXPECT_EQ(p.page.tailPage, rightEdge ? p.children.back() : 0u);
        }
    }
    // An intermediate entry is its child's last leaf entry: the entries of
    // every node level, in order, are the last entries of the leaves they
    // stand for, so they ascend and each one appears among the leaf entries.
    for (size_t depth = 0; depth + 1 < walk.levels.size(); ++depth) {
        for (const WalkedPage& p : walk.levels[depth]) {
            for (const IndexEntry& e : p.page.entries) {
                const auto it =
                    std::lower_bound(walk.entries.begin(), walk.entries.end(), e, indexEntryLess);
                ASSERT_NE(it, walk.entries.end());
                EXPECT_EQ(it->key, e.key);
                EXPECT_EQ(it->dataPage, e.dataPage);
                EXPECT_EQ(it->dataRow, e.dataRow);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, IndexBuilderShapeTest,
    ::testing::Values(ShapeCase{JetVersion::Jet3, 0, KeyKind::Long, 1},
                      ShapeCase{JetVersion::Jet4, 0, KeyKind::Long, 1},
                      ShapeCase{JetVersion::Jet3, 1, KeyKind::Long, 1},
                      ShapeCase{JetVersion::Ace14, 1, KeyKind::Text, 1},
                      ShapeCase{JetVersion::Jet3, kPageFull, KeyKind::Long, 1},
                      ShapeCase{JetVersion::Jet4, kPageFull, KeyKind::Long, 1},
                      ShapeCase{JetVersion::Jet3, kPageFullPlusOne, KeyKind::Long, 2},
                      ShapeCase{JetVersion::Jet4, kPageFullPlusOne, KeyKind::Long, 2},
                      ShapeCase{JetVersion::Jet3, 100000, KeyKind::Long, 3},
                      ShapeCase{JetVersion::Jet4, 100000, KeyKind::Long, 2},
                      ShapeCase{JetVersion::Jet3, 20000, KeyKind::Text, 3},
                      ShapeCase{JetVersion::Ace12, 30000, KeyKind::Text, 3}));

// ---------------------------------------------------------------------------
// Access's indexes rebuilt from their entries give the pages Access wrote
// (apart from page numbers), where Access built them by appending in key
// order: leaf cuts, prefix compression, intermediate entries and tails.
// (An index that grew by inserts in the middle is split differently by
// Access, as one of odbcLinkerTestV2007's and binIdxTestV2010's are: such
// files are not compared here.)

struct FileIndexes {
    std::vector<uint8_t> file;
    JetVersion version;
    std::vector<uint32_t> roots;
};

// The roots of a file's index trees: index pages no intermediate page points
// to and that have no neighbours.
FileIndexes findIndexes(const std::string& relative) {
    FileIndexes out;
    out.file = index_test::readWholeFile(testing_support::fixture(relative));
    out.version = index_test::versionOfFile(out.file);
    const uint32_t pageCount = static_cast<uint32_t>(out.file.size() / pageSizeOf(out.version));
    std::set<uint32_t> referenced;
    std::vector<std::pair<uint32_t, IndexPage>> pages;
    for (uint32_t n = 1; n < pageCount; ++n) {
        const auto bytes = index_test::pageOf(out.file, out.version, n);
        if (bytes[0] != kPageIndexLeaf && bytes[0] != kPageIndexNode) continue;
        IndexPage page = parseIndexPage(bytes, isJet3(out.version));
        for (const auto& e : page.entries) referenced.insert(e.childPage);
        referenced.insert(page.tailPage);
        pages.emplace_back(n, std::move(page));
    }
    for (const auto& [n, page] : pages) {
        if (!referenced.contains(n) && page.prevPage == 0 && page.nextPage == 0) {
            out.roots.push_back(n);
        }
    }
    return out;
}

size_t storedPrefixLength(const std::vector<uint8_t>& page, JetVersion v) {
    return isJet3(v) ? page[0x14] : page[0x18] | (page[0x19] << 8);
}

struct RebuildCase {
    const char* file;
    size_t minIndexes;
    size_t minMultiPage;  // indexes of more than one page among them
};

void PrintTo(const RebuildCase& c, std::ostream* os) {
    *os << c.file;
}

class AccessIndexRebuildTest : public ::testing::TestWithParam<RebuildCase> {};

TEST_P(AccessIndexRebuildTest, RebuiltPagesEqualAccessPages) {
    const RebuildCase& c = GetParam();
    const FileIndexes found = findIndexes(c.file);
    const JetVersion v = found.version;
    const auto accessPage = [&found, v](uint32_t n) {
        return index_test::pageOf(found.file, v, n);
    };
    size_t multiPage = 0;
    for (uint32_t root : found.roots) {
        SCOPED_TRACE("index with root page " + std::to_string(root));
        const TreeWalk access = index_test::walkTree(accessPage, isJet3(v), root);
        multiPage += access.pageCount() > 1 ? 1 : 0;

        IndexKeyCollector keys;
        for (const IndexEntry& e : access.entries)
            keys.add(e.key, RowPointer{e.dataPage, e.dataRow});
        MemoryPageSink sink(pageSizeOf(v));
        sink.allocate();
        const uint32_t tdef = access.levels[0][0].page.tableDefPage;
        const BuiltIndex built = buildIndex(sink, v, tdef, keys);
        const TreeWalk ours = walkBuilt(sink, v, built.rootPage);

        ASSERT_EQ(ours.levels.size(), access.levels.size());
        std::map<uint32_t, uint32_t> toAccess{{0, 0}};
        for (size_t depth = 0; depth < ours.levels.size(); ++depth) {
            ASSERT_EQ(ours.levels[depth].size(), access.levels[depth].size()) << "level " << depth;
            for (size_t i = 0; i < ours.levels[depth].size(); ++i) {
                toAccess[ours.levels[depth][i].number] = access.levels[depth][i].number;
            }
        }
        // Our pages with Access's page numbers must be Access's bytes, up to
        // the end of the last entry (Access leaves old bytes after it).
        for (const auto& level : ours.levels) {
            for (const WalkedPage& p : level) {
                IndexPage renumbered = p.page;
                renumbered.prevPage = toAccess.at(p.page.prevPage);
                renumbered.nextPage = toAccess.at(p.page.nextPage);
                renumbered.tailPage = toAccess.at(p.page.tailPage);
                for (auto& e : renumbered.entries)
                    e.childPage = p.page.leaf ? 0 : toAccess.at(e.childPage);
                const auto ourBytes = sink.read(p.number);
                const PageBytes expected =
                    encodeIndexPage(renumbered, v, storedPrefixLength(ourBytes, v));
                auto theirs = accessPage(toAccess.at(p.number));
                const size_t end = theirs.size() - (theirs[2] | (theirs[3] << 8));
                std::fill(theirs.begin() + static_cast<std::ptrdiff_t>(end), theirs.end(), 0);
                EXPECT_EQ(expected, theirs) << "Access page " << toAccess.at(p.number);
            }
        }
    }
    EXPECT_GE(found.roots.size(), c.minIndexes);
    EXPECT_GE(multiPage, c.minMultiPage);
}

INSTANTIATE_TEST_SUITE_P(AccessFiles, AccessIndexRebuildTest,
                         ::testing::Values(RebuildCase{"V1997/compIndexTestV1997.mdb", 5, 1},
                                           RebuildCase{"V1997/testIndexCodesV1997.mdb", 40, 8},
                                           RebuildCase{"V2000/compIndexTestV2000.mdb", 5, 1},
                                           RebuildCase{"V2007/compIndexTestV2007.accdb", 5, 1},
                                           RebuildCase{"V2010/compIndexTestV2010.accdb", 5, 1},
                                           RebuildCase{"empty/emptyJet4.mdb", 5, 0}),
                         [](const auto& param) {
                             std::string name = param.param.file;
                             name = name.substr(name.find('/') + 1);
                             return name.substr(0, name.find('.'));
                         });

// ---------------------------------------------------------------------------
// Refused input

TEST(IndexBuilderTest, RefusesInputItCannotBuild) {
    const std::vector<uint8_t> a{0x7f, 0x01};
    const std::vector<uint8_t> b{0x7f, 0x02};
    IndexKeyCollector unsorted;
    unsorted.add(b, RowPointer{1, 0});
    unsorted.add(a, RowPointer{1, 0});
    IndexKeyCollector repeated;
    repeated.add(a, RowPointer{1, 0});
    repeated.add(a, RowPointer{1, 0});
    IndexKeyCollector tooLong;
    tooLong.add(std::vector<uint8_t>(maxIndexKeyLength(JetVersion::Jet3) + 1, 0x7f),
                RowPointer{1, 0});
    IndexKeyCollector fine;
    fine.add(a, RowPointer{1, 0});

    struct Case {
        const char* what;
        const IndexKeyCollector& keys;
        uint32_t pageSize;
    };
    const Case cases[] = {{"unsorted", unsorted, 2048},
                          {"repeated entry", repeated, 2048},
                          {"key too long", tooLong, 2048},
                          {"Jet 4 page size for Jet 3", fine, 4096}};
    for (const Case& c : cases) {
        MemoryPageSink sink(c.pageSize);
        try {
            buildIndex(sink, JetVersion::Jet3, 1, c.keys);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::InvalidArgument) << c.what;
        }
    }
    // The longest key allowed builds a tree of two-entry pages.
    IndexKeyCollector longest;
    for (uint8_t i = 0; i < 9; ++i) {
        std::vector<uint8_t> key(maxIndexKeyLength(JetVersion::Jet3), 0x7f);
        key.back() = i;
        longest.add(key, RowPointer{1, i});
    }
    MemoryPageSink sink(2048);
    const BuiltIndex built = buildIndex(sink, JetVersion::Jet3, 1, longest);
    const TreeWalk walk = walkBuilt(sink, JetVersion::Jet3, built.rootPage);
    EXPECT_EQ(walk.entries.size(), 9u);
    EXPECT_EQ(walk.levels.back().size(), 5u);
}

}  // namespace
}  // namespace jet
