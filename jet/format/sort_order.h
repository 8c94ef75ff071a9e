// Text index keys in Access's "General" sort orders.
//
// Access does not store text in an index; it stores a sort key whose bytes
// compare (unsigned, lexicographically) in the order of the sort order. This
// file builds those keys, so the engine can seek in and maintain indexes that
// Access wrote and write entries Access accepts.
//
// Exact for the three General sort orders (locale 1033, the default of
// every English-language Access):
//   - General97:     Jet 3 files (Access 97), column sort order 1033;
//   - GeneralLegacy: Jet 4 and ACE files whose text column has sort order
//                    1033 version 0 (the "General" of Access 2000-2007,
//                    "General - Legacy" in Access 2010 and later);
//   - General2010:   ACE files, sort order 1033 version 1 (the "General" of
//                    Access 2010 and later).
// Other locales' sort orders are not covered; their keys differ. The tables
// are those recorded from indexes Access wrote; a character Access itself
// never wrote into an observed index may be encoded imperfectly. Keys of
// values longer than a few hundred code units in General2010 may not match
// Access, which shortens very long entries in a way not reproduced here.
//
// Thread-safe; the code tables are built once on first use.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace jet {

enum class SortOrderKind { General97, GeneralLegacy, General2010 };

// The sort key of `text` as stored in an ascending index, without the entry
// flag byte that precedes every column value in an index entry. Only the
// first 255 code units count, and trailing spaces are ignored, as in Access.
std::vector<uint8_t> encodeTextKey(std::u16string_view text, SortOrderKind kind);

// Appends the key of `text` for an ascending or descending column (without
// the entry flag byte). A descending key is not simply the inverted
// ascending key: in General legacy and General 2010 it carries one more
// terminator byte.
void appendTextKey(std::vector<uint8_t>& out, std::u16string_view text, SortOrderKind kind,
                   bool ascending);
// The same for text in UTF-8, as values hold it.
void appendTextKeyOfUtf8(std::vector<uint8_t>& out, std::string_view text, SortOrderKind kind,
                         bool ascending);

}  // namespace jet
