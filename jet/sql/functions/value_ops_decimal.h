// Decimal arithmetic as Access does it: a 96-bit unscaled magnitude with a
// scale of 0 to 28 and a sign. Results that need more digits lose fraction
// digits (rounded half to even); results that need more integer digits
// throw "Overflow". The Decimal struct's precision field is not kept by
// arithmetic (it describes a column, not a value); results carry 28.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "jet/value.h"

namespace jet {

constexpr int kMaxDecimalScale = 28;

Decimal decimalFromInt64(int64_t v);
Decimal decimalFromCurrency(int64_t tenThousandths);
// Exact for values up to 15 significant digits, as Access converts doubles.
Decimal decimalFromDouble(double v);
double decimalToDouble(const Decimal& d);
// Plain decimal text: optional sign, digits, optional fraction. No exponent.
std::optional<Decimal> decimalFromText(std::string_view text);
// Text without trailing fraction zeros ("1.5", "-3", "0.001").
std::string decimalToText(const Decimal& d);

Decimal decimalAdd(const Decimal& a, const Decimal& b);
Decimal decimalSubtract(const Decimal& a, const Decimal& b);
Decimal decimalMultiply(const Decimal& a, const Decimal& b);
// Throws "Division by zero".
Decimal decimalDivide(const Decimal& a, const Decimal& b);
Decimal decimalNegate(const Decimal& a);
// Rounded half to even to at most `scale` fraction digits.
Decimal decimalRound(const Decimal& a, int scale);
// Whole part toward minus infinity (floor) or toward zero (truncate).
Decimal decimalFloor(const Decimal& a);
Decimal decimalTruncate(const Decimal& a);
int decimalCompare(const Decimal& a, const Decimal& b);
bool decimalIsZero(const Decimal& a);
int decimalSign(const Decimal& a);
// The value as int64 when it is a whole number in range.
std::optional<int64_t> decimalToInt64(const Decimal& a);

}  // namespace jet
