// INSERT, UPDATE and DELETE.
#include "jet/sql/parser/parser_internal.h"

namespace jet::sql::detail {
namespace {

constexpr std::string_view kInsertMessage = "Syntax error in INSERT INTO statement.";
constexpr std::string_view kUpdateMessage = "Syntax error in UPDATE statement.";
constexpr std::string_view kDeleteMessage = "Syntax error in DELETE statement.";
constexpr std::string_view kFromMessage = "Syntax error in FROM clause.";
constexpr std::string_view kWhereMessage = "Syntax error in WHERE clause.";

}  // namespace

// A column named as an assignment or insert target: col, T.col, [T].[col].
ExprPtr Parser::columnReference(std::string_view errorMessage) {
    if (at(TokenKind::BadName)) name(errorMessage);
    if (!atName()) fail(errorMessage);
    const size_t savedStart = itemStart_;
    itemStart_ = pos_;
    ExprPtr e = namePath();
    itemStart_ = savedStart;
    if (e->kind != ExprKind::Column) failAt(errorMessage, e->range.offset);
    return e;
}

InsertStatement Parser::insert() {
    advance();  // INSERT
    clause_ = kInsertMessage;
    InsertStatement s;
    if (!acceptWord("INTO")) fail(kInsertMessage);
    s.table = name(kInsertMessage);
    s.database = externalDatabase();
    if (accept(TokenKind::LeftParen)) {
        do {
            s.columns.push_back(columnReference(kInsertMessage));
        } while (accept(TokenKind::Comma));
        if (!accept(TokenKind::RightParen)) fail(kInsertMessage);
    }
    if (acceptWord("VALUES")) {
        if (!accept(TokenKind::LeftParen)) fail(kInsertMessage);
        ++nesting_;
        do {
            if (!canStartExpression()) fail(kInsertMessage);
            s.values.push_back(item(true));
        } while (accept(TokenKind::Comma));
        if (!accept(TokenKind::RightParen)) fail(kInsertMessage);
        --nesting_;
        clause_ = kInsertMessage;
    } else if (atWord("SELECT") || (at(TokenKind::LeftParen) && atWord("SELECT", 1))) {
        s.select = std::make_unique<Query>(query());
    } else {
        fail(kInsertMessage);
    }
    return s;
}

UpdateStatement Parser::update() {
    advance();  // UPDATE
    clause_ = kUpdateMessage;
    UpdateStatement s;
    if (acceptWord("DISTINCTROW")) s.predicate = SelectPredicate::DistinctRow;
    if (!atName() && !at(TokenKind::LeftParen)) fail(kUpdateMessage);
    s.target = source();
    clause_ = kUpdateMessage;
    if (!acceptWord("SET")) fail(kUpdateMessage);
    do {
        Assignment a;
        a.column = columnReference(kUpdateMessage);
        if (!accept(TokenKind::Equal)) fail(kUpdateMessage);
        if (!canStartExpression()) fail(kUpdateMessage);
        a.value = item(true);
        s.assignments.push_back(std::move(a));
    } while (accept(TokenKind::Comma));
    if (acceptWord("WHERE")) {
        clause_ = kWhereMessage;
        if (!canStartExpression()) fail(kWhereMessage);
        s.where = item(false);
    }
    return s;
}

// DELETE [DISTINCTROW] [* | T.* | columns] FROM sources [WHERE ...]
DeleteStatement Parser::deleteStatement() {
    advance();  // DELETE
    clause_ = kDeleteMessage;
    DeleteStatement s;
    if (acceptWord("DISTINCTROW")) s.predicate = SelectPredicate::DistinctRow;
    while (!atWord("FROM")) {
        if (at(TokenKind::Star)) {
            auto star = std::make_unique<Expr>();
            star->kind = ExprKind::Star;
            star->range = {advance().offset, 1};
            s.targets.push_back(std::move(star));
        } else {
            if (!canStartExpression()) fail(kDeleteMessage);
            s.targets.push_back(item(true));
        }
        if (!accept(TokenKind::Comma)) break;
    }
    if (!acceptWord("FROM")) fail(kDeleteMessage);
    clause_ = kFromMessage;
    s.from = sources();
    if (acceptWord("WHERE")) {
        clause_ = kWhereMessage;
        if (!canStartExpression()) fail(kWhereMessage);
        s.where = item(false);
    }
    return s;
}

}  // namespace jet::sql::detail
