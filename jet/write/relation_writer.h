// Relationships between new tables, as Access stores them: one
// MSysRelationships row per field pair and, for a relationship whose
// integrity is enforced, a pair of foreign-key logical indexes:
//   - on the referencing (foreign) table an index named after the
//     relationship over the foreign fields, pointing at the other index;
//   - on the referenced table an index ".rB", ".rC", ... (the letter after
//     as many as the table has indexes, the first name free) over the
//     referenced fields, sharing the pages of the unique index it relies on.
// Both carry the cascade options. Rows written into an enforced relationship
// are checked as Access checks them: a foreign key with no null part must
// name a row of the referenced table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/header.h"
#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/write/table_layout.h"

namespace jet {

// Attribute bits of a relationship, as DAO names them.
inline constexpr uint32_t kRelationUnique = 0x1;
inline constexpr uint32_t kRelationDontEnforce = 0x2;
inline constexpr uint32_t kRelationCascadeUpdates = 0x100;
inline constexpr uint32_t kRelationCascadeDeletes = 0x1000;
inline constexpr uint32_t kRelationCascadeNull = 0x1000000;

struct RelationSpec {
    std::string name;          // "" = referenced table's name + foreign table's name
    std::string table;         // referenced (primary) table
    std::string foreignTable;  // referencing table
    std::vector<RelationField> fields;
    uint32_t attributes = 0;

    bool enforced() const { return (attributes & kRelationDontEnforce) == 0; }
};

// Where a relationship's indexes went, by position in the table list and
// in each table's index list (the logical index numbers).
struct RelationPlan {
    RelationSpec relation;  // with its name and final attributes
    size_t referencedTable = 0, foreignTable = 0;
    int32_t referencedIndex = -1, foreignIndex = -1;  // -1: not enforced
};

// Checks `relations` against `tables` and adds the foreign-key IndexSpecs
// of the enforced ones to the tables. Sets kRelationUnique when the foreign
// fields have a unique index of their own (a one-to-one relationship), as
// Access does. Throws jet::Error(InvalidArgument) in Access's words for an
// unknown table or field, fields of other types or number, no unique index
// on the referenced fields, a repeated or bad name, and cascade options on
// a relationship that is not enforced.
std::vector<RelationPlan> planRelations(std::vector<TableSpec>& tables,
                                        std::span<const RelationSpec> relations);

// The name of the referenced side's index of a new relationship on a table
// with indexes `indexNames`: ".rB", ".rC", ... as described above. Throws
// jet::Error (InvalidArgument) when every name is taken.
std::string referencedIndexName(const std::string& table,
                                const std::vector<std::string>& indexNames);

// Fills in the foreign-key indexes of table number `table` (laid out from
// the TableSpec planRelations extended): the other side's table page and
// index number, which side this is, and the cascade options. `pages[i]` is
// the definition page of table i.
void linkRelationIndexes(TableDef& def, size_t table, std::span<const RelationPlan> plans,
                         std::span<const uint32_t> pages);

// The MSysRelationships rows of `relation` in the column order of
// `relationshipsTable` (that system table's definition).
std::vector<std::vector<Value>> relationshipRows(const TableDef& relationshipsTable,
                                                 const RelationSpec& relation);

// Referential integrity of the rows of new tables, checked while they
// stream in. Memory holds the keys of the referenced fields of each
// referenced table and the foreign keys written before their referenced
// table was complete.
class ReferentialIntegrity {
public:
    // `defs[i]` is the laid-out definition of table i.
    ReferentialIntegrity(std::span<const RelationPlan> plans, std::vector<const TableDef*> defs,
                         SortOrder sortOrder, JetVersion v);

    // A row of table `table` as stored. Throws jet::Error(Constraint) "You
    // cannot add or change a record because a related record is required in
    // table 'X'." when its foreign key names no row of a complete table.
    void rowWritten(size_t table, std::span<const Value> row);
    // All rows of `table` are in: foreign keys waiting for it are checked.
    void tableComplete(size_t table);
    // Checks every foreign key still waiting (their referenced table had no
    // rows written).
    void finish();

private:
    struct Link {
        const RelationPlan* plan;
        std::vector<size_t> referencedColumns, foreignColumns;
        std::vector<DataType> types;
        std::unordered_set<std::string> referencedKeys;
        std::vector<std::string> waiting;
    };
    bool keyOf(const Link& link, std::span<const Value> row, const std::vector<size_t>& columns,
               std::string& key) const;
    [[noreturn]] void refuse(const Link& link) const;

    std::vector<Link> links_;
    std::vector<bool> complete_;
    std::vector<const TableDef*> defs_;
    SortOrder sortOrder_;
    JetVersion version_;
};

}  // namespace jet
