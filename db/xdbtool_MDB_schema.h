// Changing the catalogue of an open file: tables, fields, indexes, views
// (stored queries) and relations, for the designers.
//
// Every routine changes the file at once, as one change of the engine: it
// applies completely or not at all, so a refused change leaves the file as
// it was. Afterwards (after a failure too) the collections of `db` are read
// again, so TableDefs, QueryDefs and Relations show the file as it is.
// Failures are jet::Error with the engine's message; a database opened
// read-only refuses every change.
#pragma once

#include <QString>
#include <functional>

#include "db/xdbtool_MDB.h"
#include "jet/error.h"

// RecreateField could not copy the values into the new field (a value that
// does not convert, a rule the new field has); the message is the engine's.
// Nothing was changed.
class TDataCopyError : public jet::Error {
public:
    using jet::Error::Error;
};

// The field list of an index as the designers write it: names separated by
// ";", each trimmed, a leading "-" for a descending field and "+" (or
// nothing) for an ascending one. The list ends at the first empty name, so
// "ID; Name ;" is two fields.
struct TIndexField {
    QString name;
    bool ascending = true;
};
std::vector<TIndexField> ParseIndexFields(const QString& fieldNames);

// A new table with these fields and indexes (in array order). Field
// attributes: bit 16 makes a Long an AutoNumber (a GUID a replication ID);
// the fixed/variable bits follow from the type.
void CreateTable(dao::Database& db, const QString& tableName, const TFieldRecArray& fields,
                 const TIndexRecArray& indexes);
void DeleteTable(dao::Database& db, const QString& tableName);
void RenameTable(dao::Database& db, const QString& oldName, const QString& newName);

// Appends a field to the table: name, type, size (Text only), AutoNumber,
// Required, AllowZeroLength (Text and Memo), DefaultValue (text, empty or
// null for none), ValidationRule and ValidationText.
void AppendField(dao::Database& db, const QString& tableName, const TFieldRec& field);
// Refused while an index or a relation uses the field.
void DeleteField(dao::Database& db, const QString& tableName, const QString& fieldName);
// Indexes and relations follow the field under its new name.
void RenameField(dao::Database& db, const QString& tableName, const QString& oldName,
                 const QString& newName);
// New rules for the field `field.FieldName`: Required, AllowZeroLength,
// DefaultValue, ValidationRule, ValidationText. The field keeps its place,
// its values and its indexes. Refused when a row breaks the new Required or
// AllowZeroLength.
void SetFieldRules(dao::Database& db, const QString& tableName, const TFieldRec& field);
// Replaces the field `loadedName` by one made from `field` (which may carry
// another name), and copies every value across with
// UPDATE [table] SET [new]=[old]. The indexes that used the field are made
// again over the new one. All of it is one change: a value that does not
// convert, an index the new values break, anything that fails leaves the
// table exactly as it was (a failed copy throws TDataCopyError). The new
// field is the table's last. Refused
// before anything is changed while a relation uses the field.
void RecreateField(dao::Database& db, const QString& tableName, const QString& loadedName,
                   const TFieldRec& field);

// Adds the index (fields as ParseIndexFields reads them). Refused: a name
// the table's indexes have, a second primary key, rows that break it.
void AppendIndex(dao::Database& db, const QString& tableName, const TIndexRec& index);
// Refused for the index of a relation.
void DeleteIndex(dao::Database& db, const QString& tableName, const QString& indexName);
void RenameIndex(dao::Database& db, const QString& tableName, const QString& oldName,
                 const QString& newName);
// Replaces the index `loadedName` by one made from `index` (a primary key
// included): one change, so a refused new index keeps the old one.
void RecreateIndex(dao::Database& db, const QString& tableName, const QString& loadedName,
                   const TIndexRec& index);

// A new stored query (a view). Refused: a name a table or query has, SQL
// the engine cannot read (its own message).
void CreateQueryDef(dao::Database& db, const QString& name, const QString& sql);
// Stores `query`, whose Name is the stored view's: with an empty (or the
// same) `newName` its SQL replaces the stored one, which stays as it was
// when the engine refuses the new text; with another name the view is
// renamed in place, keeping its SQL.
void StoreQueryDef(dao::Database& db, const TQueryDef& query, const QString& newName);
void DeleteQueryDef(dao::Database& db, const QString& name);

// A new relation from the record: Table and ForeignTable, the fields as
// FieldNames and ForeignFieldNames (names joined with ";", the same number
// on both sides, else refused), Attributes the DAO bits (1 unique, 2 not
// enforced, 256 cascading updates, 4096 cascading deletes). Refused by the
// engine: unknown tables or fields, no unique index over the referenced
// fields, rows that break an enforced relation.
void CreateRelation(dao::Database& db, const TRelationRec& relation);
void DeleteRelation(dao::Database& db, const QString& name);
// Replaces the relation `loadedName` by one made from the record, as one
// change: a refused new relation keeps the old one.
void RecreateRelation(dao::Database& db, const QString& loadedName, const TRelationRec& relation);

// Runs an action statement (INSERT, UPDATE, DELETE, DDL) and returns the
// number of records it affected. It applies completely or not at all.
int ExecuteSQL(dao::Database& db, const QString& sql);

// Reads TableDefs, QueryDefs and Relations of `db` again, after the file was
// changed through another handle (the data connection's statements).
void RefreshCatalogue(dao::Database& db);

// Runs `change` as one change of the file: what the routines above do inside
// it applies together or, when anything throws, not at all.
void RunAsOneChange(dao::Database& db, const std::function<void()>& change);
