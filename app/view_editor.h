// The "Views" page of the main window: the stored queries of the file (the
// program calls them views), one at a time as SQL text in the memo mView.
// Views are added, renamed and deleted at once; a changed text is stored by
// "Save changes".
//
// A new view starts as "SELECT * FROM [first table];" (the engine keeps no
// query without SQL). Storing replaces the view's SQL in place: text the engine refuses leaves
// the stored view as it was (and ViewArr with it), the memo keeps the edited
// text and ViewChanged stays set. A new name may be neither a view's nor a
// table's.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "db/xdbtool_MDB.h"

class DatabaseSession;
class QAction;
class QComboBox;
class QPushButton;
class TxHTMLLabel;
class TxMemoEx;

struct ViewActions {
    QAction* rename = nullptr;
    QAction* add = nullptr;
    QAction* del = nullptr;
    QAction* store = nullptr;
    QAction* sql = nullptr;
};

struct ViewEditorHost {
    std::function<QStringList()> tableNames;
    std::function<void(const QString& name)> showData;
    std::function<void()> stateChanged;
    // A view was added, renamed, deleted or stored.
    std::function<void()> catalogueChanged;
    // The SQL designer, shown modally with `sql`: the text it was closed
    // with by "Update view", nothing when it was closed otherwise.
    std::function<std::optional<QString>(const QString& sql)> designSql;
};

class TViewEditor : public QWidget {
    Q_OBJECT
public:
    TViewEditor(DatabaseSession& session, const ViewActions& actions, ViewEditorHost host,
                QWidget* parent = nullptr);
    ~TViewEditor() override;

    // Reads the views again and selects `viewName` (any case; "*" the first).
    void LoadViewList(const QString& viewName);
    void clearDatabaseObjects();
    QStringList viewNames() const;
    bool viewSelected() const;
    QString selectedView() const;

    void cbViewsClick(int index);
    void actViewAddExecute();
    void actViewRenameExecute();
    void actViewDelExecute();
    void actViewStoreExecute();
    // " Design SQL ": the memo's text through the SQL designer; a text
    // brought back that differs replaces the memo's (one undo step) and
    // marks the view changed; it is not stored yet.
    void actViewSQLExecute();
    void lblViewDataAnchorClick(const QString& linkName);

    QComboBox* cbViews = nullptr;
    TxHTMLLabel* lblViewData = nullptr;
    QPushButton* btViewRename = nullptr;
    QPushButton* btViewAdd = nullptr;
    QPushButton* btViewDel = nullptr;
    QPushButton* btViewSql = nullptr;
    QPushButton* btViewStore = nullptr;
    TxMemoEx* mView = nullptr;

    TQueryDefArray ViewArr;
    int LastViewIdx = -1;

private:
    void run(const std::function<void()>& command);
    void stateChanged();
    void catalogueChanged();
    void showText(const QString& sql);

    DatabaseSession& session_;
    ViewEditorHost host_;
    bool loading_ = false;
};
