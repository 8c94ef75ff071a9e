// TxXLSExport: an export source as an Excel workbook (.xlsx), written by
// libxlsxwriter in its constant-memory mode, so memory stays flat however
// many records there are.
//
// What callers rely on:
// - Values keep their types: numbers and currency as numbers, Booleans as
//   Booleans, dates and times as serial days with a date, date-and-time or
//   time format, text as text (a text beginning with "=" stays text, never
//   a formula). Dates before 1900 and currency or decimal values of more
//   than 15 significant digits are written as their text, so no digit or
//   day is lost; text beyond a cell's 32,767 characters is cut there.
// - Only .xlsx is written: asking for another extension (the binary .xls
//   among them) fails with a message that says so, and nothing is written.
//   Appending to an existing workbook is not possible either.
// - The workbook is written under a temporary name beside the target and
//   renamed over it only when complete; a failure or an abort from the
//   progress handler leaves an older file at the name whole.
// - Execute returns true when the workbook was saved; ErrorText() says why
//   not.
#pragma once

#include <QString>

#include "io/export_progress.h"
#include "io/export_source.h"

// Bits 0 to 19, as the options of the export dialog store them.
enum TXLSExportOption : unsigned {
    xleExportTitles = 1u << 0,
    xleRealFieldNamesAsTitle = 1u << 1,
    xleBoldTitles = 1u << 2,
    xleAddSumRow = 1u << 3,
    xleStringFieldAsText = 1u << 4,
    xleSetCellFormat = 1u << 5,
    xleSetCellBorders = 1u << 6,
    xleWrapMemoField = 1u << 7,
    xleSetColumnWidth = 1u << 8,
    xleSetRowHeight = 1u << 9,
    xleFreezeTitles = 1u << 10,
    xleSetAutoFilter = 1u << 11,
    xleSetPageSetup = 1u << 12,
    xleOnlyVisibleFields = 1u << 13,
    xleOnlySelectedRows = 1u << 14,
    xleExportPictures = 1u << 15,
    xleAddAsNewSheet = 1u << 16,
    xleAddToExistingRows = 1u << 17,
    xleTrimData = 1u << 18,
    xleNumericFieldAsFloat = 1u << 19,
};

enum TXLSVerticalAlignment { vaNone, vaTop, vaCenter, vaBottom };

class TxXLSExport {
public:
    int StartRow = 1;
    int StartCol = 1;
    QString ExportFile;
    QString SheetName;  // empty: "Sheet1"
    QString SetFontName;
    int SetFontSize = 0;
    QString DefaultDateFormat;  // in Access's syntax; empty: the locale's short date
    QString DefaultTimeFormat;  // empty: "hh:mm:ss"
    QString DefaultNumFormat;   // for floating-point columns; empty: none
    int MaxColWidth = 100;      // 0: no bound
    int MaxRowHeight = 30;      // points; 0: no bound
    TXLSVerticalAlignment VerticalAlignment = vaNone;
    int PageZoom = 0;
    int WindowZoom = 0;
    unsigned Options = 9005;
    bool ExportStructureOnly = false;
    bool UseDisableControl = true;
    TActionAfter ActionAfter = aaShow;
    TProgressEvent OnProgressEvent;

    bool ExportDBTable(ExportSource& source);
    QString ErrorText() const { return error_; }

private:
    bool has(TXLSExportOption option) const { return (Options & option) != 0; }
    QString error_;
};
