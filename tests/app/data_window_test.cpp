// The data windows behind "Show": one window per table or view (found again
// in any letter case), re-queried when asked for again, hidden when
// minimised, and a new one after the old was closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/f_dta.h"
#include "app/f_main.h"
#include "app/structure_data_pane.h"
#include "app_test_support.h"
#include "db/xDBComponents_UDB_query.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_navigator.h"
#include "grid/xDBGrid_sorter.h"
#include "io/dialog/xDBExportForm.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"
#include "settings/settings_file.h"
#include "structure_tree_test_support.h"

namespace {

class DataWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};
    TMain Main;

    void SetUp() override {
        const QString path = dir.filePath("shop.mdb");
        structure_test::writeShopDatabase(path);
        Main.cbFile->setEditText(path);
        Main.btDBOpen->click();
        ASSERT_TRUE(Main.session().DBOpened());
    }
    int liveWindows() {
        int n = 0;
        for (const auto& w : Main.FList) n += w ? 1 : 0;
        return n;
    }
};

TEST_F(DataWindowTest, ShowOpensOneWindowPerTableInAnyLetterCase) {
    Main.ShowData("Customers");
    ASSERT_EQ(liveWindows(), 1);
    TDta* window = Main.FList.last();
    EXPECT_EQ(window->windowTitle(), "Data: Customers");
    EXPECT_EQ(window->query().SQL(), "SELECT * FROM\nCustomers\nWHERE 1=1");
    EXPECT_EQ(window->grData->gridModel()->rowCount(), 12);
    EXPECT_TRUE(window->isVisible());
    // The columns were sized to their data and titles.
    EXPECT_GE(window->grData->columnWidth(1), 40);

    // Again, in other letter case: the same window, opened afresh; the
    // filter typed in it stays.
    window->grData->SetColumnTextFilter(1, "Customer 1");
    window->query().SetRecNo(2);
    Main.ShowData("CUSTOMERS");
    EXPECT_EQ(liveWindows(), 1);
    EXPECT_EQ(Main.FindDataWindow("customers"), 0);
    EXPECT_EQ(window->query().RecNo(), 1u);
    EXPECT_EQ(window->grData->gridModel()->rowCount(), 4);  // Customer 1, 10, 11, 12

    Main.ShowData("Order-Details");
    EXPECT_EQ(liveWindows(), 2);
    EXPECT_EQ(Main.FList.last()->query().SQL(), "SELECT * FROM\n[Order-Details]\nWHERE 1=1");
    EXPECT_EQ(Main.FindDataWindow("order-details"), 1);
    EXPECT_EQ(Main.FindDataWindow("Nothing"), -1);
}

TEST_F(DataWindowTest, MinimisingHidesAndShowBringsTheWindowBack) {
    Main.ShowData("Customers");
    TDta* window = Main.FList.last();
    window->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(liveWindows(), 1);
    Main.ShowData("customers");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(liveWindows(), 1);
}

TEST_F(DataWindowTest, AClosedWindowIsReplacedByANewOne) {
    Main.ShowData("Customers");
    QPointer<TDta> first = Main.FList.last().data();
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(liveWindows(), 0);
    Main.ShowData("Customers");
    EXPECT_EQ(liveWindows(), 1);
    EXPECT_EQ(Main.FindDataWindow("Customers"), int(Main.FList.size()) - 1);
}

TEST_F(DataWindowTest, CopyDataPutsEveryRecordOnTheClipboard) {
    Main.ShowData("Order-Details");
    TDta* window = Main.FList.last();
    EXPECT_TRUE(window->btCopy->isEnabled());
    EXPECT_TRUE(window->btExport->isEnabled());
    window->btCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              "OrderID\tCustomerID\tQty#\r\n101\t1\t10\r\n102\t2\t20\r\n103\t3\t30\r\n");
    EXPECT_TRUE(window->DBNavigator1->button(TxDBNavigator::nbInsert)->isEnabled());
    EXPECT_TRUE(window->DBNavigator1->button(TxDBNavigator::nbLast)->isEnabled());
    // While a record is edited the window's buttons wait; post and cancel work.
    window->DBNavigator1->button(TxDBNavigator::nbEdit)->click();
    EXPECT_FALSE(window->btCopy->isEnabled());
    EXPECT_FALSE(window->btExport->isEnabled());
    EXPECT_TRUE(window->DBNavigator1->button(TxDBNavigator::nbCancel)->isEnabled());
    window->DBNavigator1->button(TxDBNavigator::nbCancel)->click();
    EXPECT_TRUE(window->btCopy->isEnabled());
    EXPECT_FALSE(window->DBNavigator1->button(TxDBNavigator::nbPost)->isEnabled());
}

TEST_F(DataWindowTest, AStatementWindowIsNeverFoundByShow) {
    TDta statement(&Main.session().DBCon(), Main.Sorter());
    statement.OpenSql("SELECT Name FROM Customers WHERE ID < 3");
    EXPECT_EQ(statement.windowTitle(), "Query");
    EXPECT_EQ(statement.grData->gridModel()->rowCount(), 2);
    EXPECT_TRUE(statement.CheckSameData(""));
    EXPECT_FALSE(statement.CheckSameData("Customers"));
    EXPECT_EQ(Main.FindDataWindow(""), -1);
}

TEST_F(DataWindowTest, AnUnknownTableFailsAndLeavesAnEmptyWindow) {
    TDta* window = nullptr;
    EXPECT_THROW(window = Main.OpenDataWindow("NoSuchTable"), db::Error);
    ASSERT_EQ(liveWindows(), 1);
    window = Main.FList.last();
    EXPECT_EQ(window->grData->gridModel()->rowCount(), 0);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace

namespace {

TEST(DataWindowSettingsTest, TheWindowKeepsItsBoundsAndNamesItsGridSection) {
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath("tabulon.ini"));
    TConnectionUDB connection;
    {
        TDta window(&connection, nullptr, &settings);
        EXPECT_EQ(window.xDBGridsPropSave1GetKeyString(window.grData), "DataForm.grData");
        window.setGeometry(40, 50, 700, 400);
    }
    TDta again(&connection, nullptr, &settings);
    EXPECT_EQ(again.geometry(), QRect(40, 50, 700, 400));
    EXPECT_EQ(settings.readInteger("Dta_XY", "Width", 0), 700);
}

}  // namespace

namespace {

TEST_F(DataWindowTest, ClosingTheDatabaseEmptiesTheWindowAndShowFillsItAgain) {
    Main.ShowData("Customers");
    TDta* window = Main.FList.last();
    ASSERT_EQ(window->grData->gridModel()->rowCount(), 12);
    Main.btDBClose->click();
    EXPECT_FALSE(window->query().Active());
    EXPECT_EQ(window->grData->gridModel()->rowCount(), 0);
    EXPECT_EQ(liveWindows(), 1);
    Main.btDBOpen->click();
    ASSERT_TRUE(Main.session().DBOpened());
    Main.ShowData("Customers");
    EXPECT_EQ(liveWindows(), 1);
    EXPECT_EQ(window->grData->gridModel()->rowCount(), 12);
}

}  // namespace

namespace {

// Closing a data window posts the record being edited; a refused post keeps
// the window, the record and its edit, and says why.
TEST_F(DataWindowTest, ClosingPostsTheRecordBeingEdited) {
    Main.ShowData("Order-Details");
    QPointer<TDta> window = Main.FList.last().data();
    TQueryUDB& q = window->query();
    q.First();
    q.Edit();
    q.FieldByName("Qty#").SetAsString("77");
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    Main.ShowData("Order-Details");
    TQueryUDB& again = Main.FList.last()->query();
    again.First();
    EXPECT_EQ(again.FieldByName("Qty#").AsString(), "77");

    // A customer that does not exist breaks the relation: the post is
    // refused, the window stays and still edits the record.
    again.Edit();
    again.FieldByName("CustomerID").SetAsString("999");
    dialogs.answerMessage(mrOk);
    Main.FList.last()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(liveWindows(), 1);
    EXPECT_TRUE(again.IsEditing());
    EXPECT_TRUE(dialogs.transcript().last().contains("related record is required"))
        << dialogs.transcript().last().toStdString();
    again.Cancel();
}

}  // namespace

TEST_F(DataWindowTest, ExportDataWritesTheGridsRecordsUnderItsColumns) {
    Main.ShowData("Order-Details");
    TDta* window = Main.FList.last();
    window->grData->horizontalHeader()->hideSection(
        window->grData->ColumnByFieldName(QStringLiteral("CustomerID")));
    const QString out = dir.filePath(QStringLiteral("details.txt"));
    dialogs.answerFile(out);
    QTimer::singleShot(0, window, [window] {
        auto* form = window->findChild<TxDBExportForm*>();
        ASSERT_TRUE(form);
        EXPECT_EQ(form->SourceType, stGrid);
        form->findChild<QComboBox*>(QStringLiteral("cbAction_nostore"))->setCurrentIndex(0);
        try {
            EXPECT_TRUE(form->runExport());
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
        form->reject();
    });
    window->btExport->click();
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("OrderID"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("103"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("CustomerID"))) << text.toStdString();
}
