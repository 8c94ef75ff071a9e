// The text filter bar driven as the user does: a click on the bar, typing,
// the pause that applies the text, Enter, Esc, the "x" box and two bars at
// once.
#include <QAbstractButton>
#include <QLineEdit>

#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid_filter_combo.h"
#include "grid_test_support.h"

using namespace grid_test;

namespace {

const std::vector<ColumnDef> kColumns = {{"Id", Long}, {"Name", Text}, {"Amount", Double}};

std::vector<Row> rows() {
    return {{I(1), T("apple"), D(5)}, {I(2), T("banana"), D(50)}, {I(3), T("cherry"), D(150)},
            {I(4), T("apricot"), D(500)}};
}

class FilterBarTest : public testing::Test {
protected:
    GridOnTable t{kColumns, rows()};
    TxDBGrid& grid = t.grid;

    void openBar(int column) {
        QTest::mouseClick(grid.gridHeader()->viewport(), Qt::LeftButton, {}, barPoint(grid, column));
        ASSERT_TRUE(grid.FilterCombo()->isVisible());
        ASSERT_EQ(grid.FilterEditColumn(), column);
    }
    void type(const QString& text) { QTest::keyClicks(grid.FilterCombo()->lineEdit(), text); }
    QString ids() { return columnTexts(grid, 0); }
};

TEST_F(FilterBarTest, TypedTextAppliesAfterThePauseOrAtOnceOnEnter) {
    EXPECT_EQ(grid.OptionsEx2.Filters.SetFilterDelay, 1000u);
    openBar(1);
    type("ap");
    QTest::qWait(500);
    EXPECT_EQ(ids(), "1,2,3,4");  // still typing
    QTest::qWait(700);
    EXPECT_EQ(ids(), "1,4");
    EXPECT_EQ(t.query.Filter(), "(Name LIKE '*ap*')");
    EXPECT_EQ(grid.ColumnBarText(1), "ap");
    EXPECT_TRUE(grid.ColumnFiltered(1));

    type("r");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(ids(), "4");
}

TEST_F(FilterBarTest, TwoBarsJoinTheirConditions) {
    openBar(1);
    type("a");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    openBar(2);
    type(">=50&<500");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(ids(), "2");
    EXPECT_EQ(t.query.Filter(), "(Name LIKE '*a*') AND ((Amount >= 50) AND (Amount < 500))");
    EXPECT_EQ(grid.FilteredFieldNames(), "Name;Amount;");
}

TEST_F(FilterBarTest, AFaultyTextIsMarkedAndKeepsTheFilter) {
    openBar(1);
    type("an");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(ids(), "2");
    openBar(2);
    type(">");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(grid.ColumnBarFaulty(2));
    EXPECT_FALSE(grid.ColumnBarFaulty(1));
    EXPECT_EQ(ids(), "2");
    EXPECT_EQ(t.query.Filter(), "(Name LIKE '*an*')");
    // A later good text in another bar is not spoiled by the faulty one.
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Backspace);
    type("<100");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(grid.ColumnBarFaulty(2));
    EXPECT_EQ(ids(), "2");
}

TEST_F(FilterBarTest, EscClosesWithoutApplyingAndTheXClearsTheColumn) {
    openBar(1);
    type("cher");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(grid.FilterCombo()->isVisible());
    QTest::qWait(1100);
    EXPECT_EQ(ids(), "1,2,3,4");

    openBar(1);
    type("cher");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    grid.setFocus();  // leaving the editor closes it
    QTest::qWait(10);
    EXPECT_FALSE(grid.FilterCombo()->isVisible());
    EXPECT_EQ(ids(), "3");
    const QRect clear = grid.gridHeader()->barClearRect(1);
    ASSERT_FALSE(clear.isNull());
    QTest::mouseClick(grid.gridHeader()->viewport(), Qt::LeftButton, {}, clear.center());
    EXPECT_EQ(ids(), "1,2,3,4");
    EXPECT_EQ(grid.ColumnBarText(1), "");
    EXPECT_FALSE(t.query.Filtered());
}

TEST_F(FilterBarTest, AppliedTextsLongerThanTwoCharactersJoinTheHistory) {
    openBar(1);
    type("ap");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    grid.FilterCombo()->lineEdit()->clear();
    type("cherry");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(grid.FilterHistory("NAME"), QStringList({"cherry"}));
    EXPECT_EQ(grid.FilterCombo()->count(), 1);
}

TEST_F(FilterBarTest, ResetFilterForgetsEveryColumn) {
    grid.SetColumnTextFilter(1, "a");
    grid.SetColumnTextFilter(2, "<100");
    ASSERT_EQ(ids(), "1,2");
    grid.ResetFilter();
    EXPECT_EQ(ids(), "1,2,3,4");
    EXPECT_EQ(grid.ColumnBarText(1), "");
    EXPECT_EQ(grid.FilteredFieldNames(), "");
}

}  // namespace

namespace {

TEST_F(FilterBarTest, FilterBySelectedCellFiltersOnTheCurrentValue) {
    EXPECT_EQ(GetDataSetOf(&grid), &t.query);
    EXPECT_EQ(GetDataSetOf(nullptr), nullptr);
    EXPECT_FALSE(FilterBySelectedCell(nullptr, fsReplace));
    grid.setCurrentIndex(grid.gridModel()->index(1, 2));  // banana, 50
    ASSERT_TRUE(FilterBySelectedCell(&grid, fsReplace));
    EXPECT_EQ(ids(), "2");
    // The grid hears of a filter set from outside: the funnel glyph follows.
    grid.RefreshFilteredFieldNames();
    EXPECT_TRUE(grid.ColumnFiltered(2));
    grid.setCurrentIndex(grid.gridModel()->index(0, 1));
    t.query.SetFilterEx(QString(), false);
    grid.setCurrentIndex(grid.gridModel()->index(3, 1));  // apricot
    ASSERT_TRUE(FilterBySelectedCell(&grid, fsReplace));
    EXPECT_EQ(ids(), "4");
}

}  // namespace

namespace {

TEST_F(FilterBarTest, TheTopLeftCellSwitchesTheFilterAndTellsTheCount) {
    grid.SetColumnTextFilter(1, "ap");
    EXPECT_EQ(grid.RecordCountHint(), "Total count of records: 2\nFilter condition:\n(Name LIKE '*ap*')");
    auto* corner = grid.findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    corner->click();
    EXPECT_EQ(ids(), "1,2,3,4");
    EXPECT_EQ(grid.RecordCountHint(), "Total count of records: 4");
    corner->click();
    EXPECT_EQ(ids(), "1,4");
}

}  // namespace

namespace {

TEST_F(FilterBarTest, AltArrowsAndCtrlTabMoveBetweenTheBars) {
    openBar(1);
    type("a");
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(grid.FilterEditColumn(), 2);
    EXPECT_EQ(grid.ColumnBarText(1), "a");  // leaving the bar applied its text
    EXPECT_EQ(ids(), "1,2,4");
    QTest::keyClick(grid.FilterCombo(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(grid.FilterEditColumn(), 0);  // wrapped around
    QTest::keyClick(grid.FilterCombo()->lineEdit(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(grid.FilterEditColumn(), 2);
}

}  // namespace
