// Fixture paths and temporary copies for the tests of db/. Fixtures are read
// in place (the catalogue surface only reads) or copied into a temporary
// folder when a test must change a file.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace db_test {

inline QString fixture(const QString& relative) {
    return QDir(QStringLiteral(TABULON_FIXTURES)).filePath(relative);
}

// Copies a fixture into `dir` (writable) and returns the copy's path.
inline QString copyFixture(const QTemporaryDir& dir, const QString& relative) {
    const QString target = dir.filePath(QFileInfo(relative).fileName());
    QFile::copy(fixture(relative), target);
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

}  // namespace db_test
