#include "kit/xStringGridEd_model.h"

#include <algorithm>
#include <stdexcept>

#include "kit/xStringGridEd_values.h"
#include "kit/xdlg_service.h"

namespace kit {

StringGridEdModel::StringGridEdModel() {
    beep = [] { dialogService().beep(); };
    cells_.assign(5, emptyRow());
    syncColumns();
}

int StringGridEdModel::checkedIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(columns_.size()))
        throw std::out_of_range("Column index out of range: " + std::to_string(index));
    return index;
}

void StringGridEdModel::syncColumns() {
    columns_.resize(static_cast<size_t>(colCount_));
}

// ---- shape ------------------------------------------------------------------

void StringGridEdModel::setColCount(int count) {
    count = std::max(count, std::max(fixedCols_ + 1, 1));
    if (count == colCount_) return;
    notifyReset([&] {
        colCount_ = count;
        for (QStringList& row : cells_) row.resize(count);
        syncColumns();
        col_ = std::min(col_, colCount_ - 1);
    });
}

void StringGridEdModel::setRowCount(int count) {
    count = std::max(count, fixedRows_ + 1);
    if (count == RowCount()) return;
    notifyReset([&] {
        cells_.resize(static_cast<size_t>(count), emptyRow());
        row_ = std::min(row_, count - 1);
    });
}

void StringGridEdModel::setFixedCols(int count) {
    count = std::clamp(count, 0, colCount_ - 1);
    notifyReset([&] {
        fixedCols_ = count;
        col_ = std::max(col_, fixedCols_);
    });
}

void StringGridEdModel::setFixedRows(int count) {
    count = std::clamp(count, 0, RowCount() - 1);
    notifyReset([&] {
        fixedRows_ = count;
        row_ = std::max(row_, fixedRows_);
    });
}

bool StringGridEdModel::isValidCell(int col, int row) const {
    return col >= 0 && col < colCount_ && row >= 0 && row < RowCount();
}

bool StringGridEdModel::isDataCell(int col, int row) const {
    return isValidCell(col, row) && col >= fixedCols_ && row >= fixedRows_;
}

void StringGridEdModel::setOptionEx(TOptionEx option, bool on) {
    if (on)
        optionsEx_ |= 1u << option;
    else
        optionsEx_ &= ~(1u << option);
}

// ---- raw cells ------------------------------------------------------------

QString StringGridEdModel::Cells(int col, int row) const {
    if (!isValidCell(col, row)) return {};
    return cells_[static_cast<size_t>(row)][col];
}

void StringGridEdModel::setCells(int col, int row, const QString& text) {
    if (!isValidCell(col, row)) return;
    QString& cell = cells_[static_cast<size_t>(row)][col];
    if (cell == text) return;
    cell = text;
    notifyCell(col, row);
}

// ---- hooks per cell ---------------------------------------------------------

TxStringGridEdEditStyle StringGridEdModel::editStyleOf(int col, int row) const {
    TxStringGridEdEditStyle style =
        col >= 0 && col < colCount_ ? columns_[col].ButtonStyle : sgbNone;
    if (OnGetEditStyle) OnGetEditStyle(col, row, style);
    return style;
}

TxStringGridEdDataType StringGridEdModel::dataTypeOf(int col, int row) const {
    TxStringGridEdDataType type = col >= 0 && col < colCount_ ? columns_[col].DataType : sgdText;
    if (OnGetDataType) OnGetDataType(col, row, type);
    return type;
}

QString StringGridEdModel::numFormatOf(int col, int row) const {
    QString format = col >= 0 && col < colCount_ ? columns_[col].NumFormat : QString();
    if (OnGetNumFormat) OnGetNumFormat(col, row, format);
    return format;
}

TxStringGridEdDataState StringGridEdModel::IsValidData(int col, int row) const {
    const QString text = Cells(col, row);
    if (text.trimmed().isEmpty()) return sdsEmpty;
    if (!isDataCell(col, row)) return sdsOk;
    const TxStringGridEdColumn& column = columns_[col];
    return validateCellText(text, dataTypeOf(col, row), numFormatOf(col, row), column.MinValue,
                            column.MaxValue, locale);
}

// ---- typed access -------------------------------------------------------------

void StringGridEdModel::SetStringCells(int col, int row, const QString& value) {
    if (!isValidCell(col, row) || Cells(col, row) == value) return;
    SetEditText(col, row, value);
    finishCell(col, row, true);
}

long long StringGridEdModel::GetIntCells(int col, int row) {
    QString text = Cells(col, row);
    if (text.isEmpty()) text = "0";
    if (const auto value = parseGridInteger(text)) return *value;
    selectCell(col, row);
    throw TxConvertError("'" + text.toStdString() + "' is not a valid integer value");
}

double StringGridEdModel::GetNumCells(int col, int row) {
    QString text = Cells(col, row);
    if (text.trimmed().isEmpty()) text = "0";
    if (const auto value = parseGridNumber(text, locale)) return *value;
    selectCell(col, row);
    throw TxConvertError("'" + text.toStdString() + "' is not a valid floating point value");
}

void StringGridEdModel::SetNumCells(int col, int row, double value) {
    SetStringCells(col, row, formatGridNumber(value, numFormatOf(col, row), locale));
}

bool StringGridEdModel::GetBoolCells(int col, int row) const {
    if (col < 0 || col >= colCount_) return false;
    return Cells(col, row).compare(columns_[col].CheckBoxTrueValue, Qt::CaseInsensitive) == 0;
}

void StringGridEdModel::SetBoolCells(int col, int row, bool value) {
    if (col < 0 || col >= colCount_) return;
    const TxStringGridEdColumn& column = columns_[col];
    SetEditText(col, row, value ? column.CheckBoxTrueValue : column.CheckBoxFalseValue);
}

QDateTime StringGridEdModel::GetDateTimeCells(int col, int row) {
    const QString text = Cells(col, row);
    if (text.trimmed().isEmpty()) return {};
    TxStringGridEdDataType type = dataTypeOf(col, row);
    if (!isDateTimeType(type)) type = sgdDateTime;
    if (const auto value = parseGridDateTime(text, numFormatOf(col, row), type, locale))
        return *value;
    selectCell(col, row);
    throw TxConvertError("'" + text.toStdString() + "' is not a valid date");
}

void StringGridEdModel::SetDateTimeCells(int col, int row, const QDateTime& value) {
    SetEditText(col, row,
                formatGridDateTime(value, numFormatOf(col, row), dataTypeOf(col, row), locale));
}

// ---- the editor path ------------------------------------------------------------

void StringGridEdModel::SetEditText(int col, int row, const QString& text) {
    if (!isValidCell(col, row)) return;
    const QString old = Cells(col, row);
    setCells(col, row, text);
    editCol_ = col;
    editRow_ = row;
    if (text != "-" && isDataCell(col, row) && columns_[col].InvalidDataAction == sgaBeep &&
        IsValidData(col, row) == sdsInvalid && beep)
        beep();
    if (col == col_ && row == row_ && old != text) ++cellChanged_;
    applyNewRowRule();
}

void StringGridEdModel::finishCell(int col, int row, bool force) {
    if (!force && cellChanged_ <= 0) return;
    try {
        if (isDataCell(col, row)) {
            const TxStringGridEdDataType type = dataTypeOf(col, row);
            const TxStringGridEdDataState state = IsValidData(col, row);
            if ((isNumberType(type) && (state == sdsOk || state == sdsOutOfLimit)) ||
                (isDateTimeType(type) && state == sdsOk))
                setCells(col, row,
                         normalizedCellText(Cells(col, row), type, numFormatOf(col, row), locale));
        }
        if (updateLock_ == 0 || useChangeLog_) logChange(col, row);
    } catch (...) {
        // Finishing never fails: a value that cannot be reformatted stays as typed.
    }
    cellChanged_ = 0;
    if (updateLock_ == 0 && OnFinishCellEditing) OnFinishCellEditing(col, row);
}

void StringGridEdModel::editorFetched() {
    oldEditedValue_ = Cells(col_, row_);
}

void StringGridEdModel::restoreEditedValue() {
    SetEditText(col_, row_, oldEditedValue_);
    cellChanged_ = 0;
}

// ---- current cell -----------------------------------------------------------------

void StringGridEdModel::selectCell(int col, int row) {
    if (!isValidCell(col, row)) return;
    if (col == col_ && row == row_) return;
    finishCell(col_, row_, false);
    col_ = col;
    row_ = row;
    cellChanged_ = 0;
    if (observer_) observer_->currentCellMoved(col, row);
}

void StringGridEdModel::SelectFirstCell(int col, int row) {
    finishCell(col_, row_, false);
    selectCell(std::clamp(col, fixedCols_, colCount_ - 1),
               std::clamp(row, fixedRows_, RowCount() - 1));
}

// ---- structure ----------------------------------------------------------------------

void StringGridEdModel::BeginUpdate(bool useChangeLog) {
    ++updateLock_;
    useChangeLog_ = useChangeLog;
}

void StringGridEdModel::EndUpdate() {
    if (updateLock_ > 0) --updateLock_;
    applyNewRowRule();
    if (updateLock_ == 0 && observer_) notifyReset([] {});
}

void StringGridEdModel::ResetChangeLog() {
    FinishEditing();
    changedRows_.clear();
    changedCells_.clear();
    if (observer_) notifyReset([] {});
}

void StringGridEdModel::ClearEntireTable(bool includingFixedCells) {
    SelectFirstCell(fixedCols_, fixedRows_);
    notifyReset([&] {
        for (int row = 0; row < RowCount(); ++row)
            for (int col = 0; col < colCount_; ++col)
                if (includingFixedCells || isDataCell(col, row))
                    cells_[static_cast<size_t>(row)][col].clear();
    });
    applyNewRowRule();
}

void StringGridEdModel::DeleteRowEx(int rowIndex, int numberOfRows) {
    if (numberOfRows <= 0 || rowIndex < fixedRows_ || rowIndex >= RowCount()) return;
    const int count = std::min(numberOfRows, RowCount() - rowIndex);
    notifyReset([&] {
        const auto first = cells_.begin() + rowIndex;
        cells_.erase(first, first + count);
        const int remaining = RowCount();
        const int wanted = std::max(remaining, fixedRows_ + 1);
        cells_.resize(static_cast<size_t>(wanted), emptyRow());
        row_ = std::min(row_, RowCount() - 1);
    });
    shiftChangeLog(rowIndex, -count);
    applyNewRowRule();
}

void StringGridEdModel::InsertRowEx(int rowIndex, int numberOfRows, bool activate) {
    if (numberOfRows <= 0) return;
    FinishEditing();
    rowIndex = std::clamp(rowIndex, fixedRows_, RowCount());
    if (observer_)
        observer_->rowsAboutToBeInserted(rowIndex - fixedRows_,
                                         rowIndex - fixedRows_ + numberOfRows - 1);
    cells_.insert(cells_.begin() + rowIndex, static_cast<size_t>(numberOfRows), emptyRow());
    if (observer_) observer_->rowsInserted();
    if (row_ >= rowIndex) row_ += numberOfRows;
    shiftChangeLog(rowIndex, numberOfRows);
    if (activate) selectCell(col_, rowIndex);
    applyNewRowRule();
}

void StringGridEdModel::MoveRowEx(int fromIndex, int toIndex) {
    if (!isDataCell(fixedCols_, fromIndex) || !isDataCell(fixedCols_, toIndex) ||
        fromIndex == toIndex)
        return;
    FinishEditing();
    notifyReset([&] {
        QStringList moved = cells_[static_cast<size_t>(fromIndex)];
        cells_.erase(cells_.begin() + fromIndex);
        cells_.insert(cells_.begin() + toIndex, moved);
    });
    // Logged rows travel with their rows.
    auto moveRow = [&](int row) {
        if (row == fromIndex) return toIndex;
        if (fromIndex < toIndex && row > fromIndex && row <= toIndex) return row - 1;
        if (toIndex < fromIndex && row >= toIndex && row < fromIndex) return row + 1;
        return row;
    };
    for (QString& entry : changedRows_) entry = QString::number(moveRow(entry.toInt()));
    for (QString& entry : changedCells_) {
        const QStringList parts = entry.split(';');
        if (parts.size() == 2) entry = parts[0] + ";" + QString::number(moveRow(parts[1].toInt()));
    }
}

bool StringGridEdModel::IsRowEmpty(int row, bool skipFixedCol, int columnGroup) const {
    if (row < fixedRows_ || row >= RowCount()) return true;
    for (int col = skipFixedCol ? fixedCols_ : 0; col < colCount_; ++col) {
        if (columnGroup != 0 && columns_[col].ColumnGroup != columnGroup) continue;
        if (!cells_[static_cast<size_t>(row)][col].trimmed().isEmpty()) return false;
    }
    return true;
}

void StringGridEdModel::applyNewRowRule() {
    if (!AutoAddNewRow || updateLock_ > 0) return;
    // Each pass adds or removes one row and the loop stops as soon as the
    // last row is the only empty one, so it ends within RowCount() passes.
    for (;;) {
        const int last = RowCount() - 1;
        const bool lastEmpty = IsRowEmpty(last);
        const bool severalRows = RowCount() - fixedRows_ > 1;
        if (lastEmpty && severalRows && IsRowEmpty(last - 1)) {
            removeLastRow();
        } else if (!lastEmpty) {
            appendEmptyRow();
        } else {
            break;
        }
    }
}

void StringGridEdModel::appendEmptyRow() {
    const int at = RowCount();
    if (observer_) observer_->rowsAboutToBeInserted(at - fixedRows_, at - fixedRows_);
    cells_.push_back(emptyRow());
    if (observer_) observer_->rowsInserted();
}

void StringGridEdModel::removeLastRow() {
    const int last = RowCount() - 1;
    if (observer_) observer_->rowsAboutToBeRemoved(last - fixedRows_, last - fixedRows_);
    cells_.pop_back();
    if (observer_) observer_->rowsRemoved();
    if (row_ > last - 1) {
        row_ = last - 1;
        if (observer_) observer_->currentCellMoved(col_, row_);
    }
}

// ---- change log ---------------------------------------------------------------------

void StringGridEdModel::logChange(int col, int row) {
    const QString rowEntry = QString::number(row);
    if (!changedRows_.contains(rowEntry)) changedRows_ << rowEntry;
    const QString cellEntry = QString::number(col) + ";" + rowEntry;
    if (!changedCells_.contains(cellEntry)) {
        changedCells_ << cellEntry;
        notifyCell(col, row);
    }
}

bool StringGridEdModel::isRowChanged(int row) const {
    return changedRows_.contains(QString::number(row));
}

bool StringGridEdModel::isCellChanged(int col, int row) const {
    return changedCells_.contains(QString::number(col) + ";" + QString::number(row));
}

void StringGridEdModel::shiftChangeLog(int index, int count) {
    auto shifted = [&](int row) -> std::optional<int> {
        if (row < index) return row;
        const int moved = row + count;
        if (moved < index) return std::nullopt;
        return moved;
    };
    QStringList rows;
    for (const QString& entry : changedRows_)
        if (const auto row = shifted(entry.toInt())) rows << QString::number(*row);
    QStringList cells;
    for (const QString& entry : changedCells_) {
        const QStringList parts = entry.split(';');
        if (parts.size() != 2) continue;
        if (const auto row = shifted(parts[1].toInt()))
            cells << parts[0] + ";" + QString::number(*row);
    }
    changedRows_ = rows;
    changedCells_ = cells;
}

// ---- editability ------------------------------------------------------------------------

bool StringGridEdModel::mayModify(int col, int row, bool ignoreClosedStyle) const {
    if (!isDataCell(col, row) || columns_[col].ReadOnly) return false;
    if (!ignoreClosedStyle && isClosedStyle(editStyleOf(col, row))) return false;
    bool canEdit = true;
    if (OnCanEdit) OnCanEdit(col, row, canEdit);
    return canEdit;
}

bool StringGridEdModel::userMayModify(int col, int row, bool ignoreClosedStyle) const {
    return Editing && !RowSelect && mayModify(col, row, ignoreClosedStyle);
}

bool StringGridEdModel::mayShowEditor(int col, int row) const {
    if (!Editing || RowSelect || !isDataCell(col, row) || columns_[col].ReadOnly) return false;
    if (isEditorlessStyle(editStyleOf(col, row))) return false;
    bool canEdit = true;
    if (OnCanEdit) OnCanEdit(col, row, canEdit);
    return canEdit;
}

// ---- user actions ------------------------------------------------------------------------

bool StringGridEdModel::toggleCheckBox(int col, int row) {
    if (!userMayModify(col, row)) return false;
    selectCell(col, row);
    const TxStringGridEdColumn& column = columns_[col];
    SetEditText(col, row,
                GetBoolCells(col, row) ? column.CheckBoxFalseValue : column.CheckBoxTrueValue);
    finishCell(col, row, false);
    return true;
}

QStringList StringGridEdModel::pickListFor(int col, int row) const {
    if (col < 0 || col >= colCount_) return {};
    QStringList items = columns_[col].PickList;
    if (OnPicklistDropdown) OnPicklistDropdown(col, row, items);
    return items;
}

void StringGridEdModel::acceptPickListItem(int col, int row, const QString& item) {
    if (!userMayModify(col, row, true)) return;
    selectCell(col, row);
    SetEditText(col, row, item);
    finishCell(col, row, false);
}

void StringGridEdModel::toggleCheckListItem(int col, int row, const QString& item) {
    if (!userMayModify(col, row, true)) return;
    selectCell(col, row);
    SetEditText(col, row, columns_[col].CheckListToggleValue(Cells(col, row), item));
}

void StringGridEdModel::emptyCellWithForce(int col, int row) {
    const bool closed = isClosedStyle(editStyleOf(col, row));
    if (!userMayModify(col, row, closed && columns_[col].DropDownListCanDelete)) return;
    SetEditText(col, row, QString());
    finishCell(col, row, true);
}

QString StringGridEdModel::cleanPastedText(const QString& text, TxStringGridEdDataType type) {
    QString cleaned = text;
    if (type == sgdText) {
        while (cleaned.endsWith('\n') || cleaned.endsWith('\r')) cleaned.chop(1);
        return cleaned;
    }
    cleaned.remove('\r');
    cleaned.remove('\n');
    return cleaned.trimmed();
}

GridKeyResult StringGridEdModel::handleGridKey(int key, Qt::KeyboardModifiers modifiers,
                                               const GridClipboard& clipboard) {
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const bool data = isDataCell(col_, row_);
    const TxStringGridEdEditStyle style = editStyleOf(col_, row_);
    const bool copy = (mods == Qt::ControlModifier && (key == Qt::Key_C || key == Qt::Key_Insert));
    const bool cut = mods == Qt::ControlModifier && key == Qt::Key_X;
    const bool paste = (mods == Qt::ControlModifier && key == Qt::Key_V) ||
                       (mods == Qt::ShiftModifier && key == Qt::Key_Insert);
    if (copy || cut) {
        if (clipboard.setText) clipboard.setText(ActiveCellText());
        if (cut && data) emptyCellWithForce(col_, row_);
        return GridKeyResult::Handled;
    }
    if (paste) {
        if (data && userMayModify(col_, row_) && clipboard.text) {
            SetEditText(col_, row_, cleanPastedText(clipboard.text(), dataTypeOf(col_, row_)));
            finishCell(col_, row_, true);
        }
        return GridKeyResult::Handled;
    }
    if (mods == Qt::AltModifier && (key == Qt::Key_Down || key == Qt::Key_Up) && data &&
        (isListStyle(style) || style == sgbDateTimePicker) && mayShowEditor(col_, row_))
        return GridKeyResult::OpenPopup;
    if (mods != Qt::NoModifier || !data) return GridKeyResult::NotHandled;
    switch (key) {
        case Qt::Key_Delete:
            emptyCellWithForce(col_, row_);
            return GridKeyResult::Handled;
        case Qt::Key_Space:
            if (style == sgbCheckbox) {
                toggleCheckBox(col_, row_);
                return GridKeyResult::Handled;
            }
            if (style == sgbButton) {
                if (OnButtonClicked) OnButtonClicked(col_, row_);
                return GridKeyResult::ButtonClick;
            }
            return GridKeyResult::NotHandled;
        case Qt::Key_F4:
            if (isEllipsisStyle(style)) {
                if (OnEllipsisClicked) OnEllipsisClicked(col_, row_);
                return GridKeyResult::Handled;
            }
            if ((isListStyle(style) || style == sgbDateTimePicker) && mayShowEditor(col_, row_))
                return GridKeyResult::OpenPopup;
            return GridKeyResult::Handled;
        default:
            return GridKeyResult::NotHandled;
    }
}

// ---- notifications ------------------------------------------------------------------------

void StringGridEdModel::notifyCell(int col, int row) {
    if (observer_) observer_->cellChanged(col, row);
}

void StringGridEdModel::notifyReset(const std::function<void()>& change) {
    if (observer_) observer_->aboutToReset();
    change();
    if (observer_) observer_->reset();
}

}  // namespace kit
