// Long values stored as a chain of rows on long-value pages, built by hand:
// a chain must deliver its parts in order, and a damaged chain (one that
// loops or stops early) must end in jet::Error (Corrupt) rather than in
// repeated bytes passed off as data.
#include <gtest/gtest.h>

#include <vector>

#include "jet/file/page_store.h"
#include "jet/format/long_value.h"
#include "jet/format/page_types.h"

using namespace jet;

namespace {

constexpr uint32_t kPageSize = 4096;

struct ChainRow {
    uint32_t page;
    uint8_t row;
    RowPointer next;  // {0, 0} ends the chain
    uint8_t fill;     // each part is 100 bytes of this value
};

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A Jet 4 file of `pages` pages whose long-value pages hold the given rows,
// each a 4-byte link followed by 100 bytes of data. Rows of one page must be
// listed in row order.
std::unique_ptr<PageStore> storeWith(const std::vector<ChainRow>& rows, uint32_t pages = 4) {
    std::vector<uint8_t> file(static_cast<size_t>(pages) * kPageSize, 0);
    std::vector<uint16_t> used(pages, 0), end(pages, kPageSize);
    for (const ChainRow& r : rows) {
        size_t base = static_cast<size_t>(r.page) * kPageSize;
        file[base] = kPageData;
        file[base + 1] = 0x01;
        uint16_t start = static_cast<uint16_t>(end[r.page] - 104);
        put32(file, base + start, r.next.packed());
        std::fill(file.begin() + static_cast<std::ptrdiff_t>(base + start + 4),
                  file.begin() + static_cast<std::ptrdiff_t>(base + start + 104), r.fill);
        put16(file, base + 14 + 2u * r.row, start);
        end[r.page] = start;
        used[r.page] = static_cast<uint16_t>(r.row + 1);
        put16(file, base + 12, used[r.page]);
    }
    return std::make_unique<PageStore>(std::make_unique<MemoryFile>(std::move(file)), kPageSize);
}

// The 12-byte reference of a multi-page long value.
std::vector<uint8_t> reference(uint32_t length, RowPointer first) {
    std::vector<uint8_t> field(12, 0);
    put32(field, 0, length);
    put32(field, 4, first.packed());
    return field;
}

TEST(LongValueChain, PartsComeInChainOrder) {
    auto pages = storeWith({{1, 0, {2, 0}, 0xAA}, {2, 0, {1, 1}, 0xBB}, {1, 1, {0, 0}, 0xCC}});
    Blob b = readLongValue(*pages, JetVersion::Jet4, reference(250, {1, 0}));
    ASSERT_EQ(b.size(), 250u);
    EXPECT_EQ(b[0], 0xAA);
    EXPECT_EQ(b[100], 0xBB);
    EXPECT_EQ(b[200], 0xCC);
    EXPECT_EQ(b[249], 0xCC);
}

TEST(LongValueChain, DamagedChainsAreCorrupt) {
    struct Case {
        const char* what;
        std::vector<ChainRow> rows;
        uint32_t length;
    };
    const std::vector<Case> cases = {
        // Short enough that the loop could fill the length from its own bytes.
        {"a row that links to itself", {{1, 0, {1, 0}, 0xAA}}, 300},
        {"two rows that link to each other", {{1, 0, {2, 0}, 0xAA}, {2, 0, {1, 0}, 0xBB}}, 350},
        {"a loop back to the middle of the chain",
         {{1, 0, {2, 0}, 0xAA}, {2, 0, {3, 0}, 0xBB}, {3, 0, {2, 0}, 0xCC}},
         390},
        {"a chain that stops before its length", {{1, 0, {2, 0}, 0xAA}, {2, 0, {0, 0}, 0xBB}}, 250},
        {"a link to a page beyond the file", {{1, 0, {9, 0}, 0xAA}}, 150},
    };
    for (const Case& c : cases) {
        auto pages = storeWith(c.rows);
        try {
            readLongValue(*pages, JetVersion::Jet4, reference(c.length, {1, 0}));
            ADD_FAILURE() << c.what << ": read without an error";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Corrupt) << c.what << ": " << e.what();
        }
    }
}

}  // namespace
