// The SQL front end: tokens and their positions, literal values, dates, the
// shape of the trees the program's own statements give, and the stored query
// texts Access shows for the query fixtures. Statement-by-statement behaviour
// lives in cases/parser.test.
#include "jet/sql/parser/parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "jet/sql/parser/ast_printer.h"
#include "jet/sql/parser/lexer.h"
#include "jet/sql/parser/parser_date_literal.h"

namespace jet::sql {
namespace {

using namespace std::literals;

// "kind:text@offset" for each token but the End.
std::string describeTokens(std::string_view source) {
    std::string out;
    for (const Token& t : tokenize(source)) {
        if (t.kind == TokenKind::End) break;
        if (!out.empty()) out += " ";
        out += tokenKindName(t.kind) + ":" + t.text + "@" + std::to_string(t.offset);
    }
    return out;
}

TEST(Lexer, TokensCarryTheirDecodedTextAndOffset) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"SELECT [a b].c FROM t",
         "word:SELECT@0 name:a b@7 '.':.@12 word:c@13 word:FROM@15 word:t@20"},
        {"'it''s' \"say \"\"hi\"\"\"", "string:it's@0 string:say \"hi\"@8"},
        {"#1/2/2020# .5 1.5e-3 &HFF 12.",
         "date:1/2/2020@0 number:.5@11 number:1.5e-3@14 number:&HFF@21 number:12.@26"},
        {"a<>b<=c>=d<e>f=g",
         "word:a@0 '<>':<>@1 word:b@3 '<=':<=@4 word:c@6 '>=':>=@7 word:d@9 '<':<@10 word:e@11 "
         "'>':>@12 word:f@13 '=':=@14 word:g@15"},
        {"a\\b^c&d Mod e",
         "word:a@0 '\\':\\@1 word:b@2 '^':^@3 word:c@4 '&':&@5 word:d@6 word:Mod@8 word:e@12"},
        {"t.* F!G ?;", "word:t@0 '.':.@1 '*':*@2 word:F@4 '!':!@5 word:G@6 '?':?@8 ';':;@9"},
        {"SELECT\r\n*\tFROM\r\n[T]\0"sv, "word:SELECT@0 '*':*@8 word:FROM@10 name:T@16"},
        {"`odd name` [Müller]", "name:odd name@0 name:Müller@11"},
        {"'open", "unterminated string:'open@0"},
        {"#1/2", "unterminated date:#1/2@0"},
        {"[a", "unbalanced bracket:[a@0"},
        {"1e+", "malformed number:1e+@0"},
        {"a @ b", "word:a@0 stray character:@@2 word:b@4"},
    };
    for (const auto& [source, expected] : cases) {
        EXPECT_EQ(describeTokens(source), expected) << source;
    }
}

TEST(Lexer, WordsKeepTheirSpellingAndGiveAnUpperCaseForm) {
    const auto tokens = tokenize("sElEcT Straße");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].text, "sElEcT");
    EXPECT_TRUE(tokens[0].isWord("SELECT"));
    EXPECT_EQ(tokens[1].text, "Straße");
    EXPECT_EQ(tokens[1].length, std::string("Straße").size());
}

const Expr& firstColumn(const Statement& s) {
    return *s.query()->parts.at(0).items.at(0).expr;
}

TEST(Parser, LiteralsHaveAccessTypes) {
    const std::pair<std::string_view, Value> cases[] = {
        {"1", Value::integer(1)},
        {"2147483647", Value::integer(2147483647)},
        {"2147483648", Value::real(2147483648.0)},
        {"1.5", Value::real(1.5)},
        {"2.", Value::real(2.0)},
        {"1E3", Value::real(1000.0)},
        {"&HFFFF", Value::integer(-1)},
        {"&H7FFF", Value::integer(32767)},
        {"&H8000", Value::integer(-32768)},
        {"&HFFFFFFFF", Value::integer(-1)},
        {"&H10000", Value::integer(65536)},
        {"&O777", Value::integer(511)},
        {"'x'", Value::text("x")},
        {"True", Value::boolean(true)},
        {"false", Value::boolean(false)},
        {"Null", Value::null()},
        {"#12/30/1899#", Value::dateTime(0)},
        {"#1/2/2020#", Value::dateTime(43832)},
    };
    for (const auto& [text, expected] : cases) {
        const Statement s = parseStatement("SELECT " + std::string(text));
        const Expr& e = firstColumn(s);
        ASSERT_EQ(e.kind, ExprKind::Literal) << text;
        EXPECT_EQ(e.value, expected) << text;
    }
}

TEST(DateLiteral, AccessFormsGiveTheDayCount) {
    const std::pair<std::string_view, double> accepted[] = {
        {"1/2/2020", 43832},
        {"01-02-2020", 43832},
        {"2020-01-02", 43832},
        {"2020/1/2", 43832},
        {"13/1/2020", 43843},  // a month above 12 is read as the day
        {"1/2/20", 43832},
        {"1/2/30", 10960},  // 1930
        {"2-Jan-2020", 43832},
        {"2 January 2020", 43832},
        {"Jan 2, 2020", 43832},
        {"2/29/2000", 36585},
        {"1/2/2020 6:00", 43832.25},
        {"1/2/2020 6:00:00 PM", 43832.75},
        {"1/2/2020 12:00 AM", 43832},
        {"1/2/2020 18:00 AM", 43832.75},  // past 12 the AM/PM is ignored, as in Access
        {"2020-01-02 18:00:00", 43832.75},
        {"18:00", 0.75},
        {"12/29/1899 6:00", -1.25},  // before day 0 the time still adds to the day
        {"1/1/100", -657434},
    };
    for (const auto& [text, days] : accepted) {
        const auto got = parseDateLiteral(text);
        ASSERT_TRUE(got.has_value()) << text;
        EXPECT_NEAR(*got, days, 1e-9) << text;
    }
    const std::string_view refused[] = {"",
                                        "1/2",
                                        "2/30/2020",
                                        "13/13/2020",
                                        "1/2/10000",
                                        "2/29/1900",
                                        "1/2/2020 24:00",
                                        "1/2/2020 1:60",
                                        "1/2/2020 24:00 PM",
                                        "Foo 2, 2020",
                                        "1/2/2020 x",
                                        "1//2020"};
    for (std::string_view text : refused) {
        EXPECT_FALSE(parseDateLiteral(text).has_value()) << text;
    }
}

TEST(FilterDate, OnlyTheFixedFormatIsADate) {
    EXPECT_DOUBLE_EQ(*parseFilterDate("2020-01-02"), 43832);
    EXPECT_DOUBLE_EQ(*parseFilterDate("2020-01-02 18:00:00"), 43832.75);
    const std::string_view refused[] = {"1/2/2020",
                                        "2020-1-2",
                                        "2020-01-02 18:00",
                                        "2020-02-30",
                                        "2020-01-02T18:00:00",
                                        "2020-01-02 24:00:00",
                                        " 2020-01-02",
                                        "{2020-01-02}"};
    for (std::string_view text : refused) EXPECT_FALSE(parseFilterDate(text).has_value()) << text;
}

TEST(Parser, DataWindowStatementNamesItsTableAndCondition) {
    const Statement s = parseStatement("SELECT * FROM\r\n[Order Details]\r\nWHERE 1=1");
    ASSERT_EQ(s.kind(), StatementKind::Select);
    const SelectCore& core = s.query()->parts.at(0);
    ASSERT_EQ(core.items.size(), 1u);
    EXPECT_EQ(core.items[0].expr->kind, ExprKind::Star);
    EXPECT_TRUE(core.items[0].expr->names.empty());
    ASSERT_EQ(core.from.size(), 1u);
    EXPECT_EQ(core.from[0]->kind, TableRef::Kind::Table);
    EXPECT_EQ(core.from[0]->name, "Order Details");
    ASSERT_TRUE(core.where);
    EXPECT_EQ(core.where->kind, ExprKind::Binary);
    EXPECT_EQ(core.where->binaryOp, BinaryOp::Equal);
}

TEST(Parser, DataPaneStatementKeepsItsRowLimit) {
    const Statement s = parseStatement("SELECT TOP 1000 * FROM [T]");
    const SelectCore& core = s.query()->parts.at(0);
    ASSERT_TRUE(core.top.has_value());
    EXPECT_EQ(core.top->count, 1000);
    EXPECT_FALSE(core.top->percent);
}

TEST(Parser, RangesPointAtTheTextOfEachPart) {
    const std::string sql = "SELECT t.a + Len(b) AS x FROM [t] AS q WHERE c LIKE 'z*'";
    const Statement s = parseStatement(sql);
    const SelectCore& core = s.query()->parts.at(0);
    auto text = [&](SourceRange r) { return sql.substr(r.offset, r.length); };
    EXPECT_EQ(text(core.items[0].expr->range), "t.a + Len(b)");
    EXPECT_EQ(text(core.items[0].expr->operands[1]->range), "Len(b)");
    EXPECT_EQ(text(core.from[0]->range), "[t] AS q");
    EXPECT_EQ(text(core.where->range), "c LIKE 'z*'");
    EXPECT_EQ(core.where->wildcards, LikeWildcards::Access);
}

TEST(Parser, ColumnPathsKeepQualifiersAndSeparators) {
    const Statement s = parseStatement("SELECT [Forms]![Main]![Id], T.F, T.* FROM T");
    const auto& items = s.query()->parts.at(0).items;
    EXPECT_EQ(items[0].expr->names, (std::vector<std::string>{"Forms", "Main", "Id"}));
    EXPECT_EQ(items[0].expr->separators, "!!");
    EXPECT_EQ(items[1].expr->qualifier(), "T");
    EXPECT_EQ(items[1].expr->name(), "F");
    EXPECT_EQ(items[2].expr->kind, ExprKind::Star);
    EXPECT_EQ(items[2].expr->qualifier(), "T");
}

TEST(Parser, LikeWildcardsFollowTheDialect) {
    ParseOptions connection;
    connection.likeWildcards = LikeWildcards::AccessAndAnsi;
    EXPECT_EQ(parseExpression("a LIKE 'x%'", connection)->wildcards, LikeWildcards::AccessAndAnsi);
    EXPECT_EQ(parseFilterText("(a LIKE 'x%')")->wildcards, LikeWildcards::Filter);
    // "= NULL" is a null test only in a filter text.
    EXPECT_EQ(parseFilterText("a = NULL")->kind, ExprKind::IsNull);
    EXPECT_EQ(parseExpression("a = NULL")->kind, ExprKind::Binary);
}

TEST(Parser, PositionalParametersAreNumberedInTextOrder) {
    const Statement s = parseStatement("UPDATE t SET a = ? WHERE b = ? AND c = ?");
    const auto& update = std::get<UpdateStatement>(s.body);
    EXPECT_EQ(update.assignments[0].value->parameterIndex, 0);
    EXPECT_EQ(update.where->operands[0]->operands[1]->parameterIndex, 1);
    EXPECT_EQ(update.where->operands[1]->operands[1]->parameterIndex, 2);
}

TEST(Parser, ErrorsAreSyntaxErrorsWithAnOffset) {
    try {
        parseStatement("SELECT * FROM t WHERE a = 1 b");
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::Syntax);
        const auto* syntax = dynamic_cast<const SyntaxError*>(&e);
        ASSERT_NE(syntax, nullptr);
        EXPECT_EQ(syntax->offset(), 28u);
    }
}

TEST(Parser, DeepNestingIsRefusedWithAMessage) {
    const std::string deep[] = {
        "SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')'),
        "SELECT " + std::string(5000, '-') + "1",
        [] {
            std::string s = "SELECT * FROM t WHERE ";
            for (int i = 0; i < 5000; ++i) s += "NOT ";
            return s + "a";
        }(),
        "SELECT * FROM " + std::string(5000, '(') + "t",
        [] {
            std::string s = "SELECT 1";
            for (int i = 0; i < 300; ++i) s = "SELECT * FROM t WHERE a IN (" + s + ")";
            return s;
        }(),
    };
    for (const std::string& sql : deep) {
        try {
            parseStatement(sql);
            ADD_FAILURE() << "accepted " << sql.substr(0, 40);
        } catch (const SyntaxError& e) {
            EXPECT_STREQ(e.what(), "Query is too complex.") << sql.substr(0, 40);
        }
    }
    // Nesting a person writes is fine.
    EXPECT_NO_THROW(parseStatement("SELECT " + std::string(50, '(') + "1" + std::string(50, ')')));
}

TEST(Parser, DdlTypesMapToColumnTypes) {
    const Statement s = parseStatement(
        "CREATE TABLE t (a COUNTER(5, 2), b TEXT(20) WITH COMPRESSION, c INTEGER, d SMALLINT, "
        "e DECIMAL(12, 3), f YESNO, g DATE, h LONGBINARY, i MONEY NOT NULL DEFAULT 0)");
    const auto& columns = std::get<CreateTableStatement>(s.body).columns;
    ASSERT_EQ(columns.size(), 9u);
    EXPECT_TRUE(columns[0].type.autoIncrement);
    EXPECT_EQ(columns[0].type.type, DataType::Long);
    EXPECT_EQ(columns[0].type.seed, 5);
    EXPECT_EQ(columns[0].type.increment, 2);
    EXPECT_EQ(columns[1].type.size, 20);
    EXPECT_TRUE(columns[1].compression);
    EXPECT_EQ(columns[2].type.type, DataType::Long);  // INTEGER is a Long in Access SQL
    EXPECT_EQ(columns[3].type.type, DataType::Integer);
    EXPECT_EQ(columns[4].type.type, DataType::Numeric);
    EXPECT_EQ(columns[4].type.precision, 12);
    EXPECT_EQ(columns[4].type.scale, 3);
    EXPECT_EQ(columns[5].type.type, DataType::Boolean);
    EXPECT_EQ(columns[6].type.type, DataType::DateTime);
    EXPECT_EQ(columns[7].type.type, DataType::LongBinary);
    EXPECT_EQ(columns[8].type.type, DataType::Currency);
    EXPECT_TRUE(columns[8].notNull);
    ASSERT_TRUE(columns[8].defaultValue);
}

// The SQL texts Access shows for the stored queries of the query fixtures,
// lines joined with CR LF and "\0" made a NUL.
std::map<std::string, std::string> referenceQueries() {
    std::ifstream in(std::string(TABULON_REFERENCE) + "/query-sql.md");
    std::map<std::string, std::string> out;
    std::string line, previous, body;
    bool inBlock = false;
    while (std::getline(in, line)) {
        if (line.rfind("```", 0) == 0) {
            if (inBlock) {
                const size_t nul = body.find("\\0");
                if (nul != std::string::npos) body.replace(nul, 2, std::string(1, '\0'));
                out[previous] = body;
            }
            body.clear();
            inBlock = !inBlock;
            continue;
        }
        if (inBlock) {
            body += (body.empty() ? "" : "\r\n") + line;
        } else if (!line.empty()) {
            previous = line;
        }
    }
    return out;
}

TEST(Parser, StoredQueriesOfTheQueryFixturesParseAndPrintBack) {
    const auto queries = referenceQueries();
    ASSERT_EQ(queries.size(), 9u);
    const std::map<std::string, StatementKind> kinds = {
        {"SelectQuery", StatementKind::Select},
        {"DeleteQuery", StatementKind::Delete},
        {"AppendQuery", StatementKind::Insert},
        {"UpdateQuery", StatementKind::Update},
        {"MakeTableQuery", StatementKind::Select},
        {"CrosstabQuery", StatementKind::Crosstab},
        {"UnionQuery", StatementKind::Select},
        {"PassthroughQuery", StatementKind::AlterTable},
        {"DataDefinitionQuery", StatementKind::CreateTable}};
    for (const auto& [name, sql] : queries) {
        SCOPED_TRACE(name);
        const Statement s = parseStatement(sql);
        EXPECT_EQ(s.kind(), kinds.at(name));
        const std::string printed = toSql(s);
        EXPECT_EQ(toSql(parseStatement(printed)), printed);
    }
    const Statement update = parseStatement(queries.at("UpdateQuery"));
    ASSERT_EQ(update.parameters.size(), 1u);
    EXPECT_EQ(update.parameters[0].name, "User Name");
    EXPECT_EQ(update.parameters[0].type, DataType::Text);

    const Statement unionQuery = parseStatement(queries.at("UnionQuery"));
    ASSERT_EQ(unionQuery.query()->parts.size(), 3u);
    EXPECT_EQ(unionQuery.query()->unionAll, (std::vector<bool>{false, true}));
    EXPECT_TRUE(unionQuery.query()->parts[0].from.empty());

    const Statement makeTable = parseStatement(queries.at("MakeTableQuery"));
    ASSERT_TRUE(makeTable.query()->parts[0].into.has_value());
    EXPECT_EQ(makeTable.query()->parts[0].into->table, "Table4");

    const Statement select = parseStatement(queries.at("SelectQuery"));
    const TableRef& join = *select.query()->parts[0].from.at(0);
    EXPECT_EQ(join.kind, TableRef::Kind::Join);
    EXPECT_EQ(join.joinType, JoinType::Inner);
    EXPECT_EQ(join.left->joinType, JoinType::Left);
    EXPECT_EQ(join.right->name, "Table2");
}

}  // namespace
}  // namespace jet::sql
