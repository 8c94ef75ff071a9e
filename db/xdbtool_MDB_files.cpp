// The catalogue routines that work on whole files: creating a database,
// compacting it into another file or into its own place (a file is replaced
// only by a complete new one), and deleting files.
#include "db/xdbtool_MDB_files.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>

#include "db/engine_registry.h"
#include "db/user_feedback.h"
#include "db/xdbtool_MDB.h"
#include "jet/error.h"

namespace {

MdbFileRenamer& installedRenamer() {
    static MdbFileRenamer renamer;
    return renamer;
}

// Puts `from` in the place of `to` in one step, replacing a file there
// (rename(2); QFile::rename would refuse an existing `to`).
bool replacingRename(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool renameFile(const QString& from, const QString& to) {
    const MdbFileRenamer& renamer = installedRenamer();
    return renamer ? renamer(from, to) : replacingRename(from, to);
}

[[noreturn]] void throwIo(const QString& message) {
    throw jet::Error(jet::ErrorCode::Io, message.toStdString());
}

// The locale text's password part: ";pwd=" + the password, or nothing.
QString passwordPart(const QString& password) {
    // The engine reads a locale text part by part, so a ";" would cut the
    // password short and the copy would silently get another one.
    if (password.contains(u';')) {
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "A password that contains ';' cannot be passed to the compaction.");
    }
    return password.isEmpty() ? QString() : QStringLiteral(";pwd=") + password;
}

}  // namespace

ScopedMdbFileRenamer::ScopedMdbFileRenamer(MdbFileRenamer renamer)
    : previous_(std::move(installedRenamer())) {
    installedRenamer() = std::move(renamer);
}

ScopedMdbFileRenamer::~ScopedMdbFileRenamer() {
    installedRenamer() = std::move(previous_);
}

void CreateMDB(const QString& fileName, int langId, int versionKey) {
    dao::DBEngine().CreateDatabase(fileName, CollationLocale(langId), versionKey)->Close();
}

namespace {

// A name no file has yet, beside `file` so that a rename onto it stays within
// one file system; the reserving file is removed again, so the name is free
// for the database written there.
QString temporaryNameBeside(const QString& file) {
    QTemporaryFile reserve(file + QStringLiteral(".new-XXXXXX"));
    if (!reserve.open()) throwIo(QStringLiteral("Cannot replace file: ") + file);
    return reserve.fileName();
}

// Writes a complete file under a temporary name with `write`, then puts it
// in the place of `target` in one step (whether or not a file is there); on
// any failure the temporary file is removed and `target` is as it was.
void replaceWithNewFile(const QString& target, const std::function<void(const QString&)>& write) {
    const QString temporary = temporaryNameBeside(target);
    try {
        write(temporary);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    if (!renameFile(temporary, target)) {
        QFile::remove(temporary);
        throwIo(QStringLiteral("Cannot replace file: ") + target);
    }
}

// The locale text's password part for the copy.
QString destinationPasswordPart(const TPasswordChange& change) {
    switch (change.kind) {
        case TPasswordChange::Keep:
            return QString();
        case TPasswordChange::Remove:
            return QStringLiteral(";pwd=");
        case TPasswordChange::Set:
            if (change.password.isEmpty()) return QStringLiteral(";pwd=");
            return passwordPart(change.password);
    }
    return QString();
}

void compactWith(const QString& source, const QString& destination, const QString& sourcePassword,
                 int versionKey, int destLangId, int sourceLangId, const TPasswordChange& change) {
    const QString sourceLocale = CollationLocale(sourceLangId) + passwordPart(sourcePassword);
    const QString destinationLocale = CollationLocale(destLangId) + destinationPasswordPart(change);
    dao::DBEngine().CompactDatabase(source, destination, destinationLocale, versionKey,
                                    sourceLocale);
}

// The string convention of CompactMDB: "" keeps, " " removes, other text sets.
TPasswordChange passwordChangeOf(const QString& destPassword) {
    if (destPassword.isEmpty()) return {TPasswordChange::Keep, QString()};
    if (destPassword == QStringLiteral(" ")) return {TPasswordChange::Remove, QString()};
    return {TPasswordChange::Set, destPassword};
}

}  // namespace

void CreateMDBReplacing(const QString& fileName, int langId, int versionKey) {
    replaceWithNewFile(fileName,
                       [&](const QString& temporary) { CreateMDB(temporary, langId, versionKey); });
}

void CompactMDBReplacing(const QString& source, const QString& destination,
                         const QString& sourcePassword, int versionKey, int destLangId,
                         const TPasswordChange& password) {
    replaceWithNewFile(destination, [&](const QString& temporary) {
        compactWith(source, temporary, sourcePassword, versionKey, destLangId, 0, password);
    });
}

bool CanReplaceFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (info.isDir() || db::isEngineDatabaseOpen(fileName)) return false;
    return QFileInfo(info.absolutePath()).isWritable();
}

void CompactMDB(const QString& source, const QString& destination, const QString& sourcePassword,
                int versionKey, int destLangId, int sourceLangId, const QString& destPassword) {
    compactWith(source, destination, sourcePassword, versionKey, destLangId, sourceLangId,
                passwordChangeOf(destPassword));
}

void DeleteFileIfExists(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return;
    if (!QFile::remove(fileName)) throwIo(QStringLiteral("Cannot delete file: ") + fileName);
}

bool CompactMDBInPlace(const QString& fileName, const QString& currentPassword,
                       const QString& newPassword, int versionKey, int langId) {
    return CompactMDBInPlace(fileName, currentPassword, passwordChangeOf(newPassword), versionKey,
                             langId);
}

bool CompactMDBInPlace(const QString& fileName, const QString& currentPassword,
                       const TPasswordChange& newPassword, int versionKey, int langId) {
    // The hourglass while the file operation runs; the cursor in force
    // before comes back when it ends (also on failure).
    db::BusyCursor wait(Qt::WaitCursor);
    try {
        // A link is followed, so that the file it leads to is compacted and
        // the link stays a link.
        const QFileInfo info(fileName);
        const QString target =
            info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName;
        // Kept means the current password, given again explicitly.
        const TPasswordChange password =
            newPassword.kind == TPasswordChange::Keep && !currentPassword.isEmpty()
                ? TPasswordChange{TPasswordChange::Set, currentPassword}
                : newPassword;
        // The copy is written under a name of its own and takes the
        // database's place in one step, so the database is never without
        // its name and no file this run did not make is touched.
        replaceWithNewFile(target, [&](const QString& temporary) {
            compactWith(target, temporary, currentPassword, versionKey, langId, 0, password);
        });
        return true;
    } catch (const std::exception& error) {
        wait.restore();
        db::reportError(QStringLiteral("Error: Cannot compress data."),
                        QString::fromUtf8(error.what()));
        return false;
    }
}
