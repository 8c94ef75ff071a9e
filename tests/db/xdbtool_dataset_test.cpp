// The dataset routines of xdbtool on queries over copies of Access files:
// ApplyFilter keeping the current record and reporting refused texts,
// conditions built from fields (and read back by the engine's filter),
// FilterBySelection's three modes, the field kinds and the list filler.
#include "db/xdbtool_dataset.h"

#include <gtest/gtest.h>

#include "config/KelmCompGlobalCfg.h"
#include "db/xdbtool.h"
#include "kit/xdlg_scripted.h"
#include "xdb_query_support.h"

namespace {

using db_test::columnText;
using db_test::currentText;
using db_test::gotoRow;
using db_test::kRowFixtures;
using db_test::QueryOnCopy;

const QString kSelectAll = QStringLiteral("SELECT * FROM TableIgnoreNulls2");
// Table1 of the all-types fixture: A Text(50), B Text(100), C Byte,
// D Integer, E Long, F Double, G Date/Time, H Currency, I Boolean; two rows
// ("abcdefg", ..., 1974-09-21, 3.5, true) and ("a", ..., 1981-12-12, 0, false).
const QString kAllTypesMdb = QStringLiteral("V2000/testV2000.mdb");

TEST(XdbtoolDataset, ApplyFilterKeepsTheRecordThatStillPasses) {
    struct Case {
        QString start;
        QString filter;
        QString current;  // afterwards
        size_t count;
    };
    const Case cases[] = {
        {"row6", "data2 > 0", "row6", 3},            // still passes: stays
        {"row7", "data2 > 0", "row0", 3},            // filtered out: the first record
        {"row9", "  data1 LIKE 's*'  ", "row9", 3},  // trimmed
        {"row5", "data1 = NULL", "row5", 5},         // the null test of the builders
        {"row4", "data2 = 12345", "<none>", 0},      // nothing passes
        {"row3", "", "row3", 11},                    // empty: filtering off
        {"row8", "(data2 <> NULL) AND (data1 =  NULL )", "row8", 4},
    };
    for (const QString& fixture : kRowFixtures) {
        for (const Case& c : cases) {
            SCOPED_TRACE((fixture + " " + c.start + " " + c.filter).toStdString());
            QueryOnCopy t(fixture);
            t.query.SetSQL(kSelectAll);
            t.query.RequeryEx(false);
            t.query.SetSortEx("data2");
            ASSERT_TRUE(gotoRow(t.query, c.start));
            EXPECT_TRUE(ApplyFilter(&t.query, c.filter, true));
            EXPECT_EQ(currentText(t.query, "row"), c.current);
            EXPECT_EQ(t.query.RecordCount(), c.count);
            EXPECT_EQ(t.query.Filtered(), !c.filter.trimmed().isEmpty());
        }
    }
}

TEST(XdbtoolDataset, RefusedFilterIsReportedAndChangesNothing) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    ASSERT_TRUE(ApplyFilter(&t.query, "data2 > 0", true));
    ASSERT_TRUE(gotoRow(t.query, "row1"));

    struct Case {
        QString text;
        bool showError;
    };
    for (const Case& c :
         {Case{"data2 >", true}, Case{"nosuch = 1", true}, Case{"data2 = #1974-13-40#", false},
          Case{"data2 IN (1, 2", false}, Case{"data2 = 'x' AND (", false}}) {
        SCOPED_TRACE(c.text.toStdString());
        kit::ScriptedDialogService dialogs;
        kit::ScopedDialogService use(dialogs);
        if (c.showError) dialogs.answerMessage(mrOk);
        EXPECT_FALSE(ApplyFilter(&t.query, c.text, c.showError));
        EXPECT_EQ(t.query.Filter(), "data2 > 0");
        EXPECT_TRUE(t.query.Filtered());
        EXPECT_EQ(t.query.RecordCount(), 3u);
        EXPECT_EQ(currentText(t.query, "row"), "row1");
        if (c.showError) {
            ASSERT_EQ(dialogs.asked().size(), 1u);
            const QString summary = dialogs.transcript().first();
            EXPECT_TRUE(
                summary.startsWith("Error [&Ok]: Error in expression.\nError description:\n"))
                << summary.toStdString();
        } else {
            EXPECT_TRUE(dialogs.asked().empty());
        }
    }
    // Without a query nothing is applied.
    EXPECT_FALSE(ApplyFilter(nullptr, "data2 > 0", true));
    // Clearing switches filtering off and keeps the text.
    ASSERT_TRUE(ClearFilter(&t.query));
    EXPECT_FALSE(t.query.Filtered());
    EXPECT_EQ(t.query.Filter(), "data2 > 0");
    EXPECT_EQ(t.query.RecordCount(), 11u);
    EXPECT_EQ(currentText(t.query, "row"), "row1");
}

TEST(XdbtoolDataset, FilterOnAClosedQueryTakesEffectWhenItOpens) {
    QueryOnCopy t(kRowFixtures[1]);
    t.query.SetSQL(kSelectAll);
    EXPECT_TRUE(ApplyFilter(&t.query, "data1 IS NOT NULL", true));
    t.query.RequeryEx(false);
    EXPECT_EQ(t.query.RecordCount(), 6u);
    // A remembered filter the new statement cannot take fails the open.
    t.query.SetSQL("SELECT row FROM TableIgnoreNulls2");
    EXPECT_THROW(t.query.RequeryEx(false), jet::Error);
    EXPECT_FALSE(t.query.Active());
    ASSERT_TRUE(ClearFilter(&t.query));
    t.query.RequeryEx(false);
    EXPECT_EQ(t.query.RecordCount(), 11u);
}

TEST(XdbtoolDataset, FieldConditionsAndWhatTheEngineMakesOfThem) {
    QueryOnCopy t(kAllTypesMdb);
    t.query.SetSQL("SELECT A, C, E, F, G, H, I, A AS [Order Date] FROM Table1");
    t.query.RequeryEx(false);
    auto& q = t.query;
    struct Case {
        QString field;
        QString value;
        bool isNull;
        bool notNull;
        QString op;
        QString condition;
        int passing;  // rows of the two that pass; -1: not tried
    };
    const Case cases[] = {
        {"A", "abcdefg", false, false, "", "(A = 'abcdefg')", 1},
        {"A", "O'Neil", false, false, "", "(A = 'O''Neil')", 0},
        {"A", "ab*", false, false, "LIKE", "(A LIKE 'ab*')", 1},
        {"A", "", true, false, "", "(A =  NULL )", 0},
        {"A", "", false, true, "", "(A <>  NULL )", 2},
        {"Order Date", "", true, false, "", "([Order Date] =  NULL )", 0},
        {"E", "333333333", false, false, "", "(E = 333333333)", 1},
        {"F", "444.555", false, false, ">=", "(F >= 444.555)", 1},
        {"C", "1", false, false, "<", "(C < 1)", 1},
        {"H", "3.5", false, false, "", "(H = 3.5)", 1},
        {"G", "1981-12-12", false, false, "", "(G = '1981-12-12')", 1},
        {"G", "1975-01-01", false, false, "<", "(G < '1975-01-01')", 1},
        {"I", "True", false, false, "", "(I = true)", 1},
        {"I", "1", false, false, "", "(I = true)", 1},
        {"I", "no", false, false, "", "(I = false)", 1},
        {"I", "yes", false, false, "", "(I = false)", 1},  // "yes" is not a true text here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.field + " " + c.value).toStdString());
        const QString condition =
            BuildFieldConditionEx(q.FieldByName(c.field), c.value, c.isNull, c.op, c.notNull);
        EXPECT_EQ(condition, c.condition);
        ASSERT_TRUE(ApplyFilter(&q, condition, false));
        EXPECT_EQ(static_cast<int>(q.RecordCount()), c.passing);
        ClearFilter(&q);
    }
    // A Boolean field's own display values name its true text.
    q.FieldByName("I").SetDisplayValues("Yes;No");
    EXPECT_EQ(BuildFieldCondition(q.FieldByName("I"), "yes", false), "(I = true)");
    EXPECT_EQ(GetBoolFieldText(q.FieldByName("I"), false), "No");
    EXPECT_EQ(GetBoolFieldText(q.FieldByName("A"), true), "");
    // No condition without a field or an open query.
    EXPECT_EQ(BuildFieldCondition(std::nullopt, "1", false), "");
    const TQueryField a = q.FieldByName("A");
    q.Close();
    EXPECT_EQ(BuildFieldCondition(a, "x", false), "");
}

TEST(XdbtoolDataset, FieldKinds) {
    struct Case {
        QString fixture;
        QString sql;
        QString field;
        bool comparable;
        bool quoted;
        bool memo;
        bool date;
        bool numeric;
    };
    const QString table1 = "SELECT * FROM Table1";
    const Case cases[] = {
        {kAllTypesMdb, table1, "A", true, true, false, false, false},
        {kAllTypesMdb, table1, "C", true, false, false, false, true},
        {kAllTypesMdb, table1, "F", true, false, false, false, true},
        {kAllTypesMdb, table1, "G", true, true, false, true, false},
        {kAllTypesMdb, table1, "H", true, false, false, false, true},
        {kAllTypesMdb, table1, "I", true, false, false, false, false},
        {kAllTypesMdb, "SELECT * FROM Table4", "data", true, true, false, false, false},
        {"V2000/test2V2000.mdb", "SELECT * FROM MSP_PROJECTS", "PROJ_PROP_AUTHOR", false, true,
         true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        QueryOnCopy t(c.fixture);
        t.query.SetSQL(c.sql);
        t.query.RequeryEx(false);
        const std::optional<TQueryField> field = t.query.FindField(c.field);
        ASSERT_TRUE(field.has_value());
        EXPECT_TRUE(IsDataField(field));
        EXPECT_EQ(IsComparableField(field), c.comparable);
        EXPECT_EQ(IsQuotedField(field), c.quoted);
        EXPECT_EQ(IsMemoField(field), c.memo);
        EXPECT_EQ(IsDateField(field), c.date);
        EXPECT_EQ(IsDateTimeField(field), c.date);
        EXPECT_EQ(IsNumericField(field), c.numeric);
    }
    EXPECT_FALSE(IsDataField(std::nullopt));
    EXPECT_FALSE(IsComparableField(std::nullopt));
}

TEST(XdbtoolDataset, FilterBySelectionReplacesOrAdds) {
    QueryOnCopy t(kRowFixtures[0]);
    auto& q = t.query;
    q.SetSQL(kSelectAll);
    q.RequeryEx(false);
    struct Step {
        QString row;    // the record whose value is taken
        QString field;  // the field filtered on
        TFilterBySelectionMode mode;
        QString filter;
        QStringList rows;
    };
    const Step steps[] = {
        {"row4", "data2", fsReplace, "(data2 = 0)", {"row4", "row8"}},
        {"row8", "data1", fsAddAnd, "((data2 = 0)) AND (data1 =  NULL )", {"row8"}},
        {"row8", "data2", fsReplace, "(data2 = 0)", {"row4", "row8"}},
        {"row8", "row", fsAddOr, "((data2 = 0)) OR (row = 'row8')", {"row4", "row8"}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.filter.toStdString());
        ASSERT_TRUE(gotoRow(q, s.row));
        EXPECT_TRUE(FilterBySelection(q.FieldByName(s.field), s.mode));
        EXPECT_EQ(q.Filter(), s.filter);
        EXPECT_EQ(columnText(q, "row"), s.rows);
        EXPECT_EQ(currentText(q, "row"), s.row);
    }
    // A filter that is switched off is not added to.
    ClearFilter(&q);
    ASSERT_TRUE(gotoRow(q, "row6"));
    EXPECT_TRUE(FilterBySelection(q.FieldByName("data2"), fsAddAnd));
    EXPECT_EQ(q.Filter(), "(data2 = 9087)");

    // Dates and Booleans are written in the forms the engine's filter reads.
    QueryOnCopy all(kAllTypesMdb);
    all.query.SetSQL("SELECT * FROM Table1");
    all.query.RequeryEx(false);
    all.query.Next();
    for (const char* field : {"G", "I", "H", "F"}) {
        SCOPED_TRACE(field);
        ClearFilter(&all.query);
        ASSERT_TRUE(FilterBySelection(all.query.FieldByName(field), fsReplace));
        EXPECT_EQ(all.query.RecordCount(), 1u) << all.query.Filter().toStdString();
        EXPECT_EQ(currentText(all.query, "A"), "a");
    }
    EXPECT_EQ(all.query.Filter(), "(F = 0)");
    ClearFilter(&all.query);
    ASSERT_TRUE(FilterBySelection(all.query.FieldByName("G"), fsReplace));
    EXPECT_EQ(all.query.Filter(), "(G = '1981-12-12')");
    EXPECT_FALSE(FilterBySelection(std::nullopt, fsReplace));
}

TEST(XdbtoolDataset, FillListFromDataSetKeepsThePlace) {
    QueryOnCopy t(kRowFixtures[1]);
    auto& q = t.query;
    q.SetSQL(kSelectAll);
    q.RequeryEx(false);
    ApplyFilter(&q, "data2 > 0", true);
    ASSERT_TRUE(gotoRow(q, "row6"));
    int scrolls = 0;
    q.AddEventNotify(&scrolls, [&scrolls](TCustomQueryUDB&, TDatasetEventType e) {
        if (e == deAfterScroll) ++scrolls;
    });
    QList<QPair<QString, int>> list{{"old", 1}};
    EXPECT_EQ(FillListFromDataSet(q.FieldByName("row"), q.FieldByName("data2"), list), 3);
    EXPECT_EQ(list, (QList<QPair<QString, int>>{{"row0", 13}, {"row1", 49}, {"row6", 9087}}));
    EXPECT_EQ(currentText(q, "row"), "row6");
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(FillListFromDataSet(q.FieldByName("data1"), std::nullopt, list), 3);
    EXPECT_EQ(list.first(), (QPair<QString, int>{"stuff", -1}));
    EXPECT_EQ(list[1], (QPair<QString, int>{"", -1}));  // null caption
}

}  // namespace
