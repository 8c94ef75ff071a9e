// The "Manage database" dialog: the size text, the enabling rule, the
// checks of "Ok" in their order, and the choices it hands on. It touches no
// file.
#include "schema/f_managedbdlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "common/qt_fixture_files.h"
#include "kit/xdlg_scripted.h"

namespace {

TEST(ManageDbDlg, SizeTextInKilobytesOrMegabytes) {
    const std::pair<qint64, const char*> cases[] = {
        {2345678, "2.3 MB"}, {999999, "1000.0 kB"}, {1000000, "1000.0 kB"},
        {1000001, "1.0 MB"}, {4096, "4.1 kB"},      {0, "0.0 kB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(databaseSizeText(bytes), text) << bytes;
}

TEST(ManageDbDlg, ShowsTheFactsAndEnablesWhatIsChecked) {
    TManageDbDlg dialog;
    dialog.setDatabase("/data/a.mdb", 64, 1043, 2345678, QString());
    EXPECT_EQ(dialog.eFile->text(), "/data/a.mdb");
    EXPECT_EQ(dialog.eVer->text(), "Version 4.0 (MDB)");
    EXPECT_EQ(dialog.eCollation->text(), "Dutch");
    EXPECT_EQ(dialog.eSize->text(), "2.3 MB");
    EXPECT_EQ(dialog.cbVer->currentText(), "Version 4.0 (MDB)");
    EXPECT_EQ(dialog.cbLocale->currentText(), "Dutch");

    EXPECT_TRUE(dialog.chCompact->isChecked());
    EXPECT_TRUE(dialog.btOk->isEnabled());
    EXPECT_FALSE(dialog.gbPwd->isEnabled());
    EXPECT_FALSE(dialog.gbVer->isEnabled());
    EXPECT_FALSE(dialog.gbFile->isEnabled());
    dialog.chNewPwd->setChecked(true);
    dialog.chNewVer->setChecked(true);
    dialog.chNewFile->setChecked(true);
    EXPECT_TRUE(dialog.gbPwd->isEnabled());
    EXPECT_TRUE(dialog.gbVer->isEnabled());
    EXPECT_TRUE(dialog.gbFile->isEnabled());
    dialog.chCompact->setChecked(false);
    EXPECT_FALSE(dialog.btOk->isEnabled());
    EXPECT_FALSE(dialog.btOkClick());

    // Only a file with a password keeps it in a copy: the dialog says so then.
    EXPECT_TRUE(dialog.lblKeepsPassword->isHidden());
    dialog.setDatabase("/data/b.accdb", 256, 1033, 10, "secret");
    EXPECT_FALSE(dialog.lblKeepsPassword->isHidden());
}

struct OkCase {
    const char* what;
    const char* password;  // of the open file
    bool newFile;
    QString target;
    bool newPassword;
    const char* pwd1;
    const char* pwd2;
    std::vector<int> answers;
    QStringList messages;  // what each message ends with
    bool accepted;
};

TEST(ManageDbDlg, OkChecksInOrderAndKeepsTheDialogOnTheFirstFailure) {
    QTemporaryDir dir;
    const QString current =
        testing_support::qtCopyFixture(dir, "V2000/indexTestV2000.mdb", "db.mdb");
    const QString other = testing_support::qtCopyFixture(dir, "V2000/testV2000.mdb", "other.mdb");
    QFile::link(current, dir.filePath("link.mdb"));
    const QString exists = "File \"" + other + "\" already exists.\nOverwrite?";
    const QString same = "New file is the same as current file. Change new file name.";
    const OkCase cases[] = {
        {"no new file", "", true, "", false, "", "", {mrOk}, {"Select file"}, false},
        {"the same file", "", true, current, false, "", "", {mrOk}, {same}, false},
        {"the same file through a link",
         "",
         true,
         dir.filePath("link.mdb"),
         false,
         "",
         "",
         {mrOk},
         {same},
         false},
        {"the same file through ..",
         "",
         true,
         dir.filePath("sub/../db.mdb"),
         false,
         "",
         "",
         {mrOk},
         {same},
         false},
        {"existing new file kept", "", true, other, false, "", "", {mrNo}, {exists}, false},
        {"existing new file replaced", "", true, other, false, "", "", {mrYes}, {exists}, true},
        {"passwords differ",
         "",
         false,
         "",
         true,
         "a",
         "b",
         {mrOk},
         {"Entered passwords are not identical."},
         false},
        {"no password for a file without one",
         "",
         false,
         "",
         true,
         "",
         "",
         {mrOk},
         {"Enter new password."},
         false},
        {"an empty password removes one", "old", false, "", true, "", "", {}, {}, true},
        {"a new password", "", false, "", true, "new", "new", {}, {}, true},
        {"in place, nothing else", "", false, "", false, "", "", {}, {}, true},
    };
    QDir(dir.path()).mkdir("sub");
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.what);
        TManageDbDlg dialog;
        dialog.setDatabase(current, 64, 1033, 100, c.password);
        dialog.chNewFile->setChecked(c.newFile);
        dialog.eNewFile->setText(c.target);
        dialog.chNewPwd->setChecked(c.newPassword);
        dialog.ePwd1->setText(c.pwd1);
        dialog.ePwd2->setText(c.pwd2);
        kit::ScriptedDialogService dialogs;
        kit::ScopedDialogService use(dialogs);
        for (int answer : c.answers) dialogs.answerMessage(answer);

        EXPECT_EQ(dialog.btOkClick(), c.accepted);
        const QStringList transcript = dialogs.transcript();
        ASSERT_EQ(transcript.size(), c.messages.size()) << transcript.join('\n').toStdString();
        for (qsizetype i = 0; i < transcript.size(); ++i)
            EXPECT_TRUE(transcript[i].endsWith(c.messages[i])) << transcript[i].toStdString();
        EXPECT_TRUE(dialogs.allAnswersUsed());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"db.mdb", "link.mdb", "other.mdb"}));
}

TEST(ManageDbDlg, TheChoicePassesThePasswordAsAChange) {
    TManageDbDlg dialog;
    dialog.setDatabase("/data/a.accdb", 256, 1033, 100, "old");
    TManageChoice kept = dialog.choice();
    EXPECT_EQ(kept.password.kind, TPasswordChange::Keep);
    EXPECT_EQ(kept.versionKey, 0);
    EXPECT_EQ(kept.langId, 0);
    EXPECT_TRUE(kept.newFile.isEmpty());

    dialog.chNewPwd->setChecked(true);
    dialog.ePwd1->setText("a;b");
    dialog.chNewVer->setChecked(true);
    dialog.cbVer->setCurrentText("Version 4.0 (MDB)");
    dialog.cbLocale->setCurrentText("Dutch");
    dialog.chNewFile->setChecked(true);
    dialog.eNewFile->setText(" /data/b.mdb ");
    const TManageChoice changed = dialog.choice();
    EXPECT_EQ(changed.password.kind, TPasswordChange::Set);
    EXPECT_EQ(changed.password.password, "a;b");
    EXPECT_EQ(changed.versionKey, 64);
    EXPECT_EQ(changed.langId, 1043);
    EXPECT_EQ(changed.newFile, "/data/b.mdb");

    dialog.ePwd1->clear();
    EXPECT_EQ(dialog.choice().password.kind, TPasswordChange::Remove);
}

}  // namespace
