// TxDBGrid: the column conditions, the text filter bar and its editor.
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTimer>

#include "db/xdbtool.h"
#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_filter_combo.h"
#include "grid/xDBGrid_funnel.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_sorter.h"
#include "grid/xDBGrid_text_filter.h"

namespace {

QString key(const QString& fieldName) {
    return fieldName.trimmed().toUpper();
}

}  // namespace

QString TxDBGrid::filterFieldOf(const QString& fieldName) const {
    for (const QString& entry : FieldsFilterMapping) {
        const qsizetype eq = entry.indexOf(u'=');
        if (eq > 0 && entry.left(eq).trimmed().compare(fieldName, Qt::CaseInsensitive) == 0)
            return entry.mid(eq + 1).trimmed();
    }
    return fieldName;
}

bool TxDBGrid::IsColumnFilterable(int column, bool forTextBar) const {
    Q_UNUSED(forTextBar);  // no lookup fields exist, so the bar and the funnel agree
    const std::optional<TQueryField> field = ColumnField(column);
    if (!field) return false;
    if (filterFieldOf(field->FieldName()) != field->FieldName()) return true;
    if (!IsComparableField(field) && !IsMemoField(field)) return false;
    if (!FieldsFilterButton.isEmpty()) {
        bool listed = false;
        for (const QString& name : FieldsFilterButton)
            listed = listed || name.trimmed().compare(field->FieldName(), Qt::CaseInsensitive) == 0;
        if (!listed) return false;
    }
    return true;
}

QString TxDBGrid::ColumnBarText(int column) const {
    const std::optional<TQueryField> field = ColumnField(column);
    return field ? editValues_.value(key(field->FieldName())) : QString();
}

bool TxDBGrid::ColumnBarFaulty(int column) const {
    const std::optional<TQueryField> field = ColumnField(column);
    return field && editStatuses_.value(key(field->FieldName())) == u"E";
}

bool TxDBGrid::ColumnFiltered(int column) const {
    const std::optional<TQueryField> field = ColumnField(column);
    if (!field) return false;
    const QString name = key(filterFieldOf(field->FieldName()));
    for (const QString& filtered : filteredFieldNames_.split(u';', Qt::SkipEmptyParts))
        if (filtered.toUpper() == name) return true;
    return false;
}

TColumnStoredProp* TxDBGrid::columnFilterEntry(const QString& fieldName, bool create) {
    for (TColumnStoredProp& entry : FColumnFilters)
        if (entry.FieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return &entry;
    if (!create) return nullptr;
    TColumnStoredProp entry;
    entry.FieldName = fieldName;
    FColumnFilters.append(entry);
    return &FColumnFilters.last();
}

QString TxDBGrid::GetColumnFilterString() {
    QStringList parts;
    QString names;
    for (const TColumnStoredProp& entry : FColumnFilters) {
        if (entry.FilterString.trimmed().isEmpty()) continue;
        parts << entry.FilterString.trimmed();
        names += entry.FieldName + u';';
    }
    filteredFieldNames_ = names;
    return JoinAnd(parts);
}

QString TxDBGrid::GetTextFilterLikeChar() const {
    if (!OptionsEx2.Filters.TextFilterLikeChar.isNull()) return OptionsEx2.Filters.TextFilterLikeChar;
    if (sorter_ && !sorter_->GetFilterWildCardChar().isNull()) return sorter_->GetFilterWildCardChar();
    return GetFilterWildCard(false);
}

QString TxDBGrid::GetTextFilterLikeOperator() const {
    if (!OptionsEx2.Filters.TextFilterLikeOperator.isEmpty()) return OptionsEx2.Filters.TextFilterLikeOperator;
    if (sorter_ && !sorter_->GetFilterLikeOperator().isEmpty()) return sorter_->GetFilterLikeOperator();
    const QString op = GetLikeOperator(false);
    return op.isEmpty() ? QStringLiteral("LIKE") : op;
}

bool TxDBGrid::applyJoinedFilter(bool showError) {
    const QString joined = GetColumnFilterString();
    if (joined.isEmpty()) return ClearFilter(DataSet());
    if (sorter_) sorter_->SetFilterCaseSensitivity(DataSet(), OptionsEx2.Filters.FilterCaseSensitivity);
    return ApplyFilter(DataSet(), joined, showError);
}

bool TxDBGrid::SetFilterForField(const std::optional<TQueryField>& field, const QString& filterString,
                                 bool multiFieldFilter, bool setFilter, bool showError) {
    if (!field) {
        if (setFilter) ClearFilter(DataSet());
        FColumnFilters.clear();
        filteredFieldNames_.clear();
        FilterChangedNotification();
        return true;
    }
    // A condition the query refuses must not stay among the columns'
    // conditions, or every later filter would fail with it.
    const QList<TColumnStoredProp> before = FColumnFilters;
    const QMap<QString, QString> valuesBefore = editValues_;
    const QMap<QString, QString> statusesBefore = editStatuses_;
    const QString name = field->FieldName();
    const QString condition = filterString.trimmed();
    if (condition.isEmpty()) {
        editValues_.remove(key(name));
        editStatuses_.remove(key(name));
    }
    columnFilterEntry(name, true)->FilterString = condition;
    if (!multiFieldFilter) {
        for (TColumnStoredProp& entry : FColumnFilters) {
            if (entry.FieldName.compare(name, Qt::CaseInsensitive) == 0) continue;
            entry.FilterString.clear();
            editValues_.remove(key(entry.FieldName));
            editStatuses_.remove(key(entry.FieldName));
        }
    }
    bool applied = true;
    if (setFilter) {
        applied = applyJoinedFilter(false);
        if (!applied && showError) applyJoinedFilter(true);
        if (!applied) {
            FColumnFilters = before;
            editValues_ = valuesBefore;
            editStatuses_ = statusesBefore;
            GetColumnFilterString();
        }
    }
    if (filterForm_) filterForm_->ForgetColumn();
    viewport()->update();
    header_->viewport()->update();
    if (setFilter && applied) FilterChangedNotification();
    return applied;
}

bool TxDBGrid::SetColumnTextFilter(int column, const QString& text) {
    const std::optional<TQueryField> columnField = ColumnField(column);
    if (!columnField) return false;
    const QString fieldKey = key(columnField->FieldName());
    const std::optional<TQueryField> field = DataSet()->FindField(filterFieldOf(columnField->FieldName()));
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        SetFilterForField(field, QString(), true, true, false);
        editValues_.remove(fieldKey);
        editStatuses_.remove(fieldKey);
        header_->viewport()->update();
        return true;
    }
    TTextFilterSettings settings;
    settings.WildCard = GetTextFilterLikeChar();
    settings.LikeOperator = GetTextFilterLikeOperator();
    settings.FilterType = OptionsEx2.Filters.TextFilterType;
    settings.UseDatePartAsRange = OptionsEx2.Filters.UseDatePartAsRange;
    settings.UseNumberPartAsRange = OptionsEx2.Filters.UseNumberPartAsRange;
    settings.NumberPartWildChar = OptionsEx2.Filters.NumberPartWildChar;
    const QString condition = BuildTextFilterCondition(field, trimmed, settings);
    bool ok = !condition.isEmpty() && SetFilterForField(field, condition, true, true, false);
    editValues_[fieldKey] = trimmed;
    if (ok) {
        editStatuses_.remove(fieldKey);
        if (OptionsEx2.Filters.TextListAddFilter && !OptionsEx2.Filters.TextListAutoLoad &&
            trimmed.size() > 2 && !editValueList_[fieldKey].contains(trimmed))
            editValueList_[fieldKey].append(trimmed);
    } else {
        editStatuses_[fieldKey] = QStringLiteral("E");
    }
    header_->viewport()->update();
    return ok;
}

QStringList TxDBGrid::FilterHistory(const QString& fieldName) const {
    return editValueList_.value(key(fieldName));
}

bool TxDBGrid::DefineColumnFilter(const QString& fieldName, const QString& filterCondition,
                                  const QString& textFilterValue, bool activateFilter) {
    if (!IsActive()) return false;
    const std::optional<TQueryField> field = DataSet()->FindField(fieldName);
    if (!field) return false;
    columnFilterEntry(field->FieldName(), true)->FilterString = filterCondition.trimmed();
    if (textFilterValue.isEmpty())
        editValues_.remove(key(fieldName));
    else
        editValues_[key(fieldName)] = textFilterValue;
    editStatuses_.remove(key(fieldName));
    bool ok = true;
    if (activateFilter) {
        ok = applyJoinedFilter(false);
        if (ok) FilterChangedNotification();
    }
    header_->viewport()->update();
    return ok;
}

void TxDBGrid::ResetFilter() {
    closeFilterEdit(false);
    editValues_.clear();
    editStatuses_.clear();
    for (TColumnStoredProp& entry : FColumnFilters) entry.FilterString.clear();
    if (IsActive()) ClearFilter(DataSet());
    filteredFieldNames_.clear();
    FilterChangedNotification();
}

void TxDBGrid::RefreshFilteredFieldNames() {
    if (!IsFiltered()) {
        filteredFieldNames_.clear();
        return;
    }
    // Quoted values may hold field names; only the names outside them count.
    static const QRegularExpression quoted(QStringLiteral("'(?:[^']|'')*'|\"(?:[^\"]|\"\")*\""));
    QString rest = DataSet()->Filter();
    rest.replace(quoted, QStringLiteral(" "));
    QString names;
    for (size_t i = 0; i < DataSet()->FieldCount(); ++i) {
        const QString name = DataSet()->Fields(i).FieldName();
        const QRegularExpression word(QStringLiteral("(^|[^A-Za-z0-9_])") + QRegularExpression::escape(name) +
                                          QStringLiteral("($|[^A-Za-z0-9_])"),
                                      QRegularExpression::CaseInsensitiveOption);
        if (word.match(rest).hasMatch()) names += name + u';';
    }
    filteredFieldNames_ = names;
}

void TxDBGrid::FilterChangedNotification() {
    RefreshFilteredFieldNames();
    header_->viewport()->update();
    viewport()->update();
    emit FilterChanged();
}

// ---- The bar's editor ------------------------------------------------------------

void TxDBGrid::ShowTextFilter(int column) {
    if (!IsActive() || !IsColumnFilterable(column, true) || !OptionsEx2.Filters.TextBar) return;
    if (editColumn_ >= 0 && editColumn_ != column) closeFilterEdit(true);
    const QRect bar = header_->barRect(column);
    if (bar.isNull()) return;
    editColumn_ = column;
    const std::optional<TQueryField> field = ColumnField(column);
    filterCombo_->setParent(header_->viewport());
    filterCombo_->blockSignals(true);
    filterCombo_->clear();
    QStringList history = FilterHistory(field->FieldName());
    history.sort(Qt::CaseInsensitive);
    filterCombo_->addItems(history);
    filterCombo_->setEditText(ColumnBarText(column));
    filterCombo_->blockSignals(false);
    filterCombo_->setFaulty(ColumnBarFaulty(column));
    filterCombo_->setGeometry(bar);
    filterCombo_->show();
    filterCombo_->raise();
    filterCombo_->setFocus(Qt::MouseFocusReason);
    filterCombo_->lineEdit()->setCursorPosition(int(filterCombo_->currentText().size()));
    editChanged_ = false;
    header_->viewport()->update();
}

void TxDBGrid::SetTextFilter(int column, const QString& filterText, bool activateFilter) {
    ShowTextFilter(column);
    if (editColumn_ != column) return;
    filterCombo_->setEditText(filterText);
    editChanged_ = true;
    if (activateFilter) {
        closeFilterEdit(true);
        setFocus();
    }
}

void TxDBGrid::filterEditTextChanged() {
    if (editColumn_ < 0) return;
    editChanged_ = true;
    filterTimer_->start(int(OptionsEx2.Filters.SetFilterDelay));
}

void TxDBGrid::applyFilterEdit() {
    filterTimer_->stop();
    if (editColumn_ < 0 || !editChanged_) return;
    editChanged_ = false;
    const QString text = filterCombo_->currentText();
    const bool ok = SetColumnTextFilter(editColumn_, text);
    filterCombo_->setFaulty(!ok);
    if (ok && editColumn_ >= 0) {
        // The history may have grown: reload the list, keep the caret.
        const std::optional<TQueryField> field = ColumnField(editColumn_);
        const int caret = filterCombo_->lineEdit()->cursorPosition();
        filterCombo_->blockSignals(true);
        filterCombo_->clear();
        QStringList history = field ? FilterHistory(field->FieldName()) : QStringList();
        history.sort(Qt::CaseInsensitive);
        filterCombo_->addItems(history);
        filterCombo_->setEditText(text);
        filterCombo_->lineEdit()->setCursorPosition(caret);
        filterCombo_->blockSignals(false);
    }
}

void TxDBGrid::closeFilterEdit(bool apply) {
    if (editColumn_ < 0) return;
    if (apply) {
        applyFilterEdit();
        const std::optional<TQueryField> field = ColumnField(editColumn_);
        const QString text = filterCombo_->currentText().trimmed();
        if (field) {
            if (text.isEmpty())
                editValues_.remove(key(field->FieldName()));
            else
                editValues_[key(field->FieldName())] = text;
        }
    }
    filterTimer_->stop();
    editColumn_ = -1;
    editChanged_ = false;
    const bool hadFocus = filterCombo_->hasFocus();
    filterCombo_->hide();
    if (hadFocus && !apply) setFocus();
    header_->viewport()->update();
}

// ---- The funnel ------------------------------------------------------------------

void TxDBGrid::ShowFunnelFilter(int column) {
    if (column < 0) column = SelectedColumn();
    if (!IsActive() || !IsColumnFilterable(column, false)) return;
    if (!filterForm_) filterForm_ = new TxDBGridFilterForm(this);
    // A second click on the same glyph closes the open list.
    if (filterForm_->isVisible() && filterForm_->Column() == column) {
        filterForm_->hide();
        return;
    }
    closeFilterEdit(true);
    filterForm_->LoadList(column);
    filterForm_->show();
    filterForm_->List->setFocus();
}
