#include "sql/sql_test_literals.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "jet/sql/functions/value_ops_decimal.h"

namespace sql_test {
namespace {

using jet::Value;

// Day number by counting whole years and months.
double dayNumber(int y, int m, int d) {
    auto leap = [](int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; };
    static const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    long days = 0;
    for (int year = 1900; year < y; ++year) days += leap(year) ? 366 : 365;
    for (int year = y; year < 1900; ++year) days -= leap(year) ? 366 : 365;
    for (int month = 1; month < m; ++month) days += monthDays[month - 1] + (month == 2 && leap(y));
    return static_cast<double>(days + d - 1 + 2);  // 1900-01-01 is day 2
}

class LiteralReader {
public:
    explicit LiteralReader(std::string_view s) : s_(s) {}

    void skipSpaces() {
        while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    }
    bool atEnd() {
        skipSpaces();
        return pos_ >= s_.size();
    }
    bool consume(char c) {
        skipSpaces();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    ExpectedValue readExpected() {
        skipSpaces();
        ExpectedValue e;
        if (s_.substr(pos_, 6) == "error ") {
            pos_ += 6;
            e.isError = true;
            const Value message = readValue();
            if (!message.is<std::string>())
                throw std::runtime_error("error needs a quoted message");
            e.error = message.as<std::string>();
            return e;
        }
        if (pos_ < s_.size() && s_[pos_] == '~') {
            ++pos_;
            e.approximate = true;
        }
        e.value = readValue();
        if (e.approximate && e.value.is<int64_t>())
            e.value = Value::real(static_cast<double>(e.value.as<int64_t>()));
        if (e.approximate && !e.value.is<double>()) throw std::runtime_error("~ needs a number");
        return e;
    }

    Value readValue() {
        skipSpaces();
        if (pos_ >= s_.size()) throw std::runtime_error("missing literal");
        const char c = s_[pos_];
        if (c == '"') return readText();
        if (c == '#') {
            const size_t close = s_.find('#', pos_ + 1);
            if (close == std::string_view::npos) throw std::runtime_error("unterminated date");
            const std::string inner(s_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return Value::dateTime(dateLiteralDays(inner));
        }
        const size_t start = pos_;
        while (pos_ < s_.size() && s_[pos_] != ',' && s_[pos_] != ')' && s_[pos_] != ' ') ++pos_;
        const std::string word(s_.substr(start, pos_ - start));
        if (word.empty()) throw std::runtime_error("missing literal");
        if (word == "Null") return Value::null();
        if (word == "True") return Value::boolean(true);
        if (word == "False") return Value::boolean(false);
        const char suffix = word.back();
        const std::string digits = word.substr(0, word.size() - 1);
        if (suffix == '!') return Value::single(std::stof(digits));
        if (suffix == '#') return Value::real(std::stod(digits));
        if (suffix == '@') {
            // In decimal: a double would round the largest Currency values.
            const auto d = jet::decimalFromText(digits);
            if (!d) throw std::runtime_error("bad currency '" + word + "'");
            const auto units = jet::decimalToInt64(
                jet::decimalRound(jet::decimalMultiply(*d, jet::decimalFromInt64(10000)), 0));
            if (!units) throw std::runtime_error("currency out of range '" + word + "'");
            return Value::currency(*units);
        }
        if (suffix == 'D') {
            const auto d = jet::decimalFromText(digits);
            if (!d) throw std::runtime_error("bad decimal '" + word + "'");
            return Value::decimal(*d);
        }
        if (word.find_first_of(".eE") != std::string::npos) return Value::real(std::stod(word));
        return Value::integer(std::stoll(word));
    }

private:
    Value readText() {
        std::string text;
        for (++pos_; pos_ < s_.size(); ++pos_) {
            if (s_[pos_] != '"') {
                text.push_back(s_[pos_]);
            } else if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
                text.push_back('"');
                ++pos_;
            } else {
                ++pos_;
                return Value::text(text);
            }
        }
        throw std::runtime_error("unterminated text");
    }

    std::string_view s_;
    size_t pos_ = 0;
};

}  // namespace

double dateLiteralDays(const std::string& s) {
    int y = 1899, mo = 12, d = 30, h = 0, mi = 0, se = 0;
    double linear;
    if (s.find('-') != std::string::npos) {
        if (std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se) < 3)
            throw std::runtime_error("bad date '" + s + "'");
        linear = dayNumber(y, mo, d);
    } else {
        if (std::sscanf(s.c_str(), "%d:%d:%d", &h, &mi, &se) < 2)
            throw std::runtime_error("bad time '" + s + "'");
        linear = 0;
    }
    const double time = (h * 3600 + mi * 60 + se) / 86400.0;
    // Before 1899-12-30 the time stays positive behind a negative day.
    return linear < 0 ? linear - time : linear + time;
}

EvalCall readEvalCall(std::string_view call) {
    const size_t open = call.find('(');
    if (open == std::string_view::npos || open == 0)
        throw std::runtime_error("expected Name( at the start of the call");
    EvalCall out;
    out.name = std::string(call.substr(0, open));
    LiteralReader reader(call.substr(open + 1));
    if (!reader.consume(')')) {
        do {
            out.arguments.push_back(reader.readValue());
        } while (reader.consume(','));
        if (!reader.consume(')')) throw std::runtime_error("expected ) after the arguments");
    }
    if (!reader.atEnd()) throw std::runtime_error("text after the call's )");
    return out;
}

ExpectedValue readExpectedValue(std::string_view text) {
    LiteralReader reader(text);
    ExpectedValue e = reader.readExpected();
    if (!reader.atEnd()) throw std::runtime_error("text after the expected value");
    return e;
}

bool matches(const ExpectedValue& e, const Value& actual) {
    if (e.approximate) {
        if (!actual.is<double>()) return false;
        const double x = actual.as<double>(), y = e.value.as<double>();
        return std::fabs(x - y) <= 1e-9 * std::max(1.0, std::fabs(y));
    }
    if (e.value.is<jet::Decimal>() && actual.is<jet::Decimal>())
        return jet::decimalCompare(e.value.as<jet::Decimal>(), actual.as<jet::Decimal>()) == 0;
    if (e.value.is<jet::DateTimeValue>() && actual.is<jet::DateTimeValue>())
        return std::fabs(e.value.as<jet::DateTimeValue>().days -
                         actual.as<jet::DateTimeValue>().days) < 1e-8;
    return e.value == actual;
}

std::string describe(const Value& v) {
    if (v.isNull()) return "Null";
    if (v.is<bool>()) return v.as<bool>() ? "True" : "False";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>()) + " (Long)";
    if (v.is<float>()) return jet::formatSingle(v.as<float>()) + "!";
    if (v.is<double>()) return jet::formatDouble(v.as<double>()) + "#";
    if (v.is<jet::CurrencyValue>())
        return jet::formatCurrency(v.as<jet::CurrencyValue>().tenThousandths) + "@";
    if (v.is<jet::Decimal>()) return v.as<jet::Decimal>().toString() + "D";
    if (v.is<jet::DateTimeValue>())
        return "#" + jet::formatDateTime(v.as<jet::DateTimeValue>().days) + "# (" +
               jet::formatDouble(v.as<jet::DateTimeValue>().days) + ")";
    if (v.is<std::string>()) return "\"" + v.as<std::string>() + "\"";
    return "?";
}

}  // namespace sql_test
