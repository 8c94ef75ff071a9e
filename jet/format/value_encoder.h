// Values on their way into a row: first converted to what a column stores,
// the way Access converts on insert, then turned into the column's bytes.
// The inverse of jet/format/value_codec.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace jet {

// Converts `v` to what column `c` stores, as Access does on insert: text
// "12" into a Long, a number into Text, "yes"/"true"/"on" into Boolean, a
// date text into Date/Time, and so on. Null stays Null. The result is the
// kind of Value the reader gives back for that column (Decimal values carry
// the column's precision and scale), so a round trip compares equal.
// Throws jet::Error(InvalidArgument) with "Data type mismatch in criteria
// expression." and the column's name when no conversion exists, "Overflow"
// when a number does not fit; a Text or Binary value longer than the column
// throws jet::Error(Constraint) with Access's "field is too small" message.
// Text sizes count as Jet 4 and later count them (two bytes a character);
// the second form measures Jet 3 text in code-page bytes.
Value convertForColumn(const Value& v, const ColumnDef& c);
Value convertForColumn(const Value& v, const ColumnDef& c, JetVersion ver, uint16_t codePage);

// True when text has the compressed form (ff fe and one byte per
// character) in Access's eyes: more than two characters, at most 1024, every
// one in 01..ff.
bool isCompressibleText(std::u16string_view text);

// Jet 4 / ACE text in its compressed form (see isCompressibleText) or as
// plain UTF-16LE.
std::vector<uint8_t> compressedTextBytes(std::u16string_view text);
std::vector<uint8_t> utf16TextBytes(std::u16string_view text);

// Text bytes as a Text column of `c` stores them: code-page bytes in Jet 3;
// from Jet 4 on compressed exactly when the column has the compression flag
// and the text is compressible (what every Access-made Text value shows),
// else UTF-16LE. Memo text follows another rule, see encodeMemoText in
// row_encoder.h. Throws jet::Error(InvalidArgument) when a Jet 3 character
// has no byte in the code page.
std::vector<uint8_t> encodeText(const ColumnDef& c, std::string_view utf8, JetVersion ver,
                                uint16_t codePage);

// Stored bytes of a non-null converted value: fixed columns exactly
// c.length bytes; Text, Binary their variable bytes. Not for Memo and OLE
// (long values, see long_value_writer.h; a fixed OLE column takes its Blob
// as is) nor Boolean (the null mask holds
// it): those throw jet::Error(InvalidArgument), as does a value whose kind
// does not match the column (pass it through convertForColumn first).
std::vector<uint8_t> encodeValue(const ColumnDef& c, const Value& v, JetVersion ver,
                                 uint16_t codePage);

}  // namespace jet
