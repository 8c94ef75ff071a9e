// Usage-map rows of an open file, added and taken away with the tables and
// indexes they describe (inside a page transaction). Access keeps them as
// rows of data pages that belong to no table (owner 0); new ones go on a
// fresh page of that kind, so that a later drop can hand the page back
// whole without touching the maps of other tables.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"

namespace jet {

class PageStore;
class PageAllocator;

// Places `rows` (encoded usage maps) in order and returns their pointers.
std::vector<RowPointer> placeBookkeepingRows(PageStore& store, JetVersion v,
                                             PageAllocator& allocator,
                                             const std::vector<std::vector<uint8_t>>& rows);

// The pages a map row claims besides those it names: the bitmap pages of a
// reference map. Empty for an inline map.
std::vector<uint32_t> usageMapBitmapPages(PageStore& store, JetVersion v, uint32_t mapPointer);

// Flags the map row deleted and releases its bitmap pages; the data page
// holding it goes back to the free-page map once no live row is left on
// it and it belongs to no table. A pointer of 0 is no map.
void removeBookkeepingRow(PageStore& store, JetVersion v, PageAllocator& allocator,
                          uint32_t mapPointer);

}  // namespace jet
