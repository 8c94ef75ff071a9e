// The editable string grid as a widget (offscreen): typing through the
// in-place editor, Esc, Enter, check-box clicks, pop-up lists, grid keys and
// what the cells look like. The rules themselves are tested on the model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "kit/xStringGridEd.h"
#include "kit/xStringGridEd_delegate.h"
#include "kit/xdlg_test_print.h"

namespace {

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
             const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(target, &release);
}

void typeText(QWidget* target, const QString& text) {
    for (QChar c : text) sendKey(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

void click(QWidget* target, QPoint at, bool doubleClick = false) {
    const QPointF global = target->mapToGlobal(QPointF(at));
    auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, QPointF(at), global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    if (doubleClick) {
        send(QEvent::MouseButtonDblClick);
        send(QEvent::MouseButtonRelease);
    }
}

// A field list as the table designer shows it: Name, Type (list only), Size
// (integer), Required (check box), Action; one row per field, one empty row.
struct FieldGrid {
    TxStringGridEd grid;
    std::vector<QString> finished;

    FieldGrid() {
        grid.core().locale = QLocale(QLocale::English, QLocale::UnitedStates);
        grid.setColCount(6);
        grid.setRowCount(4);
        const char* titles[] = {"", "Name", "Type", "Size", "Required", "Action"};
        for (int col = 0; col < 6; ++col) grid.setCells(col, 0, titles[col]);
        grid.GetColumn(0).Width = 16;
        TxStringGridEdColumn& type = grid.GetColumn(2);
        type.ButtonStyle = sgbDropDownList;
        type.PickList = {"Text", "Long", "Double", "Date/Time", "Yes/No"};
        grid.GetColumn(3).DataType = sgdInteger;
        grid.GetColumn(3).AutoAlignment = true;
        TxStringGridEdColumn& required = grid.GetColumn(4);
        required.ButtonStyle = sgbCheckbox;
        required.CheckBoxTrueValue = "Yes";
        required.CheckBoxFalseValue = "No";
        grid.GetColumn(5).ReadOnly = true;
        grid.setOptionEx(dgColorChangedCells, true);
        grid.setOptionEx(dgShowTitleBold, true);
        const QStringList rows[] = {{"ID", "Long", "", "Yes"}, {"Title", "Text", "50", "No"}};
        for (int row = 1; row <= 2; ++row)
            for (int col = 1; col <= 4; ++col) grid.setCells(col, row, rows[row - 1][col - 1]);
        grid.setAutoAddNewRow(true);
        grid.UpdateColumns();
        grid.setOnFinishCellEditing([this](TxStringGridEd*, int col, int row) {
            finished.push_back(QString("%1;%2").arg(col).arg(row));
        });
        grid.resize(480, 160);
        grid.show();
    }
    QPoint centreOf(int col, int row) {
        return grid.visualRect(grid.itemModel().indexOfCell(col, row)).center();
    }
    QLineEdit* startEditing(int col, int row) {
        grid.setCurrentIndex(grid.itemModel().indexOfCell(col, row));
        grid.edit(grid.currentIndex());
        return grid.inplaceEditor();
    }
};

TEST(StringGridEdWidget, TypingGoesIntoTheCellAndEnterFinishesIt) {
    FieldGrid f;
    QLineEdit* editor = f.startEditing(1, 3);
    ASSERT_NE(editor, nullptr);
    typeText(editor, "Price");
    EXPECT_EQ(f.grid.Cells(1, 3), "Price");
    EXPECT_EQ(f.grid.RowCount(), 5);  // a new empty row while typing
    EXPECT_TRUE(f.grid.ChangedCells().isEmpty());
    sendKey(editor, Qt::Key_Return);
    EXPECT_EQ(f.grid.inplaceEditor(), nullptr);
    EXPECT_EQ(f.grid.ChangedCells(), (QStringList{"1;3"}));
    EXPECT_EQ(f.finished, (std::vector<QString>{"1;3"}));
}

TEST(StringGridEdWidget, EscRestoresTheCellAndLeavingItThenLogsNothing) {
    struct Case {
        const char* name;
        int col, row;
        QString before;
        int rowsAfter;
    };
    const Case cases[] = {
        {"a filled cell", 1, 2, "Title", 4},
        {"the new row", 1, 3, "", 4},  // the row added by typing goes again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FieldGrid f;
        QLineEdit* editor = f.startEditing(c.col, c.row);
        ASSERT_NE(editor, nullptr);
        typeText(editor, "xy");
        sendKey(editor, Qt::Key_Escape);
        EXPECT_EQ(f.grid.Cells(c.col, c.row), c.before);
        EXPECT_EQ(f.grid.RowCount(), c.rowsAfter);
        f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(3, 1));  // leave the cell
        EXPECT_TRUE(f.grid.ChangedCells().isEmpty());
        EXPECT_TRUE(f.finished.empty());
    }
}

TEST(StringGridEdWidget, EscAfterTypingStraightIntoTheGridRestoresTheCell) {
    FieldGrid f;
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 2));
    sendKey(&f.grid, Qt::Key_Z, Qt::NoModifier, "z");  // opens the editor with that key
    QLineEdit* editor = f.grid.inplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(f.grid.Cells(1, 2), "z");
    sendKey(editor, Qt::Key_Escape);
    EXPECT_EQ(f.grid.Cells(1, 2), "Title");
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 1));
    EXPECT_TRUE(f.grid.ChangedCells().isEmpty());
}

TEST(StringGridEdWidget, CheckBoxClicksToggleAndFinish) {
    FieldGrid f;
    const QModelIndex index = f.grid.itemModel().indexOfCell(4, 2);
    const QRect box = kit::StringGridEdDelegate::checkBoxRect(f.grid.visualRect(index),
                                                              Qt::AlignHCenter, &f.grid);
    click(f.grid.viewport(), box.center());
    EXPECT_EQ(f.grid.Cells(4, 2), "Yes");
    click(f.grid.viewport(), box.center());
    EXPECT_EQ(f.grid.Cells(4, 2), "No");
    EXPECT_EQ(f.finished, (std::vector<QString>{"4;2", "4;2"}));
    EXPECT_EQ(f.grid.ChangedCells(), (QStringList{"4;2"}));
    // A click beside the box changes nothing.
    click(f.grid.viewport(), f.grid.visualRect(index).topLeft() + QPoint(2, 2));
    EXPECT_EQ(f.grid.Cells(4, 2), "No");
}

TEST(StringGridEdWidget, PickListOpensFiltersAndChooses) {
    FieldGrid f;
    f.grid.setOnPicklistDropdown([](TxStringGridEd*, int, int row, QStringList& items) {
        if (row == 1) items.removeAll("Text");  // a key field cannot be text here
    });
    QStringList editorEvents;
    f.grid.core().OnEditorEvent = [&](int col, int row, const QString& action) {
        editorEvents << QString("%1;%2 %3").arg(col).arg(row).arg(action);
    };
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(2, 1));
    sendKey(&f.grid, Qt::Key_F4);
    EXPECT_EQ(editorEvents, (QStringList{"2;1 EditorCreated", "2;1 PickListBeforeShow",
                                         "2;1 PickListAfterShow"}));
    kit::StringGridEdPopupList* popup = f.grid.popupList();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->count(), 4);
    ASSERT_NE(popup->currentItem(), nullptr);
    EXPECT_EQ(popup->currentItem()->text(), "Long");  // the cell's value is highlighted
    typeText(popup, "do");
    EXPECT_EQ(popup->currentItem()->text(), "Double");
    sendKey(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(f.grid.Cells(2, 1), "Double");
    EXPECT_EQ(f.finished, (std::vector<QString>{"2;1"}));
    EXPECT_EQ(editorEvents.last(), "2;1 PickListAfterHide");
    EXPECT_EQ(f.grid.inplaceEditor(), nullptr);

    // Typing into the closed list opens it with that key; Esc leaves the cell as it was.
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(2, 2));
    sendKey(&f.grid, Qt::Key_Y, Qt::NoModifier, "y");
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->currentItem()->text(), "Yes/No");
    sendKey(popup, Qt::Key_Escape);
    EXPECT_EQ(f.grid.Cells(2, 2), "Text");
}

TEST(StringGridEdWidget, CheckListPopupTogglesItemsAndStaysOpen) {
    FieldGrid f;
    TxStringGridEdColumn& column = f.grid.GetColumn(1);
    column.ButtonStyle = sgbDropDownCheckListOnly;
    column.CheckListSeparator = ";";
    column.PickList = {"a", "b", "c"};
    f.grid.setCells(1, 2, "a;b");
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 2));
    sendKey(&f.grid, Qt::Key_Down, Qt::AltModifier);
    kit::StringGridEdPopupList* popup = f.grid.popupList();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(popup->isVisible());
    QStringList checks;
    for (int i = 0; i < popup->count(); ++i)
        checks << (popup->item(i)->checkState() == Qt::Checked ? "x" : "-");
    EXPECT_EQ(checks.join(""), "xx-");
    popup->setCurrentRow(2);
    sendKey(popup, Qt::Key_Space);
    EXPECT_EQ(f.grid.Cells(1, 2), "a;b;c");
    popup->setCurrentRow(0);
    sendKey(popup, Qt::Key_Space);
    EXPECT_EQ(f.grid.Cells(1, 2), "b;c");
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(f.finished.empty());  // finished once, when the list closes
    sendKey(popup, Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(f.finished, (std::vector<QString>{"1;2"}));
    EXPECT_EQ(f.grid.ChangedCells(), (QStringList{"1;2"}));
}

TEST(StringGridEdWidget, ColourListOffersNamedColoursAndACustomOne) {
    FieldGrid f;
    f.grid.GetColumn(1).ButtonStyle = sgbDropDownColor;
    f.grid.chooseCustomColour = [](const QColor&) { return QColor(0x40, 0x80, 0xFF); };
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 2));
    sendKey(&f.grid, Qt::Key_F4);
    kit::StringGridEdPopupList* popup = f.grid.popupList();
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->count(), 21);
    popup->setCurrentRow(20);  // the custom entry
    sendKey(popup, Qt::Key_Return);
    EXPECT_EQ(f.grid.Cells(1, 2), "$00FF8040");  // red in the low byte
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 1));
    sendKey(&f.grid, Qt::Key_F4);
    popup->setCurrentRow(0);
    sendKey(popup, Qt::Key_Return);
    EXPECT_EQ(f.grid.Cells(1, 1), popup->item(0)->text());
}

TEST(StringGridEdWidget, GridKeysUseTheClipboard) {
    FieldGrid f;
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 2));
    sendKey(&f.grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Title");
    sendKey(&f.grid, Qt::Key_Delete);
    EXPECT_EQ(f.grid.Cells(1, 2), "");
    QApplication::clipboard()->setText("Amount\n");
    sendKey(&f.grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.grid.Cells(1, 2), "Amount");
    EXPECT_EQ(f.finished, (std::vector<QString>{"1;2", "1;2"}));
    // The read-only Action column takes nothing.
    f.grid.setCells(5, 1, "Edit");
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(5, 1));
    sendKey(&f.grid, Qt::Key_Delete);
    EXPECT_EQ(f.grid.Cells(5, 1), "Edit");
}

TEST(StringGridEdWidget, DateShortcutsInTheEditor) {
    FieldGrid f;
    f.grid.GetColumn(1).DataType = sgdDate;
    f.grid.GetColumn(1).NumFormat = "yyyy-mm-dd";
    const QDate today = QDate::currentDate();
    struct Case {
        QString key;
        QDate expected;
    };
    const Case cases[] = {
        {"t", today},
        {"*", today},
        {"e", QDate(today.year(), today.month(), today.daysInMonth())},
        {"S", QDate(today.year(), today.month(), 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        QLineEdit* editor = f.startEditing(1, 2);
        ASSERT_NE(editor, nullptr);
        sendKey(editor, c.key.at(0).toUpper().unicode(), Qt::NoModifier, c.key);
        EXPECT_EQ(f.grid.Cells(1, 2), c.expected.toString("yyyy-MM-dd"));
        sendKey(editor, Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(StringGridEdWidget, AFailedGetterSelectsTheBadCell) {
    FieldGrid f;
    f.grid.setCells(3, 2, "12x");
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 1));
    EXPECT_THROW(f.grid.GetIntCells(3, 2), TxConvertError);
    EXPECT_EQ(f.grid.currentIndex(), f.grid.itemModel().indexOfCell(3, 2));
    f.grid.setCells(1, 2, "not a date");
    f.grid.GetColumn(1).DataType = sgdDate;
    EXPECT_THROW(f.grid.GetDateTimeCells(1, 2), TxConvertError);
    EXPECT_EQ(f.grid.currentIndex(), f.grid.itemModel().indexOfCell(1, 2));
}

TEST(StringGridEdWidget, DatePickerCalendarWritesTheChosenDate) {
    struct Case {
        TxStringGridEdDataType type;
        QString before;
        QString after;
    };
    const Case cases[] = {
        {sgdDate, "3/1/2024", "3/15/2024"},
        {sgdDateTime, "3/1/2024 08:30:00", "3/15/2024 08:30:00"},  // keeps the time of day
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before.toStdString());
        FieldGrid f;
        f.grid.GetColumn(1).ButtonStyle = sgbDateTimePicker;
        f.grid.GetColumn(1).DataType = c.type;
        f.grid.setCells(1, 2, c.before);
        f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(1, 2));
        sendKey(&f.grid, Qt::Key_F4);
        QCalendarWidget* calendar = f.grid.calendarPopup();
        ASSERT_NE(calendar, nullptr);
        ASSERT_TRUE(calendar->isVisible());
        EXPECT_EQ(calendar->selectedDate(), QDate(2024, 3, 1));
        emit calendar->clicked(QDate(2024, 3, 15));
        EXPECT_FALSE(calendar->isVisible());
        EXPECT_EQ(f.grid.Cells(1, 2), c.after);
        EXPECT_EQ(f.finished, (std::vector<QString>{"1;2"}));
    }
}

TEST(StringGridEdWidget, OwnerCellParamsAndColumnFitting) {
    FieldGrid f;
    f.grid.setOnGetCellParams([](TxStringGridEd*, int col, int row, kit::CellParams& params) {
        if (col == 1 && row == 2) params.background = QColor(200, 230, 255);
    });
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(3, 1));
    const QImage shot = f.grid.viewport()->grab().toImage();
    auto pixelIn = [&](int col, int row) {
        const QRect cell = f.grid.visualRect(f.grid.itemModel().indexOfCell(col, row));
        return shot.pixelColor(cell.center().x() + cell.width() / 3, cell.center().y());
    };
    EXPECT_EQ(pixelIn(1, 2), QColor(200, 230, 255));
    EXPECT_NE(pixelIn(1, 1), QColor(200, 230, 255));

    f.grid.setCells(1, 2, QString(30, 'W'));
    f.grid.SetColumnAutoFit(1);
    const int wide = f.grid.fontMetrics().horizontalAdvance(QString(30, 'W'));
    const int limit = f.grid.viewport()->width() * 2 / 3;
    EXPECT_EQ(f.grid.GetColumn(1).Width, std::min(wide, limit) + 12);
    f.grid.setCells(1, 2, "ab");
    f.grid.SetColumnAutoFit(1);
    EXPECT_EQ(f.grid.GetColumn(1).Width, 40 + 12);  // never narrower than 40
    EXPECT_EQ(f.grid.columnWidth(0), 52);
}

TEST(StringGridEdWidget, AutoRowHeightFollowsTheTallestCell) {
    FieldGrid f;
    const int normal = f.grid.rowHeight(0);
    const int line = f.grid.fontMetrics().height();
    f.grid.GetColumn(1).WordWrap = true;
    f.grid.setCells(1, 2, "one two three four five six seven eight nine ten");
    f.grid.setAutoRowHeight(true);
    f.grid.viewport()->grab();  // heights are taken when rows are painted
    EXPECT_EQ(f.grid.rowHeight(0), normal);
    EXPECT_GE(f.grid.rowHeight(1), 3 * line);
    EXPECT_EQ(f.grid.rowHeight(1), f.grid.autoHeightOfRow(2));
    f.grid.setAutoRowMaxHeight(2 * line);
    f.grid.viewport()->grab();
    EXPECT_EQ(f.grid.rowHeight(1), 2 * line);
    f.grid.setAutoRowHeight(false);
    EXPECT_EQ(f.grid.rowHeight(1), normal);
}

bool hasColour(const QImage& image, const QRect& area, QColor colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

TEST(StringGridEdWidget, ChangedAndInvalidCellsAreMarked) {
    FieldGrid f;
    f.grid.setChangedCellsBkColor(QColor(255, 255, 200));
    f.grid.SetStringCells(1, 2, "Headline");
    f.grid.setCells(3, 1, "12x");  // invalid integer: red text
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(5, 2));
    const QImage shot = f.grid.viewport()->grab().toImage();
    auto area = [&](int col, int row) {
        return f.grid.visualRect(f.grid.itemModel().indexOfCell(col, row)).adjusted(1, 1, -1, -1);
    };
    EXPECT_TRUE(hasColour(shot, area(1, 2), QColor(255, 255, 200)));
    EXPECT_FALSE(hasColour(shot, area(1, 1), QColor(255, 255, 200)));
    EXPECT_EQ(f.grid.itemModel().data(f.grid.itemModel().indexOfCell(3, 1), Qt::ForegroundRole),
              QVariant(QColor(Qt::red)));
    EXPECT_EQ(f.grid.itemModel().data(f.grid.itemModel().indexOfCell(3, 2), Qt::ForegroundRole),
              QVariant());
    EXPECT_EQ(f.grid.itemModel().headerData(1, Qt::Horizontal, Qt::DisplayRole), QVariant("Type"));
}

// The picture of the grid for the documentation: a field list with a pick
// list open, check boxes and changed cells. Saved only when
// TABULON_SCREENSHOT_DIR names a folder; the checks hold either way.
TEST(StringGridEdWidget, Screenshot) {
    FieldGrid f;
    f.grid.setChangedCellsBkColor(QColor(255, 255, 200));
    const int widths[] = {110, 90, 60, 80, 70};
    for (int col = 1; col <= 5; ++col) f.grid.GetColumn(col).Width = widths[col - 1];
    f.grid.UpdateColumns();
    f.grid.resize(440, 140);
    f.grid.SetStringCells(1, 2, "Headline");
    f.grid.SetStringCells(3, 2, "80");
    f.grid.SetStringCells(1, 3, "Price");
    f.grid.SetStringCells(5, 3, "Add");
    f.grid.setCurrentIndex(f.grid.itemModel().indexOfCell(2, 3));
    sendKey(&f.grid, Qt::Key_F4);
    kit::StringGridEdPopupList* popup = f.grid.popupList();
    ASSERT_NE(popup, nullptr);
    popup->search('d');
    const QPixmap gridShot = f.grid.grab();
    const QPixmap popupShot = popup->grab();
    const QPoint popupAt = f.grid.mapFromGlobal(popup->pos());
    QPixmap picture(gridShot.width(),
                    std::max(gridShot.height(), popupAt.y() + popupShot.height()));
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, gridShot);
    painter.drawPixmap(popupAt, popupShot);
    painter.end();
    EXPECT_GT(popupShot.height(), 3 * f.grid.fontMetrics().height());
    EXPECT_EQ(f.grid.RowCount(), 5);
    const QString folder = qEnvironmentVariable("TABULON_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(folder).filePath("string-grid.png")));
    }
}

}  // namespace

namespace {

// The dark pixels of the grid's top-left cell as it is painted.
int darkCornerPixels(TxStringGridEd& grid) {
    const QImage shot = grid.grab().toImage();
    const QRect corner(grid.frameWidth(), grid.frameWidth(), grid.verticalHeader()->width(),
                       grid.horizontalHeader()->height());
    int dark = 0;
    for (int y = corner.top(); y <= corner.bottom(); ++y)
        for (int x = corner.left(); x <= corner.right(); ++x)
            dark += qGray(shot.pixel(x, y)) < 96 ? 1 : 0;
    return dark;
}

// The fixed column's title is shown in the top-left cell, where the
// designers' "Action" column has its title.
TEST(StringGridEdWidget, TheCornerShowsTheFixedColumnsTitle) {
    TxStringGridEd grid;
    grid.resize(400, 200);
    grid.setColCount(3);
    grid.setRowCount(3);
    grid.GetColumn(0).Width = 60;
    grid.UpdateColumns();
    grid.show();
    const int blank = darkCornerPixels(grid);
    EXPECT_EQ(grid.cornerTitle(), "");

    grid.GetColumn(0).TitleCaption = "Action";
    grid.UpdateColumns();
    EXPECT_EQ(grid.cornerTitle(), "Action");
    EXPECT_GT(darkCornerPixels(grid), blank + 20);
}

}  // namespace
