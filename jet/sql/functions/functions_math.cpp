// Numeric functions: Int, Fix, Abs, Sgn, Sqr, Round, Exp, Log and the
// trigonometric Atn, Cos, Sin, Tan. Int, Fix, Abs and Round keep the type
// of their argument (text is read as Double); Null gives Null.
#include <cmath>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_decimal.h"
#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

Value numericArg(const Value& v, const FunctionContext& c) {
    return toArithmetic(v, *c.locale);
}

Value finite(double d) {
    if (!std::isfinite(d)) throwOverflow();
    return Value::real(d);
}

// Whole part toward minus infinity (Int) or toward zero (Fix), same type.
Value wholePart(const Value& v, const FunctionContext& c, bool towardZero) {
    if (v.isNull()) return Value::null();
    Value x = numericArg(v, c);
    auto whole = [&](double d) { return towardZero ? std::trunc(d) : std::floor(d); };
    if (x.is<bool>()) return Value::integer(x.as<bool>() ? -1 : 0);
    if (x.is<int64_t>()) return x;
    if (x.is<float>()) return Value::single(static_cast<float>(whole(x.as<float>())));
    if (x.is<double>()) return Value::real(whole(x.as<double>()));
    if (x.is<DateTimeValue>()) return Value::dateTime(whole(x.as<DateTimeValue>().days));
    if (x.is<CurrencyValue>()) {
        int64_t t = x.as<CurrencyValue>().tenThousandths;
        int64_t q = t / 10000;
        if (!towardZero && t % 10000 < 0) --q;
        return Value::currency(q * 10000);
    }
    const Decimal& d = x.as<Decimal>();
    return Value::decimal(towardZero ? decimalTruncate(d) : decimalFloor(d));
}

Value intFn(const std::vector<Value>& a, const FunctionContext& c) {
    return wholePart(a[0], c, false);
}
Value fixFn(const std::vector<Value>& a, const FunctionContext& c) {
    return wholePart(a[0], c, true);
}

Value absFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    Value x = numericArg(a[0], c);
    if (x.is<bool>()) return Value::integer(x.as<bool>() ? 1 : 0);
    if (x.is<int64_t>()) {
        int64_t i = x.as<int64_t>();
        if (i == INT64_MIN) throwOverflow();
        return Value::integer(i < 0 ? -i : i);
    }
    if (x.is<float>()) return Value::single(std::fabs(x.as<float>()));
    if (x.is<CurrencyValue>()) {
        int64_t t = x.as<CurrencyValue>().tenThousandths;
        if (t == INT64_MIN) throwOverflow();
        return Value::currency(t < 0 ? -t : t);
    }
    if (x.is<Decimal>()) {
        Decimal d = x.as<Decimal>();
        d.negative = false;
        return Value::decimal(d);
    }
    return Value::real(std::fabs(toDouble(x, *c.locale)));
}

Value sgnFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    Value x = numericArg(a[0], c);
    if (x.is<Decimal>()) return Value::integer(decimalSign(x.as<Decimal>()));
    double d = toDouble(x, *c.locale);
    return Value::integer(d > 0 ? 1 : (d < 0 ? -1 : 0));
}

Value sqrFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    double d = toDouble(numericArg(a[0], c), *c.locale);
    if (d < 0) throwInvalidCall();
    return Value::real(std::sqrt(d));
}

Value expFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    return finite(std::exp(toDouble(numericArg(a[0], c), *c.locale)));
}

Value logFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    double d = toDouble(numericArg(a[0], c), *c.locale);
    if (d <= 0) throwInvalidCall();
    return Value::real(std::log(d));
}

template <double (*F)(double)>
Value unaryDouble(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    return finite(F(toDouble(numericArg(a[0], c), *c.locale)));
}

double roundDouble(double v, int64_t digits) {
    if (digits == 0) return roundHalfEven(v);
    double scale = std::pow(10.0, static_cast<double>(digits));
    double scaled = v * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.007199254740992e15) return v;
    return roundHalfEven(scaled) / scale;
}

Value roundFn(const std::vector<Value>& a, const FunctionContext& c) {
    int64_t digits = optionalLongArg(a, 1, 0, c);
    if (digits < 0) throwInvalidCall();
    if (a[0].isNull()) return Value::null();
    Value x = numericArg(a[0], c);
    if (x.is<bool>()) return Value::integer(x.as<bool>() ? -1 : 0);
    if (x.is<int64_t>()) return x;
    if (x.is<float>()) return Value::single(static_cast<float>(roundDouble(x.as<float>(), digits)));
    if (x.is<CurrencyValue>()) {
        if (digits >= 4) return x;
        Decimal d = decimalRound(decimalFromCurrency(x.as<CurrencyValue>().tenThousandths),
                                 static_cast<int>(digits));
        return Value::currency(toCurrencyUnits(Value::decimal(d), *c.locale));
    }
    if (x.is<Decimal>())
        return Value::decimal(
            decimalRound(x.as<Decimal>(), static_cast<int>(std::min<int64_t>(digits, 28))));
    if (x.is<DateTimeValue>())
        return Value::dateTime(roundDouble(x.as<DateTimeValue>().days, digits));
    return Value::real(roundDouble(x.as<double>(), digits));
}

}  // namespace

void addMathFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"Int", 1, 1, intFn});
    out.push_back({"Fix", 1, 1, fixFn});
    out.push_back({"Abs", 1, 1, absFn});
    out.push_back({"Sgn", 1, 1, sgnFn});
    out.push_back({"Sqr", 1, 1, sqrFn});
    out.push_back({"Round", 1, 2, roundFn});
    out.push_back({"Exp", 1, 1, expFn});
    out.push_back({"Log", 1, 1, logFn});
    out.push_back({"Atn", 1, 1, unaryDouble<std::atan>});
    out.push_back({"Cos", 1, 1, unaryDouble<std::cos>});
    out.push_back({"Sin", 1, 1, unaryDouble<std::sin>});
    out.push_back({"Tan", 1, 1, unaryDouble<std::tan>});
}

}  // namespace jet
