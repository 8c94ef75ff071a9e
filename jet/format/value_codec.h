// Stored bytes of one column to a jet::Value, and the type facts a reader
// needs (which types are fixed-size and how big).
#pragma once

#include <cstdint>
#include <vector>

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

// The 42 stored bytes of an extended Date/Time value: 19 ASCII digits of days
// since 0001-01-01, ':', 12 digits of seconds and 7 of 100 ns ticks since
// midnight, then the trailer ":7" and a zero byte. Index keys hold the same
// bytes.
std::vector<uint8_t> encodeExtDateTimeBytes(const ExtDateTime& e);

}  // namespace jet
