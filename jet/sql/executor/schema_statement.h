// The data-definition statements of Access SQL run against an open file
// through jet::SchemaEditor (jet/table/schema_editor.h): CREATE TABLE,
// ALTER TABLE ADD COLUMN / DROP COLUMN / ADD CONSTRAINT / DROP CONSTRAINT,
// DROP TABLE, CREATE [UNIQUE] INDEX ... [WITH PRIMARY | DISALLOW NULL |
// IGNORE NULL], DROP INDEX. Each statement is one transaction; refusals are
// jet::Error in Access's words and leave the file as it was. FOREIGN KEY
// constraints, ALTER COLUMN and CHECK are refused (Unsupported).
#pragma once

#include "jet/catalog/database.h"
#include "jet/sql/parser/ast.h"

namespace jet::sql {

// Throws jet::Error (InvalidArgument) for a statement that is not DDL.
void executeSchemaStatement(Database& db, const Statement& statement);

}  // namespace jet::sql
