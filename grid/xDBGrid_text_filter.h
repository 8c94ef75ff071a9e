// The text filter bar's language: what a short text typed into a column's
// title bar means as a condition of the dataset's filter dialect.
//
//   (null), is null, =null          the null test; (not null) ... the opposite
//   a&b, a|b                        parts joined strictly left to right
//   <, >, <=, >=, <>, = before a part   the comparison (= alone: none)
//   dates      a day, a year (2023) or a month (5/2023, 2023-5): the whole
//              period without operator; every date means the half-open
//              day [d, d+1), so =, <, <= ... compare whole days
//   numbers    a number; 12* the range [120, 130), 1.2* [1.2, 1.3),
//              -12* (-130, -120]
//   text       a pattern (wildcard + text + wildcard by default)
//
// What callers rely on:
// - The result is one condition in the filter dialect, or the empty text
//   when the text yields none (the bar then marks the column as faulty).
// - Dates and numbers in the result use the fixed forms the engine's filter
//   reads (DateToFilterText, FloatToFilterText), whatever the user's locale;
//   the typed text is read in the user's locale first, then in those forms.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "db/db_types.h"
#include "db/xDBComponents_UDB_query.h"
#include "grid/xDBGrid_options.h"

struct TTextFilterSettings {
    QString WildCard = QStringLiteral("*");
    QString LikeOperator = QStringLiteral("LIKE");
    TOptionTextFilterType FilterType = oftAnyPos;
    bool UseDatePartAsRange = true;
    bool UseNumberPartAsRange = true;
    QChar NumberPartWildChar = QLatin1Char('*');
};

QString BuildTextFilterCondition(const std::optional<TQueryField>& field, const QString& text,
                                 const TTextFilterSettings& settings);

// A date typed by the user: the locale's short or long form, or
// yyyy-mm-dd; nothing for anything else.
std::optional<QDate> ParseFilterDate(const QString& text);
// A number typed by the user: the locale's form, or "." as decimal point.
std::optional<double> ParseFilterNumber(const QString& text);
