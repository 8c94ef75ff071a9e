#include "grid/xDBGrid_funnel.h"

#include <QCheckBox>
#include <QCollator>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QAbstractListModel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "db/query_value.h"
#include "db/xdbtool.h"
#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_cell_text.h"
#include "grid/xDBGrid_model.h"
#include "kit/xdlg.h"

namespace {

constexpr int kMaxConditionValues = 1000;

// The exact text of a value: numbers in their shortest form that reads back
// as the same double (a Single as the double it widens to, which is what
// the filter compares), dates in the filter's fixed form.
QString exactValueText(const TQueryField& field, const QVariant& value) {
    if (IsDateField(field)) return DateToFilterText(value.toDateTime());
    if (field.DataType() == db::DataType::Boolean) return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (IsNumericField(field)) {
        if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            return QString::number(value.toLongLong());
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    return value.toString();
}

}  // namespace

QList<TFunnelItem> LoadFunnelItems(TxDBGrid* grid, int column, bool* secondPassAdded) {
    QList<TFunnelItem> items;
    if (secondPassAdded) *secondPassAdded = false;
    const std::optional<TQueryField> field = grid->ColumnField(column);
    if (!field || !grid->IsActive()) return items;
    TxDBGridModel* model = grid->gridModel();
    const bool memo = IsMemoField(field);
    QHash<QString, int> seen;  // "N" for null, "V" + exact text otherwise
    bool aborted = false;
    const bool picture = model->cellKind(column) == TxDBGridModel::ckPicture;
    const auto pass = [&](bool second) {
        const int total = int(grid->gridModel()->rowCount());
        const bool progress = total > 1000;
        int visited = 0;
        QElapsedTimer shown;
        shown.start();
        grid->ScanColumnValues(
            column,
            [&](int, const db::Value& value) {
                // Looked at every 100 records, but drawn at most ten times a
                // second: each update repaints the window.
                if (progress && ++visited % 100 == 0 && shown.elapsed() >= 100) {
                    shown.restart();
                    const int percent = int(qint64(visited) * 100 / std::max(1, total));
                    ShowProgress(QStringLiteral("Loading %1% of data...").arg(percent), grid, percent,
                                 [&] { aborted = true; });
                    if (aborted) return false;
                }
                const bool isNull = value.isNull();
                const QString k = isNull ? QStringLiteral("N") : u'V' + db::valueToText(value);
                if (seen.contains(k)) return true;
                const QVariant variant = db::valueToVariant(value);
                TFunnelItem item;
                item.IsNull = isNull;
                item.ValueText = isNull ? QString() : exactValueText(*field, variant);
                item.Value = variant;
                item.DisplayText = isNull ? kFunnelEmpty : CellDisplayText(*field, value, picture);
                if (memo) item.DisplayText = item.DisplayText.left(200);
                item.Checked = !second;
                if (second && secondPassAdded) *secondPassAdded = true;
                seen.insert(k, int(items.size()));
                items.append(item);
                return true;
            },
            second);
        if (progress) ShowProgress(QString());
    };
    pass(false);
    if (!aborted && grid->IsFiltered()) pass(true);
    return items;
}

void SortFunnelItems(QList<TFunnelItem>& items) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(items.begin(), items.end(), [&](const TFunnelItem& a, const TFunnelItem& b) {
        if (a.IsNull != b.IsNull) return a.IsNull;
        if (a.IsNull) return false;
        const int ta = a.Value.typeId();
        if (ta == QMetaType::QDateTime) return a.Value.toDateTime() < b.Value.toDateTime();
        if (ta == QMetaType::Double || ta == QMetaType::Float || ta == QMetaType::LongLong ||
            ta == QMetaType::Int || ta == QMetaType::UInt || ta == QMetaType::ULongLong)
            return a.Value.toDouble() < b.Value.toDouble();
        return collator.compare(a.DisplayText, b.DisplayText) < 0;
    });
}

QString FunnelCondition(const std::optional<TQueryField>& field, const QList<TFunnelItem>& items) {
    QStringList parts;
    for (const TFunnelItem& item : items) {
        if (!item.Checked) continue;
        parts << BuildFieldConditionEx(field, item.ValueText, item.IsNull, QString(), false);
    }
    return JoinOr(parts);
}

// ---- The list --------------------------------------------------------------------

// "(select all)" and the items, with their check boxes.
class TFunnelListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void reset(QList<TFunnelItem> items, bool rightAligned) {
        beginResetModel();
        items_ = std::move(items);
        rightAligned_ = rightAligned;
        selectAll_ = true;
        for (const TFunnelItem& item : items_) selectAll_ = selectAll_ && item.Checked;
        endResetModel();
    }
    const QList<TFunnelItem>& items() const { return items_; }
    bool selectAll() const { return selectAll_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(items_.size()) + 1;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::NoItemFlags;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const int row = index.row();
        const TFunnelItem* item = row > 0 ? &items_[row - 1] : nullptr;
        switch (role) {
        case Qt::DisplayRole: return item ? item->DisplayText : kFunnelSelectAll;
        case Qt::CheckStateRole:
            return (item ? item->Checked : selectAll_) ? Qt::Checked : Qt::Unchecked;
        case Qt::FontRole:
            if (!item) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (item && rightAligned_ && !item->IsNull) return int(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        default: return {};
        }
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::CheckStateRole) return false;
        const bool checked = value.toInt() == Qt::Checked;
        if (index.row() == 0) {
            // "(select all)" checks or unchecks everything.
            selectAll_ = checked;
            for (TFunnelItem& item : items_) item.Checked = checked;
            emit dataChanged(this->index(0), this->index(rowCount() - 1), {Qt::CheckStateRole});
            return true;
        }
        items_[index.row() - 1].Checked = checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        if (!checked && selectAll_) {
            selectAll_ = false;
            emit dataChanged(this->index(0), this->index(0), {Qt::CheckStateRole});
        }
        return true;
    }

private:
    QList<TFunnelItem> items_;
    bool rightAligned_ = false;
    bool selectAll_ = true;
};

// ---- The window ------------------------------------------------------------------

TxDBGridFilterForm::TxDBGridFilterForm(TxDBGrid* grid)
    : QFrame(grid, Qt::Popup | Qt::FramelessWindowHint), grid_(grid) {
    setObjectName(QStringLiteral("FunnelFilterForm"));
    setFrameShape(QFrame::Box);
    setMinimumSize(150, 120);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(3);
    auto* tools = new QHBoxLayout;
    btFilter = new QToolButton(this);
    btFilter->setText(QStringLiteral("Filter..."));
    btFilter->setToolTip(QStringLiteral("Enter filter condition"));
    // The filter-condition dialog comes with the filter conditions.
    btFilter->setEnabled(false);
    btClear = new QToolButton(this);
    btClear->setText(QStringLiteral("\u2715"));
    btClear->setToolTip(QStringLiteral("Clear"));
    tools->addWidget(btFilter);
    tools->addStretch(1);
    tools->addWidget(btClear);
    layout->addLayout(tools);
    List = new QListView(this);
    List->setObjectName(QStringLiteral("FunnelList"));
    List->setUniformItemSizes(true);
    model_ = new TFunnelListModel(this);
    List->setModel(model_);
    layout->addWidget(List, 1);
    chAddToFilter = new QCheckBox(QStringLiteral("Add to act. filter"), this);
    layout->addWidget(chAddToFilter);
    auto* buttons = new QHBoxLayout;
    btOk = new QPushButton(QStringLiteral("Ok"), this);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    layout->addLayout(buttons);
    connect(btOk, &QPushButton::clicked, this, &TxDBGridFilterForm::Accept);
    connect(btCancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(btClear, &QToolButton::clicked, this, [this] {
        const int column = column_;
        hide();
        grid_->SetFilterForField(grid_->ColumnField(column), QString(), true, true, true);
    });
}

void TxDBGridFilterForm::LoadList(int column) {
    column_ = column;
    bool secondPassAdded = false;
    QList<TFunnelItem> items = LoadFunnelItems(grid_, column, &secondPassAdded);
    SortFunnelItems(items);
    if (!secondPassAdded)
        for (TFunnelItem& item : items) item.Checked = true;
    const std::optional<TQueryField> field = grid_->ColumnField(column);
    model_->reset(std::move(items), field && IsNumericField(field));
    List->scrollToTop();
    chAddToFilter->setVisible(grid_->OptionsEx2.Filters.MultiFieldFilter);
    chAddToFilter->setChecked(false);
    btClear->setEnabled(grid_->IsFiltered());
    place(column);
}

int TxDBGridFilterForm::ItemCount() const {
    return model_->rowCount();
}

QString TxDBGridFilterForm::ItemText(int row) const {
    return model_->data(model_->index(row), Qt::DisplayRole).toString();
}

bool TxDBGridFilterForm::ItemChecked(int row) const {
    return model_->data(model_->index(row), Qt::CheckStateRole).toInt() == Qt::Checked;
}

void TxDBGridFilterForm::SetItemChecked(int row, bool checked) {
    model_->setData(model_->index(row), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

int TxDBGridFilterForm::FindItem(const QString& text) const {
    int found = -1;
    for (int row = 0; row < ItemCount(); ++row) {
        if (ItemText(row) != text) continue;
        if (found >= 0) return -1;
        found = row;
    }
    return found;
}

void TxDBGridFilterForm::place(int column) {
    const QPoint topLeft = grid_->viewport()->mapToGlobal(QPoint(grid_->columnViewportPosition(column), 0));
    const QRect gridRect(grid_->mapToGlobal(QPoint(0, 0)), grid_->size());
    int width = std::max(minimumWidth(), grid_->columnWidth(column));
    int height = std::max(minimumHeight(), gridRect.bottom() - 8 - topLeft.y());
    QPoint at = topLeft;
    if (at.x() + width > gridRect.right() - 16) {
        width = minimumWidth();
        at.setX(gridRect.right() - 16 - width);
    }
    // Shrink, never grow, to the items.
    const int itemHeight = std::max(16, List->sizeHintForRow(0));
    const int wanted = std::min(ItemCount(), 1000) * itemHeight + 40 + btOk->sizeHint().height() + 18 +
                       (chAddToFilter->isVisible() ? chAddToFilter->sizeHint().height() : 0);
    height = std::min(height, std::max(minimumHeight(), wanted));
    setGeometry(at.x(), at.y(), width, height);
}

void TxDBGridFilterForm::Accept() {
    const int column = column_;
    const std::optional<TQueryField> field = grid_->ColumnField(column);
    if (!field) {
        hide();
        return;
    }
    QString condition;
    if (!model_->selectAll()) {
        const QList<TFunnelItem>& items = model_->items();
        qsizetype checked = 0;
        for (const TFunnelItem& item : items) checked += item.Checked ? 1 : 0;
        if (items.size() > kMaxConditionValues && checked > kMaxConditionValues) {
            MsgWarning(QStringLiteral("It generates too complex filter condition. Change filter setting or use text filter instead."));
            return;
        }
        condition = FunnelCondition(field, items);
    }
    const bool multi = chAddToFilter->isVisible() && chAddToFilter->isChecked();
    hide();
    grid_->SetFilterForField(field, condition, multi, true, true);
}

void TxDBGridFilterForm::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    // A column of a million values is a list of a million items: it goes
    // with the window instead of staying until the next list.
    model_->reset({}, false);
}

void TxDBGridFilterForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Accept();
        return;
    }
    QFrame::keyPressEvent(event);
}
