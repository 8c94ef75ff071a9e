// One row in the stored layout: the column count, the fixed area, the
// variable area, then from the end the null mask, the variable-column count,
// (Jet 3) the jump table, the variable offsets in reverse order and the
// end-of-data offset. Tables without variable columns have no offset table.
// The inverse of jet/format/row_codec.
//
// What Access writes, as seen in Access-made rows: the column count is the
// table's column count including deleted columns; the fixed area always has
// room for every fixed column, null or not (null ones are zeros); a null or
// deleted variable column has an offset equal to the next column's start;
// the offset table has one entry per variable column the definition counts.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/value.h"
#include "jet/format/long_value.h"

namespace jet {

// `values` has one entry per def.columns entry, same order, already
// converted (convertForColumn); null = Value(). Boolean values go to the
// null mask (null reads as false). Memo and OLE values are placed through
// `longValues`. Throws jet::Error(InvalidArgument) when the values do not
// match the definition and jet::Error(Constraint) "Record is too large."
// when the row exceeds DataPageBuilder::maxRowSize.
std::vector<uint8_t> encodeRow(const TableDef& def, std::span<const Value> values, JetVersion v,
                               uint16_t codePage, LongValueSink& longValues);
// The same with a writer per column (`longValuesByColumn[i]` for
// def.columns[i]; only long-value columns' entries are used), for files
// that keep each long-value column's pages apart.
std::vector<uint8_t> encodeRow(const TableDef& def, std::span<const Value> values, JetVersion v,
                               uint16_t codePage,
                               std::span<LongValueSink* const> longValuesByColumn);

// Stores Memo text the way Access does and returns the row's bytes for it
// (see LongValueSink::store). Whether the text goes inline is decided on
// its plain size (UTF-16 from Jet 4 on, code-page bytes in Jet 3); inline
// text is then compressed when it is compressible, whatever the column's
// compression flag says, while text stored out of line stays plain UTF-16.
// Every Memo value of the Access-made files follows this: compressed ones
// inline, of at most 32 characters; out-of-line ones never compressed.
std::vector<uint8_t> storeMemoText(std::string_view utf8, JetVersion v, uint16_t codePage,
                                   size_t inlineRoom, LongValueSink& longValues);

// The number of Jet 3 jump-table entries for a row of `rowSize` bytes: one
// for each full 256-byte step the row's last byte lies past.
size_t jet3JumpCount(size_t rowSize);

}  // namespace jet
