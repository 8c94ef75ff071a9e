#include "jet/sql/parser/parser.h"

#include <algorithm>

#include "jet/sql/parser/parser_date_literal.h"
#include "jet/sql/parser/parser_internal.h"
#include "jet/sql/parser/type_words.h"

namespace jet::sql {
namespace detail {

Parser::Parser(std::string_view text, ParseOptions options, Dialect dialect)
    : text_(text), options_(options), dialect_(dialect), tokens_(tokenize(text)) {}

const Token& Parser::peek(size_t ahead) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
}

const Token& Parser::advance() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
}

bool Parser::accept(TokenKind kind) {
    if (!at(kind)) return false;
    advance();
    return true;
}

bool Parser::acceptWord(std::string_view upper) {
    if (!atWord(upper)) return false;
    advance();
    return true;
}

bool Parser::atName(size_t ahead) const {
    const Token& t = peek(ahead);
    return t.kind == TokenKind::Name || (t.kind == TokenKind::Word && !isReservedWord(t.upper));
}

std::string Parser::name(std::string_view errorMessage) {
    if (at(TokenKind::BadName)) {
        failAt("Invalid bracketing of name '" + peek().text + "'.", peek().offset);
    }
    if (!atName()) fail(errorMessage);
    return advance().text;
}

void Parser::fail(std::string_view message) const {
    failAt(message, peek().offset);
}

void Parser::failAt(std::string_view message, size_t offset) const {
    throw SyntaxError(std::string(message), offset);
}

SourceRange Parser::rangeFrom(size_t startOffset) const {
    // The range ends with the last token read.
    const size_t end = pos_ > 0 ? tokens_[pos_ - 1].end() : startOffset;
    return {startOffset, end > startOffset ? end - startOffset : 0};
}

Statement Parser::statement() {
    Statement s;
    clause_ = kInvalidStatement;
    if (acceptWord("PARAMETERS")) {
        s.parameters = parameters();
    }
    const Token& first = peek();
    if (first.isWord("SELECT") || (first.kind == TokenKind::LeftParen && atWord("SELECT", 1))) {
        s.body = query();
    } else if (first.isWord("TRANSFORM")) {
        s.body = crosstab();
    } else if (first.isWord("INSERT")) {
        s.body = insert();
    } else if (first.isWord("UPDATE")) {
        s.body = update();
    } else if (first.isWord("DELETE")) {
        s.body = deleteStatement();
    } else if (first.isWord("CREATE")) {
        s.body = create();
    } else if (first.isWord("ALTER")) {
        s.body = alterTable();
    } else if (first.isWord("DROP")) {
        s.body = drop();
    } else {
        fail(kInvalidStatement);
    }
    if (atWord("WITH") && peek(1).isWord("OWNERACCESS")) {
        advance();
        advance();
        if (!acceptWord("OPTION")) fail("Syntax error in WITH OWNERACCESS OPTION declaration.");
        s.ownerAccess = true;
    }
    if (accept(TokenKind::Semicolon)) {
        if (!at(TokenKind::End)) fail(kCharactersAfterEnd);
    } else if (!at(TokenKind::End)) {
        // Each statement reader stops only at a token it cannot place; the
        // clause it was reading decides the message.
        fail(clause_);
    }
    return s;
}

// PARAMETERS name type [(size)], ...;  A name may be written without
// brackets even when it holds blanks ("User Name Text"): everything before the
// type word is the name, including the ! and . of a name that refers to a
// form's control ("[Forms]![Sales Dialog]![Start] DateTime").
std::vector<ParameterDecl> Parser::parameters() {
    constexpr std::string_view kMessage = "Syntax error in PARAMETER clause.";
    std::vector<ParameterDecl> out;
    for (;;) {
        const size_t first = pos_;
        while (!at(TokenKind::Comma) && !at(TokenKind::Semicolon) && !at(TokenKind::End) &&
               !at(TokenKind::LeftParen)) {
            if (at(TokenKind::BadName)) name(kMessage);
            advance();
        }
        ParameterDecl p;
        size_t typeAt = pos_ - 1;
        if (accept(TokenKind::LeftParen)) {
            if (!at(TokenKind::Number)) fail(kMessage);
            p.size = std::stoi(advance().text.substr(0, 6));
            if (!accept(TokenKind::RightParen)) fail(kMessage);
        }
        if (typeAt <= first || tokens_[typeAt].kind != TokenKind::Word) fail(kMessage);
        const Token& typeToken = tokens_[typeAt];
        p.typeWord = typeToken.text;
        if (typeToken.upper != "VALUE") {
            const auto type = columnTypeForWord(typeToken.upper);
            if (!type) failAt(kMessage, typeToken.offset);
            p.type = type->type;
        }
        const Token& nameStart = tokens_[first];
        const Token& nameEnd = tokens_[typeAt - 1];
        if (typeAt - first == 1 && nameStart.kind == TokenKind::Name) {
            p.name = nameStart.text;
        } else {
            for (size_t i = first; i < typeAt; ++i) {
                const TokenKind kind = tokens_[i].kind;
                const bool separator = kind == TokenKind::Bang || kind == TokenKind::Dot;
                if (kind != TokenKind::Word && kind != TokenKind::Name && !separator) {
                    failAt(kMessage, tokens_[i].offset);
                }
            }
            p.name = std::string(text_.substr(nameStart.offset, nameEnd.end() - nameStart.offset));
        }
        out.push_back(std::move(p));
        if (accept(TokenKind::Comma)) continue;
        if (!accept(TokenKind::Semicolon)) fail(kMessage);
        return out;
    }
}

ExprPtr Parser::wholeExpression() {
    if (at(TokenKind::End)) fail("Syntax error in query expression ''.");
    ExprPtr e = item(false);
    if (!at(TokenKind::End)) failExpr(ExprError::MissingOperator);
    return e;
}

std::vector<SortKey> Parser::sortList() {
    constexpr std::string_view kMessage = "Syntax error in ORDER BY clause.";
    std::vector<SortKey> keys;
    if (at(TokenKind::End)) return keys;
    for (;;) {
        SortKey key;
        if (at(TokenKind::Name)) {
            key.field = advance().text;
        } else if (at(TokenKind::Word)) {
            // A bare name: words up to the direction, comma or end ("Unit
            // Price DESC" names the field "Unit Price").
            const size_t start = peek().offset;
            size_t end = start;
            while (at(TokenKind::Word) && !atWord("ASC") && !atWord("DESC")) end = advance().end();
            if (end == start) fail(kMessage);
            key.field = std::string(text_.substr(start, end - start));
        } else {
            if (at(TokenKind::BadName)) name(kMessage);
            fail(kMessage);
        }
        if (acceptWord("DESC")) {
            key.descending = true;
        } else {
            acceptWord("ASC");
        }
        keys.push_back(std::move(key));
        if (accept(TokenKind::End)) break;
        if (!accept(TokenKind::Comma)) fail(kMessage);
    }
    return keys;
}

}  // namespace detail

Statement parseStatement(std::string_view sql, const ParseOptions& options) {
    return detail::Parser(sql, options, detail::Parser::Dialect::Sql).statement();
}

ExprPtr parseExpression(std::string_view text, const ParseOptions& options) {
    return detail::Parser(text, options, detail::Parser::Dialect::Sql).wholeExpression();
}

ExprPtr parseFilterText(std::string_view text) {
    ParseOptions options;
    options.likeWildcards = LikeWildcards::Filter;
    return detail::Parser(text, options, detail::Parser::Dialect::Filter).wholeExpression();
}

std::vector<SortKey> parseSortText(std::string_view text) {
    return detail::Parser(text, {}, detail::Parser::Dialect::Sql).sortList();
}

std::optional<double> parseFilterDate(std::string_view text) {
    return parseIsoDateTime(text);
}

}  // namespace jet::sql
