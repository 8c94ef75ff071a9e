#include "jet/write/long_value_writer.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr uint8_t kInlineFlag = 0x80;
constexpr uint8_t kSingleRowFlag = 0x40;
constexpr size_t kLinkSize = 4;
constexpr uint32_t kMaxLength = 0x3FFFFFFF;  // 30 bits; the top two are flags

std::vector<uint8_t> reference(size_t length, uint8_t flags, RowPointer where) {
    std::vector<uint8_t> out(LongValueWriter::kReferenceSize, 0);
    writeU32(out, 0, static_cast<uint32_t>(length) | (uint32_t{flags} << 24));
    writeU32(out, 4, where.packed());
    return out;
}

}  // namespace

LongValueWriter::LongValueWriter(PageSink& sink, JetVersion v)
    : sink_(sink), version_(v), open_(DataPageBuilder::forLongValues(v)) {}

size_t LongValueWriter::maxRowData(JetVersion v) {
    return DataPageBuilder::maxPhysicalRowSize(v) - kLinkSize;
}

void LongValueWriter::writeOpenPage() {
    if (!openPage_) return;
    sink_.write(*openPage_, open_.bytes());
    open_.clear();
    openPage_.reset();
}

RowPointer LongValueWriter::placeOnOpenPage(std::span<const uint8_t> row) {
    if (openPage_ && !open_.fits(row.size())) writeOpenPage();
    if (!openPage_) {
        openPage_ = sink_.allocate();
        pages_.push_back(*openPage_);
    }
    uint16_t n = open_.add(row);
    return RowPointer{*openPage_, static_cast<uint8_t>(n)};
}

std::vector<uint8_t> LongValueWriter::store(std::span<const uint8_t> data, size_t inlineRoom) {
    if (data.size() > kMaxLength) {
        throw Error(ErrorCode::InvalidArgument, "a long value is larger than a field can hold");
    }
    if (goesInline(version_, data.size(), inlineRoom)) {
        std::vector<uint8_t> out = reference(data.size(), kInlineFlag, {});
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
    const size_t rowData = maxRowData(version_);
    if (data.size() <= rowData) {
        return reference(data.size(), kSingleRowFlag, placeOnOpenPage(data));
    }

    // A chain: every part but the last fills a page of its own; the last,
    // shorter part shares the open page. Page numbers are fixed before any
    // part is written, so each part can name the next.
    size_t fullParts = data.size() / rowData;
    size_t tail = data.size() - fullParts * rowData;
    std::vector<uint32_t> partPages(fullParts);
    for (uint32_t& p : partPages) {
        p = sink_.allocate();
        pages_.push_back(p);
    }
    RowPointer tailAt{};
    if (tail > 0) {
        std::vector<uint8_t> row(kLinkSize, 0);
        row.insert(row.end(), data.end() - static_cast<std::ptrdiff_t>(tail), data.end());
        tailAt = placeOnOpenPage(row);
    }
    for (size_t i = 0; i < fullParts; ++i) {
        RowPointer next = i + 1 < fullParts ? RowPointer{partPages[i + 1], 0} : tailAt;
        std::vector<uint8_t> row(kLinkSize, 0);
        writeU32(row, 0, next.packed());
        auto from = data.begin() + static_cast<std::ptrdiff_t>(i * rowData);
        row.insert(row.end(), from, from + static_cast<std::ptrdiff_t>(rowData));
        DataPageBuilder page = DataPageBuilder::forLongValues(version_);
        page.add(row);
        sink_.write(partPages[i], page.bytes());
    }
    return reference(data.size(), 0, RowPointer{partPages[0], 0});
}

void LongValueWriter::finish() {
    writeOpenPage();
}

}  // namespace jet
