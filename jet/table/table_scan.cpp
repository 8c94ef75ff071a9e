#include "jet/table/table_scan.h"

#include "jet/format/calculated_value.h"
#include "jet/format/data_page.h"
#include "jet/format/usage_map.h"
#include "jet/format/value_codec.h"

namespace jet {
namespace {

// Finds the bytes of a row, following one overflow pointer. Returns an
// empty optional for deleted rows. The page holding the bytes is kept in
// `holder` for as long as the bytes are used.
std::optional<Bytes> locateRow(Database& db, PageRef page, uint8_t rowNo, PageRef& holder) {
    Bytes p(*page);
    RowSlot slot = dataPageRow(p, db.version(), rowNo);
    if (slot.deleted) return std::nullopt;
    holder = page;
    if (!slot.overflow) return p.subspan(slot.start, slot.end - slot.start);

    // The row moved to another page; its new place is marked deleted there
    // so that a scan does not meet it twice.
    RowPointer target = RowPointer::fromPacked(readU32(p, slot.start, "an overflow pointer"));
    holder = db.pages().page(target.page);
    Bytes q(*holder);
    if (q[0] != kPageData) throwCorrupt("an overflow row points at a page that holds no data");
    RowSlot moved = dataPageRow(q, db.version(), target.row);
    if (moved.overflow && !moved.deleted)
        throwCorrupt("an overflow row points at another overflow row");
    uint16_t start = moved.start, end = moved.end;
    if (start > end || end > q.size()) throwCorrupt("an overflow row has impossible bounds");
    return q.subspan(start, end - start);
}

Value columnValue(Database& db, const RowView& row, const ColumnDef& c) {
    // Calculated Booleans are stored bytes, not the null-mask bit.
    if (c.type == DataType::Boolean && !c.calculated) return Value::boolean(row.boolValue(c));
    std::optional<Bytes> b = row.bytes(c);
    if (!b) return Value::null();
    if (c.calculated) return decodeCalculatedValue(c, *b, db.version(), db.codePage(), db.pages());
    return decodeValue(c, *b, db.version(), db.codePage(), db.pages());
}

}  // namespace

TableScan::TableScan(Database& db, std::shared_ptr<const TableDef> def)
    : db_(db), def_(std::move(def)) {
    pages_ = readUsageMap(db_.pages(), db_.version(), def_->usageMapPointer);
}

bool TableScan::loadRow(uint32_t pageNo, uint8_t rowNo) {
    std::optional<Bytes> bytes = locateRow(db_, page_, rowNo, rowPage_);
    if (!bytes) return false;
    row_.emplace(*bytes, db_.version(), def_->varColumnCount > 0);
    current_ = RowPointer{pageNo, rowNo};
    return true;
}

bool TableScan::next() {
    row_.reset();
    while (pageIndex_ < pages_.size()) {
        if (!page_) {
            page_ = db_.pages().page(pages_[pageIndex_]);
            Bytes p(*page_);
            // Usage maps may name pages since given to other tables.
            if (p[0] != kPageData || dataPageOwner(p) != def_->tdefPage) {
                page_.reset();
                ++pageIndex_;
                continue;
            }
            rowIndex_ = -1;
        }
        uint16_t count = dataPageRowCount(Bytes(*page_), db_.version());
        while (++rowIndex_ < count) {
            if (rowIndex_ > 255) throwCorrupt("a data page holds more than 256 rows");
            if (loadRow(pages_[pageIndex_], static_cast<uint8_t>(rowIndex_))) return true;
        }
        page_.reset();
        ++pageIndex_;
    }
    return false;
}

Value TableScan::value(size_t columnIndex) const {
    return columnValue(db_, *row_, def_->columns.at(columnIndex));
}

std::vector<Value> TableScan::values() const {
    std::vector<Value> out;
    out.reserve(def_->columns.size());
    for (const ColumnDef& c : def_->columns) out.push_back(columnValue(db_, *row_, c));
    return out;
}

std::optional<Bytes> TableScan::rawBytes(size_t columnIndex) const {
    return row_->bytes(def_->columns.at(columnIndex));
}

std::optional<std::vector<Value>> readRow(Database& db, const TableDef& def, RowPointer id) {
    if (id.page == 0 || id.page >= db.pages().pageCount()) return std::nullopt;
    PageRef page = db.pages().page(id.page);
    Bytes p(*page);
    if (p[0] != kPageData || dataPageOwner(p) != def.tdefPage) return std::nullopt;
    if (id.row >= dataPageRowCount(p, db.version())) return std::nullopt;
    PageRef holder;
    std::optional<Bytes> bytes = locateRow(db, page, id.row, holder);
    if (!bytes) return std::nullopt;
    RowView row(*bytes, db.version(), def.varColumnCount > 0);
    std::vector<Value> out;
    for (const ColumnDef& c : def.columns) out.push_back(columnValue(db, row, c));
    return out;
}

}  // namespace jet
