// The date keys of a date column: what each key makes of the cell's date,
// and the keys typed into a cell editor of the grid, posted as whole dates.
#include <QApplication>
#include <QLineEdit>

#include "grid/xDBGrid_cell_text.h"
#include "grid/xDBGrid_date_keys.h"
#include "grid_test_support.h"

using namespace grid_test;

namespace {

TEST(DateKeys, EachKeyGivesAWholeDate) {
    const QDate today(2026, 12, 11);
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    struct Case {
        const char* text;
        int key;
        Qt::KeyboardModifiers mods;
        const char* keyText;
        const char* expected;  // nullptr: not a date key here
    };
    const Case cases[] = {
        {"2024-02-10 13:45:00", Qt::Key_T, {}, "t", "2026-12-11"},
        {"", Qt::Key_Asterisk, {}, "*", "2026-12-11"},
        {"2024-02-10", Qt::Key_Semicolon, {}, ";", "2026-12-11"},
        {"2024-02-10 13:45:00", Qt::Key_E, {}, "E", "2024-02-29"},
        {"2023-02-10", Qt::Key_E, {}, "e", "2023-02-28"},
        {"2024-02-10", Qt::Key_S, {}, "s", "2024-02-01"},
        {"", Qt::Key_S, {}, "S", "2026-12-01"},
        {"2024-02-29", Qt::Key_Up, ctrl, "", "2024-03-01"},
        {"2024-03-01", Qt::Key_Down, ctrl, "", "2024-02-29"},
        {"2024-01-31", Qt::Key_Up, ctrlShift, "", "2024-02-29"},
        {"2024-01-15", Qt::Key_Down, ctrlShift, "", "2023-12-15"},
        {"", Qt::Key_Up, ctrl, "", nullptr},
        {"2024-01-15", Qt::Key_Up, {}, "", nullptr},
        {"2024-01-15", Qt::Key_5, {}, "5", nullptr},
        {"2024-01-15", Qt::Key_T, ctrl, "\x14", nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<QString> got = DateKeyText(QString::fromLatin1(c.text), c.key, c.mods,
                                                       QString::fromLatin1(c.keyText), today);
        if (!c.expected) {
            EXPECT_FALSE(got.has_value()) << c.text << " " << c.keyText;
        } else {
            EXPECT_EQ(got.value_or(QStringLiteral("<none>")), QString::fromLatin1(c.expected))
                << c.text << " " << c.keyText;
        }
    }
}

TEST(DateKeys, TypedIntoADateCellTheyArePostedAsTheDate) {
    GridOnTable t({{"Id", Long}, {"Born", Date}, {"Name", Text}},
                  {{I(1), Day(2024, 2, 10, 13, 45), T("Anna")}, {I(2), N(), T("Bob")}});
    TxDBGrid& grid = t.grid;
    grid.setFocus();
    grid.setCurrentIndex(grid.gridModel()->index(0, 1));
    QTest::keyClick(&grid, Qt::Key_F2);
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_E);
    EXPECT_EQ(editor->text(), "2024-02-29");
    EXPECT_EQ(editor->selectedText(), "2024-02-29");
    QTest::keyClick(editor, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), "2024-03-01");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    QTest::keyClick(&grid, Qt::Key_Down);  // posts
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(grid.gridModel()->cellText(0, 1),
              DateTimeDisplayText(QDateTime(QDate(2024, 3, 1), QTime(0, 0))));

    // In a text column the same letter is typed as it is.
    grid.setCurrentIndex(grid.gridModel()->index(1, 2));
    QTest::keyClick(&grid, Qt::Key_F2);
    for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    editor->selectAll();
    QTest::keyClicks(editor, "t");
    EXPECT_EQ(editor->text(), "t");
}

}  // namespace
