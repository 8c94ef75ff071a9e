// Action statements: the transaction around each, the stored action
// queries, and what the INSERT, UPDATE and DELETE runners share.
#include <optional>
#include <set>

#include "jet/catalog/stored_queries.h"
#include "jet/error.h"
#include "jet/format/value_encoder.h"
#include "jet/sql/binder/binder.h"
#include "jet/sql/executor/action.h"
#include "jet/sql/executor/action_internal.h"
#include "jet/sql/executor/schema_statement.h"
#include "jet/util/names.h"

namespace jet::sql {
namespace detail {

const char* const kNotUpdateableQueryMessage = "Operation must use an updateable query.";

Query queryOf(SelectCore core) {
    Query query;
    query.parts.push_back(std::move(core));
    return query;
}

QueryResult runActionQuery(Database& db, const Statement& statement, Query query,
                           const ExecuteOptions& options, bool rowIdsOnly) {
    Statement select;
    select.parameters = statement.parameters;
    select.body = std::move(query);
    PlanOptions plan = options.plan;
    plan.rowIdsOnly = rowIdsOnly;
    const auto bound = bindStatement(db, select, options.parameters);
    return executeBound(db, *bound, options.functions, plan);
}

void requireLocalTable(Database& db, const std::string& name) {
    const CatalogObject* object = db.findObject(name);
    if (!object) throw Error(ErrorCode::NotFound, missingObjectMessage(name));
    if (object->type == static_cast<int16_t>(ObjectType::Table)) return;
    if (object->type == static_cast<int16_t>(ObjectType::Query))
        throw Error(ErrorCode::Unsupported, kNotUpdateableQueryMessage);
    throw Error(ErrorCode::Unsupported,
                "The rows of linked table '" + object->name + "' cannot be changed.");
}

namespace {

// The database, once `table` is known to be one of its local tables: the
// editor would take a query's name for a missing table.
Database& holdingLocalTable(Database& db, const std::string& table) {
    requireLocalTable(db, table);
    return db;
}

}  // namespace

WriteTarget::WriteTarget(Database& db, const std::string& table, const FunctionContext& functions)
    : editor(holdingLocalTable(db, table), table),
      rules(TableRules::forTable(db, table, functions)),
      db_(db) {}

std::vector<Value> WriteTarget::checked(std::vector<Value> row) const {
    const TableDef& def = editor.def();
    for (size_t i = 0; i < row.size() && i < def.columns.size(); ++i)
        row[i] = convertForColumn(row[i], def.columns[i], db_.version(), db_.codePage());
    rules.check(row);
    return row;
}

}  // namespace detail

namespace {

const char* const kSelectNotActionMessage = "Cannot execute a select query.";

// The text as a stored query's name: itself, or the name inside brackets.
std::string nameOfText(std::string_view sql) {
    const size_t b = sql.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    const size_t e = sql.find_last_not_of(" \t\r\n;");
    std::string name(sql.substr(b, e == std::string_view::npos || e < b ? 0 : e - b + 1));
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    return name;
}

bool isActionKind(QueryKind kind) {
    return kind == QueryKind::Update || kind == QueryKind::Append || kind == QueryKind::Delete;
}

size_t runInTransaction(Database& db, const Statement& statement, const ExecuteOptions& options) {
    PageStore& store = db.pages();
    if (!store.writable())
        throw Error(ErrorCode::Io, "Cannot update. Database or object is read-only.");
    std::optional<PageTransaction> transaction;
    if (!store.inTransaction()) transaction.emplace(store);
    try {
        size_t affected = 0;
        if (const auto* insert = std::get_if<InsertStatement>(&statement.body)) {
            affected = detail::runInsert(db, statement, *insert, options);
        } else if (const auto* update = std::get_if<UpdateStatement>(&statement.body)) {
            affected = detail::runUpdate(db, statement, *update, options);
        } else if (const auto* remove = std::get_if<DeleteStatement>(&statement.body)) {
            affected = detail::runDelete(db, statement, *remove, options);
        }
        if (transaction) transaction->commit();
        return affected;
    } catch (...) {
        if (transaction) {
            transaction.reset();
            // The editors read the definitions again while they wrote; what
            // they read is undone with the pages.
            for (const CatalogObject* o : db.tables(true)) db.forgetTableDef(o->tdefPage());
        }
        throw;
    }
}

}  // namespace

bool changesDatabase(const Statement& statement) {
    if (const Query* query = statement.query()) {
        for (const SelectCore& core : query->parts)
            if (core.into) return true;
        return false;
    }
    return statement.kind() != StatementKind::Crosstab;
}

bool isStoredAction(Database& db, std::string_view name) {
    const CatalogObject* object = db.findObject(name);
    if (!object || object->type != static_cast<int16_t>(ObjectType::Query)) return false;
    return isActionKind(readStoredQuery(db, object->name).query.kind);
}

size_t executeActionStatement(Database& db, const Statement& statement,
                              const ExecuteOptions& options) {
    switch (statement.kind()) {
        case StatementKind::Select:
        case StatementKind::Crosstab:
            if (changesDatabase(statement))
                throw Error(ErrorCode::Unsupported, "This statement is not supported yet.");
            throw Error(ErrorCode::InvalidArgument, kSelectNotActionMessage);
        case StatementKind::Insert:
        case StatementKind::Update:
        case StatementKind::Delete:
            return runInTransaction(db, statement, options);
        case StatementKind::CreateTable:
        case StatementKind::AlterTable:
        case StatementKind::DropTable:
        case StatementKind::CreateIndex:
        case StatementKind::DropIndex:
            executeSchemaStatement(db, statement);
            return 0;
    }
    throw Error(ErrorCode::Unsupported, "This statement is not supported yet.");
}

size_t executeAction(Database& db, std::string_view sql, const ExecuteOptions& options) {
    std::optional<Statement> statement;
    try {
        statement = parseStatement(sql, options.parse);
    } catch (const SyntaxError&) {
        const std::string name = nameOfText(sql);
        const CatalogObject* object = name.empty() ? nullptr : db.findObject(name);
        if (!object || object->type != static_cast<int16_t>(ObjectType::Query)) throw;
        return executeStoredAction(db, name, options);
    }
    return executeActionStatement(db, *statement, options);
}

size_t executeStoredAction(Database& db, std::string_view queryName,
                           const ExecuteOptions& options) {
    const QueryDefinition definition = readStoredQuery(db, queryName);
    const QueryKind kind = definition.query.kind;
    if (kind == QueryKind::Select || kind == QueryKind::Union || kind == QueryKind::Crosstab)
        throw Error(ErrorCode::InvalidArgument, kSelectNotActionMessage);
    if (definition.query.sql.empty())
        throw Error(ErrorCode::Unsupported, "The query '" + definition.name +
                                                "' is of a kind this engine cannot run.");
    if (kind == QueryKind::PassThrough)
        throw Error(ErrorCode::Unsupported,
                    "The pass-through query '" + definition.name + "' cannot be run here.");
    ExecuteOptions own = options;
    own.parse = {};  // stored text is in Access's own dialect
    return executeActionStatement(db, parseStatement(definition.query.sql, own.parse), own);
}

}  // namespace jet::sql
