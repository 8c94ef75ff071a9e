// One data page being filled: the header names the owning table (or "LVAL"
// for long-value pages), row offsets grow down from the header and rows
// grow up from the end of the page, row 0 ending at the page's last byte.
//
// What Access writes, as seen in the pages of Access-made files: byte 1 is
// always 01; the free-space field at 02 is exactly the page size less the
// header, the offset table and the rows; the four bytes after the owner
// (Jet 4 and later) are zero on table pages. Access keeps adding rows to a
// page until the next one does not fit (pages with 2 or 3 bytes left are
// common), at most 255 rows since a row pointer has 8 bits for the row.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"

namespace jet {

class DataPageBuilder {
public:
    // Owner 0 is used for the pages that hold usage-map rows.
    DataPageBuilder(JetVersion v, uint32_t ownerPage);
    // A long-value page: the owner field reads "LVAL".
    static DataPageBuilder forLongValues(JetVersion v);

    // True when a row of `rowSize` bytes and its two-byte offset slot fit.
    bool fits(size_t rowSize) const;
    // Adds a row and returns its number. Throws jet::Error(InvalidArgument)
    // when it does not fit (check fits() first).
    uint16_t add(std::span<const uint8_t> row);
    uint16_t rowCount() const { return static_cast<uint16_t>(rowEnds_.size()); }
    bool empty() const { return rowEnds_.empty(); }
    // Bytes left for rows and their offset slots.
    size_t freeSpace() const;
    // The whole page, free-space field included.
    PageBytes bytes() const;
    // Starts over with no rows and the same owner.
    void clear();

    // The largest row Access stores on a page: the page less 36 bytes of
    // header, offset slot and margin (4060 bytes in Jet 4, 2012 in Jet 3).
    // The longest Access-made rows in the fixtures come close: 4005 bytes
    // (MSysAccessObjects, whose one column holds 3992 fixed bytes).
    static size_t maxRowSize(JetVersion v);
    // The largest row a page can physically hold (one row alone on it).
    static size_t maxPhysicalRowSize(JetVersion v);
    static constexpr size_t kMaxRowsPerPage = 255;

private:
    JetVersion version_;
    PageBytes page_;
    std::vector<uint16_t> rowEnds_;  // start offset of each row
    size_t used_ = 0;                // row bytes placed
};

}  // namespace jet
