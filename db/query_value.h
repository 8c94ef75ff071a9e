// Values of the data surface: an engine value as Qt sees it (QVariant) and
// as text, the way the query's fields hand them to grids, filter builders
// and exports.
//
// What callers rely on:
// - Null becomes an invalid QVariant and empty text.
// - Dates and times become QDateTime in UTC, so that no time zone or
//   daylight-saving gap moves a stored time; the time is rounded to the
//   millisecond. A time before day 0 keeps its time of day (the engine
//   stores the time as the unsigned fraction of the day).
// - Currency and decimals become double (decimals keep up to about 15
//   significant digits); their text keeps every stored digit.
// - Texts never depend on the locale: "." is the decimal separator, dates
//   are "yyyy-mm-dd" or "yyyy-mm-dd hh:nn:ss".
#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include "jet/value.h"

namespace db {

QVariant valueToVariant(const jet::Value& value);

// The date and time of an Access day count (days since 1899-12-30); an
// invalid QDateTime for a day count outside the years 100..9999.
QDateTime accessDaysToDateTime(double days);

// The value as text: "True"/"False" for Booleans, numbers in their shortest
// exact form, dates as above, binary data as hexadecimal digits.
QString valueToText(const jet::Value& value);

}  // namespace db
