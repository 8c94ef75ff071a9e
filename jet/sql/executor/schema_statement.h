// Statements that change the structure of a database: CREATE TABLE, ALTER
// TABLE, DROP TABLE, CREATE INDEX, DROP INDEX.
#pragma once

#include "jet/catalog/database.h"
#include "jet/sql/parser/ast.h"

namespace jet::sql {

void executeSchemaStatement(Database& db, const Statement& statement);

}  // namespace jet::sql
