// The result of a SELECT: its columns with the type each one has for the
// catalogue surface, and its rows as values plus the identities of the base
// table rows each result row was built from.
//
// What a caller may rely on:
// - rows[i].values has one value per column, in column order (none when
//   valuesOmitted).
// - rows[i].rowIds has one entry per row-id slot (rowIdTables names the base
//   table of each slot, in the order the sources appear in FROM, derived
//   sources contributing their own slots). A slot of a row that came from
//   the missing side of an outer join holds kNoRow.
// - A column is updatable only when it is a plain column of one base table
//   reached through the query, and the query is neither DISTINCT, grouped
//   nor a UNION; such a column names its table, column and row-id slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/format/page_types.h"
#include "jet/value.h"

namespace jet::sql {

// Page 0 is the file header, so no row is ever stored there.
inline constexpr RowPointer kNoRow{0, 0};

struct ResultColumn {
    std::string name;
    DataType type = DataType::Text;
    // Characters for Text, bytes for Binary, the fixed size of other types.
    int size = 0;
    bool updatable = false;
    bool required = false;
    std::string baseTable;  // set when the column is a plain base-table column
    std::string baseColumn;
    int rowIdSlot = -1;  // the slot whose row holds it, -1 when none
};

struct ResultRow {
    std::vector<Value> values;
    std::vector<RowPointer> rowIds;
};

struct QueryResult {
    std::vector<ResultColumn> columns;
    std::vector<std::string> rowIdTables;
    std::vector<ResultRow> rows;
    // Set when the rows carry only their row ids (PlanOptions::rowIdsOnly):
    // every column is then a plain column of the table in slot 0, read from
    // rowIds[0].
    bool valuesOmitted = false;
};

}  // namespace jet::sql
