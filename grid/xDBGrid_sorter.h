// The grid's sorter plug-in: the grid keeps the sort state and draws the
// marks; a sorter does the sorting. TxDBGridSorter_UDB sorts the program's
// query through the recordset's own sort, so a sort never re-runs the SQL.
//
// What callers rely on:
// - DoSort answers false and changes nothing for a missing or closed
//   dataset, a record being edited, or a field that is missing or cannot be
//   sorted (memo, long binary and complex columns); the dataset's own
//   error is reported through db::UserFeedback with its message.
// - After a sort the record that was current stays current (the first
//   record with GoToFirstAfterSort).
#pragma once

#include <QString>

#include "grid/xDBGrid_options.h"
#include "grid/xDBGrid_sort_state.h"

class TCustomQueryUDB;

class TxDBGridCustomSorter {
public:
    virtual ~TxDBGridCustomSorter() = default;

    bool GoToFirstAfterSort = false;
    bool GoToFirstAfterRefresh = false;
    TOptionFilterCaseSensitivityType FilterCaseSensitivity = fcsDoNotChange;
    QString SortFieldSeparator = QStringLiteral("; ");
    QString SortStringSeparator = QStringLiteral(", ");
    QString DescendingString = QStringLiteral("DESC");

    bool DoSort(TCustomQueryUDB* dataSet, const TSortFieldNames& sortFieldNames,
                const TSortDirections& sortDirections);
    void DoRefresh(TCustomQueryUDB* dataSet);
    virtual QChar GetFilterWildCardChar() const { return {}; }
    virtual QString GetFilterLikeOperator() const { return {}; }
    // The program's query has no case switch for its filter: only
    // fcsDoNotChange is honoured, and the grid's own choice is not applied.
    virtual bool SetFilterCaseSensitivity(TCustomQueryUDB* dataSet,
                                          TOptionFilterCaseSensitivityType gridSensitivity);

    // The expression DoSort hands to ApplySort: "NAME, [ORDER DATE] DESC".
    QString SortExpression(const TSortFieldNames& names, const TSortDirections& directions) const;

protected:
    // Every name that is not a plain identifier (a letter, then letters,
    // digits or underscores) or is a reserved word goes in brackets.
    virtual QString QuoteSortFieldName(const QString& name) const;
    virtual bool ApplySort(TCustomQueryUDB* dataSet, const QString& sortExpression,
                           const QString& descFields, const QString& fields);
    virtual void RefreshDataset(TCustomQueryUDB* dataSet);
};

class TCustomxDBGridSorter_UDB : public TxDBGridCustomSorter {
protected:
    bool ApplySort(TCustomQueryUDB* dataSet, const QString& sortExpression,
                   const QString& descFields, const QString& fields) override;
    void RefreshDataset(TCustomQueryUDB* dataSet) override;
};

class TxDBGridSorter_UDB : public TCustomxDBGridSorter_UDB {};

// A field the sorter can sort by: it exists and is not a memo, long binary
// or complex column.
bool IsSortableField(TCustomQueryUDB* dataSet, const QString& fieldName);
