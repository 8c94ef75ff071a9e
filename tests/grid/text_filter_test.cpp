// The text filter bar's language: the condition each typed text gives, and
// what those conditions select from real rows.
#include <QLocale>

#include "grid/xDBGrid_text_filter.h"
#include "grid_test_support.h"

using namespace grid_test;

namespace {

const std::vector<ColumnDef> kColumns = {
    {"Id", Long}, {"Name", Text}, {"Amount", Double}, {"Born", Date}};

std::vector<Row> rows() {
    return {
        {I(1), T("alpha"), D(120), Day(2023, 5, 1)},
        {I(2), T("beta"), D(129.5), Day(2023, 5, 1, 14, 30)},
        {I(3), T("gamma"), D(130), Day(2023, 5, 2)},
        {I(4), T("delta"), D(1.25), Day(2023, 12, 31, 23, 0)},
        {I(5), T("epsilon"), D(1.3), Day(2024, 1, 1)},
        {I(6), T("zeta"), D(-125), Day(2022, 12, 31, 12, 0)},
        {I(7), N(), D(-120), N()},
        {I(8), T("eta"), D(-130), Day(2023, 4, 30, 23, 59)},
    };
}

class TextFilterTest : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    TableFile file{kColumns, rows()};

    QString condition(const QString& field, const QString& text) {
        return BuildTextFilterCondition(file.query.FindField(field), text, TTextFilterSettings{});
    }
    // The Ids the condition of the text selects.
    QString ids(const QString& field, const QString& text) {
        const QString cond = condition(field, text);
        if (cond.isEmpty()) return QStringLiteral("<none>");
        file.query.SetFilterEx(cond, true);
        QStringList found;
        file.query.ScanRecords([&] { found << file.query.FieldByName("Id").AsString(); });
        file.query.SetFilterEx(QString(), false);
        return found.join(u',');
    }
};

TEST_F(TextFilterTest, TextsBecomeConditionsInTheFilterDialect) {
    struct Case {
        const char* field;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"Amount", ">=100&<200", "(Amount >= 100) AND (Amount < 200)"},
        {"Amount", "<10|>90", "(Amount < 10) OR (Amount > 90)"},
        {"Name", "a|b&c",
         "((Name LIKE '*a*') OR (Name LIKE '*b*')) AND (Name LIKE '*c*')"},
        {"Amount", "=5", "(Amount = 5)"},
        {"Amount", ">", ""},
        {"Amount", "*12", ""},
        {"Name", "(NULL)", "(Name =  NULL )"},
        {"Name", "Is Null", "(Name =  NULL )"},
        {"Name", "is not null", "(Name <>  NULL )"},
        {"Name", "O'Neil", "(Name LIKE '*O''Neil*')"},
        {"Name", ">m", "(Name > 'm')"},
        // The date forms the engine reads, whatever the locale shows.
        {"Born", "5/1/2023", "(Born >= '2023-05-01') AND (Born < '2023-05-02')"},
        {"Born", "2023", "(Born >= '2023-01-01') AND (Born < '2024-01-01')"},
        {"Born", ">2023", "(Born >= '2024-01-01')"},
        {"Born", ">=2023", "(Born >= '2023-01-01')"},
        {"Born", ">12/2023", "(Born >= '2024-01-01')"},
        {"Born", "5/2023", "(Born >= '2023-05-01') AND (Born < '2023-06-01')"},
        {"Born", "2023-5", "(Born >= '2023-05-01') AND (Born < '2023-06-01')"},
        {"Born", "2023-05-01", "(Born >= '2023-05-01') AND (Born < '2023-05-02')"},
        {"Born", "tomorrow", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(condition(c.field, c.text), QString::fromUtf8(c.expected)) << c.field << " " << c.text;
    }
}

TEST_F(TextFilterTest, ADateMeansTheWholeDayWithEveryOperator) {
    // 2023-05-01 is rows 1 and 2 (midnight and 14:30).
    EXPECT_EQ(ids("Born", "5/1/2023"), "1,2");
    EXPECT_EQ(ids("Born", "=5/1/2023"), "1,2");
    EXPECT_EQ(ids("Born", "<=5/1/2023"), "1,2,6,8");
    EXPECT_EQ(ids("Born", ">5/1/2023"), "3,4,5");
    EXPECT_EQ(ids("Born", "<5/1/2023"), "6,8");
    EXPECT_EQ(ids("Born", "<>5/1/2023"), "3,4,5,6,8");
    EXPECT_EQ(ids("Born", "2023"), "1,2,3,4,8");
    EXPECT_EQ(ids("Born", "12/2023"), "4");
}

TEST_F(TextFilterTest, NumberRangesKeepFractionsAndNegativeNumbers) {
    EXPECT_EQ(ids("Amount", "12*"), "1,2");      // [120, 130)
    EXPECT_EQ(ids("Amount", "1.2*"), "4");       // [1.2, 1.3)
    EXPECT_EQ(ids("Amount", "1.*"), "4,5");      // [1, 2)
    EXPECT_EQ(ids("Amount", "-12*"), "6,7");     // (-130, -120]
    EXPECT_EQ(ids("Amount", "1**"), "1,2,3");    // [100, 200)
    EXPECT_EQ(ids("Amount", "*12"), "<none>");
}

TEST_F(TextFilterTest, NullAndPatternsSelectTheirRows) {
    EXPECT_EQ(ids("Name", "(null)"), "7");
    EXPECT_EQ(ids("Name", "(not null)"), "1,2,3,4,5,6,8");
    EXPECT_EQ(ids("Name", "ta"), "2,4,6,8");
    EXPECT_EQ(ids("Name", "ta&z"), "6");
    EXPECT_EQ(ids("Name", "alp|gam"), "1,3");
    // (null)&x is two plain parts, not a null test (the first part holds a
    // "(" of its own, so the join puts it in parentheses once more).
    EXPECT_EQ(condition("Name", "(null)&x"),
              "((Name LIKE '*(null)*')) AND (Name LIKE '*x*')");
}

}  // namespace
