// What kind of value a cell holds, and its number, for layers that must
// treat values by kind (the export writers) without naming the engine's
// types.
//
// What callers rely on:
// - valueToDouble gives numbers, Booleans (-1/0, as Access counts True),
//   currency and decimals as double, and dates and times as a day count
//   since 1899-12-30 with the time of day as the fraction; NaN for every
//   other kind.
// - valueIsExactAsDouble tells whether a currency or decimal value keeps
//   every stored digit as a double, so a writer can fall back on text
//   instead of losing digits.
#pragma once

#include "db/db_types.h"

namespace db {

// Failed: a cell that could not be computed (shown as #Error).
enum class ValueKind { Null, Boolean, Integer, Float, Currency, Decimal, DateTime, Text, Binary, Guid, Failed };

ValueKind valueKind(const Value& value);
double valueToDouble(const Value& value);
bool valueIsExactAsDouble(const Value& value);

}  // namespace db
