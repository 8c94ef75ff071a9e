// A table definition as stored on its TDEF page chain: columns, physical
// ("real") indexes and logical indexes. Plain data; readTableDef builds it
// from the pages and checks every offset.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/util/names.h"
#include "jet/value.h"

namespace jet {

class PageStore;

// Column flag bits of the definition.
enum ColumnFlags : uint8_t {
    kColumnFixed = 0x01,
    kColumnNullable = 0x02,
    kColumnAutoLong = 0x04,
    kColumnReplication = 0x10,
    kColumnAutoGuid = 0x40,
    kColumnHyperlink = 0x80,
};

struct ColumnDef {
    std::string name;
    DataType type = DataType::Text;
    uint16_t number = 0;       // position in the null mask; counts deleted columns
    uint16_t varIndex = 0;     // entry in the row's variable-offset table
    uint16_t fixedOffset = 0;  // start in the row's fixed area
    uint16_t length = 0;       // bytes (Text: bytes, i.e. 2 per character from Jet 4)
    uint8_t flags = 0;
    bool compressedUnicode = false;
    uint8_t precision = 0;  // Numeric
    uint8_t scale = 0;      // Numeric
    uint16_t sortLcid = 0;  // Text / Memo (Access stores it on most other types too)
    uint8_t sortVersion = 0;
    uint16_t codePage = 0;   // Jet 3 text
    uint32_t complexId = 0;  // Complex columns: row key in MSysComplexColumns
    // Calculated column (ACE 14+): the stored bytes are wrapped, see
    // jet/format/calculated_value.h, and `type` is only the result type once
    // applyCalculatedResultTypes has read the column's ResultType property.
    bool calculated = false;

    // Bytes a faithful re-encoding needs. A new column may leave them at
    // their defaults, which are what Access writes for a new column.
    //
    // The column number Access repeats after the variable-offset index. User
    // tables hold the number itself; the system tables of a new database hold
    // 0. Unset means "the number".
    std::optional<uint16_t> numberCopy;
    // Jet 4: the two bytes after precision and scale of a Numeric column
    // (Access leaves uninitialised memory there). Jet 3: the word before the
    // sort order, 0 or 1 in Access files, meaning unknown.
    uint16_t miscReserved = 0;
    // Extra-flag bits (Jet 4) other than compressed text and calculated.
    uint8_t otherExtFlags = 0;

    bool isFixed() const { return (flags & kColumnFixed) != 0; }
    bool isAutoLong() const { return (flags & kColumnAutoLong) != 0; }
    bool isAutoGuid() const { return (flags & kColumnAutoGuid) != 0; }
    bool isHyperlink() const { return (flags & kColumnHyperlink) != 0; }
    bool isAutoNumber() const { return isAutoLong() || isAutoGuid(); }
};

enum IndexFlags : uint8_t {
    kIndexUnique = 0x01,
    kIndexIgnoreNulls = 0x02,
    kIndexRequired = 0x08,
};

struct IndexColumn {
    uint16_t columnNumber = 0;
    bool ascending = true;
};

struct RealIndexDef {
    std::vector<IndexColumn> columns;
    uint32_t usageMapPointer = 0;
    uint32_t rootPage = 0;
    uint8_t flags = 0;

    // From the count block before the columns: the number of entries Access
    // last counted in the index (usually the table's row count) and the word
    // before it (meaning unknown; 0 in a new table).
    uint32_t entryCount = 0;
    uint32_t countPrefix = 0;
    // The order byte Access leaves in each unused column slot (uninitialised
    // memory; 0 for a new index). Slots in use are written from `columns`.
    std::array<uint8_t, 10> unusedSlotBytes{};
    // Jet 4: the word after the root page and the byte after the flags
    // (meaning unknown; 0 in a new index, the byte is sometimes 2).
    uint32_t reservedAfterRoot = 0;
    uint8_t reservedAfterFlags = 0;
};

struct IndexDef {
    std::string name;
    int32_t number = 0;
    int32_t realIndex = 0;  // which RealIndexDef holds the pages
    uint8_t kind = 0;       // 1 primary key, 2 foreign key, 0 other
    uint8_t relatedTableKind = 0;
    int32_t relatedIndex = -1;
    uint32_t relatedTablePage = 0;
    bool cascadeUpdates = false;       // foreign keys only
    bool cascadeDeletes = false;       // foreign keys only
    bool cascadeNullOnDelete = false;  // foreign keys only: delete sets the key to null

    bool isPrimaryKey() const { return kind == 1; }
    bool isForeignKey() const { return kind == 2; }
};

struct LongValueMaps {
    uint16_t columnNumber = 0;
    uint32_t usageMapPointer = 0;
    uint32_t freeMapPointer = 0;
};

struct TableDef {
    std::string name;
    uint32_t tdefPage = 0;
    uint32_t rowCount = 0;
    uint32_t nextAutoNumber = 0;
    uint32_t nextComplexAutoNumber = 0;
    uint8_t tableType = 0;  // 0x4e user, 0x53 system
    uint16_t maxColumns = 0;
    uint16_t varColumnCount = 0;
    uint32_t usageMapPointer = 0;  // row pointer of the owned-pages map
    uint32_t freeMapPointer = 0;
    std::vector<ColumnDef> columns;  // in field order (by column number)
    std::vector<RealIndexDef> realIndexes;
    std::vector<IndexDef> indexes;
    // Each long-value column's own pair of usage maps (pages of its long
    // values, and those of them with free space), in stored order.
    std::vector<LongValueMaps> longValueMaps;
    // Column numbers in the order the column entries are stored (Access
    // stores them by number or by name); empty means by number.
    std::vector<uint16_t> definitionOrder;
    // Jet 4: eight bytes after the complex-column auto-number, meaning
    // unknown; Access often leaves uninitialised memory there, 0 when new.
    std::array<uint8_t, 8> headerReserved{};

    const ColumnDef* findColumn(std::string_view name) const;  // case-insensitive
    const ColumnDef* columnByNumber(uint16_t number) const;
    const RealIndexDef& realIndexOf(const IndexDef& index) const;
};

// Reads the definition whose chain starts at `tdefPage`. Throws jet::Error
// (Corrupt) naming the table page when anything is out of place.
TableDef readTableDef(PageStore& pages, JetVersion version, uint32_t tdefPage,
                      uint16_t jet3CodePage);

}  // namespace jet
