// Tab, Shift+Tab and Enter in the grid: the next or previous control of the
// window unless StandardTabKey is on or a record is being edited.
#include <QLineEdit>
#include <QVBoxLayout>

#include "grid_test_support.h"

using namespace grid_test;

namespace {

class GridTabKeysTest : public testing::Test {
protected:
    GridOnTable t{{{"Id", Long}, {"Name", Text}, {"Amount", Double}},
                  {{I(1), T("Anna"), D(1.5)}, {I(2), T("Bob"), D(2.5)}}};
    TxDBGrid& grid = t.grid;
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    QLineEdit* after = new QLineEdit(&window);

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(&grid);
        layout->addWidget(after);
        QWidget::setTabOrder(before, &grid);
        QWidget::setTabOrder(&grid, after);
        window.resize(900, 500);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        focusCell(0, 0);
    }
    void TearDown() override { grid.setParent(nullptr); }
    void focusCell(int row, int column) {
        grid.setFocus();
        grid.setCurrentIndex(grid.gridModel()->index(row, column));
    }
};

TEST_F(GridTabKeysTest, TabLeavesTheGridUnlessStandardTabKeyOrAnEdit) {
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
    focusCell(0, 1);
    QTest::keyClick(&grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(before->hasFocus());

    // While a record is edited Tab goes on to the next cell.
    focusCell(0, 0);
    t.query.Edit();
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_TRUE(grid.hasFocus());
    EXPECT_EQ(grid.currentIndex().column(), 1);
    t.query.Cancel();

    grid.OptionsEx2.Appearance.StandardTabKey = true;
    focusCell(0, 0);
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_TRUE(grid.hasFocus());
    EXPECT_EQ(grid.currentIndex().column(), 1);
}

TEST_F(GridTabKeysTest, EnterActsAsTabOnlyWithReturnAsTabKey) {
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_TRUE(grid.hasFocus());
    grid.OptionsEx2.Appearance.ReturnAsTabKey = true;
    focusCell(0, 0);
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_TRUE(after->hasFocus());
    focusCell(0, 0);
    QTest::keyClick(&grid, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_FALSE(after->hasFocus()) << "Enter with a modifier is no Tab";
}

}  // namespace
