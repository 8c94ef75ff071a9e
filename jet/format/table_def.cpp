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
        colCodePage, colComplexId, colFlags, colExtFlags, colFixedOffset, colLength;
    size_t realIdxSkipBefore, realIdxSkipBeforeFlags, realIdxEntrySizeFull;
    size_t logicalIdxEntrySize, logicalIdxSkipBefore;
    bool wideNames;
};

const TdefLayout& layoutFor(JetVersion v) {
    static const TdefLayout jet3{0x0c, 0x10, 0,  0x14, 0x15, 0x17, 0x19, 0x1b, 0x1f, 0x23, 0x27,
                                 0x2b, 8,    18, 0,    1,    3,    7,    8,    9,    0,    11,
                                 0,    13,   0,  14,   16,   0,    0,    39,   20,   0,    false};
    static const TdefLayout jet4{0x10, 0x14, 0x1c, 0x28, 0x29, 0x2b, 0x2d, 0x2f, 0x33, 0x37, 0x3b,
                                 0x3f, 12,   25,   0,    5,    7,    11,   12,   11,   14,   0,
                                 11,   15,   16,   21,   23,   4,    4,    52,   28,   4,    true};
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
    if (!isJet3(version)) t.nextComplexAutoNumber = readU32(def, L.complexAutoNumber);
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

    size_t pos = L.realIdxEntries + numRealIdx * L.realIdxEntrySize;
    t.columns.resize(numCols);
    for (ColumnDef& c : t.columns) {
        Bytes e = subBytes(def, pos, L.columnEntrySize, "a column definition");
        c.type = static_cast<DataType>(readU8(e, L.colType));
        c.number = readU16(e, L.colNumber);
        c.varIndex = readU16(e, L.colVarIndex);
        c.flags = readU8(e, L.colFlags);
        if (!isJet3(version)) {
            uint8_t extFlags = readU8(e, L.colExtFlags);
            c.compressedUnicode = (extFlags & 0x01) != 0;
            c.calculated = (extFlags & kColumnExtCalculated) != 0;
        }
        c.fixedOffset = readU16(e, L.colFixedOffset);
        c.length = readU16(e, L.colLength);
        switch (c.type) {
            case DataType::Numeric:
                c.precision = readU8(e, L.colPrecision);
                c.scale = readU8(e, L.colScale);
                break;
            case DataType::Text:
            case DataType::Memo:
                c.sortLcid = readU16(e, L.colSortOrder);
                if (isJet3(version)) {
                    c.codePage = readU16(e, L.colCodePage);
                } else {
                    c.sortVersion = readU8(e, L.colSortVersion);
                }
                break;
            case DataType::Complex:
                if (!isJet3(version)) c.complexId = readU32(e, L.colComplexId);
                break;
            default:
                break;
        }
        pos += L.columnEntrySize;
    }
    uint16_t codePage = jet3CodePage;
    for (ColumnDef& c : t.columns) c.name = readName(def, pos, L.wideNames, codePage);
    // Definition entries are not always in column order; a table's field order
    // is the order of the column numbers.
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });

    t.realIndexes.resize(numRealIdx);
    for (RealIndexDef& r : t.realIndexes) {
        Bytes e = subBytes(def, pos, L.realIdxEntrySizeFull, "an index definition");
        size_t p = L.realIdxSkipBefore;
        for (int i = 0; i < 10; ++i) {
            uint16_t col = readU16(e, p);
            uint8_t order = readU8(e, p + 2);
            p += 3;
            if (col != 0xFFFF) r.columns.push_back(IndexColumn{col, order == 0x01});
        }
        r.usageMapPointer = readU32(e, p);
        r.rootPage = readU32(e, p + 4);
        p += 8 + L.realIdxSkipBeforeFlags;
        r.flags = readU8(e, p);
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
        x.cascadeUpdates = readU8(e, p + 17) != 0;
        x.cascadeDeletes = readU8(e, p + 18) != 0;
        x.kind = readU8(e, p + 19);
        pos += L.logicalIdxEntrySize;
    }
    for (IndexDef& x : t.indexes) {
        x.name = readName(def, pos, L.wideNames, codePage);
        if (x.realIndex < 0 || static_cast<uint32_t>(x.realIndex) >= numRealIdx) {
            throwCorrupt("index '" + x.name + "' refers to missing index data");
        }
    }
    return t;
}

}  // namespace jet
