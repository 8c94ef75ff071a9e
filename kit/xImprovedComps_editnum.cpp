#include "kit/xImprovedComps_editnum.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>

namespace {

constexpr const char* kCancelControlProperty = "kitCancelControl";

}  // namespace

TxEditNum::TxEditNum(QWidget* parent) : QLineEdit(parent) {
    resize(48, sizeHint().height());
    setText(QStringLiteral("0"));
}

QChar TxEditNum::decimalSeparator() const {
    return locale().decimalPoint().at(0);
}

QChar TxEditNum::groupSeparator() const {
    return locale().groupSeparator().at(0);
}

double TxEditNum::value() const {
    return kit::parseNumber(text(), decimalSeparator()).value_or(0);
}

void TxEditNum::setValue(double value) {
    setText(kit::formatNumber(value, rules_, decimalSeparator(), groupSeparator()));
    normalize();
    selectAll();
}

long long TxEditNum::AsInteger() const {
    return kit::roundHalfEven(value());
}

void TxEditNum::StepUp() {
    setValue(value() + rules_.stepValue);
}

void TxEditNum::StepDown() {
    setValue(value() - rules_.stepValue);
}

bool TxEditNum::normalize() {
    const auto normalized =
        kit::normalizeText(text(), rules_, decimalSeparator(), groupSeparator());
    if (!normalized) return false;
    if (*normalized != text()) setText(*normalized);
    return true;
}

void TxEditNum::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            StepUp();
            return;
        case Qt::Key_Down:
            StepDown();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Swallowed: Enter confirms the number, not the dialog.
            normalize();
            selectAll();
            event->accept();
            return;
        default:
            break;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QString accepted;
    for (QChar c : typed) {
        const auto mapped = kit::acceptTypedChar(c, rules_.style, decimalSeparator());
        if (!mapped) continue;
        if (mapped->unicode() < 0x20 || mapped->unicode() == 0x7f) {
            QLineEdit::keyPressEvent(event);  // control characters keep their editing meaning
            return;
        }
        accepted += *mapped;
    }
    if (!accepted.isEmpty()) insert(accepted);
    event->accept();
}

void TxEditNum::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (normalize()) return;
    // Another window became active, or a menu opened: not a move within
    // this window, so the focus is not taken back.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    // Decided once the focus has settled on its new control.
    QTimer::singleShot(0, this, &TxEditNum::reclaimFocus);
}

void TxEditNum::reclaimFocus() {
    QWidget* own = window();
    if (!own->isVisible() || !isVisible() || !isEnabled()) return;
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == this || focus->window() != own) return;
    if (kit::isCancelControl(focus)) return;
    if (kit::parseNumber(text(), decimalSeparator())) return;
    setFocus(Qt::OtherFocusReason);
}

namespace kit {

void markCancelControl(QWidget* control) {
    control->setProperty(kCancelControlProperty, true);
}

bool isCancelControl(const QWidget* control) {
    if (control->property(kCancelControlProperty).toBool()) return true;
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    const auto* box = qobject_cast<const QDialogButtonBox*>(control->parentWidget());
    return button && box &&
           box->buttonRole(const_cast<QAbstractButton*>(button)) == QDialogButtonBox::RejectRole;
}

}  // namespace kit
