#include "sql/sql_test_runner.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "common/fixture_files.h"
#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/sql/executor/action.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/functions/functions.h"
#include "jet/sql/parser/ast_printer.h"
#include "jet/sql/parser/parser.h"
#include "jet/write/create_database.h"
#include "sql/select_result_text.h"
#include "sql/sql_test_literals.h"
#include "sql/sql_test_tables.h"
#include "support/mdbtools_compare.h"

namespace sql_test {
namespace {

using jet::Value;

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += "\n  " + line;
    return out;
}

// A parameter's value as written after '=': a number, or "text".
Value parameterValue(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return Value::text(text.substr(1, text.size() - 2));
    }
    size_t used = 0;
    const bool real = text.find('.') != std::string::npos;
    const Value value =
        real ? Value::real(std::stod(text, &used)) : Value::integer(std::stoll(text, &used));
    if (used != text.size()) throw std::invalid_argument("not a number");
    return value;
}

// "columns: a,b" and "columns:a,b" are one line.
std::string normalizedKeyLine(const std::string& line, std::string_view key) {
    if (line.rfind(key, 0) != 0) return line;
    std::string value = line.substr(key.size());
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    return std::string(key) + " " + value;
}

jet::sql::PrintOptions explicitStyle() {
    jet::sql::PrintOptions o;
    o.explicitParentheses = true;
    return o;
}

// A parse record's text as the parser reads it, printed in the given style.
std::string parseAndPrint(const std::string& kind, const std::string& text,
                          const jet::sql::PrintOptions& o) {
    using namespace jet::sql;
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

class Runner {
public:
    RunResult run(std::string_view text) {
        TestText file = readTestText(text);
        result_.failures = std::move(file.problems);
        for (const Record& record : file.records) {
            if (record.kind != RecordKind::Database) ++result_.records;
            try {
                runRecord(record);
            } catch (const std::exception& e) {
                fail(record, std::string("unexpected exception: ") + e.what());
            }
        }
        std::stable_sort(result_.failures.begin(), result_.failures.end(),
                         [](const Failure& a, const Failure& b) { return a.line < b.line; });
        return std::move(result_);
    }

private:
    void fail(const Record& record, std::string message) {
        result_.failures.push_back(Failure{record.line, std::move(message)});
    }

    void runRecord(const Record& record) {
        switch (record.kind) {
            case RecordKind::Database:
                return openOrFail(record);
            case RecordKind::Query:
                return runQuery(record);
            case RecordKind::StatementOk:
            case RecordKind::StatementError:
                return runStatement(record);
            case RecordKind::Parse:
                return runParse(record);
            case RecordKind::ParseError:
                return runParseError(record);
            case RecordKind::Eval:
                return runEval(record);
            case RecordKind::Table:
                return addTable(record);
            case RecordKind::Check:
                return checkFile(record);
        }
    }

    void openOrFail(const Record& record) {
        try {
            openDatabase(record);
        } catch (const std::exception& e) {
            db_.reset();
            fail(record, std::string("cannot open the database: ") + e.what());
        }
    }

    void openDatabase(const Record& record) {
        db_.reset();
        folder_ = std::make_unique<testing_support::TempDir>();
        std::string path;
        if (record.argument.rfind("new ", 0) == 0) {
            static const std::map<std::string, jet::JetVersion> formats = {
                {"jet3", jet::JetVersion::Jet3},
                {"jet4", jet::JetVersion::Jet4},
                {"ace12", jet::JetVersion::Ace12},
                {"ace14", jet::JetVersion::Ace14}};
            const std::string name = record.argument.substr(4);
            const auto format = formats.find(name);
            if (format == formats.end()) {
                return fail(record, "unknown format '" + name + "' (jet3, jet4, ace12, ace14)");
            }
            jet::CreateOptions options;
            options.version = format->second;
            const bool accdb = format->second == jet::JetVersion::Ace12 ||
                               format->second == jet::JetVersion::Ace14;
            path = (folder_->path() / (accdb ? "new.accdb" : "new.mdb")).string();
            jet::createDatabase(*jet::posixFileSystem(), path, options);
        } else {
            path = folder_->copy(record.argument).string();
        }
        // Writable, so that statements can change the copy; the fixture
        // itself is never opened.
        path_ = path;
        reopen();
    }

    void reopen() {
        db_.reset();
        jet::OpenOptions options;
        options.writable = true;
        db_ = jet::Database::open(path_, options);
    }

    jet::sql::ExecuteOptions optionsOf(const Record& record) {
        jet::sql::ExecuteOptions options;
        for (const auto& [name, literal] : record.parameters) {
            options.parameters.named[name] = parameterValue(literal);
        }
        options.parse.likeWildcards = jet::sql::LikeWildcards::AccessAndAnsi;
        return options;
    }

    // Runs the record's SELECT; throws jet::Error as the engine does.
    jet::sql::QueryResult execute(const Record& record) {
        return jet::sql::executeSelect(*db_, record.text, optionsOf(record));
    }

    // Runs the record's statement, whatever its kind: the records it
    // affected, nothing for a SELECT.
    std::optional<size_t> executeAny(const Record& record) {
        const jet::sql::ExecuteOptions options = optionsOf(record);
        std::optional<jet::sql::Statement> statement;
        try {
            statement = jet::sql::parseStatement(record.text, options.parse);
        } catch (const jet::sql::SyntaxError&) {
            if (!jet::sql::isStoredAction(*db_, record.text)) throw;
            return jet::sql::executeStoredAction(*db_, record.text, options);
        }
        if (jet::sql::changesDatabase(*statement))
            return jet::sql::executeActionStatement(*db_, *statement, options);
        jet::sql::executeStatement(*db_, *statement, options);
        return std::nullopt;
    }

    std::string fileBytes() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    void addTable(const Record& record) {
        if (!needDatabase(record)) return;
        try {
            const TestTable table = readTestTable(record.argument, record.expected);
            db_.reset();
            addTestTable(path_, table);
            reopen();
        } catch (const std::exception& e) {
            db_.reset();
            fail(record, std::string("cannot add the table: ") + e.what());
        }
    }

    void checkFile(const Record& record) {
        if (!needDatabase(record)) return;
        const jet::CheckReport report = jet::checkDatabase(*db_);
        for (const std::string& problem : report.problems) fail(record, "check: " + problem);
        for (const std::string& difference : testing_support::differencesWithMdbtools(path_))
            fail(record, "mdbtools: " + difference);
    }

    bool needDatabase(const Record& record) {
        if (db_) return true;
        fail(record, "no database: a 'database' record must come first");
        return false;
    }

    void runQuery(const Record& record) {
        if (!needDatabase(record)) return;
        jet::sql::QueryResult result;
        try {
            result = execute(record);
        } catch (const jet::Error& e) {
            return fail(record, std::string("failed: ") + e.what());
        }
        std::vector<std::string> expected = record.expected;
        expected[0] = normalizedKeyLine(expected[0], "columns:");
        const bool withTypes = expected.size() > 1 && expected[1].rfind("types:", 0) == 0;
        if (withTypes) expected[1] = normalizedKeyLine(expected[1], "types:");
        std::vector<std::string> actual = {"columns: " + jet::sql::columnNamesLine(result)};
        if (withTypes) actual.push_back("types: " + jet::sql::columnTypesLine(result));
        for (std::string& row : jet::sql::rowLines(result)) {
            // An empty line would end the record, so an empty row has a name.
            actual.push_back(row.empty() ? "(empty)" : std::move(row));
        }
        if (actual != expected) {
            fail(record, "the result differs\nexpected:" + joinLines(expected) +
                             "\nactual:" + joinLines(actual));
        }
    }

    void runStatement(const Record& record) {
        if (!needDatabase(record)) return;
        // A refused statement leaves the file as it was, to the byte.
        const bool refusal = record.kind == RecordKind::StatementError;
        const std::string before = refusal ? fileBytes() : std::string();
        std::optional<size_t> affected;
        try {
            affected = executeAny(record);
        } catch (const jet::Error& e) {
            if (!refusal) return fail(record, std::string("failed: ") + e.what());
            if (e.what() != record.message) {
                fail(record, std::string("another error\nexpected: ") + record.message +
                                 "\nactual:   " + e.what());
            }
            if (fileBytes() != before) fail(record, "the refused statement changed the file");
            return;
        }
        if (refusal) return fail(record, "no error; expected: " + record.message);
        if (record.affected >= 0) {
            if (!affected) return fail(record, "a SELECT affects no records");
            if (*affected != static_cast<size_t>(record.affected))
                fail(record, std::to_string(*affected) + " records affected, expected " +
                                 std::to_string(record.affected));
        }
    }

    void runParse(const Record& record) {
        const std::string& kind = record.argument;
        // A sort text may give the empty list, so no line is an empty tree.
        const std::string tree = record.expected.empty() ? "" : record.expected[0];
        if (record.expected.size() > 1) {
            return fail(record, "a parse record expects one line, its printed tree");
        }
        std::string printed;
        try {
            printed = parseAndPrint(kind, record.text, explicitStyle());
        } catch (const jet::Error& e) {
            return fail(record, std::string("refused: ") + e.what());
        }
        if (printed != tree) {
            return fail(record, "another tree\nexpected: " + tree + "\nactual:   " + printed);
        }
        if (kind == "sort") return;
        // Fixed points: the explicit print reads back to itself, and the
        // minimal print reads back to the same tree, so the printer never
        // writes text that reads back differently.
        try {
            const std::string again = parseAndPrint(kind, printed, explicitStyle());
            if (again != printed) {
                fail(record, "the printed tree reads back as another: " + again);
            }
            const std::string minimal = parseAndPrint(kind, record.text, {});
            const std::string fromMinimal = parseAndPrint(kind, minimal, explicitStyle());
            if (fromMinimal != printed) {
                fail(record, "the minimal print '" + minimal + "' reads back as " + fromMinimal);
            }
        } catch (const jet::Error& e) {
            fail(record, std::string("a print does not read back: ") + e.what());
        }
    }

    void runParseError(const Record& record) {
        try {
            const std::string printed =
                parseAndPrint(record.argument, record.text, explicitStyle());
            return fail(record, "accepted, printed as: " + printed);
        } catch (const jet::sql::SyntaxError& e) {
            if (e.what() != record.message) {
                fail(record, std::string("another error\nexpected: ") + record.message +
                                 "\nactual:   " + e.what());
            }
            if (e.code() != jet::ErrorCode::Syntax) fail(record, "the error is no syntax error");
            if (record.errorOffset >= 0 && static_cast<long>(e.offset()) != record.errorOffset) {
                fail(record, "raised at offset " + std::to_string(e.offset()) + ", expected " +
                                 std::to_string(record.errorOffset));
            }
        } catch (const jet::Error& e) {
            fail(record, std::string("not a syntax error: ") + e.what());
        }
    }

    void runEval(const Record& record) {
        EvalCall call;
        ExpectedValue expected;
        try {
            call = readEvalCall(record.argument);
            expected = readExpectedValue(record.message);
        } catch (const std::exception& e) {
            return fail(record, std::string("unreadable eval record: ") + e.what());
        }
        jet::FunctionContext context;
        // Date, Time and Now see a fixed clock.
        context.now = [] { return dateLiteralDays("2024-03-15 14:30:00"); };
        try {
            const Value actual =
                jet::callFunction(call.name, call.arguments, context, record.argument);
            if (expected.isError) {
                fail(record, "expected error \"" + expected.error + "\", got " + describe(actual));
            } else if (!matches(expected, actual)) {
                fail(record, "expected " + describe(expected.value) + ", got " + describe(actual));
            }
        } catch (const jet::Error& e) {
            if (!expected.isError) {
                fail(record,
                     "expected " + describe(expected.value) + ", got error \"" + e.what() + "\"");
            } else if (e.what() != expected.error) {
                fail(record,
                     "another error\nexpected: " + expected.error + "\nactual:   " + e.what());
            }
        }
    }

    RunResult result_;
    std::unique_ptr<testing_support::TempDir> folder_;
    std::string path_;
    std::shared_ptr<jet::Database> db_;
};

}  // namespace

RunResult runTestText(std::string_view text) {
    return Runner().run(text);
}

RunResult runTestFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        RunResult result;
        result.failures.push_back(Failure{0, "cannot read " + path.string()});
        return result;
    }
    std::stringstream text;
    text << in.rdbuf();
    return runTestText(text.str());
}

}  // namespace sql_test
