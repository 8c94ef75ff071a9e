// The shared fixture helpers in Qt's terms, for the tests of db/ and app/.
#pragma once

#include <QDir>
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

}  // namespace testing_support
