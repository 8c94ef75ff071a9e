#include "jet/sql/functions/functions.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>
#include <unordered_map>

#include "jet/error.h"
#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops.h"
#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

struct Registry {
    std::vector<FunctionInfo> entries;
    std::unordered_map<std::string, size_t> byUpperName;
};

const Registry& registry() {
    static const Registry r = [] {
        Registry reg;
        addTextFunctions(reg.entries);
        addMathFunctions(reg.entries);
        addConversionFunctions(reg.entries);
        addDateFunctions(reg.entries);
        addInspectionFunctions(reg.entries);
        addFormatFunctions(reg.entries);
        addFinancialFunctions(reg.entries);
        addDomainFunctions(reg.entries);
        for (size_t i = 0; i < reg.entries.size(); ++i)
            reg.byUpperName.emplace(asciiUpper(reg.entries[i].name), i);
        return reg;
    }();
    return r;
}

}  // namespace

double systemNow() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    CivilDateTime c;
    c.year = local.tm_year + 1900;
    c.month = local.tm_mon + 1;
    c.day = local.tm_mday;
    c.hour = local.tm_hour;
    c.minute = local.tm_min;
    c.second = std::min(local.tm_sec, 59);
    return dateFromCivil(c);
}

const FunctionInfo* findFunction(std::string_view name) {
    const Registry& r = registry();
    std::string upper = asciiUpper(name);
    // Left$, Format$ ... are the forms of the text functions that VBA types
    // as String; in a query they are the same functions.
    static const std::set<std::string, std::less<>> kDollarForms = {
        "CHR", "CHRW",  "FORMAT", "HEX",   "LCASE", "LEFT",   "LTRIM", "MID",
        "OCT", "RIGHT", "RTRIM",  "SPACE", "STR",   "STRING", "TRIM",  "UCASE"};
    if (upper.size() > 1 && upper.back() == '$' &&
        kDollarForms.contains(std::string_view(upper).substr(0, upper.size() - 1))) {
        upper.pop_back();
    }
    auto it = r.byUpperName.find(upper);
    return it == r.byUpperName.end() ? nullptr : &r.entries[it->second];
}

const FunctionInfo& requireFunction(std::string_view name) {
    if (const FunctionInfo* info = findFunction(name)) return *info;
    throw Error(ErrorCode::Syntax, "Undefined function '" + std::string(name) + "' in expression.");
}

void checkArgumentCount(const FunctionInfo& info, size_t count, std::string_view expressionText) {
    if (static_cast<int>(count) >= info.minArgs && static_cast<int>(count) <= info.maxArgs) return;
    std::string text(expressionText.empty() ? info.name : expressionText);
    throw Error(ErrorCode::Syntax,
                "Wrong number of arguments used with function in query expression '" + text + "'.");
}

Value callFunction(std::string_view name, const std::vector<Value>& args,
                   const FunctionContext& context, std::string_view expressionText) {
    const FunctionInfo& info = requireFunction(name);
    checkArgumentCount(info, args.size(), expressionText);
    return info.impl(args, context);
}

bool iifTakesTruePart(const Value& condition, const SqlLocale& locale) {
    auto t = truthOf(condition, locale);
    return t && *t;
}

std::vector<const FunctionInfo*> allFunctions() {
    std::vector<const FunctionInfo*> out;
    for (const FunctionInfo& f : registry().entries) out.push_back(&f);
    std::sort(out.begin(), out.end(), [](const FunctionInfo* a, const FunctionInfo* b) {
        return asciiUpper(a->name) < asciiUpper(b->name);
    });
    return out;
}

int64_t longArg(const Value& v, const FunctionContext& context) {
    if (v.isNull()) throwInvalidUseOfNull();
    return toWholeNumber(v, INT32_MIN, INT32_MAX, *context.locale);
}

int64_t optionalLongArg(const std::vector<Value>& args, size_t i, int64_t fallback,
                        const FunctionContext& context) {
    if (i >= args.size() || args[i].isNull()) return fallback;
    return longArg(args[i], context);
}

bool textCompareArg(const std::vector<Value>& args, size_t i, const FunctionContext& context) {
    if (i >= args.size() || args[i].isNull()) return context.textCompareByDefault;
    int64_t mode = longArg(args[i], context);
    if (mode == -1) return context.textCompareByDefault;
    if (mode == 0) return false;
    if (mode == 1 || mode == 2) return true;
    throwInvalidCall();
}

}  // namespace jet
