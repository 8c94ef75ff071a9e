#include "jet/write/table_def_writer.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/format/calculated_value.h"
#include "jet/format/page_types.h"
#include "jet/format/text_codec.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

// Words Access writes in every Jet 4 / ACE definition: one before the row
// count and before each column and logical index entry, another before each
// index data entry. Their meaning is unknown; every Access file holds these.
constexpr uint32_t kJet4TableMagic = 0x0659;
constexpr uint32_t kJet4IndexDataMagic = 0x0783;
// Jet 4: the byte after the auto-number; Access sets it to 1 in every table
// (an auto-number column does not work without it).
constexpr uint32_t kJet4AutoNumberEnabled = 1;
// Jet 3 pages carry "VC" where Jet 4 keeps the free space.
constexpr uint16_t kJet3TdefMark = 0x4356;
// What ordinary (not foreign-key) logical indexes hold in both cascade bytes.
constexpr uint8_t kNoCascadeMark = 0x04;
constexpr size_t kMaxIndexColumns = 10;
constexpr uint16_t kUnusedSlot = 0xFFFF;
constexpr size_t kLengthOffset = 8;
constexpr size_t kFreeSpaceOffset = 2;
constexpr size_t kNextPageOffset = 4;
constexpr size_t kPageHeaderSize = 8;

[[noreturn]] void refuse(const std::string& what) {
    throw Error(ErrorCode::InvalidArgument, what);
}

class Stream {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void raw(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

void writeName(Stream& out, const std::string& name, JetVersion v, uint16_t codePage) {
    if (isJet3(v)) {
        std::optional<std::vector<uint8_t>> encoded = encodeCodePageText(name, codePage);
        if (!encoded) {
            refuse("the name '" + name + "' cannot be stored in code page " +
                   std::to_string(codePage));
        }
        if (encoded->size() > 0xFF) refuse("the name '" + name + "' is too long");
        out.u8(static_cast<uint8_t>(encoded->size()));
        out.raw(*encoded);
        return;
    }
    std::u16string units = utf8ToUtf16(name);
    if (units.size() * 2 > 0xFFFF) refuse("the name '" + name + "' is too long");
    out.u16(static_cast<uint16_t>(units.size() * 2));
    for (char16_t u : units) out.u16(static_cast<uint16_t>(u));
}

void writeHeader(Stream& out, const TableDef& def, JetVersion v) {
    const bool jet3 = isJet3(v);
    out.u8(kPageTableDef);
    out.u8(0x01);
    out.u16(jet3 ? kJet3TdefMark : 0);  // free space: set once the length is known
    out.u32(0);                         // next page: set when split over pages
    out.u32(0);                         // length: set at the end
    if (!jet3) out.u32(kJet4TableMagic);
    out.u32(def.rowCount);
    out.u32(def.nextAutoNumber);
    if (!jet3) {
        out.u32(kJet4AutoNumberEnabled);
        out.u32(def.nextComplexAutoNumber);
        out.raw(def.headerReserved);
    }
    if (def.columns.size() > 0xFFFF) refuse("table '" + def.name + "' has too many columns");
    out.u8(def.tableType);
    out.u16(def.maxColumns);
    out.u16(def.varColumnCount);
    out.u16(static_cast<uint16_t>(def.columns.size()));
    out.u32(static_cast<uint32_t>(def.indexes.size()));
    out.u32(static_cast<uint32_t>(def.realIndexes.size()));
    out.u32(def.usageMapPointer);
    out.u32(def.freeMapPointer);
    for (const RealIndexDef& r : def.realIndexes) {
        out.u32(r.countPrefix);
        out.u32(r.entryCount);
        if (!jet3) out.u32(0);
    }
}

// The four (Jet 4) or six (Jet 3) bytes whose meaning depends on the type.
void writeTypeSpecific(Stream& out, const ColumnDef& c, JetVersion v) {
    if (isJet3(v)) {
        if (c.type == DataType::Numeric) {
            out.u8(c.precision);
            out.u8(c.scale);
        } else {
            out.u16(c.miscReserved);
        }
        out.u16(c.sortLcid);
        out.u16(c.codePage);
        return;
    }
    if (c.type == DataType::Numeric) {
        out.u8(c.precision);
        out.u8(c.scale);
        out.u16(c.miscReserved);
    } else if (c.type == DataType::Complex) {
        out.u32(c.complexId);
    } else {
        out.u16(c.sortLcid);
        out.u8(static_cast<uint8_t>(c.miscReserved));
        out.u8(c.sortVersion);
    }
}

void writeColumn(Stream& out, const ColumnDef& c, JetVersion v) {
    const bool jet3 = isJet3(v);
    out.u8(static_cast<uint8_t>(c.type));
    if (!jet3) out.u32(kJet4TableMagic);
    out.u16(c.number);
    out.u16(c.varIndex);
    out.u16(c.numberCopy.value_or(c.number));
    writeTypeSpecific(out, c, v);
    out.u8(c.flags);
    if (!jet3) {
        uint8_t ext = c.otherExtFlags;
        if (c.compressedUnicode) ext |= 0x01;
        if (c.calculated) ext |= kColumnExtCalculated;
        out.u8(ext);
        out.u32(0);
    }
    out.u16(c.fixedOffset);
    out.u16(c.length);
}

std::vector<const ColumnDef*> columnsInStoredOrder(const TableDef& def) {
    std::vector<const ColumnDef*> order;
    if (def.definitionOrder.empty()) {
        for (const ColumnDef& c : def.columns) order.push_back(&c);
        std::stable_sort(order.begin(), order.end(), [](const ColumnDef* a, const ColumnDef* b) {
            return a->number < b->number;
        });
        return order;
    }
    if (def.definitionOrder.size() != def.columns.size()) {
        refuse("the column order of table '" + def.name + "' does not list every column");
    }
    for (uint16_t number : def.definitionOrder) {
        const ColumnDef* c = def.columnByNumber(number);
        if (c == nullptr || std::find(order.begin(), order.end(), c) != order.end()) {
            refuse("the column order of table '" + def.name + "' names column " +
                   std::to_string(number) + " wrongly");
        }
        order.push_back(c);
    }
    return order;
}

void writeRealIndex(Stream& out, const RealIndexDef& r, JetVersion v, const std::string& table) {
    const bool jet3 = isJet3(v);
    if (r.columns.size() > kMaxIndexColumns) {
        refuse("an index of table '" + table + "' has more than ten columns");
    }
    if (!jet3) out.u32(kJet4IndexDataMagic);
    for (size_t i = 0; i < kMaxIndexColumns; ++i) {
        if (i < r.columns.size()) {
            out.u16(r.columns[i].columnNumber);
            out.u8(r.columns[i].ascending ? 0x01 : 0x00);
        } else {
            out.u16(kUnusedSlot);
            out.u8(r.unusedSlotBytes[i]);
        }
    }
    out.u32(r.usageMapPointer);
    out.u32(r.rootPage);
    if (!jet3) out.u32(r.reservedAfterRoot);
    out.u8(r.flags);
    if (!jet3) {
        out.u8(r.reservedAfterFlags);
        out.u32(0);
    }
}

void writeLogicalIndex(Stream& out, const IndexDef& x, JetVersion v) {
    const bool jet3 = isJet3(v);
    if (!jet3) out.u32(kJet4TableMagic);
    out.i32(x.number);
    out.i32(x.realIndex);
    out.u8(x.relatedTableKind);
    out.i32(x.relatedIndex);
    out.u32(x.relatedTablePage);
    if (x.isForeignKey()) {
        out.u8(x.cascadeUpdates ? 0x01 : 0x00);
        out.u8(static_cast<uint8_t>((x.cascadeDeletes ? 0x01 : 0x00) |
                                    (x.cascadeNullOnDelete ? 0x02 : 0x00)));
    } else {
        out.u8(kNoCascadeMark);
        out.u8(kNoCascadeMark);
    }
    out.u8(x.kind);
    if (!jet3) out.u32(0);
}

uint16_t freeSpaceWord(JetVersion v, size_t usedOnPage) {
    if (isJet3(v)) return kJet3TdefMark;
    const size_t pageSize = pageSizeOf(v);
    // Access counts the free space without the page header.
    return static_cast<uint16_t>(
        usedOnPage + kPageHeaderSize >= pageSize ? 0 : pageSize - usedOnPage - kPageHeaderSize);
}

}  // namespace

std::vector<uint8_t> encodeTableDef(const TableDef& def, JetVersion v, uint16_t codePage) {
    Stream out;
    writeHeader(out, def, v);
    std::vector<const ColumnDef*> columns = columnsInStoredOrder(def);
    for (const ColumnDef* c : columns) writeColumn(out, *c, v);
    for (const ColumnDef* c : columns) writeName(out, c->name, v, codePage);
    for (const RealIndexDef& r : def.realIndexes) writeRealIndex(out, r, v, def.name);
    for (const IndexDef& x : def.indexes) writeLogicalIndex(out, x, v);
    for (const IndexDef& x : def.indexes) writeName(out, x.name, v, codePage);
    for (const LongValueMaps& m : def.longValueMaps) {
        out.u16(m.columnNumber);
        out.u32(m.usageMapPointer);
        out.u32(m.freeMapPointer);
    }
    out.u16(0xFFFF);

    std::vector<uint8_t>& bytes = out.bytes();
    writeU32(bytes, kLengthOffset, static_cast<uint32_t>(bytes.size()));
    writeU16(bytes, kFreeSpaceOffset,
             freeSpaceWord(v, std::min<size_t>(bytes.size(), pageSizeOf(v))));
    return std::move(bytes);
}

void writeTableDef(PageSink& sink, uint32_t firstPage, const TableDef& def, JetVersion v,
                   uint16_t codePage) {
    if (sink.pageSize() != pageSizeOf(v)) {
        refuse("the page size does not match the file version");
    }
    const std::vector<uint8_t> stream = encodeTableDef(def, v, codePage);
    const size_t pageSize = sink.pageSize();

    size_t pos = 0;
    uint32_t pageNo = firstPage;
    while (true) {
        PageBytes page(pageSize, 0);
        size_t start = 0;
        if (pos != 0) {
            page[0] = kPageTableDef;
            page[1] = 0x01;
            start = kPageHeaderSize;
        }
        const size_t chunk = std::min(pageSize - start, stream.size() - pos);
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(pos), chunk,
                    page.begin() + static_cast<std::ptrdiff_t>(start));
        pos += chunk;
        writeU16(page, kFreeSpaceOffset, freeSpaceWord(v, start + chunk));
        uint32_t next = 0;
        if (pos < stream.size()) next = sink.allocate();
        writeU32(page, kNextPageOffset, next);
        sink.write(pageNo, page);
        if (next == 0) break;
        pageNo = next;
    }
}

}  // namespace jet
