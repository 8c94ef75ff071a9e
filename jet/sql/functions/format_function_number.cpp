// Custom number formats of the Format function.
#include <cmath>
#include <cstdio>

#include "jet/sql/functions/format_function_internal.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_decimal.h"

namespace jet {

namespace {

// A non-negative number as decimal digits: intDigits "." fracDigits, exact
// for integers, Currency and Decimal, 15 significant digits for Double
// (as Access converts it before formatting) and 7 for Single.
struct Digits {
    std::string intPart;   // no leading zeros; empty for zero
    std::string fracPart;  // no trailing zeros
};

Digits digitsOfText(const std::string& plain) {  // "123.45" without sign
    Digits d;
    auto dot = plain.find('.');
    d.intPart = plain.substr(0, dot);
    if (dot != std::string::npos) d.fracPart = plain.substr(dot + 1);
    size_t nz = d.intPart.find_first_not_of('0');
    d.intPart = nz == std::string::npos ? "" : d.intPart.substr(nz);
    while (!d.fracPart.empty() && d.fracPart.back() == '0') d.fracPart.pop_back();
    return d;
}

Digits digitsOfDouble(double v, int significant) {
    if (v == 0) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, std::fabs(v));
    std::string s(buf);
    auto e = s.find('e');
    int exponent = std::stoi(s.substr(e + 1));
    std::string digits;
    for (size_t i = 0; i < e; ++i)
        if (s[i] >= '0' && s[i] <= '9') digits.push_back(s[i]);
    std::string plain;
    if (exponent < 0) {
        plain = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else if (static_cast<size_t>(exponent) + 1 >= digits.size()) {
        plain = digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
    } else {
        plain = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." +
                digits.substr(static_cast<size_t>(exponent) + 1);
    }
    return digitsOfText(plain);
}

Digits digitsOf(const Value& v, bool& negative) {
    std::string text;
    if (v.is<bool>()) {
        negative = v.as<bool>();
        return digitsOfText(negative ? "1" : "0");
    }
    if (v.is<int64_t>()) {
        int64_t i = v.as<int64_t>();
        negative = i < 0;
        uint64_t mag = negative ? 0 - static_cast<uint64_t>(i) : static_cast<uint64_t>(i);
        return digitsOfText(std::to_string(mag));
    }
    if (v.is<CurrencyValue>() || v.is<Decimal>()) {
        Decimal d = v.is<Decimal>() ? v.as<Decimal>()
                                    : decimalFromCurrency(v.as<CurrencyValue>().tenThousandths);
        negative = d.negative;
        std::string s = d.toString();
        if (!s.empty() && s[0] == '-') s.erase(0, 1);
        return digitsOfText(s);
    }
    double x = v.is<float>() ? static_cast<double>(v.as<float>()) : v.as<double>();
    negative = x < 0;
    return digitsOfDouble(x, v.is<float>() ? 7 : 15);
}

bool isZero(const Digits& d) {
    return d.intPart.empty() && d.fracPart.empty();
}

// Multiplies by 10^n (n may be negative).
Digits shift(Digits d, int n) {
    std::string all = d.intPart + d.fracPart;
    int point = static_cast<int>(d.intPart.size()) + n;
    if (point < 0) {
        all.insert(0, static_cast<size_t>(-point), '0');
        point = 0;
    }
    if (static_cast<size_t>(point) > all.size())
        all.append(static_cast<size_t>(point) - all.size(), '0');
    return digitsOfText(all.substr(0, static_cast<size_t>(point)) + "." +
                        all.substr(static_cast<size_t>(point)));
}

// Rounds half away from zero to `places` fraction digits.
Digits roundTo(Digits d, size_t places) {
    if (d.fracPart.size() <= places) return d;
    bool up = d.fracPart[places] >= '5';
    std::string all = d.intPart + d.fracPart.substr(0, places);
    if (up) {
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[static_cast<size_t>(i)] == '9') all[static_cast<size_t>(i--)] = '0';
        if (i < 0)
            all.insert(all.begin(), '1');
        else
            ++all[static_cast<size_t>(i)];
    }
    size_t intLen = all.size() - places;
    return digitsOfText(all.substr(0, intLen) + "." + all.substr(intLen));
}

struct Item {
    enum Kind { Literal, Digit, Point, Percent, Exponent } kind;
    std::string text;  // literal text; '0' or '#' for digits
    bool inFraction = false;
};

struct Section {
    std::vector<Item> items;
    int intZeros = 0, intPlaceholders = 0;
    int fracPlaceholders = 0;
    bool hasPoint = false, grouping = false;
    int scaleThousands = 0, percents = 0;
    bool scientific = false, exponentPlus = false;
    int exponentZeros = 0;
    std::string exponentLetter;
};

Section parseSection(std::string_view f) {
    Section s;
    bool inFraction = false, inExponent = false;
    int pendingCommas = 0;
    auto flushCommas = [&](bool beforeDigit) {
        if (pendingCommas > 0) {
            if (beforeDigit && !inFraction)
                s.grouping = true;
            else if (!inFraction)
                s.scaleThousands += pendingCommas;
        }
        pendingCommas = 0;
    };
    for (size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (inExponent && (c == '0' || c == '#')) {
            if (c == '0') ++s.exponentZeros;
            continue;
        }
        if (c == '0' || c == '#') {
            bool seenDigit = s.intPlaceholders > 0;
            flushCommas(seenDigit);
            Item it{Item::Digit, std::string(1, c), inFraction};
            if (inFraction) {
                ++s.fracPlaceholders;
            } else {
                ++s.intPlaceholders;
                if (c == '0') ++s.intZeros;
            }
            s.items.push_back(it);
        } else if (c == ',' && !inFraction) {
            ++pendingCommas;
        } else if (c == '.' && !inFraction) {
            flushCommas(false);
            inFraction = true;
            s.hasPoint = true;
            s.items.push_back({Item::Point, ".", false});
        } else if (c == '%') {
            ++s.percents;
            s.items.push_back({Item::Percent, "%", inFraction});
        } else if ((c == 'E' || c == 'e') && i + 1 < f.size() &&
                   (f[i + 1] == '+' || f[i + 1] == '-') && !s.scientific) {
            flushCommas(false);
            s.scientific = true;
            s.exponentPlus = f[i + 1] == '+';
            s.exponentLetter = std::string(1, c);
            s.items.push_back({Item::Exponent, "", inFraction});
            inExponent = true;
            ++i;
        } else if (c == '\\' && i + 1 < f.size()) {
            s.items.push_back({Item::Literal, std::string(1, f[++i]), inFraction});
        } else if (c == '"') {
            size_t close = f.find('"', i + 1);
            if (close == std::string_view::npos) close = f.size();
            s.items.push_back(
                {Item::Literal, std::string(f.substr(i + 1, close - i - 1)), inFraction});
            i = close;
        } else if (c == ',') {
            // a comma in the fraction is not a separator; drop it
        } else {
            inExponent = false;
            s.items.push_back({Item::Literal, std::string(1, c), inFraction});
        }
    }
    flushCommas(false);
    return s;
}

std::string groupThousands(const std::string& digits, char separator) {
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out.push_back(separator);
        out.push_back(digits[static_cast<size_t>(i)]);
    }
    return out;
}

std::string render(const Section& s, Digits d, const SqlLocale& locale) {
    d = shift(d, 2 * s.percents - 3 * s.scaleThousands);
    int exponent = 0;
    if (s.scientific && !isZero(d)) {
        // Place the point after as many digits as the integer part shows.
        int wanted = std::max(1, s.intPlaceholders);
        int magnitude = d.intPart.empty() ? -static_cast<int>(d.fracPart.find_first_not_of('0')) - 1
                                          : static_cast<int>(d.intPart.size()) - 1;
        exponent = magnitude - (wanted - 1);
        d = roundTo(shift(d, -exponent), static_cast<size_t>(s.fracPlaceholders));
        if (static_cast<int>(d.intPart.size()) > wanted) {
            ++exponent;
            d = roundTo(shift(d, -1), static_cast<size_t>(s.fracPlaceholders));
        }
    } else {
        d = roundTo(d, static_cast<size_t>(s.fracPlaceholders));
    }

    std::string intDigits = d.intPart;
    if (static_cast<int>(intDigits.size()) < s.intZeros)
        intDigits.insert(0, static_cast<size_t>(s.intZeros) - intDigits.size(), '0');
    // Fraction digits: padded to the placeholders, trailing zeros at #
    // placeholders dropped.
    std::string frac = d.fracPart;
    frac.resize(static_cast<size_t>(s.fracPlaceholders), '0');
    {
        std::vector<char> kinds;
        for (const Item& it : s.items)
            if (it.kind == Item::Digit && it.inFraction) kinds.push_back(it.text[0]);
        while (!frac.empty() && frac.back() == '0' && kinds[frac.size() - 1] == '#')
            frac.pop_back();
    }

    std::string out;
    int intIndex = 0;
    size_t fracIndex = 0;
    const int n = static_cast<int>(intDigits.size());
    const int placeholders = s.intPlaceholders;
    std::string grouped = s.grouping ? groupThousands(intDigits, locale.thousandsSeparator) : "";
    for (const Item& it : s.items) {
        switch (it.kind) {
            case Item::Literal:
                out += it.text;
                break;
            case Item::Percent:
                out += "%";
                break;
            case Item::Point:
                // A format without digit places before the point still shows
                // the integer digits there: Format(48.14251, ".###") is
                // "48.143" (no "0" for a number below one: ".5").
                if (placeholders == 0 && !s.grouping) out += intDigits;
                out.push_back(locale.decimalPoint);
                break;
            case Item::Exponent: {
                out += s.exponentLetter;
                if (exponent < 0)
                    out.push_back('-');
                else if (s.exponentPlus)
                    out.push_back('+');
                std::string e = std::to_string(std::abs(exponent));
                if (static_cast<int>(e.size()) < s.exponentZeros)
                    e.insert(0, static_cast<size_t>(s.exponentZeros) - e.size(), '0');
                if (e == "0" && s.exponentZeros == 0) e.clear();
                out += e;
                break;
            }
            case Item::Digit:
                if (it.inFraction) {
                    if (fracIndex < frac.size()) out.push_back(frac[fracIndex]);
                    ++fracIndex;
                    break;
                }
                if (s.grouping) {
                    if (intIndex == 0) out += grouped;
                } else {
                    // Digits align right; the first placeholder takes any surplus.
                    int first = n - placeholders + intIndex;
                    if (intIndex == 0) {
                        if (first >= 0) out += intDigits.substr(0, static_cast<size_t>(first) + 1);
                    } else if (first >= 0) {
                        out.push_back(intDigits[static_cast<size_t>(first)]);
                    }
                }
                ++intIndex;
                break;
        }
    }
    return out;
}

bool roundsToZero(const Section& s, const Digits& d) {
    if (s.scientific) return isZero(d);
    return isZero(roundTo(shift(d, 2 * s.percents - 3 * s.scaleThousands),
                          static_cast<size_t>(s.fracPlaceholders)));
}

}  // namespace

std::string formatNumber(const Value& value, std::string_view format, const SqlLocale& locale) {
    std::vector<std::string> sections = splitFormatSections(format);
    bool negative = false;
    Digits d = digitsOf(value, negative);
    if (isZero(d)) negative = false;
    std::string pattern = sections[0];
    bool ownNegativeSection = false;
    if (isZero(d) && sections.size() >= 3 && !sections[2].empty()) {
        pattern = sections[2];
    } else if (negative && sections.size() >= 2 && !sections[1].empty()) {
        pattern = sections[1];
        ownNegativeSection = true;
    }
    Section s = parseSection(pattern);
    std::string text = render(s, d, locale);
    if (negative && !ownNegativeSection && !roundsToZero(s, d)) text.insert(0, "-");
    return text;
}

}  // namespace jet
