// The clipboard text of the grid's copy: tab-separated values, every line
// (the last included) ended by CR LF. A value that holds a line feed, a
// carriage return, a double quote or a tab is quoted: its line breaks
// become LF, its double quotes are doubled and it is put in double quotes,
// so that a paste reads it back as one cell.
#pragma once

#include <QString>
#include <QStringList>

QString QuoteCopyValue(const QString& value);
QString CopyLine(const QStringList& values);
