// Reading the SQL test files (tests/jet/sql/cases/*.test, described in the
// README beside them) into records. This only splits and checks the text;
// sql_test_runner gives the records their meaning.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sql_test {

// Something wrong at a line of a test file: a malformed record here, a
// result that differs in the runner.
struct Failure {
    int line = 0;
    std::string message;
};

enum class RecordKind {
    Database,        // database <fixture> | database new <format>
    Query,           // query: statement, ----, columns:, types:, rows
    StatementOk,     // statement ok [N]: the statement must run (and affect N records)
    Table,           // table <name>: a new table in the database, its columns one a line
    Check,           // check: the file passes the consistency check and reads as mdbtools reads it
    StatementError,  // statement error <message>
    Parse,           // parse <sql|expr|filter|sort>: text, ----, printed tree
    ParseError,      // parse <kind> error[@offset] <message>: text
    Eval,            // eval Name(literal, ...) => expected
};

struct Record {
    RecordKind kind = RecordKind::Query;
    int line = 0;  // of the record's first line, for messages
    std::string
        argument;         // the fixture or "new <format>"; the text kind of parse; the call of eval
    std::string message;  // the expected error; the expected value of eval
    long errorOffset = -1;  // parse errors: the byte offset, -1 when not given
    long affected = -1;     // statement ok N: the records it must affect, -1 when not given
    std::vector<std::pair<std::string, std::string>> parameters;  // name, literal as written
    std::string text;                   // the statement or text, lines joined with CR LF
    std::vector<std::string> expected;  // the lines after ----; a table's column lines
};

struct TestText {
    std::vector<Record> records;
    std::vector<Failure> problems;  // lines the reader could not take
};

// Splits a test file's text into records. {CRLF}, {TAB} and {NUL} stand for
// those characters in every line of a record.
TestText readTestText(std::string_view text);

}  // namespace sql_test
