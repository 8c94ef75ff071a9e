// Pages of an open database file, decrypted, through a bounded cache. A page
// handed out stays valid as long as the caller holds its pointer, whatever
// the cache evicts meanwhile. Not thread-safe: one Database is used from one
// thread at a time.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "jet/file/file.h"
#include "jet/file/page_cipher.h"

namespace jet {

using Page = std::vector<uint8_t>;
using PageRef = std::shared_ptr<const Page>;

class PageStore {
public:
    PageStore(std::unique_ptr<File> file, uint32_t pageSize, size_t cachePages = 1024);

    // Installs the cipher for every page but page 0.
    void setCipher(std::unique_ptr<PageCipher> cipher) { cipher_ = std::move(cipher); }
    const PageCipher* cipher() const { return cipher_.get(); }

    uint32_t pageSize() const { return pageSize_; }
    // Whole pages in the file; a partial page at the end is not counted.
    uint32_t pageCount() const { return pageCount_; }

    // The plain bytes of page `n`. Throws jet::Error (Corrupt) for a page
    // beyond the end of the file, naming the page.
    PageRef page(uint32_t n);
    // The raw bytes of page 0, unmasked by nobody: for the header parser.
    Page readRawPage(uint32_t n) const;

    File& file() { return *file_; }

private:
    std::unique_ptr<File> file_;
    std::unique_ptr<PageCipher> cipher_;
    uint32_t pageSize_;
    uint32_t pageCount_;
    size_t capacity_;
    // Least recently used at the back.
    std::list<std::pair<uint32_t, PageRef>> lru_;
    std::unordered_map<uint32_t, std::list<std::pair<uint32_t, PageRef>>::iterator> index_;
};

}  // namespace jet
