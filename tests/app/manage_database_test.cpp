// "Manage": the dialog's choices run as a compaction of the closed database,
// in place or into a new file, and the result is opened again; a failure
// never costs the user a file.
#include <gtest/gtest.h>

#include "common/qt_fixture_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/f_main.h"
#include "app_test_support.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"
#include "schema/f_managedbdlg.h"

namespace {

class ManageDatabaseTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};

    // Opens `file` in the window, sets the dialog up with `choose` and
    // clicks "Ok" inside its modal loop.
    void manage(TMain& Main, const QString& file,
                const std::function<void(TManageDbDlg&)>& choose) {
        Main.cbFile->setEditText(file);
        Main.btDBOpen->click();
        ASSERT_TRUE(Main.session().DBOpened());
        TManageDbDlg* dialog = Main.ManageDbDlg();
        QTimer::singleShot(0, dialog, [dialog, choose] {
            choose(*dialog);
            dialog->btOk->click();
        });
        Main.btDBManage->click();
    }
};

TEST_F(ManageDatabaseTest, InPlaceWithANewVersionCollationAndPassword) {
    const QString file = app_test::copyFixture(dir, "V2000/indexTestV2000.mdb");
    TMain Main;
    // Reopening the protected file asks for its password, offering the new one.
    dialogs.answerInput(QStringLiteral("s3cret"));
    manage(Main, file, [](TManageDbDlg& d) {
        EXPECT_EQ(d.eVer->text(), "Version 4.0 (MDB)");
        d.chNewVer->setChecked(true);
        d.cbVer->setCurrentText("Version 14.0 (ACCDB)");
        d.cbLocale->setCurrentText("Dutch");
        d.chNewPwd->setChecked(true);
        d.ePwd1->setText("s3cret");
        d.ePwd2->setText("s3cret");
        d.chNewFile->setChecked(false);
    });
    EXPECT_TRUE(Main.session().DBOpened()) << dialogs.transcript().join('\n').toStdString();
    EXPECT_EQ(Main.session().DBPwd(), "s3cret");
    EXPECT_EQ(Main.lblDBInfo->plainText(),
              "DB file: indexTestV2000.mdb, Version 14.0 (ACCDB), Collation: Dutch");
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked().front().input.value, "s3cret");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"indexTestV2000.mdb"});
    Main.btDBClose->click();
    app_test::expectSoundFile(file, "s3cret");
}

TEST_F(ManageDatabaseTest, IntoANewFileThatReplacesAnExistingOne) {
    const QString file = app_test::copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QString target = app_test::copyFixture(dir, "V2000/testV2000.mdb", "copy.mdb");
    const QByteArray source = testing_support::qtFileBytes(file);
    TMain Main;
    dialogs.answerMessage(mrYes);  // "Overwrite?"
    manage(Main, file, [&](TManageDbDlg& d) {
        d.chNewFile->setChecked(true);
        d.eNewFile->setText(target);
    });
    EXPECT_TRUE(Main.session().DBOpened());
    EXPECT_EQ(Main.cbFile->currentText(), target);
    EXPECT_TRUE(Main.lblDBInfo->plainText().startsWith("DB file: copy.mdb, Version 4.0 (MDB)"));
    EXPECT_EQ(testing_support::qtFileBytes(file), source);
    QStringList tables;
    GetTableNames(*Main.session().DB(), tables);
    EXPECT_EQ(tables, (QStringList{"Table1", "Table2", "Table3"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"copy.mdb", "indexTestV2000.mdb"}));
    EXPECT_TRUE(Main.ManageDbDlg()->eNewFile->text().isEmpty());
    Main.btDBClose->click();
    app_test::expectSoundFile(target);
}

// A compaction the target version cannot take (complex columns into 4.0)
// fails before anything is written: the existing new file keeps its bytes,
// no other file appears, and the database stays closed with the old name.
TEST_F(ManageDatabaseTest, AFailedCompactionIntoANewFileLeavesEveryFileAsItWas) {
    const QString file = app_test::copyFixture(dir, "V2010/complexDataTestV2010.accdb");
    const QString target = app_test::copyFixture(dir, "V2000/testV2000.mdb", "copy.mdb");
    const QByteArray kept = testing_support::qtFileBytes(target);
    TMain Main;
    dialogs.answerMessage(mrYes);  // "Overwrite?"
    dialogs.answerMessage(mrOk);   // the error report
    manage(Main, file, [&](TManageDbDlg& d) {
        d.chNewVer->setChecked(true);
        d.cbVer->setCurrentText("Version 4.0 (MDB)");
        d.chNewFile->setChecked(true);
        d.eNewFile->setText(target);
    });
    EXPECT_FALSE(Main.session().DBOpened());
    EXPECT_EQ(Main.cbFile->currentText(), file);
    EXPECT_EQ(testing_support::qtFileBytes(target), kept);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"complexDataTestV2010.accdb", "copy.mdb"}));
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_NE(dialogs.asked()[1].texts().join(' ').indexOf("cannot hold"), -1)
        << dialogs.transcript().join('\n').toStdString();
}

// In place, a failure is reported and the file reopened as it was; the
// password the run would have set is not taken.
TEST_F(ManageDatabaseTest, AFailedCompactionInPlaceKeepsThePassword) {
    const QString file = app_test::copyFixture(dir, "V2010/complexDataTestV2010.accdb");
    const QByteArray original = testing_support::qtFileBytes(file);
    TMain Main;
    dialogs.answerMessage(mrOk);  // "Error: Cannot compress data."
    manage(Main, file, [&](TManageDbDlg& d) {
        d.chNewVer->setChecked(true);
        d.cbVer->setCurrentText("Version 4.0 (MDB)");
        d.chNewFile->setChecked(false);
        d.chNewPwd->setChecked(true);
        d.ePwd1->setText("new");
        d.ePwd2->setText("new");
    });
    EXPECT_TRUE(Main.session().DBOpened());
    EXPECT_EQ(Main.session().DBPwd(), "");
    EXPECT_EQ(testing_support::qtFileBytes(file), original);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked().front().texts().value(0), "Error: Cannot compress data.");
}

}  // namespace
