#include "jet/format/data_page_rows.h"

#include <string>

#include "jet/error.h"
#include "jet/format/data_page.h"
#include "jet/format/data_page_builder.h"

namespace jet {

bool StoredRow::deleted() const {
    return (flags & kRowDeletedFlag) != 0;
}

DataPageRows DataPageRows::parse(Bytes page, JetVersion v) {
    DataPageRows out;
    out.version_ = v;
    out.pageSize_ = page.size();
    if (readU8(page, 0, "the page type") != kPageData) throwCorrupt("the page holds no rows");
    out.owner_ = dataPageOwner(page);
    if (!isJet3(v)) {
        Bytes after = subBytes(page, 8, 4, "the data page header");
        std::copy(after.begin(), after.end(), out.afterOwner_.begin());
    }
    const uint16_t count = dataPageRowCount(page, v);
    const size_t table = rowTableOffset(v);
    const size_t headerEnd = table + 2u * count;
    size_t end = page.size();
    for (uint16_t row = 0; row < count; ++row) {
        const uint16_t raw = readU16(page, table + 2u * row, "a row offset");
        const size_t start = raw & kRowOffsetMask;
        if (start < headerEnd || start > end)
            throwCorrupt("row " + std::to_string(row) + " of a data page has impossible bounds");
        StoredRow r;
        r.flags = raw & (kRowDeletedFlag | kRowOverflowFlag);
        Bytes b = page.subspan(start, end - start);
        r.bytes.assign(b.begin(), b.end());
        out.rows_.push_back(std::move(r));
        end = start;
    }
    return out;
}

DataPageRows DataPageRows::empty(JetVersion v, uint32_t owner, size_t pageSize) {
    DataPageRows out;
    out.version_ = v;
    out.pageSize_ = pageSize;
    out.owner_ = owner;
    return out;
}

size_t DataPageRows::freeSpace() const {
    size_t used = rowTableOffset(version_) + 2u * rows_.size();
    for (const StoredRow& r : rows_) used += r.bytes.size();
    return used < pageSize_ ? pageSize_ - used : 0;
}

bool DataPageRows::fitsNewRow(size_t size) const {
    return rows_.size() < DataPageBuilder::kMaxRowsPerPage && size + 2 <= freeSpace();
}

bool DataPageRows::fitsReplacement(uint16_t row, size_t size) const {
    const size_t old = rows_.at(row).bytes.size();
    return size <= old || size - old <= freeSpace();
}

uint8_t DataPageRows::add(std::vector<uint8_t> bytes, uint16_t flags) {
    if (!fitsNewRow(bytes.size()))
        throw Error(ErrorCode::InvalidArgument, "the row does not fit the data page");
    rows_.push_back(StoredRow{flags, std::move(bytes)});
    return static_cast<uint8_t>(rows_.size() - 1);
}

PageBytes DataPageRows::encode() const {
    size_t used = rowTableOffset(version_) + 2u * rows_.size();
    for (const StoredRow& r : rows_) used += r.bytes.size();
    if (used > pageSize_) throw Error(ErrorCode::InvalidArgument, "the rows overflow the page");
    PageBytes page(pageSize_, 0);
    page[0] = kPageData;
    page[1] = 0x01;
    writeU16(page, 2, static_cast<uint16_t>(pageSize_ - used));
    writeU32(page, 4, owner_);
    if (!isJet3(version_)) std::copy(afterOwner_.begin(), afterOwner_.end(), page.begin() + 8);
    writeU16(page, rowCountOffset(version_), static_cast<uint16_t>(rows_.size()));
    size_t end = pageSize_;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const StoredRow& r = rows_[i];
        const size_t start = end - r.bytes.size();
        std::copy(r.bytes.begin(), r.bytes.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
        writeU16(page, rowTableOffset(version_) + 2u * i, static_cast<uint16_t>(start | r.flags));
        end = start;
    }
    return page;
}

}  // namespace jet
