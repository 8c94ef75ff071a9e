// Calculated columns (ACE 14 and later): columns whose value Access computes
// from an expression over the other columns of the row and stores with the
// row. The engine reads the stored result; it does not evaluate the
// expression.
//
// A calculated column is marked by bits 0xC0 of the column's extra flag byte
// in the table definition. Its stored bytes are wrapped:
//   16 bytes    unknown (Access writes zeros)
//   u32         length of the value that follows
//   value       in the layout of the result type (see below)
//   3 bytes     padding (ignored)
// Every result type is stored as a variable-length column, even types that
// are fixed-size elsewhere (the definition gives them a length of 39), and
// Boolean results are stored bytes (0x00 / 0xFF), not the null-mask bit.
// A Memo result is an ordinary long value whose content is the wrapper.
// A Decimal result carries its own scale:
//   i16 length (of what follows it, or 0 for "up to the end"), u8 scale,
//   u8 sign (non-zero: negative), then the unscaled magnitude in 4, 8, 12 or
//   16 bytes: a 4-byte little-endian word first when the size is not a
//   multiple of 8, then 8-byte little-endian words, most significant first.
//
// The column's type byte in the definition is not reliable for calculated
// columns (Access leaves the type the column had when it was created); the
// "ResultType" property of the column is the type of the stored value.
// applyCalculatedResultTypes puts it into the definition.
//
// All functions are pure and bounds-checked: damaged bytes give jet::Error
// (Corrupt), never a read outside `stored`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/util/bytes.h"
#include "jet/value.h"

namespace jet {

class PageStore;
struct PropertyBlob;

// Bits of the column's extra flag byte that mark a calculated column.
constexpr uint8_t kColumnExtCalculated = 0xC0;
// Bytes the wrapper adds to a value: header, length, padding.
constexpr size_t kCalculatedHeaderSize = 20;
constexpr size_t kCalculatedExtraBytes = 23;
// Precision Access gives every calculated Decimal result.
constexpr uint8_t kCalculatedDecimalPrecision = 28;

// The value bytes inside a wrapper. Throws jet::Error (Corrupt) when the
// wrapper is shorter than its header or its length runs past the end.
Bytes unwrapCalculatedBytes(Bytes stored);

// Decodes the stored (non-null) bytes of a calculated column whose `c.type`
// is the result type. An empty fixed-size result reads as null (Access
// writes those for results it could not compute); an empty Boolean as false
// and an empty Text or Memo as "". Long values are followed through `pages`.
Value decodeCalculatedValue(const ColumnDef& c, Bytes stored, JetVersion v, uint16_t codePage,
                            PageStore& pages);

// The Decimal layout of a calculated result (the bytes inside the wrapper).
Decimal decodeCalculatedDecimal(Bytes value);

struct CalculatedColumnProperties {
    std::optional<DataType> resultType;     // nullopt when absent or not a known type
    std::optional<std::string> expression;  // the Access expression text
};

// The calculation properties of column `columnName` in a table's property
// blob (the LvProp of its catalogue row).
CalculatedColumnProperties calculatedColumnProperties(const PropertyBlob& tableProperties,
                                                      std::string_view columnName);

// Sets the type of each calculated column of `def` to its "ResultType"
// property (Decimal results also get precision 28 and scale 0: the scale is
// stored with each value). Columns without a usable ResultType keep the type
// of the definition.
void applyCalculatedResultTypes(TableDef& def, const PropertyBlob& tableProperties);

}  // namespace jet
