// Text functions: Len, Left, Right, Mid, InStr, InStrRev, Replace, Trim,
// LTrim, RTrim, UCase, LCase, Space, String, StrComp, StrReverse, Chr,
// ChrW, Asc, AscW. Positions count code points from 1. Chr and Asc use the
// Western (1252) code page, as Access on an English Windows does.
#include <algorithm>
#include <cstdint>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

constexpr size_t kMaxTextLength = 1u << 28;  // refuse absurd Space/String sizes

std::u32string codePoints(const Value& v, const FunctionContext& c) {
    return utf8ToCodePoints(toText(v, *c.locale));
}

Value textValue(std::u32string_view s) {
    return Value::text(codePointsToUtf8(s));
}

size_t lengthArg(const Value& v, const FunctionContext& c) {
    int64_t n = longArg(v, c);
    if (n < 0) throwInvalidCall();
    return static_cast<size_t>(n);
}

// Position (0-based) of `needle` in `hay` at or after `from`, or npos.
size_t findForward(const std::u32string& hay, const std::u32string& needle, size_t from,
                   bool textCompare) {
    if (!textCompare) return hay.find(needle, from);
    return foldText(hay).find(foldText(needle), from);
}

Value lenFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    return Value::integer(static_cast<int64_t>(codePoints(a[0], c).size()));
}

Value leftFn(const std::vector<Value>& a, const FunctionContext& c) {
    size_t n = lengthArg(a[1], c);
    if (a[0].isNull()) return Value::null();
    std::u32string s = codePoints(a[0], c);
    return textValue(std::u32string_view(s).substr(0, n));
}

Value rightFn(const std::vector<Value>& a, const FunctionContext& c) {
    size_t n = lengthArg(a[1], c);
    if (a[0].isNull()) return Value::null();
    std::u32string s = codePoints(a[0], c);
    return textValue(std::u32string_view(s).substr(s.size() - std::min(n, s.size())));
}

Value midFn(const std::vector<Value>& a, const FunctionContext& c) {
    int64_t start = longArg(a[1], c);
    if (start < 1) throwInvalidCall();
    size_t n = a.size() > 2 && !a[2].isNull() ? lengthArg(a[2], c) : std::u32string::npos;
    if (a[0].isNull()) return Value::null();
    std::u32string s = codePoints(a[0], c);
    size_t from = static_cast<size_t>(start - 1);
    if (from >= s.size()) return Value::text("");
    return textValue(std::u32string_view(s).substr(from, n));
}

Value inStrFn(const std::vector<Value>& a, const FunctionContext& c) {
    // InStr(s1, s2) or InStr(start, s1, s2[, compare]).
    bool withStart = a.size() >= 3;
    int64_t start = 1;
    if (withStart) {
        start = longArg(a[0], c);
        if (start < 1) throwInvalidCall();
    }
    const Value& v1 = a[withStart ? 1 : 0];
    const Value& v2 = a[withStart ? 2 : 1];
    bool textCompare = textCompareArg(a, 3, c);
    if (v1.isNull() || v2.isNull()) return Value::null();
    std::u32string s1 = codePoints(v1, c), s2 = codePoints(v2, c);
    if (s1.empty()) return Value::integer(0);
    if (s2.empty()) return Value::integer(start);
    if (static_cast<size_t>(start) > s1.size()) return Value::integer(0);
    size_t at = findForward(s1, s2, static_cast<size_t>(start - 1), textCompare);
    return Value::integer(at == std::u32string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

Value inStrRevFn(const std::vector<Value>& a, const FunctionContext& c) {
    int64_t start = optionalLongArg(a, 2, -1, c);
    if (start == 0 || start < -1) throwInvalidCall();
    bool textCompare = textCompareArg(a, 3, c);
    if (a[0].isNull() || a[1].isNull()) return Value::null();
    std::u32string s1 = codePoints(a[0], c), s2 = codePoints(a[1], c);
    if (start == -1) start = static_cast<int64_t>(s1.size());
    if (s1.empty()) return Value::integer(0);
    if (s2.empty()) return Value::integer(start);
    if (static_cast<size_t>(start) > s1.size()) return Value::integer(0);
    if (s2.size() > static_cast<size_t>(start)) return Value::integer(0);
    std::u32string hay = textCompare ? foldText(s1) : s1;
    std::u32string needle = textCompare ? foldText(s2) : s2;
    size_t at = hay.rfind(needle, static_cast<size_t>(start) - s2.size());
    return Value::integer(at == std::u32string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

Value replaceFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull() || a[1].isNull() || a[2].isNull()) throwInvalidUseOfNull();
    int64_t start = optionalLongArg(a, 3, 1, c);
    int64_t count = optionalLongArg(a, 4, -1, c);
    if (start < 1 || count < -1) throwInvalidCall();
    bool textCompare = textCompareArg(a, 5, c);
    std::u32string s = codePoints(a[0], c), find = codePoints(a[1], c), repl = codePoints(a[2], c);
    if (static_cast<size_t>(start) > s.size()) return Value::text("");
    s = s.substr(static_cast<size_t>(start - 1));
    if (find.empty() || count == 0) return textValue(s);
    std::u32string hay = textCompare ? foldText(s) : s;
    std::u32string needle = textCompare ? foldText(find) : find;
    std::u32string out;
    size_t pos = 0;
    int64_t done = 0;
    while (count < 0 || done < count) {
        size_t at = hay.find(needle, pos);
        if (at == std::u32string::npos) break;
        out.append(s, pos, at - pos);
        out += repl;
        pos = at + find.size();
        ++done;
    }
    out.append(s, pos, std::u32string::npos);
    return textValue(out);
}

Value trimWith(const std::vector<Value>& a, const FunctionContext& c, bool left, bool right) {
    if (a[0].isNull()) return Value::null();
    std::string s = toText(a[0], *c.locale);
    size_t b = 0, e = s.size();
    if (left)
        while (b < e && s[b] == ' ') ++b;
    if (right)
        while (e > b && s[e - 1] == ' ') --e;
    return Value::text(s.substr(b, e - b));
}

Value trimFn(const std::vector<Value>& a, const FunctionContext& c) {
    return trimWith(a, c, true, true);
}
Value lTrimFn(const std::vector<Value>& a, const FunctionContext& c) {
    return trimWith(a, c, true, false);
}
Value rTrimFn(const std::vector<Value>& a, const FunctionContext& c) {
    return trimWith(a, c, false, true);
}

Value uCaseFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    return Value::text(upperText(toText(a[0], *c.locale)));
}

Value lCaseFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    return Value::text(lowerText(toText(a[0], *c.locale)));
}

// StrConv's conversions that mean something outside East Asian text:
// 1 upper case, 2 lower case, 3 the first letter of every word upper case
// and the rest lower (words part at NUL, tab, line feed, vertical tab, form
// feed, carriage return and space).
Value strConvFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) return Value::null();
    const std::string text = toText(a[0], *c.locale);
    switch (longArg(a[1], c)) {
        case 1:
            return Value::text(upperText(text));
        case 2:
            return Value::text(lowerText(text));
        case 3: {
            const std::string lower = lowerText(text);
            std::string out;
            bool wordStart = true;
            for (size_t i = 0; i < lower.size();) {
                const auto byte = static_cast<unsigned char>(lower[i]);
                size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
                length = std::min(length, lower.size() - i);
                const std::string_view piece(lower.data() + i, length);
                const bool separator =
                    length == 1 && (byte == 0 || (byte >= 9 && byte <= 13) || byte == ' ');
                out += wordStart && !separator ? upperText(piece) : std::string(piece);
                wordStart = separator;
                i += length;
            }
            return Value::text(out);
        }
        default:
            throwInvalidCall();
    }
}

Value spaceFn(const std::vector<Value>& a, const FunctionContext& c) {
    size_t n = lengthArg(a[0], c);
    if (n > kMaxTextLength) throwInvalidCall();
    return Value::text(std::string(n, ' '));
}

// Windows-1252 characters 0x80..0x9F; the rest of 0..255 is Latin-1.
char32_t ansiCharacter(int64_t code) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (code >= 0x80 && code < 0xA0) return high[code - 0x80];
    return static_cast<char32_t>(code);
}

Value stringFn(const std::vector<Value>& a, const FunctionContext& c) {
    size_t n = lengthArg(a[0], c);
    if (a[1].isNull()) return Value::null();
    if (n > kMaxTextLength) throwInvalidCall();
    char32_t ch;
    if (a[1].is<std::string>()) {
        std::u32string s = codePoints(a[1], c);
        if (s.empty()) throwInvalidCall();
        ch = s[0];
    } else {
        int64_t code = toWholeNumber(a[1], INT32_MIN, INT32_MAX, *c.locale);
        code %= 256;
        if (code < 0) code += 256;
        ch = ansiCharacter(code);
    }
    return textValue(std::u32string(n, ch));
}

// Chr(code): the character of a code 0..255.
Value chrFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) throwInvalidUseOfNull();
    const int64_t code = toWholeNumber(a[0], INT32_MIN, INT32_MAX, *c.locale);
    if (code < 0 || code > 255) throwInvalidCall();
    return textValue(std::u32string(1, ansiCharacter(code)));
}

// ChrW(code): the UTF-16 unit of a code -32768..65535 (negative codes are
// the units above 32767); a lone surrogate half becomes U+FFFD.
Value chrWFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) throwInvalidUseOfNull();
    int64_t code = toWholeNumber(a[0], INT32_MIN, INT32_MAX, *c.locale);
    if (code < -32768 || code > 65535) throwInvalidCall();
    if (code < 0) code += 65536;
    const char32_t unit = static_cast<char32_t>(code);
    return textValue(std::u32string(1, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit));
}

// The first character of a text that must not be empty.
char32_t firstCharacter(const Value& v, const FunctionContext& c) {
    if (v.isNull()) throwInvalidUseOfNull();
    const std::u32string s = codePoints(v, c);
    if (s.empty()) throwInvalidCall();
    return s[0];
}

// Asc(text): the code page code of the first character; "?" (63) for one the
// code page does not have.
Value ascFn(const std::vector<Value>& a, const FunctionContext& c) {
    const char32_t ch = firstCharacter(a[0], c);
    for (int64_t code = 0; code < 256; ++code) {
        if (ansiCharacter(code) == ch) return Value::integer(code);
    }
    return Value::integer('?');
}

// AscW(text): the first UTF-16 unit of the text.
Value ascWFn(const std::vector<Value>& a, const FunctionContext& c) {
    const char32_t ch = firstCharacter(a[0], c);
    if (ch >= 0x10000) return Value::integer(0xD800 + ((ch - 0x10000) >> 10));
    return Value::integer(ch);
}

Value strReverseFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) throwInvalidUseOfNull();
    std::u32string s = codePoints(a[0], c);
    std::reverse(s.begin(), s.end());
    return textValue(s);
}

Value strCompFn(const std::vector<Value>& a, const FunctionContext& c) {
    bool textCompare = textCompareArg(a, 2, c);
    if (a[0].isNull() || a[1].isNull()) return Value::null();
    std::string x = toText(a[0], *c.locale), y = toText(a[1], *c.locale);
    int r = textCompare ? compareTextNoCase(x, y) : compareTextExact(x, y);
    return Value::integer(r);
}

}  // namespace

void addTextFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"Len", 1, 1, lenFn});
    out.push_back({"Left", 2, 2, leftFn});
    out.push_back({"Right", 2, 2, rightFn});
    out.push_back({"Mid", 2, 3, midFn});
    out.push_back({"InStr", 2, 4, inStrFn});
    out.push_back({"InStrRev", 2, 4, inStrRevFn});
    out.push_back({"Replace", 3, 6, replaceFn});
    out.push_back({"Trim", 1, 1, trimFn});
    out.push_back({"LTrim", 1, 1, lTrimFn});
    out.push_back({"RTrim", 1, 1, rTrimFn});
    out.push_back({"UCase", 1, 1, uCaseFn});
    out.push_back({"LCase", 1, 1, lCaseFn});
    out.push_back({"StrConv", 2, 3, strConvFn});
    out.push_back({"Space", 1, 1, spaceFn});
    out.push_back({"String", 2, 2, stringFn});
    out.push_back({"StrComp", 2, 3, strCompFn});
    out.push_back({"StrReverse", 1, 1, strReverseFn});
    out.push_back({"Chr", 1, 1, chrFn});
    out.push_back({"ChrW", 1, 1, chrWFn});
    out.push_back({"Asc", 1, 1, ascFn});
    out.push_back({"AscW", 1, 1, ascWFn});
}

}  // namespace jet
