#include "jet/format/data_page.h"

namespace jet {

uint16_t dataPageRowCount(Bytes page, JetVersion v) {
    uint16_t n = readU16(page, rowCountOffset(v), "the row count of a data page");
    // Each row needs a two-byte offset; more rows than fit are a damaged page.
    if (n > (page.size() - rowTableOffset(v)) / 2) throwCorrupt("a data page has too many rows");
    return n;
}

RowSlot dataPageRow(Bytes page, JetVersion v, uint16_t row) {
    size_t table = rowTableOffset(v);
    uint16_t raw = readU16(page, table + 2u * row, "a row offset");
    RowSlot s;
    s.deleted = (raw & kRowDeletedFlag) != 0;
    s.overflow = (raw & kRowOverflowFlag) != 0;
    s.start = raw & kRowOffsetMask;
    s.end = row == 0 ? static_cast<uint16_t>(page.size())
                     : readU16(page, table + 2u * (row - 1), "a row offset") & kRowOffsetMask;
    if (s.deleted) return s;
    size_t headerEnd = table + 2u * dataPageRowCount(page, v);
    if (s.start < headerEnd || s.start > s.end || s.end > page.size()) {
        throwCorrupt("row " + std::to_string(row) + " of a data page has impossible bounds");
    }
    return s;
}

}  // namespace jet
