#include "db/xdbtool.h"

#include <QMetaType>
#include <QTime>
#include <cmath>

#include "config/KelmCompGlobalCfg.h"

namespace {

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isPlainIdentifier(const QString& name) {
    if (name.isEmpty() || !isAsciiLetter(name.front())) return false;
    for (QChar c : name) {
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'_') return false;
    }
    return true;
}

bool needsBrackets(const QString& name) {
    return name.contains(u' ') || name.contains(u'_') || !isPlainIdentifier(name) ||
           IsReservedKeyword(name);
}

// The engine keeps dates in years 100..9999; outside that no text it reads
// can name the day.
bool writableDate(const QDate& date) {
    return date.isValid() && date.year() >= 100 && date.year() <= 9999;
}

QString isoDate(const QDate& date) {
    return QString::asprintf("%04d-%02d-%02d", date.year(), date.month(), date.day());
}

// The date and time in the fixed form, the time rounded to the nearest
// second (times read back from a file often sit a fraction below it).
// Empty when the date cannot be written.
QString isoDateTime(QDate date, const QTime& time) {
    constexpr int kMsPerDay = 24 * 60 * 60 * 1000;
    int ms = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    ms = (ms + 500) / 1000 * 1000;
    if (ms >= kMsPerDay) {
        date = date.addDays(1);
        ms -= kMsPerDay;
    }
    if (!writableDate(date)) return {};
    if (ms == 0) return isoDate(date);
    const int seconds = ms / 1000;
    return isoDate(date) +
           QString::asprintf(" %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

// The engine's day 0: a time without a date is a time on this day.
QDate dayZero() {
    return QDate(1899, 12, 30);
}

enum class NumberKind { None, Signed, Unsigned, Real };

NumberKind numberKind(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::SChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return NumberKind::Signed;
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::UChar:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return NumberKind::Unsigned;
        case QMetaType::Double:
        case QMetaType::Float:
            return NumberKind::Real;
        default:
            return NumberKind::None;
    }
}

bool isNumber(const QVariant& value) {
    return numberKind(value) != NumberKind::None;
}

QString numberText(const QVariant& value) {
    switch (numberKind(value)) {
        case NumberKind::Signed:
            return QString::number(value.toLongLong());
        case NumberKind::Unsigned:
            return QString::number(value.toULongLong());
        default:
            return FloatToFilterText(value.toDouble());
    }
}

// The date part of a value of a date or time type in the fixed form; empty
// for other types or dates that cannot be written.
QString dateValueText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            return writableDate(value.toDate()) ? isoDate(value.toDate()) : QString();
        case QMetaType::QDateTime: {
            const QDateTime dt = value.toDateTime();
            return dt.isValid() ? isoDateTime(dt.date(), dt.time()) : QString();
        }
        case QMetaType::QTime: {
            const QTime t = value.toTime();
            return t.isValid() ? isoDateTime(dayZero(), t) : QString();
        }
        default:
            return {};
    }
}

bool isDateValue(const QVariant& value) {
    const int type = value.typeId();
    return type == QMetaType::QDate || type == QMetaType::QDateTime || type == QMetaType::QTime;
}

}  // namespace

// ---- Names -------------------------------------------------------------------

bool IsReservedKeyword(const QString& name) {
    if (name.isEmpty()) return false;
    const QString& list = kelmCompConfig().xDBToolCfg.SQLScript_ReservedKeywords;
    for (QStringView word : QStringView(list).split(u',')) {
        if (word.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

QString QuoteTableName(const QString& name) {
    const auto& cfg = kelmCompConfig().xDBFilterCfg;
    return needsBrackets(name) ? cfg.TableQuoteStart + name + cfg.TableQuoteStop : name;
}

QString QuoteFieldName(const QString& name) {
    const auto& cfg = kelmCompConfig().xDBFilterCfg;
    return needsBrackets(name) ? cfg.FieldQuoteStart + name + cfg.FieldQuoteStop : name;
}

// ---- Values ------------------------------------------------------------------

QString FloatToFilterText(double value) {
    if (!std::isfinite(value)) return {};
    // QString::number never uses the locale: the separator is always ".".
    return QString::number(value, 'g', 15);
}

QString DateToFilterText(const QDate& value) {
    const QString& format = kelmCompConfig().xDBFilterCfg.DateFormat;
    if (!writableDate(value)) return {};
    return format.isEmpty() ? isoDate(value) : value.toString(format);
}

QString DateToFilterText(const QDateTime& value) {
    if (!value.isValid()) return {};
    const QString& format = kelmCompConfig().xDBFilterCfg.DateFormat;
    if (!format.isEmpty()) return writableDate(value.date()) ? value.toString(format) : QString();
    return isoDateTime(value.date(), value.time());
}

QString QuoteStringValue(const QString& text) {
    const QString& quote = kelmCompConfig().xDBToolCfg.SQLScript_StringFieldQuotes;
    if (quote.isEmpty()) return text;
    QString inner = text;
    inner.replace(quote, quote + quote);
    return quote + inner + quote;
}

QString ValueToFilterText(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::Bool) {
        return kelmCompConfig().xDBFilterCfg.BooleanString[value.toBool() ? 1 : 0];
    }
    if (isNumber(value)) return numberText(value);
    if (isDateValue(value)) {
        const QString text = dateValueText(value);
        return text.isEmpty() ? QString() : QuoteStringValue(text);
    }
    return QuoteStringValue(value.toString());
}

QString ValueToSQLText(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::Bool) {
        const auto& cfg = kelmCompConfig().xDBToolCfg;
        return value.toBool() ? cfg.SQLScript_BooleanTrueValue : cfg.SQLScript_BooleanFalseValue;
    }
    if (isNumber(value)) return numberText(value);
    if (isDateValue(value)) {
        const QString text = dateValueText(value);
        return text.isEmpty() ? QString() : u'#' + text + u'#';
    }
    return QuoteStringValue(value.toString());
}

// ---- Conditions --------------------------------------------------------------

QString MakeCondition(const QString& fieldName, const QString& op, const QString& value,
                      const QString& quote) {
    return u'(' + fieldName + u' ' + op + u' ' + quote + value + quote + u')';
}

QString MakeRangeCondition(const QString& fieldName, const QString& low, const QString& high,
                           const QString& quote) {
    return u'(' + fieldName + QStringLiteral(">=") + quote + low + quote +
           QStringLiteral(") AND (") + fieldName + QStringLiteral("<=") + quote + high + quote +
           u')';
}

namespace {

bool isOneGroup(const QString& part) {
    return part.startsWith(u'(') && part.endsWith(u')') && part.indexOf(u'(', 1) < 0;
}

}  // namespace

QString JoinConditions(const QString& op, const QStringList& parts) {
    QString result;
    for (const QString& part : parts) {
        if (part.isEmpty()) continue;
        if (!result.isEmpty()) result += u' ' + op + u' ';
        result += isOneGroup(part) ? part : u'(' + part + u')';
    }
    return result;
}

QString JoinOr(const QStringList& parts) {
    return JoinConditions(QStringLiteral("OR"), parts);
}

QString JoinAnd(const QStringList& parts) {
    return JoinConditions(QStringLiteral("AND"), parts);
}
