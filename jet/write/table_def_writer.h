// Encodes a table definition (jet::TableDef) into the bytes Access stores on
// a chain of table-definition pages: the inverse of readTableDef. Every field
// the reader keeps is written back where it came from, so reading a stored
// definition and encoding it again reproduces Access's bytes; fields a new
// table leaves at their defaults get what Access writes for a new table.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/write/page_sink.h"

namespace jet {

// The definition as one logical stream: the first page's 8-byte header, the
// fixed header, the index counts, the columns and their names, the index data
// entries, the logical indexes and their names, the long-value column maps
// and the closing FFFF. Its length is stored at offset 8. Column entries are
// stored in def.definitionOrder (by number when empty). `codePage` encodes
// Jet 3 names. Throws jet::Error(InvalidArgument) for a definition that
// cannot be stored: a name the code page cannot hold or longer than the
// format allows, more than ten columns in an index, an order naming unknown
// columns.
std::vector<uint8_t> encodeTableDef(const TableDef& def, JetVersion v, uint16_t codePage);

// Writes the definition to `firstPage` (allocated by the caller) and, when it
// does not fit one page, to continuation pages allocated from `sink` in
// order, each with an 8-byte header, chained through the next-page field as
// Access chains them. The first page is filled completely before the next
// one starts.
void writeTableDef(PageSink& sink, uint32_t firstPage, const TableDef& def, JetVersion v,
                   uint16_t codePage);

}  // namespace jet
