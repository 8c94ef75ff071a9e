// New tables written whole into a database being built: the layout from a
// TableSpec, the row rules and property blob from its columns, the
// foreign-key indexes and MSysRelationships rows of the relationships
// between them, and the rows, streamed and checked. Table creation, import
// and bulk loading all go through here.
//
// Use: construct with every new table and relationship (nothing is written
// yet; the definitions are laid out and their pages reserved), then for each
// table beginTable, addRow for each row, endTable, in any order; then
// finish() before DatabaseBuilder::finish(). A table never begun is written
// empty by finish().
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/format/table_def.h"
#include "jet/value.h"
#include "jet/write/database_builder.h"
#include "jet/write/relation_writer.h"
#include "jet/write/table_layout.h"

namespace jet {

struct NewTable {
    TableSpec spec;
    std::string description;  // the table's Description property, "" = none
};

class NewTablesWriter {
public:
    // Lays out every table and relationship in `builder`'s format and
    // reserves the tables' definition pages. `existingNames` are the tables
    // and queries the file already holds (their names are taken). Throws
    // jet::Error(InvalidArgument) in Access's words before anything is
    // written: a bad or repeated table name, a bad table (see
    // layoutTable) or relationship (see planRelations).
    NewTablesWriter(DatabaseBuilder& builder, std::vector<NewTable> tables,
                    std::vector<RelationSpec> relations = {},
                    std::span<const std::string> existingNames = {});
    ~NewTablesWriter();
    NewTablesWriter(const NewTablesWriter&) = delete;
    NewTablesWriter& operator=(const NewTablesWriter&) = delete;

    // The laid-out definition of a new table (pages and counts not yet
    // filled in). Throws jet::Error(NotFound).
    const TableDef& definition(std::string_view table) const;

    // Starts writing table `name`; one table at a time, each once.
    // Throws jet::Error(InvalidArgument) otherwise, NotFound for a name
    // that is not one of the new tables.
    void beginTable(std::string_view name);
    // One row in the order of the table's columns (see TableBuilder::addRow
    // for conversions and auto-numbers). Throws jet::Error(Constraint) in
    // Access's words for a broken column rule, text too long, and a foreign
    // key naming no row of a referenced table already written.
    void addRow(std::span<const Value> values);
    // Writes the open table's indexes and definition. Throws
    // jet::Error(Constraint) for duplicate keys in a unique index and for
    // foreign keys of earlier tables that name no row of this one.
    void endTable();

    // Writes the tables never begun, checks the foreign keys still
    // waiting and adds the relationship rows.
    void finish();

private:
    size_t indexOf(std::string_view table) const;

    DatabaseBuilder& builder_;
    std::vector<NewTable> tables_;
    std::vector<RelationPlan> plans_;
    std::vector<TableDef> defs_;
    std::vector<uint32_t> pages_;
    std::vector<bool> written_;
    std::unique_ptr<ReferentialIntegrity> integrity_;
    TableBuilder* open_ = nullptr;
    size_t openIndex_ = 0;
    bool finished_ = false;
};

}  // namespace jet
