// Shared by the INSERT, UPDATE and DELETE runners (action.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/executor/table_rules.h"
#include "jet/sql/parser/ast.h"
#include "jet/table/table_editor.h"

namespace jet::sql::detail {

// Runs `query`, made of pieces of `statement`, with the statement's
// PARAMETERS declarations and the caller's parameter values.
QueryResult runActionQuery(Database& db, const Statement& statement, Query query,
                           const ExecuteOptions& options, bool rowIdsOnly = false);

// One query of a single SELECT core.
Query queryOf(SelectCore core);

// A table a statement writes to: its editor and its rules. Refuses, before
// anything is written, what is not a local table of `db`.
struct WriteTarget {
    WriteTarget(Database& db, const std::string& table, const FunctionContext& functions);

    TableEditor editor;
    TableRules rules;
    // `row` converted to the column types (as it will be stored), checked
    // against the validation rules.
    std::vector<Value> checked(std::vector<Value> row) const;

private:
    Database& db_;
};

// Throws unless `name` is a local table of `db` (missingObjectMessage for
// an unknown name).
void requireLocalTable(Database& db, const std::string& name);

size_t runInsert(Database& db, const Statement& statement, const InsertStatement& insert,
                 const ExecuteOptions& options);
size_t runUpdate(Database& db, const Statement& statement, const UpdateStatement& update,
                 const ExecuteOptions& options);
size_t runDelete(Database& db, const Statement& statement, const DeleteStatement& remove,
                 const ExecuteOptions& options);

extern const char* const kNotUpdateableQueryMessage;

}  // namespace jet::sql::detail
