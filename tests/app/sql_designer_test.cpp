// The SQL designer on the main window's file: the name lists and their
// filter, names and filled templates inserted at the caret, statements run
// (records in a data window, counts of action statements, refusals that
// change nothing), the templates' editor, and " Design SQL " of the view
// editor taking the text back only on "Update view".
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/f_dta.h"
#include "app/table_designer.h"
#include "app/view_editor.h"
#include "db/xDBComponents_UDB_query.h"
#include "jet/sql/executor/executor.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "main_window_test_support.h"
#include "schema/dlg_editmemo.h"
#include "schema/dlg_gensql.h"
#include "settings/settings_file.h"
#include "structure_tree_test_support.h"

namespace {

QStringList itemsOf(const QListWidget& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
    return items;
}

void selectOnly(QListWidget& list, const QStringList& texts) {
    list.clearSelection();
    for (int i = 0; i < list.count(); ++i)
        if (texts.contains(list.item(i)->text())) list.item(i)->setSelected(true);
}

class SqlDesignerTest : public app_test::MainWindowTest {
protected:
    void SetUp() override {
        file = dir.filePath("shop.mdb");
        structure_test::writeShopDatabase(file, 5);
        open(file);
        sql = Main.GenSqlDlg();
        sql->show();
    }
    void TearDown() override { sql->hide(); }
    void run(const QString& text) {
        sql->mSQL->setPlainText(text);
        sql->btExecSql->click();
    }
    size_t rowsWhere(const std::string& condition) {
        jet::Database& e = Main.session().DB()->engineHandle().database();
        return jet::sql::executeSelect(e, "SELECT * FROM Customers WHERE " + condition).rows.size();
    }
    int dataWindows() {
        Main.FList.removeAll(QPointer<TDta>());
        return int(Main.FList.size());
    }

    QString file;
    TDlgGenSQL* sql = nullptr;
};

TEST_F(SqlDesignerTest, ListsFiltersAndInsertsQuotedNamesAtTheCaret) {
    EXPECT_EQ(sql->windowTitle(), "SQL command generator");
    EXPECT_EQ(itemsOf(*sql->lbTables), QStringList({"Customers", "Order-Details"}));

    // A statement that makes a table: counted as no records, and every list
    // of the program shows the table at once.
    run("CREATE TABLE [Order Details] (ID LONG, [Unit Price] CURRENCY, Note TEXT(20))");
    EXPECT_TRUE(sql->lblRunInfo->isVisible());
    EXPECT_EQ(sql->lblRunInfo->caption(), "Ok<BR>0 records");
    EXPECT_TRUE(Main.tableTab->tableNames().contains("Order Details"));
    EXPECT_EQ(itemsOf(*sql->lbTables),
              QStringList({"Customers", "Order Details", "Order-Details"}));

    // The filter waits for a pause in typing.
    sql->eFind->setText("ORD");
    sql->eFindChange();
    EXPECT_EQ(sql->lbTables->count(), 3);
    QElapsedTimer waited;
    waited.start();
    while (sql->Timer1->isActive() && waited.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(itemsOf(*sql->lbTables), QStringList({"Order Details", "Order-Details"}));
    sql->eFindRightButtonClick();
    EXPECT_EQ(sql->lbTables->count(), 3);

    sql->lbTables->setCurrentRow(1);
    EXPECT_EQ(sql->SelTbl, "Order Details");
    EXPECT_EQ(itemsOf(*sql->lbFields), QStringList({"*", "ID", "Unit Price", "Note"}));
    EXPECT_EQ(sql->selectedFields(), QStringList({"*"}));

    selectOnly(*sql->lbFields, {"ID", "Unit Price"});
    sql->lbCmd->setCurrentRow(int(sql->templates().indexOf("SELECT <Fields> FROM <Table>")));
    sql->btClear->click();
    sql->btAddCmd->click();
    EXPECT_EQ(sql->mSQL->toPlainText(), "SELECT ID, [Unit Price] FROM [Order Details] ");

    // At the caret, replacing the selection; with "Insert linebreak" a real
    // line break follows; "Undo step" takes back one insertion.
    sql->mSQL->setPlainText("AB");
    QTextCursor caret = sql->mSQL->textCursor();
    caret.setPosition(1);
    sql->mSQL->setTextCursor(caret);
    sql->btAddTbl->click();
    EXPECT_EQ(sql->mSQL->toPlainText(), "A[Order Details] B");
    sql->chNewLine->setChecked(true);
    sql->btAddFld->click();
    EXPECT_EQ(sql->mSQL->toPlainText(), "A[Order Details] ID, [Unit Price] \nB");
    EXPECT_EQ(sql->mSQL->document()->blockCount(), 2);
    sql->btUndo->click();
    EXPECT_EQ(sql->mSQL->toPlainText(), "A[Order Details] B");

    // The "Views" tab lists the stored select queries with their columns;
    // each showing reads the lists again and starts on "Tables".
    sql->pc->setCurrentIndex(1);
    EXPECT_EQ(sql->lbTables->count(), 0);
    dialogs.answerInput(QStringLiteral("Berliners"));
    Main.actViewAdd->trigger();
    sql->hide();
    sql->show();
    EXPECT_EQ(sql->pc->currentIndex(), 0);
    sql->pc->setCurrentIndex(1);
    EXPECT_EQ(itemsOf(*sql->lbTables), QStringList({"Berliners"}));
    sql->lbTables->setCurrentRow(0);
    EXPECT_EQ(itemsOf(*sql->lbFields), QStringList({"*", "ID", "Name", "City (main)"}));
}

TEST_F(SqlDesignerTest, RunsQueriesInDataWindowsAndCountsWhatStatementsChange) {
    const int before = dataWindows();
    // Leading blanks and a line break right after SELECT are still a query.
    run("  select * from Customers");
    EXPECT_EQ(dataWindows(), before + 1);
    EXPECT_EQ(sql->lblRunInfo->caption(), "Ok<BR>5 records");
    run("SELECT\n* FROM Customers WHERE ID < 3");
    EXPECT_EQ(dataWindows(), before + 2);
    EXPECT_EQ(Main.FList.last()->query().RecordCount(), 2u);
    EXPECT_EQ(sql->lblRunInfo->caption(), "Ok<BR>2 records");

    run("UPDATE Customers SET [City (main)] = 'Rome' WHERE ID <= 3");
    EXPECT_EQ(sql->lblRunInfo->caption(), "Ok<BR>3 records");
    EXPECT_EQ(dataWindows(), before + 2) << "a statement opens no data window";
    EXPECT_EQ(rowsWhere("[City (main)] = 'Rome'"), 3u);

    // A refused statement: the engine's message, nothing changed, the result
    // line as it was.
    const QByteArray bytes = testing_support::qtFileBytes(file);
    dialogs.answerMessage(mrOk);
    run("UPDATE Customers SET Nope = 1");
    EXPECT_TRUE(lastMessage().contains("No value given")) << lastMessage().toStdString();
    dialogs.answerMessage(mrOk);
    run("INSERT INTO Customers (ID, Name) VALUES (1, 'Twice')");
    EXPECT_TRUE(lastMessage().contains("duplicate", Qt::CaseInsensitive))
        << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(file), bytes);
    EXPECT_EQ(sql->lblRunInfo->caption(), "Ok<BR>3 records");

    // A blank text runs nothing.
    const size_t messages = dialogs.asked().size();
    run("  \n ");
    EXPECT_EQ(dialogs.asked().size(), messages);
    EXPECT_EQ(dataWindows(), before + 2);
}

TEST_F(SqlDesignerTest, EditedTemplatesHoldAndTheMemoFontIsKept) {
    QTimer::singleShot(0, sql, [this] {
        auto* editor = sql->findChild<TDlgEditMemo*>();
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->windowTitle(), "Edit");
        EXPECT_EQ(editor->lines().first(), "SELECT * FROM <Table>");
        editor->setLines({"SELECT <Fields> FROM <Table> WHERE 1=1", "", "<Table>.<Field>"});
        editor->btOk->click();
    });
    sql->xHTMLLabel4AnchorClick("Edit");
    EXPECT_EQ(sql->templates(),
              QStringList({"SELECT <Fields> FROM <Table> WHERE 1=1", "<Table>.<Field>"}));
    QTimer::singleShot(0, sql, [this] { sql->findChild<TDlgEditMemo*>()->btCancel->click(); });
    sql->xHTMLLabel4AnchorClick("Edit");
    EXPECT_EQ(sql->templates().size(), 2);

    QFont font = sql->mSQL->font();
    font.setPixelSize(17);
    sql->mSQL->setFont(font);
    SettingsFile settings(dir.filePath("tabulon.ini"));
    sql->saveSettings(settings);
    TDlgGenSQL other(Main.session().DBCon(), GenSqlHost{});
    other.readSettings(settings);
    EXPECT_EQ(other.mSQL->font().pixelSize(), 17);
}

TEST_F(SqlDesignerTest, DesignSqlOfTheViewEditorTakesTheTextBackOnlyOnUpdateView) {
    sql->hide();
    EXPECT_FALSE(Main.actViewSQL->isEnabled());
    dialogs.answerInput(QStringLiteral("Berliners"));
    Main.actViewAdd->trigger();
    ASSERT_TRUE(Main.actViewSQL->isEnabled());
    const QString stored = Main.viewTab->mView->toPlainText();
    EXPECT_FALSE(Main.session().ViewChanged);

    // Closed with the window's close button: nothing changes.
    QTimer::singleShot(0, sql, [this, stored] {
        EXPECT_EQ(sql->mSQL->toPlainText(), stored);
        sql->mSQL->setPlainText("SELECT Name FROM Customers");
        sql->reject();
    });
    Main.actViewSQL->trigger();
    EXPECT_EQ(Main.viewTab->mView->toPlainText(), stored);
    EXPECT_FALSE(Main.session().ViewChanged);

    QTimer::singleShot(0, sql, [this] {
        sql->mSQL->setPlainText("SELECT Name FROM Customers WHERE [City (main)] = 'Berlin'");
        sql->btOk->click();
    });
    Main.actViewSQL->trigger();
    EXPECT_EQ(Main.viewTab->mView->toPlainText(),
              "SELECT Name FROM Customers WHERE [City (main)] = 'Berlin'");
    EXPECT_TRUE(Main.session().ViewChanged) << "the text is not stored until saved";
    Main.viewTab->mView->undo();
    EXPECT_EQ(Main.viewTab->mView->toPlainText(), stored);
}

}  // namespace
