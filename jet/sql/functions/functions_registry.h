// How the function files add their entries to the registry (functions.h).
// Internal to jet/sql/functions/.
#pragma once

#include <vector>

#include "jet/sql/functions/functions.h"

namespace jet {

void addTextFunctions(std::vector<FunctionInfo>& out);
void addMathFunctions(std::vector<FunctionInfo>& out);
void addConversionFunctions(std::vector<FunctionInfo>& out);
void addDateFunctions(std::vector<FunctionInfo>& out);
void addInspectionFunctions(std::vector<FunctionInfo>& out);
void addFormatFunctions(std::vector<FunctionInfo>& out);
void addFinancialFunctions(std::vector<FunctionInfo>& out);
void addDomainFunctions(std::vector<FunctionInfo>& out);

// Shared argument helpers. `arg(args, i)` is Null when the argument is
// missing, so optional arguments read as Null.
inline const Value& arg(const std::vector<Value>& args, size_t i) {
    static const Value null;
    return i < args.size() ? args[i] : null;
}
inline bool anyNull(const std::vector<Value>& args) {
    for (const Value& v : args)
        if (v.isNull()) return true;
    return false;
}
// A Long argument (rounded half to even); Null throws "Invalid use of Null".
int64_t longArg(const Value& v, const FunctionContext& context);
// An optional Long argument: `fallback` when missing or Null.
int64_t optionalLongArg(const std::vector<Value>& args, size_t i, int64_t fallback,
                        const FunctionContext& context);
// The compare argument of the text functions: true for a text (case-
// insensitive) comparison.
bool textCompareArg(const std::vector<Value>& args, size_t i, const FunctionContext& context);

}  // namespace jet
