#include "jet/table/long_value_store.h"

#include <string>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/data_page_builder.h"
#include "jet/format/data_page_rows.h"
#include "jet/format/usage_map.h"
#include "jet/table/page_allocator.h"
#include "jet/table/usage_map_edit.h"

namespace jet {
namespace {

constexpr size_t kLinkSize = 4;
constexpr uint32_t kMaxLength = 0x3FFFFFFF;  // 30 bits; the top two are flags

size_t maxRowData(JetVersion v) {
    return DataPageBuilder::maxPhysicalRowSize(v) - kLinkSize;
}

std::vector<uint8_t> reference(size_t length, uint8_t flags, RowPointer where) {
    std::vector<uint8_t> out(kLongValueHeaderSize, 0);
    writeU32(out, 0, static_cast<uint32_t>(length) | (uint32_t{flags} << 24));
    writeU32(out, 4, where.packed());
    return out;
}

DataPageRows longValuePage(PageStore& store, JetVersion v, uint32_t page) {
    if (page == 0 || page >= store.pageCount())
        throwCorrupt("a long value names page " + std::to_string(page) + ", which the file lacks");
    DataPageRows rows = DataPageRows::parse(Bytes(*store.page(page)), v);
    if (rows.owner() != kLongValuePageOwner)
        throwCorrupt("a long value names page " + std::to_string(page) +
                     ", which holds no long values");
    return rows;
}

}  // namespace

LongValueStore::LongValueStore(PageStore& store, JetVersion v, PageAllocator& allocator,
                               uint32_t usageMapPointer)
    : store_(store), version_(v), allocator_(allocator), usageMapPointer_(usageMapPointer) {}

uint32_t LongValueStore::freshPage() {
    const uint32_t page = allocator_.allocate();
    *store_.writablePage(page) =
        DataPageRows::empty(version_, kLongValuePageOwner, store_.pageSize()).encode();
    if (usageMapPointer_ != 0)
        addPageToUsageMap(store_, version_, usageMapPointer_, page,
                          [&] { return allocator_.allocate(); });
    return page;
}

RowPointer LongValueStore::placeRow(std::vector<uint8_t> row) {
    auto tryPage = [&](uint32_t page) -> std::optional<RowPointer> {
        if (page == 0 || page >= store_.pageCount()) return std::nullopt;
        Bytes raw(*store_.page(page));
        if (raw[0] != kPageData || dataPageOwner(raw) != kLongValuePageOwner) return std::nullopt;
        DataPageRows rows = DataPageRows::parse(raw, version_);
        if (!rows.fitsNewRow(row.size())) return std::nullopt;
        const uint8_t at = rows.add(std::move(row));
        *store_.writablePage(page) = rows.encode();
        lastPage_ = page;
        return RowPointer{page, at};
    };
    if (lastPage_)
        if (auto at = tryPage(*lastPage_)) return *at;
    if (usageMapPointer_ != 0) {
        const std::vector<uint32_t> pages = readUsageMap(store_, version_, usageMapPointer_);
        if (!pages.empty() && (!lastPage_ || pages.back() != *lastPage_))
            if (auto at = tryPage(pages.back())) return *at;
    }
    if (auto at = tryPage(freshPage())) return *at;
    throw Error(ErrorCode::InvalidArgument, "a long-value row does not fit an empty page");
}

std::vector<uint8_t> LongValueStore::store(std::span<const uint8_t> data, size_t inlineRoom) {
    if (data.size() > kMaxLength)
        throw Error(ErrorCode::InvalidArgument, "a long value is larger than a field can hold");
    if (longValueGoesInline(version_, data.size(), inlineRoom)) {
        std::vector<uint8_t> out = reference(data.size(), kLongValueInline, {});
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
    const size_t rowData = maxRowData(version_);
    if (data.size() <= rowData) {
        return reference(data.size(), kLongValueSinglePage,
                         placeRow(std::vector<uint8_t>(data.begin(), data.end())));
    }
    // A chain: every part but the last fills a page of its own, written
    // last to first so that each can name the next.
    const size_t fullParts = data.size() / rowData;
    const size_t tail = data.size() - fullParts * rowData;
    RowPointer next{};
    if (tail > 0) {
        std::vector<uint8_t> row(kLinkSize, 0);
        row.insert(row.end(), data.end() - static_cast<std::ptrdiff_t>(tail), data.end());
        next = placeRow(std::move(row));
    }
    for (size_t i = fullParts; i-- > 0;) {
        std::vector<uint8_t> row(kLinkSize, 0);
        writeU32(row, 0, next.packed());
        auto from = data.begin() + static_cast<std::ptrdiff_t>(i * rowData);
        row.insert(row.end(), from, from + static_cast<std::ptrdiff_t>(rowData));
        const uint32_t page = freshPage();
        DataPageRows rows = DataPageRows::empty(version_, kLongValuePageOwner, store_.pageSize());
        rows.add(std::move(row));
        *store_.writablePage(page) = rows.encode();
        next = RowPointer{page, 0};
    }
    return reference(data.size(), 0, next);
}

void releaseLongValue(PageStore& store, JetVersion v, Bytes field) {
    const uint32_t head = readU32(field, 0, "a long-value reference");
    const uint8_t flags = static_cast<uint8_t>(head >> 24);
    if (flags & kLongValueInline) return;
    if (field.size() < kLongValueHeaderSize) throwCorrupt("a long-value reference is too short");
    const size_t length = head & kMaxLength;
    RowPointer at = RowPointer::fromPacked(readU32(field, 4, "a long-value reference"));
    const bool chained = (flags & kLongValueSinglePage) == 0;
    size_t seen = 0;
    for (uint32_t hops = 0;; ++hops) {
        if (hops > store.pageCount()) throwCorrupt("a long-value chain does not end");
        DataPageRows rows = longValuePage(store, v, at.page);
        if (at.row >= rows.rows().size() || rows.rows()[at.row].deleted())
            throwCorrupt("a long value names a row that is not there");
        StoredRow& row = rows.rows()[at.row];
        RowPointer next{};
        if (chained) {
            next = RowPointer::fromPacked(readU32(row.bytes, 0, "a long-value link"));
            seen += row.bytes.size() >= kLinkSize ? row.bytes.size() - kLinkSize : 0;
        }
        row.flags |= kRowDeletedFlag;
        row.bytes.clear();
        *store.writablePage(at.page) = rows.encode();
        if (!chained || seen >= length || next.packed() == 0) return;
        at = next;
    }
}

}  // namespace jet
