// Financial functions as VBA defines them: depreciation (SLN, SYD, DDB) and
// the annuity family (FV, PV, Pmt, IPmt, PPmt, NPer, Rate). Money paid out is
// negative, money received positive; `type` 0 pays at the end of each
// period, 1 at its start. Arguments are read as Double and the result is a
// Double; Null in a required argument gives Null; arguments outside a
// function's domain throw "Invalid procedure call or argument".
#include <cmath>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

double number(const std::vector<Value>& a, size_t i, const FunctionContext& c, double fallback) {
    const Value& v = arg(a, i);
    return v.isNull() ? fallback : toDouble(v, *c.locale);
}

Value finite(double d) {
    if (!std::isfinite(d)) throwInvalidCall();
    return Value::real(d);
}

// (1 + rate)^periods, and the factor of a payment stream over them.
double growth(double rate, double periods) {
    return std::pow(1 + rate, periods);
}

double futureValue(double rate, double periods, double payment, double present, double type) {
    if (rate == 0) return -(present + payment * periods);
    const double g = growth(rate, periods);
    return -(present * g + payment * (1 + rate * type) * (g - 1) / rate);
}

double payment(double rate, double periods, double present, double future, double type) {
    if (periods == 0) throwInvalidCall();
    if (rate == 0) return -(present + future) / periods;
    const double g = growth(rate, periods);
    return -(future + present * g) * rate / ((1 + rate * type) * (g - 1));
}

double interestPayment(double rate, double period, double periods, double present, double future,
                       double type) {
    if (period < 1 || period > periods) throwInvalidCall();
    if (type != 0 && period == 1) return 0;
    const double p = payment(rate, periods, present, future, type);
    const double balance = futureValue(rate, period - 1, p, present, type);
    return type != 0 ? balance * rate / (1 + rate) : balance * rate;
}

double paymentType(const std::vector<Value>& a, size_t i, const FunctionContext& c) {
    return number(a, i, c, 0) != 0 ? 1 : 0;
}

Value slnFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (anyNull(a)) return Value::null();
    const double cost = number(a, 0, c, 0), salvage = number(a, 1, c, 0), life = number(a, 2, c, 0);
    if (life == 0) throwInvalidCall();
    return finite((cost - salvage) / life);
}

Value sydFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (anyNull(a)) return Value::null();
    const double cost = number(a, 0, c, 0), salvage = number(a, 1, c, 0), life = number(a, 2, c, 0),
                 period = number(a, 3, c, 0);
    if (life <= 0 || period <= 0 || period > life) throwInvalidCall();
    return finite((cost - salvage) * (life - period + 1) * 2 / (life * (life + 1)));
}

// Double-declining balance: each period takes `factor` / life of what is
// left, never going below the salvage value.
Value ddbFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (anyNull(a)) return Value::null();
    const double cost = number(a, 0, c, 0), salvage = number(a, 1, c, 0), life = number(a, 2, c, 0),
                 period = number(a, 3, c, 0), factor = number(a, 4, c, 2);
    if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || period > life || factor <= 0)
        throwInvalidCall();
    double taken = 0, last = 0;
    for (int p = 1; p <= static_cast<int>(std::ceil(period)); ++p) {
        last = std::min((cost - taken) * factor / life, std::max(0.0, cost - salvage - taken));
        taken += last;
    }
    return finite(last);
}

Value fvFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull()) return Value::null();
    return finite(futureValue(number(a, 0, c, 0), number(a, 1, c, 0), number(a, 2, c, 0),
                              number(a, 3, c, 0), paymentType(a, 4, c)));
}

Value pvFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull()) return Value::null();
    const double rate = number(a, 0, c, 0), periods = number(a, 1, c, 0), pay = number(a, 2, c, 0),
                 future = number(a, 3, c, 0), type = paymentType(a, 4, c);
    if (rate == 0) return finite(-(future + pay * periods));
    const double g = growth(rate, periods);
    return finite(-(future + pay * (1 + rate * type) * (g - 1) / rate) / g);
}

Value pmtFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull()) return Value::null();
    return finite(payment(number(a, 0, c, 0), number(a, 1, c, 0), number(a, 2, c, 0),
                          number(a, 3, c, 0), paymentType(a, 4, c)));
}

Value iPmtFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull() || arg(a, 3).isNull())
        return Value::null();
    return finite(interestPayment(number(a, 0, c, 0), number(a, 1, c, 0), number(a, 2, c, 0),
                                  number(a, 3, c, 0), number(a, 4, c, 0), paymentType(a, 5, c)));
}

Value pPmtFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull() || arg(a, 3).isNull())
        return Value::null();
    const double rate = number(a, 0, c, 0), period = number(a, 1, c, 0),
                 periods = number(a, 2, c, 0), present = number(a, 3, c, 0),
                 future = number(a, 4, c, 0), type = paymentType(a, 5, c);
    return finite(payment(rate, periods, present, future, type) -
                  interestPayment(rate, period, periods, present, future, type));
}

Value nPerFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull()) return Value::null();
    const double rate = number(a, 0, c, 0), pay = number(a, 1, c, 0), present = number(a, 2, c, 0),
                 future = number(a, 3, c, 0), type = paymentType(a, 4, c);
    if (rate == 0) {
        if (pay == 0) throwInvalidCall();
        return finite(-(present + future) / pay);
    }
    if (rate <= -1) throwInvalidCall();
    const double due = pay * (1 + rate * type);
    const double ratio = (due - future * rate) / (due + present * rate);
    if (!(ratio > 0)) throwInvalidCall();
    return finite(std::log(ratio) / std::log(1 + rate));
}

// The rate that makes the payments meet the values: Newton's method from the
// guess, giving up after 20 tries as VBA does.
Value rateFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (arg(a, 0).isNull() || arg(a, 1).isNull() || arg(a, 2).isNull()) return Value::null();
    const double periods = number(a, 0, c, 0), pay = number(a, 1, c, 0),
                 present = number(a, 2, c, 0), future = number(a, 3, c, 0),
                 type = paymentType(a, 4, c);
    double rate = number(a, 5, c, 0.1);
    if (periods <= 0) throwInvalidCall();
    auto balance = [&](double r) {
        if (r == 0) return present + pay * periods + future;
        const double g = growth(r, periods);
        return present * g + pay * (1 + r * type) * (g - 1) / r + future;
    };
    for (int i = 0; i < 20; ++i) {
        const double f = balance(rate);
        if (std::fabs(f) < 1e-7) return finite(rate);
        const double h = std::max(1e-6, std::fabs(rate) * 1e-6);
        const double slope = (balance(rate + h) - balance(rate - h)) / (2 * h);
        if (slope == 0 || !std::isfinite(slope)) break;
        const double next = rate - f / slope;
        if (!std::isfinite(next) || next <= -1) break;
        if (std::fabs(next - rate) < 1e-12) return finite(next);
        rate = next;
    }
    throwInvalidCall();
}

}  // namespace

void addFinancialFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"SLN", 3, 3, slnFn});
    out.push_back({"SYD", 4, 4, sydFn});
    out.push_back({"DDB", 4, 5, ddbFn});
    out.push_back({"FV", 3, 5, fvFn});
    out.push_back({"PV", 3, 5, pvFn});
    out.push_back({"Pmt", 3, 5, pmtFn});
    out.push_back({"IPmt", 4, 6, iPmtFn});
    out.push_back({"PPmt", 4, 6, pPmtFn});
    out.push_back({"NPer", 3, 5, nPerFn});
    out.push_back({"Rate", 3, 6, rateFn});
}

}  // namespace jet
