// The grid's sort state as texts and what a title click makes of it.
// SortFieldName is "NAME,CITY" (blanks around names removed, empty names
// dropped), SortDirections "A,D" (one letter per field; "D" descending,
// anything else stored as "A"). Pure routines, testable without a grid.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

using TSortFieldNames = QStringList;
using TSortDirections = QList<bool>;  // true = descending

QString NormalizeSortFieldName(const QString& text);
QString NormalizeSortDirections(const QString& text);

// Split at "," with empty items dropped (no trimming); a direction counts
// as descending when it is "D" in any letter case.
TSortFieldNames SplitSortFieldNames(const QString& text);
TSortDirections SplitSortDirections(const QString& text);
QString JoinSortDirections(const TSortDirections& directions);

// 1-based position of the field (trimmed, letter case ignored); the last
// one when it occurs twice; 0 when absent.
int PosInSortField(const QString& sortFieldName, const QString& fieldName);

struct TSortRequest {
    QString FieldNames;   // "NAME,CITY"
    QString Directions;   // "A,D"
};

// The order a click on the title of `fieldName` asks for, with a sorter or
// an OnChangeSortEx handler: without Shift the field alone (reversed when it
// was in the order, else in the direction of the first sort field); with
// Shift appended ascending or reversed in place; with Shift+Ctrl removed.
TSortRequest TitleClickSortRequest(const QString& sortFieldName, const QString& sortDirections,
                                   const QString& fieldName, bool shift, bool ctrl);
