// The user's actions on the editable string grid without a window: pick
// lists and check lists, the grid's keys, check boxes and Esc restoring a cell.
#include <gtest/gtest.h>

#include "kit/xStringGridEd_model.h"
#include "kit/xStringGridEd_test_grid.h"
#include "kit/xdlg_test_print.h"

namespace kit {
namespace {

using Grid = StringGridEdTestGrid;

TEST(StringGridEdPickLists, ChoosingWritesAndFinishesTheCell) {
    Grid grid;
    TxStringGridEdColumn& column = grid.model.GetColumn(2);
    column.ButtonStyle = sgbDropDownList;
    column.PickList = {"Text", "Long", "Double"};
    grid.model.OnPicklistDropdown = [](int, int row, QStringList& items) {
        if (row == 2) items.removeAll("Double");
    };
    EXPECT_EQ(grid.model.pickListFor(2, 1), (QStringList{"Text", "Long", "Double"}));
    EXPECT_EQ(grid.model.pickListFor(2, 2), (QStringList{"Text", "Long"}));
    EXPECT_EQ(column.PickList.size(), 3);  // the handler works on a copy

    grid.model.acceptPickListItem(2, 2, "Long");
    EXPECT_EQ(grid.model.Cells(2, 2), "Long");
    EXPECT_EQ(grid.finished, (std::vector<QString>{"2;2"}));
    EXPECT_TRUE(grid.model.isCellChanged(2, 2));

    // Typing is closed for a list-only column, choosing is not; ReadOnly closes both.
    EXPECT_FALSE(grid.model.mayModify(2, 2));
    EXPECT_TRUE(grid.model.mayModify(2, 2, true));
    EXPECT_TRUE(grid.model.mayShowEditor(2, 2));
    column.ReadOnly = true;
    grid.model.acceptPickListItem(2, 2, "Text");
    EXPECT_EQ(grid.model.Cells(2, 2), "Long");
}

TEST(StringGridEdPickLists, CheckListItemsToggle) {
    struct Case {
        QString text;
        QString item;
        QString expected;
    };
    const Case cases[] = {
        {"a;b", "b", "a"}, {"a;b", "c", "a;b;c"}, {"", "a", "a"},
        {"a;B", "b", "a"}, {"a;;b", "a", "b"},    {"b", "b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.text + " toggling " + c.item).toStdString());
        Grid grid;
        TxStringGridEdColumn& column = grid.model.GetColumn(2);
        column.ButtonStyle = sgbDropDownCheckListOnly;
        column.CheckListSeparator = ";";
        grid.model.setCells(2, 1, c.text);
        grid.model.toggleCheckListItem(2, 1, c.item);
        EXPECT_EQ(grid.model.Cells(2, 1), c.expected);
    }
}

TEST(StringGridEdPickLists, CheckListCleanUpKeepsPickListItems) {
    TxStringGridEdColumn column;
    column.PickList = {"red", "green", "blue"};
    EXPECT_EQ(column.CheckListCleanUpText("blue,pink,red", false),
              "blue,pink,red");  // not a check list
    column.ButtonStyle = sgbDropDownCheckList;
    EXPECT_EQ(column.CheckListCleanUpText("blue,pink,RED", false), "blue,RED");
    EXPECT_EQ(column.CheckListCleanUpText("blue,pink,red", true), "red,blue");
    EXPECT_TRUE(column.CheckListContainValue("red,Blue", "blue"));
    column.CheckListCaseSensitive = true;
    EXPECT_FALSE(column.CheckListContainValue("red,Blue", "blue"));
    EXPECT_EQ(column.CheckListAddValue("red,Blue", "blue"), "red,Blue,blue");
    EXPECT_EQ(column.CheckListAddValue("red", "red"), "red");
}

TEST(StringGridEdKeys, GridKeysActOnTheCurrentCell) {
    struct Case {
        const char* name;
        TxStringGridEdEditStyle style;
        bool canDelete;
        int key;
        Qt::KeyboardModifiers mods;
        QString clipboardBefore;
        GridKeyResult result;
        QString text;       // the cell afterwards (it held "old")
        QString clipboard;  // afterwards
        bool logged;
    };
    const auto ctrl = Qt::ControlModifier;
    const auto none = Qt::NoModifier;
    const Case cases[] = {
        {"copy", sgbNone, false, Qt::Key_C, ctrl, "", GridKeyResult::Handled, "old", "old", false},
        {"copy with Ctrl+Insert", sgbNone, false, Qt::Key_Insert, ctrl, "", GridKeyResult::Handled,
         "old", "old", false},
        {"cut", sgbNone, false, Qt::Key_X, ctrl, "", GridKeyResult::Handled, "", "old", true},
        {"cut in a list-only cell copies only", sgbDropDownList, false, Qt::Key_X, ctrl, "",
         GridKeyResult::Handled, "old", "old", false},
        {"cut in a list-only cell that may be emptied", sgbDropDownList, true, Qt::Key_X, ctrl, "",
         GridKeyResult::Handled, "", "old", true},
        {"paste", sgbNone, false, Qt::Key_V, ctrl, "new\r\n", GridKeyResult::Handled, "new",
         "new\r\n", true},
        {"paste with Shift+Insert", sgbNone, false, Qt::Key_Insert, Qt::ShiftModifier, "new",
         GridKeyResult::Handled, "new", "new", true},
        {"no paste into a list-only cell", sgbDropDownList, true, Qt::Key_V, ctrl, "new",
         GridKeyResult::Handled, "old", "new", false},
        {"delete", sgbNone, false, Qt::Key_Delete, none, "", GridKeyResult::Handled, "", "", true},
        {"delete with a modifier is not ours", sgbNone, false, Qt::Key_Delete, Qt::ShiftModifier,
         "", GridKeyResult::NotHandled, "old", "", false},
        {"space in a text cell", sgbNone, false, Qt::Key_Space, none, "", GridKeyResult::NotHandled,
         "old", "", false},
        {"F4 on a list opens it", sgbDropDown, false, Qt::Key_F4, none, "",
         GridKeyResult::OpenPopup, "old", "", false},
        {"F4 on a date picker opens it", sgbDateTimePicker, false, Qt::Key_F4, none, "",
         GridKeyResult::OpenPopup, "old", "", false},
        {"Alt+Down on a list opens it", sgbDropDownList, false, Qt::Key_Down, Qt::AltModifier, "",
         GridKeyResult::OpenPopup, "old", "", false},
        {"Alt+Down on text is the view's", sgbNone, false, Qt::Key_Down, Qt::AltModifier, "",
         GridKeyResult::NotHandled, "old", "", false},
        {"F2 is the view's", sgbNone, false, Qt::Key_F2, none, "", GridKeyResult::NotHandled, "old",
         "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Grid grid;
        grid.model.GetColumn(2).ButtonStyle = c.style;
        grid.model.GetColumn(2).DropDownListCanDelete = c.canDelete;
        grid.model.setCells(2, 2, "old");
        grid.model.selectCell(2, 2);
        QString clipboard = c.clipboardBefore;
        GridClipboard board{[&] { return clipboard; }, [&](const QString& t) { clipboard = t; }};
        EXPECT_EQ(grid.model.handleGridKey(c.key, c.mods, board), c.result);
        EXPECT_EQ(grid.model.Cells(2, 2), c.text);
        EXPECT_EQ(clipboard, c.clipboard);
        EXPECT_EQ(grid.model.isCellChanged(2, 2), c.logged);
    }
}

TEST(StringGridEdKeys, SpaceTogglesCheckBoxesAndF4RaisesEllipsis) {
    Grid grid;
    grid.model.GetColumn(1).ButtonStyle = sgbCheckbox;
    grid.model.GetColumn(1).CheckBoxTrueValue = "Yes";
    grid.model.GetColumn(1).CheckBoxFalseValue = "No";
    grid.model.GetColumn(3).ButtonStyle = sgbEllipsis;
    int ellipsis = 0;
    grid.model.OnEllipsisClicked = [&](int col, int row) {
        EXPECT_EQ(col, 3);
        EXPECT_EQ(row, 1);
        ++ellipsis;
    };
    const GridClipboard none;
    grid.model.selectCell(1, 1);
    const char* expected[] = {"Yes", "No", "Yes"};
    for (const char* text : expected) {
        EXPECT_EQ(grid.model.handleGridKey(Qt::Key_Space, Qt::NoModifier, none),
                  GridKeyResult::Handled);
        EXPECT_EQ(grid.model.Cells(1, 1), text);
    }
    EXPECT_EQ(grid.finished.size(), 3u);  // each toggle finishes the cell
    EXPECT_TRUE(grid.model.isCellChanged(1, 1));
    grid.model.selectCell(3, 1);
    grid.model.handleGridKey(Qt::Key_F4, Qt::NoModifier, none);
    EXPECT_EQ(ellipsis, 1);

    // A vetoed or read-only check box stays as it is.
    grid.model.OnCanEdit = [](int col, int, bool& canEdit) { canEdit = col != 1; };
    EXPECT_FALSE(grid.model.toggleCheckBox(1, 1));
    EXPECT_EQ(grid.model.Cells(1, 1), "Yes");
}

TEST(StringGridEdKeys, EscRestoresTheCellAndLeavesNoChangeBehind) {
    struct Case {
        const char* name;
        bool esc;
        QString cell;
        bool logged;
        size_t finished;
    };
    const Case cases[] = {
        {"Esc after typing", true, "old", false, 0},
        {"leaving after typing", false, "old!!", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Grid grid(3, true);
        grid.model.setCells(2, 1, "old");
        grid.model.applyNewRowRule();
        grid.model.selectCell(2, 1);
        grid.model.editorFetched();
        grid.model.SetEditText(2, 1, "old!");
        grid.model.SetEditText(2, 1, "old!!");
        EXPECT_EQ(grid.model.cellChangeCount(), 2);
        if (c.esc) grid.model.restoreEditedValue();
        grid.model.selectCell(2, 2);  // the user leaves the cell
        EXPECT_EQ(grid.model.Cells(2, 1), c.cell);
        EXPECT_EQ(grid.model.isCellChanged(2, 1), c.logged);
        EXPECT_EQ(grid.finished.size(), c.finished);
    }
}

TEST(StringGridEdKeys, EscInTheNewRowTakesTheAddedRowAway) {
    Grid grid(1, true);
    grid.model.selectCell(1, 1);
    grid.model.editorFetched();
    grid.model.SetEditText(1, 1, "n");
    EXPECT_EQ(grid.model.RowCount(), 3);
    grid.model.restoreEditedValue();
    EXPECT_EQ(grid.model.RowCount(), 2);
    EXPECT_EQ(grid.model.cellChangeCount(), 0);
}

}  // namespace
}  // namespace kit
