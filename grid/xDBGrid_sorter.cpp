#include "grid/xDBGrid_sorter.h"

#include <QRegularExpression>
#include <exception>

#include "db/user_feedback.h"
#include "db/wait_cursor.h"
#include "db/db_types.h"
#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"
#include "db/xdbtool_dataset.h"

bool IsSortableField(TCustomQueryUDB* dataSet, const QString& fieldName) {
    if (!dataSet || !dataSet->Active()) return false;
    const std::optional<TQueryField> field = dataSet->FindField(fieldName);
    if (!field) return false;
    switch (field->DataType()) {
    case db::DataType::Memo:
    case db::DataType::LongBinary:
    case db::DataType::Binary:
    case db::DataType::Complex: return false;
    default: return true;
    }
}

QString TxDBGridCustomSorter::QuoteSortFieldName(const QString& name) const {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    if (plain.match(name).hasMatch() && !IsReservedKeyword(name)) return name;
    QString inner = name;
    inner.replace(u']', QStringLiteral("]]"));
    return u'[' + inner + u']';
}

QString TxDBGridCustomSorter::SortExpression(const TSortFieldNames& names,
                                             const TSortDirections& directions) const {
    QStringList parts;
    for (int i = 0; i < names.size(); ++i) {
        QString part = QuoteSortFieldName(names[i]);
        if (directions.value(i)) part += u' ' + DescendingString;
        parts << part;
    }
    return parts.join(SortStringSeparator);
}

bool TxDBGridCustomSorter::DoSort(TCustomQueryUDB* dataSet, const TSortFieldNames& sortFieldNames,
                                  const TSortDirections& sortDirections) {
    if (!dataSet || !dataSet->Active() || IsDataSetEditing(dataSet)) return false;
    db::WaitCursor cursor;
    QStringList quoted;
    QStringList descending;
    for (int i = 0; i < sortFieldNames.size(); ++i) {
        if (!IsSortableField(dataSet, sortFieldNames[i])) return false;
        quoted << QuoteSortFieldName(sortFieldNames[i]);
        if (sortDirections.value(i)) descending << quoted.last();
    }
    const QString expression = SortExpression(sortFieldNames, sortDirections);
    try {
        const auto mark = dataSet->Bookmark();
        const bool sorted =
            ApplySort(dataSet, expression, descending.join(SortFieldSeparator),
                      quoted.join(SortFieldSeparator));
        if (GoToFirstAfterSort)
            dataSet->First();
        else if (mark)
            dataSet->GotoBookmark(*mark);
        return sorted;
    } catch (const std::exception& error) {
        db::reportError(QString(), QString::fromUtf8(error.what()));
        return false;
    }
}

void TxDBGridCustomSorter::DoRefresh(TCustomQueryUDB* dataSet) {
    if (!dataSet || !dataSet->Active()) return;
    db::WaitCursor cursor;
    const auto mark = dataSet->Bookmark();
    RefreshDataset(dataSet);
    if (GoToFirstAfterRefresh) {
        dataSet->First();
    } else if (mark && !dataSet->GotoBookmark(*mark)) {
        dataSet->Last();
    }
}

bool TxDBGridCustomSorter::SetFilterCaseSensitivity(TCustomQueryUDB*,
                                                    TOptionFilterCaseSensitivityType) {
    return FilterCaseSensitivity != fcsDoNotChange;
}

bool TxDBGridCustomSorter::ApplySort(TCustomQueryUDB*, const QString&, const QString&,
                                     const QString&) {
    return false;
}

void TxDBGridCustomSorter::RefreshDataset(TCustomQueryUDB* dataSet) {
    dataSet->Close();
    dataSet->Open();
}

bool TCustomxDBGridSorter_UDB::ApplySort(TCustomQueryUDB* dataSet, const QString& sortExpression,
                                         const QString&, const QString&) {
    dataSet->SetSortEx(sortExpression);
    return true;
}

void TCustomxDBGridSorter_UDB::RefreshDataset(TCustomQueryUDB* dataSet) {
    dataSet->RequeryEx(false);
}
