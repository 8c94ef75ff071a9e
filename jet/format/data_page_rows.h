// A data page taken apart into its rows and put together again, for changing
// the rows of an open file: a row can be added, replaced or emptied while
// every row keeps its number (row ids in indexes and overflow pointers name
// rows by number). Encoding lays the rows out again from the end of the page,
// row 0 last, exactly as the reader expects them (jet/format/data_page.h),
// with the free-space field what the rows leave.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"

namespace jet {

struct StoredRow {
    uint16_t flags = 0;  // kRowDeletedFlag, kRowOverflowFlag
    std::vector<uint8_t> bytes;
    bool deleted() const;
};

class DataPageRows {
public:
    // Reads every slot of `page`, deleted ones included: the target of an
    // overflow pointer is flagged deleted yet holds a live row. Throws
    // jet::Error (Corrupt) when a slot's bounds leave the page.
    static DataPageRows parse(Bytes page, JetVersion v);
    // An empty data page of table `owner` (or "LVAL" for long values).
    static DataPageRows empty(JetVersion v, uint32_t owner, size_t pageSize);

    uint32_t owner() const { return owner_; }
    std::vector<StoredRow>& rows() { return rows_; }
    const std::vector<StoredRow>& rows() const { return rows_; }

    // Bytes left for rows and their offset slots.
    size_t freeSpace() const;
    // Whether a new row of `size` bytes (and its slot) fits.
    bool fitsNewRow(size_t size) const;
    // Whether row `row` may take `size` bytes instead of its present ones.
    bool fitsReplacement(uint16_t row, size_t size) const;
    // Adds a row and returns its number; the caller checks fitsNewRow first.
    uint8_t add(std::vector<uint8_t> bytes, uint16_t flags = 0);

    PageBytes encode() const;

private:
    JetVersion version_ = JetVersion::Jet4;
    size_t pageSize_ = 0;
    uint32_t owner_ = 0;
    std::array<uint8_t, 4> afterOwner_{};  // Jet 4 on: kept as found
    std::vector<StoredRow> rows_;
};

constexpr uint32_t kLongValuePageOwner = 0x4C41564C;  // "LVAL"

}  // namespace jet
