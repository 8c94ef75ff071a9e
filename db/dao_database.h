// The catalogue surface: DBEngine and Database, shaped after DAO so that the
// catalogue routines (xdbtool_MDB) and the designers read the catalogue of
// an Access file exactly as they would through DAO.
//
// A Database shares the engine database of its file with every other handle
// in the process (db/engine_registry.h), the data surface's included. Its
// collections list what DAO lists, in DAO's order: TableDefs holds every
// table, system and linked tables included, QueryDefs every stored query
// (hidden "~sq_" ones too), Relations every relation, each in name order
// under the database's sort order; Fields are in field order and Indexes in
// the order the table stores them.
//
// Use from the user-interface thread only. Failures are jet::Error with the
// engine's message.
#pragma once

#include <QString>
#include <memory>

#include "db/dao_collection.h"
#include "db/dao_objects.h"
#include "db/dao_session.h"

namespace dao {

class Database {
public:
    explicit Database(std::shared_ptr<Session> session);
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The file name as given when opening.
    QString Name() const { return session_->path(); }
    // "3.0", "4.0", "12.0" or "14.0" (every ACE format from 2010 on).
    QString Version() const;
    // The language id of the database's sort order (1033 for General).
    int CollatingOrder() const;
    // Lets go of the file; every later use of this Database or of objects
    // read through it throws "Object invalid or no longer set.". Closing
    // twice does nothing.
    void Close() { session_->close(); }
    bool isOpen() const { return session_->isOpen(); }

    Collection<TableDef>& TableDefs() { return tableDefs_; }
    Collection<QueryDef>& QueryDefs() { return queryDefs_; }
    Collection<Relation>& Relations() { return relations_; }

    // The engine database behind this handle, for the data surface.
    const db::EngineHandle& engineHandle() const { return session_->handle(); }

private:
    std::shared_ptr<Session> session_;
    Collection<TableDef> tableDefs_;
    Collection<QueryDef> queryDefs_;
    Collection<Relation> relations_;
};

// The engine object. It holds no state; it exists so that callers read like
// the DAO code they replace.
//
// Locale texts name a collation as ";LANGID=0x0409;CP=1252;COUNTRY=0"
// (keys without regard to case, LANGID in hexadecimal), optionally followed
// by ";pwd=" and a password; ";pwd=" with nothing after it stands for "no
// password". Version keys: 32 "3.0", 64 "4.0", 128 "12.0", 256 "14.0".
class DBEngine {
public:
    // Creates a new empty database file `name` and returns it open. `locale`
    // must name one of the twenty collations (kCollations of
    // db/xdbtool_MDB.h); its password part, when given, protects the new
    // file. `version` is a version key; 0 creates a 14.0 file. Nothing is
    // written when this fails. Throws jet::Error: Io "Database already
    // exists." when `name` exists (nothing is overwritten), InvalidArgument
    // for a locale without a known collation or an unknown version key or a
    // password the format cannot hold, Io when the file cannot be written.
    std::shared_ptr<Database> CreateDatabase(const QString& name, const QString& locale,
                                             int version = 0);

    // Writes a compacted copy of `source` to `destination`: every table with
    // its rows, indexes and properties, every stored query and relation.
    // `destinationLocale` chooses the copy's collation and password ("" keeps
    // both; a locale without a password part keeps the password; ";pwd="
    // alone removes it); `version` is the copy's version key, 0 keeps the
    // source's; `sourceLocale` carries the source's password as ";pwd=...".
    // The source must not be open anywhere in the program (as DAO requires
    // it closed by every user); it is held exclusively while it is read.
    // Throws jet::Error: Io "Database already exists." when `destination`
    // exists; "Could not find file '<source>'."; "Could not use '<source>';
    // file already in use." while a handle on it is open; "Not a valid
    // password."; InvalidArgument for an unknown version key or collation or
    // a column the destination version cannot hold; Io when writing fails.
    // No destination file is left behind by a failure.
    void CompactDatabase(const QString& source, const QString& destination,
                         const QString& destinationLocale, int version = 0,
                         const QString& sourceLocale = QString());

    // Opens `name`. The password is passed as it is (no connect text is
    // built or parsed, so a password may hold any character). With
    // `exclusive` no other handle on the file may exist or be opened while
    // this one lives. Only reading is available yet, so `readOnly` changes
    // nothing for now. Throws jet::Error: "Could not find file '<name>'.",
    // "Not a valid password.", "Unrecognized database format '<name>'.",
    // "Could not use '<name>'; file already in use.", or a damage report.
    std::shared_ptr<Database> OpenDatabase(const QString& name, bool exclusive, bool readOnly,
                                           const QString& password = QString());
};

}  // namespace dao
