#include "kit/xStringGridEd_itemmodel.h"

#include <QApplication>
#include <QPalette>

namespace kit {

StringGridEdItemModel::StringGridEdItemModel(StringGridEdModel& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
    changedCellsBkColor = QApplication::palette().color(QPalette::ToolTipBase);
    grid_.setObserver(this);
}

StringGridEdItemModel::~StringGridEdItemModel() {
    grid_.setObserver(nullptr);
}

int StringGridEdItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount() - grid_.FixedRows();
}

int StringGridEdItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount() - grid_.FixedCols();
}

CellParams StringGridEdItemModel::cellParams(int col, int row, const QFont& font,
                                             bool selected) const {
    CellParams params{font, {}, {}, selected};
    const TxStringGridEdColumn& column = grid_.GetColumn(col);
    if (column.Color.isValid()) params.background = column.Color;
    if (grid_.hasOptionEx(dgColorChangedCells) && grid_.isCellChanged(col, row))
        params.background = changedCellsBkColor;
    if (onGetCellParams) onGetCellParams(col, row, params);
    return params;
}

QVariant StringGridEdItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int col = gridCol(index);
    const int row = gridRow(index);
    const TxStringGridEdColumn& column = grid_.GetColumn(col);
    switch (role) {
        case Qt::DisplayRole:
            if (grid_.editStyleOf(col, row) == sgbCheckbox) return {};
            return grid_.Cells(col, row);
        case Qt::EditRole:
            return grid_.Cells(col, row);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.effectiveAlignment() | Qt::AlignVCenter);
        case Qt::BackgroundRole: {
            const CellParams params = cellParams(col, row, QFont(), false);
            return params.background.isValid() ? QVariant(params.background) : QVariant();
        }
        case Qt::ForegroundRole: {
            if (column.InvalidDataAction != sgaNone) {
                const TxStringGridEdDataState state = grid_.IsValidData(col, row);
                if (state == sdsInvalid) return column.InvalidDataColor;
                if (state == sdsOutOfLimit) return column.OutOfLimitDataColor;
            }
            const CellParams params = cellParams(col, row, QFont(), false);
            return params.fontColor.isValid() ? QVariant(params.fontColor) : QVariant();
        }
        default:
            return {};
    }
}

bool StringGridEdItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    const int col = gridCol(index);
    const int row = gridRow(index);
    if (!grid_.mayModify(col, row, true)) return false;
    grid_.SetEditText(col, row, value.toString());
    return true;
}

QVariant StringGridEdItemModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (orientation == Qt::Horizontal) {
        const int col = section + grid_.FixedCols();
        if (col < 0 || col >= grid_.ColCount()) return {};
        const TxStringGridEdColumn& column = grid_.GetColumn(col);
        switch (role) {
            case Qt::DisplayRole:
                if (!column.TitleCaption.isEmpty()) return column.TitleCaption;
                return grid_.FixedRows() > 0 ? grid_.Cells(col, 0) : QString();
            case Qt::FontRole: {
                QFont font = titleFont;
                if (grid_.hasOptionEx(dgShowTitleBold)) font.setBold(true);
                return font;
            }
            case Qt::BackgroundRole:
                return column.TitleColor.isValid() ? QVariant(column.TitleColor) : QVariant();
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(column.TitleAlignment | Qt::AlignVCenter);
            default:
                return {};
        }
    }
    const int row = section + grid_.FixedRows();
    if (role == Qt::DisplayRole && grid_.FixedCols() > 0) return grid_.Cells(0, row);
    return {};
}

Qt::ItemFlags StringGridEdItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_.mayShowEditor(gridCol(index), gridRow(index))) flags |= Qt::ItemIsEditable;
    return flags;
}

void StringGridEdItemModel::cellChanged(int col, int row) {
    if (row < grid_.FixedRows() || col < grid_.FixedCols()) {
        if (row < grid_.FixedRows()) emit headerDataChanged(Qt::Horizontal, col, col);
        if (col < grid_.FixedCols()) emit headerDataChanged(Qt::Vertical, row, row);
        return;
    }
    const QModelIndex changed = indexOfCell(col, row);
    emit dataChanged(changed, changed);
}

void StringGridEdItemModel::rowsAboutToBeInserted(int first, int last) {
    beginInsertRows({}, first, last);
}

void StringGridEdItemModel::rowsAboutToBeRemoved(int first, int last) {
    beginRemoveRows({}, first, last);
}

void StringGridEdItemModel::currentCellMoved(int col, int row) {
    emit currentCellRequested(col, row);
}

}  // namespace kit
