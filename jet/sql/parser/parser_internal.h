// The recursive-descent parser shared by parser*.cpp. Not part of the API:
// include parser.h instead.
//
// One Parser reads one text. Expressions are read one "item" at a time (a
// select column, a WHERE condition, an ORDER BY key, ...); an item remembers
// where it starts so that an error inside it quotes the item's text, as
// Access does ("Syntax error (missing operator) in query expression 'a b'.").
// Errors outside expressions name the clause or statement being read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/sql/parser/ast.h"
#include "jet/sql/parser/lexer.h"
#include "jet/sql/parser/parser.h"

namespace jet::sql::detail {

// The ways an expression can be malformed, each with Access's wording.
enum class ExprError {
    Generic,            // Syntax error in query expression '...'.
    MissingOperator,    // Syntax error (missing operator) in query expression '...'.
    Comma,              // Syntax error (comma) in query expression '...'.
    ExtraParen,         // Extra ) in query expression '...'.
    MissingParen,       // Missing ), ], or Item in query expression '...'.
    String,             // Syntax error in string in query expression '...'.
    Date,               // Syntax error in date in query expression '...'.
    Number,             // Syntax error in number in query expression '...'.
    BetweenWithoutAnd,  // Between operator without And in query expression '...'.
    InWithoutParens,    // In operator without () in query expression '...'.
    BadQualifier,       // Invalid use of '.', '!', or '()' in query expression '...'.
};

// Statement-level messages.
inline constexpr std::string_view kSelectMessage =
    "The SELECT statement includes a reserved word or an argument name that is misspelled or "
    "missing, or the punctuation is incorrect.";
inline constexpr std::string_view kInvalidStatement =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
inline constexpr std::string_view kCharactersAfterEnd =
    "Characters found after end of SQL statement.";

class Parser {
public:
    enum class Dialect { Sql, Filter };

    // Bounds the nesting of parentheses, subqueries and prefix operators, so
    // that a hostile text ends in an error instead of exhausting the stack.
    class NestingGuard {
    public:
        explicit NestingGuard(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxDepth) p_.fail("Query is too complex.");
        }
        ~NestingGuard() { --p_.depth_; }
        NestingGuard(const NestingGuard&) = delete;
        NestingGuard& operator=(const NestingGuard&) = delete;

    private:
        static constexpr int kMaxDepth = 200;
        Parser& p_;
    };

    Parser(std::string_view text, ParseOptions options, Dialect dialect);

    // Entry points (each reads the whole text).
    Statement statement();
    ExprPtr wholeExpression();
    std::vector<SortKey> sortList();

    // ---- tokens (parser.cpp)
    const Token& peek(size_t ahead = 0) const;
    const Token& advance();
    bool at(TokenKind kind, size_t ahead = 0) const { return peek(ahead).kind == kind; }
    bool atWord(std::string_view upper, size_t ahead = 0) const {
        return peek(ahead).isWord(upper);
    }
    bool accept(TokenKind kind);
    bool acceptWord(std::string_view upper);
    // A word that is not reserved, or a [name]: something that can be a name.
    bool atName(size_t ahead = 0) const;
    std::string name(std::string_view errorMessage);
    [[noreturn]] void fail(std::string_view message) const;
    [[noreturn]] void failAt(std::string_view message, size_t offset) const;
    SourceRange rangeFrom(size_t startOffset) const;

    // ---- expressions (parser_expression.cpp)
    // One item: an expression followed by something that may end it (`list`:
    // a comma may end it too). Starts a new error context.
    ExprPtr item(bool list);
    bool canStartExpression() const;
    ExprPtr expression();
    [[noreturn]] void failExpr(ExprError error) const;

    // ---- queries (parser_select.cpp)
    Query query();  // SELECT ... [UNION ...] [ORDER BY ...]
    // At '(' SELECT; `inExpression`: a missing ')' is an error of the
    // expression item around it, else of the clause being read.
    QueryPtr parenthesizedSubquery(bool inExpression);
    std::vector<TableRefPtr> sources();
    TableRefPtr source();
    std::vector<OrderItem> orderBy();
    CrosstabQuery crosstab();

    // ---- other statements (parser_statements.cpp, parser_ddl.cpp)
    std::vector<ParameterDecl> parameters();
    InsertStatement insert();
    UpdateStatement update();
    DeleteStatement deleteStatement();
    ExprPtr columnReference(std::string_view errorMessage);
    std::optional<ExternalDatabase> externalDatabase();
    Statement::Body create();
    AlterTableStatement alterTable();
    Statement::Body drop();

    const std::string_view text_;
    const ParseOptions options_;
    const Dialect dialect_;
    // The message for a token the current statement cannot place, set as
    // each clause begins ("Syntax error in FROM clause.", ...).
    std::string_view clause_;

private:
    // Expression levels, loosest first.
    ExprPtr imp();
    ExprPtr eqv();
    ExprPtr xorLevel();
    ExprPtr orLevel();
    ExprPtr andLevel();
    ExprPtr notLevel();
    ExprPtr comparison();
    ExprPtr concat();
    ExprPtr additive();
    ExprPtr modulo();
    ExprPtr intDivide();
    ExprPtr multiplicative();
    ExprPtr unary();
    ExprPtr power();
    ExprPtr powerOperand();
    ExprPtr primary();
    ExprPtr literal();
    ExprPtr namePath();
    ExprPtr functionCall();
    ExprPtr binary(BinaryOp op, ExprPtr left, ExprPtr right) const;
    size_t itemEndOffset() const;
    SelectCore selectCore();
    TableRefPtr sourcePrimary();
    std::string optionalAlias();
    void checkItemEnd(bool list) const;

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    // Error context of the current expression item.
    size_t itemStart_ = 0;  // token index
    bool itemList_ = false;
    // Open parentheses around the current statement (subqueries, joins):
    // a ')' may end an item only inside them.
    int nesting_ = 0;
    int parameterCount_ = 0;
    int depth_ = 0;
};

}  // namespace jet::sql::detail
