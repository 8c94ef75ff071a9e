// IIf, Switch, Choose, Nz, IsNull, IsNumeric, IsDate.
#include <cmath>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

Value iifFn(const std::vector<Value>& a, const FunctionContext& c) {
    return iifTakesTruePart(a[0], *c.locale) ? a[1] : a[2];
}

// Switch(condition1, value1, condition2, value2, ...): the value of the first
// condition that is True; Null when none is.
Value switchFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a.size() % 2 != 0) throwInvalidCall();
    for (size_t i = 0; i < a.size(); i += 2) {
        if (iifTakesTruePart(a[i], *c.locale)) return a[i + 1];
    }
    return Value::null();
}

// Choose(index, choice1, choice2, ...): the choice the index (rounded to a
// whole number) names; Null when it names none.
Value chooseFn(const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull()) throwInvalidUseOfNull();
    const double index = std::nearbyint(toDouble(a[0], *c.locale));
    if (index < 1 || index >= static_cast<double>(a.size())) return Value::null();
    return a[static_cast<size_t>(index)];
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

// The user the database is opened as: files are opened without a workgroup
// file here, so always Access's default user.
Value currentUserFn(const std::vector<Value>&, const FunctionContext&) {
    return Value::text("Admin");
}

}  // namespace

void addInspectionFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"IIf", 3, 3, iifFn, FunctionKind::Conditional});
    out.push_back({"Switch", 2, 254, switchFn});
    out.push_back({"Choose", 2, 254, chooseFn});
    out.push_back({"Nz", 1, 2, nzFn});
    out.push_back({"IsNull", 1, 1, isNullFn});
    out.push_back({"IsNumeric", 1, 1, isNumericFn});
    out.push_back({"IsDate", 1, 1, isDateFn});
    out.push_back({"CurrentUser", 0, 0, currentUserFn});
}

}  // namespace jet
