// The shared fixture helpers in Qt's terms, for the tests of db/ and app/.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include "common/fixture_files.h"

namespace testing_support {

inline QString qtFixture(const QString& relative) {
    return QDir(QStringLiteral(TABULON_FIXTURES)).filePath(relative);
}

// Copies a fixture into `dir` under `name` (the fixture's own name when
// empty), writable, and returns the copy's path; throws when the copy fails.
inline QString qtCopyFixture(const QTemporaryDir& dir, const QString& relative,
                             const QString& name = QString()) {
    const QString target = dir.filePath(name.isEmpty() ? QFileInfo(relative).fileName() : name);
    copyFixtureTo(relative.toStdString(), target.toStdString());
    return target;
}

// The whole file, to compare a file before and after; "<missing>" when it
// cannot be read, so a missing file never equals an empty one.
inline QByteArray qtFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace testing_support
