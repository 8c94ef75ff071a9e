// The editor of the text filter bar: an editable combo box that tells the
// grid about Enter, Esc and losing the focus, and moves between the bars
// with Ctrl+Tab, Alt+Right and Alt+Left.
#pragma once

#include <QComboBox>

class TxComboBoxExFilter : public QComboBox {
    Q_OBJECT
public:
    explicit TxComboBoxExFilter(QWidget* parent = nullptr);
    void setFaulty(bool faulty);

signals:
    void EnterPressed();
    void EscapePressed();
    void FocusLeft();
    void MoveToBar(int step);  // +1 next bar, -1 previous bar

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
};
