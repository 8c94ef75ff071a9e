// The SQL designer's text work: templates filled for a table and its
// selected fields, names quoted for Access SQL, and the name filter.
#include "schema/sql_templates.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

TEST(SqlTemplates, FillTheirPlaceholdersWithQuotedNames) {
    struct Case {
        const char* sqlTemplate;
        const char* table;
        QStringList fields;
        const char* expected;
    };
    const Case cases[] = {
        {"SELECT <Fields> FROM <Table>",
         "Order Details",
         {"ID", "Unit Price"},
         "SELECT ID, [Unit Price] FROM [Order Details]"},
        {"WHERE <Table>.<Field>= ???",
         "Orders",
         {"ID", "Ship_Via"},
         "WHERE Orders.ID= ??? WHERE Orders.[Ship_Via]= ???"},
        // Placeholders in any letter case; "*" and reserved words.
        {"select <fields> from <TABLE>", "Select", {"*"}, "select * from [Select]"},
        {"ORDER BY <Table>.<Field>", "Orders", {}, ""},
        {"SELECT Count(*) AS Pocet FROM <Table>",
         "Orders",
         {"ID"},
         "SELECT Count(*) AS Pocet FROM Orders"},
        {"UPDATE <Table> SET <Field> = ??? WHERE <Field> = ???",
         "T",
         {"A"},
         "UPDATE T SET A = ??? WHERE A = ???"},
        {"no placeholder", "T", {"A"}, "no placeholder"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            fillSqlTemplate(QString::fromUtf8(c.sqlTemplate), QString::fromUtf8(c.table), c.fields),
            QString::fromUtf8(c.expected))
            << c.sqlTemplate;
    }
}

TEST(SqlTemplates, AreAccessSql) {
    const QStringList templates = defaultSqlTemplates();
    ASSERT_GE(templates.size(), 13);
    EXPECT_EQ(templates.first(), "SELECT * FROM <Table>");
    // Every JOIN names its kind.
    const QRegularExpression joinKind(QStringLiteral("\\b(INNER|LEFT|RIGHT) JOIN\\b"));
    for (const QString& t : templates) {
        EXPECT_FALSE(t.contains(QStringLiteral("N'"))) << t.toStdString();
        EXPECT_FALSE(t.startsWith(QStringLiteral("WITH"), Qt::CaseInsensitive)) << t.toStdString();
        int kinds = 0;
        for (auto it = joinKind.globalMatch(t); it.hasNext(); it.next()) ++kinds;
        EXPECT_EQ(t.count(QStringLiteral("JOIN")), kinds) << t.toStdString();
    }
}

TEST(SqlTemplates, FilterNamesByAnyPartWithoutCase) {
    const QStringList names{"Orders", "Products", "Order Details"};
    EXPECT_EQ(filterSqlNames(names, QStringLiteral("ord")),
              QStringList({"Orders", "Order Details"}));
    EXPECT_EQ(filterSqlNames(names, QStringLiteral("DUCT")), QStringList({"Products"}));
    EXPECT_EQ(filterSqlNames(names, QString()), names);
    EXPECT_TRUE(filterSqlNames(names, QStringLiteral("x")).isEmpty());
}

}  // namespace
