// The main window Main: the file band (file box with its history, the
// "Find"/"Create" and history links, Open/Close/Manage), the page control
// with its four tabs, and the bottom strip with the database info line and
// the version. The "DB Structure" tab holds the structure tree and its data
// pane (TStructureTab); "Tables", "Views" and "Relations" hold the designers
// (TTableDesigner, TViewEditor, TRelationEditor), each a class of its own.
//
// The window is a thin layer over DatabaseSession, which holds the session
// and its flows; TMain copies the file box into the session before a command
// and shows the session's state afterwards. With a settings path the window
// restores its bounds, active tab and file box at creation and stores them
// when it is destroyed.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

#include "app/database_session.h"

class QAction;
class QPushButton;
class QTabWidget;
class TxComboBoxEx;
class TxGroupBox;
class TxHTMLLabel;
class SettingsFile;
class TStructureTab;
class TTableDesigner;
class TViewEditor;
class TRelationEditor;
class TCreateDbDlg;
class TManageDbDlg;
class TDlgGenSQL;
class TDta;
class TxDBGridSorter_UDB;

class TMain : public QMainWindow {
    Q_OBJECT
public:
    // `settingsPath` empty: nothing is restored or stored.
    explicit TMain(const QString& settingsPath = QString(), QWidget* parent = nullptr);
    ~TMain() override;

    DatabaseSession& session() { return session_; }

    // The operations other windows call by these names.
    void CloseDatabase();
    void AskStoreTableChanges();
    void AskStoreViewChanges();
    void AskStoreRelChanges();
    QString GetConnectionString(bool useJetForMdb) const {
        return session_.GetConnectionString(useJetForMdb);
    }

    // Handlers (public so tests and later editors can drive them).
    void ActListUpdate();
    void actDBOpenExecute();
    void actDBCloseExecute();
    void gbMDBFileDropFiles(TxGroupBox* sender);
    void lblFileAnchorClick(const QString& linkName);
    // "Edit selected" of the structure tree: the store prompt of the
    // designer concerned, then its tab. A cancelled prompt ends it silently.
    void EditSelectedNode();
    // The "Create" link's dialog, made on first use and kept (its position
    // is stored with the window's settings).
    TCreateDbDlg* CreateDbDlg();
    // Shows it; on OK creates the file (replacing an existing one only with
    // a complete new file) and returns its name; nothing on Cancel. Failures
    // propagate as db::Error.
    std::optional<QString> createDatabase();
    // "Manage": the manage dialog, then the compaction it asks for with the
    // database closed, and the file (or the new file) opened again.
    void actDBManageExecute();
    TManageDbDlg* ManageDbDlg();

    // ---- Data windows (behind the "Show" links) ----
    // The window of the table or view (any letter case) is re-queried and
    // brought to the screen; without one a new window opens. Failures of
    // the load propagate as db::Error.
    void ShowData(const QString& name);
    // The position in FList of the window showing `name`, searched from the
    // last opened; -1 when none.
    int FindDataWindow(const QString& name) const;
    TDta* OpenDataWindow(const QString& name);
    // The data windows opened for tables and views; a closed window drops
    // out by itself.
    QList<QPointer<TDta>> FList;
    // ---- The SQL designer (behind " Design SQL ") ----
    // Made on first use and kept for the run; its bounds and memo font are
    // stored with the window's settings.
    TDlgGenSQL* GenSqlDlg();
    // Shows it modally over this window (data windows it opens stay usable)
    // with `sql`; the text it was closed with by "Update view", else nothing.
    std::optional<QString> designSql(const QString& sql);
    // A data window for the records of a statement; returns its record
    // count. Failures propagate; the window stays.
    size_t OpenSqlWindow(const QString& sql);
    // A statement changed the file through the data connection: the
    // catalogue is read again, the structure tree rebuilt, and each designer
    // without pending changes reloads its lists (pending edits are kept).
    void databaseChangedBySql();

    // The sorter both grids of the program sort through.
    TxDBGridSorter_UDB* Sorter() const { return sorter_.get(); }

    // Components.
    TxGroupBox* gbMDBFile = nullptr;
    TxHTMLLabel* lblFile = nullptr;
    TxHTMLLabel* lblFileHist = nullptr;
    TxComboBoxEx* cbFile = nullptr;
    QPushButton* btDBOpen = nullptr;
    QPushButton* btDBClose = nullptr;
    QPushButton* btDBManage = nullptr;
    QTabWidget* pc = nullptr;
    QWidget* tsStruct = nullptr;
    TStructureTab* structTab = nullptr;
    QWidget* tsTables = nullptr;
    TTableDesigner* tableTab = nullptr;
    QWidget* tsViews = nullptr;
    TViewEditor* viewTab = nullptr;
    QWidget* tsRelations = nullptr;
    TRelationEditor* relationTab = nullptr;
    TxGroupBox* gbBottom = nullptr;
    TxHTMLLabel* lblDBInfo = nullptr;
    TxHTMLLabel* lblAbout = nullptr;

    QAction* actDBOpen = nullptr;
    QAction* actDBClose = nullptr;
    QAction* actDBManage = nullptr;
    QAction* actTableRename = nullptr;
    QAction* actTableAdd = nullptr;
    QAction* actTableDel = nullptr;
    QAction* actTableStore = nullptr;
    QAction* actTableReload = nullptr;
    QAction* actViewRename = nullptr;
    QAction* actViewAdd = nullptr;
    QAction* actViewDel = nullptr;
    QAction* actViewStore = nullptr;
    QAction* actViewSQL = nullptr;
    QAction* actRelStore = nullptr;
    QAction* actStructRefresh = nullptr;
    QAction* actStructExport = nullptr;
    QAction* actStructEditSel = nullptr;
    QAction* actStructReloadData = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class MainEditors;
    void createActions();
    void createFileBand();
    void createPages();
    void createBottomStrip();
    QAction* addAction(const char* name, const QString& category, const QString& caption);
    // Runs a session command with the file box copied in before and the
    // window updated after.
    void runSessionCommand(const std::function<void()>& command);
    void showSessionState();
    // A new data window, shown and kept in FList, still empty.
    TDta* newDataWindow();

    void readSettings();
    void saveSettings() const;
    // Moves a dialog to where the settings say it last was (kept on screen).
    void restoreDialogPosition(QWidget* dialog) const;

    DatabaseSession session_;
    std::unique_ptr<TxDBGridSorter_UDB> sorter_;
    std::unique_ptr<MainEditors> editors_;
    std::unique_ptr<SettingsFile> settings_;
    TCreateDbDlg* createDbDlg_ = nullptr;  // owned by the window
    TManageDbDlg* manageDbDlg_ = nullptr;  // owned by the window
    TDlgGenSQL* genSqlDlg_ = nullptr;      // owned by the window
    void manageDatabase();
};
