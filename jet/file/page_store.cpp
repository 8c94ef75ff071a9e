#include "jet/file/page_store.h"

#include "jet/error.h"

namespace jet {

PageStore::PageStore(std::unique_ptr<File> file, uint32_t pageSize, size_t cachePages)
    : file_(std::move(file)),
      pageSize_(pageSize),
      pageCount_(static_cast<uint32_t>(std::min<uint64_t>(file_->size() / pageSize, UINT32_MAX))),
      capacity_(cachePages == 0 ? 1 : cachePages) {}

Page PageStore::readRawPage(uint32_t n) const {
    if (n >= pageCount_) {
        throwCorrupt("page " + std::to_string(n) + " lies beyond the end of the file (" +
                     std::to_string(pageCount_) + " pages)");
    }
    Page p(pageSize_);
    size_t got = file_->read(static_cast<uint64_t>(n) * pageSize_, p);
    if (got != pageSize_) throwCorrupt("page " + std::to_string(n) + " is truncated");
    return p;
}

PageRef PageStore::page(uint32_t n) {
    auto it = index_.find(n);
    if (it != index_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second);
        return it->second->second;
    }
    Page p = readRawPage(n);
    if (cipher_ && n != 0) cipher_->decryptPage(n, p);
    auto ref = std::make_shared<const Page>(std::move(p));
    lru_.emplace_front(n, ref);
    index_[n] = lru_.begin();
    if (lru_.size() > capacity_) {
        index_.erase(lru_.back().first);
        lru_.pop_back();
    }
    return ref;
}

}  // namespace jet
