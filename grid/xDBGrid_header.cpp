#include "grid/xDBGrid_header.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include "grid/xDBGrid.h"
#include "grid/xDBGrid_filter_combo.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_sorter.h"

TxDBGridHeader::TxDBGridHeader(TxDBGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMinimumSectionSize(8);
    setObjectName(QStringLiteral("gridTitles"));
}

int TxDBGridHeader::titleBandHeight() const {
    return fontMetrics().height() + 6;
}

int TxDBGridHeader::barBandHeight() const {
    if (!grid_->OptionsEx2.Filters.TextBar) return 0;
    return fontMetrics().height() + 2 * grid_->OptionsEx2.Filters.TextMarginY + 6;
}

QSize TxDBGridHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(titleBandHeight() + barBandHeight());
    return size;
}

QRect TxDBGridHeader::sectionRectOf(int column) const {
    if (column < 0 || column >= count() || isSectionHidden(column)) return {};
    return QRect(sectionViewportPosition(column), 0, sectionSize(column), viewport()->height());
}

QRect TxDBGridHeader::barRect(int column) const {
    const QRect section = sectionRectOf(column);
    if (section.isNull() || barBandHeight() == 0 || !grid_->IsColumnFilterable(column, true)) return {};
    const int mx = grid_->OptionsEx2.Filters.TextMarginX + 1;
    const int top = grid_->OptionsEx2.Filters.TextBarTopLayout ? 2 : section.bottom() - barBandHeight() + 2;
    return QRect(section.left() + mx, top, section.width() - 2 * mx, barBandHeight() - 4);
}

QRect TxDBGridHeader::barClearRect(int column) const {
    const QRect bar = barRect(column);
    if (bar.isNull() || grid_->ColumnBarText(column).isEmpty()) return {};
    return QRect(bar.right() - bar.height() + 1, bar.top(), bar.height(), bar.height());
}

QRect TxDBGridHeader::funnelRect(int column) const {
    const QRect section = sectionRectOf(column);
    if (section.isNull() || !grid_->OptionsEx2.Filters.FunnelBtn ||
        !grid_->IsColumnFilterable(column, false))
        return {};
    if (grid_->OptionsEx2.Filters.FunnelBtnActiveOnly && !grid_->ColumnFiltered(column)) return {};
    const int top = grid_->OptionsEx2.Filters.TextBarTopLayout ? barBandHeight() : 0;
    const int size = kGlyphWidth + 4;
    if (section.width() < size + grid_->OptionsEx2.FixedCell.TitleTextMinWidth) return {};
    return QRect(section.right() - size - 1, top + (titleBandHeight() - size) / 2, size, size);
}

TxDBGridHeader::Area TxDBGridHeader::areaAt(const QPoint& pos, int* column) const {
    const int c = logicalIndexAt(pos);
    if (column) *column = c;
    if (c < 0) return aNone;
    if (barClearRect(c).contains(pos)) return aBarClear;
    if (barRect(c).contains(pos)) return aBar;
    if (funnelRect(c).contains(pos)) return aFunnel;
    return aTitle;
}

namespace {

void drawFunnel(QPainter* p, const QRect& r, bool active) {
    QPainterPath path;
    const QRectF f = QRectF(r).adjusted(2, 3, -2, -2);
    path.moveTo(f.left(), f.top());
    path.lineTo(f.right(), f.top());
    path.lineTo(f.center().x() + 1.5, f.top() + f.height() * 0.5);
    path.lineTo(f.center().x() + 1.5, f.bottom());
    path.lineTo(f.center().x() - 1.5, f.bottom() - 2);
    path.lineTo(f.center().x() - 1.5, f.top() + f.height() * 0.5);
    path.closeSubpath();
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setPen(QPen(active ? QColor(0, 0, 160) : QColor(110, 110, 110), 1));
    p->setBrush(active ? QColor(40, 90, 230) : QColor(255, 255, 255, 0));
    p->drawPath(path);
    p->setRenderHint(QPainter::Antialiasing, false);
}

void drawSortGlyph(QPainter* p, const QRect& r, bool descending, int position, const QColor& colour) {
    QPainterPath path;
    const QRectF g = QRectF(r).adjusted(1, 3, -1, -3);
    if (descending) {
        path.moveTo(g.left(), g.top());
        path.lineTo(g.right(), g.top());
        path.lineTo(g.center().x(), g.bottom());
    } else {
        path.moveTo(g.left(), g.bottom());
        path.lineTo(g.right(), g.bottom());
        path.lineTo(g.center().x(), g.top());
    }
    path.closeSubpath();
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setPen(Qt::NoPen);
    p->setBrush(QColor(90, 90, 90));
    p->drawPath(path);
    p->setRenderHint(QPainter::Antialiasing, false);
    // The place in a multi-column order: n - 1 small squares.
    for (int i = 1; i < position; ++i)
        p->fillRect(QRect(r.left() - 3 - i * 5, r.center().y() - 1, 2, 2), colour);
}

}  // namespace

void TxDBGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    painter->save();
    // The title: the style's header look with a gentle gradient.
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor(255, 255, 255));
    gradient.setColorAt(1, QColor(214, 214, 214));
    painter->fillRect(rect, gradient);
    painter->setPen(QColor(160, 160, 160));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    const int offset = sectionViewportPosition(logicalIndex) - rect.left();
    const auto local = [&](QRect r) { return r.isNull() ? r : r.translated(-offset, 0); };
    const QRect funnel = local(funnelRect(logicalIndex));
    const int titleTop = grid_->OptionsEx2.Filters.TextBarTopLayout ? rect.top() + barBandHeight() : rect.top();
    QRect title(rect.left() + 4, titleTop, rect.width() - 8, titleBandHeight());
    if (!funnel.isNull()) title.setRight(funnel.left() - 2);

    const QString fieldName = grid_->ColumnField(logicalIndex) ? grid_->ColumnField(logicalIndex)->FieldName() : QString();
    const int sortPos = fieldName.isEmpty() ? 0 : grid_->PosInSortField(fieldName);
    if (sortPos > 0 && title.width() - kGlyphWidth - 3 >= grid_->OptionsEx2.FixedCell.TitleTextMinWidth) {
        const QRect glyph(title.right() - kGlyphWidth, title.top() + (title.height() - kGlyphWidth) / 2,
                          kGlyphWidth, kGlyphWidth);
        drawSortGlyph(painter, glyph, grid_->GetSortDirection(fieldName), sortPos, palette().color(QPalette::WindowText));
        title.setRight(glyph.left() - 3 - (sortPos - 1) * 5);
    }
    painter->setPen(palette().color(QPalette::WindowText));
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                      fontMetrics().elidedText(grid_->GetTitleText(logicalIndex), Qt::ElideRight, title.width()));
    if (!funnel.isNull()) drawFunnel(painter, funnel, grid_->ColumnFiltered(logicalIndex));

    const QRect bar = local(barRect(logicalIndex));
    if (!bar.isNull() && !(grid_->FilterEditColumn() == logicalIndex && grid_->FilterCombo()->isVisible())) {
        const QColor background = grid_->OptionsEx2.Filters.TextBkColor.isValid()
                                      ? grid_->OptionsEx2.Filters.TextBkColor
                                      : palette().color(QPalette::Base);
        painter->fillRect(bar, background);
        painter->setPen(QColor(150, 150, 150));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(bar.adjusted(0, 0, -1, -1));
        QRect text = bar.adjusted(3, 0, -3, 0);
        const QRect clear = local(barClearRect(logicalIndex));
        if (!clear.isNull()) {
            text.setRight(clear.left() - 2);
            painter->drawLine(clear.left(), clear.top() + 2, clear.left(), clear.bottom() - 2);
            painter->setPen(QColor(90, 90, 90));
            const QRect x = clear.adjusted(4, 4, -4, -4);
            painter->drawLine(x.topLeft(), x.bottomRight());
            painter->drawLine(x.topRight(), x.bottomLeft());
        }
        painter->setPen(grid_->ColumnBarFaulty(logicalIndex) ? QColor(Qt::red) : palette().color(QPalette::Text));
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                          fontMetrics().elidedText(grid_->ColumnBarText(logicalIndex), Qt::ElideRight, text.width()));
    }
    painter->restore();
}

void TxDBGridHeader::mousePressEvent(QMouseEvent* event) {
    int column = -1;
    const Area area = areaAt(event->position().toPoint(), &column);
    pressedColumn_ = -1;
    if (event->button() == Qt::LeftButton) {
        // A press near a border resizes; leave it to the header.
        const int x = event->position().toPoint().x();
        const int left = sectionViewportPosition(column);
        const bool onBorder = column >= 0 && (x - left < 4 || left + sectionSize(column) - x < 4);
        if (!onBorder) {
            switch (area) {
            case aBar: grid_->ShowTextFilter(column); return;
            case aBarClear: grid_->SetColumnTextFilter(column, QString()); return;
            case aFunnel: grid_->ShowFunnelFilter(column); return;
            case aTitle:
                pressedColumn_ = column;
                pressedModifiers_ = event->modifiers();
                pressPos_ = event->position().toPoint();
                break;
            default: break;
            }
        }
    }
    QHeaderView::mousePressEvent(event);
}

void TxDBGridHeader::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = pressedColumn_;
    const int movedBefore = visualIndex(pressed);
    QHeaderView::mouseReleaseEvent(event);
    pressedColumn_ = -1;
    if (pressed < 0 || event->button() != Qt::LeftButton) return;
    // Only a title that was pushed, not dragged to another place, sorts.
    const int column = logicalIndexAt(event->position().toPoint());
    if (column != pressed || visualIndex(pressed) != movedBefore) return;
    if ((event->position().toPoint() - pressPos_).manhattanLength() > 8) return;
    if (!grid_->OptionsEx2.FixedCell.TitleBtn) return;
    grid_->TitleClick(column, pressedModifiers_);
}

bool TxDBGridHeader::viewportEvent(QEvent* event) {
    // A title's hint is its caption when the caption does not fit.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        int column = -1;
        const Area area = areaAt(help->pos(), &column);
        QString hint;
        if (area == aTitle && column >= 0) {
            const QString caption = grid_->GetTitleText(column);
            if (fontMetrics().horizontalAdvance(caption) + 8 > sectionSize(column)) hint = caption;
        }
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, viewport());
        return true;
    }
    return QHeaderView::viewportEvent(event);
}
