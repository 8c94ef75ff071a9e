#include "jet/file/page_store.h"

#include <algorithm>

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
    if (auto d = dirty_.find(n); d != dirty_.end()) return d->second;
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

void PageStore::enableWriting(std::shared_ptr<FileSystem> fs, std::string journalPath) {
    fs_ = std::move(fs);
    journalPath_ = std::move(journalPath);
}

void PageStore::begin() {
    if (!fs_) throw Error(ErrorCode::Io, "the database is open read-only");
    if (inTransaction_) throw Error(ErrorCode::Io, "a transaction is already open");
    if (fs_->exists(journalPath_)) {
        forgetCache();
        rollBackJournal(*fs_, journalPath_, *file_);
        pageCount_ =
            static_cast<uint32_t>(std::min<uint64_t>(file_->size() / pageSize_, UINT32_MAX));
    }
    originalLength_ = file_->size();
    originalPageCount_ = pageCount_;
    inTransaction_ = true;
}

void PageStore::requireTransaction() const {
    if (!inTransaction_) throw Error(ErrorCode::Io, "a page was changed outside a transaction");
}

JournalWriter& PageStore::journal() {
    if (!journal_)
        journal_ = std::make_unique<JournalWriter>(*fs_, journalPath_, pageSize_, originalLength_);
    return *journal_;
}

// Journals what the file holds at page `n`, if anything: a partial page at
// the end of the file is kept too (padded), so rollback restores it exactly.
void PageStore::journalOriginal(uint32_t n) {
    const uint64_t offset = static_cast<uint64_t>(n) * pageSize_;
    if (offset >= originalLength_) return;
    Page stored(pageSize_, 0);
    file_->read(offset, stored);
    journal().add(n, stored);
}

std::shared_ptr<Page> PageStore::writablePage(uint32_t n) {
    requireTransaction();
    if (auto d = dirty_.find(n); d != dirty_.end()) return d->second;
    auto copy = std::make_shared<Page>(*page(n));
    journalOriginal(n);
    if (auto it = index_.find(n); it != index_.end()) {
        lru_.erase(it->second);
        index_.erase(it);
    }
    dirty_[n] = copy;
    return copy;
}

uint32_t PageStore::appendPage() {
    requireTransaction();
    if (pageCount_ == UINT32_MAX)
        throw Error(ErrorCode::Io, "the database file cannot grow any further");
    const uint32_t n = pageCount_;
    journalOriginal(n);
    dirty_[n] = std::make_shared<Page>(pageSize_, 0);
    ++pageCount_;
    return n;
}

void PageStore::writeDirtyPages() {
    Page stored(pageSize_);
    for (const auto& [n, plain] : dirty_) {
        stored = *plain;
        if (cipher_ && n != 0) cipher_->encryptPage(n, stored);
        file_->write(static_cast<uint64_t>(n) * pageSize_, stored);
    }
}

void PageStore::commit() {
    requireTransaction();
    try {
        if (!dirty_.empty()) {
            // Even a transaction that only appends needs the journal: it
            // records the length to cut the file back to.
            journal().seal();
            writeDirtyPages();
            file_->sync();
        }
        if (journal_) {
            // Until the name is gone a failure still rolls back, so the
            // handle is dropped only afterwards.
            fs_->remove(journalPath_);
            journal_.reset();
        }
    } catch (...) {
        try {
            rollback();
        } catch (const Error&) {
            // The journal stays; the next begin() or open rolls it back.
        }
        throw;
    }
    for (auto& [n, plain] : dirty_) {
        lru_.emplace_front(n, plain);
        index_[n] = lru_.begin();
    }
    while (lru_.size() > capacity_) {
        index_.erase(lru_.back().first);
        lru_.pop_back();
    }
    dirty_.clear();
    inTransaction_ = false;
}

void PageStore::rollback() {
    requireTransaction();
    dirty_.clear();
    pageCount_ = originalPageCount_;
    inTransaction_ = false;
    std::unique_ptr<JournalWriter> journal = std::move(journal_);
    if (!journal) return;
    const bool fileTouched = journal->sealed();
    journal.reset();
    if (fileTouched) {
        forgetCache();
        rollBackJournal(*fs_, journalPath_, *file_);
    } else {
        fs_->remove(journalPath_);
    }
}

void PageStore::forgetCache() {
    lru_.clear();
    index_.clear();
}

PageTransaction::~PageTransaction() {
    if (!store_.inTransaction()) return;
    try {
        store_.rollback();
    } catch (const Error&) {
        // Left for the next begin() or open, which find the journal.
    }
}

}  // namespace jet
