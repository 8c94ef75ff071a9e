// One open engine database per file in the process.
//
// The catalogue surface (DBEngine/Database) and the data surface (the data
// connection) open the same file independently, but must see one engine
// database, so that what one of them changes the other sees at once. This
// registry hands out shared handles keyed by the file's canonical path (links
// and "." / ".." resolved); the engine database closes when the last handle
// goes away.
//
// Every open checks its own password: a second open of a file that is already
// open succeeds only with a password the file accepts, exactly as if the file
// had been opened afresh.
//
// Files open for changing when this user may write both the file and its
// folder (the engine's journal of a change lives next to the file), else
// read-only; `jet::Database::pages().writable()` tells which.
//
// Use from the user-interface thread only (the engine database is not
// thread-safe either).
#pragma once

#include <QString>
#include <memory>

#include "jet/catalog/database.h"

namespace db {

struct EngineOpenOptions {
    QString password;
    // No other handle may exist while this one does, and no other open
    // succeeds while it lives.
    bool exclusive = false;
};

// A share of an open engine database. Copies share it too.
class EngineHandle {
public:
    EngineHandle() = default;

    jet::Database& database() const { return *database_; }
    const std::shared_ptr<jet::Database>& shared() const { return database_; }
    explicit operator bool() const { return database_ != nullptr; }
    // The canonical path the registry knows the file by.
    const QString& canonicalPath() const { return canonicalPath_; }

private:
    friend EngineHandle openEngineDatabase(const QString&, const EngineOpenOptions&);
    std::shared_ptr<jet::Database> database_;
    std::shared_ptr<void> lease_;  // keeps the registry entry's user count
    QString canonicalPath_;
};

// Opens `path` or joins the engine database already open for it. Throws
// jet::Error: Io "Could not find file '<path>'." when there is no such file;
// "Could not use '<path>'; file already in use." when an exclusive handle
// stands in the way; and whatever jet::Database::open reports (wrong
// password, not an Access file, damaged file).
EngineHandle openEngineDatabase(const QString& path, const EngineOpenOptions& options = {});

// Number of files the registry currently holds open (for tests and checks).
int openEngineDatabaseCount();
// Whether this process holds `path` open (links and "." / ".." resolved).
bool isEngineDatabaseOpen(const QString& path);

}  // namespace db
