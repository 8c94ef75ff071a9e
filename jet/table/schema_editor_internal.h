// What the schema editor's operations share: the catalogue rows they read
// and write through TableEditor, and the definition writer for a chain that
// changes length.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/page_types.h"
#include "jet/format/property_blob.h"
#include "jet/format/table_def.h"
#include "jet/table/page_allocator.h"
#include "jet/value.h"
#include "jet/write/column_types.h"
#include "jet/write/index_key_collector.h"
#include "jet/write/system_catalog.h"

namespace jet::schema {

// The current time as Access stores dates, to the second.
double accessNow();

// Names a new table or query may not take: every table (system ones too),
// query and linked table.
std::vector<std::string> takenNames(const Database& db);

// The security ids of this file, recovered from the owner of MSysDb (the
// Admin user, stored masked from Jet 4 on); the engine's defaults when the
// catalogue does not tell.
SidSet catalogSids(Database& db);

// The object id of the Tables container.
int32_t tablesContainerId(const Database& db);

// A row of a system table built by column name; columns not named are null.
std::vector<Value> rowByName(const TableDef& def, const std::map<std::string, Value>& values);
// A row of the blueprint layout (as system_catalog.h builds it) moved into
// the columns of the file's own table `table` by name.
std::vector<Value> blueprintRow(Database& db, std::string_view table,
                                const std::vector<Value>& blueprint);

// The live rows of a table for which `keep(values)` holds.
struct FoundRow {
    RowPointer id;
    std::vector<Value> values;
};
std::vector<FoundRow> findRows(Database& db, std::string_view table,
                               const std::function<bool(const std::vector<Value>&)>& keep);
// Index of a column of `def` by name; throws Corrupt when missing.
size_t columnOf(const TableDef& def, std::string_view name);

// The definition of a user table as stored, checked (when `rewrite`) to be
// one the encoder writes back unchanged. Throws NotFound for an unknown
// table, Unsupported for a system table, a table with attachment,
// multi-value or calculated fields, or a definition the engine cannot write
// back.
TableDef storedDefinition(Database& db, std::string_view table, bool rewrite = true);

// Empty usage maps, one empty leaf per index and the long-value maps of a
// definition laid out for a new table whose definition page is set; the
// pointers and roots go into `def`.
void writeEmptyStorage(Database& db, PageAllocator& allocator, TableDef& def);

// Writes `def` over its chain, which may grow or shrink: continuation pages
// are written anew and the old ones released.
void replaceDefinition(Database& db, PageAllocator& allocator, const TableDef& def);

// The table's property blob, and a check that writing it again gives the
// same bytes (so a change to it keeps every other property).
PropertyBlob tableProperties(Database& db, uint32_t tdefPage);
void requireFaithfulProperties(Database& db, uint32_t tdefPage);
// The position of the column `name` (any case) in def.columns; NotFound
// "Item not found in this collection." when there is none.
size_t columnIndexOrThrow(const TableDef& def, std::string_view name);
// The property maps Access gives a new column, from the same rules as a new
// table's.
std::vector<PropertyMap> columnPropertyMaps(const ColumnSpec& column, JetVersion v);
// Rewrites the LvProp of the table's MSysObjects row.
void storeTableProperties(Database& db, uint32_t tdefPage, const PropertyBlob& blob);

// Logical indexes in the order Access stores them: by name, without regard
// to case.
void sortIndexesByName(std::vector<IndexDef>& indexes);

// The entries of a new index `real` (named `indexName`) over every row of
// the table, sorted, checked as Access checks them when it builds an index
// on existing data: duplicate keys of a unique index, a null in a required
// one (jet::Error Constraint).
IndexKeyCollector collectIndexKeys(Database& db, const TableDef& def, const RealIndexDef& real,
                                   const std::string& indexName);
// Builds the tree of `real` from `keys` with its usage map; sets its root,
// entry count and map pointer.
void writeIndexTree(Database& db, PageAllocator& allocator, uint32_t tdefPage,
                    const IndexKeyCollector& keys, RealIndexDef& real);
// Takes the logical index at position `at` of def.indexes out of `def`. The
// others keep their numbers, as Access leaves them (its files show gaps),
// so that no index of another table that names one by number changes; the
// physical index it leaves unused, if any, leaves `def` too (physical
// indexes are numbered without gaps) and is returned.
std::optional<RealIndexDef> removeLogicalIndex(TableDef& def, size_t at);
// The number of a new logical index: one past the highest.
int32_t nextIndexNumber(const TableDef& def);
// The pages of a physical index's tree (read before the change), and giving
// them back with its usage map.
std::vector<uint32_t> indexTreePages(Database& db, const RealIndexDef& real);
void releaseIndexPages(Database& db, PageAllocator& allocator, const RealIndexDef& real,
                       const std::vector<uint32_t>& treePages);

// Access's message for something it cannot find by name.
[[noreturn]] void notFound(const std::string& what);

}  // namespace jet::schema
