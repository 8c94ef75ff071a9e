// Builds a complete database file front to back through a PageSink: the
// header, the system catalogue, user tables with their rows and indexes,
// stored queries and relations. Creation, compaction and bulk loading all
// write files this way; nothing here edits an existing file.
//
// Use: construct (writes the header and reserves the system tables'
// definition pages, MSysObjects on page 2 as every reader expects), reserve
// a definition page for every user table, write each table through
// beginTable/TableBuilder::addRow/endTable, add queries and relations, then
// finish(), which writes the system tables last because their rows name
// everything written before. Row data streams: memory holds one open data
// page per table and the index keys, not the rows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "jet/file/header.h"
#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"
#include "jet/format/table_def.h"
#include "jet/table/row_rules.h"
#include "jet/value.h"
#include "jet/write/page_sink.h"
#include "jet/write/system_catalog.h"

namespace jet {

struct NewDatabaseOptions {
    JetVersion version = JetVersion::Jet4;
    SortOrder sortOrder;  // the database's text sort order (collation)
    uint16_t codePage = 1252;
    std::string password;  // "" = none
    double created = 0;    // Access day number of the creation; 0 = now
};

class DatabaseBuilder;
class TableRowsWriter;
class RowAppender;

// Rows of one table on their way into the file. Values come in the order of
// the definition's columns; each is converted to its column's type as
// Access converts on insert. A null auto-increment value takes the next
// number; a null auto-GUID a new random GUID.
class TableBuilder {
public:
    ~TableBuilder();
    TableBuilder(const TableBuilder&) = delete;
    TableBuilder& operator=(const TableBuilder&) = delete;

    // Throws jet::Error: InvalidArgument for a value of the wrong kind,
    // Constraint for a broken rule (Required, zero-length text, a null in a
    // required index, text too long).
    void addRow(std::span<const Value> values);
    // The values of the row last added, as stored: converted to the column
    // types, with auto-numbers filled in. Empty before the first row; after
    // a refused row it holds what was prepared of that row.
    std::span<const Value> lastRow() const;
    uint32_t rowCount() const;
    const TableDef& def() const;

private:
    friend class DatabaseBuilder;
    TableBuilder(DatabaseBuilder& owner, TableDef def, std::vector<ColumnRule> rules);
    std::unique_ptr<TableRowsWriter> rows_;
};

class DatabaseBuilder {
public:
    // Writes the header page. An .accdb password encrypts every later page.
    // Throws jet::Error(InvalidArgument) for an unsupported version.
    DatabaseBuilder(PageSink& sink, NewDatabaseOptions options);
    ~DatabaseBuilder();
    DatabaseBuilder(const DatabaseBuilder&) = delete;
    DatabaseBuilder& operator=(const DatabaseBuilder&) = delete;

    const NewDatabaseOptions& options() const { return options_; }
    JetVersion version() const { return options_.version; }
    PageSink& sink() { return sink_; }

    // A definition page for a user table; reserve all before writing any,
    // so a foreign-key index can name a table written later.
    uint32_t reserveTablePage();

    // Starts a user table (only one at a time). `def.tdefPage` must be a
    // reserved page, or 0 to reserve one now. `properties` is the table's
    // property blob (LvProp), possibly empty; `catalogFlags` its MSysObjects
    // flags (0 for a plain table; a compacted file keeps those of tables the
    // Access application made, such as its navigation-pane tables).
    TableBuilder& beginTable(TableDef def, std::vector<ColumnRule> rules, Blob properties,
                             uint32_t catalogFlags = 0);
    // Builds the table's indexes and writes its definition. Throws
    // jet::Error(Constraint) when a unique index holds duplicate keys.
    void endTable();

    // The definition of a system table of this format, for callers that
    // build its rows by column name. Throws jet::Error(NotFound).
    const TableDef& systemTableDef(std::string_view name) const { return systemTable(name).def; }

    // A stored query: its catalogue flags (the query kind), property blob
    // and MSysQueries rows in the stored column order; the ObjectId column
    // of every row is set here. Returns the query's object id.
    int32_t addQuery(const std::string& name, uint32_t flags, Blob properties,
                     std::vector<std::vector<Value>> queryRows);
    // A linked table (type 4 ODBC or 6 Access): a catalogue row naming
    // where the table lives. Returns its object id.
    int32_t addLinkedTable(const std::string& name, int16_t type, uint32_t flags,
                           std::optional<std::string> database, std::optional<std::string> connect,
                           std::optional<std::string> foreignName, Blob properties);
    // The definition page of one of this format's system tables.
    uint32_t systemTablePage(std::string_view name) const;
    // Rows of MSysComplexColumns (ACE), one per complex column, as stored.
    void addComplexColumnRows(std::vector<std::vector<Value>> rows);
    // A relation: its MSysRelationships rows, one per field pair, as stored.
    void addRelationRows(std::vector<std::vector<Value>> rows);

    // Writes the system tables and the free-page map. The sink then holds
    // the whole file.
    void finish();

private:
    friend class TableBuilder;
    friend class TableRowsWriter;

    struct CatalogEntry {
        std::string name;
        int32_t id = 0;
        int16_t type = 1;
        uint32_t flags = 0;
        Blob properties;
        bool system = false;
        std::optional<std::string> database, connect, foreignName;
    };
    static CatalogEntry catalogEntry(std::string name, int32_t id, int16_t type, uint32_t flags,
                                     Blob properties);

    // Usage maps live in rows of data pages owned by no table, as Access
    // keeps them; these place one and return its row pointer.
    RowPointer placeUsageMap(std::span<const uint32_t> pages);
    RowPointer placeBookkeepingRow(std::span<const uint8_t> row);
    void flushBookkeepingPage();
    // The owned and free-space maps of each long-value column (Jet 4 on).
    void assignLongValueMaps(TableDef& def, const RowAppender& rows);
    void writeTableNow(TableDef def, std::vector<std::vector<Value>> rows);
    void finishOpenTable();
    void writeFreePageMap();

    PageSink& sink_;
    NewDatabaseOptions options_;
    const SystemTable& systemTable(std::string_view name) const;
    static size_t columnIndex(const TableDef& def, std::string_view name);

    std::vector<SystemTable> systemTables_;
    std::vector<uint32_t> systemTablePages_;
    std::set<uint32_t> reservedPages_;
    std::unique_ptr<TableBuilder> openTable_;
    Blob openTableProperties_;
    std::vector<CatalogEntry> userObjects_;
    std::vector<std::vector<Value>> queryRows_;
    std::vector<std::vector<Value>> relationRows_;
    std::vector<std::vector<Value>> complexColumnRows_;
    uint32_t openTableFlags_ = 0;
    int32_t nextOtherObjectId_;
    struct OpenPage;
    std::unique_ptr<OpenPage> bookkeeping_;
    bool finished_ = false;
};

}  // namespace jet
