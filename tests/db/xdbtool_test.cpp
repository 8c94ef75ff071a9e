// The text forms of names, values and conditions: bracketing of names,
// literals of the filter and SQL dialects, and joining conditions.
#include "db/xdbtool.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVariant>
#include <limits>

#include "config/KelmCompGlobalCfg.h"
#include "jet/sql/parser/parser.h"
#include "jet/sql/parser/parser_date_literal.h"

namespace {

TEST(XdbtoolNames, BracketsOnlyNamesThatNeedThem) {
    struct Case {
        const char* name;
        bool bracketed;
    };
    for (Case c : {
             Case{"Orders", false},
             Case{"Customer2", false},
             Case{"x", false},
             Case{"Order Details", true},  // blank
             Case{"Order_Items", true},    // underscore
             Case{"Select", true},         // reserved, any case
             Case{"WRITETEXT", true},      // last reserved word
             Case{"add", true},            // first reserved word
             Case{"Order-Details", true},  // not a plain identifier
             Case{"Customer-List", true},
             Case{"Qty#", true},
             Case{"2019Sales", true},  // digit first
             Case{"Prix€", true},      // non-ASCII letter
             Case{"A.B", true},
             Case{"Name(1)", true},
             Case{"ECT", false},  // tail of SELECT is not a reserved word
             Case{"ELECT", false},
             Case{"Selected", false},
         }) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        const QString expected = c.bracketed ? "[" + name + "]" : name;
        EXPECT_EQ(QuoteTableName(name), expected);
        EXPECT_EQ(QuoteFieldName(name), expected);
    }
}

TEST(XdbtoolNames, ReservedWordsAreWholeListEntries) {
    struct Case {
        const char* name;
        bool reserved;
    };
    for (Case c : {Case{"select", true}, Case{"Current_Date", true}, Case{"VIEW", true},
                   Case{"ADD", true}, Case{"", false}, Case{"ADD,ALL", false}, Case{"SELEC", false},
                   Case{"IEW", false}, Case{"Orders", false}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsReservedKeyword(QString::fromUtf8(c.name)), c.reserved);
    }
}

TEST(XdbtoolNames, TableAndFieldUseTheirOwnConfiguredBrackets) {
    const TxDBFilterCfg saved = kelmCompConfig().xDBFilterCfg;
    kelmCompConfig().xDBFilterCfg.TableQuoteStart = "`";
    kelmCompConfig().xDBFilterCfg.TableQuoteStop = "`";
    kelmCompConfig().xDBFilterCfg.FieldQuoteStart = "\"";
    kelmCompConfig().xDBFilterCfg.FieldQuoteStop = "\"";
    EXPECT_EQ(QuoteTableName("Order Details"), "`Order Details`");
    EXPECT_EQ(QuoteFieldName("Order Details"), "\"Order Details\"");
    EXPECT_EQ(QuoteFieldName("Orders"), "Orders");
    kelmCompConfig().xDBFilterCfg = saved;
}

TEST(XdbtoolValues, FloatsUseADotWhateverTheLocale) {
    const QLocale savedLocale;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct Case {
        double value;
        const char* text;
    };
    for (Case c : {Case{12.5, "12.5"}, Case{-0.25, "-0.25"}, Case{3, "3"}, Case{0, "0"},
                   Case{1234567.125, "1234567.125"}, Case{0.1 + 0.2, "0.3"},
                   Case{std::numeric_limits<double>::quiet_NaN(), ""},
                   Case{std::numeric_limits<double>::infinity(), ""}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FloatToFilterText(c.value), c.text);
    }
    QLocale::setDefault(savedLocale);
}

TEST(XdbtoolValues, DatesHaveOneFixedFormTheEngineFilterReads) {
    const QLocale savedLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        QDateTime value;
        const char* text;
    };
    for (const Case& c : {
             Case{QDateTime(QDate(2024, 3, 4), QTime(0, 0)), "2024-03-04"},
             Case{QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)), "2024-03-04 13:05:09"},
             Case{QDateTime(QDate(2024, 3, 4), QTime(0, 0, 1)), "2024-03-04 00:00:01"},
             // A time a hair below the second is rounded, across midnight too.
             Case{QDateTime(QDate(2024, 3, 4), QTime(10, 59, 59, 999)), "2024-03-04 11:00:00"},
             Case{QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 600)), "2025-01-01"},
             Case{QDateTime(QDate(2024, 3, 4), QTime(8, 0, 0, 400)), "2024-03-04 08:00:00"},
             Case{QDateTime(QDate(100, 1, 1), QTime(0, 0)), "0100-01-01"},
             Case{QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)), "9999-12-31 23:59:59"},
             Case{QDateTime(QDate(99, 12, 31), QTime(0, 0)), ""},
             Case{QDateTime(), ""},
         }) {
        SCOPED_TRACE(c.text);
        const QString text = DateToFilterText(c.value);
        EXPECT_EQ(text, c.text);
        if (!text.isEmpty()) {
            EXPECT_TRUE(jet::sql::parseFilterDate(text.toStdString()).has_value());
        }
        if (c.value.isValid() && c.value.time() == QTime(0, 0)) {
            EXPECT_EQ(DateToFilterText(c.value.date()), c.text);
        }
    }
    QLocale::setDefault(savedLocale);
}

TEST(XdbtoolValues, AConfiguredDateFormatReplacesTheFixedForm) {
    const TxDBFilterCfg saved = kelmCompConfig().xDBFilterCfg;
    kelmCompConfig().xDBFilterCfg.DateFormat = "dd.MM.yyyy";
    EXPECT_EQ(DateToFilterText(QDate(2024, 3, 4)), "04.03.2024");
    EXPECT_EQ(DateToFilterText(QDateTime(QDate(2024, 3, 4), QTime(9, 0))), "04.03.2024");
    kelmCompConfig().xDBFilterCfg = saved;
}

TEST(XdbtoolValues, LiteralsOfBothDialects) {
    struct Case {
        QVariant value;
        const char* filter;
        const char* sql;
    };
    for (const Case& c : {
             Case{QVariant(), "NULL", "NULL"},
             Case{QVariant(QMetaType(QMetaType::QString)), "NULL", "NULL"},
             Case{QVariant(true), "true", "1"},
             Case{QVariant(false), "false", "0"},
             Case{QVariant(42), "42", "42"},
             Case{QVariant(qlonglong(-9007199254740993LL)), "-9007199254740993",
                  "-9007199254740993"},
             Case{QVariant(12.5), "12.5", "12.5"},
             Case{QVariant(QString("O'Neil")), "'O''Neil'", "'O''Neil'"},
             Case{QVariant(QString("''")), "''''''", "''''''"},
             Case{QVariant(QString("")), "''", "''"},
             Case{QVariant(QString("a\"b")), "'a\"b'", "'a\"b'"},
             Case{QVariant(QDate(2024, 3, 4)), "'2024-03-04'", "#2024-03-04#"},
             Case{QVariant(QDateTime(QDate(2024, 3, 4), QTime(17, 30))), "'2024-03-04 17:30:00'",
                  "#2024-03-04 17:30:00#"},
             Case{QVariant(QTime(6, 15)), "'1899-12-30 06:15:00'", "#1899-12-30 06:15:00#"},
             Case{QVariant(QDate(50, 1, 1)), "", ""},
         }) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(ValueToFilterText(c.value), c.filter);
        EXPECT_EQ(ValueToSQLText(c.value), c.sql);
        // Date literals of both dialects are read back by the engine.
        const QString filter = QString::fromUtf8(c.filter), sql = QString::fromUtf8(c.sql);
        if (filter.startsWith("'19") || filter.startsWith("'20")) {
            EXPECT_TRUE(jet::sql::parseFilterDate(filter.mid(1, filter.size() - 2).toStdString()));
        }
        if (sql.startsWith('#')) {
            EXPECT_TRUE(jet::sql::parseDateLiteral(sql.mid(1, sql.size() - 2).toStdString()));
        }
    }
}

TEST(XdbtoolValues, StringQuoteComesFromTheConfiguration) {
    const TxDBToolCfg saved = kelmCompConfig().xDBToolCfg;
    kelmCompConfig().xDBToolCfg.SQLScript_StringFieldQuotes = "\"";
    EXPECT_EQ(QuoteStringValue("say \"hi\" it's"), "\"say \"\"hi\"\" it's\"");
    kelmCompConfig().xDBToolCfg = saved;
    EXPECT_EQ(QuoteStringValue("it's"), "'it''s'");
}

TEST(XdbtoolConditions, MakeConditionAndRange) {
    EXPECT_EQ(MakeCondition("Name", "=", "O''Neil", "'"), "(Name = 'O''Neil')");
    EXPECT_EQ(MakeCondition("[Order Date]", "=", "NULL", " "), "([Order Date] =  NULL )");
    EXPECT_EQ(MakeCondition("Price", "=", "12.5", ""), "(Price = 12.5)");
    EXPECT_EQ(MakeRangeCondition("Qty", "1", "5", ""), "(Qty>=1) AND (Qty<=5)");
    EXPECT_EQ(MakeRangeCondition("[Order Date]", "2024-01-01", "2024-01-31", "'"),
              "([Order Date]>='2024-01-01') AND ([Order Date]<='2024-01-31')");
}

TEST(XdbtoolConditions, JoinWrapsPartsThatAreNotOneGroup) {
    struct Case {
        QStringList parts;
        const char* anded;
        const char* ored;
    };
    for (const Case& c : {
             Case{{"(A=1)", "B=2"}, "(A=1) AND (B=2)", "(A=1) OR (B=2)"},
             Case{{"(A=1) OR (B=2)", "(C=3)"},
                  "((A=1) OR (B=2)) AND (C=3)",
                  "((A=1) OR (B=2)) OR (C=3)"},
             Case{{"", "(A=1)", ""}, "(A=1)", "(A=1)"},
             Case{{"A=1"}, "(A=1)", "(A=1)"},
             Case{{}, "", ""},
             Case{{"", ""}, "", ""},
             Case{{"(A=1", "B=2)"}, "((A=1) AND (B=2))", "((A=1) OR (B=2))"},
             Case{{"()", "X"}, "() AND (X)", "() OR (X)"},
         }) {
        SCOPED_TRACE(c.anded);
        EXPECT_EQ(JoinAnd(c.parts), c.anded);
        EXPECT_EQ(JoinOr(c.parts), c.ored);
        EXPECT_EQ(JoinConditions("XOR", c.parts), QString(c.anded).replace(" AND ", " XOR "));
    }
}

}  // namespace
