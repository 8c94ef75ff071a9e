#include "jet/sql/functions/format_function.h"

#include <array>

#include "jet/sql/functions/format_function_internal.h"
#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

struct NamedFormat {
    std::string_view name;
    std::string_view pattern;
    bool forDates;
};

// The named formats as the custom patterns they stand for (English, United
// States). General Number and General Date are handled apart.
constexpr std::array<NamedFormat, 12> kNamedFormats = {{
    {"CURRENCY", "$#,##0.00;($#,##0.00)", false},
    {"FIXED", "0.00", false},
    {"STANDARD", "#,##0.00", false},
    {"PERCENT", "0.00%", false},
    {"SCIENTIFIC", "0.00E+00", false},
    {"LONG DATE", "dddd, mmmm d, yyyy", true},
    {"MEDIUM DATE", "dd-mmm-yy", true},
    {"SHORT DATE", "m/d/yyyy", true},
    {"LONG TIME", "h:nn:ss AM/PM", true},
    {"MEDIUM TIME", "hh:nn AM/PM", true},
    {"SHORT TIME", "hh:nn", true},
    {"GENERAL DATE", "c", true},
}};

bool isTextFormat(std::string_view format) {
    for (char c : format)
        if (c == '@' || c == '&' || c == '<' || c == '>') return true;
    return false;
}

std::string formatText(const std::string& text, std::string_view format) {
    std::u32string chars = utf8ToCodePoints(text);
    int caseMode = 0;  // -1 lower, 1 upper
    bool fromLeft = false;
    std::vector<std::pair<bool, std::u32string>> items;  // (placeholder?, literal or kind)
    std::u32string f = utf8ToCodePoints(format);
    for (size_t i = 0; i < f.size(); ++i) {
        char32_t c = f[i];
        if (c == U'<')
            caseMode = -1;
        else if (c == U'>')
            caseMode = 1;
        else if (c == U'!')
            fromLeft = true;
        else if (c == U'@' || c == U'&')
            items.push_back({true, std::u32string(1, c)});
        else if (c == U'\\' && i + 1 < f.size())
            items.push_back({false, std::u32string(1, f[++i])});
        else if (c == U'"') {
            size_t close = f.find(U'"', i + 1);
            if (close == std::u32string::npos) close = f.size();
            items.push_back({false, f.substr(i + 1, close - i - 1)});
            i = close;
        } else
            items.push_back({false, std::u32string(1, c)});
    }
    size_t placeholders = 0;
    for (const auto& it : items)
        if (it.first) ++placeholders;
    std::vector<std::u32string> fill(placeholders);
    if (fromLeft) {
        for (size_t k = 0; k < placeholders && k < chars.size(); ++k) fill[k] = chars.substr(k, 1);
        if (chars.size() > placeholders && placeholders > 0)
            fill[placeholders - 1] += chars.substr(placeholders);
    } else {
        size_t n = chars.size();
        for (size_t k = 0; k < placeholders && k < n; ++k)
            fill[placeholders - 1 - k] = chars.substr(n - 1 - k, 1);
        if (n > placeholders && placeholders > 0) fill[0] = chars.substr(0, n - placeholders + 1);
    }
    std::u32string out;
    size_t k = 0;
    for (const auto& it : items) {
        if (!it.first) {
            out += it.second;
            continue;
        }
        const std::u32string& piece = fill[k++];
        if (!piece.empty())
            out += piece;
        else if (it.second[0] == U'@')
            out.push_back(U' ');
    }
    if (placeholders == 0) out += chars;
    std::string result = codePointsToUtf8(out);
    if (caseMode < 0) return lowerText(result);
    if (caseMode > 0) return upperText(result);
    return result;
}

std::string yesNo(const Value& v, const SqlLocale& locale, const char* yes, const char* no) {
    return toDouble(v, locale) != 0 ? yes : no;
}

}  // namespace

Value formatValue(const Value& value, std::string_view format, const SqlLocale& locale,
                  int firstDayOfWeek, int firstWeekOfYear) {
    std::string upper = asciiUpper(format);
    if (value.isNull()) {
        auto sections = splitFormatSections(format);
        if (sections.size() >= 4 && isNumberFormat(format)) return Value::text(sections[3]);
        return Value::null();
    }
    Value v = value;
    if (v.is<ExtDateTime>()) v = Value::text(v.as<ExtDateTime>().toString());
    const bool isText = v.is<std::string>();
    std::optional<double> textNumber, textDate;
    if (isText) {
        textNumber = parseNumberText(v.as<std::string>(), locale);
        textDate = parseDateText(v.as<std::string>(), locale);
    }
    auto asNumber = [&]() -> std::optional<Value> {
        if (isNumberValue(v)) return v;
        if (v.is<DateTimeValue>()) return Value::real(v.as<DateTimeValue>().days);
        if (textNumber) return Value::real(*textNumber);
        return std::nullopt;
    };
    auto asDate = [&]() -> std::optional<double> {
        if (v.is<DateTimeValue>()) return v.as<DateTimeValue>().days;
        if (isText) return textDate ? textDate : textNumber;
        if (isNumberValue(v)) return toDouble(v, locale);
        return std::nullopt;
    };

    if (format.empty() || upper == "GENERAL NUMBER") {
        if (upper.empty() || !asNumber()) return Value::text(toText(v, locale));
        return Value::text(toText(*asNumber(), locale));
    }
    if (upper == "YES/NO" || upper == "TRUE/FALSE" || upper == "ON/OFF") {
        auto n = asNumber();
        if (!n) return Value::text(toText(v, locale));
        if (upper == "YES/NO") return Value::text(yesNo(*n, locale, "Yes", "No"));
        if (upper == "TRUE/FALSE") return Value::text(yesNo(*n, locale, "True", "False"));
        return Value::text(yesNo(*n, locale, "On", "Off"));
    }
    std::string pattern(format);
    for (const NamedFormat& named : kNamedFormats) {
        if (upper == named.name) {
            pattern = std::string(named.pattern);
            break;
        }
    }
    const bool datePattern = isDateFormat(pattern);
    const bool numberPattern = isNumberFormat(pattern);
    // A date value keeps a date format; anything else prefers digits.
    const bool useDate = datePattern && (!numberPattern || v.is<DateTimeValue>());
    if (useDate) {
        if (auto d = asDate(); d && isValidDateNumber(*d))
            return Value::text(formatDate(*d, pattern, locale, firstDayOfWeek, firstWeekOfYear));
    } else if (numberPattern || !isTextFormat(pattern)) {
        if (auto n = asNumber()) return Value::text(formatNumber(*n, pattern, locale));
    }
    if (!isTextFormat(pattern)) return Value::text(toText(v, locale));
    return Value::text(formatText(toText(v, locale), pattern));
}

namespace {

Value formatFn(const std::vector<Value>& a, const FunctionContext& c) {
    std::string format = a.size() > 1 && !a[1].isNull() ? toText(a[1], *c.locale) : "";
    int firstDay = static_cast<int>(optionalLongArg(a, 2, 1, c));
    int firstWeek = static_cast<int>(optionalLongArg(a, 3, 1, c));
    if (firstDay == 0) firstDay = 1;
    if (firstWeek == 0) firstWeek = 1;
    return formatValue(a[0], format, *c.locale, firstDay, firstWeek);
}

// The options FormatNumber, FormatPercent and FormatCurrency share:
// (value, digits after the point, leading zero, parentheses for negatives,
// grouping). -1 digits and -2 (use the default) for the others give the
// locale's settings: two digits, a leading zero, grouping, and parentheses
// for negative currency only. `prefix` and `suffix` go around the digits of
// each section.
Value formatWithOptions(const std::vector<Value>& a, const FunctionContext& c,
                        const std::string& prefix, const std::string& suffix,
                        bool parenthesesByDefault) {
    int64_t digits = optionalLongArg(a, 1, -1, c);
    if (digits == -1) digits = 2;
    if (digits < 0 || digits > 99) throwInvalidCall();
    const int64_t leading = optionalLongArg(a, 2, -2, c);
    const int64_t parentheses = optionalLongArg(a, 3, -2, c);
    const int64_t grouping = optionalLongArg(a, 4, -2, c);
    if (a[0].isNull()) return Value::null();
    std::string body = grouping != 0 ? "#,##" : "";
    body += leading != 0 ? "0" : "#";
    if (digits > 0) body += "." + std::string(static_cast<size_t>(digits), '0');
    const std::string section = prefix + body + suffix;
    const bool negativeInParentheses = parentheses == -2 ? parenthesesByDefault : parentheses != 0;
    const std::string pattern = negativeInParentheses ? section + ";(" + section + ")" : section;
    return formatValue(a[0], pattern, *c.locale);
}

Value formatNumberFn(const std::vector<Value>& a, const FunctionContext& c) {
    return formatWithOptions(a, c, "", "", false);
}

Value formatPercentFn(const std::vector<Value>& a, const FunctionContext& c) {
    return formatWithOptions(a, c, "", "%", false);
}

Value formatCurrencyFn(const std::vector<Value>& a, const FunctionContext& c) {
    return formatWithOptions(a, c, "\"" + c.locale->currencySymbol + "\"", "",
                             c.locale->currencyNegativeInParentheses);
}

// FormatDateTime(value, named format): 0 General Date, 1 Long Date, 2 Short
// Date, 3 Long Time, 4 Short Time.
Value formatDateTimeFn(const std::vector<Value>& a, const FunctionContext& c) {
    static const char* const kNames[] = {"General Date", "Long Date", "Short Date", "Long Time",
                                         "Short Time"};
    const int64_t named = optionalLongArg(a, 1, 0, c);
    if (named < 0 || named > 4) throwInvalidCall();
    if (a[0].isNull()) return Value::null();
    return formatValue(a[0], kNames[named], *c.locale);
}

}  // namespace

void addFormatFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"Format", 1, 4, formatFn});
    out.push_back({"FormatNumber", 1, 5, formatNumberFn});
    out.push_back({"FormatPercent", 1, 5, formatPercentFn});
    out.push_back({"FormatCurrency", 1, 5, formatCurrencyFn});
    out.push_back({"FormatDateTime", 1, 2, formatDateTimeFn});
}

}  // namespace jet
