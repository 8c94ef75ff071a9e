// Pages of a file being built from scratch (a new database, a compacted
// copy). Page numbers are handed out in order; a page may be written, read
// back and rewritten while the file is built, so a writer can reserve a page
// (a table definition, say) and fill it once everything it points to exists.
// Nothing is journaled: a file under construction is a temporary file that
// is thrown away when building fails.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "jet/file/file.h"
#include "jet/file/page_cipher.h"
#include "jet/format/page_types.h"

namespace jet {

class PageSink {
public:
    explicit PageSink(uint32_t pageSize) : pageSize_(pageSize) {}
    virtual ~PageSink() = default;
    PageSink(const PageSink&) = delete;
    PageSink& operator=(const PageSink&) = delete;

    uint32_t pageSize() const { return pageSize_; }
    // Pages allocated so far; the next allocate() returns this number.
    uint32_t pageCount() const { return pageCount_; }
    // Reserves the next page number. Its bytes read as zeros until written.
    // A sink over an existing file hands out the pages its file has free.
    virtual uint32_t allocate() { return pageCount_++; }
    // Every page but page 0 is encrypted through `cipher` from now on.
    void setCipher(std::unique_ptr<PageCipher> cipher) { cipher_ = std::move(cipher); }
    // Stores the plain bytes of an allocated page (exactly pageSize() bytes).
    // Throws jet::Error(InvalidArgument) for a page never allocated or a
    // wrong size.
    void write(uint32_t page, std::span<const uint8_t> bytes);
    // The plain bytes last written to `page`, or zeros.
    PageBytes read(uint32_t page) const;

protected:
    // Counts `page` (and every page before it) as allocated: for sinks whose
    // pages are not numbered from 0 up.
    void adoptPage(uint32_t page) {
        if (page >= pageCount_) pageCount_ = page + 1;
    }
    // The stored (possibly encrypted) bytes; load gives zeros for a page
    // never stored.
    virtual void store(uint32_t page, std::span<const uint8_t> bytes) = 0;
    virtual PageBytes load(uint32_t page) const = 0;

private:
    uint32_t pageSize_;
    uint32_t pageCount_ = 0;
    std::unique_ptr<PageCipher> cipher_;
    std::vector<bool> stored_;  // pages written at least once
};

// Keeps every page in memory, as stored: for tests and small files.
class MemoryPageSink : public PageSink {
public:
    using PageSink::PageSink;
    // The whole file so far, as it would be on disk (unwritten pages as zeros).
    std::vector<uint8_t> fileBytes() const;

protected:
    void store(uint32_t page, std::span<const uint8_t> bytes) override;
    PageBytes load(uint32_t page) const override;

private:
    std::vector<PageBytes> pages_;
};

// Writes pages straight to a file. Memory use does not grow with the file.
class FilePageSink : public PageSink {
public:
    FilePageSink(File& file, uint32_t pageSize) : PageSink(pageSize), file_(file) {}

protected:
    void store(uint32_t page, std::span<const uint8_t> bytes) override;
    PageBytes load(uint32_t page) const override;

private:
    File& file_;
};

}  // namespace jet
