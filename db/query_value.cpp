#include "db/query_value.h"

#include <QByteArray>
#include <QTimeZone>
#include <cmath>
#include <cstdio>
#include <variant>

#include "jet/value_text.h"

namespace db {

namespace {

constexpr qint64 kMsPerDay = 24LL * 60 * 60 * 1000;

QDate dayZero() {
    return QDate(1899, 12, 30);
}

bool inEngineRange(const QDate& date) {
    return date.isValid() && date.year() >= 100 && date.year() <= 9999;
}

QDateTime utcDateTime(const QDate& date, qint64 msOfDay) {
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msOfDay)),
                     QTimeZone::utc());
}

QDateTime extDateTimeToDateTime(const jet::ExtDateTime& value) {
    // Days since 0001-01-01, ticks of 100 ns since midnight.
    constexpr qint64 kTicksPerMs = 10000;
    const QDate date = QDate(1, 1, 1).addDays(value.days);
    const qint64 ms = value.ticks / kTicksPerMs;
    if (!date.isValid() || ms < 0 || ms >= kMsPerDay) return {};
    return utcDateTime(date, ms);
}

// Written digit by digit: exports turn millions of dates into text, and a
// format string parsed for every value costs more than the rest of a cell.
QString dateTimeText(const QDateTime& dt) {
    if (!dt.isValid()) return {};
    const QDate d = dt.date();
    const QTime t = dt.time();
    char text[24];
    int n = 0;
    if (t.msecsSinceStartOfDay() == 0) {
        n = std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year(), d.month(), d.day());
    } else {
        n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(),
                          d.day(), t.hour(), t.minute(), t.second());
    }
    return QString::fromLatin1(text, n);
}

double currencyToDouble(const jet::CurrencyValue& value) {
    return static_cast<double>(value.tenThousandths) / 10000.0;
}

// Currency text without trailing zeros of the fraction: "3.5", "12", "-0.0001".
QString currencyText(const jet::CurrencyValue& value) {
    QString text = QString::fromStdString(jet::formatCurrency(value.tenThousandths));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) text.chop(1);
        if (text.endsWith(u'.')) text.chop(1);
    }
    return text;
}

}  // namespace

QDateTime accessDaysToDateTime(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return {};
    // The whole part counts days (signed), the fraction is the time of day
    // whatever the sign of the whole part.
    const double whole = std::trunc(days);
    qint64 ms = std::llround(std::fabs(days - whole) * static_cast<double>(kMsPerDay));
    QDate date = dayZero().addDays(static_cast<qint64>(whole));
    // A time that rounds up to midnight belongs to the next day, also
    // before day 0.
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        date = date.addDays(1);
    }
    if (!inEngineRange(date)) return {};
    return utcDateTime(date, ms);
}

QVariant valueToVariant(const jet::Value& value) {
    return std::visit(
        [](const auto& v) -> QVariant {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return QVariant();
            } else if constexpr (std::is_same_v<T, bool>) {
                return QVariant(v);
            } else if constexpr (std::is_same_v<T, int64_t>) {
                return QVariant(static_cast<qlonglong>(v));
            } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
                return QVariant(v);
            } else if constexpr (std::is_same_v<T, jet::CurrencyValue>) {
                return QVariant(currencyToDouble(v));
            } else if constexpr (std::is_same_v<T, jet::Decimal>) {
                return QVariant(QString::fromStdString(v.toString()).toDouble());
            } else if constexpr (std::is_same_v<T, jet::DateTimeValue>) {
                return QVariant(accessDaysToDateTime(v.days));
            } else if constexpr (std::is_same_v<T, std::string>) {
                return QVariant(QString::fromStdString(v));
            } else if constexpr (std::is_same_v<T, jet::Blob>) {
                return QVariant(QByteArray(reinterpret_cast<const char*>(v.data()),
                                           static_cast<qsizetype>(v.size())));
            } else if constexpr (std::is_same_v<T, jet::Guid> || std::is_same_v<T, jet::ErrorValue>) {
                return QVariant(QString::fromStdString(v.toString()));
            } else {
                return QVariant(extDateTimeToDateTime(v));
            }
        },
        value.storage());
}

QString valueToText(const jet::Value& value) {
    if (value.is<jet::CurrencyValue>()) return currencyText(value.as<jet::CurrencyValue>());
    if (value.is<jet::DateTimeValue>())
        return dateTimeText(accessDaysToDateTime(value.as<jet::DateTimeValue>().days));
    if (value.is<jet::ExtDateTime>())
        return dateTimeText(extDateTimeToDateTime(value.as<jet::ExtDateTime>()));
    return QString::fromStdString(jet::valueText(
        value, {.null = "", .falseText = "False", .trueText = "True", .binaryPrefix = ""}));
}

}  // namespace db
