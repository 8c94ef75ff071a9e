#include "jet/sql/functions/value_ops.h"

#include <cmath>
#include <limits>

#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_decimal.h"
#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

__extension__ typedef __int128 I128;

enum class Rank { Boolean, Integer, Single, Double, Currency, Decimal };
enum class Op { Add, Subtract, Multiply };

Rank rankOf(const Value& v) {
    if (v.is<bool>()) return Rank::Boolean;
    if (v.is<int64_t>()) return Rank::Integer;
    if (v.is<float>()) return Rank::Single;
    if (v.is<CurrencyValue>()) return Rank::Currency;
    if (v.is<Decimal>()) return Rank::Decimal;
    return Rank::Double;
}

int64_t integerOf(const Value& v) {
    if (v.is<bool>()) return v.as<bool>() ? -1 : 0;
    return v.as<int64_t>();
}

bool inLongRange(int64_t v) {
    return v >= INT32_MIN && v <= INT32_MAX;
}

double applyDouble(Op op, double x, double y) {
    switch (op) {
        case Op::Add:
            return x + y;
        case Op::Subtract:
            return x - y;
        case Op::Multiply:
            return x * y;
    }
    return 0;
}

Value finiteDouble(double r) {
    if (!std::isfinite(r)) throwOverflow();
    return Value::real(r);
}

int64_t currencyUnitsOf(const Value& v, const SqlLocale& locale) {
    return toCurrencyUnits(v, locale);
}

Value arithmetic(Op op, const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.isNull() || b.isNull()) return Value::null();
    Value x = toArithmetic(a, locale);
    Value y = toArithmetic(b, locale);
    bool xDate = x.is<DateTimeValue>(), yDate = y.is<DateTimeValue>();
    if (xDate || yDate) {
        double r = applyDouble(op, toDouble(x, locale), toDouble(y, locale));
        if (op == Op::Multiply || (op == Op::Subtract && xDate && yDate)) return finiteDouble(r);
        requireValidDate(r);
        return Value::dateTime(r);
    }
    Rank rx = rankOf(x), ry = rankOf(y);
    Rank rank = std::max(rx, ry);
    if (rank == Rank::Boolean) rank = Rank::Integer;
    if (rank == Rank::Single && (rx == Rank::Integer || ry == Rank::Integer)) rank = Rank::Double;
    switch (rank) {
        case Rank::Boolean:
        case Rank::Integer: {
            int64_t i = integerOf(x), j = integerOf(y), r;
            bool overflow = op == Op::Add        ? __builtin_add_overflow(i, j, &r)
                            : op == Op::Subtract ? __builtin_sub_overflow(i, j, &r)
                                                 : __builtin_mul_overflow(i, j, &r);
            if (overflow || (!inLongRange(r) && inLongRange(i) && inLongRange(j))) {
                return finiteDouble(
                    applyDouble(op, static_cast<double>(i), static_cast<double>(j)));
            }
            return Value::integer(r);
        }
        case Rank::Single: {
            double r = applyDouble(op, toDouble(x, locale), toDouble(y, locale));
            if (std::fabs(r) > std::numeric_limits<float>::max()) return finiteDouble(r);
            return Value::single(static_cast<float>(r));
        }
        case Rank::Double:
            return finiteDouble(applyDouble(op, toDouble(x, locale), toDouble(y, locale)));
        case Rank::Currency: {
            int64_t i = currencyUnitsOf(x, locale), j = currencyUnitsOf(y, locale), r;
            if (op == Op::Multiply) {
                I128 p = static_cast<I128>(i) * j;
                I128 q = p / 10000, rem = p % 10000;
                if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
                if (rem < -5000 || (rem == -5000 && (q & 1))) --q;
                if (q > INT64_MAX || q < INT64_MIN) throwOverflow();
                return Value::currency(static_cast<int64_t>(q));
            }
            bool overflow =
                op == Op::Add ? __builtin_add_overflow(i, j, &r) : __builtin_sub_overflow(i, j, &r);
            if (overflow) throwOverflow();
            return Value::currency(r);
        }
        case Rank::Decimal: {
            Decimal i = toDecimal(x, locale), j = toDecimal(y, locale);
            if (op == Op::Add) return Value::decimal(decimalAdd(i, j));
            if (op == Op::Subtract) return Value::decimal(decimalSubtract(i, j));
            return Value::decimal(decimalMultiply(i, j));
        }
    }
    throwTypeMismatch();
}

// The whole-number operand of \ and Mod.
int64_t roundedOperand(const Value& v, const SqlLocale& locale) {
    return toWholeNumber(v, INT64_MIN, INT64_MAX, locale);
}

}  // namespace

Value add(const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.is<std::string>() && b.is<std::string>())
        return Value::text(a.as<std::string>() + b.as<std::string>());
    return arithmetic(Op::Add, a, b, locale);
}

Value subtract(const Value& a, const Value& b, const SqlLocale& locale) {
    return arithmetic(Op::Subtract, a, b, locale);
}

Value multiply(const Value& a, const Value& b, const SqlLocale& locale) {
    return arithmetic(Op::Multiply, a, b, locale);
}

Value divide(const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.isNull() || b.isNull()) return Value::null();
    Value x = toArithmetic(a, locale), y = toArithmetic(b, locale);
    if (x.is<Decimal>() || y.is<Decimal>()) {
        Decimal i = toDecimal(x, locale), j = toDecimal(y, locale);
        if (decimalIsZero(j)) {
            if (decimalIsZero(i)) throwOverflow();
            throwDivisionByZero();
        }
        return Value::decimal(decimalDivide(i, j));
    }
    double i = toDouble(x, locale), j = toDouble(y, locale);
    if (j == 0) {
        if (i == 0) throwOverflow();
        throwDivisionByZero();
    }
    double r = i / j;
    auto singleLike = [](const Value& v) { return v.is<float>() || v.is<bool>(); };
    if ((x.is<float>() || y.is<float>()) && singleLike(x) && singleLike(y) &&
        std::fabs(r) <= std::numeric_limits<float>::max()) {
        return Value::single(static_cast<float>(r));
    }
    return finiteDouble(r);
}

Value integerDivide(const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.isNull() || b.isNull()) return Value::null();
    int64_t i = roundedOperand(toArithmetic(a, locale), locale);
    int64_t j = roundedOperand(toArithmetic(b, locale), locale);
    if (j == 0) throwDivisionByZero();
    if (i == INT64_MIN && j == -1) throwOverflow();
    return Value::integer(i / j);
}

Value modulo(const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.isNull() || b.isNull()) return Value::null();
    int64_t i = roundedOperand(toArithmetic(a, locale), locale);
    int64_t j = roundedOperand(toArithmetic(b, locale), locale);
    if (j == 0) throwDivisionByZero();
    if (j == -1) return Value::integer(0);
    return Value::integer(i % j);
}

Value power(const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.isNull() || b.isNull()) return Value::null();
    double x = toDouble(toArithmetic(a, locale), locale);
    double y = toDouble(toArithmetic(b, locale), locale);
    if (x < 0 && y != std::floor(y)) throwInvalidCall();
    if (x == 0 && y < 0) throwDivisionByZero();
    return finiteDouble(std::pow(x, y));
}

Value concatenate(const Value& a, const Value& b, const SqlLocale& locale) {
    if (a.isNull() && b.isNull()) return Value::null();
    std::string s = a.isNull() ? std::string() : toText(a, locale);
    if (!b.isNull()) s += toText(b, locale);
    return Value::text(std::move(s));
}

Value negate(const Value& a, const SqlLocale& locale) {
    if (a.isNull()) return a;
    Value x = toArithmetic(a, locale);
    if (x.is<bool>()) return Value::integer(x.as<bool>() ? 1 : 0);
    if (x.is<int64_t>()) {
        int64_t i = x.as<int64_t>();
        if (i == INT64_MIN) return Value::real(-static_cast<double>(i));
        if (i == INT32_MIN) return Value::real(-static_cast<double>(i));
        return Value::integer(-i);
    }
    if (x.is<float>()) return Value::single(-x.as<float>());
    if (x.is<double>()) return Value::real(-x.as<double>());
    if (x.is<CurrencyValue>()) {
        int64_t t = x.as<CurrencyValue>().tenThousandths;
        if (t == INT64_MIN) throwOverflow();
        return Value::currency(-t);
    }
    if (x.is<Decimal>()) return Value::decimal(decimalNegate(x.as<Decimal>()));
    if (x.is<DateTimeValue>()) {
        double d = -x.as<DateTimeValue>().days;
        requireValidDate(d);
        return Value::dateTime(d);
    }
    throwTypeMismatch();
}

std::optional<bool> truthOf(const Value& v, const SqlLocale& locale) {
    if (v.isNull()) return std::nullopt;
    return toBoolean(v, locale);
}

Value logicalAnd(const Value& a, const Value& b) {
    auto x = truthOf(a), y = truthOf(b);
    if ((x && !*x) || (y && !*y)) return Value::boolean(false);
    if (!x || !y) return Value::null();
    return Value::boolean(true);
}

Value logicalOr(const Value& a, const Value& b) {
    auto x = truthOf(a), y = truthOf(b);
    if ((x && *x) || (y && *y)) return Value::boolean(true);
    if (!x || !y) return Value::null();
    return Value::boolean(false);
}

Value logicalNot(const Value& a) {
    auto x = truthOf(a);
    if (!x) return Value::null();
    return Value::boolean(!*x);
}

Value logicalXor(const Value& a, const Value& b) {
    auto x = truthOf(a), y = truthOf(b);
    if (!x || !y) return Value::null();
    return Value::boolean(*x != *y);
}

Value logicalEqv(const Value& a, const Value& b) {
    auto x = truthOf(a), y = truthOf(b);
    if (!x || !y) return Value::null();
    return Value::boolean(*x == *y);
}

Value logicalImp(const Value& a, const Value& b) {
    auto x = truthOf(a), y = truthOf(b);
    if ((x && !*x) || (y && *y)) return Value::boolean(true);
    if (!x || !y) return Value::null();
    return Value::boolean(false);
}

}  // namespace jet
