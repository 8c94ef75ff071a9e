#include "jet/sql/functions/value_ops_decimal.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

__extension__ typedef unsigned __int128 U128;

// 2^96 - 1, the largest magnitude a Decimal holds.
const U128 kMax96 = (static_cast<U128>(1) << 96) - 1;

struct Wide {
    bool negative = false;
    U128 magnitude = 0;
    int scale = 0;
};

U128 pow10(int n) {
    U128 r = 1;
    for (int i = 0; i < n; ++i) r *= 10;
    return r;
}

Wide widen(const Decimal& d) {
    Wide w;
    w.negative = d.negative;
    w.scale = d.scale;
    w.magnitude = (static_cast<U128>(d.magnitude[2]) << 64) |
                  (static_cast<U128>(d.magnitude[1]) << 32) | d.magnitude[0];
    return w;
}

// Divides by 10^n rounding half to even.
U128 divideRounded(U128 v, int n) {
    if (n <= 0) return v;
    if (n > 38) return 0;
    U128 p = pow10(n);
    U128 q = v / p, r = v % p;
    U128 half = p / 2;
    if (r > half || (r == half && (q & 1))) ++q;
    return q;
}

Decimal narrow(Wide w) {
    // Shed fraction digits until the magnitude fits 96 bits and the scale 28.
    while ((w.magnitude > kMax96 || w.scale > kMaxDecimalScale) && w.scale > 0) {
        w.magnitude = divideRounded(w.magnitude, 1);
        --w.scale;
    }
    if (w.magnitude > kMax96) throwOverflow();
    Decimal d;
    d.negative = w.negative && w.magnitude != 0;
    d.precision = 28;
    d.scale = static_cast<uint8_t>(w.scale);
    d.magnitude[0] = static_cast<uint32_t>(w.magnitude);
    d.magnitude[1] = static_cast<uint32_t>(w.magnitude >> 32);
    d.magnitude[2] = static_cast<uint32_t>(w.magnitude >> 64);
    d.magnitude[3] = 0;
    return d;
}

// Brings both to the same scale, giving up fraction digits of the finer one
// when the coarser one cannot be scaled up without overflow.
void align(Wide& a, Wide& b) {
    while (a.scale != b.scale) {
        Wide& lo = a.scale < b.scale ? a : b;
        Wide& hi = a.scale < b.scale ? b : a;
        U128 scaled;
        if (!__builtin_mul_overflow(lo.magnitude, static_cast<U128>(10), &scaled) &&
            scaled <= (static_cast<U128>(1) << 120)) {
            lo.magnitude = scaled;
            ++lo.scale;
        } else {
            hi.magnitude = divideRounded(hi.magnitude, 1);
            --hi.scale;
        }
    }
}

Wide addWide(Wide a, Wide b) {
    align(a, b);
    Wide r;
    r.scale = a.scale;
    if (a.negative == b.negative) {
        r.negative = a.negative;
        r.magnitude = a.magnitude + b.magnitude;
    } else if (a.magnitude >= b.magnitude) {
        r.negative = a.negative;
        r.magnitude = a.magnitude - b.magnitude;
    } else {
        r.negative = b.negative;
        r.magnitude = b.magnitude - a.magnitude;
    }
    return r;
}

}  // namespace

Decimal decimalFromInt64(int64_t v) {
    Wide w;
    w.negative = v < 0;
    w.magnitude = v < 0 ? static_cast<U128>(-(v + 1)) + 1 : static_cast<U128>(v);
    return narrow(w);
}

Decimal decimalFromCurrency(int64_t tenThousandths) {
    Decimal d = decimalFromInt64(tenThousandths);
    d.scale = 4;
    return d;
}

Decimal decimalFromDouble(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 7.9228162514264338e28) throwOverflow();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", v);
    // buf: "-d.dddddddddddddde+XX"
    std::string s(buf);
    auto ePos = s.find('e');
    int exponent = std::stoi(s.substr(ePos + 1));
    std::string digits;
    bool negative = s[0] == '-';
    for (size_t i = 0; i < ePos; ++i)
        if (s[i] >= '0' && s[i] <= '9') digits.push_back(s[i]);
    // value = 0.digits... scaled: digits * 10^(exponent - 14)
    Wide w;
    w.negative = negative;
    for (char c : digits) w.magnitude = w.magnitude * 10 + static_cast<unsigned>(c - '0');
    int shift = exponent - 14;
    if (shift >= 0) {
        w.magnitude *= pow10(shift);
        w.scale = 0;
    } else {
        w.scale = -shift;
    }
    // Drop trailing zeros of the fraction.
    while (w.scale > 0 && w.magnitude % 10 == 0) {
        w.magnitude /= 10;
        --w.scale;
    }
    return narrow(w);
}

double decimalToDouble(const Decimal& d) {
    Wide w = widen(d);
    long double v = static_cast<long double>(w.magnitude);
    for (int i = 0; i < w.scale; ++i) v /= 10;
    return static_cast<double>(w.negative ? -v : v);
}

std::optional<Decimal> decimalFromText(std::string_view text) {
    Wide w;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) w.negative = text[i++] == '-';
    bool anyDigit = false, inFraction = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        anyDigit = true;
        if (w.magnitude > (static_cast<U128>(1) << 120)) {
            if (!inFraction) throwOverflow();
            continue;  // digits beyond what a Decimal holds
        }
        w.magnitude = w.magnitude * 10 + static_cast<unsigned>(c - '0');
        if (inFraction) ++w.scale;
    }
    if (!anyDigit) return std::nullopt;
    return narrow(w);
}

std::string decimalToText(const Decimal& d) {
    std::string s = d.toString();
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

Decimal decimalAdd(const Decimal& a, const Decimal& b) {
    return narrow(addWide(widen(a), widen(b)));
}

Decimal decimalSubtract(const Decimal& a, const Decimal& b) {
    return decimalAdd(a, decimalNegate(b));
}

Decimal decimalNegate(const Decimal& a) {
    Decimal r = a;
    r.negative = !a.negative && !decimalIsZero(a);
    return r;
}

Decimal decimalMultiply(const Decimal& a, const Decimal& b) {
    Wide x = widen(a), y = widen(b);
    U128 product;
    while (__builtin_mul_overflow(x.magnitude, y.magnitude, &product)) {
        Wide& finer = x.scale >= y.scale ? x : y;
        if (finer.scale == 0) throwOverflow();
        finer.magnitude = divideRounded(finer.magnitude, 1);
        --finer.scale;
    }
    Wide r;
    r.negative = x.negative != y.negative;
    r.magnitude = product;
    r.scale = x.scale + y.scale;
    return narrow(r);
}

Decimal decimalDivide(const Decimal& a, const Decimal& b) {
    if (decimalIsZero(b)) throwDivisionByZero();
    Wide x = widen(a), y = widen(b);
    Wide r;
    r.negative = x.negative != y.negative;
    // Scale the dividend up as far as 128 bits allow, divide, and keep the
    // remainder's digits while they fit.
    U128 limit = (static_cast<U128>(1) << 124);
    while (x.magnitude < limit / 10 && x.scale - y.scale < kMaxDecimalScale + 10) {
        x.magnitude *= 10;
        ++x.scale;
    }
    U128 q = y.magnitude == 0 ? 0 : x.magnitude / y.magnitude;
    U128 rem = x.magnitude % y.magnitude;
    // Round half to even on the last digit.
    U128 twice = rem * 2;
    if (twice > y.magnitude || (twice == y.magnitude && (q & 1))) ++q;
    r.magnitude = q;
    r.scale = x.scale - y.scale;
    while (r.scale < 0) {
        if (__builtin_mul_overflow(r.magnitude, static_cast<U128>(10), &r.magnitude))
            throwOverflow();
        ++r.scale;
    }
    while (r.scale > 0 && r.magnitude % 10 == 0) {
        r.magnitude /= 10;
        --r.scale;
    }
    return narrow(r);
}

Decimal decimalRound(const Decimal& a, int scale) {
    Wide w = widen(a);
    if (scale < 0) scale = 0;
    if (w.scale > scale) {
        w.magnitude = divideRounded(w.magnitude, w.scale - scale);
        w.scale = scale;
    }
    return narrow(w);
}

Decimal decimalTruncate(const Decimal& a) {
    Wide w = widen(a);
    if (w.scale > 0) {
        w.magnitude /= pow10(w.scale);
        w.scale = 0;
    }
    return narrow(w);
}

Decimal decimalFloor(const Decimal& a) {
    Decimal t = decimalTruncate(a);
    if (a.negative && decimalCompare(t, a) != 0) t = decimalSubtract(t, decimalFromInt64(1));
    return t;
}

int decimalCompare(const Decimal& a, const Decimal& b) {
    Wide d = addWide(widen(a), widen(decimalNegate(b)));
    if (d.magnitude == 0) return 0;
    return d.negative ? -1 : 1;
}

bool decimalIsZero(const Decimal& a) {
    return a.magnitude[0] == 0 && a.magnitude[1] == 0 && a.magnitude[2] == 0 && a.magnitude[3] == 0;
}

int decimalSign(const Decimal& a) {
    return decimalIsZero(a) ? 0 : (a.negative ? -1 : 1);
}

std::optional<int64_t> decimalToInt64(const Decimal& a) {
    Wide w = widen(a);
    U128 p = pow10(w.scale);
    if (w.magnitude % p != 0) return std::nullopt;
    U128 whole = w.magnitude / p;
    // The negative range reaches one further: -2^63 is a value of its own.
    const U128 limit = static_cast<U128>(INT64_MAX) + (w.negative ? 1 : 0);
    if (whole > limit) return std::nullopt;
    if (w.negative) return static_cast<int64_t>(0 - static_cast<uint64_t>(whole));
    return static_cast<int64_t>(whole);
}

}  // namespace jet
