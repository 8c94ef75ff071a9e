#include "grid/xDBGrid_filter_combo.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

TxComboBoxExFilter::TxComboBoxExFilter(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("FilterCombo"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setFrame(false);
}

void TxComboBoxExFilter::setFaulty(bool faulty) {
    QPalette p = palette();
    p.setColor(QPalette::Text, faulty ? QColor(Qt::red) : QPalette().color(QPalette::Text));
    setPalette(p);
}

bool TxComboBoxExFilter::event(QEvent* event) {
    // Ctrl+Tab would otherwise move the focus out of the window.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            emit MoveToBar(1);
            return true;
        }
    }
    return QComboBox::event(event);
}

void TxComboBoxExFilter::keyPressEvent(QKeyEvent* event) {
    if (view()->isVisible()) {
        QComboBox::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: emit EnterPressed(); return;
    case Qt::Key_Escape: emit EscapePressed(); return;
    case Qt::Key_Right:
        if (event->modifiers() == Qt::AltModifier) {
            emit MoveToBar(1);
            return;
        }
        break;
    case Qt::Key_Left:
        if (event->modifiers() == Qt::AltModifier) {
            emit MoveToBar(-1);
            return;
        }
        break;
    default: break;
    }
    QComboBox::keyPressEvent(event);
}

void TxComboBoxExFilter::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // The drop-down list takes the focus for a moment; that is no leaving.
    if (view()->isVisible() || event->reason() == Qt::PopupFocusReason) return;
    if (isVisible()) emit FocusLeft();
}
