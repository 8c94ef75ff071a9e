// Encodes usage maps, the rows that list the pages a table, an index or a
// long-value column owns: the inverse of readUsageMap.
//
// Access makes every map row the same size, 69 bytes in Jet 4 / ACE and 133
// in Jet 3 (a type byte, then 4 + 64 or 4 + 128 bytes). An inline map (type
// 0) is a start page, a multiple of 8, and a bitmap of the following 512
// (Jet 4) or 1024 (Jet 3) pages; Access starts it at page 0 whenever the
// pages fit there, and otherwise at the first page rounded down to a
// multiple of 8. A reference map (type 1) holds 17 (Jet 4) or 33 (Jet 3)
// pointers to bitmap pages (type 05), the n-th covering the n-th stretch of
// (page size - 4) * 8 pages; stretches without pages have no bitmap page.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/write/page_sink.h"

namespace jet {

// The row naming `pages` (ascending, no repeats): inline when they fit one
// inline bitmap, else a reference map whose bitmap pages are allocated from
// `sink` and written. Throws jet::Error(InvalidArgument) for pages out of
// order or beyond what a reference map can name.
std::vector<uint8_t> encodeUsageMap(PageSink& sink, JetVersion v, std::span<const uint32_t> pages);

// The row of a map with no pages, as Access writes it for a new table or
// index: inline, start page 0, all bits clear.
std::vector<uint8_t> emptyUsageMap(JetVersion v);

}  // namespace jet
