// Usage maps: bitmaps of pages owned by a table, an index or the long values
// of a column. A map is either inline (a start page and a bitmap in one row)
// or a list of pointers to whole bitmap pages (type 0x05).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"

namespace jet {

class PageStore;

// The pages marked in the map stored in row `rowPointer` (see RowPointer), in
// ascending order. Pages beyond the end of the file are ignored: Access keeps
// maps larger than the file.
std::vector<uint32_t> readUsageMap(PageStore& pages, JetVersion v, uint32_t rowPointer);

}  // namespace jet
