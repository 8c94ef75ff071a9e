#include "sql/sql_test_file.h"

#include <cstdlib>
#include <set>

namespace sql_test {
namespace {

std::string unescape(std::string s) {
    const std::pair<std::string_view, std::string> escapes[] = {
        {"{CRLF}", "\r\n"}, {"{TAB}", "\t"}, {"{NUL}", std::string(1, '\0')}};
    for (const auto& [from, to] : escapes) {
        for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
            s.replace(at, from.size(), to);
        }
    }
    return s;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

class Reader {
public:
    explicit Reader(std::string_view text) : lines_(splitLines(text)) {}

    TestText read() {
        while (at_ < lines_.size()) {
            const std::string& line = lines_[at_];
            if (line.empty() || line[0] == '#') {
                ++at_;
                continue;
            }
            readRecord();
        }
        return std::move(out_);
    }

private:
    int lineNumber() const { return static_cast<int>(at_) + 1; }

    void problem(int line, std::string message) {
        out_.problems.push_back(Failure{line, std::move(message)});
    }

    // The lines of the record begun at the current line, up to the blank
    // line (or the end) that closes it; leaves the reader after them.
    std::vector<std::string> takeBlock() {
        std::vector<std::string> block;
        for (++at_; at_ < lines_.size() && !lines_[at_].empty(); ++at_) {
            block.push_back(unescape(lines_[at_]));
        }
        return block;
    }

    void readRecord() {
        const std::string header = unescape(lines_[at_]);
        Record record;
        record.line = lineNumber();
        if (startsWith(header, "database ")) {
            record.kind = RecordKind::Database;
            record.argument = header.substr(9);
            ++at_;
            out_.records.push_back(std::move(record));
        } else if (startsWith(header, "eval ")) {
            readEval(header, std::move(record));
            ++at_;
        } else if (header == "query") {
            record.kind = RecordKind::Query;
            readStatementBlock(std::move(record), true);
        } else if (header == "statement ok") {
            record.kind = RecordKind::StatementOk;
            readStatementBlock(std::move(record), false);
        } else if (startsWith(header, "statement ok ")) {
            record.kind = RecordKind::StatementOk;
            const std::string count = header.substr(13);
            char* end = nullptr;
            record.affected = std::strtol(count.c_str(), &end, 10);
            if (count.empty() || *end != '\0' || record.affected < 0) {
                problem(record.line, "'statement ok' takes a count of records, not '" + count + "'");
                takeBlock();
                return;
            }
            readStatementBlock(std::move(record), false);
        } else if (startsWith(header, "table ")) {
            record.kind = RecordKind::Table;
            record.argument = header.substr(6);
            record.expected = takeBlock();
            if (record.expected.empty()) {
                problem(record.line, "a table needs at least one column line");
                return;
            }
            out_.records.push_back(std::move(record));
        } else if (header == "check") {
            record.kind = RecordKind::Check;
            ++at_;
            out_.records.push_back(std::move(record));
        } else if (startsWith(header, "statement error ")) {
            record.kind = RecordKind::StatementError;
            record.message = header.substr(16);
            readStatementBlock(std::move(record), false);
        } else if (startsWith(header, "parse ")) {
            readParse(header, std::move(record));
        } else {
            problem(record.line, "unknown record '" + header + "'");
            takeBlock();
        }
    }

    void readEval(const std::string& header, Record record) {
        record.kind = RecordKind::Eval;
        const std::string call = header.substr(5);
        const size_t arrow = call.rfind(" => ");
        if (arrow == std::string::npos) {
            problem(record.line, "eval needs 'Name(arguments) => expected'");
            return;
        }
        record.argument = call.substr(0, arrow);
        record.message = call.substr(arrow + 4);
        out_.records.push_back(std::move(record));
    }

    void readStatementBlock(Record record, bool expectsResult) {
        std::vector<std::string> block = takeBlock();
        size_t i = 0;
        for (; i < block.size() && startsWith(block[i], "param "); ++i) {
            const std::string assignment = block[i].substr(6);
            const size_t eq = assignment.find('=');
            if (eq == std::string::npos || eq == 0) {
                problem(record.line + 1 + static_cast<int>(i), "param needs 'name=value'");
                return;
            }
            record.parameters.emplace_back(assignment.substr(0, eq), assignment.substr(eq + 1));
        }
        if (!splitBody(block, i, record, expectsResult)) return;
        if (record.text.empty()) {
            problem(record.line, "the record has no statement");
            return;
        }
        if (expectsResult &&
            (record.expected.empty() || !startsWith(record.expected[0], "columns:"))) {
            problem(record.line, "a query's result begins with 'columns:'");
            return;
        }
        out_.records.push_back(std::move(record));
    }

    void readParse(const std::string& header, Record record) {
        // parse <kind> [error[@offset] <message>]
        const std::string rest = header.substr(6);
        const size_t space = rest.find(' ');
        record.argument = rest.substr(0, space);
        record.kind = RecordKind::Parse;
        static const std::set<std::string> kinds = {"sql", "expr", "filter", "sort"};
        if (!kinds.count(record.argument)) {
            problem(record.line,
                    "parse needs sql, expr, filter or sort, not '" + record.argument + "'");
            takeBlock();
            return;
        }
        if (space != std::string::npos) {
            const std::string error = rest.substr(space + 1);
            const size_t messageAt = error.find(' ');
            const std::string word = error.substr(0, messageAt);
            if (messageAt == std::string::npos ||
                !(word == "error" || startsWith(word, "error@"))) {
                problem(record.line, "expected 'error <message>' or 'error@<offset> <message>'");
                takeBlock();
                return;
            }
            record.kind = RecordKind::ParseError;
            record.message = error.substr(messageAt + 1);
            if (word != "error") {
                char* end = nullptr;
                record.errorOffset = std::strtol(word.c_str() + 6, &end, 10);
                if (end == word.c_str() + 6 || *end != '\0' || record.errorOffset < 0) {
                    problem(record.line, "the offset of '" + word + "' is no number");
                    takeBlock();
                    return;
                }
            }
        }
        const bool expectsResult = record.kind == RecordKind::Parse;
        if (!splitBody(takeBlock(), 0, record, expectsResult)) return;
        out_.records.push_back(std::move(record));
    }

    // The lines from `from` up to "----" are the text; the lines after it
    // are the expected result, which only records that expect one have.
    bool splitBody(const std::vector<std::string>& block, size_t from, Record& record,
                   bool expectsResult) {
        size_t i = from;
        for (; i < block.size() && block[i] != "----"; ++i) {
            if (i > from) record.text += "\r\n";
            record.text += block[i];
        }
        const bool hasResult = i < block.size();
        if (hasResult != expectsResult) {
            problem(record.line, expectsResult ? "the record needs '----' before its result"
                                               : "the record expects no result, but has '----'");
            return false;
        }
        if (hasResult)
            record.expected.assign(block.begin() + static_cast<long>(i) + 1, block.end());
        return true;
    }

    std::vector<std::string> lines_;
    size_t at_ = 0;
    TestText out_;
};

}  // namespace

TestText readTestText(std::string_view text) {
    return Reader(text).read();
}

}  // namespace sql_test
