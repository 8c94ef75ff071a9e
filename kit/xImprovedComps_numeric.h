// The rules of the numeric edit TxEditNum, without a window: which typed
// characters it takes, how its text is read, limited, rounded to its step
// and formatted.
#pragma once

#include <QChar>
#include <QString>
#include <optional>

enum TxEditNumStyle { enInteger, enFloat };

namespace kit {

struct NumericRules {
    TxEditNumStyle style = enInteger;
    // Limits apply when either is not 0. A maximum below the minimum sets no
    // upper limit: only the minimum holds then.
    double minValue = 0;
    double maxValue = 0;
    double stepValue = 0;
    bool stepOnly = false;  // values are rounded to multiples of stepValue
    QString format;         // empty: integers plainly, floats with up to 15 digits
};

// The character a typed one becomes ("," and "." become the decimal
// separator), or nothing when the edit ignores it. Control characters pass.
std::optional<QChar> acceptTypedChar(QChar typed, TxEditNumStyle style, QChar decimalSeparator);

// The number of a text; an empty text is 0; nothing when it is no number.
std::optional<double> parseNumber(const QString& text, QChar decimalSeparator);

// Limits, then step rounding (an exact half goes to the even multiple), then
// the limits again, since a rounded value may lie outside them.
double normalizeValue(double value, const NumericRules& rules);

// The number as the edit shows it.
QString formatNumber(double value, const NumericRules& rules, QChar decimalSeparator,
                     QChar groupSeparator);

// The text normalised: read, limited, rounded and formatted; nothing when it
// is no number (the edit then keeps it as it is).
std::optional<QString> normalizeText(const QString& text, const NumericRules& rules,
                                     QChar decimalSeparator, QChar groupSeparator);

// Delphi-style rounding of a value to an integer: halves to even.
long long roundHalfEven(double value);

// A display format of placeholders: "0" a digit always shown, "#" a digit
// shown when significant, "," thousands grouping, "." the decimal point;
// text before and after the placeholders is kept, "..." quoted literally;
// a second ";" section is used for negative numbers.
QString formatFloat(double value, const QString& format, QChar decimalSeparator,
                    QChar groupSeparator);

}  // namespace kit
