// TxDBGrid: incremental search. Typed characters look for the first record
// whose current-column text starts with (for text fields, unfiltered) or
// contains the typed text; the text is forgotten LookupResetDelay ms after
// the last key.
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <exception>

#include "db/xdbtool.h"
#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"

namespace {

// Boolean fields: one character stands for true or false.
std::optional<bool> booleanCandidate(const QString& candidate) {
    if (candidate.size() != 1) return std::nullopt;
    const QChar c = candidate[0].toUpper();
    if (QStringLiteral("1AYT").contains(c)) return true;
    if (QStringLiteral("0NF").contains(c)) return false;
    return std::nullopt;
}

}  // namespace

bool TxDBGrid::searchAllowed() const {
    if (!IsNotEmpty()) return false;
    // Typed keys edit where editing is possible and search elsewhere.
    const bool editing = EditingOption && DataSet()->CanModify();
    switch (LookupCondition) {
    case lcBrowse:
    case lcBrowseFilter: return !editing;
    case lcNotEdit:
    case lcNotEditFilter: return !IsDataSetEditing(DataSet());
    case lcNever: return false;
    }
    return false;
}

bool TxDBGrid::searchFor(const QString& candidate, TSearchingType how) {
    const int column = SelectedColumn();
    const std::optional<TQueryField> field = ColumnField(column);
    if (!field) return false;
    const int count = model_->rowCount();
    const int current = int(DataSet()->RecNo()) - 1;
    if (how == stFindFirst && !IsFiltered() && field->DataType() == db::DataType::Text) {
        const auto locate = [&](const QString& text) {
            return DataSet()->Locate(field->FieldName(), {db::Value::text(text.toStdString())},
                                     {.caseInsensitive = true, .partialKey = true});
        };
        if (locate(candidate)) return true;
        // "ch" sorts as one letter in some languages: a typed "c" may mean it.
        if (candidate.endsWith(u'c', Qt::CaseInsensitive) && locate(candidate + u'h')) return true;
    }
    const std::optional<bool> truth =
        field->DataType() == db::DataType::Boolean ? booleanCandidate(candidate) : std::nullopt;
    const auto matches = [&](int position) {
        if (truth) {
            const QVariant value = model_->cellVariant(position, column);
            return value.isValid() && value.toBool() == *truth;
        }
        return model_->cellText(position, column).contains(candidate, Qt::CaseInsensitive);
    };
    int found = -1;
    if (how == stFindFirst) {
        for (int p = 0; p < count && found < 0; ++p)
            if (matches(p)) found = p;
    } else if (how == stFindNext) {
        for (int p = current + 1; p < count && found < 0; ++p)
            if (matches(p)) found = p;
    } else {
        for (int p = current - 1; p >= 0 && found < 0; --p)
            if (matches(p)) found = p;
    }
    if (found < 0) return false;
    DataSet()->SetRecNo(size_t(found) + 1);
    return true;
}

void TxDBGrid::showSearchHint(const QString& text) {
    searchHint_->setText(text);
    searchHint_->adjustSize();
    const QModelIndex current = currentIndex();
    QPoint at(4, 4);
    if (current.isValid()) {
        const QRect cell = visualRect(current);
        at = QPoint(cell.left(), cell.bottom() + 2);
        if (at.y() + searchHint_->height() > viewport()->height()) at.setY(cell.top() - searchHint_->height() - 2);
    }
    searchHint_->move(at);
    searchHint_->show();
    searchHint_->raise();
    searchTimer_->start(int(OptionsEx2.Appearance.LookupResetDelay));
}

void TxDBGrid::resetSearch() {
    searchTimer_->stop();
    searchText_.clear();
    searchHint_->hide();
}

bool TxDBGrid::searchKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool active = !searchText_.isEmpty();
    const bool filterMode = LookupCondition == lcBrowseFilter || LookupCondition == lcNotEditFilter;
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
        if (active) {
            resetSearch();
            return true;
        }
        return false;
    case Qt::Key_Backspace:
        if (!active) return false;
        searchText_.chop(1);
        if (searchText_.isEmpty())
            resetSearch();
        else
            showSearchHint(searchText_);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!active || mods != Qt::NoModifier) return false;
        {
            const bool forward = event->key() == Qt::Key_Down;
            const bool found = searchFor(searchText_, forward ? stFindNext : stFindPrev);
            QString hint = forward ? searchText_ + QStringLiteral(" >>") : QStringLiteral("<< ") + searchText_;
            if (!found) hint += QStringLiteral(" (%1)").arg(QStringLiteral("Not found").toLower());
            showSearchHint(hint);
        }
        return true;
    case Qt::Key_Right:
        if (!(filterMode && active && mods == Qt::ControlModifier)) return false;
        {
            const std::optional<TQueryField> field = SelectedField();
            QString condition;
            if (field && (field->DataType() == db::DataType::Text || field->DataType() == db::DataType::Memo)) {
                const QString w = GetTextFilterLikeChar();
                condition = BuildFieldConditionEx(field, w + searchText_ + w, false, GetTextFilterLikeOperator(), false);
            } else if (field) {
                condition = BuildFieldConditionEx(field, field->IsNull() ? QString() : (IsDateField(field) ? DateToFilterText(field->AsVariant().toDateTime()) : field->AsString()),
                                                  field->IsNull(), QString(), false);
            }
            if (!condition.isEmpty() && ApplyFilter(DataSet(), condition, true)) FilterChangedNotification();
            resetSearch();
        }
        return true;
    case Qt::Key_Left:
        if (!(filterMode && mods == Qt::ControlModifier)) return false;
        DataSet()->SetFiltered(false);
        FilterChangedNotification();
        return true;
    default: break;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || !typed[0].isPrint() || (mods & (Qt::ControlModifier | Qt::AltModifier))) return false;
    if (!searchAllowed()) return false;
    const QString candidate = searchText_ + typed;
    const bool found = searchFor(candidate, stFindFirst);
    if (found) searchText_ = candidate;
    QString hint = searchText_;
    if (!found) hint += QStringLiteral(" (%1 %2)").arg(candidate, QStringLiteral("Not found").toLower());
    if (filterMode)
        hint += IsFiltered() ? QStringLiteral("\n* %1, %2").arg(QStringLiteral("Filtered"), QStringLiteral("Ctrl+Left to reset"))
                             : QStringLiteral("\n* %1").arg(QStringLiteral("Ctrl+Right to filter"));
    showSearchHint(hint);
    return true;
}
