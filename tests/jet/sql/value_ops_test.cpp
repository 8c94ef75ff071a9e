// Operators on values: arithmetic types, Null logic, comparisons, sorting,
// and the aggregate accumulators.
#include "jet/sql/functions/value_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/sql/functions/functions_aggregate.h"
#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_decimal.h"

namespace jet {
namespace {

Value N() {
    return Value::null();
}
Value I(int64_t v) {
    return Value::integer(v);
}
Value D(double v) {
    return Value::real(v);
}
Value S(float v) {
    return Value::single(v);
}
Value C(double v) {
    return Value::currency(static_cast<int64_t>(v * 10000));
}
Value T(const char* s) {
    return Value::text(s);
}
Value B(bool b) {
    return Value::boolean(b);
}
Value Dt(double d) {
    return Value::dateTime(d);
}
Value Dec(const char* s) {
    return Value::decimal(*decimalFromText(s));
}

using Binary = std::function<Value(const Value&, const Value&)>;

struct OpCase {
    const char* name;
    Binary op;
    Value a, b;
    Value expected;  // ignored when error is set
    const char* error = nullptr;
};

std::string show(const Value& v) {
    if (v.isNull()) return "Null";
    if (v.is<bool>()) return v.as<bool>() ? "True" : "False";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>()) + " (integer)";
    if (v.is<float>()) return formatSingle(v.as<float>()) + " (Single)";
    if (v.is<double>()) return formatDouble(v.as<double>()) + " (Double)";
    if (v.is<CurrencyValue>())
        return formatCurrency(v.as<CurrencyValue>().tenThousandths) + " (Currency)";
    if (v.is<Decimal>()) return v.as<Decimal>().toString() + " (Decimal)";
    if (v.is<DateTimeValue>()) return formatDouble(v.as<DateTimeValue>().days) + " (Date)";
    if (v.is<std::string>()) return "\"" + v.as<std::string>() + "\"";
    return "?";
}

bool sameValue(const Value& x, const Value& y) {
    if (x.is<Decimal>() && y.is<Decimal>())
        return decimalCompare(x.as<Decimal>(), y.as<Decimal>()) == 0;
    return x == y;
}

void runCases(const std::vector<OpCase>& cases) {
    for (const OpCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " of " + show(c.a) + " and " + show(c.b));
        try {
            Value r = c.op(c.a, c.b);
            if (c.error)
                ADD_FAILURE() << "expected error " << c.error << ", got " << show(r);
            else
                EXPECT_TRUE(sameValue(r, c.expected))
                    << "got " << show(r) << ", expected " << show(c.expected);
        } catch (const Error& e) {
            if (c.error)
                EXPECT_STREQ(e.what(), c.error);
            else
                ADD_FAILURE() << "unexpected error " << e.what();
        }
    }
}

const char* kMismatch = "Data type mismatch in criteria expression.";

Binary addOp = [](const Value& a, const Value& b) { return add(a, b); };
Binary subOp = [](const Value& a, const Value& b) { return subtract(a, b); };
Binary mulOp = [](const Value& a, const Value& b) { return multiply(a, b); };
Binary divOp = [](const Value& a, const Value& b) { return divide(a, b); };
Binary idivOp = [](const Value& a, const Value& b) { return integerDivide(a, b); };
Binary modOp = [](const Value& a, const Value& b) { return modulo(a, b); };
Binary powOp = [](const Value& a, const Value& b) { return power(a, b); };
Binary catOp = [](const Value& a, const Value& b) { return concatenate(a, b); };

TEST(ValueOps, ArithmeticTypesAndErrors) {
    runCases({
        {"+", addOp, I(2), I(3), I(5)},
        {"+", addOp, I(2147483647), I(1), D(2147483648.0)},
        {"+", addOp, B(true), B(true), I(-2)},
        {"+", addOp, I(1), S(0.5f), D(1.5)},
        {"+", addOp, S(1.5f), S(0.25f), S(1.75f)},
        {"+", addOp, I(1), D(0.5), D(1.5)},
        {"+", addOp, C(1.5), I(2), C(3.5)},
        {"+", addOp, C(1.5), D(0.25), C(1.75)},
        {"+", addOp, Dec("1.10"), I(2), Dec("3.1")},
        {"+", addOp, Dt(36526), I(1), Dt(36527)},
        {"+", addOp, T("ab"), T("cd"), T("abcd")},
        {"+", addOp, T("1"), I(2), D(3)},
        {"+", addOp, T("x"), I(2), N(), kMismatch},
        {"+", addOp, N(), I(2), N()},
        {"+", addOp, T("a"), N(), N()},
        {"+", addOp, C(922337203685477.0), C(1), N(), "Overflow"},
        {"-", subOp, Dt(36527.5), Dt(36526), D(1.5)},
        {"-", subOp, Dt(36527), I(1), Dt(36526)},
        {"-", subOp, I(5), I(7), I(-2)},
        {"*", mulOp, C(1.5), C(1.5), C(2.25)},
        {"*", mulOp, I(65536), I(65536), D(4294967296.0)},
        {"*", mulOp, Dec("0.1"), Dec("0.2"), Dec("0.02")},
        {"/", divOp, I(7), I(2), D(3.5)},
        {"/", divOp, S(1.0f), S(4.0f), S(0.25f)},
        {"/", divOp, C(1), C(4), D(0.25)},
        {"/", divOp, Dec("1"), Dec("4"), Dec("0.25")},
        {"/", divOp, I(1), I(0), N(), "Division by zero"},
        {"/", divOp, I(0), I(0), N(), "Overflow"},
        {"/", divOp, N(), I(0), N()},
        {"\\", idivOp, I(19), I(7), I(2)},
        {"\\", idivOp, I(-19), I(7), I(-2)},
        {"\\", idivOp, D(2.5), D(1.5), I(1)},  // 2 \ 2 after banker's rounding
        {"\\", idivOp, D(3.5), I(1), I(4)},
        {"\\", idivOp, I(5), D(0.4), N(), "Division by zero"},
        {"Mod", modOp, I(10), I(3), I(1)},
        {"Mod", modOp, I(-10), I(3), I(-1)},
        {"Mod", modOp, D(12.5), D(4.5), I(0)},  // 12 Mod 4
        {"Mod", modOp, D(5.7), I(2), I(0)},     // 6 Mod 2
        {"Mod", modOp, I(1), I(0), N(), "Division by zero"},
        {"^", powOp, I(2), I(10), D(1024)},
        {"^", powOp, I(-8), D(1.0 / 3), N(), "Invalid procedure call or argument"},
        {"^", powOp, I(-2), I(3), D(-8)},
        {"&", catOp, T("a"), N(), T("a")},
        {"&", catOp, N(), N(), N()},
        {"&", catOp, I(1), D(2.5), T("12.5")},
        {"&", catOp, T("x"), B(true), T("xTrue")},
    });
}

TEST(ValueOps, NegationKeepsTheType) {
    EXPECT_EQ(negate(I(5)), I(-5));
    EXPECT_EQ(negate(B(true)), I(1));
    EXPECT_EQ(negate(C(2.5)), C(-2.5));
    EXPECT_EQ(negate(T("3")), D(-3));
    EXPECT_TRUE(negate(N()).isNull());
}

TEST(ValueOps, LogicFollowsThreeValuedRules) {
    const Value t = B(true), f = B(false), n = N();
    struct Row {
        Value a, b, andR, orR, xorR, eqvR, impR;
    };
    const std::vector<Row> rows = {
        {t, t, t, t, f, t, t}, {t, f, f, t, t, f, f}, {f, t, f, t, t, f, t},
        {f, f, f, f, f, t, t}, {t, n, n, t, n, n, n}, {f, n, f, n, n, n, t},
        {n, t, n, t, n, n, t}, {n, f, f, n, n, n, n}, {n, n, n, n, n, n, n},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(show(r.a) + " op " + show(r.b));
        EXPECT_EQ(logicalAnd(r.a, r.b), r.andR);
        EXPECT_EQ(logicalOr(r.a, r.b), r.orR);
        EXPECT_EQ(logicalXor(r.a, r.b), r.xorR);
        EXPECT_EQ(logicalEqv(r.a, r.b), r.eqvR);
        EXPECT_EQ(logicalImp(r.a, r.b), r.impR);
    }
    EXPECT_EQ(logicalNot(t), f);
    EXPECT_TRUE(logicalNot(n).isNull());
    EXPECT_EQ(logicalAnd(I(5), I(-1)), t);  // any non-zero number is true
    EXPECT_EQ(logicalOr(I(0), T("True")), t);
    EXPECT_THROW(logicalAnd(T("maybe"), t), Error);
}

TEST(ValueOps, Comparisons) {
    auto eq = [](const Value& a, const Value& b) { return compare(CompareOp::Equal, a, b); };
    auto lt = [](const Value& a, const Value& b) { return compare(CompareOp::Less, a, b); };
    auto ne = [](const Value& a, const Value& b) { return compare(CompareOp::NotEqual, a, b); };
    auto ge = [](const Value& a, const Value& b) { return compare(CompareOp::GreaterEqual, a, b); };
    runCases({
        {"=", eq, T("Smith"), T("SMITH"), B(true)},
        {"=", eq, T("Straße"), T("STRASSE"), B(false)},
        {"=", eq, T("Äpfel"), T("äPFEL"), B(true)},
        {"<", lt, T("apple"), T("Banana"), B(true)},
        {"=", eq, I(1), D(1.0), B(true)},
        {"=", eq, C(0.1), D(0.1), B(true)},
        {"=", eq, S(0.1f), D(0.1), B(false)},
        {"=", eq, B(true), I(-1), B(true)},
        {"=", eq, Dec("1.50"), C(1.5), B(true)},
        {"<", lt, Dt(36526), I(36527), B(true)},
        {"<>", ne, N(), I(1), N()},
        {"=", eq, N(), N(), N()},
        {">=", ge, I(3), I(3), B(true)},
        {"=", eq, T("5"), I(5), N(), kMismatch},
        {"=", eq, T("1/1/2000"), Dt(36526), N(), kMismatch},
        {"=", eq, Value::binary({1, 2}), Value::binary({1, 2}), B(true)},
        {"<", lt, Value::binary({1, 2}), Value::binary({1, 2, 0}), B(true)},
    });
}

TEST(ValueOps, ComparisonOptions) {
    CompareOptions exact;
    exact.caseSensitive = true;
    EXPECT_EQ(compare(CompareOp::Equal, T("a"), T("A"), exact), B(false));
    CompareOptions filter;
    filter.convertText = true;
    EXPECT_EQ(compare(CompareOp::Equal, T("12.5"), D(12.5), filter), B(true));
    EXPECT_EQ(compare(CompareOp::Equal, Dt(36526), T("2000-01-01"), filter), B(true));
    EXPECT_EQ(compare(CompareOp::Equal, B(true), T("true"), filter), B(true));
    EXPECT_THROW(compare(CompareOp::Equal, T("abc"), I(1), filter), Error);
    Guid g;
    g.bytes = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56, 0x9a, 0xbc, 0xde, 0xf0, 1, 2, 3, 4};
    EXPECT_EQ(
        compare(CompareOp::Equal, Value::guid(g), T("{12345678-1234-5678-9ABC-DEF001020304}")),
        B(true));
    EXPECT_EQ(
        compare(CompareOp::Equal, Value::guid(g), T("{12345678-1234-5678-9abc-def001020305}")),
        B(false));
}

TEST(ValueOrder, NullsFirstThenNumbersTextBinaryGuidAndAStableCollationHook) {
    std::vector<Value> values = {T("b"), I(3),  N(),   T("A"), D(-1.5), Value::binary({0}),
                                 T("a"), Dt(2), C(2.5)};
    std::stable_sort(values.begin(), values.end(), ValueOrder());
    std::vector<std::string> shown;
    for (const Value& v : values) shown.push_back(show(v));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"Null", "-1.5 (Double)", "2 (Date)", "2.5000 (Currency)",
                                        "3 (integer)", "\"A\"", "\"a\"", "\"b\"", "?"}));
    // A collation that orders by length first.
    ValueOrder byLength([](std::string_view a, std::string_view b) {
        return a.size() != b.size() ? (a.size() < b.size() ? -1 : 1) : a.compare(b);
    });
    EXPECT_LT(byLength.compare(T("zz"), T("aaa")), 0);
    EXPECT_GT(ValueOrder().compare(T("zz"), T("aaa")), 0);
}

TEST(Calendar, DayNumbersRoundTripAcrossTheWholeRange) {
    for (int64_t day = static_cast<int64_t>(kMinDateNumber); day <= 2958465; day += 997) {
        int y, m, d;
        civilFromDayNumber(day, y, m, d);
        ASSERT_EQ(dayNumberFromCivil(y, m, d), day);
    }
    int y, m, d;
    civilFromDayNumber(-657434, y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{100, 1, 1}));
    civilFromDayNumber(2958465, y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{9999, 12, 31}));
    // Before day 0 the time fraction stays positive: -1.25 is 1899-12-29 06:00.
    CivilDateTime c = civilFromDate(-1.25);
    EXPECT_EQ((std::vector<int>{c.year, c.month, c.day, c.hour}),
              (std::vector<int>{1899, 12, 29, 6}));
    EXPECT_DOUBLE_EQ(linearFromDate(-1.25), -0.75);
    EXPECT_DOUBLE_EQ(dateFromLinear(-0.75), -1.25);
    EXPECT_DOUBLE_EQ(dateFromLinear(linearFromDate(-700.5)), -700.5);
}

struct AggregateCase {
    AggregateKind kind;
    std::vector<Value> inputs;
    Value expected;
};

TEST(Aggregates, NullRulesAndResultTypes) {
    const std::vector<AggregateCase> cases = {
        {AggregateKind::Count, {I(1), N(), I(3)}, I(2)},
        {AggregateKind::CountRows, {I(1), N(), I(3)}, I(3)},
        {AggregateKind::Count, {}, I(0)},
        {AggregateKind::Sum, {}, N()},
        {AggregateKind::Sum, {N(), N()}, N()},
        {AggregateKind::Sum, {I(1), N(), I(3)}, I(4)},
        {AggregateKind::Sum, {C(1.25), C(2.5)}, C(3.75)},
        {AggregateKind::Sum, {B(true), B(true), B(false)}, I(-2)},
        {AggregateKind::Avg, {I(1), I(2), N()}, D(1.5)},
        {AggregateKind::Avg, {C(1), C(2)}, C(1.5)},
        {AggregateKind::Avg, {}, N()},
        {AggregateKind::Min, {T("b"), N(), T("A"), T("c")}, T("A")},
        {AggregateKind::Max, {I(3), D(7.5), N()}, D(7.5)},
        {AggregateKind::Max, {N()}, N()},
        {AggregateKind::First, {N(), I(2)}, N()},
        {AggregateKind::Last, {I(1), I(2)}, I(2)},
        {AggregateKind::Var, {I(2), I(4), I(4), I(4), I(5), I(5), I(7), I(9)}, D(32.0 / 7)},
        {AggregateKind::VarP, {I(2), I(4), I(4), I(4), I(5), I(5), I(7), I(9)}, D(4)},
        {AggregateKind::StDevP, {I(2), I(4), I(4), I(4), I(5), I(5), I(7), I(9)}, D(2)},
        {AggregateKind::StDev, {I(5)}, N()},
        {AggregateKind::StDevP, {I(5)}, D(0)},
    };
    for (const AggregateCase& c : cases) {
        auto acc = makeAccumulator(c.kind);
        for (const Value& v : c.inputs) acc->add(v);
        Value r = acc->result();
        SCOPED_TRACE(static_cast<int>(c.kind));
        if (c.expected.is<double>() && r.is<double>())
            EXPECT_NEAR(r.as<double>(), c.expected.as<double>(), 1e-12);
        else
            EXPECT_EQ(r, c.expected) << show(r);
    }
    EXPECT_THROW(makeAccumulator(AggregateKind::Sum)->add(T("x")), Error);
    EXPECT_EQ(aggregateKindOf("stdevp"), AggregateKind::StDevP);
    EXPECT_FALSE(aggregateKindOf("Len").has_value());
}

}  // namespace
}  // namespace jet
