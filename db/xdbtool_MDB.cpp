#include "db/xdbtool_MDB.h"

namespace {

template <class Rows, class Key>
const typename Rows::value_type* findRow(const Rows& rows, Key key) {
    for (const auto& row : rows) {
        if (key(row)) return &row;
    }
    return nullptr;
}

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

}  // namespace

QString DBVersionName(int key) {
    const auto* row = findRow(kDBVersions, [&](const auto& r) { return r.Key == key; });
    return row ? latin1(row->Description) : QString();
}

QString DBVersionExt(int key) {
    const auto* row = findRow(kDBVersions, [&](const auto& r) { return r.Key == key; });
    return row ? latin1(row->Extension) : QString();
}

int DBVersionFromName(const QString& name) {
    const auto* row = findRow(kDBVersions, [&](const auto& r) {
        return name.compare(latin1(r.Description), Qt::CaseInsensitive) == 0;
    });
    return row ? row->Key : -1;
}

void FillDBVersions(QStringList& list) {
    list.clear();
    for (const auto& r : kDBVersions) list.append(latin1(r.Description));
}

QString CollationName(int langId) {
    const auto* row = findRow(kCollations, [&](const auto& r) { return r.LangId == langId; });
    return row ? latin1(row->Name) : QString();
}

QString CollationLocale(int langId) {
    const auto* row = findRow(kCollations, [&](const auto& r) { return r.LangId == langId; });
    return row ? latin1(row->Locale) : QString();
}

int CollationFromName(const QString& name) {
    const auto* row = findRow(kCollations, [&](const auto& r) {
        return name.compare(latin1(r.Name), Qt::CaseInsensitive) == 0;
    });
    return row ? row->LangId : -1;
}

void FillCollations(QStringList& list) {
    list.clear();
    for (const auto& r : kCollations) list.append(latin1(r.Name));
}

QString FieldTypeName(int code) {
    auto byCode = [&](const auto& r) { return r.Code == code; };
    if (const auto* row = findRow(kFieldTypes, byCode)) return latin1(row->Name);
    if (const auto* row = findRow(kExtraFieldTypes, byCode)) return latin1(row->Name);
    return QString();
}

int FieldTypeFromName(const QString& name) {
    const auto* row = findRow(kFieldTypes, [&](const auto& r) {
        return name.compare(latin1(r.Name), Qt::CaseInsensitive) == 0;
    });
    return row ? row->Code : -1;
}

void FillFieldTypes(QStringList& list) {
    list.clear();
    for (const auto& r : kFieldTypes) list.append(latin1(r.Name));
}

int DBVersionFromVersionText(const QString& versionText) {
    const auto* row = findRow(kDBVersions, [&](const auto& r) {
        return latin1(r.Description).contains(versionText, Qt::CaseSensitive);
    });
    return row ? row->Key : -1;
}

std::shared_ptr<dao::Database> OpenMDB(const QString& fileName, const QString& password,
                                       bool exclusive) {
    return dao::DBEngine().OpenDatabase(fileName, exclusive, false, password);
}

bool HasMSysPrefix(const QString& name) {
    return name.startsWith(QStringLiteral("MSYS"), Qt::CaseInsensitive);
}

int GetMDBVersion(dao::Database& db) {
    return DBVersionFromVersionText(db.Version());
}

void GetTableNames(dao::Database& db, QStringList& list) {
    list.clear();
    auto& tables = db.TableDefs();
    for (int i = 0; i < tables.Count(); ++i) {
        const QString name = tables.Item(i)->Name();
        if (!HasMSysPrefix(name)) list.append(name);
    }
}

void GetTableFields(dao::Database& db, const QString& tableName, TFieldRecArray& fields,
                    QStringList* list) {
    fields.clear();
    if (list) list->clear();
    auto table = db.TableDefs().Item(tableName);
    auto& all = table->Fields();
    fields.resize(static_cast<size_t>(all.Count()));
    for (int i = 0; i < all.Count(); ++i) {
        const auto field = all.Item(i);
        TFieldRec& r = fields[static_cast<size_t>(i)];
        r.FieldName = field->Name();
        r.FieldType = field->Type();
        r.FieldSize = field->Size();
        r.Attributes = field->Attributes();
        r.Required = field->Required();
        r.AllowZeroLength = field->AllowZeroLength();
        r.DefaultValue = field->DefaultValue();
        r.ValidationText = field->ValidationText();
        r.ValidationRule = field->ValidationRule();
        if (list) list->append(r.FieldName);
    }
}

void GetTableIndexes(dao::Database& db, const QString& tableName, TIndexRecArray& indexes,
                     bool skipRelationIndexes, QStringList* list) {
    indexes.clear();
    if (list) list->clear();
    auto table = db.TableDefs().Item(tableName);
    auto& all = table->Indexes();
    indexes.resize(static_cast<size_t>(all.Count()));

    QStringList relationNames;
    TRelationRecArray relations;
    GetRelations(db, relations, &relationNames, false);

    size_t kept = 0;
    for (int i = 0; i < all.Count(); ++i) {
        const auto index = all.Item(i);
        const bool isRelation = relationNames.contains(index->Name(), Qt::CaseInsensitive);
        if (skipRelationIndexes && isRelation) continue;
        TIndexRec& r = indexes[kept++];
        r.FieldNames = index->Fields().remove(u'+');
        r.IndexName = index->Name();
        r.Primary = index->Primary();
        r.Unique = index->Unique();
        r.Required = index->Required();
        r.Relation = isRelation;
        if (list) list->append(r.IndexName);
    }
    indexes.resize(kept);
}

void GetQueryDefs(dao::Database& db, TQueryDefArray& queries, QStringList* list) {
    queries.clear();
    if (list) list->clear();
    auto& all = db.QueryDefs();
    queries.resize(static_cast<size_t>(all.Count()));
    for (int i = 0; i < all.Count(); ++i) {
        const auto query = all.Item(i);
        // A query that cannot be read is listed without text; what runs it
        // reports why.
        QString sql;
        try {
            sql = query->SQL();
        } catch (const jet::Error&) {
        }
        queries[static_cast<size_t>(i)] = TQueryDef{query->Name(), sql};
        if (list) list->append(query->Name());
    }
}

void GetRelations(dao::Database& db, TRelationRecArray& relations, QStringList* list,
                  bool skipSystem) {
    relations.clear();
    if (list) list->clear();
    auto& all = db.Relations();
    relations.resize(static_cast<size_t>(all.Count()));
    size_t kept = 0;
    for (int i = 0; i < all.Count(); ++i) {
        const auto relation = all.Item(i);
        if (skipSystem && HasMSysPrefix(relation->Name())) continue;
        TRelationRec& r = relations[kept++];
        r.Name = relation->Name();
        r.Table = relation->Table();
        r.ForeignTable = relation->ForeignTable();
        r.Attributes = relation->Attributes();
        auto& fields = relation->Fields();
        r.Fields.assign(static_cast<size_t>(fields.Count()), TFieldRec{});
        r.FieldNames.clear();
        r.ForeignFieldNames.clear();
        for (int j = 0; j < fields.Count(); ++j) {
            const auto field = fields.Item(j);
            r.Fields[static_cast<size_t>(j)].FieldName = field->Name();
            r.Fields[static_cast<size_t>(j)].ForeignName = field->ForeignName();
            AddToList(r.FieldNames, field->Name());
            AddToList(r.ForeignFieldNames, field->ForeignName());
        }
        if (list) list->append(r.Name);
    }
    relations.resize(kept);
}

void AddToList(QString& text, const QString& item) {
    if (!text.isEmpty()) text += u';';
    text += item;
}
