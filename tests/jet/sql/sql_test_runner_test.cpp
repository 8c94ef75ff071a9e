// The SQL test runner itself: right records pass, and each way a record can
// be wrong (a differing result, a wrong error, a malformed record) is a
// failure at that record's line, so the case files cannot pass vacuously.
#include "sql/sql_test_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sql_test {
namespace {

const char* const kRightRecords = R"(# every kind of record, each right
database V2000/testV2000.mdb

query
SELECT A, C
FROM Table1 WHERE C > 1
----
columns: A,C
types: Text,Byte
"abcdefg",2

query
param Lowest=1000
SELECT A FROM Table1 WHERE E > [Lowest]
----
columns: A
"abcdefg"

query
param Name="given"
SELECT Name FROM Table1 WHERE 1=0
----
columns:Expr1000

query
SELECT Null AS N FROM Table1 WHERE A = 'a'
----
columns: N
(empty)

statement ok
SELECT * FROM Table1

statement error Undefined function 'Foo' in expression.
SELECT Foo(A) FROM Table1

parse sql
SELECT "a
b" FROM t
----
SELECT "a{CRLF}b" FROM t

parse expr error@2 Syntax error (missing operator) in query expression 'a b'.
a b

parse sort
----

eval Len("abc") => 3
eval Mid("abc", 0) => error "Invalid procedure call or argument"
)";

TEST(SqlTestRunner, RightRecordsPass) {
    const RunResult result = runTestText(kRightRecords);
    for (const Failure& f : result.failures)
        ADD_FAILURE() << "line " << f.line << ": " << f.message;
    EXPECT_EQ(result.records, 11u);
}

struct WrongCase {
    const char* what;
    std::string text;
    int line;             // where the one failure must be reported
    std::string message;  // a part of its message
};

const std::string kDb = "database V2000/testV2000.mdb\n\n";

const WrongCase kWrongCases[] = {
    {"a differing row", kDb + "query\nSELECT A FROM Table1\n----\ncolumns: A\n\"abcdefg\"\n\"x\"\n",
     3, "the result differs"},
    {"a missing row", kDb + "query\nSELECT A FROM Table1\n----\ncolumns: A\n\"abcdefg\"\n", 3,
     "the result differs"},
    {"other column names", kDb + "query\nSELECT A FROM Table1 WHERE 1=0\n----\ncolumns: B\n", 3,
     "the result differs"},
    {"other column types",
     kDb + "query\nSELECT A FROM Table1 WHERE 1=0\n----\ncolumns: A\ntypes: Long\n", 3,
     "the result differs"},
    {"a query that fails", kDb + "query\nSELECT Foo(A) FROM Table1\n----\ncolumns: A\n", 3,
     "failed: Undefined function"},
    {"a statement that should fail and runs",
     kDb + "statement error Undefined function 'Foo' in expression.\nSELECT A FROM Table1\n", 3,
     "no error"},
    {"a statement that fails with another message",
     kDb + "statement error Some other message.\nSELECT Foo(A) FROM Table1\n", 3, "another error"},
    {"a statement that should run and fails", kDb + "statement ok\nSELECT Foo(A) FROM Table1\n", 3,
     "failed: Undefined function"},
    {"a parameter that is not given",
     kDb + "statement ok\nSELECT A FROM Table1 WHERE E > [Lowest]\n", 3, "No value given"},
    {"another tree", "\nparse expr\na+b*c\n----\n(a + b) * c\n", 2, "another tree"},
    {"a parse error at another offset",
     "parse expr error@3 Syntax error (missing operator) in query expression 'a b'.\na b\n", 1,
     "raised at offset 2"},
    {"a parse error that is not raised", "parse sql error@0 Whatever.\nSELECT 1 FROM t\n", 1,
     "accepted"},
    {"a function result of another type", "eval Len(\"abc\") => 3#\n", 1, "got 3 (Long)"},
    {"a function that should fail", "eval Len(\"abc\") => error \"x\"\n", 1, "expected error"},
    {"a function that fails with another message", "eval Mid(\"abc\", 0) => error \"x\"\n", 1,
     "another error"},
    {"a query before any database", "query\nSELECT 1\n----\ncolumns: Expr1000\n", 1, "no database"},
    {"a fixture that does not exist", "database V2000/no such file.mdb\n", 1,
     "cannot open the database"},
    {"an unknown format of a new file", "database new jet9\n", 1, "unknown format"},
    {"an unknown record", "# comment\nselect * from t\n", 2, "unknown record"},
    {"a query without its result", kDb + "query\nSELECT A FROM Table1\n", 3, "needs '----'"},
    {"a query result without columns", kDb + "query\nSELECT A FROM Table1\n----\n\"abcdefg\"\n", 3,
     "begins with 'columns:'"},
    {"a statement with a result", kDb + "statement ok\nSELECT A FROM Table1\n----\n\"a\"\n", 3,
     "expects no result"},
    {"a statement without text", "statement ok\n\n", 1, "no statement"},
    {"a parameter without a value", kDb + "statement ok\nparam Lowest\nSELECT A FROM Table1\n", 4,
     "param needs"},
    {"a parse of an unknown kind", "parse table\nT\n----\nT\n", 1, "parse needs"},
    {"a parse error offset that is no number", "parse sql error@x Whatever.\nSELECT\n", 1,
     "no number"},
    {"an eval without an expected value", "eval Len(\"abc\")\n", 1, "eval needs"},
    {"an eval with an unreadable literal", "eval Len(\"abc) => 3\n", 1, "unreadable"},
};

TEST(SqlTestRunner, EachWrongRecordFailsAtItsLine) {
    for (const WrongCase& c : kWrongCases) {
        SCOPED_TRACE(c.what);
        const RunResult result = runTestText(c.text);
        ASSERT_EQ(result.failures.size(), 1u);
        EXPECT_EQ(result.failures[0].line, c.line);
        EXPECT_NE(result.failures[0].message.find(c.message), std::string::npos)
            << result.failures[0].message;
    }
}

}  // namespace
}  // namespace sql_test
