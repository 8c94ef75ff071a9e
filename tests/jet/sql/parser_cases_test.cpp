// Runs the parser cases of parser_cases.txt: each case is a text and either
// the tree it must give (printed with every operation in parentheses) or the
// error it must raise.
//
// File format (a blank line ends a case, '#' starts a comment line):
//   sql: <statement>       the text; several sql: lines are joined with CR LF
//   expr: <expression>     the text is one expression
//   filter: <filter text>  the text is a recordset filter
//   sort: <sort text>      the text is a recordset sort (tree: NAME, [F] DESC)
//   tree: <printed tree>   the expected tree
//   error: <message>       the expected message
//   error@<offset>: <message>  ... raised at that byte offset
// In texts, {CRLF}, {TAB} and {NUL} stand for those characters.
//
// Every accepted text must also be a fixed point of print-and-parse in both
// print styles, so the printer never writes text that reads back differently.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/fixture_files.h"
#include "jet/sql/parser/ast_printer.h"
#include "jet/sql/parser/parser.h"
#include "support/case_file.h"

namespace jet::sql {
namespace {

struct Case {
    int line = 0;
    std::string kind;  // sql, expr, filter, sort
    std::string text;
    std::string tree;
    std::string error;
    long errorOffset = -1;
};

std::string unescape(std::string s) {
    const std::pair<std::string, std::string> escapes[] = {
        {"{CRLF}", "\r\n"}, {"{TAB}", "\t"}, {"{NUL}", std::string(1, '\0')}};
    for (const auto& [from, to] : escapes) {
        for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
            s.replace(at, from.size(), to);
        }
    }
    return s;
}

std::vector<Case> readCases(const std::filesystem::path& path) {
    std::vector<Case> cases;
    for (const testing_support::CaseBlock& block : testing_support::readCaseBlocks(path)) {
        Case current;
        for (const testing_support::CaseEntry& e : block) {
            const std::string& key = e.key;
            const std::string value = unescape(e.value);
            if (key == "sql" || key == "expr" || key == "filter" || key == "sort") {
                if (current.kind.empty()) current.line = e.line;
                if (!current.kind.empty() && current.kind == key) {
                    current.text += "\r\n" + value;
                } else {
                    current.kind = key;
                    current.text = value;
                }
            } else if (key == "tree") {
                current.tree = value;
            } else if (key.rfind("error", 0) == 0) {
                current.error = value;
                if (key.size() > 6 && key[5] == '@') current.errorOffset = std::stol(key.substr(6));
            } else {
                ADD_FAILURE() << "line " << e.line << ": unknown key " << key;
            }
        }
        if (!current.kind.empty()) cases.push_back(current);
    }
    return cases;
}

PrintOptions explicitStyle() {
    PrintOptions o;
    o.explicitParentheses = true;
    return o;
}

// The case's text as the parser reads it, printed in the given style.
std::string parseAndPrint(const std::string& kind, const std::string& text, const PrintOptions& o) {
    if (kind == "sql") return toSql(parseStatement(text), o);
    if (kind == "expr") return toSql(*parseExpression(text), o);
    if (kind == "filter") return toSql(*parseFilterText(text), o);
    std::string out;
    for (const SortKey& k : parseSortText(text)) {
        if (!out.empty()) out += ", ";
        out += quoteIdentifier(k.field) + (k.descending ? " DESC" : "");
    }
    return out;
}

TEST(ParserCases, EveryCaseGivesItsTreeOrError) {
    const auto path = testing_support::testsRoot() / "jet/sql/parser_cases.txt";
    const std::vector<Case> cases = readCases(path);
    EXPECT_GT(cases.size(), 100u);
    for (const Case& c : cases) {
        SCOPED_TRACE("parser_cases.txt line " + std::to_string(c.line) + ": " + c.text);
        // A sort text may expect the empty list, so its tree may be empty.
        const bool expectsTree = !c.tree.empty() || (c.kind == "sort" && c.error.empty());
        ASSERT_NE(expectsTree, !c.error.empty()) << "a case needs exactly one of tree: and error:";
        if (!c.error.empty()) {
            try {
                const std::string printed = parseAndPrint(c.kind, c.text, explicitStyle());
                ADD_FAILURE() << "accepted, printed as: " << printed;
            } catch (const SyntaxError& e) {
                EXPECT_EQ(e.what(), c.error);
                EXPECT_EQ(e.code(), ErrorCode::Syntax);
                if (c.errorOffset >= 0) {
                    EXPECT_EQ(static_cast<long>(e.offset()), c.errorOffset);
                }
            }
            continue;
        }
        try {
            const std::string printed = parseAndPrint(c.kind, c.text, explicitStyle());
            EXPECT_EQ(printed, c.tree);
            if (c.kind == "sort") continue;
            // Fixed points: the explicit print reads back to itself, and the
            // minimal print reads back to the same tree.
            EXPECT_EQ(parseAndPrint(c.kind, printed, explicitStyle()), printed);
            const std::string minimal = parseAndPrint(c.kind, c.text, {});
            EXPECT_EQ(parseAndPrint(c.kind, minimal, explicitStyle()), printed) << minimal;
        } catch (const Error& e) {
            ADD_FAILURE() << "refused: " << e.what();
        }
    }
}

}  // namespace
}  // namespace jet::sql
