// Shared pieces of the export tests: a query on a copy of a fixture, a small
// database with a column of every kind the writers treat apart, and
// LibreOffice reading exported files back as CSV.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "db/xDBComponents_UDB_query.h"

namespace io_test {

// A connection on a copy of `file` (a fixture path relative to the fixtures,
// or an absolute path) and a query "SELECT * FROM [table]" on it, open.
struct QueryOnFile {
    QueryOnFile(const QString& file, const QString& table);
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TConnectionUDB> connection;
    TQueryUDB query;
};

// Builds, with tabulon-cli, the table "AllKinds" in a new file in `dir`:
// every column type the writers tell apart, with nulls, non-ASCII text,
// quotes, a leading "=", memo line breaks, a date before 1900, a time of
// day without a date, currency beyond 15 digits. Returns the file's path.
QString makeAllKindsDatabase(const QTemporaryDir& dir);

// Runs tabulon-cli with `arguments`; its exit code, with its output in
// `output` when given.
int runCli(const QStringList& arguments, QByteArray* output = nullptr);

// Converts `files` (one LibreOffice run for all, a private profile, a time
// limit) to CSV with "," and raw cell values; the CSV text per input file,
// keyed by the input's path. Files LibreOffice could not convert are
// missing from the result. `csvImport` reads every input as CSV with ","
// in UTF-8, quoted fields as text and formulas not evaluated (as a user
// would choose for a data file); otherwise LibreOffice picks the filter.
QMap<QString, QString> libreOfficeCsv(const QStringList& files, const QString& outDir,
                                      bool csvImport = false);

// The records of a CSV text (quotes, doubled quotes, line breaks inside
// quotes).
QList<QStringList> parseCsv(const QString& text);

}  // namespace io_test
