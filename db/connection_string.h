// Connection strings of the data surface: the OLE DB form the program uses
// for Access files, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;
// Jet OLEDB:Database Password=<password>" (or the ACE 12.0 provider).
//
// Reading follows the OLE DB rules: parts are separated by ";", keys are
// compared without regard to case and trimmed, empty parts (";;", a trailing
// ";") are ignored, a value in double (or single) quotes may hold ";" and
// doubles its own quote character to hold it, and a key given twice keeps its
// last value. Building quotes exactly the values that need it, so that
// parseConnectionString(build...(x)) gives x back for every path and password;
// a value that needs no quotes is written as it is, so plain strings read the
// same as they always did.
//
// Pure functions, safe from any thread. Errors are jet::Error with the
// provider's wording.
#pragma once

#include <QList>
#include <QString>

namespace db {

inline const QString kJetProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
inline const QString kAceProvider = QStringLiteral("Microsoft.ACE.OLEDB.12.0");
inline const QString kDataSourceKey = QStringLiteral("Data Source");
inline const QString kPasswordKey = QStringLiteral("Jet OLEDB:Database Password");

struct ConnectionPart {
    QString key;  // as written, trimmed
    QString value;
};

// The parts of a connection string in the order written, without empty parts.
// Throws jet::Error (Syntax) "Format of the initialization string does not
// conform to the OLE DB specification." for a part without "=", a key that is
// empty, or an unterminated quote.
QList<ConnectionPart> splitConnectionString(const QString& text);

// What the data surface needs to open an Access file.
struct AccessConnection {
    QString provider;  // kJetProvider or kAceProvider, as spelt by us
    QString dataSource;
    QString password;  // empty when none is given
};

// Reads a connection string for one of the two Access providers. Keys other
// than Provider, Data Source and the database password are accepted and
// ignored (Mode, User ID, Persist Security Info, ...). Throws jet::Error:
// Syntax as splitConnectionString; NotFound "Provider cannot be found. It may
// not be properly installed." for a missing or other provider.
AccessConnection parseAccessConnection(const QString& text);

// `value` as it must stand after "key=" so that it reads back unchanged:
// wrapped in double quotes (inner double quotes doubled) when it holds ";" or
// a quote character, starts with a quote, or has blanks at either end;
// otherwise unchanged.
QString quoteConnectionValue(const QString& value);

// "Provider=<provider>;Data Source=<path>" and, when `password` is not empty,
// ";Jet OLEDB:Database Password=<password>", with both values quoted as
// quoteConnectionValue does.
QString buildAccessConnectionString(const QString& provider, const QString& path,
                                    const QString& password);

// The provider for a file: the Jet 4.0 provider when `useJetForMdb` is set and
// the file's extension is ".mdb" (any case), the ACE 12.0 provider otherwise.
QString providerForFile(const QString& path, bool useJetForMdb);

}  // namespace db
