#include "jet/format/data_page_builder.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr size_t kRowSlotSize = 2;
constexpr size_t kRowSizeMargin = 36;

}  // namespace

DataPageBuilder::DataPageBuilder(JetVersion v, uint32_t ownerPage)
    : version_(v), page_(pageSizeOf(v), 0) {
    page_[0] = kPageData;
    page_[1] = 0x01;
    writeU32(page_, 4, ownerPage);
}

DataPageBuilder DataPageBuilder::forLongValues(JetVersion v) {
    DataPageBuilder b(v, 0);
    const char tag[4] = {'L', 'V', 'A', 'L'};
    std::copy(tag, tag + 4, b.page_.begin() + 4);
    return b;
}

size_t DataPageBuilder::freeSpace() const {
    return page_.size() - rowTableOffset(version_) - kRowSlotSize * rowEnds_.size() - used_;
}

bool DataPageBuilder::fits(size_t rowSize) const {
    return rowEnds_.size() < kMaxRowsPerPage && rowSize + kRowSlotSize <= freeSpace();
}

uint16_t DataPageBuilder::add(std::span<const uint8_t> row) {
    if (!fits(row.size())) {
        throw Error(ErrorCode::InvalidArgument,
                    "a row of " + std::to_string(row.size()) + " bytes does not fit on the page");
    }
    size_t start = page_.size() - used_ - row.size();
    std::copy(row.begin(), row.end(), page_.begin() + static_cast<std::ptrdiff_t>(start));
    used_ += row.size();
    rowEnds_.push_back(static_cast<uint16_t>(start));
    return static_cast<uint16_t>(rowEnds_.size() - 1);
}

PageBytes DataPageBuilder::bytes() const {
    PageBytes out = page_;
    writeU16(out, 2, static_cast<uint16_t>(freeSpace()));
    writeU16(out, rowCountOffset(version_), rowCount());
    for (size_t i = 0; i < rowEnds_.size(); ++i) {
        writeU16(out, rowTableOffset(version_) + kRowSlotSize * i, rowEnds_[i]);
    }
    return out;
}

void DataPageBuilder::clear() {
    size_t keep = rowTableOffset(version_);
    std::fill(page_.begin() + static_cast<std::ptrdiff_t>(keep), page_.end(), 0);
    rowEnds_.clear();
    used_ = 0;
}

size_t DataPageBuilder::maxRowSize(JetVersion v) {
    return pageSizeOf(v) - kRowSizeMargin;
}

size_t DataPageBuilder::maxPhysicalRowSize(JetVersion v) {
    return pageSizeOf(v) - rowTableOffset(v) - kRowSlotSize;
}

}  // namespace jet
