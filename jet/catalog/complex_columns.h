// Complex columns (ACE 12 and later): attachments, multi-value fields and the
// version history of append-only Memo fields. The column itself stores only
// a key (a Long, decoded as Value::integer); the values are rows of a hidden
// "flat" table whose key column holds the same number.
//
// MSysComplexColumns ties them together, one row per complex column:
//   ComplexID            the column's complexId in the table definition
//   ConceptualTableID    the owning table (its catalogue id)
//   FlatTableID          the hidden table with the values
//   ComplexTypeObjectID  the template table (MSysComplexType_Text,
//                        MSysComplexType_Attachment, MSysComplexTypeVH_...)
// The flat table has the template's columns, plus a Long holding the owning
// row's key and an AutoNumber identifying each value. The kind of column is
// told by the template's shape: one column of a simple type is a multi-value
// field; FileURL (Memo), FileName and FileType (Text), FileData (OLE),
// FileTimeStamp (Date/Time) and FileFlags (Long) are attachments; a Memo and
// a Date/Time are a version history, whose Memo column has the name of the
// owning table's column that it records.
//
// Attachment file data is stored wrapped:
//   u32 0 (raw) or 1 (deflate, zlib stream), u32 length of the content,
//   content, possibly compressed: u32 header length (counting itself), u32 1,
//   u32 length in characters of the file extension, the extension in UTF-16
//   ending with a 0 character, then the file's bytes up to the content length.
//
// Reading is through the Database, from one thread at a time like the
// Database itself. Errors are jet::Error: InvalidArgument for a column that
// is not complex or not of the kind asked for, Corrupt when the system
// tables or the stored data do not fit together.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"
#include "jet/value.h"

namespace jet {

enum class ComplexKind { Attachment, MultiValue, VersionHistory, Unknown };

std::string complexKindName(ComplexKind kind);  // "attachment", "multi-value", ...

struct ComplexColumnInfo {
    ComplexKind kind = ComplexKind::Unknown;
    uint32_t complexId = 0;
    std::string typeTable;  // the template
    std::string flatTable;  // the hidden table that holds the values
    std::string keyColumn;  // flat-table column with the owning row's key
    std::string idColumn;   // flat-table AutoNumber, one per value
    // Flat-table columns that come from the template, in flat-table order.
    std::vector<std::string> valueColumns;
    // Version history: the owning table's Memo column whose earlier values
    // are kept ("" when the table has no such column).
    std::string versionedColumn;
};

struct Attachment {
    std::string fileName, fileType;
    Blob data;                        // the file's own bytes (empty when not requested)
    std::optional<double> timeStamp;  // Access date; Access usually leaves it null
    std::optional<int32_t> flags;
    std::optional<std::string> url;
};

// One earlier value of an append-only Memo column.
struct MemoVersion {
    std::optional<double> modified;  // Access date
    std::optional<std::string> text;
};

// The hidden tables MSysComplexColumns names, by definition page: the flat
// tables that hold the values, and the template tables (fixed ones and the
// per-column version-history ones). Empty for a file without complex columns.
struct ComplexTablePages {
    std::set<uint32_t> flat;
    std::set<uint32_t> templates;
};
ComplexTablePages complexTablePages(Database& db);

// Finds a complex column's tables and columns.
ComplexColumnInfo complexColumnInfo(Database& db, const TableDef& table, const ColumnDef& column);

// Reads the values of one complex column for many rows: the flat table is
// scanned once, on first use, to index its rows by key (a row pointer per
// value); each call then reads only the rows of its key. Values come in the
// order they were added (by the AutoNumber), versions newest first.
class ComplexColumnReader {
public:
    ComplexColumnReader(Database& db, const TableDef& table, const ColumnDef& column);

    const ComplexColumnInfo& info() const { return info_; }
    // The hidden table that holds the values.
    const std::shared_ptr<const TableDef>& flatTable() const { return flat_; }

    // Multi-value fields: the values (typed as the template's column).
    std::vector<Value> multiValues(int32_t key);
    // Attachments; with `withData` false the file bytes are left undecoded
    // and `data` is empty.
    std::vector<Attachment> attachments(int32_t key, bool withData = true);
    // Version history, newest first.
    std::vector<MemoVersion> versions(int32_t key);

private:
    std::vector<std::vector<Value>> rowsOf(int32_t key);
    void requireKind(ComplexKind kind, const char* what) const;
    size_t flatIndex(const std::string& name) const;

    Database& db_;
    std::string columnName_;
    ComplexColumnInfo info_;
    std::shared_ptr<const TableDef> flat_;
    size_t keyIndex_ = 0, idIndex_ = 0;
    bool indexed_ = false;
    struct Entry {
        int64_t id;
        RowPointer row;
    };
    std::map<int32_t, std::vector<Entry>> byKey_;
};

// One-off reads for a single key (each scans the flat table once).
std::vector<Value> readMultiValues(Database& db, const TableDef& table, const ColumnDef& column,
                                   int32_t key);
std::vector<Attachment> readAttachments(Database& db, const TableDef& table,
                                        const ColumnDef& column, int32_t key);
std::vector<MemoVersion> readVersionHistory(Database& db, const TableDef& table,
                                            const ColumnDef& column, int32_t key);

// The file bytes inside a stored FileData value (layout above). Inflating
// stops at the declared length, and a declared length that the compressed
// bytes could not possibly hold is rejected before anything is allocated.
Blob decodeAttachmentData(Bytes stored);

}  // namespace jet
