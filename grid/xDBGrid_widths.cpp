// TxDBGrid: the column-width modes.
#include <QHeaderView>
#include <QScrollBar>
#include <cmath>

#include "grid/xDBGrid.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_sorter.h"

namespace {

// Restores the re-entrance guard whatever happens.
class GuardFlag {
public:
    explicit GuardFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~GuardFlag() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

bool TxDBGrid::isFixedWidthColumn(int column) const {
    const std::optional<TQueryField> field = ColumnField(column);
    if (!field) return false;
    for (const QString& name : FieldsFixedColumnWidth)
        if (name.trimmed().compare(field->FieldName(), Qt::CaseInsensitive) == 0) return true;
    return false;
}

int TxDBGrid::ColumnTitleWidth(int column) const {
    const int min = OptionsEx2.Appearance.ColumnMinWidth;
    const int max = OptionsEx2.Appearance.ColumnMaxWidth;
    int width = header_->fontMetrics().horizontalAdvance(GetTitleText(column)) + 4 + 8;
    if (OptionsEx2.Filters.FunnelBtn && IsColumnFilterable(column, false))
        width += TxDBGridHeader::kGlyphWidth + 4 + 6;
    const std::optional<TQueryField> field = ColumnField(column);
    if (field && sorter_ && IsSortableField(DataSet(), field->FieldName()))
        width += TxDBGridHeader::kGlyphWidth + 6;
    return std::clamp(width, min, std::max(min, max));
}

// The widest text + 8 of the column's cells among the first
// ColumnWidthMaxRecordsSearch records, never below `startWidth`. With
// `onlyTexts` an empty cell measures nothing, so a column of empty cells
// stays at 0.
int TxDBGrid::scanColumnWidth(int column, int startWidth, bool onlyTexts) {
    int width = startWidth;
    const QFontMetrics metrics = fontMetrics();
    const int glyph = model_->cellKind(column) == TxDBGridModel::ckText ? 0 : 16;
    ScanGridRecords(
        [&](int position) {
            const QString text = model_->data(model_->index(position, column), Qt::DisplayRole).toString();
            if (onlyTexts && text.isEmpty() && model_->cellIsNull(position, column)) return true;
            width = std::max(width, metrics.horizontalAdvance(text) + 8 + glyph);
            return true;
        },
        srColumnWidth, OptionsEx2.Appearance.ColumnWidthMaxRecordsSearch, true, false);
    return width;
}

void TxDBGrid::applyColumnWidth(int column, int width) {
    if (isFixedWidthColumn(column)) return;
    setColumnWidth(column, width);
    emit ColWidthChanged(column);
}

int TxDBGrid::availableWidth(int& fixedSum, int& movable, int& total) const {
    fixedSum = movable = total = 0;
    const int gridWidth = viewport()->width();
    for (int c = 0; c < header_->count(); ++c) {
        if (header_->isSectionHidden(c)) continue;
        const int w = std::min(columnWidth(c), gridWidth);
        if (isFixedWidthColumn(c)) {
            fixedSum += w + (showGrid() ? 1 : 0);
        } else {
            ++movable;
            total += w;
        }
    }
    return viewport()->width() - 2;
}

void TxDBGrid::SetColumnWidth(TColumnWidth mode, int additionalSpace) {
    columnWidth_ = (mode == cwDefaultWidth || mode == cwDataWidth || mode == cwDataLabelWidth) ? cwNone : mode;
    if (isSettingColumnWidth || mode == cwNone || model_->columnCount() == 0) return;
    GuardFlag guard(isSettingColumnWidth);
    const int min = OptionsEx2.Appearance.ColumnMinWidth;
    const int max = std::max(min, OptionsEx2.Appearance.ColumnMaxWidth);
    int fixedSum = 0, n = 0, total = 0;
    const int available = availableWidth(fixedSum, n, total);
    if (n == 0 || total == 0) return;
    const int columns = header_->count();
    switch (mode) {
    case cwDefaultWidth:
    case cwLabelWidth:
        for (int c = 0; c < columns; ++c)
            if (!header_->isSectionHidden(c)) SetOneColumnWidth(mode, c, additionalSpace);
        return;
    case cwSameWidth: {
        const int w = std::max(min, (available - fixedSum) / n);
        for (int c = 0; c < columns; ++c)
            if (!header_->isSectionHidden(c)) applyColumnWidth(c, w);
        return;
    }
    case cwAutoWidth: {
        double f = double(available - fixedSum) / total;
        bool floor = false;
        if (f < 1) {
            for (int c = 0; c < columns; ++c)
                if (!header_->isSectionHidden(c) && !isFixedWidthColumn(c) &&
                    std::lround(f * columnWidth(c)) < min)
                    floor = true;
        }
        if (floor) f = (min * n < total) ? double(available - min * n - fixedSum) / (total - min * n) : 0;
        for (int c = 0; c < columns; ++c) {
            if (header_->isSectionHidden(c) || isFixedWidthColumn(c)) continue;
            const int w = floor ? min + int(std::lround(f * (columnWidth(c) - min))) : int(std::lround(f * columnWidth(c)));
            applyColumnWidth(c, std::max(min, w));
        }
        return;
    }
    case cwDataWidth:
    case cwDataLabelWidth:
    case cwHideEmptyCol: {
        if (mode == cwHideEmptyCol) {
            // Nothing to judge without records.
            if (IsEmpty()) return;
            for (int c = 0; c < columns; ++c)
                if (!header_->isSectionHidden(c) && scanColumnWidth(c, 0, true) == 0) header_->hideSection(c);
            return;
        }
        const int gridWidth = viewport()->width();
        for (int c = 0; c < columns; ++c) {
            if (header_->isSectionHidden(c) || isFixedWidthColumn(c)) continue;
            int w = scanColumnWidth(c, mode == cwDataLabelWidth ? ColumnTitleWidth(c) : 0, false);
            if (columns > 4) w = std::min(w, gridWidth / 4);
            if (w == 0) w = 8;
            w = std::clamp(w, min, max) + additionalSpace;
            applyColumnWidth(c, w);
        }
        return;
    }
    case cwNone: return;
    }
}

void TxDBGrid::SetOneColumnWidth(TColumnWidth mode, int column, int additionalSpace) {
    if (column < 0 || column >= model_->columnCount()) return;
    const int min = OptionsEx2.Appearance.ColumnMinWidth;
    const int max = std::max(min, OptionsEx2.Appearance.ColumnMaxWidth);
    int width = 0;
    switch (mode) {
    case cwNone: return;
    case cwDefaultWidth: width = header_->defaultSectionSize(); break;
    case cwLabelWidth: width = ColumnTitleWidth(column); break;
    case cwDataWidth: width = scanColumnWidth(column, 0, false); break;
    case cwDataLabelWidth: width = scanColumnWidth(column, ColumnTitleWidth(column), false); break;
    default: return;
    }
    if (width > 0) width = std::clamp(width, min, max) + additionalSpace;
    if (width > 0) applyColumnWidth(column, width);
}
