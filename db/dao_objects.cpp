#include "db/dao_objects.h"

#include <QDir>
#include <QFileInfo>

#include "db/connection_string.h"
#include "db/dao_session.h"
#include "db/dao_table_reader.h"

namespace dao {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Where a linked table's file is: the stored path when it exists, otherwise a
// file of the same name beside the linking database (links made on another
// machine usually point at a drive that does not exist here).
QString linkedFilePath(const QString& stored, const QString& linkingDatabase) {
    if (QFileInfo::exists(stored)) return stored;
    QString name = stored;
    name.replace(u'\\', u'/');
    name = name.section(u'/', -1);
    const QString beside = QFileInfo(linkingDatabase).dir().filePath(name);
    if (!name.isEmpty() && QFileInfo::exists(beside)) return beside;
    return stored;
}

// The password a link carries in its connect text (";PWD=..."), if any.
QString linkPassword(const QString& connect) {
    try {
        for (const auto& part : db::splitConnectionString(connect)) {
            if (part.key.compare(QStringLiteral("PWD"), Qt::CaseInsensitive) == 0)
                return part.value;
        }
    } catch (const jet::Error&) {
        // A connect text we cannot read carries no password we could use.
    }
    return QString();
}

// Runs `read` on the catalogue object of table `name`, following a link to
// the file and table it points at.
template <class Read>
auto readTable(const Session& session, const QString& name, Read read) {
    jet::Database& engine = session.engine();
    const jet::CatalogObject* object = engine.findObject(name.toStdString());
    if (!object)
        throw jet::Error(jet::ErrorCode::NotFound, jet::missingObjectMessage(name.toStdString()));
    if (object->type == static_cast<int16_t>(jet::ObjectType::Table)) return read(engine, *object);
    if (object->type == static_cast<int16_t>(jet::ObjectType::LinkedOdbcTable)) {
        throw jet::Error(jet::ErrorCode::Unsupported,
                         "ODBC--connection to '" + object->connect.value_or("") + "' failed.");
    }
    const QString file = linkedFilePath(qs(object->database.value_or("")), session.path());
    db::EngineHandle linked = db::openEngineDatabase(
        file, db::EngineOpenOptions{linkPassword(qs(object->connect.value_or(""))), false});
    const std::string source = object->foreignName.value_or(object->name);
    for (const auto* t : linked.database().tables(true)) {
        if (jet::sameName(t->name, source)) return read(linked.database(), *t);
    }
    throw jet::Error(jet::ErrorCode::NotFound, jet::missingObjectMessage(source));
}

}  // namespace

Relation::Relation(QString name, QString table, QString foreignTable, int attributes,
                   std::vector<std::shared_ptr<Field>> fields)
    : name_(std::move(name)),
      table_(std::move(table)),
      foreignTable_(std::move(foreignTable)),
      attributes_(attributes),
      fields_([fields = std::move(fields)] { return fields; }) {}

TableDef::TableDef(std::shared_ptr<Session> session, QString name, unsigned attributes,
                   QString connect, QString sourceTableName)
    : session_(std::move(session)),
      name_(std::move(name)),
      attributes_(attributes),
      connect_(std::move(connect)),
      sourceTableName_(std::move(sourceTableName)),
      fields_([this] {
          return readTable(*session_, name_, [](jet::Database& db, const jet::CatalogObject& t) {
              return readTableFields(db, t);
          });
      }),
      indexes_([this] {
          return readTable(*session_, name_, [](jet::Database& db, const jet::CatalogObject& t) {
              return readTableIndexes(db, t);
          });
      }) {}

QString QueryDef::SQL() const {
    if (!error_.isEmpty()) throw jet::Error(jet::ErrorCode::Corrupt, error_.toStdString());
    return sql_;
}

}  // namespace dao
