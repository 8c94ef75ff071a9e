// IIf, Nz, IsNull, IsNumeric, IsDate.
#include "jet/sql/functions_registry.h"
#include "jet/sql/value_ops_convert.h"

namespace jet {

namespace {

Value iifFn(const std::vector<Value>& a, const FunctionContext& c) {
    return iifTakesTruePart(a[0], *c.locale) ? a[1] : a[2];
}

// In a query Nz without a second argument gives a zero-length string.
Value nzFn(const std::vector<Value>& a, const FunctionContext&) {
    if (!a[0].isNull()) return a[0];
    return a.size() > 1 ? a[1] : Value::text("");
}

Value isNullFn(const std::vector<Value>& a, const FunctionContext&) {
    return Value::boolean(a[0].isNull());
}

Value isNumericFn(const std::vector<Value>& a, const FunctionContext& c) {
    const Value& v = a[0];
    if (isNumberValue(v)) return Value::boolean(true);
    if (v.is<std::string>())
        return Value::boolean(parseNumberText(v.as<std::string>(), *c.locale).has_value());
    return Value::boolean(false);
}

Value isDateFn(const std::vector<Value>& a, const FunctionContext& c) {
    const Value& v = a[0];
    if (v.is<DateTimeValue>() || v.is<ExtDateTime>()) return Value::boolean(true);
    if (v.is<std::string>())
        return Value::boolean(parseDateText(v.as<std::string>(), *c.locale).has_value());
    return Value::boolean(false);
}

}  // namespace

void addInspectionFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"IIf", 3, 3, iifFn, FunctionKind::Conditional});
    out.push_back({"Nz", 1, 2, nzFn});
    out.push_back({"IsNull", 1, 1, isNullFn});
    out.push_back({"IsNumeric", 1, 1, isNumericFn});
    out.push_back({"IsDate", 1, 1, isDateFn});
}

}  // namespace jet
