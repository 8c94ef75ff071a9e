#include "jet/table/store_page_sink.h"

#include <algorithm>

namespace jet {

StorePageSink::StorePageSink(PageStore& store, PageAllocator& allocator)
    : PageSink(store.pageSize()), store_(store), allocator_(allocator) {
    if (store.pageCount() > 0) adoptPage(store.pageCount() - 1);
}

uint32_t StorePageSink::allocate() {
    const uint32_t page = allocator_.allocate();
    adoptPage(page);
    return page;
}

void StorePageSink::store(uint32_t page, std::span<const uint8_t> bytes) {
    auto target = store_.writablePage(page);
    target->assign(bytes.begin(), bytes.end());
}

PageBytes StorePageSink::load(uint32_t page) const {
    PageRef ref = store_.page(page);
    return PageBytes(ref->begin(), ref->end());
}

}  // namespace jet
