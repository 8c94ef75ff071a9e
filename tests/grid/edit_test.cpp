// Editing records in the grid as a user does it: typing into cells, moving
// to another row (which posts), Esc, a refused post, new records by key,
// deleting with the question, check boxes, clearing and pasting cells. What
// the file holds is read back by an engine database of its own.
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

#include "db/query_value.h"
#include "grid/xDBGrid_memo_form.h"
#include "grid_test_support.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"

using namespace grid_test;

namespace {

const std::vector<ColumnDef> kColumns = {
    {"Id", Long}, {"Name", Text}, {"Amount", Double}, {"Ok", Bool}};

std::vector<Row> rows() {
    return {{I(1), T("Anna"), D(1.5), B(false)},
            {I(2), T("Bob"), D(2.5), B(true)},
            {I(3), T("Cyril"), N(), B(false)}};
}

// One column of what the file holds, ordered by Id, as text.
QStringList stored(const QString& path, const std::string& column) {
    const std::shared_ptr<jet::Database> file = jet::Database::open(path.toStdString());
    jet::Recordset rs;
    rs.open(*file, "SELECT * FROM Items ORDER BY Id");
    QStringList values;
    for (rs.first(); !rs.isEof(); rs.next()) values << db::valueToText(rs.value(column));
    return values;
}

class GridEditTest : public testing::Test {
protected:
    GridOnTable t{kColumns, rows()};
    TxDBGrid& grid = t.grid;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService useDialogs{dialogs};

    void SetUp() override {
        grid.setFocus();
        go(0, 1);
    }
    void go(int row, int column) { grid.setCurrentIndex(grid.gridModel()->index(row, column)); }
    // The open cell editor (not the filter bar's).
    QLineEdit* editor() {
        for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>()) {
            if (e->isVisible() && !qobject_cast<QComboBox*>(e->parentWidget())) return e;
        }
        return nullptr;
    }
    // Types `text` into the current cell and finishes the cell with Enter.
    void type(const QString& text) {
        QTest::keyClick(&grid, text.at(0).toLatin1());
        QLineEdit* e = editor();
        ASSERT_NE(e, nullptr);
        QTest::keyClicks(e, text.mid(1));
        QTest::keyClick(e, Qt::Key_Return);
        // The cell editor hands its text over through the event queue.
        QApplication::processEvents();
    }
    QString indicator(int row) {
        return grid.gridModel()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    }
};

TEST_F(GridEditTest, TypedTextIsPostedWhenAnotherRowBecomesCurrent) {
    type("Annabel");
    EXPECT_TRUE(t.query.IsEditing());
    EXPECT_EQ(indicator(0), "I");
    EXPECT_EQ(grid.gridModel()->cellText(0, 1), "Annabel");
    EXPECT_EQ(stored(t.path, "Name").at(0), "Anna");  // not posted yet

    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(t.query.RecNo(), 2u);
    EXPECT_EQ(stored(t.path, "Name"), (QStringList{"Annabel", "Bob", "Cyril"}));
    EXPECT_TRUE(dialogs.transcript().isEmpty());

    // Esc drops an edit that was not posted.
    type("Robert");
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(grid.gridModel()->cellText(1, 1), "Bob");
    EXPECT_EQ(indicator(1), "\u25B8");
}

TEST_F(GridEditTest, ARefusedPostIsReportedAndTheGridStaysOnTheRecord) {
    go(0, 2);
    type("lots");  // not a number
    dialogs.answerMessage(mrOk);
    QTest::keyClick(&grid, Qt::Key_Down);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_TRUE(dialogs.asked()[0].texts().join(' ').contains("Data type mismatch"));
    EXPECT_TRUE(t.query.IsEditing());
    EXPECT_EQ(grid.currentIndex().row(), 0);
    EXPECT_EQ(t.query.RecNo(), 1u);
    // Mended, the move goes through.
    type("7.25");
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_EQ(stored(t.path, "Amount").at(0), "7.25");
}

TEST_F(GridEditTest, NewRecordsByKeyAndDeletingWithTheQuestion) {
    // Down on the last record adds one, shown as the last row with "*".
    go(2, 1);
    QTest::keyClick(&grid, Qt::Key_Down);
    ASSERT_TRUE(t.query.IsNewRec());
    EXPECT_EQ(grid.gridModel()->rowCount(), 4);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    EXPECT_EQ(indicator(3), "*");
    // Leaving it unchanged drops it.
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(grid.gridModel()->rowCount(), 3);

    QTest::keyClick(&grid, Qt::Key_Insert);
    ASSERT_TRUE(t.query.IsNewRec());
    go(3, 0);
    type("4");
    go(3, 1);
    type("Dora");
    go(0, 1);  // posts the new record
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(stored(t.path, "Name"), (QStringList{"Anna", "Bob", "Cyril", "Dora"}));

    // Ctrl+Delete asks first; Cancel keeps the record, OK deletes it.
    go(1, 1);
    dialogs.answerMessage(mrCancel);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(stored(t.path, "Name").size(), 4);
    dialogs.answerMessage(mrOk);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(stored(t.path, "Name"), (QStringList{"Anna", "Cyril", "Dora"}));
    EXPECT_EQ(grid.gridModel()->rowCount(), 3);
    EXPECT_EQ(dialogs.transcript().size(), 2);
    EXPECT_TRUE(dialogs.transcript().at(0).contains("Delete record?"));
    EXPECT_TRUE(dialogs.allAnswersUsed());
}

TEST_F(GridEditTest, CheckBoxesAndClearedCells) {
    // Space toggles; with BoolAutoSave the toggle is posted at once.
    grid.OptionsEx2.Editors.BoolAutoSave = true;
    go(0, 3);
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(stored(t.path, "Ok").at(0), "True");
    // Delete writes false to a check box, null to other cells.
    QTest::keyClick(&grid, Qt::Key_Delete);
    go(0, 2);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_TRUE(t.query.IsEditing());
    go(1, 2);
    EXPECT_EQ(stored(t.path, "Ok").at(0), "False");
    EXPECT_EQ(stored(t.path, "Amount").at(0), "");
}

TEST_F(GridEditTest, PastedBlocksFillRowsAndLinesPastTheEndBecomeNewRecords) {
    grid.OptionsEx2.Editors.AllowPasteMultipleCells = true;
    go(1, 1);
    // A refused line asks whether to go on; Yes drops it and goes on.
    dialogs.answerMessage(mrYes);
    EXPECT_TRUE(grid.PasteData("Barbara\t3.5\r\nCyd\tmuch\r\n\"Dan\"\"s\"\t 1 000\r\n"));
    EXPECT_FALSE(t.query.IsEditing());
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_TRUE(dialogs.asked()[0].texts().join(' ').contains("Error: Cannot save record."));
    // The added record has no Id, so it sorts first.
    EXPECT_EQ(stored(t.path, "Name"), (QStringList{"Dan\"s", "Anna", "Barbara", "Cyril"}));
    EXPECT_EQ(stored(t.path, "Amount"), (QStringList{"1000", "1.5", "3.5", ""}));

    // One value goes into the current cell only; numbers lose their blanks.
    go(0, 2);
    EXPECT_TRUE(grid.PasteData(" 12 "));
    EXPECT_EQ(grid.gridModel()->cellText(0, 2), "12");
}

TEST_F(GridEditTest, NothingIsEditedWhereEditingIsNotAllowed) {
    const auto refused = [&] {
        QTest::keyClick(&grid, 'Z');
        return editor() == nullptr && !t.query.IsEditing();
    };
    grid.EditingOption = false;
    EXPECT_TRUE(refused());
    EXPECT_FALSE(grid.PasteData("x"));
    grid.EditingOption = true;
    grid.OnCanEdit = [](int column) { return column != 1; };
    EXPECT_TRUE(refused());
    grid.OnCanEdit = nullptr;
    t.query.SetReadOnly(true);
    EXPECT_TRUE(refused());
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(stored(t.path, "Name").at(0), "Anna");
    EXPECT_TRUE(dialogs.transcript().isEmpty());
}

}  // namespace

namespace {

// A memo column, shown as a glyph: Enter and a double click open the memo
// window with the whole text; OK stores what was written there, Cancel and
// an unchanged text store nothing.
TEST(GridMemoWindow, ShowsTheWholeTextAndStoresItWithOk) {
    GridOnTable t({{"Id", Long}, {"Notes", Memo}},
                  {{I(1), T("first line\nsecond line")}, {I(2), N()}});
    TxDBGrid& grid = t.grid;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService useDialogs{dialogs};
    grid.setFocus();
    grid.setCurrentIndex(grid.gridModel()->index(0, 1));

    QString shown, caption;
    bool readOnly = true;
    QString answer;
    int result = QDialog::Rejected;
    grid.runMemoForm = [&](TxDBGridMemoForm& form) {
        shown = form.text();
        caption = form.windowTitle();
        readOnly = form.memo->isReadOnly();
        if (!answer.isNull()) form.memo->setPlainText(answer);
        return result;
    };
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(shown, "first line\nsecond line");
    EXPECT_EQ(caption, "Notes");
    EXPECT_FALSE(readOnly);
    EXPECT_FALSE(t.query.IsEditing());  // cancelled: nothing changed

    answer = "rewritten\nin two lines";
    result = QDialog::Accepted;
    EXPECT_TRUE(grid.ShowMemo(1));
    EXPECT_TRUE(t.query.IsEditing());
    t.query.Post();
    EXPECT_EQ(stored(t.path, "Notes").at(0), "rewritten\nin two lines");

    // A field that may not be edited shows its text read-only and keeps it.
    grid.OnCanEdit = [](int) { return false; };
    answer = "ignored";
    EXPECT_TRUE(grid.ShowMemo(1));
    EXPECT_TRUE(readOnly);
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(stored(t.path, "Notes").at(0), "rewritten\nin two lines");
    EXPECT_FALSE(grid.ShowMemo(0));  // not a memo cell
}

}  // namespace
