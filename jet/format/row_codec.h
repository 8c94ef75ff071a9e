// Reading one stored row: the column count, fixed area, variable area with
// its offset table (and Jet 3's jump table) and the null mask at the end.
// A RowView only locates bytes; turning them into values is value_codec's job.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/util/bytes.h"

namespace jet {

class RowView {
public:
    // Throws jet::Error (Corrupt) when the row's own bookkeeping is inconsistent.
    // Rows of tables without variable columns carry no variable-offset table.
    RowView(Bytes row, JetVersion v, bool tableHasVarColumns);

    uint16_t columnCount() const { return columnCount_; }
    // Null-mask bit of a column: false means null. Columns added after the
    // row was written are beyond the mask and read as null.
    bool hasValue(const ColumnDef& c) const;
    // Boolean columns keep their value in the null mask.
    bool boolValue(const ColumnDef& c) const { return hasValue(c); }
    // The stored bytes of a column, or nullopt when the row has none.
    std::optional<Bytes> bytes(const ColumnDef& c) const;

private:
    Bytes row_;
    JetVersion version_;
    uint16_t columnCount_ = 0;
    Bytes nullMask_;
    std::vector<uint16_t> varOffsets_;  // var column starts, then the end of the var area
};

}  // namespace jet
