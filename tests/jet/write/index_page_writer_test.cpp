// Index page encoding: every index page Access wrote in the test files comes
// back byte for byte from its parsed form, and bad input is refused.
#include "jet/format/index_page_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "index_test_support.h"
#include "jet/error.h"
#include "jet/format/page_types.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using index_test::pageOf;
using index_test::readWholeFile;
using index_test::versionOfFile;

struct RawLayout {
    size_t prefixLength;
    bool widePrefix;
    size_t entriesStart;
};

RawLayout rawLayout(JetVersion v) {
    return isJet3(v) ? RawLayout{0x14, false, 0xf8} : RawLayout{0x18, true, 0x1e0};
}

size_t storedPrefixLength(const std::vector<uint8_t>& page, JetVersion v) {
    const RawLayout l = rawLayout(v);
    return l.widePrefix ? page[l.prefixLength] | (page[l.prefixLength + 1] << 8)
                        : page[l.prefixLength];
}

size_t freeSpace(const std::vector<uint8_t>& page) {
    return page[2] | (page[3] << 8);
}

// Access leaves old bytes after the last entry when entries move to another
// page; those bytes mean nothing. The page with them cleared.
std::vector<uint8_t> withoutLeftovers(std::vector<uint8_t> page) {
    const size_t end = page.size() - freeSpace(page);
    std::fill(page.begin() + static_cast<std::ptrdiff_t>(end), page.end(), 0);
    return page;
}

// Where the first byte of two pages differs, for messages.
std::string firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia == a.end() && ib == b.end()) return "none";
    return "offset " + std::to_string(ia - a.begin());
}

// Entries that fit uncompressed: Access stores no prefix then, so a prefix on
// such a page is one Access kept after the page lost entries.
bool fitsUncompressed(const IndexPage& page, JetVersion v) {
    size_t total = 0;
    for (const auto& e : page.entries) total += indexEntrySize(e, page.leaf);
    return total <= indexPageCapacityBytes(v);
}

struct FileCounts {
    size_t pages = 0;
    size_t nodePages = 0;
    size_t prefixedPages = 0;
    size_t leftoverPages = 0;  // pages with old bytes after their last entry
    size_t stalePrefixPages = 0;
};

// Checks every index page of one fixture; returns what it saw.
FileCounts checkFixturePages(const std::string& relative) {
    FileCounts counts;
    const std::vector<uint8_t> file = readWholeFile(testing_support::fixture(relative));
    const JetVersion v = versionOfFile(file);
    const uint32_t pageCount = static_cast<uint32_t>(file.size() / pageSizeOf(v));
    for (uint32_t n = 1; n < pageCount; ++n) {
        const std::vector<uint8_t> access = pageOf(file, v, n);
        if (access[0] != kPageIndexLeaf && access[0] != kPageIndexNode) continue;
        SCOPED_TRACE(relative + " page " + std::to_string(n));
        ++counts.pages;
        const IndexPage parsed = parseIndexPage(access, isJet3(v));
        const size_t prefix = storedPrefixLength(access, v);
        counts.nodePages += parsed.leaf ? 0 : 1;
        counts.prefixedPages += prefix > 0 ? 1 : 0;

        const std::vector<uint8_t> expected = withoutLeftovers(access);
        counts.leftoverPages += expected != access ? 1 : 0;
        const PageBytes exact = encodeIndexPage(parsed, v, prefix);
        EXPECT_EQ(exact, expected) << "first difference at " << firstDifference(exact, expected);

        // Access's own choice of prefix, except where it kept an old one.
        const PageBytes chosen = encodeIndexPage(parsed, v);
        if (chosen != expected) {
            const bool stale = prefix > 0 && fitsUncompressed(parsed, v);
            EXPECT_TRUE(stale) << "prefix " << prefix << ", first difference at "
                               << firstDifference(chosen, expected);
            counts.stalePrefixPages += stale ? 1 : 0;
        }
    }
    return counts;
}

TEST(IndexPageWriterTest, EveryAccessIndexPageIsReproduced) {
    FileCounts total;
    size_t jet3Pages = 0;
    size_t filesWithStalePrefix = 0;
    for (const std::string& relative : testing_support::allFixtures()) {
        if (relative.starts_with("encrypted/")) continue;
        const FileCounts c = checkFixturePages(relative);
        total.pages += c.pages;
        total.nodePages += c.nodePages;
        total.prefixedPages += c.prefixedPages;
        total.leftoverPages += c.leftoverPages;
        total.stalePrefixPages += c.stalePrefixPages;
        filesWithStalePrefix += c.stalePrefixPages > 0 ? 1 : 0;
        if (relative.starts_with("V1997/")) jet3Pages += c.pages;
    }
    // The fixtures hold index pages of every kind, so the comparison above
    // covered leaves, intermediate pages, prefix compression and Jet 3.
    EXPECT_GT(total.pages, 1000u);
    EXPECT_GT(jet3Pages, 150u);
    EXPECT_GE(total.nodePages, 15u);
    EXPECT_GE(total.prefixedPages, 15u);
    EXPECT_GT(total.leftoverPages, 0u);
    // Pages that shrank after compression (binIdxTestV2010, odbcLinkerTestV2007).
    EXPECT_EQ(total.stalePrefixPages, 3u);
    EXPECT_EQ(filesWithStalePrefix, 2u);
}

// ---------------------------------------------------------------------------
// Built pages

IndexEntry entry(std::vector<uint8_t> key, uint32_t page, uint8_t row, uint32_t child = 0) {
    IndexEntry e;
    e.key = std::move(key);
    e.dataPage = page;
    e.dataRow = row;
    e.childPage = child;
    return e;
}

// `count` leaf entries sharing the leading bytes 7f 10 20, each 13 bytes long.
std::vector<IndexEntry> sharedPrefixEntries(size_t count) {
    std::vector<IndexEntry> out;
    for (size_t i = 0; i < count; ++i) {
        out.push_back(entry({0x7f, 0x10, 0x20, 0x30, static_cast<uint8_t>(i >> 16),
                             static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i), 0x01, 0x02},
                            static_cast<uint32_t>(0x100 + i / 100), static_cast<uint8_t>(i % 100)));
    }
    return out;
}

TEST(IndexPageWriterTest, CompressesOnlyAPageThatWouldNotFitOtherwise) {
    for (JetVersion v : {JetVersion::Jet3, JetVersion::Jet4, JetVersion::Ace14}) {
        SCOPED_TRACE(formatName(v));
        const size_t capacity = indexPageCapacityBytes(v);
        const size_t fullCount = capacity / 13;  // entries of 13 bytes that fit in full
        for (size_t count : {fullCount, fullCount + 1}) {
            IndexPage page;
            page.leaf = true;
            page.tableDefPage = 42;
            page.entries = sharedPrefixEntries(count);
            const PageBytes bytes = encodeIndexPage(page, v);
            const size_t prefix = storedPrefixLength(bytes, v);
            // All keys share 7f 10 20 30 00 (i >> 16), and i >> 8 while i < 256.
            const size_t shared = count - 1 < 256 ? 6 : 5;
            EXPECT_EQ(prefix, count == fullCount ? 0u : shared) << count << " entries";
            EXPECT_EQ(freeSpace(bytes), capacity - (13 * count - prefix * (count - 1)));
            const IndexPage back = parseIndexPage(bytes, isJet3(v));
            ASSERT_EQ(back.entries.size(), count);
            for (size_t i = 0; i < count; ++i) {
                EXPECT_EQ(back.entries[i].key, page.entries[i].key);
                EXPECT_EQ(back.entries[i].dataPage, page.entries[i].dataPage);
                EXPECT_EQ(back.entries[i].dataRow, page.entries[i].dataRow);
            }
            EXPECT_EQ(back.tableDefPage, 42u);
        }
    }
}

TEST(IndexPageWriterTest, IntermediatePagesKeepPointersAndFlag) {
    for (JetVersion v : {JetVersion::Jet3, JetVersion::Jet4}) {
        IndexPage page;
        page.leaf = false;
        page.tableDefPage = 7;
        page.prevPage = 11;
        page.nextPage = 13;
        page.tailPage = 99;
        page.entries = {entry({0x7f, 0x01}, 0x123456, 3, 20), entry({0x7f, 0x02}, 5, 0, 21)};
        const PageBytes bytes = encodeIndexPage(page, v);
        EXPECT_EQ(bytes[0], kPageIndexNode);
        EXPECT_EQ(bytes[1], 1);
        EXPECT_EQ(bytes[isJet3(v) ? 0x15 : 0x1a], 1) << "intermediate flag";
        const IndexPage back = parseIndexPage(bytes, isJet3(v));
        EXPECT_EQ(back.prevPage, 11u);
        EXPECT_EQ(back.nextPage, 13u);
        EXPECT_EQ(back.tailPage, 99u);
        ASSERT_EQ(back.entries.size(), 2u);
        EXPECT_EQ(back.entries[0].dataPage, 0x123456u);
        EXPECT_EQ(back.entries[0].childPage, 20u);
        EXPECT_EQ(back.entries[1].childPage, 21u);
    }
}

TEST(IndexPageWriterTest, EmptyLeafReportsTheWholeAreaFree) {
    for (JetVersion v : {JetVersion::Jet3, JetVersion::Jet4}) {
        IndexPage page;
        page.leaf = true;
        page.tableDefPage = 5;
        const PageBytes bytes = encodeIndexPage(page, v);
        EXPECT_EQ(bytes.size(), pageSizeOf(v));
        EXPECT_EQ(freeSpace(bytes), isJet3(v) ? 1800u : 3616u);
        EXPECT_TRUE(parseIndexPage(bytes, isJet3(v)).entries.empty());
    }
}

// IndexPageSpace cuts pages exactly where encodeIndexPage stops accepting
// entries, with and without compression, on leaves and intermediate pages.
TEST(IndexPageWriterTest, PageSpaceAgreesWithTheEncoder) {
    struct Case {
        JetVersion v;
        bool leaf;
        size_t keyLength;  // varied lengths make entries of different sizes
        size_t shared;     // leading bytes all keys share
    };
    for (const Case& c : {Case{JetVersion::Jet3, true, 6, 4}, Case{JetVersion::Jet3, false, 30, 0},
                          Case{JetVersion::Jet4, true, 9, 7}, Case{JetVersion::Jet4, false, 12, 2},
                          Case{JetVersion::Ace14, true, 40, 30}}) {
        SCOPED_TRACE(formatName(c.v) + (c.leaf ? " leaf" : " node"));
        IndexPageSpace space(c.v, c.leaf);
        IndexPage page;
        page.leaf = c.leaf;
        for (uint32_t i = 0;; ++i) {
            std::vector<uint8_t> key(c.shared, 0x7f);
            key.push_back(static_cast<uint8_t>(i >> 8));
            key.push_back(static_cast<uint8_t>(i));
            key.resize(c.shared + 2 + (i % 3) * c.keyLength / 3, 0x41);
            IndexEntry e = entry(std::move(key), 0x200 + i, 0, c.leaf ? 0 : 1000 + i);
            IndexPage bigger = page;
            bigger.entries.push_back(e);
            bool encodes = true;
            try {
                encodeIndexPage(bigger, c.v);
            } catch (const Error&) {
                encodes = false;
            }
            ASSERT_EQ(space.fitsWith(e), encodes) << "entry " << i;
            if (!encodes) break;
            space.add(e);
            page = std::move(bigger);
            const PageBytes bytes = encodeIndexPage(page, c.v);
            ASSERT_EQ(space.usedBytes(), indexPageCapacityBytes(c.v) - freeSpace(bytes));
        }
        EXPECT_GT(page.entries.size(), 10u);
    }
}

TEST(IndexPageWriterTest, RefusesPagesItCannotWrite) {
    const auto key = [](uint8_t b) { return std::vector<uint8_t>{0x7f, b}; };
    struct Case {
        const char* what;
        std::vector<IndexEntry> entries;
        int prefix;  // -1: Access's choice
    };
    const Case cases[] = {
        {"out of order", {entry(key(2), 1, 0), entry(key(1), 1, 0)}, -1},
        {"repeated entry", {entry(key(1), 1, 0), entry(key(1), 1, 0)}, -1},
        {"empty key", {entry({}, 1, 0)}, -1},
        {"data page too large", {entry(key(1), 0x1000000, 0)}, -1},
        {"one entry larger than a page", {entry(std::vector<uint8_t>(4000, 1), 1, 0)}, -1},
        {"too many entries", sharedPrefixEntries(2000), -1},
        {"prefix longer than shared", {entry(key(1), 1, 0), entry(key(2), 1, 0)}, 2},
        {"prefix on a single entry", {entry(key(1), 1, 0)}, 1},
    };
    for (const Case& c : cases) {
        IndexPage page;
        page.leaf = true;
        page.entries = c.entries;
        try {
            if (c.prefix < 0) {
                encodeIndexPage(page, JetVersion::Jet4);
            } else {
                encodeIndexPage(page, JetVersion::Jet4, static_cast<size_t>(c.prefix));
            }
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::InvalidArgument) << c.what;
        }
    }
    // The shared prefix of a page may not swallow a later entry whole.
    IndexPage page;
    page.leaf = true;
    page.entries = {entry(key(1), 1, 0), entry(key(1), 1, 1)};
    EXPECT_NO_THROW(encodeIndexPage(page, JetVersion::Jet4, 5));
    EXPECT_THROW(encodeIndexPage(page, JetVersion::Jet4, 6), Error);
}

}  // namespace
}  // namespace jet
