#include "kit/xStringGridEd_delegate.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "kit/colour_names.h"
#include "kit/xStringGridEd.h"
#include "kit/xStringGridEd_values.h"

namespace kit {
namespace {

// The editor's button face: a drop-down arrow, or three dots for ellipsis styles.
QIcon buttonIcon(bool ellipsis, QWidget* editor) {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    if (ellipsis) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(editor->palette().color(QPalette::Text));
        for (int x : {2, 6, 10}) painter.drawRect(x, 10, 2, 2);
    } else {
        QStyleOption option;
        option.initFrom(editor);
        option.rect = pixmap.rect();
        editor->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, editor);
    }
    return QIcon(pixmap);
}

}  // namespace

StringGridEdDelegate::StringGridEdDelegate(TxStringGridEd* grid)
    : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* StringGridEdDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                            const QModelIndex& index) const {
    StringGridEdModel& core = grid_->core();
    const int col = grid_->itemModel().gridCol(index);
    const int row = grid_->itemModel().gridRow(index);
    const TxStringGridEdEditStyle style = core.editStyleOf(col, row);
    auto* editor = new QLineEdit(parent);  // owned by the view's viewport
    editor->setFrame(false);
    editor->setReadOnly(!core.mayModify(col, row));
    editor->setObjectName("sgInplaceEdit");
    if (isListStyle(style) || style == sgbDateTimePicker || isEllipsisStyle(style)) {
        QAction* button = editor->addAction(buttonIcon(isEllipsisStyle(style), editor),
                                            QLineEdit::TrailingPosition);
        button->setObjectName("sgEditorButton");
        connect(button, &QAction::triggered, grid_, [this] { grid_->editorButtonClicked(); });
    }
    connect(editor, &QLineEdit::textEdited, grid_,
            [this, col, row](const QString& text) { grid_->core().SetEditText(col, row, text); });
    // The view forwards the key that opened the editor only after this, so
    // the text Esc goes back to is the cell's text before that key.
    core.selectCell(col, row);
    core.editorFetched();
    if (core.OnEditorEvent) core.OnEditorEvent(col, row, "EditorCreated");
    return editor;
}

void StringGridEdDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) return;
    const QString text = index.data(Qt::EditRole).toString();
    if (line->text() != text) line->setText(text);
}

void StringGridEdDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // Nothing to commit: every keystroke went into the cell already.
}

QRect StringGridEdDelegate::checkBoxRect(const QRect& rect, Qt::Alignment alignment,
                                         const QWidget* widget) {
    QStyle* style = widget ? widget->style() : QApplication::style();
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    return QStyle::alignedRect(Qt::LeftToRight,
                               (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter,
                               QSize(width, height), rect.adjusted(2, 0, -2, 0));
}

void StringGridEdDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const StringGridEdModel& core = grid_->core();
    const int col = grid_->itemModel().gridCol(index);
    const int row = grid_->itemModel().gridRow(index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    const CellParams params = grid_->itemModel().cellParams(col, row, opt.font, selected);
    opt.font = params.font;
    if (params.background.isValid()) opt.backgroundBrush = params.background;
    if (!params.highlight) opt.state &= ~QStyle::State_Selected;
    if (core.hasOptionEx(dgAlwaysShowSelection) && index == grid_->currentIndex())
        opt.state |= QStyle::State_Selected;
    const TxStringGridEdEditStyle style = core.editStyleOf(col, row);
    const TxStringGridEdColumn& column = core.GetColumn(col);
    if (column.WordWrap) opt.features |= QStyleOptionViewItem::WrapText;
    if (style == sgbDropDownColor) {
        if (const auto colour = colourFromText(core.Cells(col, row))) {
            QPixmap swatch(12, 12);
            swatch.fill(*colour);
            opt.icon = QIcon(swatch);
            opt.features |= QStyleOptionViewItem::HasDecoration;
            opt.decorationSize = QSize(12, 12);
        }
    }
    QStyle* widgetStyle = opt.widget ? opt.widget->style() : QApplication::style();
    widgetStyle->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    if (style == sgbCheckbox) {
        QStyleOptionButton box;
        box.rect = checkBoxRect(option.rect, column.CheckboxAlignment, opt.widget);
        box.state = QStyle::State_Enabled |
                    (core.GetBoolCells(col, row) ? QStyle::State_On : QStyle::State_Off);
        if (!(option.state & QStyle::State_Enabled)) box.state &= ~QStyle::State_Enabled;
        widgetStyle->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, opt.widget);
    }
}

bool StringGridEdDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                       const QStyleOptionViewItem& option,
                                       const QModelIndex& index) {
    const int col = grid_->itemModel().gridCol(index);
    const int row = grid_->itemModel().gridRow(index);
    StringGridEdModel& core = grid_->core();
    if (core.editStyleOf(col, row) == sgbCheckbox) {
        const TxStringGridEdColumn& column = core.GetColumn(col);
        const QEvent::Type wanted =
            column.CheckBoxDblClick ? QEvent::MouseButtonDblClick : QEvent::MouseButtonRelease;
        if (event->type() == wanted) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                checkBoxRect(option.rect, column.CheckboxAlignment, option.widget)
                    .contains(mouse->position().toPoint())) {
                core.toggleCheckBox(col, row);
                return true;
            }
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool StringGridEdDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (editorKey(editor, key)) return true;
        if (key->key() == Qt::Key_Escape) {
            grid_->core().restoreEditedValue();
            emit closeEditor(editor, NoHint);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

bool StringGridEdDelegate::editorKey(QLineEdit* editor, QKeyEvent* key) {
    StringGridEdModel& core = grid_->core();
    const int col = core.Col();
    const int row = core.Row();
    const TxStringGridEdEditStyle style = core.editStyleOf(col, row);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            core.finishCell(col, row, false);
            emit closeEditor(editor, NoHint);
            if (core.hasOptionEx(dgNextRowAfterReturn) && row < core.RowCount() - 1)
                grid_->setCurrentIndex(grid_->itemModel().indexOfCell(col, row + 1));
            return true;
        case Qt::Key_Down:
        case Qt::Key_Up:
            if (mods == Qt::AltModifier && (isListStyle(style) || style == sgbDateTimePicker)) {
                grid_->openPopup();
                return true;
            }
            return false;
        case Qt::Key_F4:
            grid_->editorButtonClicked();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            if (!core.hasOptionEx(dgEditArrowKeyMoveCell) || mods != Qt::NoModifier) return false;
            const bool left = key->key() == Qt::Key_Left;
            const bool atEdge = left ? editor->cursorPosition() == 0
                                     : editor->cursorPosition() == editor->text().size();
            const int target = col + (left ? -1 : 1);
            if (!atEdge || target < core.FixedCols() || target >= core.ColCount()) return false;
            emit closeEditor(editor, NoHint);
            grid_->setCurrentIndex(grid_->itemModel().indexOfCell(target, row));
            return true;
        }
        default:
            break;
    }
    const QString text = key->text();
    if (text.size() != 1 || !text.at(0).isPrint() || (mods & ~Qt::ShiftModifier)) return false;
    if (style == sgbDropDownList || style == sgbDropDownColor ||
        style == sgbDropDownCheckListOnly) {
        grid_->openPopup();
        if (grid_->popupList()) grid_->popupList()->search(text.at(0));
        return true;
    }
    if (core.mayModify(col, row)) {
        if (const auto shortcut =
                dateShortcutText(text.at(0), core.dataTypeOf(col, row), core.numFormatOf(col, row),
                                 QDateTime::currentDateTime(), core.locale)) {
            editor->setText(*shortcut);
            core.SetEditText(col, row, *shortcut);
            return true;
        }
    }
    return false;
}

}  // namespace kit
