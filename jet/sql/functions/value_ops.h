// Access's operators on values: arithmetic, concatenation, logic and
// comparison with three-valued Null logic.
//
// Numeric results take the type of the more precise operand in the order
// Boolean < Integer/Long < Single < Double < Currency < Decimal (Boolean
// counts as -1/0; Boolean with Boolean gives an integer; an integer with a
// Single gives a Double). Integer results that leave the Long range while
// both operands were in it become Double, as Access's variant arithmetic
// does; Currency and Decimal results out of range throw "Overflow". A Date
// operand of + or - gives a Date (Date - Date gives a Double). Text in
// arithmetic is read as a number ("Data type mismatch in criteria
// expression." when it is not one), except text + text, which concatenates.
//
// Every operator returns Null when an operand is Null, except &, AND, OR
// and IMP, which follow Access's rules below. Errors are jet::Error with
// Access's messages (see value_ops_errors.h).
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "jet/format/sort_order.h"
#include "jet/sql/functions/functions_locale.h"
#include "jet/value.h"

namespace jet {

Value add(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
Value subtract(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
Value multiply(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
// Always Double, except Single / Single (Single) and Decimal (Decimal).
// "Division by zero" for x / 0, "Overflow" for 0 / 0.
Value divide(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
// a \ b: both rounded half to even to whole numbers first, the quotient
// truncated toward zero.
Value integerDivide(const Value& a, const Value& b,
                    const SqlLocale& locale = englishUnitedStates());
// a Mod b: operands rounded like \, the remainder has the sign of a.
Value modulo(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
// a ^ b as Double; "Invalid procedure call or argument" for a negative base
// with a fractional exponent.
Value power(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
// a & b: text of both; Null counts as "" unless both are Null.
Value concatenate(const Value& a, const Value& b, const SqlLocale& locale = englishUnitedStates());
Value negate(const Value& a, const SqlLocale& locale = englishUnitedStates());

// Truth of a value in a condition: nullopt for Null, numbers true when
// non-zero, text "True"/"False" or a number; anything else is a type
// mismatch.
std::optional<bool> truthOf(const Value& v, const SqlLocale& locale = englishUnitedStates());

// Logic with Null as "unknown": False AND Null is False, True OR Null is
// True, False IMP Null and Null IMP True are True; every other Null case
// is Null. Results are Boolean.
Value logicalAnd(const Value& a, const Value& b);
Value logicalOr(const Value& a, const Value& b);
Value logicalNot(const Value& a);
Value logicalXor(const Value& a, const Value& b);
Value logicalEqv(const Value& a, const Value& b);
Value logicalImp(const Value& a, const Value& b);

enum class CompareOp { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

struct CompareOptions {
    // Text compares without regard to case unless this is set.
    bool caseSensitive = false;
    // When set, text compared with a number or a date is read as one (the
    // recordset filter does this); otherwise that is a type mismatch, as in
    // Access SQL. Text is always read as a GUID when compared with one.
    bool convertText = false;
    const SqlLocale* locale = &englishUnitedStates();
    // When set (and not case-sensitive), text orders by this sort order (see
    // compareTextInSortOrder); otherwise by folded code points.
    std::optional<SortOrderKind> textOrder;
};

// Three-way comparison of two non-Null values: numbers (and Boolean as
// -1/0, dates as their day numbers) by value, text by folded code points
// (or by the options' sort order),
// binary by bytes, GUIDs by their bytes. Mixing kinds Access cannot
// compare throws "Data type mismatch in criteria expression.".
int compareValues(const Value& a, const Value& b, const CompareOptions& options = {});
// The comparison operators: Null when either side is Null, else Boolean.
Value compare(CompareOp op, const Value& a, const Value& b, const CompareOptions& options = {});

// Three-way comparison of two texts, so a sort can follow the database's
// sort order.
using TextCollation = std::function<int(std::string_view, std::string_view)>;

// A total order for sorting that never throws: Null first, then numbers and
// dates by value, then text (by the collation), then binary, then GUIDs.
// The default collation ignores case (compareTextNoCase).
class ValueOrder {
public:
    ValueOrder();
    explicit ValueOrder(TextCollation collation);
    int compare(const Value& a, const Value& b) const;
    bool operator()(const Value& a, const Value& b) const { return compare(a, b) < 0; }

private:
    TextCollation collation_;
};

}  // namespace jet
