#include "kit/xImprovedComps_numeric.h"

#include <QStringList>
#include <algorithm>
#include <cfenv>
#include <cmath>

namespace kit {

namespace {

bool isPlaceholder(QChar c) {
    return c == u'0' || c == u'#' || c == u'.' || c == u',';
}

// Splits a format into its ";" sections, keeping quoted text whole.
QStringList formatSections(const QString& format) {
    QStringList sections{QString()};
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << QString();
            continue;
        }
        sections.last() += c;
    }
    return sections;
}

QString groupDigits(const QString& digits, QChar groupSeparator) {
    QString result;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) result += groupSeparator;
        result += digits[i];
    }
    return result;
}

QString formatSection(double magnitude, bool negative, const QString& section, QChar decimal,
                      QChar group) {
    QString prefix, suffix, pattern;
    bool inPattern = false;
    bool afterPattern = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (afterPattern || inPattern ? suffix : prefix) += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            if (inPattern) afterPattern = true;
            continue;
        }
        if (isPlaceholder(c) && !afterPattern) {
            inPattern = true;
            pattern += c;
        } else {
            if (inPattern) afterPattern = true;
            (afterPattern ? suffix : prefix) += c;
        }
    }
    if (pattern.isEmpty()) return section;

    const qsizetype point = pattern.indexOf(u'.');
    const QString intPattern = point < 0 ? pattern : pattern.left(point);
    const QString fracPattern = point < 0 ? QString() : pattern.mid(point + 1);
    const int minInt = int(intPattern.count(u'0'));
    const bool grouped = intPattern.contains(u',');
    const int minFrac = int(fracPattern.count(u'0'));
    const int maxFrac = int(fracPattern.count(u'0') + fracPattern.count(u'#'));

    const QString fixed = QString::number(magnitude, 'f', maxFrac);
    const qsizetype dot = fixed.indexOf(u'.');
    QString intDigits = dot < 0 ? fixed : fixed.left(dot);
    QString fracDigits = dot < 0 ? QString() : fixed.mid(dot + 1);
    while (fracDigits.size() > minFrac && fracDigits.endsWith(u'0')) fracDigits.chop(1);
    while (intDigits.startsWith(u'0')) intDigits.remove(0, 1);
    while (intDigits.size() < minInt) intDigits.prepend(u'0');
    if (grouped) intDigits = groupDigits(intDigits, group);

    const bool zero =
        !std::any_of(fixed.begin(), fixed.end(), [](QChar c) { return c.isDigit() && c != u'0'; });
    QString result = prefix + intDigits;
    if (!fracDigits.isEmpty()) result += decimal + fracDigits;
    result += suffix;
    return (negative && !zero ? QStringLiteral("-") : QString()) + result;
}

}  // namespace

std::optional<QChar> acceptTypedChar(QChar typed, TxEditNumStyle style, QChar decimalSeparator) {
    if (typed.unicode() < 0x20 || typed.unicode() == 0x7f) return typed;
    if (typed.isDigit() && typed.unicode() < 0x80) return typed;
    if (typed == u'+' || typed == u'-') return typed;
    if (style == enFloat) {
        if (typed == u',' || typed == u'.') return decimalSeparator;
        if (typed == u'E' || typed == u'e') return typed;
    }
    return std::nullopt;
}

std::optional<double> parseNumber(const QString& text, QChar decimalSeparator) {
    QString plain = text.trimmed();
    if (plain.isEmpty()) return 0.0;
    if (decimalSeparator != u'.') {
        if (plain.contains(u'.')) return std::nullopt;
        plain.replace(decimalSeparator, u'.');
    }
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

long long roundHalfEven(double value) {
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return static_cast<long long>(rounded);
}

double normalizeValue(double value, const NumericRules& rules) {
    const bool limited = rules.minValue != 0 || rules.maxValue != 0;
    auto clamp = [&](double v) {
        if (!limited) return v;
        v = std::max(v, rules.minValue);
        if (rules.maxValue >= rules.minValue) v = std::min(v, rules.maxValue);
        return v;
    };
    value = clamp(value);
    if (rules.stepOnly && rules.stepValue != 0) {
        value = double(roundHalfEven(value / rules.stepValue)) * rules.stepValue;
        value = clamp(value);
    }
    return value == 0 ? 0.0 : value;  // no "-0"
}

QString formatNumber(double value, const NumericRules& rules, QChar decimalSeparator,
                     QChar groupSeparator) {
    if (!rules.format.isEmpty())
        return formatFloat(value, rules.format, decimalSeparator, groupSeparator);
    if (rules.style == enInteger) return QString::number(roundHalfEven(value));
    QString text = QString::number(value, 'g', 15);
    if (decimalSeparator != u'.') text.replace(u'.', decimalSeparator);
    return text;
}

std::optional<QString> normalizeText(const QString& text, const NumericRules& rules,
                                     QChar decimalSeparator, QChar groupSeparator) {
    const std::optional<double> number = parseNumber(text, decimalSeparator);
    if (!number) return std::nullopt;
    return formatNumber(normalizeValue(*number, rules), rules, decimalSeparator, groupSeparator);
}

QString formatFloat(double value, const QString& format, QChar decimalSeparator,
                    QChar groupSeparator) {
    const QStringList sections = formatSections(format);
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty())
        return formatSection(-value, false, sections[1], decimalSeparator, groupSeparator);
    return formatSection(std::fabs(value), value < 0, sections[0], decimalSeparator,
                         groupSeparator);
}

}  // namespace kit
