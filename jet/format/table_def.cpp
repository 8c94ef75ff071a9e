#include "jet/format/table_def.h"

#include <algorithm>
#include <set>

#include "jet/file/page_store.h"
#include "jet/format/calculated_value.h"
#include "jet/format/page_types.h"
#include "jet/format/text_codec.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

// Where the pieces of a definition sit, per format generation.
struct TdefLayout {
    size_t rowCount, autoNumber, complexAutoNumber, tableType, maxCols, varCols, numCols, numIdx,
        numRealIdx, usageMap, freeMap, realIdxEntries;
    size_t realIdxEntrySize;
    size_t columnEntrySize;
    size_t colType, colNumber, colVarIndex, colPrecision, colScale, colSortOrder, colSortVersion,
        colCodePage, colComplexId, colNumberCopy, colFlags, colExtFlags, colFixedOffset, colLength;
    size_t realIdxSkipBefore, realIdxSkipBeforeFlags, realIdxEntrySizeFull;
    size_t logicalIdxEntrySize, logicalIdxSkipBefore;
    bool wideNames;
};

// Length of the definition stream (first page header included, later page
// headers not), in both layouts.
constexpr size_t kDefinitionLengthOffset = 8;

const TdefLayout& layoutFor(JetVersion v) {
    static const TdefLayout jet3{.rowCount = 0x0c,
                                 .autoNumber = 0x10,
                                 .complexAutoNumber = 0,
                                 .tableType = 0x14,
                                 .maxCols = 0x15,
                                 .varCols = 0x17,
                                 .numCols = 0x19,
                                 .numIdx = 0x1b,
                                 .numRealIdx = 0x1f,
                                 .usageMap = 0x23,
                                 .freeMap = 0x27,
                                 .realIdxEntries = 0x2b,
                                 .realIdxEntrySize = 8,
                                 .columnEntrySize = 18,
                                 .colType = 0,
                                 .colNumber = 1,
                                 .colVarIndex = 3,
                                 .colPrecision = 7,
                                 .colScale = 8,
                                 .colSortOrder = 9,
                                 .colSortVersion = 0,
                                 .colCodePage = 11,
                                 .colComplexId = 0,
                                 .colNumberCopy = 5,
                                 .colFlags = 13,
                                 .colExtFlags = 0,
                                 .colFixedOffset = 14,
                                 .colLength = 16,
                                 .realIdxSkipBefore = 0,
                                 .realIdxSkipBeforeFlags = 0,
                                 .realIdxEntrySizeFull = 39,
                                 .logicalIdxEntrySize = 20,
                                 .logicalIdxSkipBefore = 0,
                                 .wideNames = false};
    static const TdefLayout jet4{.rowCount = 0x10,
                                 .autoNumber = 0x14,
                                 .complexAutoNumber = 0x1c,
                                 .tableType = 0x28,
                                 .maxCols = 0x29,
                                 .varCols = 0x2b,
                                 .numCols = 0x2d,
                                 .numIdx = 0x2f,
                                 .numRealIdx = 0x33,
                                 .usageMap = 0x37,
                                 .freeMap = 0x3b,
                                 .realIdxEntries = 0x3f,
                                 .realIdxEntrySize = 12,
                                 .columnEntrySize = 25,
                                 .colType = 0,
                                 .colNumber = 5,
                                 .colVarIndex = 7,
                                 .colPrecision = 11,
                                 .colScale = 12,
                                 .colSortOrder = 11,
                                 .colSortVersion = 14,
                                 .colCodePage = 0,
                                 .colComplexId = 11,
                                 .colNumberCopy = 9,
                                 .colFlags = 15,
                                 .colExtFlags = 16,
                                 .colFixedOffset = 21,
                                 .colLength = 23,
                                 .realIdxSkipBefore = 4,
                                 .realIdxSkipBeforeFlags = 4,
                                 .realIdxEntrySizeFull = 52,
                                 .logicalIdxEntrySize = 28,
                                 .logicalIdxSkipBefore = 4,
                                 .wideNames = true};
    return isJet3(v) ? jet3 : jet4;
}

// Reads the whole definition: the first page as it is, each continuation
// page without its 8-byte header.
std::vector<uint8_t> readDefinitionBytes(PageStore& pages, uint32_t tdefPage) {
    std::vector<uint8_t> buf;
    std::set<uint32_t> seen;
    uint32_t pageNo = tdefPage;
    bool first = true;
    while (pageNo != 0 || first) {
        if (!seen.insert(pageNo).second) {
            throwCorrupt("the definition of the table on page " + std::to_string(tdefPage) +
                         " loops back on itself");
        }
        PageRef page = pages.page(pageNo);
        Bytes p(*page);
        if (p[0] != kPageTableDef) {
            throwCorrupt("page " + std::to_string(pageNo) + " should hold a table definition");
        }
        if (first) {
            buf.assign(p.begin(), p.end());
        } else {
            buf.insert(buf.end(), p.begin() + 8, p.end());
        }
        pageNo = readU32(p, 4);
        first = false;
    }
    return buf;
}

std::string readName(Bytes def, size_t& pos, bool wide, uint16_t codePage) {
    if (wide) {
        uint16_t len = readU16(def, pos, "a name length");
        Bytes b = subBytes(def, pos + 2, len, "a name");
        pos += 2 + len;
        return decodeUnicodeText(b);
    }
    uint8_t len = readU8(def, pos, "a name length");
    Bytes b = subBytes(def, pos + 1, len, "a name");
    pos += 1 + len;
    return decodeCodePageText(b, codePage);
}

}  // namespace

const ColumnDef* TableDef::findColumn(std::string_view n) const {
    for (const auto& c : columns) {
        if (sameName(c.name, n)) return &c;
    }
    return nullptr;
}

const ColumnDef* TableDef::columnByNumber(uint16_t number) const {
    for (const auto& c : columns) {
        if (c.number == number) return &c;
    }
    return nullptr;
}

const RealIndexDef& TableDef::realIndexOf(const IndexDef& index) const {
    if (index.realIndex < 0 || static_cast<size_t>(index.realIndex) >= realIndexes.size()) {
        throwCorrupt("index '" + index.name + "' of table '" + name + "' has no index data");
    }
    return realIndexes[static_cast<size_t>(index.realIndex)];
}

TableDef readTableDef(PageStore& pages, JetVersion version, uint32_t tdefPage,
                      uint16_t jet3CodePage) {
    const TdefLayout& L = layoutFor(version);
    std::vector<uint8_t> buf = readDefinitionBytes(pages, tdefPage);
    Bytes def(buf);

    TableDef t;
    t.tdefPage = tdefPage;
    t.rowCount = readU32(def, L.rowCount);
    t.nextAutoNumber = readU32(def, L.autoNumber);
    if (!isJet3(version)) {
        t.nextComplexAutoNumber = readU32(def, L.complexAutoNumber);
        Bytes reserved = subBytes(def, L.complexAutoNumber + 4, t.headerReserved.size());
        std::copy(reserved.begin(), reserved.end(), t.headerReserved.begin());
    }
    t.tableType = readU8(def, L.tableType);
    t.maxColumns = readU16(def, L.maxCols);
    t.varColumnCount = readU16(def, L.varCols);
    uint16_t numCols = readU16(def, L.numCols);
    uint32_t numIdx = readU32(def, L.numIdx);
    uint32_t numRealIdx = readU32(def, L.numRealIdx);
    t.usageMapPointer = readU32(def, L.usageMap);
    t.freeMapPointer = readU32(def, L.freeMap);

    // Counts come from the file: refuse any that cannot fit in the bytes we
    // have before allocating for them.
    if (numRealIdx > def.size() / L.realIdxEntrySize ||
        numIdx > def.size() / L.logicalIdxEntrySize || numCols > def.size() / L.columnEntrySize) {
        throwCorrupt("the definition of the table on page " + std::to_string(tdefPage) +
                     " has impossible column or index counts");
    }

    t.realIndexes.resize(numRealIdx);
    size_t pos = L.realIdxEntries;
    for (RealIndexDef& r : t.realIndexes) {
        r.countPrefix = readU32(def, pos, "an index count");
        r.entryCount = readU32(def, pos + 4, "an index count");
        pos += L.realIdxEntrySize;
    }
    t.columns.resize(numCols);
    for (ColumnDef& c : t.columns) {
        Bytes e = subBytes(def, pos, L.columnEntrySize, "a column definition");
        c.type = static_cast<DataType>(readU8(e, L.colType));
        c.number = readU16(e, L.colNumber);
        c.numberCopy = readU16(e, L.colNumberCopy);
        c.varIndex = readU16(e, L.colVarIndex);
        c.flags = readU8(e, L.colFlags);
        if (!isJet3(version)) {
            uint8_t extFlags = readU8(e, L.colExtFlags);
            c.compressedUnicode = (extFlags & 0x01) != 0;
            c.calculated = (extFlags & kColumnExtCalculated) != 0;
            c.otherExtFlags = extFlags & static_cast<uint8_t>(~(0x01 | kColumnExtCalculated));
        }
        c.fixedOffset = readU16(e, L.colFixedOffset);
        c.length = readU16(e, L.colLength);
        // The type-specific bytes: precision and scale for Numeric, the
        // complex-column id, else a sort order (Access writes the database's
        // on every column, text or not) and in Jet 3 a code page.
        if (c.type == DataType::Numeric) {
            c.precision = readU8(e, L.colPrecision);
            c.scale = readU8(e, L.colScale);
            if (!isJet3(version)) c.miscReserved = readU16(e, L.colScale + 1);
        } else if (c.type == DataType::Complex && !isJet3(version)) {
            c.complexId = readU32(e, L.colComplexId);
        } else {
            c.sortLcid = readU16(e, L.colSortOrder);
            if (isJet3(version)) {
                c.codePage = readU16(e, L.colCodePage);
                c.miscReserved = readU16(e, L.colPrecision);
            } else {
                c.miscReserved = readU8(e, L.colSortOrder + 2);
                c.sortVersion = readU8(e, L.colSortVersion);
            }
        }
        pos += L.columnEntrySize;
    }
    uint16_t codePage = jet3CodePage;
    for (ColumnDef& c : t.columns) c.name = readName(def, pos, L.wideNames, codePage);
    // Definition entries are not always in column order; a table's field order
    // is the order of the column numbers.
    for (const ColumnDef& c : t.columns) t.definitionOrder.push_back(c.number);
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });

    for (RealIndexDef& r : t.realIndexes) {
        Bytes e = subBytes(def, pos, L.realIdxEntrySizeFull, "an index definition");
        size_t p = L.realIdxSkipBefore;
        for (int i = 0; i < 10; ++i) {
            uint16_t col = readU16(e, p);
            uint8_t order = readU8(e, p + 2);
            p += 3;
            if (col != 0xFFFF) {
                r.columns.push_back(IndexColumn{col, order == 0x01});
            } else {
                r.unusedSlotBytes[static_cast<size_t>(i)] = order;
            }
        }
        r.usageMapPointer = readU32(e, p);
        r.rootPage = readU32(e, p + 4);
        if (!isJet3(version)) r.reservedAfterRoot = readU32(e, p + 8);
        p += 8 + L.realIdxSkipBeforeFlags;
        r.flags = readU8(e, p);
        if (!isJet3(version)) r.reservedAfterFlags = readU8(e, p + 1);
        pos += L.realIdxEntrySizeFull;
    }

    t.indexes.resize(numIdx);
    for (IndexDef& x : t.indexes) {
        Bytes e = subBytes(def, pos, L.logicalIdxEntrySize, "an index entry");
        size_t p = L.logicalIdxSkipBefore;
        x.number = readI32(e, p);
        x.realIndex = readI32(e, p + 4);
        x.relatedTableKind = readU8(e, p + 8);
        x.relatedIndex = readI32(e, p + 9);
        x.relatedTablePage = readU32(e, p + 13);
        x.kind = readU8(e, p + 19);
        // Other indexes hold 04 in both cascade bytes.
        if (x.isForeignKey()) {
            x.cascadeUpdates = (readU8(e, p + 17) & 0x01) != 0;
            uint8_t onDelete = readU8(e, p + 18);
            x.cascadeDeletes = (onDelete & 0x01) != 0;
            x.cascadeNullOnDelete = (onDelete & 0x02) != 0;
        }
        pos += L.logicalIdxEntrySize;
    }
    for (IndexDef& x : t.indexes) {
        x.name = readName(def, pos, L.wideNames, codePage);
        if (x.realIndex < 0 || static_cast<uint32_t>(x.realIndex) >= numRealIdx) {
            throwCorrupt("index '" + x.name + "' refers to missing index data");
        }
    }
    // The long-value columns' maps run to an FFFF column number. Older
    // writers may end the definition without them: stop at its stated end.
    const size_t end = std::min<size_t>(def.size(), readU32(def, kDefinitionLengthOffset));
    while (pos + 2 <= end) {
        uint16_t col = readU16(def, pos);
        if (col == 0xFFFF || pos + 10 > end) break;
        t.longValueMaps.push_back(LongValueMaps{col, readU32(def, pos + 2), readU32(def, pos + 6)});
        pos += 10;
    }
    return t;
}

}  // namespace jet
