#include "jet/sql/like.h"

#include <unicode/uchar.h>

#include "jet/error.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

[[noreturn]] void throwInvalidPattern() {
    throw Error(ErrorCode::InvalidArgument, "Invalid pattern string");
}

}  // namespace

LikePattern::LikePattern(std::string_view pattern, LikeDialect dialect, bool caseSensitive)
    : caseSensitive_(caseSensitive) {
    const bool access = dialect != LikeDialect::Ansi;
    const bool ansi = dialect != LikeDialect::Access;
    auto isRunWildcard = [&](char32_t c) { return (access && c == U'*') || (ansi && c == U'%'); };
    auto isOneWildcard = [&](char32_t c) { return (access && c == U'?') || (ansi && c == U'_'); };
    std::u32string p = utf8ToCodePoints(pattern);
    pieces_.emplace_back();
    for (size_t i = 0; i < p.size(); ++i) {
        char32_t c = p[i];
        Token t;
        if (isRunWildcard(c)) {
            pieces_.emplace_back();
            continue;
        }
        if (isOneWildcard(c)) {
            t.kind = Token::AnyOne;
        } else if (c == U'#' && access) {
            t.kind = Token::Digit;
        } else if (c == U'[') {
            size_t j = i + 1;
            size_t close = p.find(U']', j);
            if (close == std::u32string::npos) throwInvalidPattern();
            if (close == j) {  // "[]" stands for an empty string
                i = close;
                continue;
            }
            t.kind = Token::Set;
            if (p[j] == U'!' || (ansi && p[j] == U'^')) {
                t.negated = true;
                ++j;
            }
            while (j < close) {
                char32_t lo = p[j];
                if (j + 2 < close && p[j + 1] == U'-') {
                    char32_t hi = p[j + 2];
                    if (hi < lo) throwInvalidPattern();
                    t.ranges.emplace_back(lo, hi);
                    j += 3;
                } else {
                    t.ranges.emplace_back(lo, lo);
                    ++j;
                }
            }
            i = close;
        } else {
            t.kind = Token::Char;
            t.ch = caseSensitive ? c : foldCase(c);
        }
        pieces_.back().push_back(std::move(t));
    }
}

bool LikePattern::tokenMatches(const Token& t, char32_t c) const {
    switch (t.kind) {
        case Token::AnyOne:
            return true;
        case Token::Digit:
            return c >= U'0' && c <= U'9';
        case Token::Char:
            return (caseSensitive_ ? c : foldCase(c)) == t.ch;
        case Token::Set: {
            auto inSet = [&](char32_t x) {
                for (const auto& [lo, hi] : t.ranges)
                    if (x >= lo && x <= hi) return true;
                return false;
            };
            bool found = inSet(c);
            if (!found && !caseSensitive_) {
                found = inSet(static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)))) ||
                        inSet(static_cast<char32_t>(u_toupper(static_cast<UChar32>(c))));
            }
            return found != t.negated;
        }
    }
    return false;
}

namespace {

// The bytes of a text of ASCII characters only, seen as code points without
// decoding: most texts a filter meets, matched without a copy.
class AsciiText {
public:
    explicit AsciiText(std::string_view text) : text_(text) {}
    size_t size() const { return text_.size(); }
    char32_t operator[](size_t i) const { return static_cast<unsigned char>(text_[i]); }

private:
    std::string_view text_;
};

bool isAsciiText(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

template <class Text>
bool LikePattern::pieceMatchesAt(const Piece& piece, const Text& text, size_t at) const {
    if (at + piece.size() > text.size()) return false;
    for (size_t k = 0; k < piece.size(); ++k)
        if (!tokenMatches(piece[k], text[at + k])) return false;
    return true;
}

bool LikePattern::matches(std::string_view text) const {
    if (isAsciiText(text)) return matchesText(AsciiText(text));
    return matches(utf8ToCodePoints(text));
}

bool LikePattern::matches(std::u32string_view text) const {
    return matchesText(text);
}

template <class Text>
bool LikePattern::matchesText(const Text& text) const {
    if (pieces_.size() == 1) {
        return text.size() == pieces_[0].size() && pieceMatchesAt(pieces_[0], text, 0);
    }
    const Piece& first = pieces_.front();
    const Piece& last = pieces_.back();
    if (first.size() + last.size() > text.size()) return false;
    if (!pieceMatchesAt(first, text, 0)) return false;
    size_t end = text.size() - last.size();
    if (!pieceMatchesAt(last, text, end)) return false;
    // Middle pieces, each at its leftmost place after the previous one; the
    // leftmost choice leaves the most room for the rest.
    size_t pos = first.size();
    for (size_t k = 1; k + 1 < pieces_.size(); ++k) {
        const Piece& piece = pieces_[k];
        // A piece that starts with a plain character is only tried where
        // that character is.
        const bool plainLead = !piece.empty() && piece.front().kind == Token::Char;
        const char32_t lead = plainLead ? piece.front().ch : 0;
        bool found = false;
        while (pos + piece.size() <= end) {
            if (plainLead && (caseSensitive_ ? text[pos] : foldCase(text[pos])) != lead) {
                ++pos;
                continue;
            }
            if (pieceMatchesAt(piece, text, pos)) {
                found = true;
                break;
            }
            ++pos;
        }
        if (!found) return false;
        pos += piece.size();
    }
    return true;
}

Value likeOperator(const Value& text, const Value& pattern, LikeDialect dialect,
                   bool caseSensitive) {
    if (text.isNull() || pattern.isNull()) return Value::null();
    const SqlLocale& locale = englishUnitedStates();
    LikePattern compiled(toText(pattern, locale), dialect, caseSensitive);
    return Value::boolean(compiled.matches(toText(text, locale)));
}

}  // namespace jet
