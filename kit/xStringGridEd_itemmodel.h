// The Qt item model over a StringGridEdModel: data rows and columns become
// the view's rows and columns, the first fixed row becomes the horizontal
// header and the first fixed column the vertical one. It paints nothing
// itself; it answers the view's questions (text, colours, alignment,
// editability) from the grid's rules and passes row changes on in Qt's order.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <functional>

#include "kit/xStringGridEd_model.h"

namespace kit {

// What the owner may change before a cell is painted.
struct CellParams {
    QFont font;
    QColor background;
    QColor fontColor;  // invalid: the view's text colour
    bool highlight = false;
};

class StringGridEdItemModel : public QAbstractTableModel, public StringGridEdObserver {
    Q_OBJECT
public:
    explicit StringGridEdItemModel(StringGridEdModel& grid, QObject* parent = nullptr);
    ~StringGridEdItemModel() override;

    StringGridEdModel& grid() { return grid_; }
    int gridCol(const QModelIndex& index) const { return index.column() + grid_.FixedCols(); }
    int gridRow(const QModelIndex& index) const { return index.row() + grid_.FixedRows(); }
    QModelIndex indexOfCell(int col, int row) const {
        return index(row - grid_.FixedRows(), col - grid_.FixedCols());
    }

    // The painting colours and fonts the grid widget sets.
    QColor changedCellsBkColor;
    QFont titleFont;
    // OnGetCellParams: called for every data cell before it is shown.
    std::function<void(int col, int row, CellParams& params)> onGetCellParams;
    // The parameters a data cell is shown with (highlight from `selected`).
    CellParams cellParams(int col, int row, const QFont& font, bool selected) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // StringGridEdObserver
    void cellChanged(int col, int row) override;
    void rowsAboutToBeInserted(int first, int last) override;
    void rowsInserted() override { endInsertRows(); }
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved() override { endRemoveRows(); }
    void aboutToReset() override { beginResetModel(); }
    void reset() override { endResetModel(); }
    void currentCellMoved(int col, int row) override;

signals:
    void currentCellRequested(int col, int row);

private:
    StringGridEdModel& grid_;
};

}  // namespace kit
