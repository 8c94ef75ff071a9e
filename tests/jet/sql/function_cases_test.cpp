// Runs function_cases.txt: one call per line, "Name(arg, ...) => expected".
//
// Literals of the case file (kept trivial on purpose, there is no parser):
//   Null  True  False
//   123 (Long)  1.5 or 3# (Double)  1.5! (Single)  12.5@ (Currency)  1.50D (Decimal)
//   "text" with "" for a quote inside
//   #yyyy-mm-dd#, #yyyy-mm-dd hh:nn:ss# or #hh:nn:ss# (a Date/Time)
//   ~1.4142 (a Double within 1e-9 relative)
//   error "message" (the call must throw jet::Error with that message)
// Blank lines and lines starting with # followed by a space are comments. Date, Time and
// Now see the clock at 2024-03-15 14:30:00.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/fixture_files.h"
#include "jet/error.h"
#include "jet/sql/functions/functions.h"
#include "jet/sql/functions/value_ops_decimal.h"

namespace jet {
namespace {

struct Expected {
    Value value;
    bool approximate = false;
    bool isError = false;
    std::string error;
};

// Day number by counting whole years and months, independent of the
// engine's calendar code.
double dayNumber(int y, int m, int d) {
    auto leap = [](int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; };
    static const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    long days = 0;
    for (int year = 1900; year < y; ++year) days += leap(year) ? 366 : 365;
    for (int year = y; year < 1900; ++year) days -= leap(year) ? 366 : 365;
    for (int month = 1; month < m; ++month) days += monthDays[month - 1] + (month == 2 && leap(y));
    return static_cast<double>(days + d - 1 + 2);  // 1900-01-01 is day 2
}

double parseDateLiteral(const std::string& s) {
    int y = 1899, mo = 12, d = 30, h = 0, mi = 0, se = 0;
    double linear;
    if (s.find('-') != std::string::npos) {
        std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se);
        linear = dayNumber(y, mo, d);
    } else {
        std::sscanf(s.c_str(), "%d:%d:%d", &h, &mi, &se);
        linear = 0;
    }
    double time = (h * 3600 + mi * 60 + se) / 86400.0;
    // Before 1899-12-30 the time stays positive behind a negative day.
    return linear < 0 ? linear - time : linear + time;
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

    Expected read() {
        skipSpaces();
        Expected e;
        if (s_.substr(pos_, 6) == "error ") {
            pos_ += 6;
            e.isError = true;
            e.error = readValue().as<std::string>();
            return e;
        }
        if (pos_ < s_.size() && s_[pos_] == '~') {
            ++pos_;
            e.approximate = true;
        }
        e.value = readValue();
        if (e.approximate && e.value.is<int64_t>())
            e.value = Value::real(static_cast<double>(e.value.as<int64_t>()));
        return e;
    }

    Value readValue() {
        skipSpaces();
        if (pos_ >= s_.size()) throw std::runtime_error("missing literal");
        char c = s_[pos_];
        if (c == '"') {
            std::string text;
            for (++pos_; pos_ < s_.size(); ++pos_) {
                if (s_[pos_] == '"') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
                        text.push_back('"');
                        ++pos_;
                    } else {
                        ++pos_;
                        return Value::text(text);
                    }
                } else {
                    text.push_back(s_[pos_]);
                }
            }
            throw std::runtime_error("unterminated text");
        }
        if (c == '#') {
            size_t close = s_.find('#', pos_ + 1);
            std::string inner(s_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return Value::dateTime(parseDateLiteral(inner));
        }
        size_t start = pos_;
        while (pos_ < s_.size() && s_[pos_] != ',' && s_[pos_] != ')' && s_[pos_] != ' ') ++pos_;
        std::string word(s_.substr(start, pos_ - start));
        if (word == "Null") return Value::null();
        if (word == "True") return Value::boolean(true);
        if (word == "False") return Value::boolean(false);
        char suffix = word.back();
        std::string digits = word.substr(0, word.size() - 1);
        if (suffix == '!') return Value::single(std::stof(digits));
        if (suffix == '#') return Value::real(std::stod(digits));
        if (suffix == '@') {
            // In decimal: a double would round the largest Currency values.
            const Decimal d = *decimalFromText(digits);
            return Value::currency(
                *decimalToInt64(decimalRound(decimalMultiply(d, decimalFromInt64(10000)), 0)));
        }
        if (suffix == 'D') return Value::decimal(*decimalFromText(digits));
        if (word.find_first_of(".eE") != std::string::npos) return Value::real(std::stod(word));
        return Value::integer(std::stoll(word));
    }

private:
    std::string_view s_;
    size_t pos_ = 0;
};

std::string describe(const Value& v) {
    if (v.isNull()) return "Null";
    if (v.is<bool>()) return v.as<bool>() ? "True" : "False";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>()) + " (Long)";
    if (v.is<float>()) return formatSingle(v.as<float>()) + "!";
    if (v.is<double>()) return formatDouble(v.as<double>()) + "#";
    if (v.is<CurrencyValue>()) return formatCurrency(v.as<CurrencyValue>().tenThousandths) + "@";
    if (v.is<Decimal>()) return v.as<Decimal>().toString() + "D";
    if (v.is<DateTimeValue>())
        return "#" + formatDateTime(v.as<DateTimeValue>().days) + "# (" +
               formatDouble(v.as<DateTimeValue>().days) + ")";
    if (v.is<std::string>()) return "\"" + v.as<std::string>() + "\"";
    return "?";
}

bool matches(const Expected& e, const Value& actual) {
    if (e.approximate) {
        if (!actual.is<double>()) return false;
        double x = actual.as<double>(), y = e.value.as<double>();
        return std::fabs(x - y) <= 1e-9 * std::max(1.0, std::fabs(y));
    }
    if (e.value.is<Decimal>() && actual.is<Decimal>())
        return decimalCompare(e.value.as<Decimal>(), actual.as<Decimal>()) == 0;
    if (e.value.is<DateTimeValue>() && actual.is<DateTimeValue>())
        return std::fabs(e.value.as<DateTimeValue>().days - actual.as<DateTimeValue>().days) < 1e-8;
    return e.value == actual;
}

TEST(FunctionCases, EveryLineOfTheCaseFileHolds) {
    std::filesystem::path file = testing_support::testsRoot() / "jet/sql/function_cases.txt";
    std::ifstream in(file);
    ASSERT_TRUE(in) << "cannot open " << file;
    FunctionContext context;
    context.now = [] { return parseDateLiteral("2024-03-15 14:30:00"); };
    std::string line;
    int lineNumber = 0, cases = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line.rfind("# ", 0) == 0 || line == "#") continue;
        SCOPED_TRACE("line " + std::to_string(lineNumber) + ": " + line);
        size_t arrow = line.rfind(" => ");
        ASSERT_NE(arrow, std::string::npos);
        std::string call = line.substr(0, arrow);
        size_t open = call.find('(');
        ASSERT_NE(open, std::string::npos);
        std::string name = call.substr(0, open);
        std::vector<Value> args;
        Expected expected;
        try {
            LiteralReader reader(std::string_view(call).substr(open + 1));
            if (!reader.consume(')')) {
                do {
                    args.push_back(reader.readValue());
                } while (reader.consume(','));
                if (!reader.consume(')'))
                    throw std::runtime_error("expected ) after the arguments");
            }
            LiteralReader expectedReader(std::string_view(line).substr(arrow + 4));
            expected = expectedReader.read();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unreadable case: " << e.what();
            continue;
        }
        ++cases;
        try {
            Value actual = callFunction(name, args, context, call);
            if (expected.isError) {
                ADD_FAILURE() << "expected error \"" << expected.error << "\", got "
                              << describe(actual);
            } else {
                EXPECT_TRUE(matches(expected, actual))
                    << "expected " << describe(expected.value) << ", got " << describe(actual);
            }
        } catch (const Error& err) {
            if (expected.isError) {
                EXPECT_EQ(std::string(err.what()), expected.error);
            } else {
                ADD_FAILURE() << "expected " << describe(expected.value) << ", got error \""
                              << err.what() << "\"";
            }
        } catch (const std::exception& err) {
            ADD_FAILURE() << "unexpected exception: " << err.what();
        }
    }
    EXPECT_GT(cases, 100);
}

}  // namespace
}  // namespace jet
