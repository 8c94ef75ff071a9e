// Incremental search: typed characters move to the first matching record of
// the current column, the hint shows the text, and the text is forgotten
// 2500 ms after the last key.
#include <QLabel>

#include "grid_test_support.h"

using namespace grid_test;

namespace {

const std::vector<ColumnDef> kColumns = {{"Id", Long}, {"Name", Text}, {"Ok", Bool}};

std::vector<Row> rows() {
    return {{I(1), T("Xavier"), B(false)}, {I(2), T("Bob"), B(false)}, {I(3), T("Charles"), B(true)},
            {I(4), T("Anna Bobek"), B(false)}, {I(5), T("Boris"), B(true)}};
}

class SearchTest : public testing::Test {
protected:
    GridOnTable t{kColumns, rows()};
    TxDBGrid& grid = t.grid;
    QString currentId() { return t.query.FieldByName("Id").AsString(); }
    void SetUp() override {
        // With editing on, typed keys edit the file's writable records; the
        // search takes them while the editing option is off.
        grid.EditingOption = false;
        grid.setFocus();
        grid.setCurrentIndex(grid.gridModel()->index(0, 1));
    }
};

TEST_F(SearchTest, TypingFindsTheFirstRecordAndTheTextIsForgottenLater) {
    EXPECT_EQ(grid.OptionsEx2.Appearance.LookupResetDelay, 2500u);
    QTest::keyClicks(&grid, "bo");
    EXPECT_EQ(currentId(), "2");
    EXPECT_EQ(grid.SearchText(), "bo");
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_TRUE(grid.SearchHint()->isVisible());
    EXPECT_EQ(grid.SearchHint()->text(), "bo");
    QTest::keyClicks(&grid, "r");
    EXPECT_EQ(currentId(), "5");

    // Down and Up look for the next and previous record holding the text.
    QTest::keyClick(&grid, Qt::Key_Backspace);
    EXPECT_EQ(grid.SearchText(), "bo");
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(currentId(), "4");  // "Anna Bobek" contains it
    EXPECT_EQ(grid.SearchHint()->text(), "<< bo");

    QTest::qWait(1500);
    EXPECT_EQ(grid.SearchText(), "bo");
    QTest::qWait(1200);
    EXPECT_EQ(grid.SearchText(), "");
    EXPECT_FALSE(grid.SearchHint()->isVisible());
    // A new text starts from scratch.
    QTest::keyClicks(&grid, "x");
    EXPECT_EQ(currentId(), "1");
}

TEST_F(SearchTest, NotFoundKeepsTheTextAndTheRecord) {
    QTest::keyClicks(&grid, "boq");
    EXPECT_EQ(grid.SearchText(), "bo");
    EXPECT_EQ(currentId(), "2");
    EXPECT_EQ(grid.SearchHint()->text(), "bo (boq not found)");
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(grid.SearchText(), "");
}

TEST_F(SearchTest, ChStandsForOneLetterAndBooleansForOneCharacter) {
    // "c" alone also tries "ch".
    QTest::keyClicks(&grid, "c");
    EXPECT_EQ(currentId(), "3");
    QTest::keyClick(&grid, Qt::Key_Escape);
    grid.setCurrentIndex(grid.gridModel()->index(0, 2));
    QTest::keyClicks(&grid, "y");
    EXPECT_EQ(currentId(), "3");
}

TEST_F(SearchTest, FilterModeFiltersOnTheSearchTextWithCtrlRight) {
    grid.LookupCondition = lcBrowseFilter;
    QTest::keyClicks(&grid, "bo");
    EXPECT_TRUE(grid.SearchHint()->text().endsWith("* Ctrl+Right to filter"));
    QTest::keyClick(&grid, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(columnTexts(grid, 0), "2,4,5");
    QTest::keyClick(&grid, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(columnTexts(grid, 0), "1,2,3,4,5");
}

}  // namespace
