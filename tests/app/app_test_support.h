// Shared pieces of the main-window tests: fixture copies in a temporary
// folder and editors that record what the session asks of them.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "app/database_session.h"
#include "common/qt_fixture_files.h"
#include "db/xdbtool_MDB.h"
#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/crypt/header_mask.h"
#include "jet/file/jet_version.h"
#include "jet/util/bytes.h"
#include "kit/xdlg_scripted.h"

namespace app_test {

inline QString fixture(const QString& relative) {
    return testing_support::qtFixture(relative);
}

// Copies a fixture into `dir` under `name` (the fixture's own name when
// empty) and returns the copy's path; a failed copy fails the test.
inline QString copyFixture(const QTemporaryDir& dir, const QString& relative,
                           const QString& name = QString()) {
    return testing_support::qtCopyFixture(dir, relative, name);
}

// Writes a Jet 4 database password (ASCII, at most 20 characters) into the
// header of the Jet 4 file at `path`, the way Access stores it: UTF-16
// masked with the creation date, inside the RC4-masked header region.
inline void setJet4Password(const QString& path, const QByteArray& password) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return;
    QByteArray bytes = file.read(4096);
    std::span<uint8_t> page(reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()));
    jet::unmaskHeaderPage(page, jet::JetVersion::Jet4);
    const uint32_t mask = static_cast<uint32_t>(static_cast<int32_t>(jet::readF64(page, 0x72)));
    for (size_t i = 0; i < 40; ++i) {
        uint8_t plain = 0;
        if (i % 2 == 0 && qsizetype(i / 2) < password.size())
            plain = static_cast<uint8_t>(password[qsizetype(i / 2)]);
        page[0x42 + i] = plain ^ static_cast<uint8_t>(mask >> (8 * (i % 4)));
    }
    jet::unmaskHeaderPage(page, jet::JetVersion::Jet4);
    file.seek(0);
    file.write(bytes);
}

// Editors that log every call as one word; the store hooks clear the flags
// they store, as the real designers do after a save.
class RecordingEditors : public SessionEditors {
public:
    explicit RecordingEditors(DatabaseSession*& session) : session_(session) {}

    QStringList calls;
    QStringList tablesSeen;  // the table names loadDatabaseObjects could read

    void loadDatabaseObjects() override {
        calls << "load";
        GetTableNames(*session_->DB(), tablesSeen);
    }
    void clearDatabaseObjects() override { calls << "clear"; }
    void storeTableChanges() override {
        calls << "storeTable";
        session_->TableChanged = session_->IdxChanged = false;
    }
    void storeViewChanges() override {
        calls << "storeView";
        session_->ViewChanged = false;
    }
    void storeRelationChanges() override {
        calls << "storeRel";
        session_->RelChanged = false;
    }

private:
    DatabaseSession*& session_;
};

// A file the program wrote must be one the engine's checker passes and the
// independent reader mdbtools opens (the latter only without encryption).
inline void expectSoundFile(const QString& path, const QString& password = QString()) {
    jet::OpenOptions options;
    options.password = password.toStdString();
    auto db = jet::Database::open(QFile::encodeName(path).toStdString(), options);
    const jet::CheckReport report = jet::checkDatabase(*db);
    for (const std::string& problem : report.problems) ADD_FAILURE() << problem;
    if (!password.isEmpty()) return;
    QProcess mdbTables;
    mdbTables.start(QStringLiteral("mdb-tables"), {path});
    EXPECT_TRUE(mdbTables.waitForFinished(30000));
    EXPECT_EQ(mdbTables.exitCode(), 0) << mdbTables.readAllStandardError().toStdString();
}

// The summary of the last message box a scripted service showed (questions,
// errors); empty when none was.
inline QString lastMessage(const kit::ScriptedDialogService& dialogs) {
    for (auto it = dialogs.asked().rbegin(); it != dialogs.asked().rend(); ++it)
        if (it->kind == kit::AskedDialog::Kind::Message) return it->summary();
    return QString();
}

}  // namespace app_test
