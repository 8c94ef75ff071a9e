#include "schema/sql_templates.h"

#include "db/xdbtool.h"

namespace {

const QString kTable = QStringLiteral("<Table>");
const QString kFields = QStringLiteral("<Fields>");
const QString kField = QStringLiteral("<Field>");

QString replacedIgnoringCase(QString text, const QString& placeholder, const QString& by) {
    return text.replace(placeholder, by, Qt::CaseInsensitive);
}

}  // namespace

QStringList defaultSqlTemplates() {
    // Access SQL: joins name their kind, text literals take plain quotes.
    return {
        QStringLiteral("SELECT * FROM <Table>"),
        QStringLiteral("SELECT TOP 1000 * FROM <Table>"),
        QStringLiteral("SELECT <Fields> FROM <Table>"),
        QStringLiteral("SELECT Count(*) AS Pocet FROM <Table>"),
        QStringLiteral("INNER JOIN <Table> ON ???.??? = <Table>.<Field>"),
        QStringLiteral("LEFT JOIN <Table> ON ???.??? = <Table>.<Field>"),
        QStringLiteral("WHERE <Table>.<Field>= ???"),
        QStringLiteral("WHERE <Table>.<Field>= '?\?\?'"),
        QStringLiteral("WHERE <Table>.<Field> IS Null"),
        QStringLiteral("ORDER BY <Table>.<Field>"),
        QStringLiteral("GROUP BY <Table>.<Field>"),
        QStringLiteral("UPDATE <Table> SET <Field> = ??? WHERE <Field> = ???"),
        QStringLiteral("DELETE FROM <Table> WHERE <Field> = ???"),
        QStringLiteral("<Table>.<Field>, "),
    };
}

QString sqlTableName(const QString& name) {
    return name == u'*' || name.isEmpty() ? name : QuoteTableName(name);
}

QString sqlFieldName(const QString& name) {
    return name == u'*' || name.isEmpty() ? name : QuoteFieldName(name);
}

QString sqlFieldList(const QStringList& fields) {
    QStringList quoted;
    for (const QString& f : fields) quoted << sqlFieldName(f);
    return quoted.join(QStringLiteral(", "));
}

QString fillSqlTemplate(const QString& sqlTemplate, const QString& table,
                        const QStringList& fields) {
    const QString withTable = replacedIgnoringCase(sqlTemplate, kTable, sqlTableName(table));
    if (withTable.contains(kFields, Qt::CaseInsensitive))
        return replacedIgnoringCase(withTable, kFields, sqlFieldList(fields));
    if (!withTable.contains(kField, Qt::CaseInsensitive)) return withTable;
    QStringList copies;
    for (const QString& f : fields)
        copies << replacedIgnoringCase(withTable, kField, sqlFieldName(f));
    return copies.join(u' ');
}

QStringList filterSqlNames(const QStringList& names, const QString& filter) {
    if (filter.isEmpty()) return names;
    QStringList kept;
    for (const QString& n : names)
        if (n.contains(filter, Qt::CaseInsensitive)) kept << n;
    return kept;
}
