// Readable GoogleTest output for Qt strings in the kit's dialog and control
// tests. Internal linkage, so other test files may print them their own way.
#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

[[maybe_unused]] static void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << '}';
}
