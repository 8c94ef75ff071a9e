// Shared pieces of the query tests: a connection on a temporary copy of a
// fixture, and the rows of a query read back as text.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "db/connection_string.h"
#include "db/xDBComponents_UDB_query.h"
#include "db_fixtures.h"

namespace db_test {

// TableIgnoreNulls2 of the index-properties fixtures: 11 rows of
// (row Text, data1 Text, data2 Long) with nulls in both data columns, in
// storage order row0, row1, row2, row4, ..., row10, row3.
inline const QString kRowsTable = QStringLiteral("TableIgnoreNulls2");
inline const QStringList kRowFixtures{QStringLiteral("V2000/testIndexPropertiesV2000.mdb"),
                                      QStringLiteral("V2007/testIndexPropertiesV2007.accdb")};

// A connection on a copy of `fixture` and a query on it.
struct QueryOnCopy {
    explicit QueryOnCopy(const QString& fixture) {
        path = copyFixture(dir, fixture);
        connection = std::make_unique<TConnectionUDB>();
        connection->setConnectionString(
            db::buildAccessConnectionString(db::providerForFile(path, true), path, QString()));
        query.SetConnection(connection.get());
    }
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TConnectionUDB> connection;
    TQueryUDB query;
};

// The query's current record's value of `field` as text; "<none>" without a
// current record.
inline QString currentText(TCustomQueryUDB& query, const QString& field) {
    if (query.Eof() || query.Bof()) return QStringLiteral("<none>");
    return query.FieldByName(field).AsString();
}

// The values of `field` in the query's present order (filter and sort).
inline QStringList columnText(TCustomQueryUDB& query, const QString& field) {
    QStringList values;
    query.ScanRecords([&] { values << query.FieldByName(field).AsString(); });
    return values;
}

// Goes to the record whose field `row` holds `rowName`.
inline bool gotoRow(TCustomQueryUDB& query, const QString& rowName) {
    return query.Locate(QStringLiteral("row"), {jet::Value::text(rowName.toStdString())});
}

}  // namespace db_test
