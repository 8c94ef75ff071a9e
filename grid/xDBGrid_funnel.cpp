#include "grid/xDBGrid_funnel.h"

#include <QCheckBox>
#include <QCollator>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
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
    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("FunnelList"));
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
    connect(List, &QListWidget::itemChanged, this, &TxDBGridFilterForm::itemChanged);
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
    updating_ = true;
    List->clear();
    bool secondPassAdded = false;
    items_ = LoadFunnelItems(grid_, column, &secondPassAdded);
    SortFunnelItems(items_);
    if (!secondPassAdded)
        for (TFunnelItem& item : items_) item.Checked = true;
    bool all = true;
    for (const TFunnelItem& item : items_) all = all && item.Checked;
    auto* selectAll = new QListWidgetItem(kFunnelSelectAll, List);
    QFont bold = selectAll->font();
    bold.setBold(true);
    selectAll->setFont(bold);
    selectAll->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    selectAll->setCheckState(all ? Qt::Checked : Qt::Unchecked);
    const std::optional<TQueryField> field = grid_->ColumnField(column);
    const bool right = field && IsNumericField(field);
    for (const TFunnelItem& item : items_) {
        auto* entry = new QListWidgetItem(item.DisplayText, List);
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        entry->setCheckState(item.Checked ? Qt::Checked : Qt::Unchecked);
        if (right && !item.IsNull) entry->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    chAddToFilter->setVisible(grid_->OptionsEx2.Filters.MultiFieldFilter);
    chAddToFilter->setChecked(false);
    btClear->setEnabled(grid_->IsFiltered());
    updating_ = false;
    place(column);
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
    const int wanted = List->count() * itemHeight + 40 + btOk->sizeHint().height() + 18 +
                       (chAddToFilter->isVisible() ? chAddToFilter->sizeHint().height() : 0);
    height = std::min(height, std::max(minimumHeight(), wanted));
    setGeometry(at.x(), at.y(), width, height);
}

void TxDBGridFilterForm::itemChanged(QListWidgetItem* item) {
    if (updating_) return;
    updating_ = true;
    const int row = List->row(item);
    if (row == 0) {
        for (int i = 1; i < List->count(); ++i) List->item(i)->setCheckState(item->checkState());
    } else if (item->checkState() == Qt::Unchecked) {
        List->item(0)->setCheckState(Qt::Unchecked);
    }
    updating_ = false;
}

void TxDBGridFilterForm::Accept() {
    const int column = column_;
    const std::optional<TQueryField> field = grid_->ColumnField(column);
    if (!field) {
        hide();
        return;
    }
    QString condition;
    if (List->count() > 0 && List->item(0)->checkState() != Qt::Checked) {
        int checked = 0;
        for (int i = 1; i < List->count(); ++i) {
            items_[i - 1].Checked = List->item(i)->checkState() == Qt::Checked;
            checked += items_[i - 1].Checked ? 1 : 0;
        }
        if (items_.size() > kMaxConditionValues && checked > kMaxConditionValues) {
            MsgWarning(QStringLiteral("It generates too complex filter condition. Change filter setting or use text filter instead."));
            return;
        }
        condition = FunnelCondition(field, items_);
    }
    const bool multi = chAddToFilter->isVisible() && chAddToFilter->isChecked();
    hide();
    grid_->SetFilterForField(field, condition, multi, true, true);
}

void TxDBGridFilterForm::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
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
