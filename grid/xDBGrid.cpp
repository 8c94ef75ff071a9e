#include "grid/xDBGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QTimer>
#include <QToolTip>
#include <exception>

#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid_cell_text.h"
#include "grid/xDBGrid_delegate.h"
#include "grid/xDBGrid_filter_combo.h"
#include "grid/xDBGrid_funnel.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"

TxDBGrid::TxDBGrid(QWidget* parent) : QTableView(parent) {
    ColorActiveRow = QApplication::palette().color(QPalette::ToolTipBase);
    model_ = new TxDBGridModel(OptionsEx2, this);
    setModel(model_);
    header_ = new TxDBGridHeader(this);
    setHorizontalHeader(header_);
    setItemDelegate(new TxDBGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Typed keys, F2 and a click on the current cell open the cell editor
    // (edit() applies the editing check first).
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    model_->CanEditColumn = [this](int column) { return CanEditColumn(column); };
    connect(model_, &TxDBGridModel::editRefused, this, &TxDBGrid::reportEditError);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(11);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connect(model_, &TxDBGridModel::currentRecordMoved, this, &TxDBGrid::syncToCurrentRecord);
    connect(model_, &TxDBGridModel::dataSetReset, this, &TxDBGrid::dataSetReset);
    connect(header_, &QHeaderView::sectionHandleDoubleClicked, this,
            [this](int column) { SetOneColumnWidth(ColumnWidthAfterDblClick, column); });

    filterCombo_ = new TxComboBoxExFilter(viewport());
    filterCombo_->hide();
    filterTimer_ = new QTimer(this);
    filterTimer_->setSingleShot(true);
    connect(filterTimer_, &QTimer::timeout, this, &TxDBGrid::applyFilterEdit);
    connect(filterCombo_, &QComboBox::editTextChanged, this, &TxDBGrid::filterEditTextChanged);
    connect(filterCombo_, &TxComboBoxExFilter::EnterPressed, this, [this] {
        filterTimer_->stop();
        applyFilterEdit();
    });
    connect(filterCombo_, &TxComboBoxExFilter::EscapePressed, this, [this] { closeFilterEdit(false); });
    connect(filterCombo_, &TxComboBoxExFilter::FocusLeft, this, [this] { closeFilterEdit(true); });
    connect(filterCombo_, &TxComboBoxExFilter::MoveToBar, this, [this](int step) {
        // The next (or previous) visible filterable column in the grid's
        // order, wrapping around.
        const int from = editColumn_;
        if (from < 0) return;
        const int count = header_->count();
        int visual = header_->visualIndex(from);
        for (int i = 0; i < count; ++i) {
            visual = (visual + step + count) % count;
            const int column = header_->logicalIndex(visual);
            if (column != from && !header_->isSectionHidden(column) && IsColumnFilterable(column, true)) {
                ShowTextFilter(column);
                return;
            }
        }
    });

    searchTimer_ = new QTimer(this);
    searchTimer_->setSingleShot(true);
    connect(searchTimer_, &QTimer::timeout, this, &TxDBGrid::resetSearch);
    searchHint_ = new QLabel(viewport());
    searchHint_->setObjectName(QStringLiteral("SearchHint"));
    searchHint_->setAutoFillBackground(true);
    searchHint_->setFrameShape(QFrame::Box);
    QPalette hintPalette = searchHint_->palette();
    hintPalette.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
    hintPalette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ToolTipText));
    searchHint_->setPalette(hintPalette);
    searchHint_->hide();

    // The top-left cell is the grid's own button, not "select all".
    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->disconnect();
        connect(corner, &QAbstractButton::clicked, this, &TxDBGrid::TitleExClick);
        corner->installEventFilter(this);
    }
}

TxDBGrid::~TxDBGrid() {
    // The editor loses the focus while the widgets go; the grid must not
    // hear of it any more.
    filterCombo_->blockSignals(true);
    filterTimer_->stop();
    searchTimer_->stop();
    model_->setDataSet(nullptr);
}

void TxDBGrid::SetDataSet(TCustomQueryUDB* dataSet) {
    closeFilterEdit(false);
    model_->setDataSet(dataSet);
}

TCustomQueryUDB* TxDBGrid::DataSet() const {
    return model_->dataSet();
}

bool TxDBGrid::IsDatasetLinked() const {
    return DataSet() != nullptr;
}

bool TxDBGrid::IsActive() const {
    return IsDatasetLinked() && DataSet()->Active();
}

bool TxDBGrid::IsFiltered() const {
    return IsActive() && DataSet()->Filtered() && !DataSet()->Filter().trimmed().isEmpty();
}

bool TxDBGrid::IsEmpty() const {
    return IsActive() && DataSet()->IsEmpty();
}

int TxDBGrid::ColumnByFieldName(const QString& fieldName) const {
    for (int c = 0; c < model_->columnCount(); ++c) {
        const std::optional<TQueryField> f = model_->field(c);
        if (f && f->FieldName().compare(fieldName.trimmed(), Qt::CaseInsensitive) == 0) return c;
    }
    return -1;
}

std::optional<TQueryField> TxDBGrid::ColumnField(int column) const {
    return model_->field(column);
}

int TxDBGrid::SelectedColumn() const {
    const QModelIndex current = currentIndex();
    if (current.isValid()) return current.column();
    // A reset of the rows (after a post, a re-query) keeps the user's column.
    if (lastColumn_ >= 0 && lastColumn_ < model_->columnCount() && !header_->isSectionHidden(lastColumn_))
        return lastColumn_;
    // The first visible column when no cell was chosen yet.
    for (int visual = 0; visual < header_->count(); ++visual) {
        const int logical = header_->logicalIndex(visual);
        if (!header_->isSectionHidden(logical)) return logical;
    }
    return -1;
}

std::optional<TQueryField> TxDBGrid::SelectedField() const {
    return ColumnField(SelectedColumn());
}

QString TxDBGrid::GetTitleText(int column) const {
    return model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

QString TxDBGrid::GetCellValue(const std::optional<TQueryField>& field, bool useDisplayText) const {
    if (!field || !IsActive() || DataSet()->RecNo() == 0) return {};
    try {
        const int column = int(field->Index());
        if (!useDisplayText && model_->cellKind(column) != TxDBGridModel::ckPicture)
            return field->AsString();
        return model_->cellText(int(DataSet()->RecNo()) - 1, column);
    } catch (const std::exception&) {
        return {};
    }
}

void TxDBGrid::syncToCurrentRecord() {
    if (syncing_ || !IsActive()) return;
    const int row = model_->currentRow();
    if (row < 0) return;
    const int column = std::max(0, SelectedColumn());
    const QModelIndex target = model_->index(row, column);
    if (target == currentIndex()) return;
    syncing_ = true;
    setCurrentIndex(target);
    scrollTo(target);
    syncing_ = false;
}

void TxDBGrid::dataSetReset() {
    RefreshFilteredFieldNames();
    if (columnWidth_ != cwNone && IsActive()) SetColumnWidth(columnWidth_);
    syncToCurrentRecord();
    viewport()->update();
    header_->viewport()->update();
}

void TxDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) lastColumn_ = current.column();
    if (syncing_ || !current.isValid() || !IsActive()) return;
    if (current.row() == previous.row() && previous.isValid()) return;
    if (current.row() == model_->newRecordRow()) return;  // the record being added
    QString refused;
    syncing_ = true;
    try {
        // Leaving an edited record posts it first.
        DataSet()->SetRecNo(size_t(current.row()) + 1);
    } catch (const std::exception& error) {
        refused = QString::fromUtf8(error.what());
    }
    syncing_ = false;
    // A post that changed the rows, or one that was refused, leaves the
    // grid where the query is.
    syncToCurrentRecord();
    if (!refused.isEmpty()) reportEditError(refused);
}

void TxDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // The modes that stay in force follow the grid's width.
    if (columnWidth_ == cwSameWidth || columnWidth_ == cwAutoWidth) SetColumnWidth(columnWidth_);
}

void TxDBGrid::mousePressEvent(QMouseEvent* event) {
    // A click into the data leaves the bar's editor, as moving the focus does.
    closeFilterEdit(true);
    resetSearch();
    QTableView::mousePressEvent(event);
}

void TxDBGrid::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_C && mods == Qt::ControlModifier) ||
        (event->key() == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        CopyCellData(true);
        event->accept();
        return;
    }
    if (searchKey(event) || editKey(event)) {
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        mods == Qt::NoModifier && OptionsEx2.Appearance.ReturnAsTabKey) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool TxDBGrid::focusNextPrevChild(bool next) {
    const bool editing = DataSet() && DataSet()->Active() && DataSet()->IsEditing();
    if (!OptionsEx2.Appearance.StandardTabKey && !editing) return QWidget::focusNextPrevChild(next);
    return QTableView::focusNextPrevChild(next);
}

QString TxDBGrid::RecordCountHint() const {
    if (!IsActive()) return {};
    QString hint = QStringLiteral("Total count of records: %1").arg(DataSet()->RecordCount());
    if (IsFiltered()) hint += QStringLiteral("\nFilter condition:\n") + DataSet()->Filter();
    return hint;
}

void TxDBGrid::TitleExClick() {
    if (!IsActive()) return;
    if (OptionsEx2.Filters.TextBar) {
        if (IsFiltered()) {
            lastFilterText_ = DataSet()->Filter();
            ResetFilter();
        } else if (!lastFilterText_.isEmpty() && ApplyFilter(DataSet(), lastFilterText_, true)) {
            FilterChangedNotification();
        }
    }
    QToolTip::showText(mapToGlobal(QPoint(4, 4)), RecordCountHint(), this);
}

bool TxDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && qobject_cast<QAbstractButton*>(watched) &&
        OptionsEx2.FixedCell.TitleExBtnHintRecCount) {
        QString hint = RecordCountHint();
        if (IsFiltered() && OptionsEx2.Filters.TextBar) hint += QStringLiteral("\n\nClick: Clear current filter");
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint, this);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

bool TxDBGrid::viewportEvent(QEvent* event) {
    // A cell's hint is its text, only when the cell does not show it whole.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        QString text = index.isValid() ? model_->cellText(index.row(), index.column()) : QString();
        const bool fits = fontMetrics().horizontalAdvance(text) + 8 <= visualRect(index).width() &&
                          !text.contains(u'\n') && !text.contains(u'\r');
        if (text.isEmpty() || fits) {
            QToolTip::hideText();
        } else {
            text.truncate(OptionsEx2.Appearance.HintMaxLength);
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
        }
        return true;
    }
    return QTableView::viewportEvent(event);
}

TCustomQueryUDB* GetDataSetOf(const TxDBGrid* grid) {
    return grid ? grid->DataSet() : nullptr;
}

bool FilterBySelectedCell(TxDBGrid* grid, int mode) {
    if (!grid) return false;
    return FilterBySelection(grid->SelectedField(), TFilterBySelectionMode(mode));
}
