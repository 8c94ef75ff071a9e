// Text forms of names, values and conditions for the two dialects the
// program writes: the filter text of an open recordset and the SQL sent to
// the engine. Free routines without state; quotes, brackets, Boolean
// literals and the reserved-word list come from the shared configuration
// record (config/KelmCompGlobalCfg.h), read on every call. The routines that
// work on a query (field kinds, conditions built from fields, ApplyFilter,
// FilterBySelection, FillListFromDataSet) are in xdbtool_dataset.h.
//
// What callers rely on:
// - Nothing here raises; a value that cannot be written gives empty text.
// - MakeCondition and MakeRangeCondition neither bracket the field name nor
//   escape the value: pass the name through QuoteFieldName and the value
//   through the writers below (or double the quotes yourself).
// - Dates in filter texts have one fixed form that does not depend on the
//   locale, the one the engine's recordset filter reads:
//   'yyyy-mm-dd' or 'yyyy-mm-dd hh:nn:ss' (24-hour clock).
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

// ---- Names -------------------------------------------------------------------

// True when the name is one of the configured reserved words, compared
// without regard to case.
bool IsReservedKeyword(const QString& name);

// The name in the configured table (field) brackets when it holds a blank
// or an underscore, is a reserved word, or is not a plain identifier (an
// ASCII letter first, then ASCII letters, digits or underscores); otherwise
// the name unchanged.
QString QuoteTableName(const QString& name);
QString QuoteFieldName(const QString& name);

// ---- Values ------------------------------------------------------------------

// The number with "." as decimal separator and up to 15 significant digits,
// whatever the locale; empty for NaN and infinities.
QString FloatToFilterText(double value);

// The date (or date and time) without quotes, in the fixed filter form: date
// only when no time of day is set, else with the time rounded to the second.
// A configured xDBFilterCfg.DateFormat (a Qt date-time format) replaces the
// fixed form; the engine's filter reads only the fixed form. Empty for an
// invalid date or a year outside 100..9999.
QString DateToFilterText(const QDate& value);
QString DateToFilterText(const QDateTime& value);

// The text in the configured string quotes (xDBToolCfg.SQLScript_
// StringFieldQuotes), each quote inside doubled.
QString QuoteStringValue(const QString& text);

// A value written as a literal of the filter dialect: NULL, the configured
// Boolean literals ("false"/"true"), numbers as FloatToFilterText, dates and
// times quoted in the fixed form (a time alone on 1899-12-30, day 0 of the
// engine), anything else as quoted text.
QString ValueToFilterText(const QVariant& value);

// A value written as a literal of the SQL dialect: NULL, the configured
// Boolean values ("1"/"0"), numbers as FloatToFilterText, dates and times as
// #yyyy-mm-dd# or #yyyy-mm-dd hh:nn:ss#, anything else as quoted text.
QString ValueToSQLText(const QVariant& value);

// ---- Conditions --------------------------------------------------------------

// "(" + fieldName + " " + op + " " + quote + value + quote + ")".
QString MakeCondition(const QString& fieldName, const QString& op, const QString& value,
                      const QString& quote);

// "(" + fieldName + ">=" + quote + low + quote + ") AND (" + fieldName + "<=" +
// quote + high + quote + ")".
QString MakeRangeCondition(const QString& fieldName, const QString& low, const QString& high,
                           const QString& quote);

// The non-empty parts joined with " " + op + " ". A part is put in
// parentheses unless it already is one parenthesised group: it starts with
// "(", ends with ")" and has no other "(" ("(A=1) OR (B=2)" gets wrapped).
QString JoinConditions(const QString& op, const QStringList& parts);
QString JoinOr(const QStringList& parts);
QString JoinAnd(const QStringList& parts);
