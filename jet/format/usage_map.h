// Usage maps: bitmaps of pages owned by a table, an index or the long values
// of a column. A map is either inline (a start page and a bitmap in one row)
// or a list of pointers to whole bitmap pages (type 0x05).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"

namespace jet {

class PageStore;

// A map row starts with its type: inline (then the first page the bitmap
// counts from, 4 bytes, and the bitmap) or reference (then the numbers of
// whole bitmap pages, 4 bytes each; such a page starts with 05 01 00 00).
constexpr uint8_t kInlineUsageMap = 0;
constexpr uint8_t kReferenceUsageMap = 1;
constexpr size_t kInlineUsageMapHeader = 5;  // type, start page
constexpr size_t kUsageMapPageHeader = 4;

// The pages marked in the map stored in row `rowPointer` (see RowPointer), in
// ascending order. Pages beyond the end of the file are ignored: Access keeps
// maps larger than the file.
std::vector<uint32_t> readUsageMap(PageStore& pages, JetVersion v, uint32_t rowPointer);

}  // namespace jet
