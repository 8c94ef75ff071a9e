// Index page parsing: the B-trees Access wrote, and damaged pages.
#include "jet/format/index_page.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"

namespace jet {
namespace {

// ---------------------------------------------------------------------------
// Whole indexes from Access files: intermediate entries name the last entry
// of their child, leaves are chained in order, entries ascend across pages
// and every row pointer leads to a live row of the table.

// An index read from its root down: the leaf entries in tree order and the
// leaf pages in the order the tree lists them.
struct IndexWalk {
    std::vector<IndexEntry> entries;
    std::vector<uint32_t> leafPages;
    size_t nodePages = 0;
};

// Throws std::runtime_error when an intermediate entry is not the last entry
// of its child, or when the tree does not stay within the table.
void walkPage(Database& db, uint32_t tableDefPage, uint32_t pageNumber, int depth,
              IndexWalk& walk) {
    if (depth > 16) throw std::runtime_error("index tree too deep");
    const IndexPage page = parseIndexPage(*db.pages().page(pageNumber), isJet3(db.version()));
    if (page.tableDefPage != tableDefPage) {
        throw std::runtime_error("index page " + std::to_string(pageNumber) +
                                 " belongs to another table");
    }
    if (page.leaf) {
        walk.leafPages.push_back(pageNumber);
        walk.entries.insert(walk.entries.end(), page.entries.begin(), page.entries.end());
        return;
    }
    ++walk.nodePages;
    bool tailListed = page.tailPage == 0;
    for (const auto& entry : page.entries) {
        const size_t before = walk.entries.size();
        walkPage(db, tableDefPage, entry.childPage, depth + 1, walk);
        tailListed = tailListed || entry.childPage == page.tailPage;
        if (walk.entries.size() == before) continue;
        const IndexEntry& last = walk.entries.back();
        if (last.key != entry.key || last.dataPage != entry.dataPage ||
            last.dataRow != entry.dataRow) {
            throw std::runtime_error("intermediate entry on page " + std::to_string(pageNumber) +
                                     " is not the last entry of its child");
        }
    }
    // The tail child holds entries appended since the page was last rebuilt.
    if (!tailListed) walkPage(db, tableDefPage, page.tailPage, depth + 1, walk);
}

struct TreeCase {
    const char* file;
    size_t minIndexes;
    size_t minNodePages;      // intermediate pages seen, so they are exercised
    size_t minPrefixedPages;  // leaf pages using a shared prefix
};

void PrintTo(const TreeCase& c, std::ostream* os) {
    *os << c.file;
}

class IndexTreeTest : public ::testing::TestWithParam<TreeCase> {};

TEST_P(IndexTreeTest, TreesAreConsistentAndOrdered) {
    const TreeCase& c = GetParam();
    auto db = Database::open(testing_support::fixture(c.file));
    const bool jet3 = isJet3(db->version());
    size_t indexes = 0;
    size_t nodePages = 0;
    size_t prefixedPages = 0;
    for (const CatalogObject* object : db->tables(true)) {
        auto table = db->tableAt(object->tdefPage(), object->name);
        for (const RealIndexDef& index : table->realIndexes) {
            ++indexes;
            IndexWalk walk;
            ASSERT_NO_THROW(walkPage(*db, table->tdefPage, index.rootPage, 0, walk))
                << "table page " << table->tdefPage;
            nodePages += walk.nodePages;

            for (size_t i = 1; i < walk.entries.size(); ++i) {
                EXPECT_TRUE(indexEntryLess(walk.entries[i - 1], walk.entries[i]))
                    << "table page " << table->tdefPage << " entry " << i;
            }
            for (size_t i = 0; i < walk.leafPages.size(); ++i) {
                const PageRef page = db->pages().page(walk.leafPages[i]);
                const IndexPage leaf = parseIndexPage(*page, jet3);
                const uint32_t expectedPrev = i == 0 ? 0 : walk.leafPages[i - 1];
                const uint32_t expectedNext =
                    i + 1 == walk.leafPages.size() ? 0 : walk.leafPages[i + 1];
                EXPECT_EQ(leaf.prevPage, expectedPrev) << "leaf " << walk.leafPages[i];
                EXPECT_EQ(leaf.nextPage, expectedNext) << "leaf " << walk.leafPages[i];
                const size_t prefixAt = jet3 ? 0x14 : 0x18;
                if ((*page)[prefixAt] != 0 && leaf.entries.size() > 1) ++prefixedPages;
            }
            for (const auto& entry : walk.entries) {
                EXPECT_TRUE(readRow(*db, *table, RowPointer{entry.dataPage, entry.dataRow}))
                    << "row " << entry.dataPage << "/" << int(entry.dataRow);
            }
        }
    }
    EXPECT_GE(indexes, c.minIndexes);
    EXPECT_GE(nodePages, c.minNodePages);
    EXPECT_GE(prefixedPages, c.minPrefixedPages);
}

INSTANTIATE_TEST_SUITE_P(AccessFiles, IndexTreeTest,
                         ::testing::Values(TreeCase{"V1997/testIndexCodesV1997.mdb", 40, 8, 3},
                                           TreeCase{"V1997/compIndexTestV1997.mdb", 5, 1, 1},
                                           TreeCase{"V2000/compIndexTestV2000.mdb", 5, 1, 1},
                                           TreeCase{"V2007/indexTestV2007.accdb", 10, 0, 0},
                                           TreeCase{"V2010/compIndexTestV2010.accdb", 5, 1, 1}),
                         [](const auto& param) {
                             std::string name = param.param.file;
                             name = name.substr(name.find('/') + 1);
                             return name.substr(0, name.find('.'));
                         });

// ---------------------------------------------------------------------------
// Built pages: prefix compression and damage.

struct PageFormat {
    bool jet3;
    size_t size, prev, next, tail, prefix, mask, entries;
};
constexpr PageFormat kJet3{true, 2048, 0x08, 0x0c, 0x10, 0x14, 0x16, 0xf8};
constexpr PageFormat kJet4{false, 4096, 0x0c, 0x10, 0x14, 0x18, 0x1b, 0x1e0};

void putU32(std::vector<uint8_t>& page, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) page[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A page holding `stored` entries as written (the first in full, the others
// without the shared prefix), with their end bits set.
std::vector<uint8_t> buildPage(const PageFormat& f, uint8_t type, size_t prefixLength,
                               const std::vector<std::vector<uint8_t>>& stored) {
    std::vector<uint8_t> page(f.size, 0);
    page[0] = type;
    page[1] = 0x01;
    putU32(page, 4, 77);
    putU32(page, f.prev, 11);
    putU32(page, f.next, 12);
    putU32(page, f.tail, 13);
    page[f.prefix] = static_cast<uint8_t>(prefixLength);
    size_t end = 0;
    for (const auto& e : stored) {
        std::copy(e.begin(), e.end(), page.begin() + static_cast<std::ptrdiff_t>(f.entries + end));
        end += e.size();
        page[f.mask + end / 8] |= static_cast<uint8_t>(1u << (end % 8));
    }
    return page;
}

TEST(IndexPageTest, RestoresSharedPrefixesOnLeafAndIntermediatePages) {
    for (const PageFormat* f : {&kJet3, &kJet4}) {
        // Leaf: key 7f 00 00 00 01 -> page 0x000105 row 3, then keys ...02 and ...03
        // stored without the 4-byte prefix 7f 00 00 00.
        auto leaf = buildPage(*f, 0x04, 4,
                              {{0x7f, 0, 0, 0, 1, 0x00, 0x01, 0x05, 0x03},
                               {0x02, 0x00, 0x01, 0x05, 0x04},
                               {0x03, 0x01, 0x00, 0x00, 0x00}});
        IndexPage p = parseIndexPage(leaf, f->jet3);
        EXPECT_TRUE(p.leaf);
        EXPECT_EQ(p.tableDefPage, 77u);
        EXPECT_EQ(p.prevPage, 11u);
        EXPECT_EQ(p.nextPage, 12u);
        EXPECT_EQ(p.tailPage, 13u);
        ASSERT_EQ(p.entries.size(), 3u);
        EXPECT_EQ(p.entries[1].key, (std::vector<uint8_t>{0x7f, 0, 0, 0, 2}));
        EXPECT_EQ(p.entries[1].dataPage, 0x105u);
        EXPECT_EQ(p.entries[1].dataRow, 4);
        EXPECT_EQ(p.entries[2].dataPage, 0x10000u);  // big-endian: high byte first

        // Intermediate: the prefix may reach into the row pointer.
        auto node = buildPage(*f, 0x03, 6,
                              {{0x7f, 0x41, 0x00, 0x00, 0x00, 0x02, 0x07, 0x00, 0x00, 0x01, 0x02},
                               {0x09, 0x00, 0x00, 0x01, 0x03}});
        p = parseIndexPage(node, f->jet3);
        EXPECT_FALSE(p.leaf);
        ASSERT_EQ(p.entries.size(), 2u);
        EXPECT_EQ(p.entries[0].childPage, 0x102u);
        EXPECT_EQ(p.entries[1].key, (std::vector<uint8_t>{0x7f, 0x41, 0x00}));
        EXPECT_EQ(p.entries[1].dataPage, 2u);
        EXPECT_EQ(p.entries[1].dataRow, 9);
        EXPECT_EQ(p.entries[1].childPage, 0x103u);
    }
}

TEST(IndexPageTest, EmptyPageHasNoEntries) {
    for (const PageFormat* f : {&kJet3, &kJet4}) {
        auto page = buildPage(*f, 0x04, 0, {});
        EXPECT_TRUE(parseIndexPage(page, f->jet3).entries.empty());
    }
}

TEST(IndexPageTest, DamagedPagesAreReportedAsCorrupt) {
    using Edit = void (*)(std::vector<uint8_t>&, const PageFormat&);
    struct Case {
        const char* name;
        Edit edit;
    };
    const Case cases[] = {
        {"not an index page", [](auto& p, const auto&) { p[0] = 0x01; }},
        {"truncated page", [](auto& p, const auto&) { p.resize(p.size() - 1); }},
        {"prefix longer than the first entry", [](auto& p, const auto& f) { p[f.prefix] = 10; }},
        {"entry too short for its pointer",
         [](auto& p, const auto& f) {
             std::fill(p.begin() + static_cast<std::ptrdiff_t>(f.mask),
                       p.begin() + static_cast<std::ptrdiff_t>(f.entries), 0);
             p[f.mask] = 0x08;  // an entry of 3 bytes
         }},
        {"entry past the end of the page", [](auto& p, const auto& f) { p[f.entries - 1] = 0x80; }},
        {"entries out of order", [](auto& p, const auto& f) { p[f.entries + 1] = 0x05; }},
        {"empty page with a prefix",
         [](auto& p, const auto& f) {
             std::fill(p.begin() + static_cast<std::ptrdiff_t>(f.mask),
                       p.begin() + static_cast<std::ptrdiff_t>(f.entries), 0);
             p[f.prefix] = 1;
         }},
    };
    for (const PageFormat* f : {&kJet3, &kJet4}) {
        for (const auto& c : cases) {
            auto page = buildPage(
                *f, 0x04, 0,
                {{0x7f, 0x01, 0x00, 0x00, 0x02, 0x00}, {0x7f, 0x02, 0x00, 0x00, 0x02, 0x01}});
            ASSERT_NO_THROW(parseIndexPage(page, f->jet3));
            c.edit(page, *f);
            try {
                parseIndexPage(page, f->jet3);
                ADD_FAILURE() << c.name << ": accepted";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), ErrorCode::Corrupt) << c.name;
            }
        }
    }
}

}  // namespace
}  // namespace jet
