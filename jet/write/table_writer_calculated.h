// Rows of calculated columns (ACE 14 on). Access stores the result it
// computed with the row, wrapped (see jet/format/calculated_value.h) and in a
// variable-length slot whatever the result type; a Memo result is a long
// value holding the wrapper. The engine does not evaluate expressions: it
// writes results it is given, as a compaction copies them.
#pragma once

#include <cstdint>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace jet {

// The column as the row encoder must store it: Binary (LongBinary for a
// Memo result) in the same variable slot. Other columns come back unchanged.
ColumnDef calculatedStorageColumn(const ColumnDef& c);

// The stored bytes of result `v` (non-null, already converted to the
// column's result type `c.type`) of calculated column `c`: the 20-byte
// header, the value in its result type's layout, three bytes of padding.
// Throws jet::Error(Unsupported) for a result type Access does not offer.
Blob wrapCalculatedValue(const ColumnDef& c, const Value& v, JetVersion ver, uint16_t codePage);

}  // namespace jet
