// TxStringGridEd: the editable string grid. Every column is typed by a
// column definition (how its cells are edited, what value they hold, how
// they look); on top of a plain grid of text cells it keeps a change log of
// edited cells, can keep exactly one empty row at the bottom for new
// entries, lets the owner decide editability and appearance per cell, and
// reports a finished cell through OnFinishCellEditing however its value
// changed (typing, a pop-up list, a check box, the clipboard, code).
//
// The rules live in kit::StringGridEdModel (xStringGridEd_model.h), which
// core() returns; this widget shows it in a QTableView whose horizontal
// header is the title row and whose vertical header is the fixed column.
// The methods below forward to the model with the names the designers use.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QTableView>
#include <functional>
#include <memory>

#include "kit/xStringGridEd_itemmodel.h"
#include "kit/xStringGridEd_model.h"
#include "kit/xStringGridEd_popup.h"
#include "kit/xStringGridEd_values.h"  // TxConvertError of the typed getters

namespace kit {
class StringGridEdDelegate;
}

class QCalendarWidget;

class TxStringGridEd : public QTableView {
    Q_OBJECT
public:
    explicit TxStringGridEd(QWidget* parent = nullptr);
    ~TxStringGridEd() override;

    kit::StringGridEdModel& core() { return core_; }
    kit::StringGridEdItemModel& itemModel() { return *itemModel_; }

    // ---- shape and columns ----
    int ColCount() const { return core_.ColCount(); }
    void setColCount(int count);
    int RowCount() const { return core_.RowCount(); }
    void setRowCount(int count) { core_.setRowCount(count); }
    void setFixedCols(int count);
    void setFixedRows(int count) { core_.setFixedRows(count); }
    std::vector<TxStringGridEdColumn>& Columns() { return core_.Columns(); }
    TxStringGridEdColumn& GetColumn(int index) { return core_.GetColumn(index); }
    // Applies the column definitions' widths, visibility and titles after
    // the owner changed them.
    void UpdateColumns();
    int defaultColumnWidth() const { return defaultColumnWidth_; }
    // Height of the title row; 0 or less: the default row height.
    int TitleRowHeight() const { return titleRowHeight_; }
    void setTitleRowHeight(int pixels);
    // Each data row as tall as its tallest cell text (wrapped in WordWrap
    // columns), never below the default row height nor, when
    // AutoRowMaxHeight is above 0, above it. Off: rows keep one height.
    bool AutoRowHeight() const { return autoRowHeight_; }
    void setAutoRowHeight(bool on);
    int AutoRowMaxHeight() const { return autoRowMaxHeight_; }
    void setAutoRowMaxHeight(int pixels);
    // Margin left and right of the text when row heights are measured.
    int InnerMargin() const { return innerMargin_; }
    void setInnerMargin(int pixels) { innerMargin_ = pixels; }
    // The height a data row takes under AutoRowHeight.
    int autoHeightOfRow(int row) const;
    void setDefaultColumnWidth(int pixels);

    // ---- options ----
    bool AutoAddNewRow() const { return core_.AutoAddNewRow; }
    void setAutoAddNewRow(bool on);
    bool hasOptionEx(TOptionEx option) const { return core_.hasOptionEx(option); }
    void setOptionEx(TOptionEx option, bool on);
    QColor ChangedCellsBkColor() const { return itemModel_->changedCellsBkColor; }
    void setChangedCellsBkColor(const QColor& colour);

    // ---- cells ----
    QString Cells(int col, int row) const { return core_.Cells(col, row); }
    void setCells(int col, int row, const QString& text) { core_.setCells(col, row, text); }
    QString GetStringCells(int col, int row) const { return core_.GetStringCells(col, row); }
    void SetStringCells(int col, int row, const QString& value) {
        core_.SetStringCells(col, row, value);
    }
    long long GetIntCells(int col, int row) { return core_.GetIntCells(col, row); }
    void SetIntCells(int col, int row, long long value) { core_.SetIntCells(col, row, value); }
    double GetNumCells(int col, int row) { return core_.GetNumCells(col, row); }
    void SetNumCells(int col, int row, double value) { core_.SetNumCells(col, row, value); }
    bool GetBoolCells(int col, int row) const { return core_.GetBoolCells(col, row); }
    void SetBoolCells(int col, int row, bool value) { core_.SetBoolCells(col, row, value); }
    QDateTime GetDateTimeCells(int col, int row) { return core_.GetDateTimeCells(col, row); }
    void SetDateTimeCells(int col, int row, const QDateTime& value) {
        core_.SetDateTimeCells(col, row, value);
    }
    QString ActiveCellText() const { return core_.ActiveCellText(); }
    TxStringGridEdDataState IsValidData(int col, int row) const {
        return core_.IsValidData(col, row);
    }

    // ---- structure ----
    // While locked nothing is painted and no notification fires.
    void BeginUpdate(bool useChangeLog = false);
    void EndUpdate();
    void ResetChangeLog() { core_.ResetChangeLog(); }
    void ClearEntireTable(bool includingFixedCells) { core_.ClearEntireTable(includingFixedCells); }
    void DeleteRowEx(int rowIndex, int numberOfRows) { core_.DeleteRowEx(rowIndex, numberOfRows); }
    void InsertRowEx(int rowIndex, int numberOfRows, bool activate) {
        core_.InsertRowEx(rowIndex, numberOfRows, activate);
    }
    void MoveRowEx(int fromIndex, int toIndex) { core_.MoveRowEx(fromIndex, toIndex); }
    bool IsRowEmpty(int row, bool skipFixedCol = true, int columnGroup = 0) const {
        return core_.IsRowEmpty(row, skipFixedCol, columnGroup);
    }
    // Commits an open editor's text and finishes the current cell.
    void FinishEditing();
    void SelectFirstCell(int col, int row) { core_.SelectFirstCell(col, row); }
    int Col() const { return core_.Col(); }
    int Row() const { return core_.Row(); }
    const QStringList& ChangedRows() const { return core_.ChangedRows(); }
    const QStringList& ChangedCells() const { return core_.ChangedCells(); }

    // Width of a column from its title and cell texts: at least 40 pixels,
    // at most two thirds of the grid, plus a scroll bar's width for list and
    // ellipsis styles, plus 12. Rich-text columns keep their width.
    void SetColumnAutoFit(int index);
    void SetColumnsAutoFit();

    // ---- events (Sender first) ----
    void setOnFinishCellEditing(std::function<void(TxStringGridEd*, int col, int row)> handler);
    void setOnCanEdit(
        std::function<void(TxStringGridEd*, int col, int row, bool& canEdit)> handler);
    void setOnPicklistDropdown(
        std::function<void(TxStringGridEd*, int col, int row, QStringList& items)> handler);
    void setOnEllipsisClicked(std::function<void(TxStringGridEd*, int col, int row)> handler);
    void setOnGetCellParams(
        std::function<void(TxStringGridEd*, int col, int row, kit::CellParams& params)> handler);
    // Chooses the colour of the custom entry of a colour list; by default
    // the system colour dialog. Returns an invalid colour when cancelled.
    std::function<QColor(const QColor& start)> chooseCustomColour;

    // ---- pop-up list ----
    // Opens the current cell's editor and its pop-up list (list styles).
    void openPopup();
    // The editor's button: the pop-up list, or OnEllipsisClicked.
    void editorButtonClicked();
    // The pop-up list, once one was opened.
    kit::StringGridEdPopupList* popupList() const { return popup_; }
    // The calendar of date-picker cells, once one was opened.
    QCalendarWidget* calendarPopup() const { return calendar_; }
    // The open in-place editor, if any.
    QLineEdit* inplaceEditor() const;

    using QAbstractItemView::edit;

    // The caption the top-left cell shows: the fixed column's title.
    QString cornerTitle() const;

protected:
    // Paints the fixed column's title over the top-left corner button.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void moveCurrentTo(int col, int row);
    void popupChosen(const QString& item);
    void popupToggled(const QString& item);
    void openCalendar(int col, int row);
    void calendarChosen(const QDate& date);
    QStringList popupItems(int col, int row, TxStringGridEdEditStyle style) const;

    kit::StringGridEdModel core_;
    std::unique_ptr<kit::StringGridEdItemModel> itemModel_;
    kit::StringGridEdDelegate* delegate_ = nullptr;  // owned as a child
    kit::StringGridEdPopupList* popup_ = nullptr;    // owned as a child
    QWidget* corner_ = nullptr;                      // the view's own corner button
    QCalendarWidget* calendar_ = nullptr;            // owned as a child
    int defaultColumnWidth_ = 90;
    int titleRowHeight_ = 0;
    bool autoRowHeight_ = false;
    int autoRowMaxHeight_ = 0;
    int innerMargin_ = 0;
    int defaultRowHeight_ = 0;
    bool syncingCurrent_ = false;
};
