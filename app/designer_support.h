// What the designer tabs (tables, views, relations) share: their command
// buttons, name lookups, the "already exists" message, the grey of cells
// that cannot be edited, the set-up of their editable grids and the "Del"
// marks of grid rows.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <vector>

class QAction;
class QComboBox;
class QPushButton;
class QWidget;
class TxStringGridEd;

// The pending actions a designer row is marked with.
inline const QString kActionAdd = QStringLiteral("Add");
inline const QString kActionEdit = QStringLiteral("Edit");
inline const QString kActionRename = QStringLiteral("Rename");
inline const QString kActionDel = QStringLiteral("Del");

// The text of a check-box cell of the designers' grids.
inline QString checkText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Makes the cell current and stops the save with `message`.
[[noreturn]] void refuseCell(TxStringGridEd& grid, int col, int row, const QString& message);

// A button that triggers `action` and follows its enabled state and text
// (a plain button without an action).
QPushButton* actionButton(QAction* action, const char* name, QWidget* parent);

// The items of a combo box, in order.
QStringList itemsOf(const QComboBox& box);

// The position of `name` in `names` without regard to case; -1 if absent.
int indexOfName(const QStringList& names, const QString& name);

// "Object "<name>" already exists.", the name escaped for the dialog.
QString alreadyExistsMessage(const QString& name);

// The text colour of a cell that cannot be edited.
QColor greyTextColour();

// A designer grid: titles in the first row, the first column fixed (the
// row's pending action, centred), the options the designers edit with and
// always one empty row at the end for a new entry.
void setupDesignerGrid(TxStringGridEd& grid, const QStringList& titles,
                       const std::vector<int>& widths);

// The "Del" marks of a designer grid whose first `loaded` rows stand for
// loaded objects. Taking a mark back restores the action the row had.
class TRowMarks {
public:
    // After a load: `loaded` rows, none marked.
    void reset(int loaded);
    // Empties the grid (its cells, the change log; the title row and one
    // empty row stay) and forgets every mark.
    void clearGrid(TxStringGridEd& grid);
    // The row command "delete" on row r: a loaded row toggles "Del", a new
    // row goes when the grid has more than two rows. True when a mark changed.
    bool toggle(TxStringGridEd& grid, int row);
    // "Delete all": the new rows go; every loaded row is marked, or all are
    // unmarked when every one is marked already. True when a mark changed.
    bool toggleAll(TxStringGridEd& grid);

private:
    QStringList kept_;  // the action each loaded row had before "Del"
};
