// INSERT INTO t [(columns)] VALUES (...) | SELECT ...
#include <set>

#include "jet/error.h"
#include "jet/sql/executor/action_internal.h"
#include "jet/sql/parser/ast_clone.h"
#include "jet/util/names.h"

namespace jet::sql::detail {
namespace {

const char* const kCountMismatchMessage =
    "Number of query values and destination fields are not the same.";

std::string unknownFieldMessage(const std::string& name) {
    return "The INSERT INTO statement contains the following unknown field name: '" + name +
           "'. Make sure you have typed the name correctly, and try the operation again.";
}

size_t columnNamed(const TableDef& def, const std::string& name) {
    for (size_t i = 0; i < def.columns.size(); ++i)
        if (sameName(def.columns[i].name, name)) return i;
    throw Error(ErrorCode::InvalidArgument, unknownFieldMessage(name));
}

// The destination column of each value, from the names given (the
// statement's list, or the SELECT's result columns).
std::vector<size_t> destinations(const TableDef& def, const std::vector<std::string>& names) {
    std::vector<size_t> out;
    std::set<size_t> seen;
    for (const std::string& name : names) {
        const size_t column = columnNamed(def, name);
        if (!seen.insert(column).second)
            throw Error(ErrorCode::InvalidArgument,
                        "Duplicate output destination '" + def.columns[column].name + "'.");
        out.push_back(column);
    }
    return out;
}

}  // namespace

size_t runInsert(Database& db, const Statement& statement, const InsertStatement& insert,
                 const ExecuteOptions& options) {
    if (insert.database)
        throw Error(ErrorCode::Unsupported, "Tables in another database (IN '" +
                                                insert.database->path + "') are not supported.");
    WriteTarget target(db, insert.table, options.functions);
    const TableDef& def = target.editor.def();

    std::vector<std::string> names;
    for (const ExprPtr& column : insert.columns) names.push_back(column->name());

    QueryResult source;
    if (insert.select) {
        source = runActionQuery(db, statement, cloneQuery(*insert.select), options);
        if (names.empty())
            for (const ResultColumn& c : source.columns) names.push_back(c.name);
    } else {
        SelectCore values;
        for (const ExprPtr& value : insert.values) values.items.push_back({cloneExpr(value), ""});
        if (names.empty())
            for (const jet::ColumnDef& c : def.columns) names.push_back(c.name);
        if (values.items.size() != names.size())
            throw Error(ErrorCode::InvalidArgument, kCountMismatchMessage);
        source = runActionQuery(db, statement, queryOf(std::move(values)), options);
    }
    if (source.columns.size() != names.size())
        throw Error(ErrorCode::InvalidArgument, kCountMismatchMessage);
    const std::vector<size_t> columns = destinations(def, names);

    for (const ResultRow& given : source.rows) {
        std::vector<Value> row(def.columns.size());
        if (target.rules.hasDefaults()) row = target.rules.newRow();
        for (size_t i = 0; i < columns.size(); ++i) row[columns[i]] = given.values[i];
        target.editor.insert(target.checked(std::move(row)));
    }
    return source.rows.size();
}

}  // namespace jet::sql::detail
