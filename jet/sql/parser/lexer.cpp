#include "jet/sql/parser/lexer.h"

#include <algorithm>
#include <array>

namespace jet::sql {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80;
}
bool isWordChar(char c) {
    return isLetter(c) || isDigit(c);
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string asciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

class Lexer {
public:
    explicit Lexer(std::string_view src) : src_(src) {}

    std::vector<Token> run() {
        std::vector<Token> out;
        for (;;) {
            while (pos_ < src_.size() && isSpace(src_[pos_])) ++pos_;
            if (pos_ >= src_.size()) break;
            out.push_back(next(out.empty() ? nullptr : &out.back()));
        }
        Token end;
        end.kind = TokenKind::End;
        end.offset = src_.size();
        out.push_back(std::move(end));
        return out;
    }

private:
    char at(size_t i) const { return i < src_.size() ? src_[i] : '\0'; }

    Token make(TokenKind kind, size_t start, std::string text = {}) const {
        Token t;
        t.kind = kind;
        t.offset = start;
        t.length = pos_ - start;
        t.text = std::move(text);
        return t;
    }

    Token next(const Token* previous) {
        const size_t start = pos_;
        const char c = src_[pos_];
        if (isLetter(c)) return word(start);
        if (isDigit(c)) return number(start);
        // ".5" is a number unless the dot follows something it can qualify.
        if (c == '.' && isDigit(at(pos_ + 1)) && !qualifiable(previous)) return number(start);
        switch (c) {
            case '[':
                return bracketName(start);
            case '`':
                return quotedName(start);
            case '\'':
            case '"':
                return string(start, c);
            case '#':
                return date(start);
            case '&':
                if (at(pos_ + 1) == 'H' || at(pos_ + 1) == 'h' || at(pos_ + 1) == 'O' ||
                    at(pos_ + 1) == 'o') {
                    return radixNumber(start);
                }
                ++pos_;
                return make(TokenKind::Ampersand, start, "&");
            case '<':
                ++pos_;
                if (at(pos_) == '>') return ++pos_, make(TokenKind::NotEqual, start, "<>");
                if (at(pos_) == '=') return ++pos_, make(TokenKind::LessEqual, start, "<=");
                return make(TokenKind::Less, start, "<");
            case '>':
                ++pos_;
                if (at(pos_) == '=') return ++pos_, make(TokenKind::GreaterEqual, start, ">=");
                return make(TokenKind::Greater, start, ">");
            default:
                break;
        }
        ++pos_;
        switch (c) {
            case '+':
                return make(TokenKind::Plus, start, "+");
            case '-':
                return make(TokenKind::Minus, start, "-");
            case '*':
                return make(TokenKind::Star, start, "*");
            case '/':
                return make(TokenKind::Slash, start, "/");
            case '\\':
                return make(TokenKind::Backslash, start, "\\");
            case '^':
                return make(TokenKind::Caret, start, "^");
            case '=':
                return make(TokenKind::Equal, start, "=");
            case '(':
                return make(TokenKind::LeftParen, start, "(");
            case ')':
                return make(TokenKind::RightParen, start, ")");
            case ',':
                return make(TokenKind::Comma, start, ",");
            case '.':
                return make(TokenKind::Dot, start, ".");
            case '!':
                return make(TokenKind::Bang, start, "!");
            case ';':
                return make(TokenKind::Semicolon, start, ";");
            case '?':
                return make(TokenKind::Parameter, start, "?");
            case ']':
                return make(TokenKind::BadName, start, "]");
            default:
                break;
        }
        return make(TokenKind::BadChar, start, std::string(src_.substr(start, pos_ - start)));
    }

    static bool qualifiable(const Token* t) {
        return t && (t->kind == TokenKind::Word || t->kind == TokenKind::Name ||
                     t->kind == TokenKind::RightParen);
    }

    Token word(size_t start) {
        while (pos_ < src_.size() && isWordChar(src_[pos_])) ++pos_;
        // VBA's string-returning function names: Mid$, Left$, Format$, ...
        if (at(pos_) == '$' && at(pos_ + 1) == '(') ++pos_;
        Token t = make(TokenKind::Word, start, std::string(src_.substr(start, pos_ - start)));
        t.upper = asciiUpper(t.text);
        return t;
    }

    Token number(size_t start) {
        while (isDigit(at(pos_))) ++pos_;
        if (at(pos_) == '.') {
            ++pos_;
            while (isDigit(at(pos_))) ++pos_;
        }
        if (at(pos_) == 'e' || at(pos_) == 'E') {
            size_t p = pos_ + 1;
            if (at(p) == '+' || at(p) == '-') ++p;
            if (!isDigit(at(p))) {
                // "1e" or "1e+" is a malformed number, but "1 End" is not: only
                // a lone E (or E with a sign) right after the digits counts.
                if (!isWordChar(at(pos_ + 1))) {
                    pos_ = p;
                    return make(TokenKind::BadNumber, start,
                                std::string(src_.substr(start, pos_ - start)));
                }
            } else {
                pos_ = p;
                while (isDigit(at(pos_))) ++pos_;
            }
        }
        return make(TokenKind::Number, start, std::string(src_.substr(start, pos_ - start)));
    }

    Token radixNumber(size_t start) {
        const bool hex = at(pos_ + 1) == 'H' || at(pos_ + 1) == 'h';
        pos_ += 2;
        const size_t digits = pos_;
        while (hex ? isHexDigit(at(pos_)) : (at(pos_) >= '0' && at(pos_) <= '7')) ++pos_;
        const TokenKind kind = pos_ == digits ? TokenKind::BadNumber : TokenKind::Number;
        return make(kind, start, std::string(src_.substr(start, pos_ - start)));
    }

    Token bracketName(size_t start) {
        ++pos_;
        int depth = 1;
        while (pos_ < src_.size()) {
            const char c = src_[pos_++];
            if (c == '[') ++depth;
            if (c == ']' && --depth == 0) {
                return make(TokenKind::Name, start,
                            std::string(src_.substr(start + 1, pos_ - start - 2)));
            }
        }
        return make(TokenKind::BadName, start, std::string(src_.substr(start)));
    }

    Token quotedName(size_t start) {
        ++pos_;
        const size_t close = src_.find('`', pos_);
        if (close == std::string_view::npos) {
            pos_ = src_.size();
            return make(TokenKind::BadName, start, std::string(src_.substr(start)));
        }
        pos_ = close + 1;
        return make(TokenKind::Name, start, std::string(src_.substr(start + 1, close - start - 1)));
    }

    Token string(size_t start, char quote) {
        ++pos_;
        std::string text;
        while (pos_ < src_.size()) {
            const char c = src_[pos_++];
            if (c != quote) {
                text += c;
            } else if (at(pos_) == quote) {
                text += quote;
                ++pos_;
            } else {
                return make(TokenKind::String, start, std::move(text));
            }
        }
        return make(TokenKind::BadString, start, std::string(src_.substr(start)));
    }

    Token date(size_t start) {
        const size_t close = src_.find('#', pos_ + 1);
        if (close == std::string_view::npos) {
            pos_ = src_.size();
            return make(TokenKind::BadDate, start, std::string(src_.substr(start)));
        }
        pos_ = close + 1;
        return make(TokenKind::Date, start, std::string(src_.substr(start + 1, close - start - 1)));
    }

    std::string_view src_;
    size_t pos_ = 0;
};

}  // namespace

std::vector<Token> tokenize(std::string_view source) {
    return Lexer(source).run();
}

bool isReservedWord(std::string_view upper) {
    static constexpr std::array<std::string_view, 50> kWords{
        "ALL",    "AND",      "ANY",         "AS",         "ASC",       "BETWEEN", "BY",
        "DESC",   "DISTINCT", "DISTINCTROW", "EQV",        "EXISTS",    "FALSE",   "FROM",
        "GROUP",  "HAVING",   "IMP",         "IN",         "INNER",     "INTO",    "IS",
        "JOIN",   "LEFT",     "LIKE",        "MOD",        "NOT",       "NULL",    "ON",
        "OR",     "ORDER",    "OUTER",       "PARAMETERS", "PERCENT",   "PIVOT",   "RIGHT",
        "SELECT", "SET",      "SOME",        "TOP",        "TRANSFORM", "TRUE",    "UNION",
        "VALUES", "WHERE",    "WITH",        "XOR",        "INSERT",    "UPDATE",  "DELETE"};
    return std::find(kWords.begin(), kWords.end(), upper) != kWords.end();
}

std::string tokenKindName(TokenKind kind) {
    switch (kind) {
        case TokenKind::Word:
            return "word";
        case TokenKind::Name:
            return "name";
        case TokenKind::String:
            return "string";
        case TokenKind::Date:
            return "date";
        case TokenKind::Number:
            return "number";
        case TokenKind::Parameter:
            return "'?'";
        case TokenKind::Plus:
            return "'+'";
        case TokenKind::Minus:
            return "'-'";
        case TokenKind::Star:
            return "'*'";
        case TokenKind::Slash:
            return "'/'";
        case TokenKind::Backslash:
            return "'\\'";
        case TokenKind::Caret:
            return "'^'";
        case TokenKind::Ampersand:
            return "'&'";
        case TokenKind::Equal:
            return "'='";
        case TokenKind::NotEqual:
            return "'<>'";
        case TokenKind::Less:
            return "'<'";
        case TokenKind::LessEqual:
            return "'<='";
        case TokenKind::Greater:
            return "'>'";
        case TokenKind::GreaterEqual:
            return "'>='";
        case TokenKind::LeftParen:
            return "'('";
        case TokenKind::RightParen:
            return "')'";
        case TokenKind::Comma:
            return "','";
        case TokenKind::Dot:
            return "'.'";
        case TokenKind::Bang:
            return "'!'";
        case TokenKind::Semicolon:
            return "';'";
        case TokenKind::End:
            return "end of text";
        case TokenKind::BadString:
            return "unterminated string";
        case TokenKind::BadDate:
            return "unterminated date";
        case TokenKind::BadName:
            return "unbalanced bracket";
        case TokenKind::BadNumber:
            return "malformed number";
        case TokenKind::BadChar:
            return "stray character";
    }
    return "token";
}

}  // namespace jet::sql
