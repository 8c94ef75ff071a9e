#include "kit/xImprovedComps_groupbox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QUrl>

namespace {

QStringList localFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

TxGroupBox::TxGroupBox(QWidget* parent) : TxGroupBox(QString(), parent) {}

TxGroupBox::TxGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    resizeTimer_.setSingleShot(true);
    connect(&resizeTimer_, &QTimer::timeout, this, &TxGroupBox::RefreshAutoPosition);
}

void TxGroupBox::setEnableDropFile(bool on) {
    enableDropFile_ = on;
    updateDropAcceptance();
}

void TxGroupBox::setFrameType(kit::FrameType frame) {
    frameType_ = frame;
    update();
}

int TxGroupBox::captionHeight() const {
    if (captionHeight_ > 0) return captionHeight_;
    return title().isEmpty() ? 0 : fontMetrics().height();
}

void TxGroupBox::setAutoResizeChild(const TxAutoResizeChild& settings) {
    autoResizeChild_ = settings;
    if (autoResizeChild_.AutoResizeActive) RefreshAutoPosition();
}

QRect TxGroupBox::clientArea() const {
    if (frameType_ == kit::FrameType::ftNone) return rect().adjusted(0, captionHeight(), 0, 0);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this);
}

void TxGroupBox::SetAllChildren(bool enabled) {
    // Explicitly, not only through Qt's inheritance, so that a child that
    // was disabled on its own follows the box when it is enabled again.
    for (QWidget* child : findChildren<QWidget*>()) child->setEnabled(enabled);
}

void TxGroupBox::updateDropAcceptance() {
    setAcceptDrops(enableDropFile_ && isEnabled());
}

void TxGroupBox::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() != QEvent::EnabledChange) return;
    updateDropAcceptance();
    if (autoEnableChildren_) SetAllChildren(isEnabled());
}

void TxGroupBox::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    if (!autoResizeChild_.AutoResizeActive) return;
    if (autoResizeChild_.AutoResizeDelay <= 0 || placedByParent_) {
        RefreshAutoPosition();
    } else {
        resizeTimer_.start(autoResizeChild_.AutoResizeDelay);
    }
}

void TxGroupBox::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptDrops() && !localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TxGroupBox::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptDrops() && !localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TxGroupBox::dropEvent(QDropEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (!acceptDrops() || files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropFiles_ = files;
    dropPoint_ = event->position().toPoint();
    emit filesDropped(this);
}

void TxGroupBox::paintEvent(QPaintEvent* event) {
    if (frameType_ != kit::FrameType::ftNone) {
        QGroupBox::paintEvent(event);
        return;
    }
    // A frameless band shows only its caption.
    if (title().isEmpty()) return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, 0, width(), captionHeight()),
                     int(alignment() | Qt::AlignVCenter | Qt::TextShowMnemonic), title());
}

kit::BoxSpacing TxGroupBox::spacing() const {
    kit::BoxSpacing spacing;
    spacing.border = autoResizeChild_.BorderSpacing;
    spacing.borderLeftAdd = autoResizeChild_.BorderLeftAddSpacing;
    spacing.colSpacing = autoResizeChild_.ColSpacing;
    spacing.rowSpacing = autoResizeChild_.RowSpacing;
    return spacing;
}

void TxGroupBox::RefreshAutoPosition() {
    resizeTimer_.stop();
    const QRect client = clientArea();
    const kit::BoxSpacing boxSpacing = spacing();
    layoutGrid(client, boxSpacing);
    if (!minimized_) layoutPositions(client, boxSpacing);
    emit autoPositionRefreshed(this);
}

void TxGroupBox::layoutGrid(const QRect& client, const kit::BoxSpacing& boxSpacing) {
    const std::vector<double> columns = kit::parsePercents(autoResizeChild_.ColWidthsPercent);
    const std::vector<double> rows = kit::parsePercents(autoResizeChild_.RowHeightsPercent);
    if (columns.empty() && rows.empty()) return;
    for (TxGroupBox* child : findChildren<TxGroupBox*>(Qt::FindDirectChildrenOnly)) {
        const TxAutoResizePos& pos = child->autoResizePos();
        const kit::GridCell cell{pos.ColumnIndexFrom, pos.ColumnIndexTo, pos.RowIndexFrom,
                                 pos.RowIndexTo,      pos.LastColumn,    pos.LastRow};
        QRect bounds =
            kit::placeGridCell(cell, child->geometry(), client, columns, rows, boxSpacing);
        // A minimised box keeps its size across the caption bar.
        if (child->minimized()) bounds.setHeight(child->height());
        if (bounds.width() <= 0 || bounds.height() <= 0 || bounds == child->geometry()) continue;
        child->placedByParent_ = true;
        child->setGeometry(bounds);
        child->placedByParent_ = false;
    }
}

QWidget* TxGroupBox::findChildControl(const QString& name) const {
    if (auto* direct = findChild<QWidget*>(name, Qt::FindDirectChildrenOnly)) return direct;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0) return child;
    return nullptr;
}

void TxGroupBox::layoutPositions(const QRect& client, const kit::BoxSpacing& boxSpacing) {
    QWidget* previous = nullptr;
    for (const kit::ChildPositionLine& line :
         kit::parseChildCompsPos(autoResizeChild_.ChildCompsPos)) {
        QWidget* child = findChildControl(line.name);
        if (!child) continue;
        if (autoResizeChild_.AutoSetTabOrder) {
            if (previous) QWidget::setTabOrder(previous, child);
            previous = child;
        }
        const auto bounds = kit::positionChild(kit::parseChildPosition(line.position),
                                               child->geometry(), client, boxSpacing);
        if (bounds && *bounds != child->geometry()) child->setGeometry(*bounds);
    }
}

std::optional<kit::ChildPosition> TxGroupBox::GetAutoResizeChildComponentPos(
    const QString& compName) const {
    const auto text = kit::positionTextOf(autoResizeChild_.ChildCompsPos, compName);
    if (!text) return std::nullopt;
    return kit::parseChildPosition(*text);
}

void TxGroupBox::SetAutoResizeChildComponentPos(const QString& compName,
                                                const kit::ChildPosition& pos) {
    kit::setPositionText(autoResizeChild_.ChildCompsPos, compName, kit::formatChildPosition(pos));
    RefreshAutoPosition();
}

void TxGroupBox::setMinimized(bool on) {
    if (on == minimized_) return;
    const int caption = captionHeight();
    if (on) {
        visibilityBeforeMinimize_.clear();
        originSize_ = height();
        const int extent = kit::minimizedExtent(caption, frameType_);
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            visibilityBeforeMinimize_.emplace_back(child, child->isVisibleTo(this));
            if (child->geometry().bottom() + 1 > extent) child->hide();
        }
        minimized_ = true;
        resize(width(), extent);
    } else {
        int farthest = 0;
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            farthest = std::max(farthest, child->geometry().bottom() + 1);
        minimized_ = false;
        resize(width(), kit::restoredExtent(originSize_, caption, farthest));
        for (const auto& [child, visible] : visibilityBeforeMinimize_)
            if (child) child->setVisible(visible);
        visibilityBeforeMinimize_.clear();
    }
    emit minimizeChanged(this);
}
