#include "app/structure_tree_source.h"

#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"

CatalogueStructureSource::CatalogueStructureSource(dao::Database& db,
                                                   TCustomConnectionUDB& connection)
    : db_(db), qStruct_(std::make_unique<TQueryUDB>()) {
    reloadLists();
    qStruct_->SetName(QStringLiteral("qStruct"));
    qStruct_->SetConnection(&connection);
}

CatalogueStructureSource::~CatalogueStructureSource() = default;

void CatalogueStructureSource::reloadLists() {
    GetTableNames(db_, tables_);
    GetQueryDefs(db_, queryDefs_, &views_);
    GetRelations(db_, relations_, nullptr, true);
}

QString CatalogueStructureSource::viewSql(const QString& view) const {
    for (const TQueryDef& def : queryDefs_)
        if (def.Name.compare(view, Qt::CaseInsensitive) == 0) return def.SQL;
    return QString();
}

void CatalogueStructureSource::readFields(const QString& table, TFieldRecArray& fields) {
    GetTableFields(db_, table, fields);
}

void CatalogueStructureSource::readIndexes(const QString& table, TIndexRecArray& indexes) {
    GetTableIndexes(db_, table, indexes, true);
}

std::vector<ViewColumnInfo> CatalogueStructureSource::viewColumns(const QString& view) {
    TQueryUDB& query = *qStruct_;
    query.SetSQL(QStringLiteral("SELECT * FROM %1 WHERE 1=0").arg(QuoteTableName(view)));
    std::vector<ViewColumnInfo> columns;
    try {
        query.RequeryEx(false);
        for (size_t i = 0; i < query.FieldCount(); ++i) {
            const TQueryField field = query.Fields(i);
            columns.push_back({field.FieldName(), field.DataType(), field.Size()});
        }
    } catch (...) {
        query.Close();
        throw;
    }
    query.Close();
    return columns;
}
