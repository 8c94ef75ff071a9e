// Reads the live rows of one table in storage order: the pages of the
// table's usage map, each row that is not deleted, overflow pointers
// followed. Holds one page at a time, so memory does not grow with the table.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/page_types.h"
#include "jet/format/row_codec.h"

namespace jet {

class TableScan {
public:
    TableScan(Database& db, std::shared_ptr<const TableDef> def);

    // Moves to the next live row; false at the end.
    bool next();
    // Where the current row is stored (stable for the row's life).
    RowPointer rowId() const { return current_; }

    const TableDef& def() const { return *def_; }
    // Value of a column of the current row (index into def().columns).
    Value value(size_t columnIndex) const;
    std::vector<Value> values() const;
    // The raw stored bytes of a column, nullopt when null: for index keys and
    // tools that must not decode long values.
    std::optional<Bytes> rawBytes(size_t columnIndex) const;

private:
    bool loadRow(uint32_t pageNo, uint8_t rowNo);

    Database& db_;
    std::shared_ptr<const TableDef> def_;
    std::vector<uint32_t> pages_;
    size_t pageIndex_ = 0;
    int rowIndex_ = -1;
    PageRef page_;
    PageRef rowPage_;  // the page that holds the current row's bytes
    std::optional<RowView> row_;
    RowPointer current_;
};

// Reads one row by its identity; nullopt when it is deleted or gone.
std::optional<std::vector<Value>> readRow(Database& db, const TableDef& def, RowPointer id);

}  // namespace jet
