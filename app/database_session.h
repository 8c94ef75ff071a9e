// The one database session of the main window, without the window: the file
// box's text and history, the catalogue handle DB, the data connection
// DBCon, the password of the last open, the change flags of the designers,
// and the flows that open and close a file (password prompt, info line,
// store prompts, "Find", dropped files, closing the window).
//
// Every dialog goes through the kit's dialog service, so tests answer them
// with a scripted service. The editors of the four tabs plug in through
// SessionEditors.
//
// Errors: a user's cancel ends a flow with SilentAbort (app/silent_abort.h);
// every other failure propagates as the exception that caused it, for the
// caller's standard error report. Use from the user-interface thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "app/file_history.h"
#include "app/session_enabling.h"
#include "db/xDBComponents_UDB.h"

namespace dao {
class Database;
}

// What the session asks of the editors on the tabs (structure tree,
// designers, data pane). Every hook has a default that does nothing, so a
// session runs before the editors exist.
class SessionEditors {
public:
    virtual ~SessionEditors() = default;
    // Fills the editors after an open (table list, view list, relations,
    // structure tree).
    virtual void loadDatabaseObjects() {}
    // Empties the editors after a close (lists, grids, memos, tree, data
    // pane, tree filter).
    virtual void clearDatabaseObjects() {}
    // The store commands behind the "&Yes" of the store prompts; each is
    // called only while its command is enabled.
    virtual void storeTableChanges() {}
    virtual void storeViewChanges() {}
    virtual void storeRelationChanges() {}
    // The create-database dialog: the new file's name, or nothing when the
    // user cancelled or no file could be created.
    virtual std::optional<QString> createDatabase() { return std::nullopt; }
};

class DatabaseSession {
public:
    // How DBCon is opened once its connection string is set; the default
    // calls TConnectionUDB::Open.
    using ConnectionOpener = std::function<void(TConnectionUDB& connection)>;

    explicit DatabaseSession(SessionEditors* editors = nullptr);
    ~DatabaseSession();
    DatabaseSession(const DatabaseSession&) = delete;
    DatabaseSession& operator=(const DatabaseSession&) = delete;

    void setEditors(SessionEditors* editors);
    void setConnectionOpener(ConnectionOpener opener);

    // ---- The file box -------------------------------------------------------
    const QString& fileText() const { return fileText_; }
    void setFileText(const QString& text) { fileText_ = text; }
    FileHistory& history() { return history_; }
    const FileHistory& history() const { return history_; }

    // ---- Session state --------------------------------------------------------
    dao::Database* DB() const { return DB_.get(); }
    TConnectionUDB& DBCon() { return DBCon_; }
    const QString& DBPwd() const { return DBPwd_; }
    // The password a run changed the file to (the manage dialog).
    void setDBPwd(const QString& password) { DBPwd_ = password; }
    bool DBOpened() const { return DBOpened_; }
    // The file the open session is on, as typed; empty while closed.
    const QString& fileName() const { return fileName_; }
    // The info line's caption: "DB file: <B>name</B>, version, Collation:
    // collation", values escaped; empty while closed.
    const QString& dbInfo() const { return dbInfo_; }

    // Set by the designers, cleared together with DBOpened on close.
    bool TableChanged = false;
    bool IdxChanged = false;
    bool ViewChanged = false;
    bool RelChanged = false;
    // The table or view whose data the data pane shows; forgotten on close,
    // so that the same table loads again after a reopen.
    QString LastTbl;

    // The session's part of the enabling flags (opened and changes).
    SessionFlags flags() const;

    // The open dialog's first folder: the program's folder with a trailing
    // "/", with its letter case kept.
    const QString& openDialogFolder() const { return openDialogFolder_; }
    void setOpenDialogFolder(const QString& folder) { openDialogFolder_ = folder; }

    // ---- Commands ---------------------------------------------------------------
    // actDBOpen: opens the file named by fileText() when the command is
    // enabled (no session open); does nothing otherwise.
    void actDBOpenExecute();
    // The close flow: the three store prompts, then DBCon and DB are closed
    // and the state cleared. The file box, DBPwd and the history stay.
    void CloseDatabase();
    void AskStoreTableChanges();
    void AskStoreViewChanges();
    void AskStoreRelChanges();
    // The data connection string for the session's file and password.
    QString GetConnectionString(bool useJetForMdb) const;

    // The anchors of the file band: "Find", "Create", "Remove", "Clear";
    // other names do nothing.
    void fileAnchorClicked(const QString& linkName);
    // Files dropped on the file band: the first one is opened.
    void dropFiles(const QStringList& files);
    // Runs the close flow for the window; false when the user cancelled.
    bool closeWindow();

private:
    void openFile(const QString& file);
    void openDataConnection();
    void findFile();
    void createFile();

    SessionEditors defaultEditors_;
    SessionEditors* editors_;
    ConnectionOpener opener_;
    QString fileText_;
    FileHistory history_;
    std::shared_ptr<dao::Database> DB_;
    TConnectionUDB DBCon_;
    QString DBPwd_;
    bool DBOpened_ = false;
    QString fileName_;
    QString dbInfo_;
    QString openDialogFolder_;
};
