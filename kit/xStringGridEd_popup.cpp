#include "kit/xStringGridEd_popup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

#include "kit/colour_names.h"

namespace kit {
namespace {

QIcon swatch(const QString& text) {
    QPixmap pixmap(12, 12);
    const std::optional<QColor> colour = colourFromText(text);
    pixmap.fill(colour ? *colour : QColor(Qt::transparent));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 11, 11);
    return QIcon(pixmap);
}

}  // namespace

StringGridEdPopupList::StringGridEdPopupList(QWidget* parent) : QListWidget(parent) {
    setWindowFlags(Qt::Popup);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void StringGridEdPopupList::setup(const QStringList& items, const QString& current,
                                  TxStringGridEdEditStyle style,
                                  const TxStringGridEdColumn& column) {
    clear();
    search_.clear();
    chosen_ = false;
    checkList_ = isCheckListStyle(style);
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, this);  // owned by the list
        if (checkList_)
            item->setCheckState(column.CheckListContainValue(current, text) ? Qt::Checked
                                                                            : Qt::Unchecked);
        if (style == sgbDropDownColor) item->setIcon(swatch(text));
    }
    setCurrentRow(-1);
    if (!current.isEmpty() && !checkList_) {
        const auto found = findItems(current, Qt::MatchFixedString);
        if (!found.isEmpty()) setCurrentItem(found.first());
    }
}

void StringGridEdPopupList::showAt(const QRect& cell, int minWidth, int dropDownRows) {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(item(i)->text()));
    const int itemHeight = std::max(sizeHintForRow(0), metrics.height());
    const bool decorated = checkList_ || (count() > 0 && !item(0)->icon().isNull());
    const int width = std::max(
        minWidth, widest + 10 + (decorated ? itemHeight : 0) + (count() > dropDownRows ? 16 : 0));
    const int height = std::min(count(), std::max(dropDownRows, 1)) * itemHeight + 2;
    QPoint at = cell.bottomLeft() + QPoint(0, 1);
    if (const QScreen* screen = QGuiApplication::screenAt(cell.center())) {
        if (at.y() + height > screen->availableGeometry().bottom()) at.setY(cell.top() - height);
    }
    setGeometry(QRect(at, QSize(width, height)));
    show();
    setFocus();
}

void StringGridEdPopupList::search(QChar typed) {
    if (!lastKey_.isValid() || lastKey_.elapsed() > 2000) search_.clear();
    lastKey_.restart();
    if (search_.size() < 32) search_ += typed;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().startsWith(search_, Qt::CaseInsensitive)) {
            setCurrentRow(i);
            return;
        }
    }
}

void StringGridEdPopupList::choose(QListWidgetItem* item) {
    if (!item) return;
    if (checkList_) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        emit itemToggled(item->text());
        return;
    }
    chosen_ = true;
    hide();
    emit itemChosen(item->text());
}

void StringGridEdPopupList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (checkList_)
                hide();
            else
                choose(currentItem());
            return;
        case Qt::Key_Escape:
        case Qt::Key_F4:
            hide();
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (event->modifiers() & Qt::AltModifier) {
                hide();
                return;
            }
            break;
        case Qt::Key_Backspace:
            search_.clear();
            return;
        case Qt::Key_Space:
            if (checkList_) {
                choose(currentItem());
                return;
            }
            break;
        default:
            break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace()) {
        search(text.at(0));
        return;
    }
    QListWidget::keyPressEvent(event);
}

void StringGridEdPopupList::mouseReleaseEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        hide();
        return;
    }
    choose(itemAt(event->position().toPoint()));
}

void StringGridEdPopupList::hideEvent(QHideEvent* event) {
    QListWidget::hideEvent(event);
    if (!chosen_) emit closedWithoutChoice();
    chosen_ = false;
    emit hidden();
}

}  // namespace kit
