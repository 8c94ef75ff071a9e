// TTXTExport: the rows of an export source as a text file, one line per
// record: separated values (text values enclosed in a quote string) or
// fixed-width columns (each value padded or cut to its column's width).
//
// What callers rely on:
// - Execute returns true when the lines were produced and, with an
//   ExportFile, saved; false when the source is not usable, the progress
//   handler aborted (nothing is saved then) or the file could not be
//   written (ErrorText() says why; an older file at the name stays whole).
// - Quote strings inside a quoted value are doubled, so a reader gets the
//   value back ("a ""b""" for a "b").
// - Numbers and dates never depend on the locale: "." is the decimal
//   separator and dates are "yyyy-mm-dd hh:nn:ss", so a "," separator stays
//   unambiguous on a system with decimal commas.
// - Without ExportFile the lines stay in ExportResult; with a file they are
//   written to it as they are made (ExportResult then stays empty), so the
//   memory used does not grow with the records.
//
// Use from the thread that owns the source.
#pragma once

#include <QString>
#include <QStringList>

#include "io/export_output.h"
#include "io/export_progress.h"
#include "io/export_source.h"

class TTXTExport {
public:
    QString ExportFile;
    QString TextApostrophe;
    QString FieldSeparator = QStringLiteral(" ");
    QChar FillChar = u' ';  // QChar(0): no alignment
    bool TrimData = false;
    bool ExportFieldName = true;
    bool RealFieldNamesAsTitle = false;
    bool ExportMemoFields = false;
    // With ExportMemoFields, line breaks inside values become MemoEOLString;
    // without it they stay inside the quoted value, as CSV readers expect.
    bool ReplaceLineBreaks = true;
    QString MemoEOLString = QStringLiteral(" || ");
    bool ExportOnlyVisibleFields = true;
    bool ExportOnlySelectedRows = false;
    bool AppendToFile = false;
    bool ExportStructureOnly = false;
    bool ExportAllAsText = false;
    bool UseDisableControl = true;
    TActionAfter ActionAfter = aaShow;
    TTextEncoding Encoding = teUtf8;
    TProgressEvent OnProgressEvent;

    QStringList ExportResult;

    bool Execute(ExportSource& source);
    QString ErrorText() const { return error_; }

private:
    QString prepare(QString value) const;
    QString quote(const QString& value) const;
    QString align(const QString& value, int width, int alignment) const;
    void ExportLine(const QString& line);

    ExportOutput* output_ = nullptr;
    QString error_;
};

// "Error: Cannot export data." with "Error description:" and `detail`
// below it, the report of every failed export.
QString exportErrorText(const QString& detail);
