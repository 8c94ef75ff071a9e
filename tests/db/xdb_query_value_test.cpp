// Engine values as the query's fields hand them out: QVariant and text.
// Dates follow the engine's day count (the fraction is the time of day also
// before day 0), in UTC so that no zone moves them; texts never depend on
// the locale.
#include <gtest/gtest.h>

#include <QTimeZone>

#include "db/query_value.h"

namespace {

using jet::Value;

QDateTime utc(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone::utc());
}

TEST(QueryValue, DayCountsBecomeDatesAndTimes) {
    struct Case {
        double days;
        QDateTime expected;  // invalid: out of range
        QString text;
    };
    const Case cases[] = {
        {0.0, utc(1899, 12, 30), "1899-12-30"},
        {27293.0, utc(1974, 9, 21), "1974-09-21"},
        {27293.75, utc(1974, 9, 21, 18), "1974-09-21 18:00:00"},
        {-1.25, utc(1899, 12, 29, 6), "1899-12-29 06:00:00"},
        {-700000.5, QDateTime(), ""},  // before the year 100
        {2958465.0, utc(9999, 12, 31), "9999-12-31"},
        {0.999999999, utc(1899, 12, 31), "1899-12-31"},  // rounds up to midnight
        // Before day 0 the time is positive too: 1899-12-29 23:59:59.9996
        // rounds up into the next day.
        {-1.99999999537037, utc(1899, 12, 30), "1899-12-30"},
        {1.0e7, QDateTime(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        const QDateTime got = db::accessDaysToDateTime(c.days);
        if (c.text.isEmpty()) {
            EXPECT_FALSE(got.isValid());
        } else {
            EXPECT_EQ(got, c.expected);
            EXPECT_EQ(got.offsetFromUtc(), 0);
        }
        EXPECT_EQ(db::valueToText(Value::dateTime(c.days)), c.text);
    }
}

TEST(QueryValue, VariantsAndTextsOfEveryKind) {
    jet::Guid guid;
    guid.bytes[0] = 0x78;
    guid.bytes[15] = 0x01;
    struct Case {
        Value value;
        QVariant variant;
        QString text;
    };
    const Case cases[] = {
        {Value::null(), QVariant(), ""},
        {Value::boolean(true), QVariant(true), "True"},
        {Value::boolean(false), QVariant(false), "False"},
        {Value::integer(-5453), QVariant(qlonglong(-5453)), "-5453"},
        {Value::real(444.555), QVariant(444.555), "444.555"},
        {Value::single(0.1f), QVariant(0.1f), "0.1"},
        {Value::currency(35000), QVariant(3.5), "3.5"},
        {Value::currency(-1), QVariant(-0.0001), "-0.0001"},
        {Value::currency(120000), QVariant(12.0), "12"},
        {Value::text("O'Neil"), QVariant(QStringLiteral("O'Neil")), "O'Neil"},
        {Value::binary({0x01, 0xAB}), QVariant(QByteArray("\x01\xAB", 2)), "01AB"},
        {Value::guid(guid), QVariant(QString::fromStdString(guid.toString())),
         QString::fromStdString(guid.toString())},
        {Value::extDateTime({738000, 36000000000LL}), QVariant(utc(2021, 7, 30, 1)),
         "2021-07-30 01:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(db::valueToVariant(c.value), c.variant);
        EXPECT_EQ(db::valueToText(c.value), c.text);
    }
}

}  // namespace
