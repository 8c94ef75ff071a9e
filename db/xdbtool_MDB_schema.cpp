#include "db/xdbtool_MDB_schema.h"

#include <optional>

#include "db/dao_database.h"
#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/sql/executor/action.h"
#include "jet/table/schema_editor.h"
#include "jet/write/relation_writer.h"

namespace {

std::string text(const QString& s) {
    return s.toStdString();
}

jet::Database& engineOf(dao::Database& db) {
    if (!db.isOpen()) throw jet::Error(jet::ErrorCode::InvalidArgument, dao::kObjectInvalid);
    return db.engineHandle().database();
}

// One change of the catalogue, with the collections read again afterwards
// whatever happened.
template <class Change>
void changeCatalogue(dao::Database& db, Change change) {
    try {
        change(engineOf(db));
    } catch (...) {
        RefreshCatalogue(db);
        throw;
    }
    RefreshCatalogue(db);
}

QString defaultValueText(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

jet::ColumnSpec columnSpecOf(const TFieldRec& f) {
    jet::ColumnSpec spec;
    spec.name = text(f.FieldName);
    spec.daoType = f.FieldType;
    spec.size = f.FieldSize;
    spec.autoIncrement = (f.Attributes & 16) != 0;
    spec.required = f.Required;
    spec.allowZeroLength = f.AllowZeroLength;
    spec.defaultValue = text(defaultValueText(f.DefaultValue));
    spec.validationRule = text(f.ValidationRule);
    spec.validationText = text(f.ValidationText);
    return spec;
}

jet::IndexSpec indexSpecOf(const TIndexRec& r) {
    jet::IndexSpec spec;
    spec.name = text(r.IndexName);
    for (const TIndexField& f : ParseIndexFields(r.FieldNames))
        spec.columns.emplace_back(text(f.name), f.ascending);
    spec.primary = r.Primary;
    spec.unique = r.Unique || r.Primary;
    spec.required = r.Required || r.Primary;
    return spec;
}

bool sameName(const std::string& a, const QString& b) {
    return QString::fromStdString(a).compare(b, Qt::CaseInsensitive) == 0;
}

// The relation that uses `field` of `table` on either side, if any.
std::optional<jet::Relation> relationUsing(jet::Database& e, const QString& table,
                                           const QString& field) {
    for (const jet::Relation& r : e.relations()) {
        for (const jet::RelationField& f : r.fields) {
            if ((sameName(r.table, table) && sameName(f.name, field)) ||
                (sameName(r.foreignTable, table) && sameName(f.foreignName, field)))
                return r;
        }
    }
    return std::nullopt;
}

// The indexes of `table` that use column `field`, as specs.
std::vector<jet::IndexSpec> indexesUsing(jet::Database& e, const QString& table,
                                         const QString& field) {
    std::vector<jet::IndexSpec> out;
    const auto def = e.table(text(table));
    for (const jet::IndexDef& ix : def->indexes) {
        if (!ix.name.empty() && ix.name.front() == '.') continue;
        const jet::RealIndexDef& real = def->realIndexOf(ix);
        jet::IndexSpec spec;
        spec.name = ix.name;
        bool uses = false;
        for (const auto& col : real.columns) {
            const jet::ColumnDef* c = def->columnByNumber(col.columnNumber);
            if (!c) continue;
            uses = uses || sameName(c->name, field);
            spec.columns.emplace_back(c->name, col.ascending);
        }
        if (!uses) continue;
        spec.primary = ix.isPrimaryKey();
        spec.foreignKey = ix.isForeignKey();
        spec.unique = (real.flags & jet::kIndexUnique) != 0;
        spec.required = (real.flags & jet::kIndexRequired) != 0;
        spec.ignoreNulls = (real.flags & jet::kIndexIgnoreNulls) != 0;
        out.push_back(std::move(spec));
    }
    return out;
}

// A field a relation uses is not made again: the relation would have to be
// made again with it.
void refuseFieldOfRelation(jet::Database& e, const QString& table, const QString& field) {
    if (const auto relation = relationUsing(e, table, field)) {
        throw jet::Error(jet::ErrorCode::Constraint,
                         "The field '" + text(field) + "' is part of the relationship '" +
                             relation->name +
                             "'. Delete the relationship before you change the field.");
    }
}

jet::RelationSpec relationSpecOf(const TRelationRec& r) {
    const std::vector<TIndexField> fields = ParseIndexFields(r.FieldNames);
    const std::vector<TIndexField> foreign = ParseIndexFields(r.ForeignFieldNames);
    if (fields.size() != foreign.size())
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "The relationship '" + text(r.Name) + "' pairs " +
                             std::to_string(fields.size()) + " fields with " +
                             std::to_string(foreign.size()) + " foreign fields.");
    jet::RelationSpec spec;
    spec.name = text(r.Name);
    spec.table = text(r.Table);
    spec.foreignTable = text(r.ForeignTable);
    spec.attributes = static_cast<uint32_t>(r.Attributes);
    for (size_t i = 0; i < fields.size(); ++i)
        spec.fields.push_back({text(fields[i].name), text(foreign[i].name)});
    return spec;
}

QString bracketed(const QString& name) {
    return QLatin1Char('[') + name + QLatin1Char(']');
}

}  // namespace

void RefreshCatalogue(dao::Database& db) {
    db.TableDefs().Refresh();
    db.QueryDefs().Refresh();
    db.Relations().Refresh();
}

std::vector<TIndexField> ParseIndexFields(const QString& fieldNames) {
    std::vector<TIndexField> out;
    for (const QString& part : fieldNames.split(u';')) {
        QString name = part.trimmed();
        if (name.isEmpty()) break;
        TIndexField field;
        if (name.startsWith(u'-') || name.startsWith(u'+')) {
            field.ascending = name.front() == u'+';
            name = name.mid(1).trimmed();
        }
        field.name = name;
        out.push_back(field);
    }
    return out;
}

void RunAsOneChange(dao::Database& db, const std::function<void()>& change) {
    jet::Database& e = engineOf(db);
    jet::PageStore& store = e.pages();
    if (store.inTransaction()) {
        change();
        return;
    }
    if (!store.writable())
        throw jet::Error(jet::ErrorCode::Io, "Cannot update. Database or object is read-only.");
    try {
        jet::PageTransaction transaction(store);
        change();
        transaction.commit();
    } catch (...) {
        // What the steps read of the catalogue went back with the pages.
        e.reloadCatalog();
        RefreshCatalogue(db);
        throw;
    }
    e.reloadCatalog();
    RefreshCatalogue(db);
}

void CreateTable(dao::Database& db, const QString& tableName, const TFieldRecArray& fields,
                 const TIndexRecArray& indexes) {
    jet::TableSpec spec;
    spec.name = text(tableName);
    for (const TFieldRec& f : fields) spec.columns.push_back(columnSpecOf(f));
    for (const TIndexRec& r : indexes) spec.indexes.push_back(indexSpecOf(r));
    changeCatalogue(db, [&](jet::Database& e) { jet::SchemaEditor(e).createTable(spec); });
}

void DeleteTable(dao::Database& db, const QString& tableName) {
    changeCatalogue(db, [&](jet::Database& e) { jet::SchemaEditor(e).dropTable(text(tableName)); });
}

void RenameTable(dao::Database& db, const QString& oldName, const QString& newName) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).renameTable(text(oldName), text(newName));
    });
}

void AppendField(dao::Database& db, const QString& tableName, const TFieldRec& field) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).addColumn(text(tableName), columnSpecOf(field));
    });
}

void DeleteField(dao::Database& db, const QString& tableName, const QString& fieldName) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).dropColumn(text(tableName), text(fieldName));
    });
}

void RenameField(dao::Database& db, const QString& tableName, const QString& oldName,
                 const QString& newName) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).renameColumn(text(tableName), text(oldName), text(newName));
    });
}

void SetFieldRules(dao::Database& db, const QString& tableName, const TFieldRec& field) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).setColumnRules(text(tableName), columnSpecOf(field));
    });
}

void RecreateField(dao::Database& db, const QString& tableName, const QString& loadedName,
                   const TFieldRec& field) {
    jet::Database& e = engineOf(db);
    refuseFieldOfRelation(e, tableName, loadedName);
    const QString parked = loadedName + QStringLiteral("_tmpx");
    RunAsOneChange(db, [&] {
        jet::SchemaEditor schema(e);
        const std::string table = text(tableName);
        std::vector<jet::IndexSpec> indexes = indexesUsing(e, tableName, loadedName);
        for (const jet::IndexSpec& ix : indexes) schema.dropIndex(table, ix.name);
        schema.renameColumn(table, text(loadedName), text(parked));
        schema.addColumn(table, columnSpecOf(field));
        const QString copy =
            QStringLiteral("UPDATE %1 SET %2=%3")
                .arg(bracketed(tableName), bracketed(field.FieldName), bracketed(parked));
        try {
            jet::sql::executeAction(e, text(copy));
        } catch (const jet::Error& error) {
            throw TDataCopyError(error.code(), error.what());
        }
        schema.dropColumn(table, text(parked));
        for (jet::IndexSpec& ix : indexes) {
            for (auto& column : ix.columns)
                if (sameName(column.first, parked) || sameName(column.first, loadedName))
                    column.first = text(field.FieldName);
            schema.createIndex(table, ix);
        }
    });
}

void AppendIndex(dao::Database& db, const QString& tableName, const TIndexRec& index) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).createIndex(text(tableName), indexSpecOf(index));
    });
}

void DeleteIndex(dao::Database& db, const QString& tableName, const QString& indexName) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).dropIndex(text(tableName), text(indexName));
    });
}

void RenameIndex(dao::Database& db, const QString& tableName, const QString& oldName,
                 const QString& newName) {
    changeCatalogue(db, [&](jet::Database& e) {
        jet::SchemaEditor(e).renameIndex(text(tableName), text(oldName), text(newName));
    });
}

void RecreateIndex(dao::Database& db, const QString& tableName, const QString& loadedName,
                   const TIndexRec& index) {
    jet::Database& e = engineOf(db);
    RunAsOneChange(db, [&] {
        jet::SchemaEditor schema(e);
        schema.dropIndex(text(tableName), text(loadedName));
        schema.createIndex(text(tableName), indexSpecOf(index));
    });
}

int ExecuteSQL(dao::Database& db, const QString& sql) {
    size_t affected = 0;
    changeCatalogue(db,
                    [&](jet::Database& e) { affected = jet::sql::executeAction(e, text(sql)); });
    return static_cast<int>(affected);
}

void CreateQueryDef(dao::Database& db, const QString& name, const QString& sql) {
    changeCatalogue(
        db, [&](jet::Database& e) { jet::SchemaEditor(e).createQuery(text(name), text(sql)); });
}

void StoreQueryDef(dao::Database& db, const TQueryDef& query, const QString& newName) {
    changeCatalogue(db, [&](jet::Database& e) {
        if (newName.isEmpty() || newName == query.Name)
            jet::SchemaEditor(e).alterQuery(text(query.Name), text(query.SQL));
        else
            jet::SchemaEditor(e).renameQuery(text(query.Name), text(newName));
    });
}

void DeleteQueryDef(dao::Database& db, const QString& name) {
    changeCatalogue(db, [&](jet::Database& e) { jet::SchemaEditor(e).dropQuery(text(name)); });
}

void CreateRelation(dao::Database& db, const TRelationRec& relation) {
    const jet::RelationSpec spec = relationSpecOf(relation);
    changeCatalogue(db, [&](jet::Database& e) { jet::SchemaEditor(e).createRelation(spec); });
}

void DeleteRelation(dao::Database& db, const QString& name) {
    changeCatalogue(db, [&](jet::Database& e) { jet::SchemaEditor(e).dropRelation(text(name)); });
}

void RecreateRelation(dao::Database& db, const QString& loadedName, const TRelationRec& relation) {
    const jet::RelationSpec spec = relationSpecOf(relation);
    RunAsOneChange(db, [&] {
        jet::SchemaEditor schema(engineOf(db));
        schema.dropRelation(text(loadedName));
        schema.createRelation(spec);
    });
}
