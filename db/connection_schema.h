// The schema lists of the data connection: the names of the tables or the
// views of the open file, and the column names of one of them, as the
// provider's table and column schema rowsets give them.
//
// What callers rely on:
// - Tables are the local tables a user made: system tables, linked tables and
//   the hidden value tables of multi-value columns are not listed. Views are
//   the stored queries that return records and ask for no parameter values
//   (select, union and crosstab queries); hidden "~sq_" queries are not
//   listed. Both lists are in the catalogue's name order.
// - Columns are in field order for a table and in result order for a view;
//   a view that cannot be opened (it names a missing table, say) has none.
//   An unknown name has none either.
// - An unconnected connection lists nothing; failures reading the catalogue
//   are jet::Error with the engine's message.
#pragma once

#include <QStringList>

class TCustomConnectionUDB;

enum class SchemaTableType { Table, View };

QStringList SchemaTableNames(TCustomConnectionUDB& connection, SchemaTableType type);
QStringList SchemaColumnNames(TCustomConnectionUDB& connection, const QString& tableName);
