// The key collector: index order as the reader compares entries, compact
// storage, refused keys.
#include "jet/write/index_key_collector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "jet/error.h"
#include "jet/format/index_page.h"

namespace jet {
namespace {

IndexEntry toEntry(std::span<const uint8_t> key, RowPointer row) {
    IndexEntry e;
    e.key.assign(key.begin(), key.end());
    e.dataPage = row.page;
    e.dataRow = row.row;
    return e;
}

TEST(IndexKeyCollectorTest, SortsAsTheIndexOrdersEntries) {
    // Keys that are prefixes of one another, equal keys on different rows
    // (ordered by page, then row), and bytes above 0x7f (unsigned order).
    std::mt19937 random(7);
    std::vector<IndexEntry> expected;
    for (int i = 0; i < 5000; ++i) {
        std::vector<uint8_t> key(1 + random() % 6);
        for (auto& b : key) b = static_cast<uint8_t>(random() % 4 == 0 ? 0xff : random() % 3);
        const RowPointer row{static_cast<uint32_t>(random() % 300), static_cast<uint8_t>(random())};
        expected.push_back(toEntry(key, row));
    }
    std::sort(expected.begin(), expected.end(), indexEntryLess);
    expected.erase(std::unique(expected.begin(), expected.end(),
                               [](const IndexEntry& a, const IndexEntry& b) {
                                   return !indexEntryLess(a, b) && !indexEntryLess(b, a);
                               }),
                   expected.end());
    std::vector<IndexEntry> shuffled = expected;
    std::shuffle(shuffled.begin(), shuffled.end(), random);

    IndexKeyCollector collector;
    for (const auto& e : shuffled) collector.add(e.key, RowPointer{e.dataPage, e.dataRow});
    EXPECT_FALSE(collector.sorted());
    collector.sort();
    EXPECT_TRUE(collector.sorted());
    ASSERT_EQ(collector.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const IndexEntry got = toEntry(collector.key(i), collector.row(i));
        ASSERT_EQ(got.key, expected[i].key) << "entry " << i;
        ASSERT_EQ(got.dataPage, expected[i].dataPage) << "entry " << i;
        ASSERT_EQ(got.dataRow, expected[i].dataRow) << "entry " << i;
    }
}

TEST(IndexKeyCollectorTest, KnowsWhenKeysArriveInOrder) {
    IndexKeyCollector collector;
    const std::vector<uint8_t> a{0x7f, 0x01};
    const std::vector<uint8_t> b{0x7f, 0x02};
    collector.add(a, RowPointer{1, 0});
    collector.add(a, RowPointer{1, 1});
    collector.add(b, RowPointer{1, 0});
    EXPECT_TRUE(collector.sorted());
    collector.add(a, RowPointer{2, 0});
    EXPECT_FALSE(collector.sorted());
    collector.sort();
    EXPECT_EQ(collector.row(2), (RowPointer{2, 0}));
    EXPECT_EQ(collector.row(3), (RowPointer{1, 0}));
}

TEST(IndexKeyCollectorTest, AMillionShortKeysTakeTensOfMegabytes) {
    IndexKeyCollector collector;
    std::vector<uint8_t> key{0x7f, 0, 0, 0, 0, 0x00, 0x11, 0x22, 0x33, 0x44};
    for (uint32_t i = 0; i < 1'000'000; ++i) {
        const uint32_t scrambled = i * 2654435761u;
        for (int b = 0; b < 4; ++b) key[1 + b] = static_cast<uint8_t>(scrambled >> (24 - 8 * b));
        collector.add(key, RowPointer{i / 100 + 1, static_cast<uint8_t>(i % 100)});
    }
    EXPECT_EQ(collector.size(), 1'000'000u);
    // 10 key bytes and a 16-byte record each, with room for the vectors' growth.
    EXPECT_LT(collector.memoryBytes(), 64u << 20);
}

TEST(IndexKeyCollectorTest, RefusesKeysNoIndexCanHold) {
    IndexKeyCollector collector;
    const std::vector<uint8_t> empty;
    const std::vector<uint8_t> huge(5000, 0x7f);
    const std::vector<uint8_t> fine{0x7f};
    EXPECT_THROW(collector.add(empty, RowPointer{1, 0}), Error);
    EXPECT_THROW(collector.add(huge, RowPointer{1, 0}), Error);
    EXPECT_THROW(collector.add(fine, RowPointer{0x1000000, 0}), Error);
    EXPECT_EQ(collector.size(), 0u);
}

}  // namespace
}  // namespace jet
