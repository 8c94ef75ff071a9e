// SELECT, UNION, FROM with Access's joins, ORDER BY and TRANSFORM ... PIVOT.
#include <charconv>

#include "jet/sql/parser/parser_internal.h"

namespace jet::sql::detail {
namespace {

constexpr std::string_view kFromMessage = "Syntax error in FROM clause.";
constexpr std::string_view kJoinMessage = "Syntax error in JOIN operation.";
constexpr std::string_view kOrderByMessage = "Syntax error in ORDER BY clause.";
constexpr std::string_view kGroupByMessage = "Syntax error in GROUP BY clause.";
constexpr std::string_view kWhereMessage = "Syntax error in WHERE clause.";
constexpr std::string_view kHavingMessage = "Syntax error in HAVING clause.";
constexpr std::string_view kUnionMessage = "Syntax error in union query.";
constexpr std::string_view kTransformMessage = "Syntax error in TRANSFORM statement.";

bool startsWithSelect(std::string_view text) {
    size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\r' || text[i] == '\n' || text[i] == '\t'))
        ++i;
    if (text.size() < i + 7) return false;
    for (size_t k = 0; k < 6; ++k) {
        if ((text[i + k] & ~0x20) != "SELECT"[k]) return false;
    }
    const char after = text[i + 6];
    return after == ' ' || after == '\r' || after == '\n' || after == '\t';
}

}  // namespace

Query Parser::query() {
    Query q;
    const size_t start = peek().offset;
    for (;;) {
        if (at(TokenKind::LeftParen) && atWord("SELECT", 1)) {
            // (SELECT ...) as one part of a UNION.
            advance();
            ++nesting_;
            q.parts.push_back(selectCore());
            if (!accept(TokenKind::RightParen)) fail(kUnionMessage);
            --nesting_;
        } else {
            if (!atWord("SELECT")) fail(q.parts.empty() ? kInvalidStatement : kUnionMessage);
            q.parts.push_back(selectCore());
        }
        if (!acceptWord("UNION")) break;
        clause_ = kUnionMessage;
        q.unionAll.push_back(acceptWord("ALL"));
        if (!q.unionAll.back()) acceptWord("DISTINCT");
    }
    if (atWord("ORDER")) q.orderBy = orderBy();
    q.range = rangeFrom(start);
    return q;
}

SelectCore Parser::selectCore() {
    SelectCore core;
    const size_t start = advance().offset;  // SELECT
    clause_ = kSelectMessage;
    if (acceptWord("DISTINCT")) {
        core.predicate = SelectPredicate::Distinct;
    } else if (acceptWord("DISTINCTROW")) {
        core.predicate = SelectPredicate::DistinctRow;
    } else {
        acceptWord("ALL");
    }
    if (acceptWord("TOP")) {
        if (!at(TokenKind::Number)) fail(kSelectMessage);
        const std::string& n = advance().text;
        Top top;
        const auto r = std::from_chars(n.data(), n.data() + n.size(), top.count);
        if (r.ec != std::errc() || top.count <= 0) fail(kSelectMessage);
        top.percent = acceptWord("PERCENT");
        core.top = top;
    }
    // The select list.
    for (;;) {
        SelectItem item;
        if (at(TokenKind::Star)) {
            auto star = std::make_unique<Expr>();
            star->kind = ExprKind::Star;
            star->range = {advance().offset, 1};
            item.expr = std::move(star);
        } else {
            if (!canStartExpression()) fail(kSelectMessage);
            item.expr = this->item(true);
            if (acceptWord("AS")) item.alias = name(kSelectMessage);
        }
        core.items.push_back(std::move(item));
        if (!accept(TokenKind::Comma)) break;
    }
    if (acceptWord("INTO")) {
        IntoTarget into;
        into.table = name(kSelectMessage);
        into.database = externalDatabase();
        core.into = std::move(into);
    }
    if (acceptWord("FROM")) {
        clause_ = kFromMessage;
        core.from = sources();
    }
    if (acceptWord("WHERE")) {
        clause_ = kWhereMessage;
        if (!canStartExpression()) fail(kWhereMessage);
        core.where = item(false);
    }
    if (atWord("GROUP")) {
        advance();
        clause_ = kGroupByMessage;
        if (!acceptWord("BY") || !canStartExpression()) fail(kGroupByMessage);
        core.groupBy.push_back(item(true));
        while (accept(TokenKind::Comma)) {
            if (!canStartExpression()) fail(kGroupByMessage);
            core.groupBy.push_back(item(true));
        }
    }
    if (acceptWord("HAVING")) {
        clause_ = kHavingMessage;
        if (!canStartExpression()) fail(kHavingMessage);
        core.having = item(false);
    }
    core.range = rangeFrom(start);
    return core;
}

std::vector<OrderItem> Parser::orderBy() {
    advance();  // ORDER
    clause_ = kOrderByMessage;
    if (!acceptWord("BY")) fail(kOrderByMessage);
    std::vector<OrderItem> items;
    do {
        if (!canStartExpression()) fail(kOrderByMessage);
        OrderItem o;
        o.expr = item(true);
        if (acceptWord("DESC")) {
            o.descending = true;
        } else {
            acceptWord("ASC");
        }
        items.push_back(std::move(o));
    } while (accept(TokenKind::Comma));
    return items;
}

QueryPtr Parser::parenthesizedSubquery(bool inExpression) {
    advance();  // (
    ++nesting_;
    const std::string_view savedClause = clause_;
    auto q = std::make_unique<Query>(query());
    // A form's record source saved into a query keeps its own ";" inside the
    // parentheses: "FROM (SELECT ... ORDER BY x; ) AS T". Access reads it.
    if (!inExpression && at(TokenKind::Semicolon) && at(TokenKind::RightParen, 1)) advance();
    if (!accept(TokenKind::RightParen)) {
        if (inExpression && at(TokenKind::End)) failExpr(ExprError::MissingParen);
        fail(clause_);
    }
    --nesting_;
    clause_ = savedClause;
    return q;
}

std::vector<TableRefPtr> Parser::sources() {
    std::vector<TableRefPtr> out;
    out.push_back(source());
    while (accept(TokenKind::Comma)) out.push_back(source());
    // What may follow the sources: a clause, the end, or the ')' of a subquery.
    const Token& t = peek();
    const bool fine = t.kind == TokenKind::End || t.kind == TokenKind::Semicolon ||
                      (t.kind == TokenKind::RightParen && nesting_ > 0) ||
                      (t.kind == TokenKind::Word && isReservedWord(t.upper));
    if (!fine) fail(kFromMessage);
    return out;
}

// A source with the joins that follow it: a INNER JOIN b ON ... LEFT JOIN c ON ...
// reads left to right, ((a JOIN b) JOIN c).
TableRefPtr Parser::source() {
    TableRefPtr left = sourcePrimary();
    for (;;) {
        JoinType type;
        if (atWord("INNER")) {
            type = JoinType::Inner;
        } else if (atWord("LEFT")) {
            type = JoinType::Left;
        } else if (atWord("RIGHT")) {
            type = JoinType::Right;
        } else {
            return left;
        }
        advance();
        if (type != JoinType::Inner) acceptWord("OUTER");
        if (!acceptWord("JOIN")) fail(kJoinMessage);
        auto join = std::make_unique<TableRef>();
        join->kind = TableRef::Kind::Join;
        join->joinType = type;
        join->right = sourcePrimary();
        if (!acceptWord("ON")) fail(kJoinMessage);
        if (!canStartExpression()) fail(kJoinMessage);
        join->condition = item(true);
        const size_t start = left->range.offset;
        join->left = std::move(left);
        join->range = rangeFrom(start);
        left = std::move(join);
    }
}

TableRefPtr Parser::sourcePrimary() {
    const NestingGuard guard(*this);
    auto ref = std::make_unique<TableRef>();
    const size_t start = peek().offset;
    if (at(TokenKind::LeftParen)) {
        if (atWord("SELECT", 1)) {
            ref->kind = TableRef::Kind::Subquery;
            ref->subquery = parenthesizedSubquery(false);
            clause_ = kFromMessage;
            ref->alias = optionalAlias();
            ref->range = rangeFrom(start);
            return ref;
        }
        // Access puts each join of a chain in parentheses:
        // (a INNER JOIN b ON ...) INNER JOIN c ON ...
        advance();
        ++nesting_;
        TableRefPtr inner = source();
        if (!accept(TokenKind::RightParen)) fail(kFromMessage);
        --nesting_;
        return inner;
    }
    if (at(TokenKind::Name) && at(TokenKind::Dot, 1) && startsWithSelect(peek().text)) {
        // Access 97 wrote a subquery in FROM as [SELECT ...]. AS alias.
        const Token& t = advance();
        advance();  // .
        Parser inner(t.text, options_, dialect_);
        Statement s;
        try {
            s = inner.statement();
        } catch (const SyntaxError& e) {
            throw SyntaxError(e.what(), t.offset + 1 + e.offset());
        }
        if (!s.query() || !s.parameters.empty()) failAt(kFromMessage, t.offset);
        ref->kind = TableRef::Kind::Subquery;
        ref->subquery = std::make_unique<Query>(std::move(std::get<Query>(s.body)));
        ref->alias = optionalAlias();
        ref->range = rangeFrom(start);
        return ref;
    }
    ref->name = name(kFromMessage);
    ref->database = externalDatabase();
    ref->alias = optionalAlias();
    ref->range = rangeFrom(start);
    return ref;
}

// [AS] alias after a source; AS is optional there.
std::string Parser::optionalAlias() {
    if (acceptWord("AS")) return name(kFromMessage);
    if (atName()) return advance().text;
    return {};
}

// IN 'path' [connect] after a table name.
std::optional<ExternalDatabase> Parser::externalDatabase() {
    if (!atWord("IN") || !(at(TokenKind::String, 1) || at(TokenKind::Name, 1))) return std::nullopt;
    advance();
    ExternalDatabase db;
    if (at(TokenKind::String)) {
        db.path = advance().text;
        if (at(TokenKind::Name)) db.connect = advance().text;
    } else {
        db.connect = advance().text;  // IN [ODBC;...] names only the connection
    }
    return db;
}

// TRANSFORM value [AS alias] SELECT ... PIVOT expr [IN (values)]
CrosstabQuery Parser::crosstab() {
    advance();  // TRANSFORM
    clause_ = kTransformMessage;
    CrosstabQuery c;
    if (!canStartExpression()) fail(kTransformMessage);
    c.value.expr = item(false);
    if (acceptWord("AS")) c.value.alias = name(kTransformMessage);
    if (!atWord("SELECT")) fail(kTransformMessage);
    c.select = query();
    if (!acceptWord("PIVOT")) fail(kTransformMessage);
    clause_ = kTransformMessage;
    if (!canStartExpression()) fail(kTransformMessage);
    c.pivot = item(false);
    // "PIVOT x IN (a, b)" reads as the expression x IN (a, b); the list is
    // the fixed column headings.
    if (c.pivot->kind == ExprKind::InList && !c.pivot->negated) {
        ExprPtr in = std::move(c.pivot);
        c.pivot = std::move(in->operands.front());
        for (size_t i = 1; i < in->operands.size(); ++i) {
            c.pivotValues.push_back(std::move(in->operands[i]));
        }
    }
    return c;
}

}  // namespace jet::sql::detail
