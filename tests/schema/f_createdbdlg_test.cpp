// The "Create database" dialog: its first selections, the save dialog it
// asks for, and the checks of "Create db", which never touch an existing
// file.
#include "schema/f_createdbdlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "common/qt_fixture_files.h"
#include "db/xdbtool_MDB.h"
#include "kit/xdlg_scripted.h"

namespace {

TEST(CreateDbDlg, StartsWithVersion14AndTheGeneralCollation) {
    TCreateDbDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Create database");
    EXPECT_EQ(dialog.cbVer->currentText(), "Version 14.0 (ACCDB)");
    EXPECT_EQ(dialog.cbLocale->currentText(), "General (English, French, German ...)");
    EXPECT_EQ(dialog.cbVer->count(), 4);
    EXPECT_EQ(dialog.cbLocale->count(), 20);
    EXPECT_EQ(dialog.versionKey(), 256);
    EXPECT_EQ(dialog.langId(), 1033);
}

TEST(CreateDbDlg, TheSaveDialogFollowsTheSelectedVersion) {
    struct Case {
        const char* version;
        int filterIndex;
        const char* suffix;
    };
    for (const Case& c :
         {Case{"Version 3.0 (MDB)", 1, "mdb"}, Case{"Version 4.0 (MDB)", 1, "mdb"},
          Case{"Version 12.0 (ACCDB)", 2, "accdb"}, Case{"Version 14.0 (ACCDB)", 2, "accdb"}}) {
        SCOPED_TRACE(c.version);
        TCreateDbDlg dialog;
        dialog.cbVer->setCurrentText(c.version);
        kit::ScriptedDialogService dialogs;
        kit::ScopedDialogService use(dialogs);
        dialogs.answerFile(QStringLiteral("/tmp/chosen/new.db"));
        dialog.btSelFileClick();
        ASSERT_EQ(dialogs.asked().size(), 1u);
        const kit::FileRequest& asked = dialogs.asked().front().file;
        EXPECT_EQ(asked.mode, kit::FileRequest::Mode::Save);
        EXPECT_EQ(asked.filter,
                  "Database MS Access (*.mdb)|*.mdb|Database MS Access (*.accdb)|*.accdb|All "
                  "files (*.*)|*.*");
        EXPECT_EQ(asked.filterIndex, c.filterIndex);
        EXPECT_EQ(asked.defaultSuffix, c.suffix);
        EXPECT_EQ(dialog.eFile->text(), "/tmp/chosen/new.db");
        EXPECT_EQ(dialog.saveFolder, "/tmp/chosen");

        // A cancelled choice leaves the file box as it was.
        dialogs.answerFile(std::nullopt);
        dialog.btSelFileClick();
        EXPECT_EQ(dialog.eFile->text(), "/tmp/chosen/new.db");
    }
}

TEST(CreateDbDlg, CreateDbChecksTheFileAndNeverTouchesAnExistingOne) {
    QTemporaryDir dir;
    const QString existing =
        testing_support::qtCopyFixture(dir, "V2000/indexTestV2000.mdb", "old.mdb");
    const QByteArray original = testing_support::qtFileBytes(existing);
    const QString missing = dir.filePath("new.accdb");

    struct Case {
        const char* what;
        QString file;
        std::optional<int> answer;  // to "Overwrite?"
        bool holdOpen;
        QString message;  // the one message, empty for none
        bool accepted;
        bool replace;
    };
    const QString exists = "File \"" + existing + "\" already exists.\nOverwrite?";
    const Case cases[] = {
        {"no file", "  ", std::nullopt, false, "Select file", false, false},
        {"new file", missing, std::nullopt, false, "", true, false},
        {"existing file kept", existing, mrNo, false, exists, false, false},
        {"existing file replaced", existing, mrYes, false, exists, true, true},
        {"existing file in use", existing, mrYes, true, exists, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TCreateDbDlg dialog;
        dialog.eFile->setText(c.file);
        kit::ScriptedDialogService dialogs;
        kit::ScopedDialogService use(dialogs);
        if (c.answer) dialogs.answerMessage(*c.answer);
        if (c.holdOpen) dialogs.answerMessage(mrOk);
        if (c.message == "Select file") dialogs.answerMessage(mrOk);
        std::shared_ptr<dao::Database> held;
        if (c.holdOpen) held = OpenMDB(existing, QString(), false);

        EXPECT_EQ(dialog.btOkClick(), c.accepted);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dialog.replaceExisting(), c.replace);
        const QStringList transcript = dialogs.transcript();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(transcript.isEmpty()) << transcript.join('\n').toStdString();
        } else {
            ASSERT_FALSE(transcript.isEmpty());
            EXPECT_TRUE(transcript.front().endsWith(c.message)) << transcript.front().toStdString();
        }
        if (c.holdOpen) {
            ASSERT_EQ(transcript.size(), 2);
            EXPECT_TRUE(transcript[1].endsWith("Cannot delete file \"" + existing +
                                               "\". File is probably in use."))
                << transcript[1].toStdString();
            held->Close();
        }
        EXPECT_EQ(testing_support::qtFileBytes(existing), original);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.mdb"});
    }
}

}  // namespace
