// Stored bytes of one column to a jet::Value, and the type facts a reader
// needs (which types are fixed-size and how big).
#pragma once

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/util/bytes.h"
#include "jet/value.h"

namespace jet {

class PageStore;

// Decodes a non-null column value. Long values are followed through `pages`.
Value decodeValue(const ColumnDef& c, Bytes stored, JetVersion v, uint16_t codePage,
                  PageStore& pages);

// Text bytes of Text and Memo columns to UTF-8, by version.
std::string decodeText(Bytes stored, JetVersion v, uint16_t codePage);

}  // namespace jet
