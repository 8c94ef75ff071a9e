// Statements that change the file, run through a query component.
#include <QRegularExpression>

#include "db/wait_cursor.h"
#include "db/xDBComponents_UDB.h"
#include "db/xDBComponents_UDB_query.h"
#include "jet/error.h"
#include "jet/sql/executor/action.h"
#include "jet/sql/parser/parser.h"

size_t TCustomQueryUDB::ExecSQL() {
    if (!connection_) {
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "Missing Connection or ConnectionString.");
    }
    Close();
    if (readOnly_ || connection_->ReadOnly()) {
        throw jet::Error(jet::ErrorCode::Unsupported,
                         "Cannot update. Database or object is read-only.");
    }
    if (!connection_->Connected()) connection_->Open();
    const db::WaitCursor wait;
    return jet::sql::executeAction(connection_->engineHandle().database(), sql_.toStdString());
}

bool StatementReturnsRecords(const QString& sql) {
    try {
        return !jet::sql::changesDatabase(jet::sql::parseStatement(sql.toStdString()));
    } catch (const jet::Error&) {
        static const QRegularExpression firstWord(QStringLiteral("^[\\s(]*([A-Za-z]+)"));
        const QString word = firstWord.match(sql).captured(1);
        return word.compare(QStringLiteral("SELECT"), Qt::CaseInsensitive) == 0 ||
               word.compare(QStringLiteral("TRANSFORM"), Qt::CaseInsensitive) == 0;
    }
}
