// The export source of an editable string grid (stStringGrid): the grid's
// non-fixed rows; its columns are the grid's columns, typed by their data
// type (numbers, integers, dates and times as such, the rest as text).
// An empty cell is null; a cell whose text its column's type cannot read
// is exported as its text, so nothing typed is lost.
#pragma once

#include <vector>

#include "io/export_source.h"

class TxStringGridEd;

class StringGridExportSource : public ExportSource {
public:
    explicit StringGridExportSource(TxStringGridEd& grid) : grid_(grid) {}

    TSourceType sourceType() const override { return stStringGrid; }
    bool usable() const override { return true; }
    std::vector<ExportColumn> columns() const override;
    size_t recordCount() const override;
    bool scan(bool useDisableControl, const std::function<bool(size_t recIdx)>& visit) override;
    const db::Value& value(int columnIndex) const override;

private:
    db::Value cellValue(int col, int row) const;
    TxStringGridEd& grid_;
    std::vector<db::Value> current_;
};
