// Changes the schema of an open file in place, as Access's engine does:
//
//   jet::SchemaEditor schema(*db);
//   schema.createTable(spec);                 // jet/write/table_layout.h
//   schema.addColumn("T", column);            // jet/write/column_types.h
//   schema.createIndex("T", index);
//   schema.createRelation(relation);          // jet/write/relation_writer.h
//   schema.dropRelation("TU");
//   schema.dropTable("T");
//   schema.createQuery("Q", "SELECT T.a FROM T;");   // a stored query
//
// Each operation is one page transaction (jet/file/page_store.h), or joins
// the one the caller has opened on db.pages(). Everything that can refuse an
// operation is checked before the first page is written, so a refused
// operation leaves the file byte for byte as it was; refusals are
// jet::Error in Access's words (InvalidArgument for a bad name or
// definition, Constraint for data that forbids the change, NotFound for a
// missing table, column or index, Unsupported for what the engine does not
// change in place). After every operation, and after every failure, the
// database's catalogue is read again (Database::reloadCatalog), so that
// db.tables(), db.table(name) and db.relations() show the file as it is.
// A caller that rolls back its own transaction after an operation succeeded
// must call db.reloadCatalog() itself.
//
// What each operation writes:
//   - createTable: the definition page(s), one empty leaf per index, empty
//     usage maps (on a page of their own), the MSysObjects row (Admin as
//     owner, the table's property blob) and the MSysACEs rows a new table
//     inherits from the Tables container;
//   - dropTable: removes those rows and the table's MSysRelationships rows,
//     and gives every page of the table (definition, data, long values,
//     indexes, usage maps) back to the free-page map;
//   - renameTable: the MSysObjects row, and the table's names in
//     MSysRelationships;
//   - addColumn: the definition only; rows written before read the new
//     column as Null (a row records how many columns it has);
//   - dropColumn / renameColumn: the definition; rows keep their bytes;
//     renameColumn also renames the field in MSysRelationships;
//   - createIndex: the tree built from the table's rows, its usage map, the
//     definition; dropIndex gives the tree's pages back;
//   - createQuery: the MSysObjects row (type 5, in the Tables container where
//     Access keeps queries, the kind in its flags, Admin as owner, no
//     property blob: Access adds the designer's own properties when it
//     first opens the query in design view), the MSysACEs rows a new query
//     inherits from the Tables container, and the query's MSysQueries rows
//     (jet/sql/stored_query_rows.h);
//   - alterQuery: the MSysQueries rows replaced, the kind in the flags and
//     the update date; the object id, name, owner, rights and properties
//     stay;
//   - renameQuery: the MSysObjects row only; other queries that name it
//     keep their text, as in Access;
//   - dropQuery: the MSysObjects row, its MSysQueries and MSysACEs rows;
//   - createRelation: one MSysRelationships row per field pair and, for a
//     relationship whose integrity is enforced, the pair of foreign-key
//     indexes on the two definitions as the bulk writer lays them out
//     (jet/write/relation_writer.h): the referenced side shares the pages of
//     its unique index, the foreign side shares an index over the same
//     fields or gets a tree of its own built from the rows; from then on
//     TableEditor enforces it;
//   - dropRelation: removes the rows (and the MSysObjects and MSysACEs rows
//     Access keeps for a relationship) and the pair of indexes, the other
//     indexes keeping their numbers as in Access, and gives back the tree
//     no other index uses.
// Column properties (Required, AllowZeroLength, DefaultValue, Description)
// go into the table's property blob in MSysObjects.
#pragma once

#include <functional>
#include <string_view>

#include "jet/catalog/database.h"
#include "jet/write/column_types.h"
#include "jet/write/relation_writer.h"
#include "jet/write/table_layout.h"

namespace jet {

class SchemaEditor {
public:
    // Throws jet::Error (Io) for a database open read-only.
    explicit SchemaEditor(Database& db);

    // Refused: a name taken by a table or query ("Table 'X' already
    // exists."), and everything layoutTable refuses.
    void createTable(const TableSpec& spec, std::string_view description = {});
    // Refused: system tables, tables with attachment or multi-value fields,
    // a table on either side of a relationship whose integrity is enforced
    // with another table.
    void dropTable(std::string_view table);
    void renameTable(std::string_view from, std::string_view to);

    // Refused: a name the table has, a second AutoNumber, a variable-length
    // column for a table with rows but none so far (its rows carry no
    // variable-length area).
    void addColumn(std::string_view table, const ColumnSpec& column);
    // Refused while an index or a relationship uses the column.
    void dropColumn(std::string_view table, std::string_view column);
    void renameColumn(std::string_view table, std::string_view from, std::string_view to);
    // New rules for the column `rules.name`: required, allowZeroLength,
    // defaultValue, validationRule and validationText (empty texts: none);
    // the other members of `rules` are not read. Only the table's property
    // blob changes: the definition, the rows and the column's position stay.
    // Refused: an unknown column (NotFound), a row that breaks the new
    // Required or AllowZeroLength (Constraint, in Access's words).
    void setColumnRules(std::string_view table, const ColumnSpec& rules);

    // Refused: a name the table's indexes have, a second primary key,
    // columns the index cannot hold, and rows that break it (duplicate keys
    // of a unique index, a null in a required one).
    void createIndex(std::string_view table, const IndexSpec& index);
    // Refused for an index that belongs to a relationship.
    void dropIndex(std::string_view table, std::string_view index);
    void renameIndex(std::string_view table, std::string_view from, std::string_view to);

    // Saves `sql` as a new stored query. Refused: a bad name, a name taken
    // by a table or query ("Object 'X' already exists."), a text the parser
    // refuses (its message, e.g. "Syntax error in FROM clause."), an empty
    // text (Access saves no query without SQL; the parser's message), and
    // what stored_query_rows.h cannot store. The tables and columns the
    // query names are not looked up: Access saves a query over a missing
    // table too, and running it reports the missing table.
    void createQuery(std::string_view name, std::string_view sql);
    // New SQL for the same query object; refused as createQuery refuses the
    // text, NotFound for an unknown query, and a refusal keeps the old one.
    void alterQuery(std::string_view name, std::string_view sql);
    // Refused: an unknown query, a bad or taken name (tables included); a
    // change of case only is allowed.
    void renameQuery(std::string_view from, std::string_view to);
    void dropQuery(std::string_view name);

    // Refused: an unknown table or field (NotFound), a name a relationship
    // has, no fields, fields of other types, cascade options without
    // enforcement; for an enforced one also no unique index on exactly the
    // referenced fields ("No unique index found for the referenced field of
    // the primary table."), too many indexes, and rows of the foreign table
    // whose key names no referenced row (Constraint, "Data in the table 'X'
    // violates referential integrity rules.").
    void createRelation(const RelationSpec& relation);
    // Refused (NotFound) for a name no relationship has.
    void dropRelation(std::string_view name);

private:
    void inTransaction(const std::function<void()>& change);

    Database& db_;
};

}  // namespace jet
