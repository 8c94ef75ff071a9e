// Test-only reader of just enough of an Access file to check index pages
// against the rows they point to: table definitions (columns and real
// indexes) and single rows. It reads a fixture into memory once and never
// writes. It is deliberately small and trusts fixture files; the engine's
// own table reader is what production code uses.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/format/index_page.h"
#include "jet/format/sort_order.h"
#include "jet/value.h"

namespace jet::index_test {

struct FixtureColumn {
    std::string name;
    DataType type = DataType::Text;
    uint16_t number = 0;    // bit in the null mask; what indexes refer to
    uint16_t varIndex = 0;  // slot in the variable-length offset table
    uint16_t fixedOffset = 0;
    uint16_t length = 0;
    bool fixed = false;
    uint8_t precision = 0;
    uint8_t scale = 0;
    std::optional<SortOrderKind> sortOrder;  // text columns in a General sort order
};

struct FixtureIndexColumn {
    uint16_t columnNumber = 0;
    bool ascending = true;
};

struct FixtureIndex {
    std::vector<FixtureIndexColumn> columns;
    uint32_t rootPage = 0;
};

struct FixtureTable {
    uint32_t tableDefPage = 0;
    std::vector<FixtureColumn> columns;
    std::vector<FixtureIndex> indexes;
    const FixtureColumn* column(uint16_t number) const;
};

class FixtureFile {
public:
    explicit FixtureFile(const std::string& path);

    bool jet3() const { return jet3_; }
    bool ace() const { return ace_; }
    size_t pageCount() const { return data_.size() / pageSize_; }
    std::span<const uint8_t> page(uint32_t number) const;

    // Every local table the catalogue lists, system tables included.
    std::vector<FixtureTable> tables() const;

    // The value of `column` in the row at page/row (following an overflow
    // pointer). Throws std::runtime_error for a deleted row or a column kind
    // this reader does not decode (Memo, OLE, complex).
    Value rowValue(const FixtureTable& table, const FixtureColumn& column, uint32_t pageNumber,
                   uint8_t row) const;

private:
    FixtureTable parseTable(uint32_t firstPage) const;

    std::vector<uint8_t> data_;
    size_t pageSize_ = 4096;
    bool jet3_ = false;
    bool ace_ = false;
};

// An index read from its root down: the leaf entries in tree order and the
// leaf pages in the order the tree lists them. Throws std::runtime_error when
// an intermediate entry is not the last entry of its child, or when the tree
// does not stay within the table.
struct IndexWalk {
    std::vector<IndexEntry> entries;
    std::vector<uint32_t> leafPages;
    size_t nodePages = 0;
};
IndexWalk walkIndex(const FixtureFile& file, uint32_t tableDefPage, uint32_t rootPage);

// True if every column of `index` can be keyed and decoded by these tests.
bool indexIsCheckable(const FixtureTable& table, const FixtureIndex& index);

// The key Access should have stored for the row at page/row.
std::vector<uint8_t> expectedKey(const FixtureFile& file, const FixtureTable& table,
                                 const FixtureIndex& index, uint32_t page, uint8_t row);

}  // namespace jet::index_test
