// The data surface's connection: TConnectionUDB, the one data connection of
// a session (the main window's DBCon). It opens an Access file from an OLE DB
// connection string ("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=...;Jet
// OLEDB:Database Password=...", or the ACE 12.0 provider) and holds a share of
// the file's engine database from the registry, so it sees the same database
// as the catalogue handle on that file.
//
// What callers rely on:
// - Open() either connects or throws jet::Error with the provider's message;
//   a failed Open leaves the connection closed. The Jet 4.0 provider reads
//   only Jet files (Jet 3 and Jet 4); an ACE file through it fails with
//   "Unrecognized database format '<path>'.", as the real provider does.
// - Close() first closes every dataset registered on the connection, then
//   lets go of the engine database. Closing a closed connection does nothing.
// - Datasets (the queries of a later step) register through
//   addDataset/removeDataset and reach the engine through engineHandle(); a
//   dataset unregisters itself before it is destroyed, and a connection
//   destroyed first tells each dataset to forget it.
//
// Use from the user-interface thread only.
#pragma once

#include <QString>
#include <vector>

#include "db/engine_registry.h"

// What the connection needs of a dataset that runs on it.
class ConnectionDataset {
public:
    virtual ~ConnectionDataset() = default;
    // The connection is closing: the dataset closes too.
    virtual void connectionClosing() = 0;
    // The connection is being destroyed (after connectionClosing): the
    // dataset must forget it.
    virtual void connectionDestroyed() {}
};

class TCustomConnectionUDB {
public:
    TCustomConnectionUDB() = default;
    virtual ~TCustomConnectionUDB();
    TCustomConnectionUDB(const TCustomConnectionUDB&) = delete;
    TCustomConnectionUDB& operator=(const TCustomConnectionUDB&) = delete;

    QString ConnectionString() const { return connectionString_; }
    // Takes effect at the next Open; an open connection stays as it is.
    void setConnectionString(const QString& text) { connectionString_ = text; }

    void Open();
    void Close();
    bool Connected() const { return static_cast<bool>(handle_); }

    // Read-only connections make their datasets read-only; the flag is kept
    // across opens.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

    // The value of "Data Source" (or "SERVER") in the connection string the
    // connection last opened with, unquoted; empty when it never opened.
    QString HostName() const;
    // The same for "Initial Catalog" (or "DATABASE").
    QString GetDatabaseName() const;

    // The engine database while connected; an empty handle otherwise.
    const db::EngineHandle& engineHandle() const { return handle_; }

    void addDataset(ConnectionDataset* dataset);
    void removeDataset(ConnectionDataset* dataset);
    const std::vector<ConnectionDataset*>& datasets() const { return datasets_; }

private:
    QString connectionString_;
    QString connectionStringOrig_;
    bool readOnly_ = false;
    db::EngineHandle handle_;
    std::vector<ConnectionDataset*> datasets_;
};

class TConnectionUDB : public TCustomConnectionUDB {};
