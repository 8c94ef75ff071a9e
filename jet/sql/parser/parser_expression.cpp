// Expressions: Access's operator precedence by recursive descent, literals,
// names, function calls, subqueries, and the errors Access reports for them.
#include <charconv>
#include <limits>

#include "jet/sql/parser/parser_date_literal.h"
#include "jet/sql/parser/parser_internal.h"

namespace jet::sql::detail {
namespace {

// Words after which an expression item ends: a clause starts there.
bool isClauseWord(std::string_view upper) {
    static constexpr std::string_view kWords[] = {
        "FROM",  "WHERE", "GROUP",  "HAVING", "ORDER", "UNION",  "INTO",
        "PIVOT", "SET",   "VALUES", "INNER",  "LEFT",  "RIGHT",  "JOIN",
        "ON",    "AS",    "ASC",    "DESC",   "WITH",  "SELECT", "TRANSFORM"};
    for (std::string_view w : kWords) {
        if (w == upper) return true;
    }
    return false;
}

// Reserved words that are also the names of functions: a call of one
// (followed by "(") is a function call.
bool isFunctionKeyword(std::string_view upper) {
    return upper == "LEFT" || upper == "RIGHT" || upper == "ASC";
}

std::string_view errorPrefix(ExprError e) {
    switch (e) {
        case ExprError::Generic:
            return "Syntax error";
        case ExprError::MissingOperator:
            return "Syntax error (missing operator)";
        case ExprError::Comma:
            return "Syntax error (comma)";
        case ExprError::ExtraParen:
            return "Extra )";
        case ExprError::MissingParen:
            return "Missing ), ], or Item";
        case ExprError::String:
            return "Syntax error in string";
        case ExprError::Date:
            return "Syntax error in date";
        case ExprError::Number:
            return "Syntax error in number";
        case ExprError::BetweenWithoutAnd:
            return "Between operator without And";
        case ExprError::InWithoutParens:
            return "In operator without ()";
        case ExprError::BadQualifier:
            return "Invalid use of '.', '!', or '()'";
    }
    return "Syntax error";
}

bool comparisonOp(const Token& t, BinaryOp& op) {
    switch (t.kind) {
        case TokenKind::Equal:
            op = BinaryOp::Equal;
            return true;
        case TokenKind::NotEqual:
            op = BinaryOp::NotEqual;
            return true;
        case TokenKind::Less:
            op = BinaryOp::Less;
            return true;
        case TokenKind::LessEqual:
            op = BinaryOp::LessEqual;
            return true;
        case TokenKind::Greater:
            op = BinaryOp::Greater;
            return true;
        case TokenKind::GreaterEqual:
            op = BinaryOp::GreaterEqual;
            return true;
        default:
            return false;
    }
}

ExprPtr node(ExprKind kind) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    return e;
}

bool isNullLiteral(const Expr& e) {
    return e.kind == ExprKind::Literal && e.value.isNull();
}

// &Hhex and &Ooctal as VBA reads them: up to 16 bits an Integer (so &HFFFF
// is -1), up to 32 bits a Long; more is an overflow.
std::optional<int64_t> radixValue(std::string_view text) {
    const bool hex = text[1] == 'H' || text[1] == 'h';
    uint64_t v = 0;
    for (char c : text.substr(2)) {
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v * (hex ? 16 : 8) + static_cast<uint64_t>(digit);
        if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    if (v <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(v));
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace

ExprPtr Parser::binary(BinaryOp op, ExprPtr left, ExprPtr right) const {
    auto e = node(ExprKind::Binary);
    e->binaryOp = op;
    e->range = rangeFrom(left->range.offset);
    e->operands.push_back(std::move(left));
    e->operands.push_back(std::move(right));
    return e;
}

size_t Parser::itemEndOffset() const {
    int depth = 0;
    size_t end = tokens_[itemStart_].offset;
    for (size_t i = itemStart_; i < tokens_.size(); ++i) {
        const Token& t = tokens_[i];
        if (t.kind == TokenKind::End || t.kind == TokenKind::Semicolon) break;
        if (depth == 0) {
            if (t.kind == TokenKind::Comma && itemList_) break;
            if (t.kind == TokenKind::RightParen && nesting_ > 0) break;
            const bool call = i + 1 < tokens_.size() && tokens_[i + 1].kind == TokenKind::LeftParen;
            if (t.kind == TokenKind::Word && isClauseWord(t.upper) && !call && i > itemStart_)
                break;
        }
        if (t.kind == TokenKind::LeftParen) ++depth;
        if (t.kind == TokenKind::RightParen && depth > 0) --depth;
        end = t.end();
    }
    return end;
}

void Parser::failExpr(ExprError error) const {
    const size_t start = tokens_[itemStart_].offset;
    const size_t end = std::max(itemEndOffset(), start);
    failAt(std::string(errorPrefix(error)) + " in query expression '" +
               std::string(text_.substr(start, end - start)) + "'.",
           peek().offset);
}

bool Parser::canStartExpression() const {
    const Token& t = peek();
    switch (t.kind) {
        case TokenKind::Word:
            return !isReservedWord(t.upper) || t.upper == "NOT" || t.upper == "EXISTS" ||
                   t.upper == "TRUE" || t.upper == "FALSE" || t.upper == "NULL" ||
                   (isFunctionKeyword(t.upper) && at(TokenKind::LeftParen, 1));
        case TokenKind::Comma:
        case TokenKind::Semicolon:
        case TokenKind::End:
        case TokenKind::RightParen:
        case TokenKind::Equal:
        case TokenKind::NotEqual:
        case TokenKind::Less:
        case TokenKind::LessEqual:
        case TokenKind::Greater:
        case TokenKind::GreaterEqual:
        case TokenKind::Star:
        case TokenKind::Slash:
        case TokenKind::Backslash:
        case TokenKind::Caret:
        case TokenKind::Ampersand:
        case TokenKind::Dot:
        case TokenKind::Bang:
            return false;
        default:
            return true;
    }
}

ExprPtr Parser::item(bool list) {
    const size_t savedStart = itemStart_;
    const bool savedList = itemList_;
    itemStart_ = pos_;
    itemList_ = list;
    ExprPtr e = expression();
    checkItemEnd(list);
    itemStart_ = savedStart;
    itemList_ = savedList;
    return e;
}

void Parser::checkItemEnd(bool list) const {
    const Token& t = peek();
    switch (t.kind) {
        case TokenKind::End:
        case TokenKind::Semicolon:
            return;
        case TokenKind::Comma:
            if (list) return;
            failExpr(ExprError::Comma);
        case TokenKind::RightParen:
            if (nesting_ > 0) return;
            failExpr(ExprError::ExtraParen);
        case TokenKind::Word:
            if (isReservedWord(t.upper)) return;
            failExpr(ExprError::MissingOperator);
        case TokenKind::BadString:
            failExpr(ExprError::String);
        case TokenKind::BadDate:
            failExpr(ExprError::Date);
        case TokenKind::BadNumber:
            failExpr(ExprError::Number);
        default:
            failExpr(ExprError::MissingOperator);
    }
}

ExprPtr Parser::expression() {
    const NestingGuard guard(*this);
    return imp();
}

ExprPtr Parser::imp() {
    ExprPtr left = eqv();
    while (acceptWord("IMP")) left = binary(BinaryOp::Imp, std::move(left), eqv());
    return left;
}

ExprPtr Parser::eqv() {
    ExprPtr left = xorLevel();
    while (acceptWord("EQV")) left = binary(BinaryOp::Eqv, std::move(left), xorLevel());
    return left;
}

ExprPtr Parser::xorLevel() {
    ExprPtr left = orLevel();
    while (acceptWord("XOR")) left = binary(BinaryOp::Xor, std::move(left), orLevel());
    return left;
}

ExprPtr Parser::orLevel() {
    ExprPtr left = andLevel();
    while (acceptWord("OR")) left = binary(BinaryOp::Or, std::move(left), andLevel());
    return left;
}

ExprPtr Parser::andLevel() {
    ExprPtr left = notLevel();
    while (acceptWord("AND")) left = binary(BinaryOp::And, std::move(left), notLevel());
    return left;
}

ExprPtr Parser::notLevel() {
    const NestingGuard guard(*this);
    if (!atWord("NOT")) return comparison();
    const size_t start = advance().offset;
    auto e = node(ExprKind::Unary);
    e->unaryOp = UnaryOp::Not;
    e->operands.push_back(notLevel());
    e->range = rangeFrom(start);
    return e;
}

ExprPtr Parser::comparison() {
    ExprPtr left = concat();
    for (;;) {
        const size_t start = left->range.offset;
        BinaryOp op;
        if (comparisonOp(peek(), op)) {
            advance();
            if ((atWord("ANY") || atWord("SOME") || atWord("ALL")) && at(TokenKind::LeftParen, 1) &&
                atWord("SELECT", 2)) {
                auto q = node(ExprKind::Quantified);
                q->binaryOp = op;
                q->quantifier = advance().upper == "ALL" ? Quantifier::All : Quantifier::Any;
                q->subquery = parenthesizedSubquery(true);
                q->operands.push_back(std::move(left));
                q->range = rangeFrom(start);
                left = std::move(q);
                continue;
            }
            ExprPtr right = atWord("NOT") ? notLevel() : concat();
            if (dialect_ == Dialect::Filter && isNullLiteral(*right) &&
                (op == BinaryOp::Equal || op == BinaryOp::NotEqual)) {
                // The filter builders write the null tests as "F = NULL" and
                // "F <> NULL".
                auto e = node(ExprKind::IsNull);
                e->negated = op == BinaryOp::NotEqual;
                e->operands.push_back(std::move(left));
                e->range = rangeFrom(start);
                left = std::move(e);
            } else {
                left = binary(op, std::move(left), std::move(right));
            }
            continue;
        }
        bool negated = false;
        if (atWord("NOT") && (atWord("LIKE", 1) || atWord("BETWEEN", 1) || atWord("IN", 1))) {
            advance();
            negated = true;
        }
        ExprPtr e;
        if (acceptWord("LIKE")) {
            e = node(ExprKind::Like);
            e->wildcards = options_.likeWildcards;
            e->operands.push_back(std::move(left));
            e->operands.push_back(concat());
        } else if (acceptWord("BETWEEN")) {
            e = node(ExprKind::Between);
            e->operands.push_back(std::move(left));
            e->operands.push_back(concat());
            if (!acceptWord("AND")) failExpr(ExprError::BetweenWithoutAnd);
            e->operands.push_back(concat());
        } else if (acceptWord("IN")) {
            if (!at(TokenKind::LeftParen)) failExpr(ExprError::InWithoutParens);
            if (atWord("SELECT", 1)) {
                e = node(ExprKind::InSubquery);
                e->operands.push_back(std::move(left));
                e->subquery = parenthesizedSubquery(true);
            } else {
                advance();
                e = node(ExprKind::InList);
                e->operands.push_back(std::move(left));
                for (;;) {
                    e->operands.push_back(expression());
                    if (accept(TokenKind::Comma)) continue;
                    if (accept(TokenKind::RightParen)) break;
                    failExpr(canStartExpression() ? ExprError::MissingOperator
                                                  : ExprError::MissingParen);
                }
            }
        } else if (acceptWord("IS")) {
            e = node(ExprKind::IsNull);
            e->negated = acceptWord("NOT");
            if (!acceptWord("NULL")) failExpr(ExprError::Generic);
            e->operands.push_back(std::move(left));
        } else {
            return left;
        }
        e->negated = e->negated || negated;
        e->range = rangeFrom(start);
        left = std::move(e);
    }
}

ExprPtr Parser::concat() {
    ExprPtr left = additive();
    while (accept(TokenKind::Ampersand))
        left = binary(BinaryOp::Concat, std::move(left), additive());
    return left;
}

ExprPtr Parser::additive() {
    ExprPtr left = modulo();
    for (;;) {
        if (accept(TokenKind::Plus)) {
            left = binary(BinaryOp::Add, std::move(left), modulo());
        } else if (accept(TokenKind::Minus)) {
            left = binary(BinaryOp::Subtract, std::move(left), modulo());
        } else {
            return left;
        }
    }
}

ExprPtr Parser::modulo() {
    ExprPtr left = intDivide();
    while (acceptWord("MOD")) left = binary(BinaryOp::Modulo, std::move(left), intDivide());
    return left;
}

ExprPtr Parser::intDivide() {
    ExprPtr left = multiplicative();
    while (accept(TokenKind::Backslash)) {
        left = binary(BinaryOp::IntDivide, std::move(left), multiplicative());
    }
    return left;
}

ExprPtr Parser::multiplicative() {
    ExprPtr left = unary();
    for (;;) {
        if (accept(TokenKind::Star)) {
            left = binary(BinaryOp::Multiply, std::move(left), unary());
        } else if (accept(TokenKind::Slash)) {
            left = binary(BinaryOp::Divide, std::move(left), unary());
        } else {
            return left;
        }
    }
}

ExprPtr Parser::unary() {
    const NestingGuard guard(*this);
    if (!at(TokenKind::Minus) && !at(TokenKind::Plus)) return power();
    const Token& sign = advance();
    auto e = node(ExprKind::Unary);
    e->unaryOp = sign.kind == TokenKind::Minus ? UnaryOp::Negate : UnaryOp::Plus;
    e->operands.push_back(unary());
    e->range = rangeFrom(sign.offset);
    return e;
}

// ^ binds tighter than a sign before it (-2^2 is -4) but takes a signed
// exponent (2^-1 is 0.5); it reads left to right (2^3^2 is 64).
ExprPtr Parser::power() {
    ExprPtr left = primary();
    while (accept(TokenKind::Caret))
        left = binary(BinaryOp::Power, std::move(left), powerOperand());
    return left;
}

ExprPtr Parser::powerOperand() {
    const NestingGuard guard(*this);
    if (!at(TokenKind::Minus) && !at(TokenKind::Plus)) return primary();
    const Token& sign = advance();
    auto e = node(ExprKind::Unary);
    e->unaryOp = sign.kind == TokenKind::Minus ? UnaryOp::Negate : UnaryOp::Plus;
    e->operands.push_back(powerOperand());
    e->range = rangeFrom(sign.offset);
    return e;
}

ExprPtr Parser::primary() {
    const Token& t = peek();
    switch (t.kind) {
        case TokenKind::Number:
        case TokenKind::String:
        case TokenKind::Date:
            return literal();
        case TokenKind::Parameter: {
            auto e = node(ExprKind::Parameter);
            e->parameterIndex = parameterCount_++;
            e->range = {advance().offset, 1};
            return e;
        }
        case TokenKind::LeftParen: {
            if (atWord("SELECT", 1)) {
                const size_t start = t.offset;
                auto e = node(ExprKind::Subquery);
                e->subquery = parenthesizedSubquery(true);
                e->range = rangeFrom(start);
                return e;
            }
            // The range takes in the parentheses, so that the text of an
            // operand, and of the operation around it, is whole.
            const size_t start = advance().offset;
            ExprPtr e = expression();
            if (accept(TokenKind::RightParen)) {
                e->range = rangeFrom(start);
                return e;
            }
            if (at(TokenKind::Comma)) failExpr(ExprError::Comma);
            failExpr(canStartExpression() ? ExprError::MissingOperator : ExprError::MissingParen);
        }
        case TokenKind::Name:
            return namePath();
        case TokenKind::Word:
            break;
        case TokenKind::BadString:
            failExpr(ExprError::String);
        case TokenKind::BadDate:
            failExpr(ExprError::Date);
        case TokenKind::BadNumber:
            failExpr(ExprError::Number);
        case TokenKind::BadName:
            name("");
            break;
        default:
            failExpr(ExprError::Generic);
    }
    if (t.upper == "TRUE" || t.upper == "FALSE" || t.upper == "NULL") return literal();
    if (t.upper == "EXISTS") {
        const size_t start = advance().offset;
        if (!at(TokenKind::LeftParen) || !atWord("SELECT", 1)) failExpr(ExprError::Generic);
        auto e = node(ExprKind::Exists);
        e->subquery = parenthesizedSubquery(true);
        e->range = rangeFrom(start);
        return e;
    }
    if (t.upper == "NOT") return notLevel();
    const bool call = at(TokenKind::LeftParen, 1);
    if (isReservedWord(t.upper) && !(call && isFunctionKeyword(t.upper))) {
        failExpr(ExprError::Generic);
    }
    return call ? functionCall() : namePath();
}

ExprPtr Parser::literal() {
    const Token& t = advance();
    auto e = node(ExprKind::Literal);
    e->range = {t.offset, t.length};
    switch (t.kind) {
        case TokenKind::String:
            e->value = Value::text(t.text);
            return e;
        case TokenKind::Date: {
            const auto days = parseDateLiteral(t.text);
            if (!days) {
                --pos_;
                failExpr(ExprError::Date);
            }
            e->value = Value::dateTime(*days);
            return e;
        }
        case TokenKind::Number:
            break;
        default:
            e->value = t.upper == "TRUE"    ? Value::boolean(true)
                       : t.upper == "FALSE" ? Value::boolean(false)
                                            : Value::null();
            return e;
    }
    const std::string& s = t.text;
    if (s[0] == '&') {
        const auto v = radixValue(s);
        if (!v) {
            --pos_;
            failExpr(ExprError::Number);
        }
        e->value = Value::integer(*v);
        return e;
    }
    // Whole numbers within a Long are Longs; larger ones and any number with
    // a fraction or exponent are Doubles, as in Access.
    if (s.find_first_of(".eE") == std::string::npos) {
        int64_t v = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ec == std::errc() && v <= std::numeric_limits<int32_t>::max()) {
            e->value = Value::integer(v);
            return e;
        }
    }
    double d = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), d);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
        --pos_;
        failExpr(ExprError::Number);
    }
    e->value = Value::real(d);
    return e;
}

// name, T.name, [T].[name], Forms!F!C, T.*
ExprPtr Parser::namePath() {
    auto e = node(ExprKind::Column);
    const size_t start = peek().offset;
    e->names.push_back(advance().text);
    while (at(TokenKind::Dot) || at(TokenKind::Bang)) {
        const Token& sep = peek();
        const Token& next = peek(1);
        if (next.kind == TokenKind::Star && sep.kind == TokenKind::Dot) {
            advance();
            advance();
            e->kind = ExprKind::Star;
            break;
        }
        const bool part = next.kind == TokenKind::Name ||
                          (next.kind == TokenKind::Word && !isReservedWord(next.upper));
        if (!part) {
            advance();
            if (next.kind == TokenKind::BadName) name("");
            failExpr(ExprError::BadQualifier);
        }
        e->separators += advance().text;
        e->names.push_back(advance().text);
    }
    e->range = rangeFrom(start);
    return e;
}

ExprPtr Parser::functionCall() {
    auto e = node(ExprKind::Function);
    const size_t start = peek().offset;
    e->names.push_back(advance().text);
    advance();  // (
    if (!accept(TokenKind::RightParen)) {
        if (at(TokenKind::Star) && at(TokenKind::RightParen, 1)) {
            advance();
            e->starArgument = true;
        } else {
            if (acceptWord("DISTINCT")) {
                e->distinct = true;
            } else {
                acceptWord("ALL");
            }
            e->operands.push_back(expression());
            while (accept(TokenKind::Comma)) e->operands.push_back(expression());
        }
        if (!accept(TokenKind::RightParen)) {
            failExpr(canStartExpression() ? ExprError::MissingOperator : ExprError::MissingParen);
        }
    }
    e->range = rangeFrom(start);
    return e;
}

}  // namespace jet::sql::detail
