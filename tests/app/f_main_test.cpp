// The main window as a user meets it: its frame, opening through the file
// box, the links and a drop, the enabled buttons, closing with pending
// changes, and the state it keeps between runs.
#include "app/f_main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "app/structure_tree_widget.h"
#include "app/view_editor.h"
#include "app_test_support.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"
#include "schema/f_createdbdlg.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};
};

TEST_F(MainWindowTest, FrameAsANewUserSeesIt) {
    TMain Main;
    EXPECT_EQ(Main.objectName(), "Main");
    EXPECT_EQ(Main.windowTitle(), "Tabulon");
    EXPECT_EQ(Main.gbMDBFile->title(), "MDB or ACCDB File (drag and drop file)");
    EXPECT_TRUE(Main.gbMDBFile->acceptDrops());
    EXPECT_EQ(Main.lblFile->plainText(), "Find db file    Create a new database");
    EXPECT_EQ(Main.lblFileHist->plainText(), "Remove from history   Clear history");
    QStringList tabs;
    for (int i = 0; i < Main.pc->count(); ++i)
        tabs << Main.pc->tabText(i) + "=" + Main.pc->widget(i)->objectName();
    EXPECT_EQ(tabs, (QStringList{"DB Structure=tsStruct", "Tables=tsTables", "Views=tsViews",
                                 "Relations=tsRelations"}));
    EXPECT_EQ(Main.pc->tabBar()->tabRect(0).size(), QSize(120, 22));
    EXPECT_EQ(Main.lblAbout->caption(), "Ver: 1.0");
    EXPECT_EQ(Main.lblDBInfo->caption(), QString());
    EXPECT_TRUE(Main.btDBOpen->isEnabled());
    EXPECT_FALSE(Main.btDBClose->isEnabled());
    EXPECT_FALSE(Main.btDBManage->isEnabled());
    EXPECT_EQ(Main.minimumSize(), QSize(800, 500));
}

TEST_F(MainWindowTest, OpenCloseThroughButtonsLinksAndDrop) {
    const QString mdb = app_test::copyFixture(dir, "V2000/testV2000.mdb");
    const QString accdb = app_test::copyFixture(dir, "V2007/testV2007.accdb");
    TMain Main;

    Main.cbFile->setEditText(mdb);
    Main.btDBOpen->click();
    EXPECT_EQ(Main.lblDBInfo->caption(),
              "DB file: <B>testV2000.mdb</B>, Version 4.0 (MDB), Collation: General (English, "
              "French, German ...)");
    EXPECT_EQ(Main.lblDBInfo->plainText(),
              "DB file: testV2000.mdb, Version 4.0 (MDB), Collation: General (English, French, "
              "German ...)");
    EXPECT_FALSE(Main.btDBOpen->isEnabled());
    EXPECT_TRUE(Main.btDBClose->isEnabled());
    EXPECT_TRUE(Main.actStructRefresh->isEnabled());
    EXPECT_FALSE(Main.actStructReloadData->isEnabled());
    EXPECT_EQ(Main.cbFile->items(), QStringList{mdb});

    // "Find" closes and opens the chosen file.
    dialogs.answerFile(accdb);
    emit Main.lblFile->anchorClicked("Find");
    EXPECT_TRUE(Main.lblDBInfo->caption().startsWith("DB file: <B>testV2007.accdb</B>"));
    EXPECT_EQ(Main.cbFile->currentText(), accdb);
    EXPECT_EQ(Main.cbFile->items(), (QStringList{mdb, accdb}));

    // A drop, then "Close".
    Main.session().TableChanged = true;
    dialogs.answerMessage(mrNo);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(mdb), QUrl::fromLocalFile(accdb)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the box: the application object delivers drops only
    // while a drag of its own is under way.
    static_cast<QObject*>(Main.gbMDBFile)->event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(Main.lblDBInfo->caption().startsWith("DB file: <B>testV2000.mdb</B>"));
    EXPECT_EQ(Main.cbFile->currentText(), mdb);
    Main.btDBClose->click();
    Main.ActListUpdate();
    EXPECT_EQ(Main.lblDBInfo->caption(), QString());
    EXPECT_TRUE(Main.btDBOpen->isEnabled());
    EXPECT_EQ(dialogs.transcript().size(), 2);

    // "Remove" and "Clear" work on the history, not the text.
    Main.cbFile->setEditText(mdb);
    emit Main.lblFileHist->anchorClicked("Remove");
    EXPECT_EQ(Main.cbFile->items(), QStringList{accdb});
    emit Main.lblFileHist->anchorClicked("Clear");
    EXPECT_TRUE(Main.cbFile->items().isEmpty());
    EXPECT_EQ(Main.cbFile->currentText(), mdb);
}

TEST_F(MainWindowTest, ErrorsOfACommandAreReportedAndTheWindowStaysUsable) {
    TMain Main;
    const QString bad = dir.filePath("bad.mdb");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\0'));
    f.close();
    Main.cbFile->setEditText(bad);
    dialogs.answerInput(std::nullopt);  // cancel: the first failure is reported
    dialogs.answerMessage(mrOk);
    Main.btDBOpen->click();
    ASSERT_EQ(dialogs.transcript().size(), 2);
    EXPECT_TRUE(dialogs.transcript()[1].startsWith("Error [&Ok]: "));
    EXPECT_TRUE(Main.btDBOpen->isEnabled());
    EXPECT_TRUE(Main.cbFile->items().isEmpty());
}

TEST_F(MainWindowTest, ClosingTheWindowAsksAndCancelKeepsIt) {
    const QString mdb = app_test::copyFixture(dir, "V2000/testV2000.mdb");
    TMain Main;
    Main.cbFile->setEditText(mdb);
    Main.actDBOpen->trigger();
    Main.session().RelChanged = true;

    dialogs.answerMessage(mrCancel);
    QCloseEvent refused;
    QApplication::sendEvent(&Main, &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_TRUE(Main.session().DBOpened());

    dialogs.answerMessage(mrNo);
    QCloseEvent accepted;
    QApplication::sendEvent(&Main, &accepted);
    EXPECT_TRUE(accepted.isAccepted());
    EXPECT_FALSE(Main.session().DBOpened());
}

// "Create": the dialog's choices become a new file of that version and
// collation, which the window opens; the dialog's file box is empty the next
// time. An existing file is replaced only by a complete new one.
TEST_F(MainWindowTest, CreateMakesTheChosenFileAndOpensIt) {
    struct Case {
        const char* file;
        const char* version;
        const char* collation;
        const char* info;
    };
    const Case cases[] = {
        {"a.mdb", "Version 3.0 (MDB)", "General (English, French, German ...)",
         "Version 3.0 (MDB), Collation: General (English, French, German ...)"},
        {"b.mdb", "Version 4.0 (MDB)", "Dutch", "Version 4.0 (MDB), Collation: Dutch"},
        {"c.accdb", "Version 12.0 (ACCDB)", "Swedish and Finnish",
         "Version 12.0 (ACCDB), Collation: Swedish and Finnish"},
        {"d.accdb", "Version 14.0 (ACCDB)", "Norwegian and Danish",
         "Version 14.0 (ACCDB), Collation: Norwegian and Danish"},
    };
    TMain Main;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = dir.filePath(c.file);
        TCreateDbDlg* dialog = Main.CreateDbDlg();
        EXPECT_EQ(dialog->eFile->text(), QString());
        dialog->cbVer->setCurrentText(c.version);
        dialog->cbLocale->setCurrentText(c.collation);
        QTimer::singleShot(0, dialog, [dialog, file] {
            dialog->eFile->setText(file);
            dialog->btOk->click();
        });
        emit Main.lblFile->anchorClicked("Create");
        EXPECT_EQ(Main.lblDBInfo->plainText(),
                  "DB file: " + QString(c.file) + ", " + QString(c.info));
        EXPECT_EQ(Main.cbFile->currentText(), file);
        app_test::expectSoundFile(file);
    }
    EXPECT_TRUE(dialogs.transcript().isEmpty()) << dialogs.transcript().join('\n').toStdString();

    // Replacing an existing file the window has open: it is closed first,
    // then replaced.
    const QString replaced = dir.filePath("d.accdb");
    TCreateDbDlg* dialog = Main.CreateDbDlg();
    dialog->cbVer->setCurrentText("Version 4.0 (MDB)");
    dialogs.answerMessage(mrYes);
    QTimer::singleShot(0, dialog, [dialog, replaced] {
        dialog->eFile->setText(replaced);
        dialog->btOk->click();
    });
    emit Main.lblFile->anchorClicked("Create");
    EXPECT_TRUE(Main.lblDBInfo->plainText().startsWith("DB file: d.accdb, Version 4.0 (MDB)"))
        << Main.lblDBInfo->plainText().toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"a.mdb", "b.mdb", "c.accdb", "d.accdb"}));
}

TEST_F(MainWindowTest, KeepsBoundsTabAndFileBoxBetweenRuns) {
    const QString mdb = app_test::copyFixture(dir, "V2000/testV2000.mdb");
    const QString ini = dir.filePath("tabulon.ini");
    {
        TMain Main(ini);
        Main.setGeometry(0, 20, 800, 560);  // fits the offscreen screen
        Main.pc->setCurrentIndex(2);
        Main.cbFile->setEditText(mdb);
        Main.actDBOpen->trigger();
        Main.actDBClose->trigger();
        Main.cbFile->setEditText("typed but not opened");
        QFont memoFont = Main.viewTab->mView->font();
        memoFont.setPixelSize(15);
        memoFont.setBold(true);
        Main.viewTab->mView->setFont(memoFont);
    }
    TMain Main(ini);
    EXPECT_EQ(Main.viewTab->mView->font().pixelSize(), 15);
    EXPECT_TRUE(Main.viewTab->mView->font().bold());
    EXPECT_FALSE(Main.structTab->mDetail->font().bold());
    EXPECT_EQ(Main.pc->currentIndex(), 2);
    EXPECT_EQ(Main.cbFile->items(), QStringList{mdb});
    EXPECT_EQ(Main.cbFile->currentText(), "typed but not opened");
    EXPECT_EQ(Main.geometry(), QRect(0, 20, 800, 560));
    // Nothing is opened at start-up.
    EXPECT_FALSE(Main.session().DBOpened());
    EXPECT_TRUE(dialogs.transcript().isEmpty());
}

}  // namespace
