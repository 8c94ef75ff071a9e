// Usage-map rows: what the writer encodes reads back through readUsageMap,
// and re-encoding the maps Access wrote gives Access's bytes.
#include <gtest/gtest.h>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/format/usage_map.h"
#include "jet/util/bytes.h"
#include "jet/write/page_sink.h"
#include "jet/write/usage_map_writer.h"
#include "support/fixtures.h"

namespace {

using namespace jet;

// A data page (owner 0, as Access keeps map rows) holding `row` as row 0.
PageBytes pageWithRow(JetVersion v, const std::vector<uint8_t>& row) {
    const size_t size = pageSizeOf(v);
    PageBytes page(size, 0);
    page[0] = kPageData;
    page[1] = 0x01;
    writeU16(page, rowCountOffset(v), 1);
    writeU16(page, rowTableOffset(v), static_cast<uint16_t>(size - row.size()));
    std::copy(row.begin(), row.end(), page.end() - static_cast<std::ptrdiff_t>(row.size()));
    return page;
}

struct MapCase {
    const char* name;
    JetVersion version;
    std::vector<uint32_t> pages;
    uint8_t expectedType;
    uint32_t expectedStart;   // inline maps only
    size_t expectedMapPages;  // bitmap pages allocated
};

TEST(TdefUsageMapTest, EncodedMapsReadBackAndTakeAccessShape) {
    const std::vector<MapCase> cases = {
        {"empty Jet 4", JetVersion::Jet4, {}, 0, 0, 0},
        {"empty Jet 3", JetVersion::Jet3, {}, 0, 0, 0},
        {"low pages stay at start 0", JetVersion::Jet4, {17, 18, 511}, 0, 0, 0},
        {"Jet 3 bitmap covers 1024 pages", JetVersion::Jet3, {3, 1023}, 0, 0, 0},
        {"high pages move the start", JetVersion::Jet4, {738, 739, 742}, 0, 736, 0},
        {"start rounds down to 8", JetVersion::Ace14, {1001, 1511}, 0, 1000, 0},
        {"too wide for inline", JetVersion::Jet4, {5, 517}, 1, 0, 1},
        {"Jet 3 just too wide", JetVersion::Jet3, {0, 1024}, 1, 0, 1},
        {"two bitmap stretches", JetVersion::Jet3, {7, 16351, 16352, 20000}, 1, 0, 2},
        {"only the second stretch", JetVersion::Jet3, {16400, 17500}, 1, 0, 1},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPageSink sink(pageSizeOf(c.version));
        const uint32_t rowPage = sink.allocate();
        const uint32_t before = sink.pageCount();
        std::vector<uint8_t> row = encodeUsageMap(sink, c.version, c.pages);
        EXPECT_EQ(row.size(), isJet3(c.version) ? 133u : 69u);
        EXPECT_EQ(row[0], c.expectedType);
        if (c.expectedType == 0) {
            EXPECT_EQ(readU32(Bytes(row), 1), c.expectedStart);
        }
        EXPECT_EQ(sink.pageCount() - before, c.expectedMapPages);

        sink.write(rowPage, pageWithRow(c.version, row));
        // The reader ignores pages past the end of the file: make the file reach them.
        while (!c.pages.empty() && sink.pageCount() <= c.pages.back()) sink.allocate();
        PageStore store(std::make_unique<MemoryFile>(sink.fileBytes()), sink.pageSize());
        EXPECT_EQ(readUsageMap(store, c.version, RowPointer{rowPage, 0}.packed()), c.pages);
    }
}

TEST(TdefUsageMapTest, RefusesWhatNoMapCanHold) {
    MemoryPageSink sink(pageSizeOf(JetVersion::Jet4));
    const std::vector<std::vector<uint32_t>> bad = {
        {5, 3},                  // descending
        {4, 4},                  // repeated
        {1, 17u * 32736u + 1u},  // beyond 17 bitmap pages
    };
    for (const auto& pages : bad) {
        EXPECT_THROW(encodeUsageMap(sink, JetVersion::Jet4, pages), Error);
    }
}

// Every map row Access wrote on the owner-0 pages of these files (inline,
// standard size) is re-encoded byte for byte.
TEST(TdefUsageMapTest, AccessMapRowsReencodeExactly) {
    size_t compared = 0, movedStart = 0;
    for (const char* rel : {"empty/emptyJet4.mdb", "adox_jet4.mdb", "V1997/testV1997.mdb",
                            "V1997/test2V1997.mdb", "V2000/testV2000.mdb", "V2007/testV2007.accdb",
                            "V2010/testV2010.accdb", "empty/empty2010.accdb"}) {
        auto db = Database::open(testing_support::fixture(rel).string());
        const JetVersion v = db->version();
        PageStore& pages = db->pages();
        for (uint32_t n = 1; n < pages.pageCount(); ++n) {
            PageRef page = pages.page(n);
            Bytes p(*page);
            if (p[0] != kPageData || dataPageOwner(p) != 0) continue;
            for (uint16_t r = 0; r < dataPageRowCount(p, v); ++r) {
                RowSlot slot = dataPageRow(p, v, r);
                if (slot.deleted || slot.overflow) continue;
                std::vector<uint8_t> stored(p.begin() + slot.start, p.begin() + slot.end);
                if (stored.size() != emptyUsageMap(v).size() || stored[0] != 0) continue;
                std::vector<uint32_t> listed =
                    readUsageMap(pages, v, RowPointer{n, uint8_t(r)}.packed());
                MemoryPageSink sink(pageSizeOf(v));
                EXPECT_EQ(encodeUsageMap(sink, v, listed), stored)
                    << rel << " page " << n << " row " << r;
                ++compared;
                if (readU32(Bytes(stored), 1) != 0) ++movedStart;
            }
        }
    }
    EXPECT_GE(compared, 300u);
    EXPECT_GE(movedStart, 3u);  // testV2000 holds maps that start at page 736
}

}  // namespace
