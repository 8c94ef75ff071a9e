#include "io/dialog/grid_export_source.h"

#include <QHeaderView>

#include "grid/xDBGrid.h"

GridExportSource::GridExportSource(TxDBGrid& grid) : grid_(grid) {}

bool GridExportSource::usable() const {
    return grid_.DataSet() && grid_.DataSet()->Active();
}

std::vector<ExportColumn> GridExportSource::columns() const {
    std::vector<ExportColumn> out;
    if (!usable()) return out;
    const QHeaderView* header = grid_.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column)) continue;
        const std::optional<TQueryField> field = grid_.ColumnField(column);
        if (!field) continue;
        ExportColumn c;
        c.index = static_cast<int>(field->Index());
        c.fieldName = field->FieldName();
        c.caption = grid_.GetTitleText(column);
        if (c.caption.isEmpty()) c.caption = c.fieldName;
        c.type = field->DataType();
        c.size = field->Size();
        out.push_back(c);
    }
    return out;
}

size_t GridExportSource::recordCount() const {
    return usable() ? grid_.DataSet()->RecordCount() : 0;
}

bool GridExportSource::scan(bool useDisableControl,
                            const std::function<bool(size_t recIdx)>& visit) {
    if (!usable()) return true;
    return DatasetExportSource(*grid_.DataSet()).scan(useDisableControl, visit);
}

const db::Value& GridExportSource::value(int columnIndex) const {
    return grid_.DataSet()->Fields(static_cast<size_t>(columnIndex)).Value();
}
