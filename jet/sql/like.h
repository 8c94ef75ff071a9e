// LIKE patterns: compiled once, matched against many texts.
//
// Access wildcards (the default): * any run of characters, ? one character,
// # one digit 0-9, [abc] [a-z] one character of a set, [!a-z] one character
// not in it. [*] [?] [#] [[] match the character itself; [] matches
// nothing (an empty string); a hyphen first or last in a set is literal; "]"
// outside a set is literal.
//
// ANSI wildcards: % any run, _ one character, the same sets (negated with
// ! or ^); *, ? and # are plain characters.
//
// Both (statements sent through a data connection): * and % any run, ? and
// _ one character, # one digit, sets negated with ! or ^. A literal %, _,
// *, ? or # is written in a set: [%].
//
// Matching ignores case unless asked otherwise. The pattern is split at its
// run wildcards into fixed-length pieces that are found leftmost one after
// the other, so matching costs at most text length times pattern length
// (no exponential backtracking). A malformed set ("[a-", "[z-a]") throws
// jet::Error "Invalid pattern string".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/value.h"

namespace jet {

enum class LikeDialect { Access, Ansi, AccessAndAnsi };

class LikePattern {
public:
    explicit LikePattern(std::string_view pattern, LikeDialect dialect = LikeDialect::Access,
                         bool caseSensitive = false);

    bool matches(std::string_view text) const;
    bool matches(std::u32string_view text) const;

private:
    struct Token {
        enum Kind { Char, AnyOne, Digit, Set } kind = Char;
        char32_t ch = 0;  // folded unless case-sensitive
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
    };
    using Piece = std::vector<Token>;

    bool tokenMatches(const Token& t, char32_t c) const;
    // Text is any sequence of code points indexed with []: the decoded
    // code points, or the bytes of an ASCII text read in place.
    template <class Text>
    bool pieceMatchesAt(const Piece& piece, const Text& text, size_t at) const;
    template <class Text>
    bool matchesText(const Text& text) const;

    std::vector<Piece> pieces_;  // separated by run wildcards
    bool caseSensitive_;
};

// text LIKE pattern with Null rules: Null when either is Null; a non-text
// value is matched through its text.
Value likeOperator(const Value& text, const Value& pattern,
                   LikeDialect dialect = LikeDialect::Access, bool caseSensitive = false);

}  // namespace jet
