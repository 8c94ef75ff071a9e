#include "jet/sql/stored_query_text.h"

namespace jet::query_text {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

bool isBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}

// The position after the quoted run that starts at `i`, or `i + 1` when the
// character there opens none.
size_t skipQuoted(std::string_view text, size_t i) {
    const char open = text[i];
    char close = 0;
    if (open == '\'' || open == '"') close = open;
    if (open == '[') close = ']';
    if (close == 0) return i + 1;
    for (size_t k = i + 1; k < text.size(); ++k) {
        if (text[k] != close) continue;
        // A doubled quote inside a string is one quote character.
        if (close != ']' && k + 1 < text.size() && text[k + 1] == close) {
            ++k;
            continue;
        }
        return k + 1;
    }
    return text.size();
}

}  // namespace

bool isWrappedInParentheses(std::string_view text) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') return false;
    int depth = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : -1;
            // Closed before the end: the first '(' does not hold it all.
            if (depth == 0 && i + 1 < text.size()) return false;
            ++i;
        } else {
            i = skipQuoted(text, i);
        }
    }
    return depth == 0;
}

sql::SourceRange widenToParentheses(std::string_view text, sql::SourceRange range) {
    for (;;) {
        size_t before = range.offset;
        while (before > 0 && isBlank(text[before - 1])) --before;
        size_t after = range.end();
        while (after < text.size() && isBlank(text[after])) ++after;
        if (before == 0 || after >= text.size() || text[before - 1] != '(' || text[after] != ')')
            return range;
        range = {before - 1, after + 1 - (before - 1)};
    }
}

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace jet::query_text
