// Column widths: the record limit of the scan, hiding empty columns, and
// the bounds of the data-and-title width.
#include "grid_test_support.h"

using namespace grid_test;

namespace {

const std::vector<ColumnDef> kColumns = {{"Id", Long}, {"Late", Text}, {"Never", Text}, {"Wide", Text, 200}};

// `count` records; "Late" holds a value only in the last one.
std::vector<Row> rows(int count) {
    std::vector<Row> result;
    for (int i = 1; i <= count; ++i)
        result.push_back({I(i), i == count ? T("late value") : N(), N(), T("x")});
    return result;
}

bool hidden(TxDBGrid& grid, int column) {
    return grid.gridHeader()->isSectionHidden(column);
}

TEST(GridWidthTest, HideEmptyColumnsLooksAtTheFirst2000Records) {
    {
        GridOnTable t(kColumns, rows(2001));
        t.grid.SetColumnWidth(cwHideEmptyCol);
        // Record 2001 is beyond the scan: "Late" counts as empty.
        EXPECT_TRUE(hidden(t.grid, 1));
        EXPECT_TRUE(hidden(t.grid, 2));
        EXPECT_FALSE(hidden(t.grid, 0));
        EXPECT_FALSE(hidden(t.grid, 3));
    }
    {
        GridOnTable t(kColumns, rows(2000));
        t.grid.SetColumnWidth(cwHideEmptyCol);
        EXPECT_FALSE(hidden(t.grid, 1));
        EXPECT_TRUE(hidden(t.grid, 2));
    }
}

TEST(GridWidthTest, TheScanVisitsExactlyTheLimit) {
    GridOnTable t(kColumns, rows(10));
    int visited = 0;
    t.grid.ScanGridRecords([&](int) { return ++visited > 0; }, srOther, 4, true, false);
    EXPECT_EQ(visited, 4);
    visited = 0;
    t.grid.ScanGridRecords([&](int) { return ++visited > 0; }, srOther, 0, true, false);
    EXPECT_EQ(visited, 10);
}

TEST(GridWidthTest, HideEmptyColumnsHidesNothingWithoutRecords) {
    GridOnTable t(kColumns, {});
    t.grid.SetColumnWidth(cwHideEmptyCol);
    for (int c = 0; c < 4; ++c) EXPECT_FALSE(hidden(t.grid, c)) << c;
}

TEST(GridWidthTest, DataAndTitleWidthStaysWithinItsBounds) {
    std::vector<ColumnDef> six = {{"Id", Long}, {"Tiny", Text}, {"Huge", Text, 250},
                                  {"C4", Text}, {"C5", Text},   {"C6", Text}};
    const std::string huge(240, 'W');
    GridOnTable t(six, {{I(1), T("a"), jet::Value::text(huge), T("x"), T("y"), T("z")}});
    t.grid.resize(1600, 400);
    t.grid.SetColumnWidth(cwDataLabelWidth, 0);
    EXPECT_EQ(t.grid.ColumnWidth(), cwNone);  // acts once
    for (int c = 0; c < 6; ++c) {
        EXPECT_GE(t.grid.columnWidth(c), 40) << c;
        EXPECT_LE(t.grid.columnWidth(c), 200) << c;
        EXPECT_LE(t.grid.columnWidth(c), t.grid.viewport()->width() / 4) << c;
    }
    EXPECT_EQ(t.grid.columnWidth(2), 200);
    // A narrow grid caps every column at a quarter of its width.
    t.grid.resize(400, 300);
    t.grid.SetColumnWidth(cwDataLabelWidth, 0);
    EXPECT_LE(t.grid.columnWidth(2), t.grid.viewport()->width() / 4);
}

}  // namespace

namespace {

TEST(GridWidthTest, AutoWidthKeepsProportionsAndFillsTheGrid) {
    GridOnTable t({{"A", Text}, {"B", Text}, {"C", Text}}, {{T("a"), T("b"), T("c")}});
    TxDBGrid& grid = t.grid;
    grid.setColumnWidth(0, 50);
    grid.setColumnWidth(1, 100);
    grid.setColumnWidth(2, 150);
    grid.SetColumnWidth(cwAutoWidth);
    const int a = grid.columnWidth(0), b = grid.columnWidth(1), c = grid.columnWidth(2);
    EXPECT_NEAR(double(b) / a, 2.0, 0.05);
    EXPECT_NEAR(double(c) / a, 3.0, 0.05);
    EXPECT_NEAR(a + b + c, grid.viewport()->width() - 2, 3);
    // The mode stays and follows the grid's width.
    EXPECT_EQ(grid.ColumnWidth(), cwAutoWidth);
    grid.resize(600, 400);
    QApplication::processEvents();
    EXPECT_NEAR(grid.columnWidth(0) + grid.columnWidth(1) + grid.columnWidth(2), grid.viewport()->width() - 2, 3);
    // Same width: equal columns, never below the minimum.
    grid.SetColumnWidth(cwSameWidth);
    EXPECT_EQ(grid.columnWidth(0), grid.columnWidth(2));
    EXPECT_GE(grid.columnWidth(0), 40);
}

TEST(GridWidthTest, ADoubleClickOnATitleBorderFitsTheColumnToItsData) {
    GridOnTable t({{"Id", Long}, {"Name", Text}}, {{I(1), T("a rather long name for a narrow column")}});
    TxDBGrid& grid = t.grid;
    grid.setColumnWidth(1, 30);
    emit grid.gridHeader()->sectionHandleDoubleClicked(1);
    EXPECT_GT(grid.columnWidth(1), 150);
    EXPECT_LE(grid.columnWidth(1), 200);
}

}  // namespace
