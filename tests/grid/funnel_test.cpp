// The funnel value list: opened by its glyph, filled with the column's
// distinct values, and "Ok" filtering on the checked ones.
#include <QCheckBox>
#include <QListView>
#include <QPushButton>

#include "grid/xDBGrid_funnel.h"
#include "grid_test_support.h"

using namespace grid_test;

namespace {

const std::vector<ColumnDef> kColumns = {{"Id", Long}, {"Name", Text}, {"Amount", Double}, {"Born", Date}};

QStringList listTexts(TxDBGridFilterForm* form) {
    QStringList texts;
    for (int i = 0; i < form->ItemCount(); ++i)
        texts << (form->ItemChecked(i) ? "[x] " : "[ ] ") + form->ItemText(i);
    return texts;
}

TxDBGridFilterForm* openFunnel(TxDBGrid& grid, int column) {
    QTest::mouseClick(grid.gridHeader()->viewport(), Qt::LeftButton, {}, funnelPoint(grid, column));
    TxDBGridFilterForm* form = grid.FilterForm();
    EXPECT_NE(form, nullptr);
    EXPECT_TRUE(form && form->isVisible());
    return form;
}

void check(TxDBGridFilterForm* form, const QString& text, bool on) {
    const int row = form->FindItem(text);
    ASSERT_GE(row, 0) << text.toStdString();
    form->SetItemChecked(row, on);
}

TEST(FunnelTest, ListsDistinctValuesSortedAndFiltersOnTheChecked) {
    GridOnTable t(kColumns, {{I(1), T("pear"), D(10), Day(2024, 1, 5)},
                             {I(2), T("Apple"), D(9), Day(2023, 12, 1)},
                             {I(3), T("pear"), D(100), Day(2024, 1, 5)},
                             {I(4), N(), D(10), N()},
                             {I(5), T("(empty)"), D(2), Day(2022, 3, 3, 10, 0)}});
    TxDBGrid& grid = t.grid;
    TxDBGridFilterForm* form = openFunnel(grid, 1);
    // A null is its own item, apart from the text "(empty)".
    EXPECT_EQ(listTexts(form), QStringList({"[x] (select all)", "[x] (empty)", "[x] (empty)", "[x] Apple", "[x] pear"}));
    // Unchecking one item unchecks "(select all)"; checking it checks all.
    check(form, "pear", false);
    EXPECT_FALSE(form->ItemChecked(0));
    form->SetItemChecked(0, true);
    EXPECT_TRUE(form->ItemChecked(3));
    form->SetItemChecked(0, false);
    form->SetItemChecked(1, true);  // the null
    form->SetItemChecked(4, true);  // pear
    QTest::mouseClick(form->btOk, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(columnTexts(grid, 0), "1,3,4");
    EXPECT_EQ(t.query.Filter(), "((Name =  NULL ) OR (Name = 'pear'))");
    EXPECT_TRUE(grid.ColumnFiltered(1));

    // Numbers sort as numbers, dates as dates.
    form = openFunnel(grid, 2);
    EXPECT_EQ(listTexts(form), QStringList({"[ ] (select all)", "[ ] 2", "[ ] 9", "[x] 10", "[x] 100"}));
    QTest::mouseClick(form->btCancel, Qt::LeftButton);
    EXPECT_EQ(columnTexts(grid, 0), "1,3,4");
}

TEST(FunnelTest, TheTextItemEmptyIsNotTheNullItem) {
    GridOnTable t(kColumns, {{I(1), T("(empty)"), D(1), N()}, {I(2), N(), D(2), N()}, {I(3), T("x"), D(3), N()}});
    TxDBGridFilterForm* form = openFunnel(t.grid, 1);
    ASSERT_EQ(form->ItemCount(), 4);
    form->SetItemChecked(0, false);
    form->SetItemChecked(2, true);  // the text "(empty)", after the null
    form->Accept();
    EXPECT_EQ(columnTexts(t.grid, 0), "1");
}

TEST(FunnelTest, NumbersThatShowAlikeStayApartAndMatchExactly) {
    // 0.1 + 0.2 and 0.3 differ in the last bit; each item matches its own row.
    GridOnTable t(kColumns, {{I(1), T("a"), D(0.1 + 0.2), N()}, {I(2), T("b"), D(0.3), N()}, {I(3), T("c"), D(1.0 / 3), N()}});
    // In value order: 0.3 (Id 2), 0.1 + 0.2 (Id 1), 1/3 (Id 3).
    const char* expected[] = {"", "2", "1", "3"};
    for (int item = 1; item <= 3; ++item) {
        TxDBGridFilterForm* form = openFunnel(t.grid, 2);
        ASSERT_EQ(form->ItemCount(), 4);
        form->SetItemChecked(0, false);
        form->SetItemChecked(item, true);
        form->Accept();
        EXPECT_EQ(columnTexts(t.grid, 0), expected[item]) << t.query.Filter().toStdString();
        t.grid.ResetFilter();
    }
}

TEST(FunnelTest, ValuesHiddenByAnotherColumnShowUnchecked) {
    GridOnTable t(kColumns, {{I(1), T("a"), D(1), Day(2024, 2, 1)}, {I(2), T("b"), D(2), Day(2024, 2, 1, 15, 30)},
                             {I(3), T("c"), D(1), Day(2024, 2, 2)}});
    TxDBGrid& grid = t.grid;
    grid.SetColumnTextFilter(2, "1");
    ASSERT_EQ(columnTexts(grid, 0), "1,3");
    TxDBGridFilterForm* form = openFunnel(grid, 1);
    EXPECT_EQ(listTexts(form), QStringList({"[ ] (select all)", "[x] a", "[ ] b", "[x] c"}));
    // Without "Add to act. filter" the funnel's condition replaces the others.
    form->SetItemChecked(3, false);
    form->SetItemChecked(2, true);
    form->Accept();
    EXPECT_EQ(columnTexts(grid, 0), "1,2");
    EXPECT_EQ(grid.ColumnBarText(2), "");

    // Dates become the filter's fixed form, times included.
    form = openFunnel(grid, 3);
    EXPECT_EQ(listTexts(form).size(), 4);
    form->SetItemChecked(1, false);  // 2024-02-01, 2024-02-01 15:30 stays
    form->Accept();
    EXPECT_EQ(t.query.Filter(), "(Born = '2024-02-01 15:30:00')");
    EXPECT_EQ(columnTexts(grid, 0), "2");
}

TEST(FunnelTest, ASecondClickOnTheGlyphClosesTheList) {
    GridOnTable t(kColumns, {{I(1), T("a"), D(1), N()}});
    TxDBGridFilterForm* form = openFunnel(t.grid, 1);
    ASSERT_TRUE(form->isVisible());
    t.grid.ShowFunnelFilter(1);
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
