// TxEditNum: a numeric edit box with up/down stepping, limits, a step
// grid and a display format (rules in xImprovedComps_numeric.h). Its text is
// normalised on Enter, on leaving the box and after setting the value. A
// text that is no number stays as typed, and the box takes the focus back
// when the user moves to another control of the same window, but never
// when the focus goes to a cancel control (see markCancelControl), to
// another window, or the window closes.
#pragma once

#include <QLineEdit>

#include "kit/xImprovedComps_numeric.h"

class TxEditNum : public QLineEdit {
    Q_OBJECT
public:
    explicit TxEditNum(QWidget* parent = nullptr);

    TxEditNumStyle style() const { return rules_.style; }
    void setStyle(TxEditNumStyle style) { rules_.style = style; }
    double minValue() const { return rules_.minValue; }
    void setMinValue(double value) { rules_.minValue = value; }
    double maxValue() const { return rules_.maxValue; }
    void setMaxValue(double value) { rules_.maxValue = value; }
    double stepValue() const { return rules_.stepValue; }
    void setStepValue(double value) { rules_.stepValue = value; }
    bool stepOnly() const { return rules_.stepOnly; }
    void setStepOnly(bool on) { rules_.stepOnly = on; }
    QString format() const { return rules_.format; }
    void setFormat(const QString& format) { rules_.format = format; }
    const kit::NumericRules& rules() const { return rules_; }

    // The number of the text, 0 when it is no number.
    double value() const;
    // Writes the formatted number, normalises it and selects the text.
    void setValue(double value);
    long long AsInteger() const;
    void StepUp();
    void StepDown();

    // Normalises the text; false (text kept) when it is no number.
    bool normalize();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void reclaimFocus();
    QChar decimalSeparator() const;
    QChar groupSeparator() const;

    kit::NumericRules rules_;
};

namespace kit {

// Marks a control (a Cancel button, say) that a numeric edit with a text
// that is no number lets take the focus.
void markCancelControl(QWidget* control);
// A marked control, or a button in the reject role of a dialog button box.
bool isCancelControl(const QWidget* control);

}  // namespace kit
