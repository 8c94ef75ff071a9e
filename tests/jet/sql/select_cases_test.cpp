// Runs the statements of select_cases.txt against the fixtures and compares
// their results, printed as tabulon-cli's CSV, with the expected ones.
//
// File format (a blank line ends a case, '#' starts a comment line):
//   db: <fixture>        the file the following cases read (until the next db:)
//   sql: <statement>     several sql: lines are joined with CR LF
//   param: <name>=<csv>  a named parameter value (a number, or "text")
//   columns: a,b         the result's column names
//   types: Long,Text     the result's column types (optional)
//   row: 1,"x"           one expected row, in order; no row: lines, no rows
//   error: <message>     the statement must fail with this message
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "jet/sql/executor/executor.h"
#include "sql/select_result_text.h"
#include "support/case_file.h"
#include "support/fixtures.h"

namespace jet::sql {
namespace {

struct Case {
    int line = 0;
    std::string db;
    std::string sql;
    std::map<std::string, Value> parameters;
    std::string columns;
    std::string types;
    std::vector<std::string> rows;
    std::string error;
};

Value parameterValue(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return Value::text(text.substr(1, text.size() - 2));
    }
    if (text.find('.') != std::string::npos) return Value::real(std::stod(text));
    return Value::integer(std::stoll(text));
}

std::vector<Case> readCases() {
    std::vector<Case> cases;
    std::string db;
    for (const testing_support::CaseBlock& block : testing_support::readCaseBlocks(
             testing_support::testsRoot() / "jet/sql/select_cases.txt")) {
        Case current;
        for (const testing_support::CaseEntry& e : block) {
            const std::string& key = e.key;
            const std::string& value = e.value;
            if (key == "db") {
                db = value;
            } else if (key == "sql") {
                if (current.sql.empty()) {
                    current.line = e.line;
                    current.db = db;
                } else {
                    current.sql += "\r\n";
                }
                current.sql += value;
            } else if (key == "param") {
                const size_t eq = value.find('=');
                current.parameters[value.substr(0, eq)] = parameterValue(value.substr(eq + 1));
            } else if (key == "columns") {
                current.columns = value;
            } else if (key == "types") {
                current.types = value;
            } else if (key == "row") {
                current.rows.push_back(value);
            } else if (key == "error") {
                current.error = value;
            } else {
                ADD_FAILURE() << "select_cases.txt:" << e.line << ": unknown key '" << key << "'";
            }
        }
        if (!current.sql.empty()) cases.push_back(current);
    }
    return cases;
}

TEST(SelectCases, EveryCaseGivesItsResult) {
    const std::vector<Case> cases = readCases();
    ASSERT_GT(cases.size(), 20u);
    std::map<std::string, std::shared_ptr<Database>> open;
    for (const Case& c : cases) {
        SCOPED_TRACE("select_cases.txt:" + std::to_string(c.line) + ": " + c.sql);
        auto& db = open[c.db];
        if (!db) db = Database::open(testing_support::fixture(c.db).string());
        ExecuteOptions options;
        options.parameters.named = c.parameters;
        options.parse.likeWildcards = LikeWildcards::AccessAndAnsi;
        if (!c.error.empty()) {
            try {
                executeSelect(*db, c.sql, options);
                ADD_FAILURE() << "no error; expected: " << c.error;
            } catch (const Error& e) {
                EXPECT_EQ(e.what(), c.error);
            }
            continue;
        }
        QueryResult result;
        try {
            result = executeSelect(*db, c.sql, options);
        } catch (const Error& e) {
            ADD_FAILURE() << "failed: " << e.what();
            continue;
        }
        EXPECT_EQ(columnNamesLine(result), c.columns);
        if (!c.types.empty()) {
            EXPECT_EQ(columnTypesLine(result), c.types);
        }
        EXPECT_EQ(rowLines(result), c.rows);
    }
}

}  // namespace
}  // namespace jet::sql
