// A small string grid model for the string grid's tests, with a record of
// every finished cell.
#pragma once

#include <QStringList>
#include <vector>

#include "kit/xStringGridEd_model.h"

namespace kit {

// A grid of `dataRows` data rows under a title row, columns 1..3 for data.
struct StringGridEdTestGrid {
    StringGridEdModel model;
    std::vector<QString> finished;  // "col;row" of every OnFinishCellEditing

    explicit StringGridEdTestGrid(int dataRows = 3, bool autoAdd = false) {
        model.locale = QLocale(QLocale::English, QLocale::UnitedStates);
        model.setColCount(4);
        model.setRowCount(dataRows + 1);
        model.AutoAddNewRow = autoAdd;
        model.OnFinishCellEditing = [this](int col, int row) {
            finished.push_back(QString("%1;%2").arg(col).arg(row));
        };
        model.beep = [] {};
    }
    // The data column 1 of every data row, "|"-joined: the grid at a glance.
    QString column1() const {
        QStringList texts;
        for (int row = model.FixedRows(); row < model.RowCount(); ++row)
            texts << model.Cells(1, row);
        return texts.join('|');
    }
};

}  // namespace kit
