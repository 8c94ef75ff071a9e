// The text work of the SQL designer, apart from its window: the statement
// templates with their placeholders, names quoted for Access SQL, and the
// name filter of its lists.
//
// A template holds "<Table>", "<Fields>" or "<Field>" (any letter case)
// where the selected table, the selected fields, or each selected field in
// turn go; "???" marks text the user fills in and stays as it is.
#pragma once

#include <QString>
#include <QStringList>

// The templates the designer starts with, in the order it lists them.
QStringList defaultSqlTemplates();

// A table or field name as it goes into a statement: in brackets when it
// needs them (a blank, "_", a character outside plain names, a reserved
// word); "*" and names that need none as they are.
QString sqlTableName(const QString& name);
QString sqlFieldName(const QString& name);

// The quoted names joined by ", ".
QString sqlFieldList(const QStringList& fields);

// The text a template inserts for `table` and `fields`:
// - every "<Table>" becomes the quoted table;
// - then, when "<Fields>" occurs, every "<Fields>" becomes the field list;
// - else, when "<Field>" occurs, one copy of the template per field with
//   that field's quoted name, the copies joined by a blank (no field: "");
// - else the template as it is.
QString fillSqlTemplate(const QString& sqlTemplate, const QString& table,
                        const QStringList& fields);

// The names that contain `filter` anywhere, without regard to case, in
// their order; all of them for an empty filter.
QStringList filterSqlNames(const QStringList& names, const QString& filter);
