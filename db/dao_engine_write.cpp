// DBEngine's file-level operations: creating a new database and compacting
// one into a fresh file, over the engine's writer.
#include <QFile>
#include <QFileInfo>

#include "db/dao_database.h"
#include "jet/compact/compactor.h"
#include "jet/error.h"
#include "jet/write/collations.h"
#include "jet/write/create_database.h"

namespace dao {
namespace {

constexpr int kNewestVersionKey = 256;

std::string enginePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// DAO refuses to put a new or compacted database where a file already is;
// callers delete the old file first when they mean to replace it.
void requireNoFile(const QString& path) {
    if (QFileInfo::exists(path)) throw jet::Error(jet::ErrorCode::Io, "Database already exists.");
}

}  // namespace

std::shared_ptr<Database> DBEngine::CreateDatabase(const QString& name, const QString& locale,
                                                   int version) {
    const std::optional<jet::JetVersion> format =
        jet::versionFromKey(version == 0 ? kNewestVersionKey : version);
    if (!format) {
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "Invalid version key " + std::to_string(version) + ".");
    }
    const jet::LocaleSpec named = jet::parseLocaleText(locale.toStdString());
    // Without a collation the sort order of every text index would be a
    // guess, so a locale text that names none is refused rather than read as
    // General.
    if (!named.lcid || !jet::isKnownCollation(*named.lcid)) {
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "The locale text '" + locale.toStdString() +
                             "' names none of the collations a new database can have.");
    }
    requireNoFile(name);

    jet::CreateOptions options;
    options.version = *format;
    options.collation = *named.lcid;
    options.password = named.password.value_or(std::string());
    jet::createDatabase(*jet::posixFileSystem(), enginePath(name), options);
    return OpenDatabase(name, false, false, QString::fromStdString(options.password));
}

void DBEngine::CompactDatabase(const QString& source, const QString& destination,
                               const QString& destinationLocale, int version,
                               const QString& sourceLocale) {
    const std::string sourcePassword =
        jet::parseLocaleText(sourceLocale.toStdString()).password.value_or(std::string());
    // The exclusive share fails while any catalogue handle or data connection
    // holds the file, and keeps others from opening it until the copy is
    // written. It also reports a missing source or a wrong password in the
    // words of an ordinary open.
    const db::EngineHandle held = db::openEngineDatabase(
        source, db::EngineOpenOptions{QString::fromStdString(sourcePassword), true});
    requireNoFile(destination);

    jet::CompactRequest request;
    request.source = enginePath(source);
    request.destination = enginePath(destination);
    request.destinationLocale = destinationLocale.toStdString();
    // Without a password part the copy keeps the source's password. The
    // engine finds that password in the header of an .mdb file; an .accdb
    // file is protected by encryption instead and keeps no password there,
    // so the password that opened it is passed on explicitly.
    const bool encryptedWithPassword = held.database().encryption().rfind("Office", 0) == 0;
    if (encryptedWithPassword && !jet::parseLocaleText(request.destinationLocale).password) {
        request.destinationLocale += ";pwd=" + sourcePassword;
    }
    request.versionKey = version;
    request.sourceLocale = sourceLocale.toStdString();
    jet::compactDatabase(*jet::posixFileSystem(), request);
}

}  // namespace dao
