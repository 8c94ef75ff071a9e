// Tokens of Access SQL and of the recordset filter and sort texts.
//
// The lexer never throws: text it cannot read becomes a token of one of the
// Bad* kinds, which the parser reports with the message Access gives in that
// place (a bad string inside an expression is reported with the expression's
// text). Every token carries its byte offset and length in the statement, so
// an error can point at the place.
//
// What a caller may rely on:
// - Space, tab, CR, LF and NUL separate tokens and are otherwise ignored
//   (stored data-definition texts end with a NUL).
// - Words are returned as written; `upper` holds the ASCII upper-case form for
//   keyword tests. Whether a word is a keyword is the parser's decision, so a
//   column may be named Date, Text or Value without brackets.
// - [name] and `name` give the name without its delimiters. Access names
//   cannot contain ']', so there is no escape inside brackets; a '[' inside
//   is allowed only balanced (Access 97 wrote subqueries as [SELECT ...].).
// - 'text' and "text" give the text with doubled quotes made single.
// - #...# gives the raw text between the '#'; the parser reads the date.
// - Numbers: digits with an optional fraction and exponent (".5", "1.", "1e3",
//   "2.5E-3"), and &Hhex / &Ooctal. The raw text is kept; the parser converts.
// - '?' is a positional parameter (statements sent through a data connection).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

enum class TokenKind {
    Word,          // identifier or keyword
    Name,          // [bracketed] or `quoted` name
    String,        // 'text' or "text"
    Date,          // #date#
    Number,        // 12, 1.5, 2E3, &HFF
    Parameter,     // ?
    Plus,          // +
    Minus,         // -
    Star,          // *
    Slash,         // /
    Backslash,     // \ (integer division)
    Caret,         // ^
    Ampersand,     // & (concatenation)
    Equal,         // =
    NotEqual,      // <>
    Less,          // <
    LessEqual,     // <=
    Greater,       // >
    GreaterEqual,  // >=
    LeftParen,
    RightParen,
    Comma,
    Dot,
    Bang,  // ! (Forms!Form!Control)
    Semicolon,
    End,        // after the last token
    BadString,  // a string without its closing quote
    BadDate,    // a '#' without its closing '#'
    BadName,    // a '[' without its ']', or a ']' without '['
    BadNumber,  // digits followed by letters, "1e", "&H" without digits
    BadChar,    // a character that starts no token
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;   // decoded: name without brackets, string without quotes
    std::string upper;  // ASCII upper case of a Word (empty for other kinds)
    size_t offset = 0;  // byte offset of the token's first character
    size_t length = 0;  // bytes of the token in the source, delimiters included

    bool isWord(std::string_view keyword) const {
        return kind == TokenKind::Word && upper == keyword;
    }
    size_t end() const { return offset + length; }
};

// All tokens of `source`, always ending with one End token.
std::vector<Token> tokenize(std::string_view source);

// Words the parser never reads as names (SELECT, FROM, AND, NULL, ...): a
// table or column with such a name must be written in brackets. `upper` is
// the word in ASCII upper case.
bool isReservedWord(std::string_view upper);

// A short name for messages and test output ("word", "string", "'('", ...).
std::string tokenKindName(TokenKind kind);

}  // namespace jet::sql
