// Fixture paths and temporary copies for the tests of db/. Fixtures are read
// in place (the catalogue surface only reads) or copied into a temporary
// folder when a test must change a file.
#pragma once

#include "common/qt_fixture_files.h"

namespace db_test {

inline QString fixture(const QString& relative) {
    return testing_support::qtFixture(relative);
}

// Copies a fixture into `dir` (writable) under `name` (the fixture's own name
// when empty) and returns the copy's path; a failed copy fails the test.
inline QString copyFixture(const QTemporaryDir& dir, const QString& relative,
                           const QString& name = QString()) {
    return testing_support::qtCopyFixture(dir, relative, name);
}

}  // namespace db_test
