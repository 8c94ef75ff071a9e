// Conversion functions: CStr, CInt, CLng, CByte, CSng, CDbl, CCur, CDec,
// CDate, CBool, CVar, Val, Str, Hex, Oct. The C* functions refuse Null
// ("Invalid use of Null") as Access does; Str, Hex and Oct pass Null through.
#include <cctype>
#include <cmath>
#include <limits>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

const Value& required(const Value& v) {
    if (v.isNull()) throwInvalidUseOfNull();
    return v;
}

Value cStrFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::text(toText(required(a[0]), *c.locale));
}
Value cIntFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::integer(toWholeNumber(required(a[0]), -32768, 32767, *c.locale));
}
Value cLngFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::integer(toWholeNumber(required(a[0]), INT32_MIN, INT32_MAX, *c.locale));
}
Value cByteFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::integer(toWholeNumber(required(a[0]), 0, 255, *c.locale));
}
Value cSngFn(const std::vector<Value>& a, const FunctionContext& c) {
    double d = toDouble(required(a[0]), *c.locale);
    if (std::fabs(d) > std::numeric_limits<float>::max()) throwOverflow();
    return Value::single(static_cast<float>(d));
}
Value cDblFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::real(toDouble(required(a[0]), *c.locale));
}
Value cCurFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::currency(toCurrencyUnits(required(a[0]), *c.locale));
}
Value cDecFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::decimal(toDecimal(required(a[0]), *c.locale));
}
Value cDateFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::dateTime(toDateNumber(required(a[0]), *c.locale));
}
Value cBoolFn(const std::vector<Value>& a, const FunctionContext& c) {
    return Value::boolean(toBoolean(required(a[0]), *c.locale));
}

// The number at the start of a text: white space anywhere is skipped, the
// first character that cannot continue a number ends it.
double leadingNumber(std::string_view s) {
    std::string compact;
    for (char ch : s)
        if (ch != ' ' && ch != '\t' && ch != '\n' && ch != '\r') compact.push_back(ch);
    if (compact.size() >= 2 && compact[0] == '&') {
        char kind = static_cast<char>(compact[1] | 0x20);
        int radix = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
        if (radix == 0) return 0;
        size_t i = 2;
        std::string digits;
        for (; i < compact.size(); ++i) {
            char ch = compact[i];
            bool ok = radix == 16 ? std::isxdigit(static_cast<unsigned char>(ch)) != 0
                                  : (ch >= '0' && ch <= '7');
            if (!ok) break;
            digits.push_back(ch);
        }
        if (digits.empty()) return 0;
        auto parsed = parseNumberText("&" + std::string(1, kind) + digits, englishUnitedStates());
        return parsed ? *parsed : 0;
    }
    size_t i = 0;
    std::string number;
    if (i < compact.size() && (compact[i] == '-' || compact[i] == '+'))
        number.push_back(compact[i++]);
    bool digits = false;
    while (i < compact.size() && std::isdigit(static_cast<unsigned char>(compact[i]))) {
        number.push_back(compact[i++]);
        digits = true;
    }
    if (i < compact.size() && compact[i] == '.') {
        number.push_back(compact[i++]);
        while (i < compact.size() && std::isdigit(static_cast<unsigned char>(compact[i]))) {
            number.push_back(compact[i++]);
            digits = true;
        }
    }
    if (!digits) return 0;
    if (i < compact.size() &&
        (compact[i] == 'e' || compact[i] == 'E' || compact[i] == 'd' || compact[i] == 'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < compact.size() && (compact[j] == '-' || compact[j] == '+'))
            exponent.push_back(compact[j++]);
        size_t start = j;
        while (j < compact.size() && std::isdigit(static_cast<unsigned char>(compact[j])))
            exponent.push_back(compact[j++]);
        if (j > start) number += exponent;
    }
    double d = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(d)) throwOverflow();
    return d;
}

Value valFn(const std::vector<Value>& a, const FunctionContext& c) {
    const Value& v = required(a[0]);
    if (v.is<std::string>()) return Value::real(leadingNumber(v.as<std::string>()));
    return Value::real(leadingNumber(toText(v, *c.locale)));
}

Value strFn(const std::vector<Value>& a, const FunctionContext& c) {
    const Value& v = a[0];
    if (v.isNull()) return Value::null();
    if (v.is<DateTimeValue>() || v.is<bool>()) return Value::text(toText(v, *c.locale));
    Value n = toArithmetic(v, *c.locale);
    std::string s = toText(n, *c.locale);
    if (s.empty() || s[0] != '-') s.insert(s.begin(), ' ');
    return Value::text(s);
}

// Hex and Oct: the digits of a whole number; negative numbers as the
// two's complement of an Integer when they fit one, else of a Long.
Value radixText(const Value& v, int bitsPerDigit, const FunctionContext& c) {
    if (v.isNull()) return Value::null();
    const int64_t n = toWholeNumber(v, INT32_MIN, INT32_MAX, *c.locale);
    uint64_t bits = static_cast<uint64_t>(n);
    if (n < 0) bits &= n >= -32768 ? 0xFFFFu : 0xFFFFFFFFu;
    const char* digits = "0123456789ABCDEF";
    const uint64_t mask = (1u << bitsPerDigit) - 1;
    std::string out;
    do {
        out.insert(out.begin(), digits[bits & mask]);
        bits >>= bitsPerDigit;
    } while (bits != 0);
    return Value::text(out);
}
Value hexFn(const std::vector<Value>& a, const FunctionContext& c) {
    return radixText(a[0], 4, c);
}
Value octFn(const std::vector<Value>& a, const FunctionContext& c) {
    return radixText(a[0], 3, c);
}
Value cVarFn(const std::vector<Value>& a, const FunctionContext&) {
    return a[0];
}

}  // namespace

void addConversionFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"CStr", 1, 1, cStrFn});
    out.push_back({"CInt", 1, 1, cIntFn});
    out.push_back({"CLng", 1, 1, cLngFn});
    out.push_back({"CByte", 1, 1, cByteFn});
    out.push_back({"CSng", 1, 1, cSngFn});
    out.push_back({"CDbl", 1, 1, cDblFn});
    out.push_back({"CCur", 1, 1, cCurFn});
    out.push_back({"CDec", 1, 1, cDecFn});
    out.push_back({"CDate", 1, 1, cDateFn});
    out.push_back({"CBool", 1, 1, cBoolFn});
    out.push_back({"Val", 1, 1, valFn});
    out.push_back({"Str", 1, 1, strFn});
    out.push_back({"Hex", 1, 1, hexFn});
    out.push_back({"Oct", 1, 1, octFn});
    out.push_back({"CVar", 1, 1, cVarFn});
}

}  // namespace jet
