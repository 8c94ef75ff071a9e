// Long values: where each size goes (inline, one row, a chain) at the
// boundaries Access uses, and the stored value read back by the reader.
#include <gtest/gtest.h>

#include <memory>

#include "jet/file/page_store.h"
#include "jet/format/long_value.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"
#include "jet/write/long_value_writer.h"

using namespace jet;

namespace {

Blob data(size_t n) {
    Blob b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 31 + i / 256);
    return b;
}

enum class Placement { Inline, OneRow, Chain };

Placement placementOf(const std::vector<uint8_t>& reference) {
    uint8_t flags = reference.at(3) & 0xC0;
    return flags == 0x80 ? Placement::Inline : flags == 0x40 ? Placement::OneRow : Placement::Chain;
}

TEST(LongValueWriter, PlacesEachSizeWhereAccessDoes) {
    struct Case {
        JetVersion version;
        size_t size;
        size_t room;
        Placement placement;
        size_t newPages;  // pages the value adds (the open page counts once)
    } cases[] = {
        {JetVersion::Jet4, 0, 4000, Placement::Inline, 0},
        {JetVersion::Jet4, 64, 4000, Placement::Inline, 0},
        {JetVersion::Jet4, 64, 75, Placement::OneRow, 1},  // the row has no room left
        {JetVersion::Jet4, 65, 4000, Placement::OneRow, 1},
        {JetVersion::Jet4, 4076, 4000, Placement::OneRow, 1},
        {JetVersion::Jet4, 4077, 4000, Placement::Chain, 2},
        {JetVersion::Jet4, 3 * 4076, 4000, Placement::Chain, 3},
        {JetVersion::Ace14, 100000, 4000, Placement::Chain, 25},
        {JetVersion::Jet3, 32, 2000, Placement::Inline, 0},
        {JetVersion::Jet3, 33, 2000, Placement::OneRow, 1},
        {JetVersion::Jet3, 2032, 2000, Placement::OneRow, 1},
        {JetVersion::Jet3, 2033, 2000, Placement::Chain, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(formatName(c.version) + " " + std::to_string(c.size) + " bytes");
        MemoryPageSink sink(pageSizeOf(c.version));
        sink.allocate();
        LongValueWriter writer(sink, c.version);
        Blob value = data(c.size);
        std::vector<uint8_t> field = writer.store(value, c.room);
        writer.finish();
        EXPECT_EQ(placementOf(field), c.placement);
        EXPECT_EQ(field.size(), 12 + (c.placement == Placement::Inline ? c.size : 0));
        EXPECT_EQ(readU32(Bytes(field), 0) & 0x3FFFFFFF, c.size);
        EXPECT_EQ(readU32(Bytes(field), 8), 0u);
        EXPECT_EQ(writer.pages().size(), c.newPages);
        PageStore store(std::make_unique<MemoryFile>(sink.fileBytes()), sink.pageSize());
        EXPECT_EQ(readLongValue(store, c.version, Bytes(field)), value);
        for (uint32_t p : writer.pages()) {
            Bytes page(*store.page(p));
            EXPECT_EQ(page[0], kPageData);
            EXPECT_EQ(std::string(page.begin() + 4, page.begin() + 8), "LVAL");
        }
    }
}

// Values share the open long-value page until it is full; chained parts
// fill pages of their own and their short last part joins the open page.
TEST(LongValueWriter, ValuesShareThePageUntilItIsFull) {
    const JetVersion v = JetVersion::Jet4;
    MemoryPageSink sink(pageSizeOf(v));
    sink.allocate();
    LongValueWriter writer(sink, v);
    std::vector<std::pair<Blob, std::vector<uint8_t>>> stored;
    for (size_t size : {1000, 1000, 1000, 10000, 900, 1000}) {
        Blob value = data(size);
        std::vector<uint8_t> field = writer.store(value, 0);
        stored.emplace_back(std::move(value), std::move(field));
    }
    writer.finish();
    // The first shared page holds the three 1000-byte values; the chain's
    // 1852-byte tail row no longer fits there and opens the next shared
    // page, which the last two values join.
    PageStore store(std::make_unique<MemoryFile>(sink.fileBytes()), sink.pageSize());
    for (const auto& [value, field] : stored) {
        EXPECT_EQ(readLongValue(store, v, Bytes(field)), value);
    }
    RowPointer first = RowPointer::fromPacked(readU32(Bytes(stored[0].second), 4));
    RowPointer third = RowPointer::fromPacked(readU32(Bytes(stored[2].second), 4));
    EXPECT_EQ(first.page, third.page);
    EXPECT_EQ(third.row, 2);
    // 1 shared page, 2 full chain pages, 1 more shared page.
    EXPECT_EQ(writer.pages().size(), 4u);
}

}  // namespace
