// Reading and writing the string grid's typed cell texts: numbers with the
// locale's separators, dates with and without a format, the lenient date
// reader in locales of different date orders, and the date-cell shortcuts.
#include "kit/xStringGridEd_values.h"

#include <gtest/gtest.h>

#include "kit/xdlg_test_print.h"

namespace kit {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

QString iso(const std::optional<QDateTime>& value) {
    return value ? value->toString(Qt::ISODate) : QString("none");
}

TEST(StringGridEdValues, NumbersFollowTheLocale) {
    struct Case {
        QLocale locale;
        QString text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {kUs, "1,234.5", 1234.5},     {kUs, " 2 500 ", 2500},  {kUs, "-0.25", -0.25},
        {kUs, "1.2.3", std::nullopt}, {kUs, "", std::nullopt}, {kUs, "12x", std::nullopt},
        {kGerman, "1.234,5", 1234.5}, {kGerman, "0,5", 0.5},   {kGerman, "1,2,3", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.locale.name() + " " + c.text).toStdString());
        EXPECT_EQ(parseGridNumber(c.text, c.locale), c.value);
    }
    EXPECT_EQ(formatGridNumber(1234.5, "#,##0.00", kGerman), "1.234,50");
    EXPECT_EQ(formatGridNumber(0.1, "", kGerman), "0,1");
    EXPECT_EQ(formatGridNumber(1e20, "", kUs), "100000000000000000000");
    EXPECT_EQ(parseGridInteger(" 42 "), 42);
    EXPECT_EQ(parseGridInteger("4 2"), std::nullopt);
}

TEST(StringGridEdValues, DatesWithAFormat) {
    struct Case {
        QString format;
        QString text;
        TxStringGridEdDataType type;
        const char* expected;
    };
    const Case cases[] = {
        {"dd.mm.yyyy", "01.03.2024", sgdDate, "2024-03-01T00:00:00"},
        {"dd.mm.yyyy", "1/3/2024", sgdDate, "2024-03-01T00:00:00"},  // any separator
        {"dd.mm.yy", "1.3.49", sgdDate, "2049-03-01T00:00:00"},
        {"dd.mm.yy", "1.3.50", sgdDate, "1950-03-01T00:00:00"},
        {"dd.mm.yyyy hh:nn", "01.03.2024 14:05", sgdDateTime, "2024-03-01T14:05:00"},
        {"dd.mm.yyyy hh:nn", "01.03.2024", sgdDateTime, "2024-03-01T00:00:00"},
        {"d mmm yyyy", "5 Feb 2024", sgdDate, "2024-02-05T00:00:00"},
        {"mmmm d, yyyy", "february 5, 2024", sgdDate, "2024-02-05T00:00:00"},
        {"h:mm ampm", "7:30 pm", sgdTime, "1899-12-30T19:30:00"},  // mm after h: minutes
        {"hh:nn:ss", "23:59:59", sgdTime, "1899-12-30T23:59:59"},
        {"dd.mm.yyyy", "31.02.2024", sgdDate, "none"},
        {"dd.mm.yyyy", "01.03.2024 x", sgdDate, "none"},
        {"dd.mm.yyyy", "01.03", sgdDate, "none"},
        {"hh:nn", "24:00", sgdTime, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.format + " <- " + c.text).toStdString());
        EXPECT_EQ(iso(parseGridDateTime(c.text, c.format, c.type, kUs)), QString(c.expected));
    }
}

TEST(StringGridEdValues, DatesReadLenientlyInTheLocalesOrder) {
    struct Case {
        QLocale locale;
        QString text;
        TxStringGridEdDataType type;
        const char* expected;
    };
    const int year = QDate::currentDate().year();
    const QString thisYearMarch1 = QString("%1-03-01T00:00:00").arg(year);
    const QString thisYearJan3 = QString("%1-01-03T00:00:00").arg(year);
    const Case cases[] = {
        {kUs, "3/1/2024", sgdDate, "2024-03-01T00:00:00"},
        {kGerman, "3.1.2024", sgdDate, "2024-01-03T00:00:00"},
        {kGerman, "3/1/24", sgdDate, "2024-01-03T00:00:00"},
        {kUs, "2024-03-01", sgdDate, "2024-03-01T00:00:00"},
        {kGerman, "2024-03-01T08:15", sgdDateTime, "2024-03-01T08:15:00"},
        {kGerman, "2024.03.01", sgdDate, "2024-03-01T00:00:00"},  // year first in any locale
        {QLocale::c(), "1 Mar 2024", sgdDate, "2024-03-01T00:00:00"},
        {kUs, "March 1 2024", sgdDate, "2024-03-01T00:00:00"},
        {kUs, "3/1/2024 2:30 PM", sgdDateTime, "2024-03-01T14:30:00"},
        {kUs, "14:30", sgdTime, "1899-12-30T14:30:00"},
        {kUs, "3/1/2024", sgdTime, "none"},
        {kUs, "14:30", sgdDate, "none"},
        {kUs, "13/1/2024", sgdDate, "none"},
        {kUs, "3/1/2024/5", sgdDate, "none"},
        {kUs, "12:61", sgdTime, "none"},
        {kUs, "", sgdDate, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.locale.name() + " " + c.text).toStdString());
        EXPECT_EQ(iso(parseGridDateTime(c.text, "", c.type, c.locale)), QString(c.expected));
    }
    EXPECT_EQ(iso(parseGridDateTime("3/1", "", sgdDate, kUs)), thisYearMarch1);
    EXPECT_EQ(iso(parseGridDateTime("3.1.", "", sgdDate, kGerman)), thisYearJan3);
}

TEST(StringGridEdValues, DatesWrittenBackReadTheSame) {
    const QDateTime value(QDate(1987, 11, 9), QTime(6, 7, 8));
    for (const QLocale& locale : {kUs, kGerman, QLocale::c()}) {
        SCOPED_TRACE(locale.name().toStdString());
        for (TxStringGridEdDataType type : {sgdDate, sgdDateTime, sgdTime}) {
            const QString text = formatGridDateTime(value, "", type, locale);
            const auto back = parseGridDateTime(text, "", type, locale);
            ASSERT_TRUE(back) << text.toStdString();
            if (type != sgdTime) {
                EXPECT_EQ(back->date(), value.date());
            }
            if (type != sgdDate) {
                EXPECT_EQ(back->time(), value.time());
            }
        }
    }
    EXPECT_EQ(formatGridDateTime(value, "dd.mm.yyyy hh:nn:ss", sgdDateTime, kUs),
              "09.11.1987 06:07:08");
    EXPECT_EQ(formatGridDateTime(value, "d mmmm yy 'at' h:mm ampm", sgdDateTime, kUs),
              "9 November 87 at 6:07 AM");
    EXPECT_EQ(qtDateTimePattern("dd/mm/yyyy hh:nn"), "dd'/'MM'/'yyyy' 'HH':'mm");
}

TEST(StringGridEdValues, DateShortcutKeys) {
    const QDateTime now(QDate(2024, 2, 14), QTime(9, 30, 15, 500));
    struct Case {
        QChar key;
        TxStringGridEdDataType type;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {'t', sgdDate, "2024-02-14"},
        {'T', sgdDate, "2024-02-14"},
        {'*', sgdDateTime, "2024-02-14 09:30:15"},
        {'e', sgdDate, "2024-02-29"},
        {'S', sgdDate, "2024-02-01"},
        {'x', sgdDate, std::nullopt},
        {'t', sgdText, std::nullopt},
        {'t', sgdTime, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString(c.key).toStdString());
        const QString format = c.type == sgdDateTime ? "yyyy-mm-dd hh:nn:ss" : "yyyy-mm-dd";
        EXPECT_EQ(dateShortcutText(c.key, c.type, format, now, kUs), c.text);
    }
}

TEST(StringGridEdValues, ValidationAndFinishedTexts) {
    EXPECT_EQ(validateCellText("1.200", sgdInteger, "", 0, 0, kGerman), sdsOk);
    EXPECT_EQ(validateCellText("99999999999999999999", sgdInteger, "", 0, 0, kUs), sdsInvalid);
    EXPECT_EQ(normalizedCellText("1.200", sgdInteger, "", kGerman), "1200");
    EXPECT_EQ(normalizedCellText("9007199254740993", sgdInteger, "", kUs), "9007199254740993");
    EXPECT_EQ(normalizedCellText("2,5", sgdNumber, "0.00", kGerman), "2,50");
    EXPECT_EQ(normalizedCellText("3/1/2024 14:30", sgdDateTime, "", kUs), "3/1/2024 14:30:00");
    EXPECT_EQ(normalizedCellText("3/1/2024 14:30", sgdTime, "", kUs), "3/1/2024 14:30");
}

}  // namespace
}  // namespace kit
