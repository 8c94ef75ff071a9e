// The built-in functions of Access expressions, looked up by name without
// regard to case and called on already evaluated arguments.
//
// The executor evaluates IIf lazily (only the branch chosen); its entry is
// marked FunctionKind::Conditional so the executor can special-case it, and
// the entry still works on three evaluated arguments. Date, Time and Now
// read the clock of the FunctionContext, and the domain functions (DCount,
// DLookup ...) run a statement through it (Volatile: they depend on more
// than their arguments). Aggregates (Sum, Count, ...) are not here; see
// functions_aggregate.h.
//
// Errors: an unknown name throws jet::Error (Syntax) "Undefined function
// 'X' in expression."; a wrong argument count throws (Syntax) "Wrong number
// of arguments used with function in query expression 'E'." with the
// expression text the caller gives (the call as written), or the name; a
// failing call throws (InvalidArgument) Access's message for it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/sql/functions/functions_locale.h"
#include "jet/value.h"

namespace jet {

struct FunctionContext {
    const SqlLocale* locale = &englishUnitedStates();
    // The current date and time as a date number; the default reads the
    // system clock in local time.
    std::function<double()> now;
    // InStr, InStrRev, Replace and StrComp compare text ignoring case unless
    // their compare argument says binary (0), as in Access queries.
    bool textCompareByDefault = true;
    // Runs a SELECT on the database the statement runs on and gives the
    // first column of its first row (Null when it has none): what the domain
    // functions (DCount, DLookup ...) ask. The executor provides it; without
    // it those functions throw.
    std::function<Value(const std::string& sql)> firstValueOf;
};

// Local date and time of the system clock as a date number.
double systemNow();

enum class FunctionKind {
    Scalar,       // depends only on its arguments
    Conditional,  // IIf: the executor evaluates only the branch chosen
    Volatile,     // Date, Time, Now, the domain functions
};

using FunctionImpl = Value (*)(const std::vector<Value>& args, const FunctionContext& context);

struct FunctionInfo {
    std::string_view name;  // as Access spells it
    int minArgs = 0;
    int maxArgs = 0;
    FunctionImpl impl = nullptr;
    FunctionKind kind = FunctionKind::Scalar;
};

// nullptr when no built-in function has that name.
const FunctionInfo* findFunction(std::string_view name);
// Throws "Undefined function 'name' in expression." when unknown.
const FunctionInfo& requireFunction(std::string_view name);
// Throws the wrong-number-of-arguments error unless `count` fits.
void checkArgumentCount(const FunctionInfo& info, size_t count,
                        std::string_view expressionText = {});
// Looks up, checks the argument count and calls.
Value callFunction(std::string_view name, const std::vector<Value>& args,
                   const FunctionContext& context = {}, std::string_view expressionText = {});

// The branch IIf takes: true for the second argument. Null and False take
// the third.
bool iifTakesTruePart(const Value& condition, const SqlLocale& locale = englishUnitedStates());

// Every registered function, in name order (for tools and tests).
std::vector<const FunctionInfo*> allFunctions();

}  // namespace jet
