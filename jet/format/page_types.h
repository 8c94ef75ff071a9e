// The first byte of every page says what it holds.
#pragma once

#include <cstdint>
#include <vector>

namespace jet {

// The plain bytes of one whole page.
using PageBytes = std::vector<uint8_t>;

constexpr uint8_t kPageHeader = 0x00;
constexpr uint8_t kPageData = 0x01;
constexpr uint8_t kPageTableDef = 0x02;
constexpr uint8_t kPageIndexNode = 0x03;
constexpr uint8_t kPageIndexLeaf = 0x04;
constexpr uint8_t kPageUsageMap = 0x05;

// A row pointer packs a page number (upper 24 bits) and a row number on
// that page (lower 8 bits).
struct RowPointer {
    uint32_t page = 0;
    uint8_t row = 0;
    static RowPointer fromPacked(uint32_t v) { return RowPointer{v >> 8, static_cast<uint8_t>(v)}; }
    uint32_t packed() const { return (page << 8) | row; }
    bool operator==(const RowPointer&) const = default;
    auto operator<=>(const RowPointer&) const = default;
};

}  // namespace jet
