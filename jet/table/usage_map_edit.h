// Changing the usage maps of an open file inside a page transaction: a page
// added to or taken from the map stored in a row (see
// jet/format/usage_map.h for the two layouts). A map row keeps its size: an
// inline map whose bitmap cannot reach a new page starts again lower or, when
// its pages do not fit one bitmap, becomes a reference map, whose bitmap
// pages are made as pages are added to their stretch.
#pragma once

#include <cstdint>
#include <functional>

#include "jet/file/jet_version.h"

namespace jet {

class PageStore;

// Gives a fresh page for a new bitmap page (see PageAllocator).
using NewPageSource = std::function<uint32_t()>;

// Marks `page` in the map of row `mapPointer`. Throws jet::Error
// (Unsupported) when no map of the row's size can name the page, (Corrupt)
// when the row is not a usage map.
void addPageToUsageMap(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page,
                       const NewPageSource& newPage);
// Clears `page` in the map; a page the map cannot name is not in it.
void removePageFromUsageMap(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page);
// Marks `page` only where the map can already name it, without moving an
// inline map or making a bitmap page; false when it cannot.
bool setPageInUsageMapInPlace(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page);
// Whether the map names `page` (a page beyond its reach is not named).
bool usageMapHasPage(PageStore& store, JetVersion v, uint32_t mapPointer, uint32_t page);

}  // namespace jet
