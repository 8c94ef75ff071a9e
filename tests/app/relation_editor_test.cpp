// The relation editor on the "Relations" page: every user relation in one
// grid, rows marked as they are edited, and the marks applied as one change
// of the file when the user saves.
#include "app/relation_editor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include "app/f_main.h"
#include "app_test_support.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xImprovedComps.h"
#include "kit/xStringGridEd.h"
#include "kit/xdlg_scripted.h"
#include "main_window_test_support.h"
#include "structure_tree_test_support.h"

namespace {

using RE = TRelationEditor;

class RelationEditorTest : public app_test::MainWindowTest {
protected:
    // The shop file and "Visits" (ID key, CustomerID) with visits of
    // customers 4, 5 and 99, the last one of no customer.
    void SetUp() override {
        const QString file = dir.filePath("shop.mdb");
        structure_test::writeShopDatabase(file, 5);
        open(file);
        dao::Database& db = *Main.session().DB();
        TFieldRec id, customer;
        id.FieldName = "ID";
        id.FieldType = 4;
        customer.FieldName = "CustomerID";
        customer.FieldType = 4;
        TIndexRec key;
        key.IndexName = "PrimaryKey";
        key.FieldNames = "ID";
        key.Primary = true;
        CreateTable(db, "Visits", {id, customer}, {key});
        ExecuteSQL(db, "INSERT INTO Visits VALUES (1, 4)");
        ExecuteSQL(db, "INSERT INTO Visits VALUES (2, 5)");
        ExecuteSQL(db, "INSERT INTO Visits VALUES (3, 99)");
        Main.relationTab->ReloadRelations();
    }
    TxStringGridEd& grid() { return *Main.relationTab->sgRel; }
    void fillNewRow(const QString& name, const QString& fields, const QString& foreignFields) {
        const int r = grid().RowCount() - 1;
        grid().SetStringCells(RE::rcName, r, name);
        grid().SetStringCells(RE::rcTable, r, "Customers");
        grid().SetStringCells(RE::rcFields, r, fields);
        grid().SetStringCells(RE::rcForeignTable, r, "Visits");
        grid().SetStringCells(RE::rcForeignFields, r, foreignFields);
        grid().core().toggleCheckBox(RE::rcIntegrity, r);
    }
    const TRelationRec* loaded(const QString& name) {
        static TRelationRecArray all;
        GetRelations(*Main.session().DB(), all, nullptr, true);
        for (const TRelationRec& r : all)
            if (r.Name == name) return &r;
        return nullptr;
    }
    int count(const QString& sql) { return ExecuteSQL(*Main.session().DB(), sql); }
};

TEST_F(RelationEditorTest, LoadsRelationsAndFollowsTheIntegrityBox) {
    ASSERT_EQ(Main.relationTab->RelCount, 1);
    EXPECT_EQ(grid().Cells(RE::rcName, 1), "CustomersOrders");
    EXPECT_EQ(grid().Cells(RE::rcTable, 1), "Customers");
    EXPECT_EQ(grid().Cells(RE::rcFields, 1), "ID");
    EXPECT_EQ(grid().Cells(RE::rcForeignTable, 1), "Order-Details");
    EXPECT_EQ(grid().Cells(RE::rcForeignFields, 1), "CustomerID");
    EXPECT_EQ(grid().Cells(RE::rcIntegrity, 1), "1");
    EXPECT_EQ(grid().Cells(RE::rcDelCascade, 1), "0");

    // Cascades only with integrity; unchecking it clears and locks them.
    grid().core().toggleCheckBox(RE::rcDelCascade, 1);
    EXPECT_EQ(grid().Cells(RE::rcDelCascade, 1), "1");
    EXPECT_EQ(grid().Cells(RE::rcAction, 1), "Edit");
    grid().core().toggleCheckBox(RE::rcIntegrity, 1);
    EXPECT_EQ(grid().Cells(RE::rcDelCascade, 1), "0");
    EXPECT_FALSE(grid().core().mayModify(RE::rcDelCascade, 1, true));
    EXPECT_TRUE(Main.actRelStore->isEnabled());

    // The field lists offer the fields of the row's table, nothing without one.
    EXPECT_EQ(grid().core().pickListFor(RE::rcFields, 1),
              (QStringList{"ID", "Name", "City (main)"}));
    EXPECT_TRUE(grid().core().pickListFor(RE::rcFields, 2).isEmpty());
}

TEST_F(RelationEditorTest, AnEnforcedRelationIsRefusedWhileRowsBreakItThenKeepsThem) {
    fillNewRow("CustomersVisits", "ID", "CustomerID");
    const int r = grid().RowCount() - 2;
    EXPECT_EQ(grid().Cells(RE::rcAction, r), "Add");
    grid().core().toggleCheckBox(RE::rcUpdCascade, r);
    grid().core().toggleCheckBox(RE::rcDelCascade, r);

    // The visit of customer 99 breaks it: the engine's message, nothing done.
    const QByteArray before = testing_support::qtFileBytes(path);
    dialogs.answerMessage(mrOk);
    Main.actRelStore->trigger();
    EXPECT_TRUE(lastMessage().contains("violates referential integrity"))
        << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    EXPECT_EQ(grid().Cells(RE::rcAction, r), "Add");
    EXPECT_TRUE(Main.session().RelChanged);

    EXPECT_EQ(count("DELETE FROM Visits WHERE CustomerID = 99"), 1);
    Main.actRelStore->trigger();
    ASSERT_NE(loaded("CustomersVisits"), nullptr);
    EXPECT_EQ(loaded("CustomersVisits")->Attributes, 0x100 | 0x1000);
    EXPECT_FALSE(Main.session().RelChanged);
    EXPECT_EQ(Main.relationTab->RelCount, 2);

    // Enforced from now on, with its cascades.
    EXPECT_THROW(count("INSERT INTO Visits VALUES (4, 77)"), std::exception);
    EXPECT_EQ(count("DELETE FROM Customers WHERE ID = 5"), 1);
    EXPECT_EQ(count("DELETE FROM Visits WHERE CustomerID = 5"), 0);  // went with its customer
    app_test::expectSoundFile(path);
}

TEST_F(RelationEditorTest, RowsAreCheckedFirstAndAChangedNameRecreatesTheRelation) {
    // Two fields against one: refused before anything is written.
    count("DELETE FROM Visits WHERE CustomerID = 99");
    fillNewRow("Uneven", "ID;Name", "CustomerID");
    const QByteArray before = testing_support::qtFileBytes(path);
    dialogs.answerMessage(mrOk);
    Main.actRelStore->trigger();
    EXPECT_TRUE(lastMessage().contains("the same number of fields")) << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);

    // Only the new row goes; the loaded relation gets another name.
    grid().SelectFirstCell(RE::rcName, grid().RowCount() - 2);
    Main.relationTab->btRelDelAnchorClick("DelSel");
    grid().SetStringCells(RE::rcName, 1, "OrdersOfCustomers");
    EXPECT_EQ(grid().Cells(RE::rcAction, 1), "Edit");
    Main.actRelStore->trigger();
    EXPECT_EQ(loaded("CustomersOrders"), nullptr);
    ASSERT_NE(loaded("OrdersOfCustomers"), nullptr);
    EXPECT_EQ(loaded("OrdersOfCustomers")->ForeignTable, "Order-Details");
    EXPECT_EQ(loaded("OrdersOfCustomers")->Attributes & 0x2, 0);  // still enforced

    // Marked "Del" and saved: gone, and the orphans it kept out may come.
    grid().SelectFirstCell(RE::rcName, 1);
    Main.relationTab->btRelDelAnchorClick("DelSel");
    EXPECT_EQ(grid().Cells(RE::rcAction, 1), "Del");
    Main.actRelStore->trigger();
    EXPECT_EQ(Main.relationTab->RelCount, 0);
    EXPECT_EQ(count("INSERT INTO [Order-Details] VALUES (200, 42, 1)"), 1);
    app_test::expectSoundFile(path);
}

}  // namespace
