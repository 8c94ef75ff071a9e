// TSLKExport: an export source as a symbolic-link (SYLK) spreadsheet file:
// semicolon-separated records with cell values, picture (number) formats,
// column widths, bold title and sum rows and a sum formula per numeric
// column, as LibreOffice and Excel read it.
//
// What callers rely on:
// - The file starts with an "ID;P" record (spreadsheet programs recognise
//   the format by it); SLKIdHeaderLine may give another one.
// - Dates and times are serial days of the 1900 date system (1 January
//   1900 is day 1, as spreadsheets count it); a value with no date part is a
//   time of day; dates before 1900 are written as their text.
// - Currency and decimal values with more than 15 significant digits are
//   written as text, which keeps every digit a number would lose.
// - Execute returns true when the file was saved; false without a file, a
//   usable source, after an abort from the progress handler, or when the
//   file cannot be written (ErrorText(); an older file stays whole).
#pragma once

#include <QString>
#include <vector>

#include "io/export_output.h"
#include "io/export_progress.h"
#include "io/export_source.h"

struct ExportColumn;

class TSLKExport {
public:
    int StartRow = 1;
    int StartCol = 1;
    QString ExportFile;
    QString SetFontName = QStringLiteral("Arial");  // "nil": no fonts, no row formatting
    QString DefaultDateFormat;                      // empty: "d/m/yyyy"
    QString DefaultTimeFormat;                      // empty: "h:mm"
    QString DefaultNumFormat;                       // empty: "General"
    QString SLKIdHeaderLine;                        // empty: "ID;PSLKExport"
    bool TrimData = false;
    bool ExportFieldName = true;
    bool RealFieldNamesAsTitle = false;
    bool ExportOnlyVisibleFields = true;
    bool ExportOnlySelectedRows = false;
    bool SetColWidth = true;
    bool MakeSumRow = false;
    bool ExportStructureOnly = false;
    bool UseDisableControl = true;
    TActionAfter ActionAfter = aaShow;
    TTextEncoding Encoding = teUtf8;
    TProgressEvent OnProgressEvent;

    bool Execute(ExportSource& source);
    QString ErrorText() const { return error_; }

private:
    void ExportLine(const QString& line);
    QString cellValue(const ExportColumn& column, const db::Value& value, QString* formatLine,
                      int x) const;

    ExportOutput* output_ = nullptr;
    QString error_;
};

// A SYLK text value: ";" doubled, line breaks as ESC + " :", cut to 247
// characters and "..." when longer than 250, in double quotes.
QString slkTextValue(QString text);
