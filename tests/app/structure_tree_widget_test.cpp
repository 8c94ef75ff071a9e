// The "DB Structure" tab of the main window as a user meets it: the tree
// after an open, the filter, lazy view columns, the detail memo, the data
// pane (row limit, bracketed names, escaped errors), export, "Edit
// selected" and closing.
#include "app/structure_tree_widget.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "app/f_main.h"
#include "app/structure_data_pane.h"
#include "app/structure_tree_images.h"
#include "app_test_support.h"
#include "db/xDBComponents_UDB_query.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"
#include "structure_tree_test_support.h"

namespace {

class StructureTabTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};

    QString shopFile() {
        const QString path = dir.filePath("shop.mdb");
        structure_test::writeShopDatabase(path);
        return path;
    }
    static void open(TMain& Main, const QString& file) {
        Main.cbFile->setEditText(file);
        Main.btDBOpen->click();
    }
};

// The item at a path of texts from a top-level item, or nullptr.
QTreeWidgetItem* itemAt(QTreeWidget* tree, const QStringList& path) {
    QTreeWidgetItem* item = nullptr;
    for (int depth = 0; depth < path.size(); ++depth) {
        QTreeWidgetItem* next = nullptr;
        const int count = depth == 0 ? tree->topLevelItemCount() : item->childCount();
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* candidate = depth == 0 ? tree->topLevelItem(i) : item->child(i);
            if (candidate->text(0) == path[depth]) next = candidate;
        }
        if (!next) return nullptr;
        item = next;
    }
    return item;
}

QStringList childTexts(QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; item && i < item->childCount(); ++i) texts << item->child(i)->text(0);
    return texts;
}

TEST_F(StructureTabTest, OpenBuildsTheTreeWithKindsInTheItems) {
    TMain Main;
    open(Main, shopFile());
    TStructureTab& tab = *Main.structTab;
    QTreeWidget* tree = tab.tvStruct;
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(childTexts(itemAt(tree, {"Tables"})), QStringList({"Customers", "Order-Details"}));
    EXPECT_EQ(childTexts(itemAt(tree, {"Tables", "Customers"})),
              QStringList({"Fields (3)", "Indexes (1)", "References (1)"}));
    EXPECT_EQ(childTexts(itemAt(tree, {"Tables", "Customers", "Fields (3)"})),
              QStringList({"ID (Long)", "Name (Text 50)", "City (main) (Text 30)"}));
    EXPECT_EQ(childTexts(itemAt(tree, {"Tables", "Customers", "References (1)"})),
              QStringList({"CustomersOrders (ID => Order-Details.CustomerID)"}));
    EXPECT_EQ(childTexts(itemAt(tree, {"Tables", "Order-Details", "References (1)"})),
              QStringList({"CustomersOrders (Customers.ID => CustomerID)"}));

    QTreeWidgetItem* city =
        itemAt(tree, {"Tables", "Customers", "Fields (3)", "City (main) (Text 30)"});
    ASSERT_NE(city, nullptr);
    EXPECT_EQ(city->data(0, Qt::UserRole + 1).toInt(), int(StructKind::Field));
    tree->setCurrentItem(city);
    EXPECT_EQ(tab.nodeDetail().Fld, "City (main)");
    EXPECT_EQ(tab.nodeDetail().Tbl, "Customers");
    EXPECT_EQ(tab.nodeDetail().TblIdx, 0);
    EXPECT_TRUE(Main.actStructReloadData->isEnabled());
}

TEST_F(StructureTabTest, DataPaneLoadsTheSelectedTableUpToMaxRecords) {
    TMain Main;
    open(Main, shopFile());
    TStructureTab& tab = *Main.structTab;
    TStructDataPane& pane = *tab.dataPane;
    tab.chLoadData->setChecked(true);
    tab.eMaxRec->setValue(5);

    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables", "Customers", "Fields (3)"}));
    EXPECT_EQ(Main.session().LastTbl, "Customers");
    EXPECT_EQ(pane.query().SQL(), "SELECT TOP 5 * FROM Customers");
    EXPECT_EQ(pane.gridRowCount(), 5);
    ASSERT_EQ(pane.gridColumnCount(), 3);
    EXPECT_EQ(pane.gridTitle(2), "City (main)");
    EXPECT_EQ(pane.gridText(4, 1), "Customer 5");
    EXPECT_TRUE(pane.lblDataTbl->isVisibleTo(&pane));
    EXPECT_FALSE(pane.lblDataInfo->isVisibleTo(&pane));
    EXPECT_TRUE(pane.btCopy->isEnabled());

    // A name that needs brackets.
    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables", "Order-Details"}));
    EXPECT_EQ(pane.query().SQL(), "SELECT TOP 5 * FROM [Order-Details]");
    EXPECT_EQ(pane.gridRowCount(), 3);
    EXPECT_EQ(pane.copyText(),
              "OrderID\tCustomerID\tQty#\r\n101\t1\t10\r\n102\t2\t20\r\n103\t3\t30\r\n");

    // The root designates nothing: the pane stays as it is.
    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables"}));
    EXPECT_EQ(pane.gridRowCount(), 3);

    // The same table again loads nothing until "Reload data".
    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables", "Order-Details", "Fields (3)"}));
    tab.eMaxRec->setValue(2);
    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables", "Order-Details"}));
    EXPECT_EQ(pane.gridRowCount(), 3);
    Main.actStructReloadData->trigger();
    EXPECT_EQ(pane.gridRowCount(), 2);
}

TEST_F(StructureTabTest, AFailedLoadShowsTheEscapedErrorAndAnEmptyGrid) {
    TMain Main;
    open(Main, shopFile());
    TStructDataPane& pane = *Main.structTab->dataPane;
    ASSERT_TRUE(pane.loadData("Customers", 10));
    EXPECT_FALSE(pane.loadData("No<b>Such</b>Table", 10));
    const QString caption = pane.lblDataInfo->caption();
    EXPECT_TRUE(caption.startsWith("Error: Cannot open data.<BR>")) << caption.toStdString();
    EXPECT_FALSE(caption.mid(28).contains('<')) << caption.toStdString();
    EXPECT_TRUE(caption.contains("&lt;b&gt;")) << caption.toStdString();
    EXPECT_TRUE(pane.lblDataInfo->isVisibleTo(&pane));
    EXPECT_FALSE(pane.query().Active());
    EXPECT_EQ(pane.gridRowCount(), 0);
    EXPECT_FALSE(pane.btCopy->isEnabled());
}

TEST_F(StructureTabTest, FilterFromTheFindBoxPrunesAndExpands) {
    TMain Main;
    open(Main, shopFile());
    TStructureTab& tab = *Main.structTab;
    tab.eFind->setText("QTY");
    emit tab.eFind->returnPressed();
    EXPECT_EQ(tab.model().exportText(),
              "Tables\n"
              "  Order-Details\n"
              "    Fields (3)\n"
              "      Qty# (Integer)\n"
              "Views\n");
    QTreeWidgetItem* field = itemAt(tab.tvStruct, {"Tables", "Order-Details", "Fields (3)"});
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isExpanded());

    tab.eFind->setText("customer");
    Main.actStructRefresh->trigger();
    // Customers matches as a whole; Order-Details keeps CustomerID and the
    // reference whose text names Customers.
    EXPECT_EQ(childTexts(itemAt(tab.tvStruct, {"Tables", "Customers"})),
              QStringList({"Fields (3)", "Indexes (1)", "References (1)"}));
    EXPECT_EQ(childTexts(itemAt(tab.tvStruct, {"Tables", "Order-Details"})),
              QStringList({"Fields (3)", "References (1)"}));
}

TEST_F(StructureTabTest, ViewsLoadTheirColumnsOnExpandAndShowTheirSql) {
    const QString file = app_test::copyFixture(dir, "V2000/queryTestV2000.mdb");
    TMain Main;
    open(Main, file);
    TStructureTab& tab = *Main.structTab;
    QTreeWidgetItem* select = itemAt(tab.tvStruct, {"Views", "SelectQuery"});
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(childTexts(select), QStringList({"Loading..."}));
    EXPECT_EQ(select->data(0, Qt::UserRole + 1).toInt(), int(StructKind::ViewNotLoaded));

    select->setExpanded(true);
    // Every column name occurs in two of the three tables, so each is
    // qualified by its table.
    EXPECT_EQ(childTexts(select).join(" | "),
              "Table1.col1 (Text 50) | Table1.col2 (Text 50) | Table1.col3 (Text 50) | "
              "Table2.col1 (Text 50) | Table2.col2 (Text 50) | Table3.col3 (Text 50)");
    EXPECT_EQ(select->data(0, Qt::UserRole + 1).toInt(), int(StructKind::View));

    tab.tvStruct->setCurrentItem(select);
    EXPECT_TRUE(tab.mDetail->toPlainText().startsWith("SELECT DISTINCT Table1.*"))
        << tab.mDetail->toPlainText().toStdString();
    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables", "Table1"}));
    EXPECT_EQ(tab.mDetail->toPlainText(), "");

    // An action query has no columns to show.
    QTreeWidgetItem* update = itemAt(tab.tvStruct, {"Views", "UpdateQuery"});
    ASSERT_NE(update, nullptr);
    update->setExpanded(true);
    EXPECT_EQ(childTexts(update), QStringList({"Error in view def."}));
}

TEST_F(StructureTabTest, ExportWritesTheIndentedTreeWithEveryViewLoaded) {
    const QString file = app_test::copyFixture(dir, "V2000/queryTestV2000.mdb");
    const QString target = dir.filePath("structure.txt");
    TMain Main;
    open(Main, file);
    dialogs.answerFile(target);
    Main.actStructExport->trigger();
    QFile out(target);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(out.readAll());
    EXPECT_EQ(text, Main.structTab->model().exportText());
    EXPECT_TRUE(text.startsWith("Tables\n  Table1\n    Fields (3)\n      col1 (Text 50)\n"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("Loading..."));
    EXPECT_TRUE(text.contains("\n  SelectQuery\n    Table1.col1 (Text 50)\n"));

    // A cancelled file choice writes nothing.
    QFile::remove(target);
    dialogs.answerFile(std::nullopt);
    Main.actStructExport->trigger();
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(StructureTabTest, EditSelectedShowsTheDesignerTab) {
    TMain Main;
    open(Main, shopFile());
    TStructureTab& tab = *Main.structTab;
    const std::pair<QStringList, QWidget*> cases[] = {
        {{"Tables", "Customers", "Indexes (1)", "ID (PrimaryKey)"}, Main.tsTables},
        {{"Tables", "Customers", "References (1)",
          "CustomersOrders (ID => Order-Details.CustomerID)"},
         Main.tsRelations},
    };
    for (const auto& [path, page] : cases) {
        Main.pc->setCurrentWidget(Main.tsStruct);
        QTreeWidgetItem* item = itemAt(tab.tvStruct, path);
        ASSERT_NE(item, nullptr) << path.join("/").toStdString();
        tab.tvStruct->setCurrentItem(item);
        Main.actStructEditSel->trigger();
        EXPECT_EQ(Main.pc->currentWidget(), page) << path.join("/").toStdString();
    }
    EXPECT_EQ(tab.nodeDetail().Ref, "CustomersOrders");
}

TEST_F(StructureTabTest, CloseEmptiesTreeFilterMemoAndPane) {
    TMain Main;
    open(Main, shopFile());
    TStructureTab& tab = *Main.structTab;
    tab.eFind->setText("name");
    tab.chLoadData->setChecked(true);
    tab.tvStruct->setCurrentItem(itemAt(tab.tvStruct, {"Tables", "Customers"}));
    ASSERT_GT(tab.dataPane->gridRowCount(), 0);
    Main.btDBClose->click();
    EXPECT_EQ(tab.tvStruct->topLevelItemCount(), 0);
    EXPECT_EQ(tab.eFind->text(), "");
    EXPECT_EQ(tab.mDetail->toPlainText(), "");
    EXPECT_EQ(tab.dataPane->gridRowCount(), 0);
    EXPECT_FALSE(tab.dataPane->query().Active());
    EXPECT_EQ(Main.session().LastTbl, "");
}

}  // namespace

namespace {

TEST_F(StructureTabTest, LoadDataAutomaticallyIsKeptBetweenRuns) {
    const QString settings = dir.filePath("tabulon.ini");
    {
        TMain Main(settings);
        EXPECT_FALSE(Main.structTab->chLoadData->isChecked());
        EXPECT_EQ(Main.structTab->eMaxRec->AsInteger(), 1000);
        Main.structTab->chLoadData->setChecked(true);
    }
    {
        TMain Main(settings);
        EXPECT_TRUE(Main.structTab->chLoadData->isChecked());
        Main.structTab->chLoadData->setChecked(false);
    }
    TMain Main(settings);
    EXPECT_FALSE(Main.structTab->chLoadData->isChecked());
}

}  // namespace

namespace {

// Twelve pictures, each of its own: a node's kind can be told by its image.
TEST(StructureTreeImages, TwelveDistinctSixteenPixelPictures) {
    std::vector<QImage> images;
    for (int i = 0; i < kStructImageCount; ++i) {
        const QIcon& icon = structTreeIcon(StructImage(i));
        ASSERT_FALSE(icon.isNull()) << i;
        images.push_back(icon.pixmap(16, 16).toImage());
        EXPECT_EQ(images.back().size(), QSize(16, 16)) << i;
    }
    for (size_t a = 0; a < images.size(); ++a)
        for (size_t b = a + 1; b < images.size(); ++b)
            EXPECT_NE(images[a], images[b]) << a << " and " << b;
}

}  // namespace
