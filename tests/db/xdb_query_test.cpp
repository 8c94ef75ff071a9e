// The data surface's query on copies of Access files (a Jet 4 .mdb through
// the Jet provider and an ACE .accdb through the ACE provider): fields,
// navigation, RequeryEx keeping the record and the sort, bookmarks across
// re-query, filter and sort, the remembered sort across reopening, errors
// in the engine's words, read-only refusal and the events observers hear
// (editing: xdb_query_edit_test.cpp).
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "config/KelmCompGlobalCfg.h"
#include "jet/error.h"
#include "xdb_query_support.h"

namespace {

using db_test::columnText;
using db_test::currentText;
using db_test::gotoRow;
using db_test::kRowFixtures;
using db_test::QueryOnCopy;

const QString kSelectAll = QStringLiteral("SELECT * FROM TableIgnoreNulls2");

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const jet::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

TEST(QueryUDB, FieldsAndValuesOfTheFirstRecord) {
    for (const QString& fixture : kRowFixtures) {
        SCOPED_TRACE(fixture.toStdString());
        QueryOnCopy t(fixture);
        t.query.SetSQL(kSelectAll);
        t.query.RequeryEx(false);
        ASSERT_TRUE(t.query.Active());
        EXPECT_EQ(t.query.RecordCount(), 11u);
        ASSERT_EQ(t.query.FieldCount(), 3u);
        const TQueryField data2 = t.query.FieldByName("DATA2");  // case ignored
        EXPECT_EQ(data2.FieldName(), "data2");
        EXPECT_EQ(data2.DataType(), jet::DataType::Long);
        EXPECT_EQ(t.query.Fields(0).DataType(), jet::DataType::Text);
        EXPECT_EQ(t.query.Fields(0).Size(), 50);
        EXPECT_EQ(currentText(t.query, "row"), "row0");
        EXPECT_EQ(t.query.Fields(1).AsVariant(), QVariant(QStringLiteral("stuff")));
        EXPECT_EQ(data2.AsVariant().toLongLong(), 13);
        t.query.Next();
        EXPECT_TRUE(t.query.FieldByName("data1").IsNull());
        EXPECT_FALSE(t.query.FieldByName("data1").AsVariant().isValid());
        EXPECT_FALSE(t.query.FindField("nosuch").has_value());
        EXPECT_EQ(errorOf([&] { t.query.FieldByName("nosuch"); }), "Field 'nosuch' not found.");
        // A computed column cannot be written; a base column can't either
        // while the query is read-only.
        t.query.SetSQL("SELECT row, data2 * 2 AS twice FROM TableIgnoreNulls2");
        t.query.RequeryEx(false);
        EXPECT_TRUE(t.query.FieldByName("twice").ReadOnly());
        EXPECT_FALSE(t.query.FieldByName("row").ReadOnly());
        t.query.SetReadOnly(true);
        EXPECT_TRUE(t.query.FieldByName("row").ReadOnly());
    }
}

TEST(QueryUDB, NavigationFollowsAdoPositions) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    struct Step {
        const char* move;
        long distance;
        QString row;
        size_t recNo;
        bool bof;
        bool eof;
    };
    const Step steps[] = {
        {"next", 0, "row1", 2, false, false},      {"moveby", 3, "row5", 5, false, false},
        {"last", 0, "row3", 11, false, false},     {"next", 0, "<none>", 0, false, true},
        {"next", 0, "<none>", 0, false, true},     {"prior", 0, "row3", 11, false, false},
        {"moveby", -20, "<none>", 0, true, false}, {"next", 0, "row0", 1, false, false},
        {"moveby", 100, "<none>", 0, false, true}, {"first", 0, "row0", 1, false, false},
    };
    for (const Step& s : steps) {
        const std::string move = s.move;
        if (move == "next") t.query.Next();
        if (move == "prior") t.query.Prior();
        if (move == "first") t.query.First();
        if (move == "last") t.query.Last();
        if (move == "moveby") t.query.MoveBy(s.distance);
        SCOPED_TRACE(move + " " + std::to_string(s.distance));
        EXPECT_EQ(currentText(t.query, "row"), s.row);
        EXPECT_EQ(t.query.RecNo(), s.recNo);
        EXPECT_EQ(t.query.Bof(), s.bof);
        EXPECT_EQ(t.query.Eof(), s.eof);
    }
    t.query.Last();
    t.query.Next();
    EXPECT_EQ(errorOf([&] { t.query.FieldByName("row").Value(); }),
              "Either BOF or EOF is True, or the current record has been deleted. Requested "
              "operation requires a current record.");
}

TEST(QueryUDB, RequeryExKeepsTheRecordAndTheSort) {
    struct Case {
        QString sort;
        QString filter;
        QString current;
        QStringList order;  // the rows in the order shown (sorted by name when unsorted)
    };
    const Case cases[] = {
        {"data2 DESC",
         "",
         "row7",
         {"row6", "row1", "row0", "row4", "row8", "row9", "row3", "row7", "row10", "row2", "row5"}},
        {"row",
         "",
         "row10",
         {"row0", "row1", "row10", "row2", "row3", "row4", "row5", "row6", "row7", "row8", "row9"}},
        {"data1, row DESC",
         "",
         "row2",
         {"row8", "row5", "row3", "row10", "row1", "row7", "row6", "row2", "row4", "row9", "row0"}},
        {"", "data1 IS NULL", "row8", {"row1", "row10", "row3", "row5", "row8"}},
        {"[data2]", "data2 < 0 OR data2 > 1000", "row9", {"row10", "row7", "row3", "row9", "row6"}},
    };
    for (const QString& fixture : kRowFixtures) {
        for (const Case& c : cases) {
            SCOPED_TRACE((fixture + " sort " + c.sort + " filter " + c.filter).toStdString());
            QueryOnCopy t(fixture);
            t.query.SetSQL(kSelectAll);
            t.query.RequeryEx(false);
            t.query.SetSortEx(c.sort);
            t.query.SetFilterEx(c.filter, true);
            ASSERT_TRUE(gotoRow(t.query, c.current));
            const size_t recNo = t.query.RecNo();

            const QStringList before = columnText(t.query, "row");

            t.query.RequeryEx(true);
            EXPECT_EQ(currentText(t.query, "row"), c.current);
            EXPECT_EQ(t.query.RecNo(), recNo);
            EXPECT_EQ(t.query.Sort(), c.sort);
            EXPECT_EQ(t.query.Filter(), c.filter);
            const QStringList after = columnText(t.query, "row");
            EXPECT_EQ(after, before);
            if (c.sort.isEmpty()) {
                // Unsorted rows come in storage order, which differs by file.
                QStringList sorted = after;
                sorted.sort();
                EXPECT_EQ(sorted, c.order);
            } else {
                EXPECT_EQ(after, c.order);
            }
            // The walk over the rows did not move the cursor.
            EXPECT_EQ(currentText(t.query, "row"), c.current);
        }
    }
}

TEST(QueryUDB, RememberedSortAfterCloseAndNewSQL) {
    struct Step {
        QString sql;  // empty: close and reopen the same SQL
        QString sort;
        QStringList rows;
    };
    const Step steps[] = {
        {"", "data2 DESC", {"row6", "row1", "row0"}},
        {"SELECT row, data2 FROM TableIgnoreNulls2 WHERE data2 > 0",
         "data2 DESC",
         {"row6", "row1", "row0"}},
        // The new result lacks the sorted column: the sort is dropped.
        {"SELECT row FROM TableIgnoreNulls2 WHERE row < 'row2'", "", {"row0", "row1", "row10"}},
        {"SELECT * FROM TableIgnoreNulls2 WHERE data2 > 0", "", {"row0", "row1", "row6"}},
    };
    QueryOnCopy t(kRowFixtures[1]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    t.query.SetSortEx("data2 DESC");
    for (const Step& s : steps) {
        SCOPED_TRACE(s.sql.toStdString());
        if (s.sql.isEmpty())
            t.query.Close();
        else
            t.query.SetSQL(s.sql);
        EXPECT_FALSE(t.query.Active());
        t.query.RequeryEx(false);
        EXPECT_EQ(t.query.Sort(), s.sort);
        EXPECT_EQ(columnText(t.query, "row").mid(0, 3), s.rows);
        EXPECT_EQ(t.query.RecNo(), 1u);
    }
    // A query that was never sorted opens unsorted.
    TQueryUDB fresh;
    fresh.SetConnection(t.connection.get());
    fresh.SetSQL(kSelectAll);
    fresh.RequeryEx(false);
    EXPECT_EQ(fresh.Sort(), "");
    EXPECT_EQ(columnText(fresh, "row").first(), "row0");
}

TEST(QueryUDB, BookmarksSurviveRequeryFilterAndSort) {
    for (const QString& fixture : kRowFixtures) {
        SCOPED_TRACE(fixture.toStdString());
        QueryOnCopy t(fixture);
        t.query.SetSQL(kSelectAll);
        t.query.RequeryEx(false);
        ASSERT_TRUE(gotoRow(t.query, "row6"));
        const jet::Bookmark row6 = *t.query.Bookmark();
        ASSERT_TRUE(gotoRow(t.query, "row2"));
        const jet::Bookmark row2 = *t.query.Bookmark();

        struct Step {
            QString sort;
            QString filter;
            bool row6Valid;
        };
        const Step steps[] = {
            {"data2", "", true},
            {"data2", "data2 < 100", false},
            {"row DESC", "data1 LIKE '*stuff*'", true},
            {"", "", true},
        };
        for (const Step& s : steps) {
            SCOPED_TRACE((s.sort + " / " + s.filter).toStdString());
            t.query.SetSortEx(s.sort);
            t.query.SetFilterEx(s.filter, true);
            t.query.RequeryEx(false);
            EXPECT_EQ(t.query.BookmarkValid(row6), s.row6Valid);
            const QString before = currentText(t.query, "row");
            EXPECT_EQ(t.query.GotoBookmark(row6), s.row6Valid);
            EXPECT_EQ(currentText(t.query, "row"), s.row6Valid ? "row6" : before);
            if (!s.row6Valid) {
                EXPECT_EQ(errorOf([&] { t.query.SetBookmark(row6); }), "Record not found.");
            }
        }
        t.query.SetBookmark(row2);
        EXPECT_EQ(currentText(t.query, "row"), "row2");
        // Bookmarks of a closed query are never valid.
        t.query.Close();
        EXPECT_FALSE(t.query.BookmarkValid(row2));
        EXPECT_FALSE(t.query.Bookmark().has_value());
    }
}

TEST(QueryUDB, RefusedFilterOrSortChangesNothing) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    t.query.SetSortEx("row DESC");
    t.query.SetFilterEx("data2 > 0", true);
    ASSERT_TRUE(gotoRow(t.query, "row1"));
    const QStringList rows = columnText(t.query, "row");
    for (const QString& bad : {QString("data2 >"), QString("nosuch = 1"), QString("(data2 = 1")}) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_FALSE(errorOf([&] { t.query.SetFilter(bad); }).isEmpty());
        EXPECT_EQ(t.query.Filter(), "data2 > 0");
        EXPECT_TRUE(t.query.Filtered());
        EXPECT_EQ(currentText(t.query, "row"), "row1");
        EXPECT_EQ(columnText(t.query, "row"), rows);
    }
    EXPECT_FALSE(errorOf([&] { t.query.SetSortEx("nosuch"); }).isEmpty());
    EXPECT_EQ(t.query.Sort(), "row DESC");
    t.query.Close();
    EXPECT_EQ(t.query.Sort(), "row DESC");
    // Switching filtering off keeps the text; switching it on again applies it.
    t.query.RequeryEx(false);
    t.query.SetFiltered(false);
    EXPECT_EQ(t.query.RecordCount(), 11u);
    EXPECT_EQ(t.query.Filter(), "data2 > 0");
    t.query.SetFiltered(true);
    EXPECT_EQ(t.query.RecordCount(), 3u);
}

TEST(QueryUDB, ErrorsInTheEnginesWordsAndTraceLines) {
    QStringList log;
    TKelmCompConfig saved = kelmCompConfig();
    kelmCompConfig().xDBFieldDefaultsCfg.InternalSQLLog = &log;
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetName("qData");
    struct Case {
        QString sql;
        QString error;  // empty: opens
    };
    const Case cases[] = {
        {"SELECT row\r\nFROM TableIgnoreNulls2\nWHERE data2 > 0", ""},
        {"SELECT * FROM NoSuchTable",
         "The Microsoft Access database engine cannot find the input table or query 'NoSuchTable'. "
         "Make sure it exists and that its name is spelled correctly."},
        {"SELECT FROM\nTableIgnoreNulls2", "*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        log.clear();
        t.query.SetSQL(c.sql);
        const QString error = errorOf([&] { t.query.RequeryEx(true); });
        ASSERT_EQ(log.size(), 1);
        const QStringList parts = log[0].split(';');
        if (c.error.isEmpty()) {
            EXPECT_EQ(error, "");
            EXPECT_TRUE(t.query.Active());
            // time;name;text;seconds;record count;record size;
            ASSERT_EQ(parts.size(), 7) << log[0].toStdString();
            EXPECT_EQ(parts[1], "qData");
            EXPECT_EQ(parts[2], "opening (W)");
            EXPECT_EQ(parts[4], "3");
            EXPECT_EQ(parts[5], "50");
        } else {
            EXPECT_FALSE(t.query.Active());
            if (c.error != "*") {
                EXPECT_EQ(error, c.error);
            }
            EXPECT_FALSE(error.isEmpty());
            ASSERT_EQ(parts.size(), 5) << log[0].toStdString();
            EXPECT_EQ(parts[2], " ERROR opening " + QString(c.sql).replace('\n', ' '));
        }
        EXPECT_TRUE(parts[3].contains(QRegularExpression("^\\d+\\.\\d{4}$")))
            << parts[3].toStdString();
    }
    kelmCompConfig() = saved;
    EXPECT_EQ(errorOf([] {
                  TQueryUDB lonely;
                  lonely.SetSQL("SELECT 1");
                  lonely.Open();
              }),
              "Missing Connection or ConnectionString.");
}

TEST(QueryUDB, ReadOnlyFromTheConnectionOrAComputedResult) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    EXPECT_TRUE(t.query.CanModify());
    t.query.Close();
    t.connection->SetReadOnly(true);
    EXPECT_FALSE(t.query.ReadOnly());
    t.query.RequeryEx(false);
    EXPECT_TRUE(t.query.ReadOnly());
    using Action = void (TCustomQueryUDB::*)();
    for (const QString& sql : {kSelectAll, QStringLiteral("SELECT Count(*) AS n FROM TableIgnoreNulls2")}) {
        SCOPED_TRACE(sql.toStdString());
        t.query.SetSQL(sql);
        t.query.RequeryEx(false);
        EXPECT_FALSE(t.query.CanModify());
        for (Action action : {&TQueryUDB::Edit, &TQueryUDB::Insert, &TQueryUDB::Append,
                              &TQueryUDB::Delete}) {
            EXPECT_EQ(errorOf([&] { (t.query.*action)(); }),
                      "Cannot update. Database or object is read-only.");
        }
        EXPECT_EQ(errorOf([&] { t.query.Post(); }), "Dataset not in edit or insert mode.");
        EXPECT_FALSE(t.query.IsEditing());
        t.query.SetReadOnly(false);
    }
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    EXPECT_EQ(t.query.RecordCount(), 11u);
}

TEST(QueryUDB, EventsAndLinkedControls) {
    QueryOnCopy t(kRowFixtures[0]);
    QStringList heard;
    const auto recorder = [&heard](const char* who) {
        return [&heard, who](TCustomQueryUDB&, TDatasetEventType e) {
            heard << QString("%1:%2").arg(who).arg(static_cast<int>(e));
        };
    };
    int a = 0;
    int b = 0;
    int c = 0;
    t.query.AddEventNotify(&a, recorder("a"));
    t.query.AddEventNotify(&b, recorder("b"));
    t.query.OnDataSetEvent = recorder("on");
    QStringList links;
    t.query.AddDataLink(&a, [&links](TCustomQueryUDB&, TDataLinkEvent e) {
        links << QString::number(static_cast<int>(e));
    });

    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    EXPECT_EQ(heard, (QStringList{"a:1", "b:1", "on:1", "a:2", "b:2", "on:2"}));
    EXPECT_EQ(links, QStringList{"0"});  // ActiveChanged

    // An emptied slot is reused by the next registration, in its place.
    heard.clear();
    t.query.RemoveEventNotify(&a);
    t.query.AddEventNotify(&c, recorder("c"));
    t.query.Next();
    EXPECT_EQ(heard, (QStringList{"c:7", "b:7", "on:7", "c:8", "b:8", "on:8"}));

    // While controls are off the link hears nothing; afterwards one change.
    links.clear();
    t.query.DisableControls();
    t.query.Next();
    t.query.SetSortEx("row");
    EXPECT_TRUE(links.isEmpty());
    t.query.EnableControls();
    EXPECT_EQ(links, QStringList{"1"});  // DataSetChanged

    // A re-query tells the link once that everything changed.
    links.clear();
    t.query.RequeryEx(false);
    EXPECT_EQ(links, QStringList{"1"});

    heard.clear();
    t.connection->Close();  // closes the query
    EXPECT_FALSE(t.query.Active());
    EXPECT_EQ(heard, (QStringList{"c:3", "b:3", "on:3", "c:4", "b:4", "on:4"}));
    EXPECT_EQ(t.query.Sort(), "row");
    // The query reconnects on its own when opened again.
    t.query.RequeryEx(false);
    EXPECT_TRUE(t.connection->Connected());
    EXPECT_EQ(currentText(t.query, "row"), "row0");
}

TEST(QueryUDB, ConnectionDestroyedFirstLeavesTheQueryClosed) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    t.connection.reset();
    EXPECT_FALSE(t.query.Active());
    EXPECT_EQ(t.query.Connection(), nullptr);
    EXPECT_EQ(errorOf([&] { t.query.Open(); }), "Missing Connection or ConnectionString.");
}

TEST(QueryUDB, WhereLineAndTableName) {
    struct Case {
        QString sql;
        const char* op;  // "set", "and", "or"
        QString condition;
        bool found;
        QString result;
    };
    const Case cases[] = {
        {"SELECT * FROM\n[Order Details]\nWHERE 1=1", "set", "A=1", true,
         "SELECT * FROM\n[Order Details]\nWHERE (A=1)"},
        {"SELECT *\r\nFROM T\r\n  where x=2\r\nORDER BY x", "set", "y=3", true,
         "SELECT *\nFROM T\nWHERE (y=3)\nORDER BY x"},
        {"SELECT * FROM T", "set", "A=1", false, "SELECT * FROM T"},
        {"SELECT * FROM T\nWHERE (A=1)", "and", "B=2", true,
         "SELECT * FROM T\nWHERE ((A=1) AND (B=2))"},
        {"SELECT * FROM T\nWHERE A=1 OR B=2", "and", "(C=3)", true,
         "SELECT * FROM T\nWHERE ((A=1 OR B=2) AND (C=3))"},
        {"SELECT * FROM T\nWHERE 1=1", "or", "B=2", true,
         "SELECT * FROM T\nWHERE ((1=1) OR (B=2))"},
        {"SELECT * FROM T WHERE A=1", "or", "B=2", false, "SELECT * FROM T WHERE A=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        TQueryUDB query;
        query.SetSQL(c.sql);
        const std::string op = c.op;
        const bool found = op == "set"   ? query.SetSQLWhere(c.condition)
                           : op == "and" ? query.AddSQLWhereAND(c.condition)
                                         : query.AddSQLWhereOR(c.condition);
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(query.SQL(), c.result);
    }

    const std::pair<QString, QString> names[] = {
        {"SELECT * FROM Orders WHERE 1=1", "Orders"},
        {"select a from\tx", ""},
        {"SELECT *\nfrom Customers\nWHERE 1=1", "Customers"},
        {"SELECT * FROM [Order Details]", "[Order"},
        {"SELECT TOP 5 *", ""},
    };
    for (const auto& [sql, name] : names) {
        TQueryUDB query;
        query.SetSQL(sql);
        EXPECT_EQ(query.GetTableName(), name) << sql.toStdString();
        query.SetTableName("Fixed");
        EXPECT_EQ(query.GetTableName(), "Fixed");
    }
}

}  // namespace
