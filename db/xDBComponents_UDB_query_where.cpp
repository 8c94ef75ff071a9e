// The WHERE line and the table name of a query's SQL text.
#include <QStringList>

#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"

namespace {

constexpr qsizetype kLongestTableName = 255;

const QString kWhere = QStringLiteral("WHERE ");

bool isWhereLine(const QString& line) {
    return line.trimmed().startsWith(kWhere, Qt::CaseInsensitive);
}

QStringList sqlLines(const QString& sql) {
    QString text = sql;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.split(u'\n');
}

}  // namespace

QString TCustomQueryUDB::GetTableName() const {
    if (!tableName_.isEmpty()) return tableName_;
    const qsizetype from = sql_.indexOf(QStringLiteral("FROM "), 0, Qt::CaseInsensitive);
    if (from < 0) return {};
    const QString rest = sql_.mid(from + 5, kLongestTableName);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u' ' && rest[end] != u'\r' && rest[end] != u'\n')
        ++end;
    return rest.left(end);
}

bool TCustomQueryUDB::rewriteWhere(const QString& condition) {
    QStringList lines = sqlLines(sql_);
    bool found = false;
    for (QString& line : lines) {
        if (!isWhereLine(line)) continue;
        line = kWhere + u'(' + condition + u')';
        found = true;
    }
    if (found) SetSQL(lines.join(u'\n'));
    return found;
}

bool TCustomQueryUDB::SetSQLWhere(const QString& condition) {
    return rewriteWhere(condition);
}

namespace {

// The condition of the last WHERE line, or nothing without one.
std::optional<QString> presentCondition(const QStringList& lines) {
    std::optional<QString> present;
    for (const QString& line : lines) {
        if (isWhereLine(line)) present = line.trimmed().mid(kWhere.size()).trimmed();
    }
    return present;
}

}  // namespace

bool TCustomQueryUDB::AddSQLWhereOR(const QString& condition) {
    const std::optional<QString> present = presentCondition(sqlLines(sql_));
    if (!present) return false;
    return rewriteWhere(JoinOr({*present, condition}));
}

bool TCustomQueryUDB::AddSQLWhereAND(const QString& condition) {
    const std::optional<QString> present = presentCondition(sqlLines(sql_));
    if (!present) return false;
    return rewriteWhere(JoinAnd({*present, condition}));
}
