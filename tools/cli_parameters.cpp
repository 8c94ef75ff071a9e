#include "tools/cli_parameters.h"

#include <charconv>
#include <limits>
#include <stdexcept>

#include "jet/sql/functions/value_ops_text.h"
#include "jet/sql/parser/parser_date_literal.h"

namespace tools {

namespace {

jet::Value literalValue(std::string_view text) {
    if (text.size() >= 2 && text.front() == '#' && text.back() == '#') {
        if (const auto days = jet::sql::parseDateLiteral(text.substr(1, text.size() - 2))) {
            return jet::Value::dateTime(*days);
        }
        throw std::invalid_argument("not a date: " + std::string(text));
    }
    if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') &&
        text.back() == text.front()) {
        return jet::Value::text(std::string(text.substr(1, text.size() - 2)));
    }
    const std::string upper = jet::upperText(text);
    if (upper == "NULL") return jet::Value::null();
    if (upper == "TRUE") return jet::Value::boolean(true);
    if (upper == "FALSE") return jet::Value::boolean(false);
    const char* first = text.data();
    const char* last = text.data() + text.size();
    int64_t whole = 0;
    if (auto [end, ec] = std::from_chars(first, last, whole); ec == std::errc() && end == last) {
        if (whole >= std::numeric_limits<int32_t>::min() &&
            whole <= std::numeric_limits<int32_t>::max()) {
            return jet::Value::integer(whole);
        }
    }
    double real = 0;
    if (auto [end, ec] = std::from_chars(first, last, real); ec == std::errc() && end == last) {
        return jet::Value::real(real);
    }
    return jet::Value::text(std::string(text));
}

}  // namespace

std::pair<std::string, jet::Value> parseParameterArgument(std::string_view argument) {
    const size_t equals = argument.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw std::invalid_argument("--param needs NAME=VALUE, not '" + std::string(argument) +
                                    "'");
    }
    return {std::string(argument.substr(0, equals)), literalValue(argument.substr(equals + 1))};
}

}  // namespace tools
