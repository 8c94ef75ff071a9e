// The catalogue routines that work on whole files: creating a database,
// compacting it into another file or into its own place, and deleting
// leftovers.
#include "db/xdbtool_MDB_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "db/user_feedback.h"
#include "db/xdbtool_MDB.h"
#include "jet/error.h"

namespace {

MdbFileRenamer& installedRenamer() {
    static MdbFileRenamer renamer;
    return renamer;
}

bool renameFile(const QString& from, const QString& to) {
    const MdbFileRenamer& renamer = installedRenamer();
    return renamer ? renamer(from, to) : QFile::rename(from, to);
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

void CompactMDB(const QString& source, const QString& destination, const QString& sourcePassword,
                int versionKey, int destLangId, int sourceLangId, const QString& destPassword) {
    const QString sourceLocale = CollationLocale(sourceLangId) + passwordPart(sourcePassword);
    // A single blank asks for a copy without password: the empty password
    // part ";pwd=".
    const QString destinationPart =
        destPassword == QStringLiteral(" ") ? QStringLiteral(";pwd=") : passwordPart(destPassword);
    const QString destinationLocale = CollationLocale(destLangId) + destinationPart;
    dao::DBEngine().CompactDatabase(source, destination, destinationLocale, versionKey,
                                    sourceLocale);
}

void DeleteFileIfExists(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return;
    if (!QFile::remove(fileName)) throwIo(QStringLiteral("Cannot delete file: ") + fileName);
}

bool CompactMDBInPlace(const QString& fileName, const QString& currentPassword,
                       const QString& newPassword, int versionKey, int langId) {
    // The hourglass while the file operation runs; the cursor in force
    // before comes back when it ends (also on failure).
    db::BusyCursor wait(Qt::WaitCursor);
    try {
        // A link is followed, so that the file it leads to is compacted and
        // the link stays a link.
        const QFileInfo info(fileName);
        const QString target =
            info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName;
        const QDir folder = QFileInfo(target).absoluteDir();
        const QString compactPath = folder.filePath(QStringLiteral("_compact_.mdb"));
        const QString oldPath = folder.filePath(QStringLiteral("_old_.mdb"));
        DeleteFileIfExists(compactPath);
        DeleteFileIfExists(oldPath);

        const QString password = newPassword.isEmpty() ? currentPassword : newPassword;
        CompactMDB(target, compactPath, currentPassword, versionKey, langId, 0, password);

        // A rename that fails leaves the database under its own name: the
        // copy that could not take its place is dropped, and a database
        // already moved aside is moved back rather than left hidden under
        // the temporary name.
        if (!renameFile(target, oldPath)) {
            QFile::remove(compactPath);
            throwIo(QStringLiteral("Cannot rename file: ") + target);
        }
        if (!renameFile(compactPath, target)) {
            QString message = QStringLiteral("Cannot rename file: ") + compactPath;
            if (renameFile(oldPath, target)) {
                QFile::remove(compactPath);
            } else {
                message += QStringLiteral(". The database is kept as ") + oldPath;
            }
            throwIo(message);
        }
        DeleteFileIfExists(compactPath);
        DeleteFileIfExists(oldPath);
        return true;
    } catch (const std::exception& error) {
        wait.restore();
        db::reportError(QStringLiteral("Error: Cannot compress data."),
                        QString::fromUtf8(error.what()));
        return false;
    }
}
