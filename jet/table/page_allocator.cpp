#include "jet/table/page_allocator.h"

#include "jet/catalog/database.h"
#include "jet/format/page_types.h"
#include "jet/format/usage_map.h"
#include "jet/table/usage_map_edit.h"

namespace jet {
namespace {

constexpr uint32_t kFreePageMap = 1u << 8;  // page 1, row 0

}  // namespace

const std::set<uint32_t>& PageAllocator::claimed() {
    if (claimed_) return *claimed_;
    std::set<uint32_t> pages;
    PageStore& store = db_.pages();
    auto add = [&](uint32_t pointer) {
        if (pointer == 0) return;
        for (uint32_t p : readUsageMap(store, db_.version(), pointer)) pages.insert(p);
    };
    for (const CatalogObject* o : db_.tables(true)) {
        std::shared_ptr<const TableDef> def = db_.tableAt(o->tdefPage(), o->name);
        pages.insert(def->tdefPage);
        add(def->usageMapPointer);
        add(def->freeMapPointer);
        for (const RealIndexDef& r : def->realIndexes) add(r.usageMapPointer);
        for (const LongValueMaps& lv : def->longValueMaps) add(lv.usageMapPointer);
    }
    claimed_ = std::move(pages);
    return *claimed_;
}

uint32_t PageAllocator::allocate() {
    PageStore& store = db_.pages();
    const JetVersion v = db_.version();
    for (uint32_t page : readUsageMap(store, v, kFreePageMap)) {
        // Pages 0-2 are the header, this map and the catalogue, whatever a
        // damaged map says.
        if (page < 3 || claimed().contains(page)) continue;
        removePageFromUsageMap(store, v, kFreePageMap, page);
        if (claimed_) claimed_->insert(page);
        return page;
    }
    const uint32_t page = store.appendPage();
    // The map gives pages past the end of the file as free.
    removePageFromUsageMap(store, v, kFreePageMap, page);
    if (claimed_) claimed_->insert(page);
    return page;
}

void PageAllocator::release(uint32_t page) {
    PageStore& store = db_.pages();
    // A map that cannot reach the page leaves it unlisted: it is then
    // simply unused until the file is compacted.
    setPageInUsageMapInPlace(store, db_.version(), kFreePageMap, page);
    if (claimed_) claimed_->erase(page);
}

}  // namespace jet
