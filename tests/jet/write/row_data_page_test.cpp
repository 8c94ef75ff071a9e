// Data pages: rebuilt from the rows of Access-made pages, the header, the
// free-space field, the offset table and the row area come out as Access
// wrote them; and the builder's limits.
#include <gtest/gtest.h>

#include <string>

#include "jet/catalog/database.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/format/data_page_builder.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

bool isLongValuePage(Bytes p) {
    return std::string(p.begin() + 4, p.begin() + 8) == "LVAL";
}

// Rebuilds every data page of the file that has no deleted or moved rows
// and returns how many matched; failures name the page.
size_t rebuildDataPages(const std::string& fixture) {
    auto db = Database::open(testing_support::fixture(fixture).string());
    const JetVersion v = db->version();
    size_t matched = 0;
    for (uint32_t n = 1; n < db->pages().pageCount(); ++n) {
        PageRef page = db->pages().page(n);
        Bytes p(*page);
        if (p[0] != kPageData) continue;
        uint16_t count = dataPageRowCount(p, v);
        bool plain = count > 0;
        for (uint16_t r = 0; r < count && plain; ++r) {
            RowSlot s = dataPageRow(p, v, r);
            plain = !s.deleted && !s.overflow;
        }
        if (!plain) continue;

        DataPageBuilder b = isLongValuePage(p) ? DataPageBuilder::forLongValues(v)
                                               : DataPageBuilder(v, dataPageOwner(p));
        for (uint16_t r = 0; r < count; ++r) {
            RowSlot s = dataPageRow(p, v, r);
            if (!b.fits(s.end - s.start)) {
                ADD_FAILURE() << fixture << " page " << n << ": row " << r << " does not fit";
                return matched;
            }
            EXPECT_EQ(b.add(p.subspan(s.start, s.end - s.start)), r);
        }
        PageBytes ours = b.bytes();
        // Long-value pages of Jet 4 files carry a number of Access's own in
        // the four bytes after the owner; table pages have zeros there.
        if (!isJet3(v) && isLongValuePage(p))
            std::copy(p.begin() + 8, p.begin() + 12, ours.begin() + 8);
        size_t headerEnd = rowTableOffset(v) + 2u * count;
        size_t rowsStart = dataPageRow(p, v, static_cast<uint16_t>(count - 1)).start;
        bool same = std::equal(ours.begin(), ours.begin() + static_cast<std::ptrdiff_t>(headerEnd),
                               p.begin()) &&
                    std::equal(ours.begin() + rowsStart, ours.end(), p.begin() + rowsStart);
        // Access leaves old bytes in the free gap; ours is zeros.
        bool gapClear = std::all_of(ours.begin() + static_cast<std::ptrdiff_t>(headerEnd),
                                    ours.begin() + rowsStart, [](uint8_t x) { return x == 0; });
        EXPECT_TRUE(same) << fixture << " page " << n;
        EXPECT_TRUE(gapClear) << fixture << " page " << n;
        EXPECT_EQ(b.freeSpace(), readU16(p, 2)) << fixture << " page " << n;
        matched += same ? 1 : 0;
    }
    return matched;
}

TEST(DataPageBuilder, RebuildsAccessPages) {
    const char* fixtures[] = {"V1997/testV1997.mdb",   "V1997/indexTestV1997.mdb",
                              "V2000/testV2000.mdb",   "V2007/testV2007.accdb",
                              "V2010/testV2010.accdb", "empty/emptyJet4.mdb"};
    size_t total = 0;
    for (const char* f : fixtures) {
        size_t n = rebuildDataPages(f);
        EXPECT_GT(n, 3u) << f;
        total += n;
    }
    std::printf("%zu Access data pages rebuilt byte for byte\n", total);
}

TEST(DataPageBuilder, Limits) {
    for (JetVersion v : {JetVersion::Jet3, JetVersion::Jet4}) {
        SCOPED_TRACE(formatName(v));
        const size_t page = pageSizeOf(v);
        EXPECT_EQ(DataPageBuilder::maxRowSize(v), page == 2048 ? 2012u : 4060u);
        EXPECT_EQ(DataPageBuilder::maxPhysicalRowSize(v), page - rowTableOffset(v) - 2);

        // One row of the largest physical size fills the page exactly.
        DataPageBuilder full(v, 4);
        std::vector<uint8_t> big(DataPageBuilder::maxPhysicalRowSize(v), 0x11);
        EXPECT_TRUE(full.fits(big.size()));
        EXPECT_FALSE(full.fits(big.size() + 1));
        full.add(big);
        EXPECT_EQ(full.freeSpace(), 0u);
        EXPECT_FALSE(full.fits(0));
        EXPECT_THROW(full.add(std::vector<uint8_t>(1)), Error);

        // A row number has 8 bits: no more than 255 rows, however small.
        DataPageBuilder many(v, 4);
        std::vector<uint8_t> tiny(3, 0x22);
        while (many.fits(tiny.size())) many.add(tiny);
        EXPECT_EQ(many.rowCount(), DataPageBuilder::kMaxRowsPerPage);
        PageBytes bytes = many.bytes();
        EXPECT_EQ(dataPageRowCount(Bytes(bytes), v), 255);
        RowSlot last = dataPageRow(Bytes(bytes), v, 254);
        EXPECT_EQ(last.start, page - 255u * 3u);

        many.clear();
        EXPECT_EQ(many.rowCount(), 0u);
        EXPECT_EQ(many.freeSpace(), page - rowTableOffset(v));
        EXPECT_EQ(dataPageOwner(Bytes(many.bytes())), 4u);
    }
}

}  // namespace
