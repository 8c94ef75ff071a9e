#include "io/export_source_dataset.h"

namespace {

// Stops the dataset's walk from inside; the walk puts the cursor back on
// the way out.
struct WalkStopped {};

}  // namespace

std::vector<ExportColumn> DatasetExportSource::columns() const {
    std::vector<ExportColumn> out;
    if (!query_.Active()) return out;
    for (size_t i = 0; i < query_.FieldCount(); ++i) {
        const TQueryField field = query_.Fields(i);
        ExportColumn column;
        column.index = static_cast<int>(i);
        column.fieldName = field.FieldName();
        column.caption = column.fieldName;
        column.type = field.DataType();
        column.size = field.Size();
        out.push_back(column);
    }
    return out;
}

bool DatasetExportSource::scan(bool useDisableControl,
                               const std::function<bool(size_t recIdx)>& visit) {
    size_t recIdx = 0;
    if (!useDisableControl) {
        // The caller wants the controls to follow the walk: plain moves,
        // with their scroll events, and back to the record it was on.
        const auto start = query_.Bookmark();
        bool completed = true;
        for (query_.First(); !query_.Eof(); query_.Next()) {
            if (!visit(++recIdx)) {
                completed = false;
                break;
            }
        }
        if (start) query_.GotoBookmark(*start);
        return completed;
    }
    // The walk without scroll events or repaints of linked controls.
    try {
        query_.ScanRecords([&] {
            if (!visit(++recIdx)) throw WalkStopped{};
        });
    } catch (const WalkStopped&) {
        return false;
    }
    return true;
}

const db::Value& DatasetExportSource::value(int columnIndex) const {
    return query_.Fields(static_cast<size_t>(columnIndex)).Value();
}
