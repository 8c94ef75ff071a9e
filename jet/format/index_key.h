// Index key encoding: the bytes one column value contributes to an index
// entry, such that unsigned lexicographic comparison of whole entries gives
// the index order (ascending or descending per column, nulls first in
// ascending columns and last in descending ones).
//
// Every column value starts with a flag byte: 0x7f for a value and 0x00 for
// null in an ascending column, 0x80 and 0xff in a descending one. The value
// bytes follow (none for null): numbers big-endian with the sign arranged so
// that bytes sort like numbers, text as a sort key of the column's sort order
// (jet/format/sort_order.h), binary and GUID in 8-byte segments. A descending
// column stores the inverted ascending bytes, with small exceptions Access
// makes (segment markers of binary values, the terminator of text keys).
//
// Supported column types: Boolean, Byte, Integer, Long, BigInt, Currency,
// Single, Double, DateTime, Text and Memo (their first 255 characters),
// Binary, Guid and Numeric. Others throw jet::Error (Unsupported); a value
// whose kind does not fit the column type throws jet::Error (InvalidArgument).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/format/sort_order.h"
#include "jet/value.h"

namespace jet {

// Numeric (Decimal) keys changed with ACE: Jet 3 and Jet 4 files order
// negative values of descending columns wrongly (Access's known fault), ACE
// files (.accdb) correctly. Use the form of the file the index lives in.
enum class NumericKeyForm { Jet, Ace };

// Appends the flag byte and key bytes of `v` for a column of `type`.
// `textOrder` is the column's sort order (used for Text and Memo only).
// A Numeric value is keyed by its unscaled digits, so it must carry the
// column's scale, as values read from that column do. A Boolean column has no
// null: a null Boolean is keyed as false.
void appendIndexKey(std::vector<uint8_t>& out, const Value& v, DataType type, bool ascending,
                    SortOrderKind textOrder, NumericKeyForm numericForm);

// Whether appendIndexKey builds a key of `v` for a column of `type` (the
// value is of the column's own kind and in its range, and the type has
// keys at all), so that a caller can choose an index before it seeks.
bool indexKeyAccepts(const Value& v, DataType type);

}  // namespace jet
