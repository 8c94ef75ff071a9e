#include "grid/xDBGrid_copy.h"

#include <QApplication>
#include <QClipboard>
#include <exception>

#include "grid/xDBGrid.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"

QString QuoteCopyValue(const QString& value) {
    if (!value.contains(u'\n') && !value.contains(u'\r') && !value.contains(u'"') && !value.contains(u'\t'))
        return value;
    QString quoted = value;
    quoted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    quoted.replace(u'\r', u'\n');
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString CopyLine(const QStringList& values) {
    QStringList quoted;
    quoted.reserve(values.size());
    for (const QString& value : values) quoted << QuoteCopyValue(value);
    return quoted.join(u'\t') + QStringLiteral("\r\n");
}

// ---- TxDBGrid: record scan and copy -------------------------------------------------

void TxDBGrid::withFilterOff(bool ignoreFilter, const std::function<void()>& work) {
    TCustomQueryUDB* dataSet = DataSet();
    const bool unfilter = ignoreFilter && IsFiltered();
    const auto mark = dataSet->Bookmark();
    // The screen must not follow the filter switched off for the scan.
    ScopedControlsOff quiet(*dataSet);
    if (unfilter) dataSet->SetFiltered(false);
    // Only switching the filter moves the record; without it nothing moved,
    // and a needless move would make the screen read everything again.
    const auto restore = [&] {
        if (!unfilter) return;
        dataSet->SetFiltered(true);
        if (mark) dataSet->GotoBookmark(*mark);
    };
    try {
        work();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TxDBGrid::ScanGridRecords(const std::function<bool(int position)>& visit, TScanReason,
                               int maxCount, bool fromFirst, bool ignoreFilter) {
    if (!IsActive()) return;
    withFilterOff(ignoreFilter, [&] {
        TCustomQueryUDB* dataSet = DataSet();
        const int count = model_->rowCount();
        if (fromFirst) {
            int visited = 0;
            for (int position = 0; position < count; ++position) {
                if (maxCount > 0 && visited >= maxCount) break;
                ++visited;
                if (!visit(position)) break;
            }
        } else if (dataSet->RecNo() > 0) {
            visit(int(dataSet->RecNo()) - 1);
        }
    });
}

void TxDBGrid::ScanColumnValues(int column,
                                const std::function<bool(int position, const db::Value& value)>& visit,
                                bool ignoreFilter) {
    if (!IsActive() || !ColumnField(column)) return;
    withFilterOff(ignoreFilter, [&] {
        DataSet()->ScanFieldValues(size_t(column), [&](size_t position, const db::Value& value) {
            return visit(int(position), value);
        });
    });
}

QString TxDBGrid::copyText(const QList<int>& columns, bool includeTitles) {
    QString text;
    if (includeTitles) {
        QStringList titles;
        for (int column : columns) titles << GetTitleText(column);
        text += CopyLine(titles);
    }
    ScanGridRecords(
        [&](int position) {
            QStringList values;
            values.reserve(columns.size());
            for (int column : columns) values << model_->cellText(position, column);
            text += CopyLine(values);
            return true;
        },
        srCopy, 0, true, false);
    return text;
}

QString TxDBGrid::CopyAllData(bool includeTitles, bool includeHidden) {
    QList<int> columns;
    for (int visual = 0; visual < header_->count(); ++visual) {
        const int logical = header_->logicalIndex(visual);
        if (includeHidden || !header_->isSectionHidden(logical)) columns << logical;
    }
    const QString text = IsActive() ? copyText(columns, includeTitles) : QString();
    QApplication::clipboard()->setText(text);
    return text;
}

QString TxDBGrid::CopyFieldsData(const QStringList& fieldNames, bool includeTitles) {
    QList<int> columns;
    for (int visual = 0; visual < header_->count(); ++visual) {
        const int logical = header_->logicalIndex(visual);
        const std::optional<TQueryField> field = ColumnField(logical);
        if (!field) continue;
        for (const QString& name : fieldNames)
            if (name.trimmed().compare(field->FieldName(), Qt::CaseInsensitive) == 0) columns << logical;
    }
    const QString text = IsActive() ? copyText(columns, includeTitles) : QString();
    QApplication::clipboard()->setText(text);
    return text;
}

QString TxDBGrid::CopyCellData(bool copyToClipboard) {
    QString text;
    try {
        text = GetCellValue(SelectedField(), true);
    } catch (const std::exception&) {
        text.clear();
    }
    // A value with a line break or a tab would paste back as several cells:
    // it goes quoted, as in CopyAllData.
    if (text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t')) text = QuoteCopyValue(text);
    if (copyToClipboard) QApplication::clipboard()->setText(text);
    return text;
}
