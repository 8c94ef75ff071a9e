#include "io/dialog/string_grid_export_source.h"

#include <QDateTime>

#include "kit/xStringGridEd.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

// An Access day count: whole days from 1899-12-30, the time of day as the
// fraction (after the whole part also before day 0).
double accessDays(const QDateTime& dt) {
    const double whole = static_cast<double>(QDate(1899, 12, 30).daysTo(dt.date()));
    const double fraction = dt.time().msecsSinceStartOfDay() / kMsPerDay;
    return whole >= 0 ? whole + fraction : whole - fraction;
}

db::DataType typeOf(TxStringGridEdDataType type) {
    switch (type) {
        case sgdNumber: return db::DataType::Double;
        case sgdInteger: return db::DataType::BigInt;
        case sgdDate:
        case sgdTime:
        case sgdDateTime: return db::DataType::DateTime;
        default: return db::DataType::Text;
    }
}

}  // namespace

std::vector<ExportColumn> StringGridExportSource::columns() const {
    std::vector<ExportColumn> out;
    auto& columns = grid_.Columns();
    for (int c = 0; c < grid_.ColCount(); ++c) {
        ExportColumn column;
        column.index = c;
        column.fieldName = QString::number(c);
        const bool described = c < int(columns.size());
        const QString title = described ? columns[size_t(c)].TitleCaption : QString();
        column.caption = !title.isEmpty() ? title : grid_.Cells(c, 0);
        column.type = typeOf(described ? columns[size_t(c)].DataType : sgdText);
        column.size = 255;
        out.push_back(column);
    }
    return out;
}

size_t StringGridExportSource::recordCount() const {
    return size_t(std::max(0, grid_.RowCount() - grid_.core().FixedRows()));
}

db::Value StringGridExportSource::cellValue(int col, int row) const {
    const QString text = grid_.Cells(col, row);
    if (text.trimmed().isEmpty()) return db::Value();
    auto& columns = grid_.Columns();
    const TxStringGridEdDataType type = col < int(columns.size()) ? columns[size_t(col)].DataType : sgdText;
    try {
        switch (type) {
            case sgdNumber: return db::Value::real(grid_.GetNumCells(col, row));
            case sgdInteger: return db::Value::integer(grid_.GetIntCells(col, row));
            case sgdDate:
            case sgdTime:
            case sgdDateTime: {
                const QDateTime dt = grid_.GetDateTimeCells(col, row);
                if (dt.isValid()) return db::Value::dateTime(accessDays(dt));
                break;
            }
            default: break;
        }
    } catch (const std::exception&) {
        // Text the column's type cannot read goes out as the text it is.
    }
    return db::Value::text(text.toStdString());
}

bool StringGridExportSource::scan(bool, const std::function<bool(size_t recIdx)>& visit) {
    size_t recIdx = 0;
    for (int row = grid_.core().FixedRows(); row < grid_.RowCount(); ++row) {
        current_.clear();
        for (int c = 0; c < grid_.ColCount(); ++c) current_.push_back(cellValue(c, row));
        if (!visit(++recIdx)) return false;
    }
    return true;
}

const db::Value& StringGridExportSource::value(int columnIndex) const {
    static const db::Value none;
    return columnIndex >= 0 && size_t(columnIndex) < current_.size() ? current_[size_t(columnIndex)] : none;
}
