// Statements run through the data surface: which texts give records, action
// statements through ExecSQL (counts, refusals that change nothing, the
// read-only refusal), and the schema lists of the connection.
#include <gtest/gtest.h>

#include "common/qt_fixture_files.h"

#include <QFile>

#include "db/connection_schema.h"
#include "jet/error.h"
#include "xdb_query_support.h"

namespace {

using db_test::QueryOnCopy;

size_t countOf(TQueryUDB& query, const QString& sql) {
    query.SetSQL(sql);
    query.Open();
    const size_t n = static_cast<size_t>(query.Fields(0).AsVariant().toLongLong());
    query.Close();
    return n;
}

TEST(StatementReturnsRecords, ReadsTheStatementNotItsFirstCharacters) {
    struct Case {
        const char* sql;
        bool records;
    };
    const Case cases[] = {
        {"SELECT * FROM T", true},
        {"  select * from T", true},
        {"SELECT\n* FROM T", true},
        {"\tSELECT\r\n*\tFROM T", true},
        {"(SELECT a FROM T) UNION (SELECT a FROM U)", true},
        {"PARAMETERS [Who] Text; SELECT * FROM T WHERE a = [Who]", true},
        {"TRANSFORM Count(a) SELECT b FROM T GROUP BY b PIVOT c", true},
        {"SELECT * INTO Copy FROM T", false},
        {"UPDATE T SET a = 1", false},
        {"PARAMETERS [Who] Text; DELETE FROM T WHERE a = [Who]", false},
        {"INSERT INTO T (a) VALUES (1)", false},
        {"CREATE TABLE X (a LONG)", false},
        {"DROP TABLE X", false},
        // Texts the parser refuses: by their first word, so that opening a
        // broken SELECT reports its syntax error.
        {"SELECT FROM WHERE", true},
        {"with x as (select 1) select * from x", false},
        {"SomeStoredActionQuery", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatementReturnsRecords(QString::fromUtf8(c.sql)), c.records) << c.sql;
}

TEST(QueryUDBExec, CountsWhatItChangesAndARefusalChangesNothing) {
    QueryOnCopy q(db_test::kRowFixtures[0]);
    const QString nulls =
        QStringLiteral("SELECT Count(*) FROM TableIgnoreNulls2 WHERE data2 IS NULL");
    const size_t nullRows = countOf(q.query, nulls);
    ASSERT_GT(nullRows, 0u);

    q.query.SetSQL(QStringLiteral("UPDATE TableIgnoreNulls2 SET data2 = 7 WHERE data2 IS NULL"));
    EXPECT_EQ(q.query.ExecSQL(), nullRows);
    EXPECT_FALSE(q.query.Active());
    EXPECT_EQ(countOf(q.query, nulls), 0u);

    q.query.SetSQL(QStringLiteral("CREATE TABLE Made (ID LONG, [Unit Price] CURRENCY)"));
    EXPECT_EQ(q.query.ExecSQL(), 0u);
    EXPECT_TRUE(SchemaTableNames(*q.connection, SchemaTableType::Table).contains("Made"));

    q.connection->Close();
    const QByteArray before = testing_support::qtFileBytes(q.path);
    q.query.SetSQL(QStringLiteral("UPDATE NoSuchTable SET a = 1"));
    EXPECT_THROW(q.query.ExecSQL(), jet::Error);
    q.query.SetSQL(QStringLiteral("INSERT INTO TableIgnoreNulls2 (row, nosuch) VALUES ('x', 1)"));
    EXPECT_THROW(q.query.ExecSQL(), jet::Error);
    q.connection->Close();
    EXPECT_EQ(testing_support::qtFileBytes(q.path), before);

    q.connection->SetReadOnly(true);
    q.query.SetSQL(QStringLiteral("DELETE FROM TableIgnoreNulls2"));
    try {
        q.query.ExecSQL();
        ADD_FAILURE() << "a read-only connection ran a DELETE";
    } catch (const jet::Error& e) {
        EXPECT_STREQ(e.what(), "Cannot update. Database or object is read-only.");
    }
    q.connection->Close();
    EXPECT_EQ(testing_support::qtFileBytes(q.path), before);
}

TEST(ConnectionSchema, ListsUserTablesAndRecordViewsWithTheirColumns) {
    QueryOnCopy q(QStringLiteral("V2000/queryTestV2000.mdb"));
    EXPECT_TRUE(SchemaTableNames(*q.connection, SchemaTableType::Table).isEmpty())
        << "an unconnected connection lists nothing";
    q.connection->Open();
    EXPECT_EQ(SchemaTableNames(*q.connection, SchemaTableType::Table),
              QStringList({"Table1", "Table2", "Table3"}));
    // Action, pass-through and data-definition queries are no views; the
    // update query also asks for a parameter.
    EXPECT_EQ(SchemaTableNames(*q.connection, SchemaTableType::View),
              QStringList({"CrosstabQuery", "SelectQuery", "UnionQuery"}));
    EXPECT_EQ(SchemaColumnNames(*q.connection, QStringLiteral("table1")),
              QStringList({"col1", "col2", "col3"}));
    EXPECT_EQ(SchemaColumnNames(*q.connection, QStringLiteral("SelectQuery")).size(), 6);
    EXPECT_TRUE(SchemaColumnNames(*q.connection, QStringLiteral("NoSuchName")).isEmpty());
}

}  // namespace
