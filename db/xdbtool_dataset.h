// The routines of xdbtool that work on a dataset: which fields can be
// compared and how, one condition built from a field and a value, a filter
// text put on a query without losing the user's place, filtering on the
// current record's value, and a list filled from a query's records.
//
// Every dataset of the program is a TQueryUDB, so the filter dialect is the
// configured one (xDBFilterCfg: wildcard "*", LIKE, "= NULL" and
// "<> NULL"); the SQL-like forms of other dataset kinds are not needed.
//
// What callers rely on:
// - Condition builders never raise: a condition that cannot be built is the
//   empty text, which callers treat as nothing to filter.
// - ApplyFilter keeps the current record when it still passes the new
//   filter, else goes to the first record. A text the engine refuses leaves
//   the query's filter, flag and record as they were, returns false and,
//   when asked, shows the error report headed "Error in expression.".
// - Dates in conditions use the one fixed form the engine's filter reads
//   (see DateToFilterText in xdbtool.h).
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

#include "db/xDBComponents_UDB_query.h"

// The header of the error report of a refused filter text.
inline const QString kErrorInExpression = QStringLiteral("Error in expression.");

// ---- Field kinds -------------------------------------------------------------

// Every field of a query is a plain data field (no calculated or lookup
// fields exist here); false only for a missing field.
bool IsDataField(const std::optional<TQueryField>& field);
// Types a condition can compare: Boolean, numbers, dates, text and GUIDs.
bool IsComparableField(const std::optional<TQueryField>& field);
// Types whose values stand in quotes: text, memo, dates, GUIDs, long binary.
bool IsQuotedField(const std::optional<TQueryField>& field);
// Memo fields, and long binary (OLE) fields while
// xDBToolCfg.BlobField_ftBlobAsMemo is set.
bool IsMemoField(const std::optional<TQueryField>& field);
// Long binary fields that do not count as memo.
bool IsGraphicField(const std::optional<TQueryField>& field);
bool IsDateTimeField(const std::optional<TQueryField>& field);
// Date/time fields; the engine has no time-only type, so every date/time
// field is a date field and none is a time field.
bool IsDateField(const std::optional<TQueryField>& field);
bool IsTimeField(const std::optional<TQueryField>& field);
bool IsNumericField(const std::optional<TQueryField>& field);
bool IsDataSetEditing(const TCustomQueryUDB* dataSet);

// ---- Operators of the filter dialect --------------------------------------------

// "%" for SQL, else xDBFilterCfg.FilterWildCardChar.
QString GetFilterWildCard(bool forSQL);
// xDBFilterCfg.SQLLikeOperator for SQL, else FilterLikeOperator.
QString GetLikeOperator(bool forSQL);
// xDBFilterCfg.NullEqualStr and NotNullEqualStr.
QString GetIsOperator();
QString GetIsNotOperator();

// ---- Boolean texts ---------------------------------------------------------------

// For a Boolean field: the part of its display values before (true) or
// after (false) the first ";", or "True"/"False" without display values.
// Empty for other fields.
QString GetBoolFieldText(const TQueryField& field, bool value);
// The text equals the field's true text, letter case ignored.
bool IsBoolTrueText(const TQueryField& field, const QString& text);

// ---- Conditions ------------------------------------------------------------------

// One condition of the filter dialect on the field: "(Name = 'O''Neil')",
// "([Order Date] =  NULL )", "(Flag = true)". The operator is `op` when
// given, else "="; a null test (isNull, else notNull) uses the configured
// null operators. Empty when the field's query is not open or the field
// cannot be compared.
QString BuildFieldConditionEx(const std::optional<TQueryField>& field, const QString& valueText,
                              bool isNull, const QString& op, bool notNull);
QString BuildFieldCondition(const std::optional<TQueryField>& field, const QString& valueText,
                            bool isNull, const QString& op = QString());

// ---- Filtering a query -------------------------------------------------------------

// Trims the text; a non-empty text becomes the filter and switches
// filtering on, an empty one switches filtering off and keeps the old text.
// True when the text was taken (also for a closed query, which applies it
// when it opens); false without a query or for a refused text.
bool ApplyFilter(TCustomQueryUDB* dataSet, const QString& filterText, bool showError);
// ApplyFilter(dataSet, empty, true).
bool ClearFilter(TCustomQueryUDB* dataSet);

enum TFilterBySelectionMode { fsReplace = 0, fsAddAnd = 1, fsAddOr = 2 };

// Filters the field's query on the field's value in the current record:
// replacing the filter, or added to the present one with AND or OR. False
// when no condition can be built or the filter is refused.
bool FilterBySelection(const std::optional<TQueryField>& field, TFilterBySelectionMode mode);

// ---- Lists -----------------------------------------------------------------------

// One entry per record, from the first: the caption field's text with the id
// field's integer value (0 when null), or -1 without an id field. The
// current record is kept and no scroll is reported. Returns the number of
// entries; the list is emptied first.
int FillListFromDataSet(const TQueryField& captionField, const std::optional<TQueryField>& idField,
                        QList<QPair<QString, int>>& list);
