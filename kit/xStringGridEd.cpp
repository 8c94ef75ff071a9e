#include "kit/xStringGridEd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QColorDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "kit/colour_names.h"
#include "kit/xStringGridEd_delegate.h"

namespace {

// The item index of the custom-colour entry in a colour list.
constexpr int kCustomColourEntry = 20;

}  // namespace

TxStringGridEd::TxStringGridEd(QWidget* parent)
    : QTableView(parent), itemModel_(std::make_unique<kit::StringGridEdItemModel>(core_)) {
    itemModel_->titleFont = font();
    setModel(itemModel_.get());
    delegate_ = new kit::StringGridEdDelegate(this);
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    defaultRowHeight_ = fontMetrics().height() + 8;
    verticalHeader()->setDefaultSectionSize(defaultRowHeight_);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setHighlightSections(false);
    chooseCustomColour = [this](const QColor& start) {
        return QColorDialog::getColor(start, this);
    };
    // A double click on a title's border fits the column left of it.
    connect(horizontalHeader(), &QHeaderView::sectionHandleDoubleClicked, this,
            [this](int section) { SetColumnAutoFit(section + core_.FixedCols()); });
    connect(itemModel_.get(), &kit::StringGridEdItemModel::currentCellRequested, this,
            [this](int col, int row) { moveCurrentTo(col, row); });
    connect(itemModel_.get(), &QAbstractItemModel::modelReset, this, [this] {
        UpdateColumns();
        moveCurrentTo(core_.Col(), core_.Row());
    });
    // The view's corner button is its only button child at this point.
    if ((corner_ = findChild<QAbstractButton*>())) corner_->installEventFilter(this);
    UpdateColumns();
}

QString TxStringGridEd::cornerTitle() const {
    if (core_.FixedCols() < 1 || core_.FixedRows() < 1) return QString();
    const TxStringGridEdColumn& fixed = core_.GetColumn(0);
    return fixed.TitleCaption.isEmpty() ? core_.Cells(0, 0) : fixed.TitleCaption;
}

bool TxStringGridEd::eventFilter(QObject* watched, QEvent* event) {
    if (watched != corner_ || event->type() != QEvent::Paint)
        return QTableView::eventFilter(watched, event);
    // The button paints itself first (event() does not pass the filters
    // again), then the title goes on top, as the other titles are drawn.
    static_cast<QObject*>(corner_)->event(event);
    const QString title = cornerTitle();
    if (title.isEmpty()) return true;
    QPainter painter(corner_);
    QFont titleFont = itemModel_->titleFont;
    titleFont.setBold(core_.hasOptionEx(dgShowTitleBold));
    painter.setFont(titleFont);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(corner_->rect().adjusted(3, 0, -3, 0),
                     int(core_.GetColumn(0).effectiveAlignment() | Qt::AlignVCenter), title);
    return true;
}

TxStringGridEd::~TxStringGridEd() {
    // The item model outlives the view's use of it only until here.
    setModel(nullptr);
}

void TxStringGridEd::setColCount(int count) {
    core_.setColCount(count);
}

void TxStringGridEd::setFixedCols(int count) {
    core_.setFixedCols(count);
}

void TxStringGridEd::setDefaultColumnWidth(int pixels) {
    defaultColumnWidth_ = pixels;
    UpdateColumns();
}

void TxStringGridEd::setTitleRowHeight(int pixels) {
    titleRowHeight_ = pixels;
    if (pixels > 0) {
        horizontalHeader()->setFixedHeight(pixels);
    } else {
        horizontalHeader()->setMinimumHeight(0);
        horizontalHeader()->setMaximumHeight(QWIDGETSIZE_MAX);
    }
}

void TxStringGridEd::setAutoRowHeight(bool on) {
    autoRowHeight_ = on;
    if (!on) {
        for (int section = 0; section < itemModel_->rowCount(); ++section)
            verticalHeader()->resizeSection(section, defaultRowHeight_);
    }
    viewport()->update();
}

void TxStringGridEd::setAutoRowMaxHeight(int pixels) {
    autoRowMaxHeight_ = pixels;
    viewport()->update();
}

int TxStringGridEd::autoHeightOfRow(int row) const {
    int height = defaultRowHeight_;
    for (int col = core_.FixedCols(); col < core_.ColCount(); ++col) {
        const TxStringGridEdColumn& column = core_.GetColumn(col);
        if (!column.Visible) continue;
        const int width = columnWidth(col - core_.FixedCols()) - 2 * innerMargin_ - 4;
        const int flags =
            (column.WordWrap ? int(Qt::TextWordWrap) : 0) | int(column.effectiveAlignment());
        const QRect text = fontMetrics().boundingRect(QRect(0, 0, std::max(width, 1), 100000),
                                                      flags, core_.Cells(col, row));
        height = std::max(height, text.height() + 2);
    }
    if (autoRowMaxHeight_ > 0) height = std::min(height, autoRowMaxHeight_);
    return height;
}

void TxStringGridEd::paintEvent(QPaintEvent* event) {
    if (autoRowHeight_) {
        // Rows take their height as they come into view, as painting finds them.
        const int first = std::max(rowAt(0), 0);
        int last = rowAt(viewport()->height());
        if (last < 0) last = itemModel_->rowCount() - 1;
        for (int section = first; section <= last; ++section) {
            const int wanted = autoHeightOfRow(section + core_.FixedRows());
            if (rowHeight(section) != wanted) verticalHeader()->resizeSection(section, wanted);
        }
    }
    QTableView::paintEvent(event);
}

void TxStringGridEd::UpdateColumns() {
    verticalHeader()->setVisible(core_.FixedCols() > 0);
    horizontalHeader()->setVisible(core_.FixedRows() > 0);
    for (int col = core_.FixedCols(); col < core_.ColCount(); ++col) {
        const TxStringGridEdColumn& column = core_.GetColumn(col);
        const int section = col - core_.FixedCols();
        setColumnWidth(section, column.Width >= 0 ? column.Width : defaultColumnWidth_);
        setColumnHidden(section, !column.Visible);
    }
    if (core_.FixedCols() > 0) {
        const TxStringGridEdColumn& fixed = core_.GetColumn(0);
        verticalHeader()->setFixedWidth(fixed.Width >= 0 ? fixed.Width : 24);
    }
    horizontalHeader()->setStretchLastSection(core_.hasOptionEx(dgResizeLastColumn));
    if (itemModel_->columnCount() > 0)
        emit itemModel_->headerDataChanged(Qt::Horizontal, 0, itemModel_->columnCount() - 1);
}

void TxStringGridEd::setAutoAddNewRow(bool on) {
    core_.AutoAddNewRow = on;
    core_.applyNewRowRule();
}

void TxStringGridEd::setOptionEx(TOptionEx option, bool on) {
    core_.setOptionEx(option, on);
    UpdateColumns();
    viewport()->update();
}

void TxStringGridEd::setChangedCellsBkColor(const QColor& colour) {
    itemModel_->changedCellsBkColor = colour;
    viewport()->update();
}

void TxStringGridEd::BeginUpdate(bool useChangeLog) {
    core_.BeginUpdate(useChangeLog);
    setUpdatesEnabled(false);
}

void TxStringGridEd::EndUpdate() {
    core_.EndUpdate();
    if (core_.updateLock() == 0) {
        setUpdatesEnabled(true);
        viewport()->update();
    }
}

QLineEdit* TxStringGridEd::inplaceEditor() const {
    if (state() != EditingState) return nullptr;
    // A closed editor is hidden at once but deleted only later.
    for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>("sgInplaceEdit"))
        if (!editor->isHidden()) return editor;
    return nullptr;
}

void TxStringGridEd::FinishEditing() {
    // The editor's text is in the cell already; closing it is all it needs.
    if (QLineEdit* editor = inplaceEditor()) delegate_->closeEditorOf(editor);
    core_.FinishEditing();
}

void TxStringGridEd::SetColumnAutoFit(int index) {
    if (index < 0 || index >= core_.ColCount()) return;
    const TxStringGridEdColumn& column = core_.GetColumn(index);
    if (column.ButtonStyle == sgbRichText) return;
    const QFontMetrics metrics(font());
    const int limit = viewport()->width() * 2 / 3;
    QString title = column.TitleCaption.isEmpty() ? core_.Cells(index, 0) : column.TitleCaption;
    int width = std::max(40, QFontMetrics(itemModel_->titleFont).horizontalAdvance(title));
    for (int row = core_.FixedRows(); row < core_.RowCount(); ++row) {
        const int cell = metrics.horizontalAdvance(core_.Cells(index, row));
        if (cell > limit) {
            width = limit;
            break;
        }
        width = std::max(width, cell);
    }
    if (isListStyle(column.ButtonStyle) || isEllipsisStyle(column.ButtonStyle))
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    core_.GetColumn(index).Width = width + 12;
    UpdateColumns();
}

void TxStringGridEd::SetColumnsAutoFit() {
    for (int col = core_.FixedCols(); col < core_.ColCount(); ++col) SetColumnAutoFit(col);
}

// ---- events ---------------------------------------------------------------------

void TxStringGridEd::setOnFinishCellEditing(
    std::function<void(TxStringGridEd*, int, int)> handler) {
    if (!handler) {
        core_.OnFinishCellEditing = nullptr;
        return;
    }
    core_.OnFinishCellEditing = [this, handler](int col, int row) { handler(this, col, row); };
}

void TxStringGridEd::setOnCanEdit(std::function<void(TxStringGridEd*, int, int, bool&)> handler) {
    if (!handler) {
        core_.OnCanEdit = nullptr;
        return;
    }
    core_.OnCanEdit = [this, handler](int col, int row, bool& canEdit) {
        handler(this, col, row, canEdit);
    };
}

void TxStringGridEd::setOnPicklistDropdown(
    std::function<void(TxStringGridEd*, int, int, QStringList&)> handler) {
    if (!handler) {
        core_.OnPicklistDropdown = nullptr;
        return;
    }
    core_.OnPicklistDropdown = [this, handler](int col, int row, QStringList& items) {
        handler(this, col, row, items);
    };
}

void TxStringGridEd::setOnEllipsisClicked(std::function<void(TxStringGridEd*, int, int)> handler) {
    if (!handler) {
        core_.OnEllipsisClicked = nullptr;
        return;
    }
    core_.OnEllipsisClicked = [this, handler](int col, int row) { handler(this, col, row); };
}

void TxStringGridEd::setOnGetCellParams(
    std::function<void(TxStringGridEd*, int, int, kit::CellParams&)> handler) {
    if (!handler) {
        itemModel_->onGetCellParams = nullptr;
        return;
    }
    itemModel_->onGetCellParams = [this, handler](int col, int row, kit::CellParams& params) {
        handler(this, col, row, params);
    };
}

// ---- current cell ------------------------------------------------------------------

void TxStringGridEd::moveCurrentTo(int col, int row) {
    const QModelIndex target = itemModel_->indexOfCell(col, row);
    if (!target.isValid() || target == currentIndex()) return;
    syncingCurrent_ = true;
    setCurrentIndex(target);
    syncingCurrent_ = false;
}

void TxStringGridEd::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!syncingCurrent_ && current.isValid())
        core_.selectCell(itemModel_->gridCol(current), itemModel_->gridRow(current));
}

void TxStringGridEd::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    // The editor and the pop-up list belong to the grid: only leaving for
    // another widget finishes the cell, which is known once focus has moved.
    QTimer::singleShot(0, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (focus && (focus == this || isAncestorOf(focus) || focus == popup_)) return;
        if (state() != EditingState) core_.FinishEditing();
    });
}

// ---- keys and mouse -------------------------------------------------------------------

void TxStringGridEd::keyPressEvent(QKeyEvent* event) {
    if (state() != EditingState) {
        kit::GridClipboard clipboard{
            [] { return QApplication::clipboard()->text(); },
            [](const QString& text) { QApplication::clipboard()->setText(text); }};
        if (!core_.Editing || core_.RowSelect) clipboard.text = nullptr;
        switch (core_.handleGridKey(event->key(), event->modifiers(), clipboard)) {
            case kit::GridKeyResult::Handled:
            case kit::GridKeyResult::ButtonClick:
                event->accept();
                return;
            case kit::GridKeyResult::OpenPopup:
                openPopup();
                event->accept();
                return;
            case kit::GridKeyResult::NotHandled:
                break;
        }
        // Typing into a closed list style opens its list with that key.
        const TxStringGridEdEditStyle style = core_.editStyleOf(core_.Col(), core_.Row());
        const QString text = event->text();
        if ((style == sgbDropDownList || style == sgbDropDownColor ||
             style == sgbDropDownCheckListOnly) &&
            text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace() &&
            core_.mayShowEditor(core_.Col(), core_.Row())) {
            openPopup();
            if (popup_ && popup_->isVisible()) popup_->search(text.at(0));
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TxStringGridEd::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        const int col = itemModel_->gridCol(index);
        const int row = itemModel_->gridRow(index);
        const TxStringGridEdEditStyle style = core_.editStyleOf(col, row);
        if (isEllipsisStyle(style)) {
            QTimer::singleShot(120, this, [this, col, row] {
                if (core_.OnEllipsisClicked) core_.OnEllipsisClicked(col, row);
            });
            event->accept();
            return;
        }
        if ((isListStyle(style) || style == sgbDateTimePicker) && core_.mayShowEditor(col, row)) {
            setCurrentIndex(index);
            openPopup();
            event->accept();
            return;
        }
    }
    QTableView::mouseDoubleClickEvent(event);
}

// ---- pop-up list ----------------------------------------------------------------------

QStringList TxStringGridEd::popupItems(int col, int row, TxStringGridEdEditStyle style) const {
    const TxStringGridEdColumn& column = core_.GetColumn(col);
    QStringList items = column.PickList;
    if (style == sgbDropDownColor && items.isEmpty()) {
        for (const kit::NamedColour& entry : kit::colourNameTable()) items << entry.displayName;
    }
    if (core_.OnPicklistDropdown) core_.OnPicklistDropdown(col, row, items);
    return items;
}

void TxStringGridEd::openPopup() {
    const int col = core_.Col();
    const int row = core_.Row();
    const TxStringGridEdEditStyle style = core_.editStyleOf(col, row);
    if (style == sgbDateTimePicker && core_.mayShowEditor(col, row)) {
        openCalendar(col, row);
        return;
    }
    if (!isListStyle(style) || !core_.mayShowEditor(col, row)) return;
    const QModelIndex index = itemModel_->indexOfCell(col, row);
    if (state() != EditingState) edit(index);
    if (!popup_) {
        popup_ = new kit::StringGridEdPopupList(this);
        connect(popup_, &kit::StringGridEdPopupList::itemChosen, this,
                &TxStringGridEd::popupChosen);
        connect(popup_, &kit::StringGridEdPopupList::itemToggled, this,
                &TxStringGridEd::popupToggled);
        connect(popup_, &kit::StringGridEdPopupList::closedWithoutChoice, this, [this] {
            if (popup_->isCheckList()) core_.FinishEditing();
        });
        connect(popup_, &kit::StringGridEdPopupList::hidden, this, [this] {
            if (core_.OnEditorEvent)
                core_.OnEditorEvent(core_.Col(), core_.Row(), "PickListAfterHide");
        });
    }
    if (core_.OnEditorEvent) core_.OnEditorEvent(col, row, "PickListBeforeShow");
    const TxStringGridEdColumn& column = core_.GetColumn(col);
    popup_->setup(popupItems(col, row, style), core_.Cells(col, row), style, column);
    const QRect cell = visualRect(index);
    const QRect onScreen(viewport()->mapToGlobal(cell.topLeft()), cell.size());
    popup_->showAt(onScreen, cell.width(), column.DropDownRows);
    if (core_.OnEditorEvent) core_.OnEditorEvent(col, row, "PickListAfterShow");
}

void TxStringGridEd::editorButtonClicked() {
    const int col = core_.Col();
    const int row = core_.Row();
    const TxStringGridEdEditStyle style = core_.editStyleOf(col, row);
    if (isEllipsisStyle(style)) {
        if (core_.OnEllipsisClicked) core_.OnEllipsisClicked(col, row);
        return;
    }
    if (popup_ && popup_->isVisible()) {
        popup_->hide();
        return;
    }
    if (calendar_ && calendar_->isVisible()) {
        calendar_->hide();
        return;
    }
    openPopup();
}

void TxStringGridEd::openCalendar(int col, int row) {
    const QModelIndex index = itemModel_->indexOfCell(col, row);
    if (state() != EditingState) edit(index);
    if (!calendar_) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setGridVisible(true);
        connect(calendar_, &QCalendarWidget::clicked, this, &TxStringGridEd::calendarChosen);
        connect(calendar_, &QCalendarWidget::activated, this, &TxStringGridEd::calendarChosen);
    }
    const auto current = kit::parseGridDateTime(core_.Cells(col, row), core_.numFormatOf(col, row),
                                                sgdDateTime, core_.locale);
    calendar_->setSelectedDate(current ? current->date() : QDate::currentDate());
    const QRect cell = visualRect(index);
    QPoint at = viewport()->mapToGlobal(cell.bottomLeft() + QPoint(0, 1));
    const QSize size = calendar_->sizeHint();
    if (const QScreen* screen = QGuiApplication::screenAt(at)) {
        if (at.y() + size.height() > screen->availableGeometry().bottom())
            at.setY(viewport()->mapToGlobal(cell.topLeft()).y() - size.height());
    }
    calendar_->setGeometry(QRect(at, size));
    calendar_->show();
    calendar_->setFocus();
}

void TxStringGridEd::calendarChosen(const QDate& date) {
    const int col = core_.Col();
    const int row = core_.Row();
    calendar_->hide();
    // A date-time cell keeps its time of day; other cells take the date alone.
    const auto current = kit::parseGridDateTime(core_.Cells(col, row), core_.numFormatOf(col, row),
                                                sgdDateTime, core_.locale);
    QDateTime value(date, QTime(0, 0));
    if (core_.dataTypeOf(col, row) == sgdDateTime && current) value.setTime(current->time());
    TxStringGridEdDataType type = core_.dataTypeOf(col, row);
    if (!isDateTimeType(type)) type = sgdDate;
    core_.acceptPickListItem(
        col, row, kit::formatGridDateTime(value, core_.numFormatOf(col, row), type, core_.locale));
    if (QLineEdit* line = inplaceEditor()) {
        line->setText(core_.Cells(col, row));
        delegate_->closeEditorOf(line);
    }
    setFocus();
}

void TxStringGridEd::popupChosen(const QString& item) {
    const int col = core_.Col();
    const int row = core_.Row();
    QString value = item;
    if (core_.editStyleOf(col, row) == sgbDropDownColor && popup_ &&
        popup_->currentRow() == kCustomColourEntry && core_.GetColumn(col).PickList.isEmpty()) {
        const std::optional<QColor> start = kit::colourFromText(core_.Cells(col, row));
        const QColor chosen =
            chooseCustomColour ? chooseCustomColour(start.value_or(Qt::white)) : QColor();
        if (!chosen.isValid()) return;
        const QRgb rgb = chosen.rgb();
        const unsigned stored = static_cast<unsigned>(qRed(rgb)) |
                                (static_cast<unsigned>(qGreen(rgb)) << 8) |
                                (static_cast<unsigned>(qBlue(rgb)) << 16);
        value = QString("$%1").arg(stored, 8, 16, QChar('0')).toUpper();
    }
    core_.acceptPickListItem(col, row, value);
    if (QLineEdit* line = inplaceEditor()) {
        line->setText(core_.Cells(col, row));
        delegate_->closeEditorOf(line);
    }
    setFocus();
}

void TxStringGridEd::popupToggled(const QString& item) {
    const int col = core_.Col();
    const int row = core_.Row();
    core_.toggleCheckListItem(col, row, item);
    if (QLineEdit* line = inplaceEditor()) line->setText(core_.Cells(col, row));
}
