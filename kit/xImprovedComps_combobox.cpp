#include "kit/xImprovedComps_combobox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>

#include "kit/xImprovedComps_history.h"

TxComboBoxEx::TxComboBoxEx(QWidget* parent) : QComboBox(parent) {
    updateTimer_.setSingleShot(true);
    connect(&updateTimer_, &QTimer::timeout, this, &TxComboBoxEx::updateTimerTimeout);
    connect(this, &QComboBox::editTextChanged, this, &TxComboBoxEx::textEdited);
}

QStringList TxComboBoxEx::items() const {
    QStringList result;
    for (int i = 0; i < count(); ++i) result << itemText(i);
    return result;
}

void TxComboBoxEx::AddTextToItems(const QString& text) {
    QStringList list = items();
    const QString item = kit::historyText(text, currentText());
    if (!kit::addHistoryItem(list, item)) return;
    // Adding an item to an editable box must not change what it shows.
    const QSignalBlocker blocker(this);
    const QString shown = currentText();
    addItem(item);
    if (isEditable()) setEditText(shown);
}

void TxComboBoxEx::RemoveTextFromItems(const QString& text) {
    const QString item = kit::historyText(text, currentText());
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).compare(item, Qt::CaseInsensitive) == 0) {
            const QSignalBlocker blocker(this);
            const QString shown = currentText();
            removeItem(i);
            if (isEditable()) setEditText(shown);
            return;
        }
    }
}

QString TxComboBoxEx::GetSelectedText() const {
    if (!isEditable()) return currentIndex() >= 0 ? itemText(currentIndex()) : QString();
    return currentText();
}

void TxComboBoxEx::ResetTimer(bool setActive, bool callEventNow) {
    updateTimer_.stop();
    if (setActive) updateTimer_.start(updateTimerDelay_);
    if (callEventNow) updateTimerTimeout();
}

void TxComboBoxEx::showPopup() {
    if (dropDownAutoWidth_ && count() > 0) {
        int widest = 0;
        for (int i = 0; i < count(); ++i)
            widest = std::max(widest, view()->fontMetrics().horizontalAdvance(itemText(i)));
        widest += 2 * view()->frameWidth() + 8;  // the item margins
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        view()->setMinimumWidth(kit::dropDownWidth(widest, scrollBar, count(), maxVisibleItems(),
                                                   width(), dropDownMaxWidth_));
    }
    QComboBox::showPopup();
}

void TxComboBoxEx::hidePopup() {
    QComboBox::hidePopup();
    // The item chosen in the list changes the text right after this.
    listJustClosed_ = true;
    QTimer::singleShot(0, this, [this] { listJustClosed_ = false; });
}

void TxComboBoxEx::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    enterPressed_ = enter;
    QComboBox::keyPressEvent(event);
    enterPressed_ = false;
}

void TxComboBoxEx::textEdited() {
    if (enterPressed_) return;
    if (listJustClosed_) {
        listJustClosed_ = false;
        ResetTimer(false, true);
        return;
    }
    ResetTimer(true, false);
}

void TxComboBoxEx::updateTimerTimeout() {
    updateTimer_.stop();
    emit updateTimerFired(this);
    if (!onUpdateLoadItems_) return;
    const QString text = currentText();
    QLineEdit* edit = lineEdit();
    const int caret = edit ? edit->cursorPosition() : 0;
    const QString typed = caret > 0 ? text.left(caret) : text;
    QString newText = text;
    {
        // Reloading the items must not restart the timer.
        const QSignalBlocker blocker(this);
        setUpdatesEnabled(false);
        onUpdateLoadItems_(this, typed, newText);
        setUpdatesEnabled(true);
        if (isEditable()) setEditText(newText);
    }
    if (edit) {
        // The caret after the typed part, the rest selected.
        const int typedLength = int(std::min(typed.size(), newText.size()));
        edit->setSelection(int(newText.size()), typedLength - int(newText.size()));
    }
}
