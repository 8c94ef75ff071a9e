// What the export dialog hands to a writer: the kind of export, its options
// as the dialog's boxes set them, the file and the after-export action; and
// the run of the chosen writer on a source. Headless, so the mapping from
// choices to writer settings is tested without a window.
#pragma once

#include <QString>

#include "io/export_progress.h"
#include "io/export_source.h"

// The export kinds in the order the dialog offers them; the template
// reports come later and are not offered yet.
enum class ExportKind { Text, Excel, Sylk, Template };

struct ExportChoices {
    ExportKind kind = ExportKind::Text;
    bool visibleColumnsOnly = true;  // rbSelCol
    bool selectedRowsOnly = false;   // chSelRecOnly, visible and checked
    bool structureOnly = false;
    TActionAfter actionAfter = aaShow;
    // Text page
    bool textColumnNames = true;     // chFName1
    bool textRealNames = false;      // chFRealName1
    bool alignToColumns = false;     // chCol1
    bool appendToFile = false;       // chAdd1
    QString separatorText = QStringLiteral("; (semicolon)");  // cbSeparator_nostore
    // Table page (Excel and SYLK)
    bool tableColumnNames = true;  // chFName2
    bool tableRealNames = false;   // chFRealName2
    bool sumRow = false;           // chSum2
    bool addAsNewSheet = false;    // chAddSheet2
    bool addToExistingRows = false;  // chAdd2
    bool columnWidths = true;      // chCol2
    bool cellBorders = false;      // chBorders2
    bool freezeTitles = false;     // chFreezePanes2
};

// The save dialog's filter and default extension for a kind ("Text file
// (*.txt)|*.txt|All files (*.*)|*.*" and "txt"; workbooks are .xlsx).
QString exportFileFilter(ExportKind kind);
QString exportDefaultExtension(ExportKind kind);

struct ExportOutcome {
    bool exported = false;
    QString error;  // the writer's report when it failed (empty when cancelled)
};

// Runs the writer of `choices.kind` on `source` into `file`.
ExportOutcome runExport(const ExportChoices& choices, ExportSource& source, const QString& file,
                        const TProgressEvent& progress = {});
