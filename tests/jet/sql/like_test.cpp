// LIKE patterns in Access and ANSI wildcards.
#include "jet/sql/like.h"

#include <gtest/gtest.h>

#include <string>

#include "jet/error.h"

namespace jet {
namespace {

struct LikeCase {
    const char* text;
    const char* pattern;
    bool expected;
};

class AccessLike : public ::testing::TestWithParam<LikeCase> {};

TEST_P(AccessLike, Matches) {
    const LikeCase& c = GetParam();
    EXPECT_EQ(LikePattern(c.pattern).matches(c.text), c.expected)
        << "'" << c.text << "' LIKE '" << c.pattern << "'";
}

// Cases from the Access wildcard reference and its edge cases.
INSTANTIATE_TEST_SUITE_P(
    Table, AccessLike,
    ::testing::Values(
        LikeCase{"aBBBa", "a*a", true}, LikeCase{"abc", "a*a", false}, LikeCase{"aa", "a*a", true},
        LikeCase{"a", "a*a", false}, LikeCase{"a*a", "a[*]a", true},
        LikeCase{"aaa", "a[*]a", false}, LikeCase{"abcdefg", "ab*", true},
        LikeCase{"cab", "ab*", false}, LikeCase{"a?a", "a?a", true}, LikeCase{"aba", "a?a", true},
        LikeCase{"abba", "a?a", false}, LikeCase{"a0a", "a#a", true}, LikeCase{"aba", "a#a", false},
        LikeCase{"a10a", "a#a", false}, LikeCase{"f", "[a-z]", true}, LikeCase{"F", "[a-z]", true},
        LikeCase{"&", "[a-z]", false}, LikeCase{"9", "[!a-z]", true},
        LikeCase{"a", "[!a-z]", false}, LikeCase{"1", "[!0-9]", false},
        LikeCase{"A", "[!0-9]", true}, LikeCase{"az0", "a[!b-m]#", true},
        LikeCase{"aj0", "a[!b-m]#", false}, LikeCase{"Smith", "*SMITH*", true},
        LikeCase{"John Smithers", "*smith*", true}, LikeCase{"Smyth", "*smith*", false},
        LikeCase{"", "*", true}, LikeCase{"", "", true}, LikeCase{"x", "", false},
        LikeCase{"abc", "abc", true}, LikeCase{"ABC", "abc", true}, LikeCase{"abcd", "abc", false},
        LikeCase{"a-b", "a[-]b", true}, LikeCase{"a-b", "a[x-]b", true},
        LikeCase{"a]b", "a]b", true}, LikeCase{"a#b", "a[#]b", true},
        LikeCase{"a?b", "a[?]b", true}, LikeCase{"a[b", "a[[]b", true},
        LikeCase{"ab", "a[]b", true}, LikeCase{"a%b", "a%b", true}, LikeCase{"axb", "a%b", false},
        LikeCase{"a_b", "a_b", true}, LikeCase{"Grüße", "GRÜ*", true},
        LikeCase{"über", "[Ü]ber", true}, LikeCase{"é", "?", true},
        LikeCase{"xaaab", "*a*a*b", true}, LikeCase{"xaab", "*a*a*ab", false},
        LikeCase{"abab", "*ab", true}, LikeCase{"ab", "*ab*", true},
        LikeCase{"aXbXc", "a*b*c", true}, LikeCase{"acb", "a*b*c", false},
        // Middle pieces found in ASCII and in other text, led by a plain
        // character, a set or a one-character wildcard.
        LikeCase{"xxABCyy", "*abc*", true}, LikeCase{"xxABxCyy", "*abc*", false},
        LikeCase{"aab", "*ab*", true}, LikeCase{"ab", "**", true},
        LikeCase{"une \u00C9cole", "*\u00E9cole*", true},
        LikeCase{"\u00E9t\u00E9", "*T\u00C9*", true}, LikeCase{"xbcz", "*[ab]c*", true},
        LikeCase{"xdcz", "*[ab]c*", false}, LikeCase{"xxbc", "*?bc*", true},
        LikeCase{"K", "*\u212A*", true}));

class AnsiLike : public ::testing::TestWithParam<LikeCase> {};

TEST_P(AnsiLike, Matches) {
    const LikeCase& c = GetParam();
    EXPECT_EQ(LikePattern(c.pattern, LikeDialect::Ansi).matches(c.text), c.expected)
        << "'" << c.text << "' LIKE '" << c.pattern << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, AnsiLike,
    ::testing::Values(LikeCase{"Smith", "%mit%", true}, LikeCase{"Smith", "S_ith", true},
                      LikeCase{"Smith", "S_th", false}, LikeCase{"Smith", "*mit*", false},
                      LikeCase{"*mit*", "*mit*", true}, LikeCase{"a?c", "a?c", true},
                      LikeCase{"abc", "a?c", false}, LikeCase{"a#c", "a#c", true},
                      LikeCase{"a1c", "a#c", false}, LikeCase{"b", "[^a]", true},
                      LikeCase{"a", "[!a]", false}, LikeCase{"a%", "a[%]", true}));

class CombinedLike : public ::testing::TestWithParam<LikeCase> {};

TEST_P(CombinedLike, Matches) {
    const LikeCase& c = GetParam();
    EXPECT_EQ(LikePattern(c.pattern, LikeDialect::AccessAndAnsi).matches(c.text), c.expected)
        << "'" << c.text << "' LIKE '" << c.pattern << "'";
}

// Both kinds of wildcards in one pattern, as a data connection reads them.
INSTANTIATE_TEST_SUITE_P(
    Table, CombinedLike,
    ::testing::Values(LikeCase{"Smith", "%mit%", true}, LikeCase{"Smith", "*mit*", true},
                      LikeCase{"Smith", "S_i?h", true}, LikeCase{"Smith", "S_?h", false},
                      LikeCase{"Smith", "%m*h", true}, LikeCase{"Smith", "*x%", false},
                      LikeCase{"a1c", "a#c", true}, LikeCase{"a#c", "a#c", false},
                      LikeCase{"a#c", "a[#]c", true}, LikeCase{"a%", "a[%]", true},
                      LikeCase{"ab", "a[%]", false}, LikeCase{"a_", "a[_]", true},
                      LikeCase{"ab", "a[_]", false}, LikeCase{"a*", "a[*]", true},
                      LikeCase{"b", "[^a]", true}, LikeCase{"b", "[!a]", true},
                      LikeCase{"a", "[^a]", false}, LikeCase{"F", "[a-z]_", false},
                      LikeCase{"Fx", "[a-z]_", true}, LikeCase{"", "%*%", true},
                      LikeCase{"x", "_?", false}, LikeCase{"xy", "_?", true}));

TEST(LikePattern, CaseSensitiveWhenAsked) {
    LikePattern p("ab*", LikeDialect::Access, true);
    EXPECT_TRUE(p.matches("abC"));
    EXPECT_FALSE(p.matches("ABc"));
    EXPECT_FALSE(LikePattern("[a-c]", LikeDialect::Access, true).matches("B"));
}

TEST(LikePattern, MalformedSetsAreRefused) {
    for (const char* bad : {"a[bc", "[z-a]", "["}) {
        try {
            LikePattern p(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Invalid pattern string") << bad;
        }
    }
}

TEST(LikePattern, ManyRunWildcardsStayFastOnLongMisses) {
    // A backtracking matcher needs exponential time here; pieces found
    // leftmost need one pass per piece.
    std::string text(20000, 'a');
    LikePattern p("*a*a*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(p.matches(text));
    EXPECT_TRUE(p.matches(text + "b"));
}

TEST(LikeOperator, NullGivesNullAndNumbersMatchTheirText) {
    EXPECT_TRUE(likeOperator(Value::null(), Value::text("*")).isNull());
    EXPECT_TRUE(likeOperator(Value::text("a"), Value::null()).isNull());
    EXPECT_EQ(likeOperator(Value::integer(123), Value::text("1*")), Value::boolean(true));
    EXPECT_EQ(likeOperator(Value::text("abc"), Value::text("%b%"), LikeDialect::Ansi),
              Value::boolean(true));
}

}  // namespace
}  // namespace jet
