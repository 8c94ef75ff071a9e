// TxDBGrid: the sort state, title clicks and the hand-over to the sorter.
#include <exception>

#include "grid/xDBGrid.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_sorter.h"

void TxDBGrid::SetSortFieldName(const QString& names) {
    sortFieldName_ = NormalizeSortFieldName(names);
    header_->viewport()->update();
}

void TxDBGrid::SetSortDirections(const QString& directions) {
    sortDirections_ = NormalizeSortDirections(directions);
    header_->viewport()->update();
}

void TxDBGrid::SetSortDesc(bool desc) {
    sortDesc_ = desc;
    header_->viewport()->update();
}

int TxDBGrid::PosInSortField(const QString& fieldName) const {
    return ::PosInSortField(sortFieldName_, fieldName);
}

bool TxDBGrid::GetSortDirection(const QString& fieldName) const {
    const int pos = PosInSortField(fieldName);
    if (pos == 0) return sortDesc_;
    return SplitSortDirections(sortDirections_).value(pos - 1, false);
}

TSortFieldNames TxDBGrid::SortFieldNamesArr() const {
    return SplitSortFieldNames(sortFieldName_);
}

TSortDirections TxDBGrid::SortDirectionsArr() const {
    return SplitSortDirections(sortDirections_);
}

bool TxDBGrid::ChangeSortEx(const QString& newSortFieldNames, const QString& newSortDirections) {
    if (!IsDatasetLinked() || !sorter_) return false;
    const QString names = NormalizeSortFieldName(newSortFieldNames);
    const QString directions = NormalizeSortDirections(newSortDirections);
    bool sorted = false;
    try {
        sorted = sorter_->DoSort(DataSet(), SplitSortFieldNames(names), SplitSortDirections(directions));
    } catch (const std::exception&) {
        sorted = false;
    }
    if (!sorted) return false;
    SetSortFieldName(names);
    SetSortDirections(directions);
    emit SortChanged();
    return true;
}

bool TxDBGrid::ChangeSort(const QString& newSortFieldName, bool newSortDesc) {
    if (!IsDatasetLinked() || !sorter_) return false;
    const TSortFieldNames names = SplitSortFieldNames(NormalizeSortFieldName(newSortFieldName));
    TSortDirections directions;
    for (int i = 0; i < names.size(); ++i) directions << newSortDesc;
    if (!ChangeSortEx(names.join(u','), JoinSortDirections(directions))) return false;
    sortDesc_ = newSortDesc;
    return true;
}

bool TxDBGrid::ReSort() {
    if (!sorter_ || !IsActive()) return false;
    return sorter_->DoSort(DataSet(), SortFieldNamesArr(), SortDirectionsArr());
}

void TxDBGrid::TitleClick(int column, Qt::KeyboardModifiers modifiers) {
    const std::optional<TQueryField> field = ColumnField(column);
    if (!field || !IsActive()) return;
    const TSortRequest request =
        TitleClickSortRequest(sortFieldName_, sortDirections_, field->FieldName(),
                              modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier));
    ChangeSortEx(request.FieldNames, request.Directions);
}
