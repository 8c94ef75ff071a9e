// Data pages: a header naming the owning table, then a table of row offsets
// growing down from the header while rows grow up from the end of the page.
// Row 0 ends at the end of the page; row n ends where row n-1 starts.
#pragma once

#include <cstdint>

#include "jet/file/jet_version.h"
#include "jet/util/bytes.h"

namespace jet {

struct RowSlot {
    uint16_t start = 0;
    uint16_t end = 0;  // one past the last byte
    bool deleted = false;
    bool overflow = false;  // the bytes are a 4-byte pointer to the row's real place
};

constexpr uint16_t kRowDeletedFlag = 0x8000;
constexpr uint16_t kRowOverflowFlag = 0x4000;
constexpr uint16_t kRowOffsetMask = 0x1FFF;

inline size_t rowCountOffset(JetVersion v) {
    return isJet3(v) ? 0x08 : 0x0C;
}
inline size_t rowTableOffset(JetVersion v) {
    return rowCountOffset(v) + 2;
}

// The table definition page that owns a data page.
inline uint32_t dataPageOwner(Bytes page) {
    return readU32(page, 4, "the page owner");
}
uint16_t dataPageRowCount(Bytes page, JetVersion v);
// Throws jet::Error (Corrupt) when the offsets make no sense for the page.
RowSlot dataPageRow(Bytes page, JetVersion v, uint16_t row);

}  // namespace jet
