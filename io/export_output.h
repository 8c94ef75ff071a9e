// The file an export writes: lines in one text encoding, each ending with
// carriage return and line feed, written under a temporary name and renamed
// over the target only when everything was written, so a failed or
// cancelled export leaves an older file at the name as it was.
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <memory>

// Encodings of the text writers. A byte-order mark is written only for the
// encodings that name one.
enum TTextEncoding { teUtf8, teUtf8Bom, teUtf16Bom, teLatin1 };

// The encoding a file's byte-order mark names, or `fallback` without one.
TTextEncoding encodingOfMark(const QByteArray& head, TTextEncoding fallback);
// The lines of a text file (without their line ends) as decoded by its mark
// or `fallback`; empty when it cannot be read.
QStringList readTextLines(const QString& path, TTextEncoding fallback, bool* ok = nullptr);

class ExportOutput {
public:
    ExportOutput(const QString& path, TTextEncoding encoding);
    ~ExportOutput();
    ExportOutput(const ExportOutput&) = delete;
    ExportOutput& operator=(const ExportOutput&) = delete;

    // False with errorString() when the temporary file cannot be made.
    bool open();
    void writeLine(const QString& line);
    // Writes what is buffered and renames the file into place; false with
    // errorString() on any failure (nothing replaces the old file then).
    bool commit();
    QString errorString() const { return error_; }

private:
    void flush();
    QSaveFile file_;
    TTextEncoding encoding_;
    QStringEncoder encoder_;
    QByteArray buffer_;
    bool failed_ = false;
    QString error_;
};
