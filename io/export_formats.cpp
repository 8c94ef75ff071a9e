#include "io/export_formats.h"

#include <cmath>

namespace {

// Access day count of 1 January 1900 and of 1 March 1900.
constexpr double kFirstOf1900 = 2.0;
constexpr double kFirstOfMarch1900 = 61.0;

bool isQuote(QChar c) {
    return c == u'"';
}

}  // namespace

double spreadsheetSerialFromAccessDays(double days) {
    if (days >= kFirstOf1900 && days < kFirstOfMarch1900) return days - 1.0;
    return days;
}

bool spreadsheetCanHoldDate(double days) {
    return isTimeOfDay(days) || days >= kFirstOf1900;
}

QString numberFormatCode(bool grouping, int decimals) {
    QString code = grouping ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (decimals > 0) code += u'.' + QString(decimals, u'0');
    return code;
}

QString shortDateFormatCode(const QLocale& locale) {
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    // The order in which the three parts first appear, and how each is
    // written in the locale's pattern.
    QString order;
    QChar separator;
    int dayDigits = 1, monthDigits = 1, yearDigits = 2;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (isQuote(c) || c == u'\'') {
            const qsizetype end = pattern.indexOf(c, i + 1);
            i = end < 0 ? pattern.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        const QChar part = c.toLower();
        if ((part == u'd' || part == u'm' || part == u'y') && !order.contains(part)) {
            order += part;
            if (part == u'd') dayDigits = run >= 2 ? 2 : 1;
            if (part == u'm') monthDigits = run >= 2 ? 2 : 1;
            if (part == u'y') yearDigits = run >= 3 ? 4 : 2;
        } else if (separator.isNull() && !c.isLetterOrNumber() && !c.isSpace() && order.size() == 1) {
            separator = c;
        }
        i += run;
    }
    if (order.size() != 3) order = QStringLiteral("dmy");
    if (separator.isNull()) separator = u'/';
    QStringList parts;
    for (QChar part : order) {
        if (part == u'd') parts << QString(dayDigits, u'd');
        else if (part == u'm') parts << QString(monthDigits, u'm');
        else parts << QString(yearDigits, u'y');
    }
    return parts.join(separator);
}

QString dateFormatCodeFromDisplayFormat(const QString& displayFormat) {
    QString out;
    for (qsizetype i = 0; i < displayFormat.size();) {
        const QChar c = displayFormat[i];
        if (isQuote(c)) {  // a literal: copied whole with its quotes
            const qsizetype end = displayFormat.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? displayFormat.size() : end + 1;
            out += displayFormat.mid(i, stop - i);
            i = stop;
            continue;
        }
        if (c == u'\\' && i + 1 < displayFormat.size()) {
            out += displayFormat.mid(i, 2);
            i += 2;
            continue;
        }
        // AM/PM markers are words of their own; their "m" is no month.
        for (const QString& marker : {QStringLiteral("AM/PM"), QStringLiteral("A/P"),
                                      QStringLiteral("AMPM")}) {
            if (displayFormat.mid(i, marker.size()).compare(marker, Qt::CaseInsensitive) == 0) {
                out += marker == QStringLiteral("AMPM") ? QStringLiteral("AM/PM")
                                                        : displayFormat.mid(i, marker.size());
                i += marker.size();
                goto next;
            }
        }
        if (c == u'n' || c == u'N') out += u'm';
        else out += c;
        ++i;
    next:;
    }
    return out;
}

QString plainNumberText(double value) {
    if (!std::isfinite(value)) return QString();
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}
