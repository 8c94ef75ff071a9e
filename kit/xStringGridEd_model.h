// The editable string grid's cells and rules without a window: the cell
// texts, one column definition per column, the current cell, the change log
// of edited rows and cells, the update lock, the new-row rule, the typed
// getters and setters, the editability tests and the grid's keys. The
// widget TxStringGridEd (xStringGridEd.h) shows one of these and forwards
// to it; tests drive it directly.
//
// Coordinates are zero-based grid coordinates, fixed title row and fixed
// column included. Every value reaching a cell from the user or a setter goes
// through SetEditText; a change is committed (logged, reformatted, notified
// through OnFinishCellEditing) only when the cell is finished.
//
// User-interface thread only.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <Qt>
#include <functional>
#include <optional>
#include <vector>

#include "kit/xStringGridEd_column.h"

enum TOptionEx {
    dgDragCell,
    dgSelectRange,
    dgAlwaysShowSelection,
    dgEditArrowKeyMoveCell,
    dgShowTitleBold,
    dgColorChangedCells,
    dgSortAfterTitleClick,
    dgSortFixedCol,
    dgSortShowProgress,
    dgResizeLastColumn,
    dgNextRowAfterReturn,
    dgCopyPasteHiddenColumns,
    dgSkipCellHighlight
};

namespace kit {

// What a view showing the model must hear, in Qt's order: "about to" before
// the rows change, the plain call after.
class StringGridEdObserver {
public:
    virtual ~StringGridEdObserver() = default;
    virtual void cellChanged(int col, int row) = 0;
    virtual void rowsAboutToBeInserted(int first, int last) = 0;
    virtual void rowsInserted() = 0;
    virtual void rowsAboutToBeRemoved(int first, int last) = 0;
    virtual void rowsRemoved() = 0;
    virtual void aboutToReset() = 0;  // any other change of shape
    virtual void reset() = 0;
    virtual void currentCellMoved(int col, int row) = 0;
};

// The clipboard as the grid's keys use it; the widget passes the system one.
struct GridClipboard {
    std::function<QString()> text;
    std::function<void(const QString&)> setText;
};

// What a grid key asks the widget to do beyond what the model did itself.
enum class GridKeyResult {
    NotHandled,  // the view's own handling applies
    Handled,
    OpenPopup,  // show the editor and open its pop-up list or calendar
    ButtonClick,
};

class StringGridEdModel {
public:
    StringGridEdModel();

    // ---- events (all optional) ----
    std::function<void(int col, int row, bool& canEdit)> OnCanEdit;
    std::function<void(int col, int row)> OnFinishCellEditing;
    std::function<void(int col, int row, QStringList& pickList)> OnPicklistDropdown;
    std::function<void(int col, int row)> OnEllipsisClicked;
    std::function<void(int col, int row)> OnButtonClicked;
    std::function<void(int col, int row, TxStringGridEdEditStyle& style)> OnGetEditStyle;
    std::function<void(int col, int row, TxStringGridEdDataType& type)> OnGetDataType;
    std::function<void(int col, int row, QString& format)> OnGetNumFormat;
    // Editor notifications: "EditorCreated" each time an in-place editor is
    // made, "PickListBeforeShow", "PickListAfterShow", "PickListAfterHide".
    std::function<void(int col, int row, const QString& actionId)> OnEditorEvent;
    // The default beep of sgaBeep columns; the dialog service's beep by default.
    std::function<void()> beep;

    void setObserver(StringGridEdObserver* observer) { observer_ = observer; }

    // ---- shape ----
    int ColCount() const { return colCount_; }
    int RowCount() const { return static_cast<int>(cells_.size()); }
    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    // Column definitions are appended with defaults or removed from the end
    // so that there is always one per column.
    void setColCount(int count);
    void setRowCount(int count);
    void setFixedCols(int count);
    void setFixedRows(int count);
    bool isDataCell(int col, int row) const;
    bool isValidCell(int col, int row) const;

    std::vector<TxStringGridEdColumn>& Columns() { return columns_; }
    const std::vector<TxStringGridEdColumn>& Columns() const { return columns_; }
    // The definition of a column; throws std::out_of_range for a bad index.
    TxStringGridEdColumn& GetColumn(int index) { return columns_.at(checkedIndex(index)); }
    const TxStringGridEdColumn& GetColumn(int index) const {
        return columns_.at(checkedIndex(index));
    }

    // ---- options ----
    bool AutoAddNewRow = false;
    // The string grid's own editing options: keyboard and mouse changes
    // need Editing on and RowSelect off.
    bool Editing = true;
    bool RowSelect = false;
    bool hasOptionEx(TOptionEx option) const { return (optionsEx_ >> option) & 1u; }
    void setOptionEx(TOptionEx option, bool on);
    // Formats and number settings of the conversions; the user's by default.
    QLocale locale;

    // ---- raw cells (no editor path, no log, no new-row rule) ----
    QString Cells(int col, int row) const;
    void setCells(int col, int row, const QString& text);

    // ---- typed access ----
    QString GetStringCells(int col, int row) const { return Cells(col, row); }
    // A different text is written through SetEditText and the cell finished
    // with force; an equal text does nothing.
    void SetStringCells(int col, int row, const QString& value);
    // Empty reads as 0. An unreadable text throws TxConvertError after
    // making that cell current, so the user sees the bad value.
    long long GetIntCells(int col, int row);
    void SetIntCells(int col, int row, long long value) {
        SetNumCells(col, row, static_cast<double>(value));
    }
    double GetNumCells(int col, int row);
    // Formatted with the cell's number format, then SetStringCells.
    void SetNumCells(int col, int row, double value);
    // True when the text equals CheckBoxTrueValue, letter case ignored.
    bool GetBoolCells(int col, int row) const;
    // SetEditText only: no finishing, no log entry, no notification.
    void SetBoolCells(int col, int row, bool value);
    // An empty cell gives a null QDateTime. An unreadable text throws
    // TxConvertError after making that cell current (never today's date).
    QDateTime GetDateTimeCells(int col, int row);
    // SetEditText only, like SetBoolCells.
    void SetDateTimeCells(int col, int row, const QDateTime& value);
    QString ActiveCellText() const { return Cells(col_, row_); }

    // The column's style, type and format for one cell, after the owner's hooks.
    TxStringGridEdEditStyle editStyleOf(int col, int row) const;
    TxStringGridEdDataType dataTypeOf(int col, int row) const;
    QString numFormatOf(int col, int row) const;
    TxStringGridEdDataState IsValidData(int col, int row) const;

    // ---- the editor path ----
    void SetEditText(int col, int row, const QString& text);
    // Commits a change: see the rules in the implementation. Without force,
    // nothing happens unless the current cell's text changed since it was
    // last finished.
    void finishCell(int col, int row, bool force);
    void FinishEditing() { finishCell(col_, row_, false); }
    // The editor took the current cell's text: Esc restores this text.
    void editorFetched();
    // Esc: the text the editor fetched goes back into the cell and the cell
    // counts as unchanged, so leaving it logs nothing.
    void restoreEditedValue();
    int cellChangeCount() const { return cellChanged_; }
    QString oldEditedValue() const { return oldEditedValue_; }

    // ---- current cell ----
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Finishes the current cell (without force) and moves to another one.
    void selectCell(int col, int row);
    // selectCell clamped into the non-fixed area.
    void SelectFirstCell(int col, int row);

    // ---- structure ----
    void BeginUpdate(bool useChangeLog);
    void EndUpdate();
    int updateLock() const { return updateLock_; }
    void ResetChangeLog();
    void ClearEntireTable(bool includingFixedCells);
    void DeleteRowEx(int rowIndex, int numberOfRows);
    void InsertRowEx(int rowIndex, int numberOfRows, bool activate);
    void MoveRowEx(int fromIndex, int toIndex);
    // True outside the non-fixed rows; otherwise whether every cell (from
    // the first non-fixed column when skipFixedCol) is blank, counting only
    // the columns of columnGroup when it is not 0.
    bool IsRowEmpty(int row, bool skipFixedCol = true, int columnGroup = 0) const;
    // Rows are appended or removed at the end until exactly one empty row
    // ends the grid (AutoAddNewRow, unlocked only).
    void applyNewRowRule();

    // ---- change log ----
    // Row numbers in decimal, in the order first logged.
    const QStringList& ChangedRows() const { return changedRows_; }
    // "col;row" entries, in the order first logged.
    const QStringList& ChangedCells() const { return changedCells_; }
    bool isRowChanged(int row) const;
    bool isCellChanged(int col, int row) const;
    // Logged rows r >= index move to r + count; those falling before index go.
    void shiftChangeLog(int index, int count);

    // ---- editability ----
    // Before any value change: a data cell, column not ReadOnly, not a closed
    // style (unless ignoreClosedStyle), then OnCanEdit.
    bool mayModify(int col, int row, bool ignoreClosedStyle = false) const;
    // mayModify plus the grid's Editing on and RowSelect off.
    bool userMayModify(int col, int row, bool ignoreClosedStyle = false) const;
    // The text editor may be shown: data cell, Editing, not RowSelect, column
    // not ReadOnly, style neither check box nor button, then OnCanEdit.
    bool mayShowEditor(int col, int row) const;

    // ---- user actions ----
    // Check box: flips between the column's true and false texts when the
    // cell may be modified, then finishes it. Makes the cell current first.
    bool toggleCheckBox(int col, int row);
    // The items a pop-up list shows for a cell (OnPicklistDropdown applied).
    QStringList pickListFor(int col, int row) const;
    // A chosen item: written and finished without force.
    void acceptPickListItem(int col, int row, const QString& item);
    // A check-list item clicked: toggled in the text, the list stays open.
    void toggleCheckListItem(int col, int row, const QString& item);
    // Keys on the grid itself (the editor closed). Alt+Down and Alt+Up open
    // the pop-up of list and date cells here too, rather than moving.
    GridKeyResult handleGridKey(int key, Qt::KeyboardModifiers modifiers,
                                const GridClipboard& clipboard);
    // The text of a single pasted value as it goes into a cell of `type`.
    static QString cleanPastedText(const QString& text, TxStringGridEdDataType type);

private:
    int checkedIndex(int index) const;
    void syncColumns();
    void emptyCellWithForce(int col, int row);
    void logChange(int col, int row);
    QStringList emptyRow() const { return QStringList(colCount_, QString()); }
    void appendEmptyRow();
    void removeLastRow();
    void notifyCell(int col, int row);
    void notifyReset(const std::function<void()>& change);

    StringGridEdObserver* observer_ = nullptr;
    std::vector<QStringList> cells_;
    std::vector<TxStringGridEdColumn> columns_;
    int colCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    unsigned optionsEx_ = 0;
    int col_ = 1;
    int row_ = 1;

    QStringList changedRows_;
    QStringList changedCells_;
    int updateLock_ = 0;
    bool useChangeLog_ = false;
    int cellChanged_ = 0;
    QString oldEditedValue_;
    int editCol_ = -1;
    int editRow_ = -1;
};

}  // namespace kit
