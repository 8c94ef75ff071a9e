// The relationships with enforced integrity a table takes part in, read the
// way Access's engine reads them: from the pairs of foreign-key logical
// indexes on the two tables' definitions (jet/write/relation_writer.h
// describes the pair). A relationship that is not enforced has no such
// indexes and no link. The referenced side's index shares the pages of the
// unique index the relationship relies on, so a seek in it finds the row a
// foreign key names; the foreign side's index, over the foreign fields,
// finds the rows that depend on a referenced key.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/page_types.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace jet {

// Which side a logical index of a relationship stands on (its related
// table kind): the referenced (primary) table, or the referencing one.
inline constexpr uint8_t kRelationReferencedSide = 1;
inline constexpr uint8_t kRelationForeignSide = 2;

struct RelationLink {
    uint32_t referencedPage = 0, foreignPage = 0;  // definition pages of the two tables
    std::string referencedTable, foreignTable;
    int32_t referencedIndex = -1, foreignIndex = -1;  // logical index numbers
    // Positions in each table's column list, pair by pair in index order.
    std::vector<size_t> referencedColumns, foreignColumns;
    bool cascadeUpdates = false, cascadeDeletes = false, cascadeNull = false;
    // Which side the table the link was read from stands on; a
    // self-relationship gives one link of each.
    bool readFromForeignSide = false;
};

// The links of `def` (a table of `db`), one per foreign-key logical index
// that names another index. Throws jet::Error (Corrupt) when an index names
// a table or index that is not there, or the two sides do not pair up.
std::vector<RelationLink> relationLinksOf(Database& db, const TableDef& def);

// The values of `columns` of `row`; nullopt when a part is null (Access
// never checks such a key).
std::optional<std::vector<Value>> keyValues(const std::vector<Value>& row,
                                            const std::vector<size_t>& columns);

// Whether the referenced table holds a row with the key `key` (one value
// per referenced field), sought in its referenced-side index.
bool referencedRowExists(Database& db, const RelationLink& link, const std::vector<Value>& key);

// The rows of the foreign table whose foreign key equals `key` as the
// index compares it (text without regard to case), with their values.
struct DependentRow {
    RowPointer id;
    std::vector<Value> values;
};
std::vector<DependentRow> dependentRows(Database& db, const RelationLink& link,
                                        const std::vector<Value>& key);

// Whether two keys of the referenced side differ as its index compares them.
bool referencedKeysDiffer(Database& db, const RelationLink& link, const std::vector<Value>& a,
                          const std::vector<Value>& b);

// Access's messages for a row that breaks a relationship.
std::string relatedRecordRequiredMessage(const std::string& referencedTable);
std::string relatedRecordsExistMessage(const std::string& foreignTable);

}  // namespace jet
