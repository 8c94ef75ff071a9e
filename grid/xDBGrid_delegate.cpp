#include "grid/xDBGrid_delegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_date_keys.h"
#include "grid/xDBGrid_model.h"

TxDBGridDelegate::TxDBGridDelegate(TxDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

namespace {

// Marks the cell editors that take the date keys.
const char* const kDateEditor = "tabulonDateEditor";

void drawMemoGlyph(QPainter* p, const QRect& cell, bool filled) {
    const QRect r(cell.left() + 3, cell.top() + (cell.height() - 11) / 2, 9, 11);
    p->setPen(QColor(90, 90, 90));
    p->setBrush(filled ? QColor(255, 255, 210) : QColor(255, 255, 255));
    p->drawRect(r);
    if (filled)
        for (int y = r.top() + 3; y < r.bottom() - 1; y += 2) p->drawLine(r.left() + 2, y, r.right() - 2, y);
}

void drawPictureGlyph(QPainter* p, const QRect& cell, bool filled) {
    const QRect r(cell.left() + 3, cell.top() + (cell.height() - 9) / 2, 11, 9);
    p->setPen(QColor(90, 90, 90));
    p->setBrush(filled ? QColor(170, 210, 255) : QColor(255, 255, 255));
    p->drawRect(r);
    if (filled) {
        p->setBrush(QColor(60, 140, 60));
        p->drawPolygon(QPolygon({QPoint(r.left() + 1, r.bottom() - 1), QPoint(r.left() + 5, r.top() + 3),
                                 QPoint(r.right() - 1, r.bottom() - 1)}));
    }
}

}  // namespace

void TxDBGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool currentRow = grid_->currentIndex().isValid() && grid_->currentIndex().row() == index.row();
    const bool currentCell = grid_->currentIndex() == index;
    painter->save();
    if (currentRow && !currentCell) painter->fillRect(opt.rect, grid_->ColorActiveRow);
    const int kind = index.data(TxDBGridModel::CellKindRole).toInt();
    if (kind == TxDBGridModel::ckBoolean) {
        if (!currentRow || currentCell) {
            const QVariant background = index.data(Qt::BackgroundRole);
            if (currentCell) painter->fillRect(opt.rect, opt.palette.color(QPalette::Highlight));
            else if (background.isValid()) painter->fillRect(opt.rect, background.value<QColor>());
        }
        QStyleOptionButton box;
        const int size = 13;
        box.rect = QRect(opt.rect.left() + (opt.rect.width() - size) / 2,
                         opt.rect.top() + (opt.rect.height() - size) / 2, size, size);
        box.state = QStyle::State_Enabled |
                    (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
        QApplication::style()->drawControl(QStyle::CE_CheckBox, &box, painter);
        painter->restore();
        return;
    }
    if (currentRow && !currentCell) {
        opt.backgroundBrush = Qt::NoBrush;
        opt.state &= ~QStyle::State_Selected;
    }
    const bool glyph = (kind == TxDBGridModel::ckMemo && grid_->OptionsEx2.Editors.Memo == obtGlyph) ||
                       (kind == TxDBGridModel::ckPicture && grid_->OptionsEx2.Editors.Graphic == obtGlyph);
    if (glyph) opt.rect.setLeft(opt.rect.left() + 16);
    QStyledItemDelegate::paint(painter, opt, index);
    if (glyph) {
        const auto* model = grid_->gridModel();
        const bool filled = !model->cellIsNull(index.row(), index.column());
        const QRect cell = option.rect;
        if (kind == TxDBGridModel::ckMemo) drawMemoGlyph(painter, cell, filled);
        else drawPictureGlyph(painter, cell, filled);
    }
    if (currentRow && grid_->OptionsEx2.Appearance.DrawRowFocus) {
        painter->setPen(QPen(QColor(80, 80, 80), 1, Qt::DotLine));
        painter->drawLine(option.rect.topLeft(), option.rect.topRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    }
    painter->restore();
}

QWidget* TxDBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (qobject_cast<QLineEdit*>(editor) && IsDateField(grid_->ColumnField(index.column())) &&
        grid_->OptionsEx2.Editors.DateTimePicker) {
        editor->setProperty(kDateEditor, true);
        editor->installEventFilter(const_cast<TxDBGridDelegate*>(this));
    }
    return editor;
}

bool TxDBGridDelegate::eventFilter(QObject* watched, QEvent* event) {
    auto* line = qobject_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::KeyPress && line && line->property(kDateEditor).toBool()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const std::optional<QString> text = DateKeyText(line->text(), key->key(), key->modifiers(),
                                                        key->text(), QDate::currentDate());
        if (text) {
            line->setText(*text);
            line->selectAll();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}
