// The export source of a data grid (stGrid): the records of the grid's
// query in its present order, filter and sort, under the grid's columns as
// the user sees them: in their on-screen order, hidden columns left out,
// each titled as its title row shows it. Usable while the grid's query is
// open.
#pragma once

#include "io/export_source.h"
#include "io/export_source_dataset.h"

class TxDBGrid;

class GridExportSource : public ExportSource {
public:
    explicit GridExportSource(TxDBGrid& grid);

    TSourceType sourceType() const override { return stGrid; }
    bool usable() const override;
    // ExportColumn::index is the field's position in the query.
    std::vector<ExportColumn> columns() const override;
    size_t recordCount() const override;
    bool scan(bool useDisableControl, const std::function<bool(size_t recIdx)>& visit) override;
    const db::Value& value(int columnIndex) const override;

private:
    TxDBGrid& grid_;
};
