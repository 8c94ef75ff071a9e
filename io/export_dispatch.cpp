#include "io/export_dispatch.h"

#include "io/slk_export.h"
#include "io/text_separator.h"
#include "io/txt_export.h"
#include "io/xlsx_export.h"

namespace {

const QString kAllFiles = QStringLiteral("All files (*.*)|*.*");

}  // namespace

QString exportFileFilter(ExportKind kind) {
    switch (kind) {
        case ExportKind::Text: return QStringLiteral("Text file (*.txt)|*.txt|") + kAllFiles;
        case ExportKind::Excel: return QStringLiteral("Excel file (*.xlsx)|*.xlsx|") + kAllFiles;
        case ExportKind::Sylk:
            return QStringLiteral("Symbolic connection file (*.slk)|*.slk|") + kAllFiles;
        case ExportKind::Template: return kAllFiles;
    }
    return kAllFiles;
}

QString exportDefaultExtension(ExportKind kind) {
    switch (kind) {
        case ExportKind::Text: return QStringLiteral("txt");
        case ExportKind::Excel: return QStringLiteral("xlsx");
        case ExportKind::Sylk: return QStringLiteral("slk");
        case ExportKind::Template: return QString();
    }
    return QString();
}

ExportOutcome runExport(const ExportChoices& c, ExportSource& source, const QString& file,
                        const TProgressEvent& progress) {
    ExportOutcome outcome;
    switch (c.kind) {
        case ExportKind::Text: {
            TTXTExport w;
            w.ExportFile = file;
            w.ExportFieldName = c.textColumnNames;
            w.RealFieldNamesAsTitle = c.textRealNames;
            w.ExportStructureOnly = c.structureOnly;
            w.ExportOnlySelectedRows = c.selectedRowsOnly;
            // Aligned columns need no quotes; separated values need no padding.
            w.TextApostrophe = c.alignToColumns ? QString() : QStringLiteral("\"");
            w.FillChar = c.alignToColumns ? QChar(u' ') : QChar(0);
            w.FieldSeparator = ExportSeparatorFromText(c.separatorText);
            w.ExportOnlyVisibleFields = c.visibleColumnsOnly;
            w.AppendToFile = c.appendToFile;
            w.ActionAfter = c.actionAfter;
            w.OnProgressEvent = progress;
            outcome.exported = w.Execute(source);
            outcome.error = w.ErrorText();
            break;
        }
        case ExportKind::Excel: {
            TxXLSExport w;
            w.ExportFile = file;
            auto set = [&](TXLSExportOption option, bool on) {
                w.Options = on ? (w.Options | option) : (w.Options & ~unsigned(option));
            };
            set(xleExportTitles, c.tableColumnNames);
            set(xleRealFieldNamesAsTitle, c.tableRealNames);
            set(xleAddSumRow, c.sumRow);
            set(xleSetColumnWidth, c.columnWidths);
            set(xleSetCellBorders, c.cellBorders);
            set(xleAddAsNewSheet, c.addAsNewSheet);
            set(xleAddToExistingRows, c.addToExistingRows);
            set(xleFreezeTitles, c.freezeTitles);
            set(xleOnlyVisibleFields, c.visibleColumnsOnly);
            set(xleOnlySelectedRows, c.selectedRowsOnly);
            w.ExportStructureOnly = c.structureOnly;
            w.ActionAfter = c.actionAfter;
            w.OnProgressEvent = progress;
            outcome.exported = w.ExportDBTable(source);
            outcome.error = w.ErrorText();
            break;
        }
        case ExportKind::Sylk: {
            TSLKExport w;
            w.ExportFile = file;
            w.ExportFieldName = c.tableColumnNames;
            w.RealFieldNamesAsTitle = c.tableRealNames;
            w.ExportStructureOnly = c.structureOnly;
            w.SetColWidth = c.columnWidths;
            w.MakeSumRow = c.sumRow;
            w.ExportOnlyVisibleFields = c.visibleColumnsOnly;
            w.ExportOnlySelectedRows = c.selectedRowsOnly;
            w.ActionAfter = c.actionAfter;
            w.OnProgressEvent = progress;
            outcome.exported = w.Execute(source);
            outcome.error = w.ErrorText();
            break;
        }
        case ExportKind::Template:
            outcome.error = QStringLiteral("Template reports cannot be written yet.");
            break;
    }
    return outcome;
}
