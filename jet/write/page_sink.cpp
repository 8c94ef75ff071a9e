#include "jet/write/page_sink.h"

#include <string>

#include "jet/error.h"

namespace jet {

void PageSink::write(uint32_t page, std::span<const uint8_t> bytes) {
    if (page >= pageCount_)
        throw Error(ErrorCode::InvalidArgument,
                    "page " + std::to_string(page) + " was never allocated");
    if (bytes.size() != pageSize_)
        throw Error(ErrorCode::InvalidArgument,
                    "page " + std::to_string(page) + " has " + std::to_string(bytes.size()) +
                        " bytes instead of " + std::to_string(pageSize_));
    if (cipher_ && page != 0) {
        PageBytes copy(bytes.begin(), bytes.end());
        cipher_->encryptPage(page, copy);
        store(page, copy);
    } else {
        store(page, bytes);
    }
    if (stored_.size() <= page) stored_.resize(page + 1);
    stored_[page] = true;
}

PageBytes PageSink::read(uint32_t page) const {
    if (page >= pageCount_)
        throw Error(ErrorCode::InvalidArgument,
                    "page " + std::to_string(page) + " was never allocated");
    PageBytes out = load(page);
    const bool written = page < stored_.size() && stored_[page];
    if (cipher_ && page != 0 && written) cipher_->decryptPage(page, out);
    return out;
}

std::vector<uint8_t> MemoryPageSink::fileBytes() const {
    std::vector<uint8_t> out(size_t{pageCount()} * pageSize(), 0);
    for (size_t i = 0; i < pages_.size(); ++i)
        if (!pages_[i].empty())
            std::copy(pages_[i].begin(), pages_[i].end(), out.begin() + i * pageSize());
    return out;
}

void MemoryPageSink::store(uint32_t page, std::span<const uint8_t> bytes) {
    if (pages_.size() <= page) pages_.resize(page + 1);
    pages_[page].assign(bytes.begin(), bytes.end());
}

PageBytes MemoryPageSink::load(uint32_t page) const {
    if (page < pages_.size() && !pages_[page].empty()) return pages_[page];
    return PageBytes(pageSize(), 0);
}

void FilePageSink::store(uint32_t page, std::span<const uint8_t> bytes) {
    file_.write(uint64_t{page} * pageSize(), bytes);
}

PageBytes FilePageSink::load(uint32_t page) const {
    PageBytes out(pageSize(), 0);
    const uint64_t offset = uint64_t{page} * pageSize();
    const size_t got = file_.read(offset, out);
    if (got < out.size()) return PageBytes(pageSize(), 0);  // never written
    return out;
}

}  // namespace jet
