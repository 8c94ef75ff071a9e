#include "db/connection_schema.h"

#include "db/dao_database.h"
#include "db/xDBComponents_UDB.h"
#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"

namespace {

// A catalogue handle on the connection's engine database: its collections
// give the names in the catalogue's order, as the designers see them.
dao::Database catalogueOf(const TCustomConnectionUDB& connection) {
    return dao::Database(
        std::make_shared<dao::Session>(connection.engineHandle(), connection.HostName()));
}

bool isUserTable(const dao::TableDef& table) {
    const unsigned linked = dao::kDbAttachedTable | dao::kDbAttachedODBC;
    return (table.Attributes() & dao::kDbSystemObject) != dao::kDbSystemObject &&
           (table.Attributes() & linked) == 0;
}

bool isView(const dao::QueryDef& query) {
    if (query.Name().startsWith(u'~') || query.HasParameters()) return false;
    const int type = query.Type();
    return type == dao::kDbQSelect || type == dao::kDbQSetOperation || type == dao::kDbQCrosstab;
}

QStringList viewColumns(TCustomConnectionUDB& connection, const QString& view) {
    TQueryUDB query;
    query.SetConnection(&connection);
    query.SetSQL(QStringLiteral("SELECT * FROM %1 WHERE 1=0").arg(QuoteTableName(view)));
    QStringList names;
    try {
        query.Open();
    } catch (const jet::Error&) {
        return names;  // a view that cannot run shows no columns
    }
    for (size_t i = 0; i < query.FieldCount(); ++i) names << query.Fields(i).FieldName();
    return names;
}

}  // namespace

QStringList SchemaTableNames(TCustomConnectionUDB& connection, SchemaTableType type) {
    QStringList names;
    if (!connection.Connected()) return names;
    dao::Database db = catalogueOf(connection);
    if (type == SchemaTableType::Table) {
        for (const auto& table : db.TableDefs())
            if (isUserTable(*table)) names << table->Name();
    } else {
        for (const auto& query : db.QueryDefs())
            if (isView(*query)) names << query->Name();
    }
    return names;
}

QStringList SchemaColumnNames(TCustomConnectionUDB& connection, const QString& tableName) {
    QStringList names;
    if (!connection.Connected()) return names;
    dao::Database db = catalogueOf(connection);
    if (const auto table = db.TableDefs().find(tableName)) {
        for (const auto& field : table->Fields()) names << field->Name();
        return names;
    }
    if (const auto query = db.QueryDefs().find(tableName))
        return viewColumns(connection, query->Name());
    return names;
}
