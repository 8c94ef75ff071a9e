#include "grid/xDBGrid_text_filter.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

#include "db/xdbtool.h"
#include "db/xdbtool_dataset.h"

namespace {

QString condition(const std::optional<TQueryField>& field, const QString& op,
                  const QString& value) {
    return BuildFieldConditionEx(field, value, false, op, false);
}

QString dateText(const QDate& date) {
    return DateToFilterText(date);
}

// The half-open range [from, to) of dates, or the comparison of a period
// given by its first and its last day.
QString dateRange(const std::optional<TQueryField>& field, const QDate& from, const QDate& to) {
    return JoinAnd({condition(field, QStringLiteral(">="), dateText(from)),
                    condition(field, QStringLiteral("<"), dateText(to))});
}

// A comparison of whole days: the stored values carry a time of day, so a
// day means [day, day + 1).
QString dayComparison(const std::optional<TQueryField>& field, const QString& op,
                      const QDate& day) {
    const QDate next = day.addDays(1);
    if (op == u"=" || op.isEmpty()) return dateRange(field, day, next);
    if (op == u">") return condition(field, QStringLiteral(">="), dateText(next));
    if (op == u">=") return condition(field, QStringLiteral(">="), dateText(day));
    if (op == u"<") return condition(field, QStringLiteral("<"), dateText(day));
    if (op == u"<=") return condition(field, QStringLiteral("<"), dateText(next));
    if (op == u"<>" || op == u"><")
        return JoinOr({condition(field, QStringLiteral("<"), dateText(day)),
                       condition(field, QStringLiteral(">="), dateText(next))});
    return {};
}

struct Period {
    QDate first;
    QDate next;  // the first day after the period
};

// "2023", "5/2023", "2023-5", "5.2023", "5,2023": a year or a month of a year.
std::optional<Period> parsePeriod(const QString& text) {
    static const QRegularExpression yearOnly(QStringLiteral("^\\d{1,4}$"));
    static const QRegularExpression monthYear(QStringLiteral("^(\\d{1,4})\\s*[/\\-.,]\\s*(\\d{1,4})$"));
    if (yearOnly.match(text).hasMatch()) {
        const int year = text.toInt();
        if (year < 100 || year > 9999) return std::nullopt;
        return Period{QDate(year, 1, 1), QDate(year + 1, 1, 1)};
    }
    const QRegularExpressionMatch m = monthYear.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int a = m.captured(1).toInt();
    int b = m.captured(2).toInt();
    const int year = std::max(a, b);
    const int month = std::min(a, b);
    if (year < 100 || year > 9999) return std::nullopt;
    if (month < 1 || month > 12) return Period{QDate(year, 1, 1), QDate(year + 1, 1, 1)};
    const QDate first(year, month, 1);
    return Period{first, first.addMonths(1)};
}

QString dateCondition(const std::optional<TQueryField>& field, const QString& op,
                      const QString& value, const TTextFilterSettings& settings) {
    if (const std::optional<QDate> day = ParseFilterDate(value)) {
        return dayComparison(field, op, *day);
    }
    if (!settings.UseDatePartAsRange) return {};
    const std::optional<Period> period = parsePeriod(value);
    if (!period) return {};
    if (op.isEmpty()) return dateRange(field, period->first, period->next);
    // With an operator the period stands for one day: its last day for ">"
    // and "<=", its first day otherwise.
    const QDate last = period->next.addDays(-1);
    return dayComparison(field, op, (op == u">" || op == u"<=") ? last : period->first);
}

// 12* -> [120, 130); 12** -> [1200, 1300); 12.* -> [12, 13); 1.2* -> [1.2,
// 1.3); a negative prefix mirrors the range: -12* -> (-130, -120].
QString numberRange(const std::optional<TQueryField>& field, const QString& value,
                    QChar wild) {
    const int firstWild = value.indexOf(wild, 1);
    if (firstWild < 1) return {};
    const QString tail = value.mid(firstWild);
    for (QChar c : tail)
        if (c != wild) return {};  // wild characters only at the end
    QString prefix = value.left(firstWild).trimmed();
    const QString decimal = QLocale().decimalPoint();
    prefix.replace(decimal, QStringLiteral("."));
    bool fraction = false;
    if (prefix.endsWith(u'.')) {
        prefix.chop(1);
        fraction = true;  // 12.* : the wild characters are the fraction
    }
    const bool negative = prefix.startsWith(u'-');
    if (negative) prefix.remove(0, 1);
    static const QRegularExpression digits(QStringLiteral("^\\d+(\\.\\d+)?$"));
    if (!digits.match(prefix).hasMatch()) return {};
    bool ok = false;
    const double given = prefix.toDouble(&ok);
    if (!ok) return {};
    double low = given;
    double unit = 1;
    const int point = int(prefix.indexOf(u'.'));
    if (point >= 0) {
        unit = std::pow(10.0, -double(prefix.size() - point - 1));
    } else if (!fraction) {
        unit = std::pow(10.0, double(tail.size()));
        low = given * unit;
    }
    const double high = low + unit;
    if (!negative)
        return JoinAnd({condition(field, QStringLiteral(">="), FloatToFilterText(low)),
                        condition(field, QStringLiteral("<"), FloatToFilterText(high))});
    return JoinAnd({condition(field, QStringLiteral(">"), FloatToFilterText(-high)),
                    condition(field, QStringLiteral("<="), FloatToFilterText(-low))});
}

bool isTextField(const std::optional<TQueryField>& field) {
    const db::DataType type = field->DataType();
    return type == db::DataType::Text || type == db::DataType::Memo;
}

QString partCondition(const std::optional<TQueryField>& field, const QString& part,
                      const TTextFilterSettings& settings) {
    int opLength = 0;
    while (opLength < part.size() && QStringLiteral("<>=").contains(part[opLength])) ++opLength;
    QString op = part.left(opLength);
    const QString value = part.mid(opLength).trimmed();
    if (value.isEmpty()) return {};  // nothing but an operator
    if (op == u"=") op.clear();
    if (!op.isEmpty() &&
        !QStringList{"<", ">", "<=", ">=", "<>", "><"}.contains(op))
        return {};
    if (IsDateField(field)) return dateCondition(field, op, value, settings);
    if (IsNumericField(field) && op.isEmpty()) {
        if (const std::optional<double> number = ParseFilterNumber(value))
            return condition(field, QStringLiteral("="), FloatToFilterText(*number));
        if (settings.UseNumberPartAsRange)
            return numberRange(field, value, settings.NumberPartWildChar);
        return {};
    }
    if (IsNumericField(field)) {
        const std::optional<double> number = ParseFilterNumber(value);
        return number ? condition(field, op, FloatToFilterText(*number)) : QString();
    }
    if (isTextField(field) && op.isEmpty()) {
        const QString& w = settings.WildCard;
        QString pattern = value;
        switch (settings.FilterType) {
        case oftAnyPos: pattern = w + value + w; break;
        case oftStartPos: pattern = value + w; break;
        case oftExactValue: break;
        case oftAnyPosForNoLikeChar:
            if (!value.contains(w)) pattern = w + value + w;
            break;
        }
        if (settings.FilterType == oftExactValue) return condition(field, QStringLiteral("="), pattern);
        return condition(field, settings.LikeOperator, pattern);
    }
    return condition(field, op.isEmpty() ? QStringLiteral("=") : op, value);
}

}  // namespace

std::optional<QDate> ParseFilterDate(const QString& text) {
    const QString t = text.trimmed();
    // A date has at least two separators; a year or a month is no date.
    static const QRegularExpression shape(QStringLiteral("^\\d+\\D+\\d+\\D+\\d+$"));
    if (!shape.match(t).hasMatch()) return std::nullopt;
    const QLocale locale;
    // The short form as the grid shows it (four-digit year), then as the
    // locale writes it (two-digit years read as 19xx by Qt are moved into
    // this century's window), then the long form.
    QString shortForm = locale.dateFormat(QLocale::ShortFormat);
    QString fourDigits = shortForm;
    if (!fourDigits.contains(QStringLiteral("yyyy"))) fourDigits.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    for (const QString& form : {fourDigits, shortForm, locale.dateFormat(QLocale::LongFormat)}) {
        QDate date = locale.toDate(t, form);
        if (!date.isValid()) continue;
        if (!form.contains(QStringLiteral("yyyy")) && date.year() < 1930) date = date.addYears(100);
        return date;
    }
    const QDate iso = QDate::fromString(t, QStringLiteral("yyyy-M-d"));
    if (iso.isValid()) return iso;
    return std::nullopt;
}

std::optional<double> ParseFilterNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    double value = QLocale().toDouble(t, &ok);
    if (ok && std::isfinite(value)) return value;
    value = QLocale::c().toDouble(t, &ok);
    if (ok && std::isfinite(value)) return value;
    return std::nullopt;
}

QString BuildTextFilterCondition(const std::optional<TQueryField>& field, const QString& text,
                                 const TTextFilterSettings& settings) {
    if (!field) return {};
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    const QString lower = t.toLower();
    if (lower == u"(null)" || lower == u"is null" || lower == u"=null")
        return BuildFieldConditionEx(field, QString(), true, QString(), false);
    if (lower == u"(not null)" || lower == u"is not null" || lower == u"<>null")
        return BuildFieldConditionEx(field, QString(), false, QString(), true);

    QString result;
    QChar pendingJoin;
    int start = 0;
    for (int i = 0; i <= t.size(); ++i) {
        if (i < t.size() && t[i] != u'&' && t[i] != u'|') continue;
        const QString cond = partCondition(field, t.mid(start, i - start).trimmed(), settings);
        if (!cond.isEmpty()) {
            if (result.isEmpty())
                result = cond;
            else
                result = pendingJoin == u'|' ? JoinOr({result, cond}) : JoinAnd({result, cond});
        }
        if (i < t.size()) pendingJoin = t[i];
        start = i + 1;
    }
    return result;
}
