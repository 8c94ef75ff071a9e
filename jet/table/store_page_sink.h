// The page writers of new files (index trees, usage maps, definitions; see
// jet/write) used on an open file inside a page transaction: every page they
// allocate comes from a PageAllocator (free pages first, then the end of the
// file) and every page they write goes into the transaction. The store does
// the encryption, so this sink has no cipher.
#pragma once

#include <cstdint>
#include <span>

#include "jet/file/page_store.h"
#include "jet/table/page_allocator.h"
#include "jet/write/page_sink.h"

namespace jet {

class StorePageSink : public PageSink {
public:
    // Every page the file holds counts as allocated, so that a writer may
    // write over a page the caller allocated itself.
    StorePageSink(PageStore& store, PageAllocator& allocator);

    uint32_t allocate() override;

protected:
    void store(uint32_t page, std::span<const uint8_t> bytes) override;
    PageBytes load(uint32_t page) const override;

private:
    PageStore& store_;
    PageAllocator& allocator_;
};

}  // namespace jet
