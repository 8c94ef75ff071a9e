#include "jet/sql/executor/schema_statement.h"

#include "jet/catalog/type_codes.h"
#include "jet/error.h"
#include "jet/table/schema_editor.h"

namespace jet::sql {
namespace {

[[noreturn]] void unsupported(const std::string& what) {
    throw Error(ErrorCode::Unsupported, what + " is not supported by this engine yet");
}

jet::ColumnSpec columnSpec(const ColumnDef& c) {
    jet::ColumnSpec spec;
    spec.name = c.name;
    jet::ColumnDef typed;
    typed.type = c.type.type;
    spec.daoType = daoTypeCode(typed);
    spec.size = c.type.size.value_or(0);
    spec.autoIncrement = c.type.autoIncrement;
    spec.required = c.notNull;
    // DDL text columns accept empty strings, as Access's DDL makes them.
    spec.allowZeroLength = true;
    for (const Constraint& k : c.constraints)
        if (k.kind == ConstraintKind::NotNull) spec.required = true;
    return spec;
}

// Access names an unnamed key after the table it belongs to.
jet::IndexSpec constraintIndex(const Constraint& k, const std::vector<std::string>& columns,
                               const std::string& fallbackName) {
    jet::IndexSpec index;
    index.name = k.name.empty() ? fallbackName : k.name;
    for (const std::string& c : columns) index.columns.emplace_back(c, true);
    if (k.kind == ConstraintKind::PrimaryKey) {
        index.primary = true;
    } else if (k.kind == ConstraintKind::Unique) {
        index.unique = true;
    } else if (k.kind == ConstraintKind::ForeignKey) {
        unsupported("FOREIGN KEY (relationships)");
    } else if (k.kind == ConstraintKind::Check) {
        unsupported("CHECK");
    }
    return index;
}

std::string uniqueName(const std::string& base, std::vector<jet::IndexSpec>& taken) {
    std::string name = base;
    for (int n = 1;; ++n) {
        bool clash = false;
        for (const jet::IndexSpec& x : taken) clash = clash || sameName(x.name, name);
        if (!clash) return name;
        name = base + std::to_string(n);
    }
}

void createTable(Database& db, const CreateTableStatement& s) {
    jet::TableSpec spec;
    spec.name = s.table;
    for (const ColumnDef& c : s.columns) {
        spec.columns.push_back(columnSpec(c));
        for (const Constraint& k : c.constraints) {
            if (k.kind == ConstraintKind::NotNull) continue;
            jet::IndexSpec index = constraintIndex(k, {c.name}, "");
            if (index.name.empty())
                index.name = uniqueName(index.primary ? "PrimaryKey" : "Index", spec.indexes);
            spec.indexes.push_back(std::move(index));
        }
    }
    for (const Constraint& k : s.constraints) {
        jet::IndexSpec index = constraintIndex(k, k.columns, "");
        if (index.name.empty())
            index.name = uniqueName(index.primary ? "PrimaryKey" : "Index", spec.indexes);
        spec.indexes.push_back(std::move(index));
    }
    SchemaEditor(db).createTable(spec);
}

void alterTable(Database& db, const AlterTableStatement& s) {
    SchemaEditor schema(db);
    switch (s.action) {
        case AlterAction::AddColumn: {
            schema.addColumn(s.table, columnSpec(s.column));
            for (const Constraint& k : s.column.constraints) {
                if (k.kind == ConstraintKind::NotNull) continue;
                schema.createIndex(s.table, constraintIndex(k, {s.column.name},
                                                            k.kind == ConstraintKind::PrimaryKey
                                                                ? "PrimaryKey"
                                                                : s.column.name));
            }
            return;
        }
        case AlterAction::DropColumn:
            schema.dropColumn(s.table, s.name);
            return;
        case AlterAction::AddConstraint:
            schema.createIndex(s.table,
                               constraintIndex(s.constraint, s.constraint.columns,
                                               s.constraint.kind == ConstraintKind::PrimaryKey
                                                   ? "PrimaryKey"
                                                   : "Index"));
            return;
        case AlterAction::DropConstraint:
            schema.dropIndex(s.table, s.name);
            return;
        case AlterAction::AlterColumn:
            unsupported("ALTER COLUMN");
    }
}

void createIndex(Database& db, const CreateIndexStatement& s) {
    jet::IndexSpec index;
    index.name = s.name;
    for (const IndexColumn& c : s.columns) index.columns.emplace_back(c.name, !c.descending);
    index.unique = s.unique;
    index.primary = s.option == IndexOption::Primary;
    index.required = s.option == IndexOption::DisallowNull;
    index.ignoreNulls = s.option == IndexOption::IgnoreNull;
    SchemaEditor(db).createIndex(s.table, index);
}

}  // namespace

void executeSchemaStatement(Database& db, const Statement& statement) {
    if (const auto* s = std::get_if<CreateTableStatement>(&statement.body)) return createTable(db, *s);
    if (const auto* s = std::get_if<AlterTableStatement>(&statement.body)) return alterTable(db, *s);
    if (const auto* s = std::get_if<DropTableStatement>(&statement.body))
        return SchemaEditor(db).dropTable(s->table);
    if (const auto* s = std::get_if<CreateIndexStatement>(&statement.body)) return createIndex(db, *s);
    if (const auto* s = std::get_if<DropIndexStatement>(&statement.body))
        return SchemaEditor(db).dropIndex(s->table, s->name);
    throw Error(ErrorCode::InvalidArgument, "the statement does not change the design of the database");
}

}  // namespace jet::sql
