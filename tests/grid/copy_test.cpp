// Copy: the quoting of values, CopyAllData and the cell copy compared with
// the clipboard.
#include <QClipboard>

#include "grid/xDBGrid_copy.h"
#include "grid_test_support.h"

using namespace grid_test;

namespace {

TEST(CopyQuotingTest, ValuesThatWouldSplitACellAreQuoted) {
    struct Case {
        const char* value;
        const char* copied;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {" \"hi\"", "\" \"\"hi\"\"\""},
        {"a\r\nb", "\"a\nb\""},
        {"a\rb", "\"a\nb\""},  // a lone CR would end the line on paste
        {"a\nb", "\"a\nb\""},
        {"a\tb", "\"a\tb\""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(QuoteCopyValue(c.value), c.copied) << c.value;
    EXPECT_EQ(CopyLine({"1", "x\ty", ""}), "1\t\"x\ty\"\t\r\n");
}

const std::vector<ColumnDef> kColumns = {{"Id", Long}, {"Name", Text}, {"Note", Memo}, {"Ok", Bool}};

TEST(GridCopyTest, CopyAllDataTakesTheViewInGridOrderWithTitles) {
    GridOnTable t(kColumns, {{I(1), T("a\"b"), T("line1\r\nline2"), B(true)},
                             {I(2), N(), T("x"), B(false)},
                             {I(3), T("c"), N(), B(false)}});
    TxDBGrid& grid = t.grid;
    EXPECT_EQ(grid.CopyAllData(true, false),
              "Id\tName\tNote\tOk\r\n"
              "1\t\"a\"\"b\"\t\"line1\nline2\"\tTrue\r\n"
              "2\t\tx\tFalse\r\n"
              "3\tc\t\tFalse\r\n");
    EXPECT_EQ(QApplication::clipboard()->text(), grid.CopyAllData(true, false));

    // Moved and hidden columns: the grid's order, hidden ones only when asked;
    // a filtered view copies only its records.
    grid.gridHeader()->moveSection(2, 0);
    grid.gridHeader()->hideSection(3);
    grid.SetColumnTextFilter(1, "c");
    EXPECT_EQ(grid.CopyAllData(true, false), "Note\tId\tName\r\n\t3\tc\r\n");
    EXPECT_EQ(grid.CopyAllData(false, true), "\t3\tc\tFalse\r\n");
    EXPECT_EQ(grid.CopyFieldsData({"name", "ID"}, true), "Id\tName\r\n3\tc\r\n");
}

TEST(GridCellTest, BooleansAreCheckBoxesAndMemosGlyphs) {
    GridOnTable t(kColumns, {{I(1), T("a"), T("memo text"), B(true)}, {I(2), N(), N(), B(false)}});
    TxDBGridModel* model = t.grid.gridModel();
    EXPECT_EQ(model->data(model->index(0, 3), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model->data(model->index(1, 3), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(model->data(model->index(0, 3), Qt::DisplayRole).toString(), "");
    EXPECT_EQ(model->data(model->index(0, 2), TxDBGridModel::CellKindRole).toInt(), TxDBGridModel::ckMemo);
    // A memo shown as a glyph has no text in the cell, but copies its text.
    EXPECT_EQ(model->data(model->index(0, 2), Qt::DisplayRole).toString(), "");
    EXPECT_EQ(model->cellText(0, 2), "memo text");
    t.grid.OptionsEx2.Editors.Memo = obtContent;
    EXPECT_EQ(model->data(model->index(0, 2), Qt::DisplayRole).toString(), "memo text");
    // A text field listed in FieldsAsBoolean is a check box ticked by its
    // true text in any letter case.
    model->FieldsAsBoolean = {"name=A;b"};
    EXPECT_EQ(model->data(model->index(0, 1), TxDBGridModel::CellKindRole).toInt(), TxDBGridModel::ckBoolean);
    EXPECT_EQ(model->data(model->index(0, 1), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model->data(model->index(1, 1), Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST(GridCellTest, TheIndicatorFollowsTheCurrentRecord) {
    GridOnTable t(kColumns, {{I(1), T("a"), N(), B(true)}, {I(2), T("b"), N(), B(false)}, {I(3), T("c"), N(), B(false)}});
    TxDBGridModel* model = t.grid.gridModel();
    const auto indicators = [&] {
        QString marks;
        for (int r = 0; r < model->rowCount(); ++r)
            marks += model->headerData(r, Qt::Vertical, Qt::DisplayRole).toString().isEmpty() ? u'.' : u'>';
        return marks;
    };
    EXPECT_EQ(indicators(), ">..");
    t.query.Last();
    EXPECT_EQ(indicators(), "..>");
    EXPECT_EQ(t.grid.currentIndex().row(), 2);
    t.grid.setCurrentIndex(model->index(1, 0));
    EXPECT_EQ(indicators(), ".>.");
    EXPECT_EQ(t.query.FieldByName("Id").AsString(), "2");
}

TEST(GridCopyTest, AnEmptyViewCopiesOnlyTheTitleLine) {
    GridOnTable t(kColumns, {});
    EXPECT_EQ(t.grid.CopyAllData(true, false), "Id\tName\tNote\tOk\r\n");
}

TEST(GridCopyTest, CtrlCCopiesTheCurrentCell) {
    GridOnTable t(kColumns, {{I(1), T("first"), T("a\nb"), B(true)}, {I(2), T("second"), N(), B(false)}});
    TxDBGrid& grid = t.grid;
    grid.setFocus();
    grid.setCurrentIndex(grid.gridModel()->index(1, 1));
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "second");
    // A memo with a line break goes quoted, so that a paste keeps it one cell.
    grid.setCurrentIndex(grid.gridModel()->index(0, 2));
    QTest::keyClick(&grid, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "\"a\nb\"");
}

}  // namespace

namespace {

TEST(GridScanTest, AScanLeavesTheViewAndTheRecordAlone) {
    GridOnTable t(kColumns, {{I(1), T("a"), N(), B(true)}, {I(2), T("b"), N(), B(false)}, {I(3), T("c"), N(), B(false)}});
    TxDBGrid& grid = t.grid;
    grid.setCurrentIndex(grid.gridModel()->index(1, 1));
    grid.CopyAllData(true, false);
    EXPECT_EQ(grid.currentIndex(), grid.gridModel()->index(1, 1));
    EXPECT_EQ(t.query.FieldByName("Id").AsString(), "2");
    // With the filter switched off for the scan, the filter and the record
    // come back.
    grid.SetColumnTextFilter(1, "b|c");
    grid.setCurrentIndex(grid.gridModel()->index(1, 1));
    QStringList all;
    grid.ScanGridRecords([&](int p) { all << grid.gridModel()->cellText(p, 0); return true; }, srOther, 0, true, true);
    EXPECT_EQ(all.join(','), "1,2,3");
    EXPECT_EQ(columnTexts(grid, 0), "2,3");
    EXPECT_EQ(t.query.FieldByName("Id").AsString(), "3");
}

}  // namespace
