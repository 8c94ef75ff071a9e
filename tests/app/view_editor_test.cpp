// The view editor on the "Views" page: views are added, renamed and deleted
// at once, a changed SQL text is stored by "Save changes", and text the
// engine refuses leaves the stored view as it was.
#include "app/view_editor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include "app/f_main.h"
#include "app/silent_abort.h"
#include "app/table_designer.h"
#include "app_test_support.h"
#include "db/dao_database.h"
#include "jet/sql/executor/executor.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"
#include "main_window_test_support.h"
#include "structure_tree_test_support.h"

namespace {

class ViewEditorTest : public app_test::MainWindowTest {
protected:
    TViewEditor& views() { return *Main.viewTab; }
    QString storedSql(const QString& view) {
        TQueryDefArray all;
        GetQueryDefs(*Main.session().DB(), all);
        for (const TQueryDef& q : all)
            if (q.Name.compare(view, Qt::CaseInsensitive) == 0) return q.SQL;
        return QStringLiteral("<none>");
    }
    size_t rowsOf(const std::string& view) {
        jet::Database& e = Main.session().DB()->engineHandle().database();
        return jet::sql::executeSelect(e, "SELECT * FROM [" + view + "]").rows.size();
    }
};

TEST_F(ViewEditorTest, AddsStoresRunsRenamesAndDeletesViews) {
    const QString file = dir.filePath("shop.mdb");
    structure_test::writeShopDatabase(file, 5);
    open(file);
    EXPECT_TRUE(views().viewNames().isEmpty());
    EXPECT_FALSE(views().mView->isEnabled());

    // A table's name is taken.
    dialogs.answerInput(QStringLiteral("customers"));
    dialogs.answerMessage(mrOk);
    Main.actViewAdd->trigger();
    EXPECT_TRUE(lastMessage().contains("Object \"customers\" already exists."));

    dialogs.answerInput(QStringLiteral("Berliners"));
    Main.actViewAdd->trigger();
    ASSERT_EQ(views().selectedView(), "Berliners");
    EXPECT_TRUE(views().mView->isEnabled());
    EXPECT_EQ(rowsOf("Berliners"), 5u);

    views().mView->setPlainText("SELECT * FROM Customers WHERE [City (main)] = 'Berlin'");
    EXPECT_TRUE(Main.session().ViewChanged);
    EXPECT_TRUE(Main.actViewStore->isEnabled());
    Main.actViewStore->trigger();
    EXPECT_FALSE(Main.session().ViewChanged);
    EXPECT_EQ(rowsOf("Berliners"), 3u);
    EXPECT_TRUE(storedSql("Berliners").contains("'Berlin'"));

    // Neither another view's nor a table's name; then a new name in place.
    dialogs.answerInput(QStringLiteral("Order-Details"));
    dialogs.answerMessage(mrOk);
    Main.actViewRename->trigger();
    EXPECT_TRUE(lastMessage().contains("already exists.")) << lastMessage().toStdString();
    dialogs.answerInput(QStringLiteral("FromBerlin"));
    Main.actViewRename->trigger();
    EXPECT_EQ(views().viewNames(), QStringList{"FromBerlin"});
    EXPECT_EQ(rowsOf("FromBerlin"), 3u);

    // Deleting the only view leaves nothing selected and the memo off.
    dialogs.answerMessage(mrYes);
    Main.actViewDel->trigger();
    EXPECT_TRUE(views().viewNames().isEmpty());
    EXPECT_FALSE(views().viewSelected());
    EXPECT_FALSE(views().mView->isEnabled());
    app_test::expectSoundFile(path);
}

TEST_F(ViewEditorTest, RefusedSqlKeepsTheStoredViewAndTheEditedText) {
    open(app_test::copyFixture(dir, "V2010/queryTestV2010.accdb"));
    ASSERT_TRUE(views().viewNames().contains("SelectQuery"));
    views().LoadViewList("SelectQuery");
    const QString before = storedSql("SelectQuery");
    const size_t rows = rowsOf("SelectQuery");

    views().mView->setPlainText("SELECT FROM WHERE");
    dialogs.answerMessage(mrOk);
    Main.actViewStore->trigger();
    EXPECT_FALSE(lastMessage().isEmpty());
    EXPECT_EQ(storedSql("SelectQuery"), before);
    EXPECT_EQ(rowsOf("SelectQuery"), rows);
    EXPECT_EQ(views().mView->toPlainText(), "SELECT FROM WHERE");
    EXPECT_TRUE(Main.session().ViewChanged);
    EXPECT_EQ(views().ViewArr[size_t(views().LastViewIdx)].SQL, before);

    // Leaving it asks; Cancel keeps the view and its edited text.
    const int other = views().viewNames().indexOf("UnionQuery");
    ASSERT_GE(other, 0);
    dialogs.answerMessage(mrCancel);
    EXPECT_THROW(views().cbViewsClick(other), SilentAbort);
    EXPECT_EQ(views().selectedView(), "SelectQuery");
    EXPECT_EQ(views().mView->toPlainText(), "SELECT FROM WHERE");

    // Access's own view changed and run.
    views().mView->setPlainText("SELECT * FROM Table1 WHERE 1=0");
    Main.actViewStore->trigger();
    EXPECT_EQ(rowsOf("SelectQuery"), 0u);
    app_test::expectSoundFile(path);
}

}  // namespace
