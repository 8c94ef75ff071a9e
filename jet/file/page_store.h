// Pages of an open database file, decrypted, through a bounded cache. A page
// handed out stays valid as long as the caller holds its pointer, whatever
// the cache evicts meanwhile. Not thread-safe: one Database is used from one
// thread at a time.
//
// Writing happens inside a transaction (begin, writablePage/appendPage,
// commit or rollback; PageTransaction does it by scope). A changed page is a
// private copy held in memory until commit, and page() returns it from then
// on; a PageRef taken before the change keeps showing the old bytes. Before
// the first change to a page that exists in the file, its stored image goes
// to the rollback journal (jet/file/journal.h). Commit seals the journal,
// writes the changed pages through the cipher, syncs the file and removes the
// journal: the removal is the moment the change becomes permanent. Any
// failure before it leaves a journal that rollback(), the next begin() or
// the next open undoes.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/file/file.h"
#include "jet/file/journal.h"
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

    // Allows transactions; the journal is `journalPath` on `fs`, which must
    // be the file system holding this store's file.
    void enableWriting(std::shared_ptr<FileSystem> fs, std::string journalPath);
    bool writable() const { return fs_ != nullptr; }

    // Starts a transaction. A journal left by an earlier failure is rolled
    // back first. Throws jet::Error(Io) when writing is not enabled or a
    // transaction is already open.
    void begin();
    bool inTransaction() const { return inTransaction_; }
    // A mutable copy of page `n`, the same object on every call within the
    // transaction. Page 0 is the raw header page, as page() gives it.
    std::shared_ptr<Page> writablePage(uint32_t n);
    // Adds a zero-filled page at the end (number pageCount(), which grows by
    // one) and returns its number; writablePage() gives its bytes.
    uint32_t appendPage();
    // Makes the transaction's changes permanent. On failure the transaction
    // is rolled back (as far as the file allows) and the error rethrown.
    void commit();
    // Forgets the changes and restores the file if commit had begun writing.
    void rollback();

private:
    void requireTransaction() const;
    void journalOriginal(uint32_t n);
    JournalWriter& journal();
    void forgetCache();
    void writeDirtyPages();

    std::unique_ptr<File> file_;
    std::unique_ptr<PageCipher> cipher_;
    uint32_t pageSize_;
    uint32_t pageCount_;
    size_t capacity_;
    // Least recently used at the back.
    std::list<std::pair<uint32_t, PageRef>> lru_;
    std::unordered_map<uint32_t, std::list<std::pair<uint32_t, PageRef>>::iterator> index_;

    std::shared_ptr<FileSystem> fs_;
    std::string journalPath_;
    bool inTransaction_ = false;
    uint64_t originalLength_ = 0;
    uint32_t originalPageCount_ = 0;
    std::unique_ptr<JournalWriter> journal_;
    // Changed pages by number, kept out of the cache so nothing evicts them.
    std::map<uint32_t, std::shared_ptr<Page>> dirty_;
};

// A transaction for the length of a scope: rolled back unless committed.
class PageTransaction {
public:
    explicit PageTransaction(PageStore& store) : store_(store) { store_.begin(); }
    ~PageTransaction();
    PageTransaction(const PageTransaction&) = delete;
    PageTransaction& operator=(const PageTransaction&) = delete;
    void commit() { store_.commit(); }

private:
    PageStore& store_;
};

}  // namespace jet
