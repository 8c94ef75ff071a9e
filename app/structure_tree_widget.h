// The "DB Structure" page of the main window: the filter band, the tree
// tvStruct over a StructureTreeModel, and on the right the page control
// pcStruct with the data pane ("Data") and the SQL text of a selected view
// ("Detail").
//
// The page holds no database of its own: setDatabase hands it the session's
// catalogue and data connection after an open and takes them away before a
// close. The command buttons (refresh, export, edit selected, reload data)
// trigger the main window's actions; the main window connects those to the
// handlers here ("Edit selected" to its own jump, as the designers live on
// other tabs).
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "app/structure_tree_model.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class CatalogueStructureSource;
class TCustomConnectionUDB;
class TStructDataPane;
class TxEditNum;
class TxHTMLLabel;
class TxMemoEx;
class TxURLLabel;
namespace dao {
class Database;
}

struct StructureActions {
    QAction* refresh = nullptr;
    QAction* exportTree = nullptr;
    QAction* editSelected = nullptr;
    QAction* reloadData = nullptr;
};

class TStructureTab : public QWidget {
    Q_OBJECT
public:
    TStructureTab(const StructureActions& actions, QString& lastTbl, QWidget* parent = nullptr);
    ~TStructureTab() override;

    // After an open: reads the table, view and relation lists, empties the
    // view column cache and builds the tree. nullptr (before a close):
    // empties the tree, the filter text, the detail memo and the data pane.
    // Throws db::Error when the catalogue cannot be read (the tree then
    // stays partly built).
    void setDatabase(dao::Database* db, TCustomConnectionUDB* connection);
    // The designers changed the file: the lists are read again, the view
    // column cache emptied and the tree built anew.
    void reloadCatalogue();

    StructureTreeModel& model() { return model_; }
    const NodeDetail& nodeDetail() const { return NodeDetail_; }

    // Operations by the names other parts of the program use.
    void BuildStructureTree();
    void UpdateNodeDetail();
    void LoadNodeData();
    void expandAll();
    void collapseAll();

    // Handlers (public so tests and the main window can drive them).
    void actStructRefreshExecute();
    void actStructReloadDataExecute();
    // Writes the exported text to a file the user chooses; false when the
    // user cancelled.
    bool actStructExportExecute();
    void tvStructClick();
    // The tree item of a node, or nullptr.
    QTreeWidgetItem* itemOf(const StructNode* node) const;
    // The node behind a tree item, or nullptr.
    static StructNode* nodeOf(const QTreeWidgetItem* item);

    // Components (names are the program's).
    TxHTMLLabel* xHTMLLabel4 = nullptr;
    QLineEdit* eFind = nullptr;
    QPushButton* btStructRefresh = nullptr;
    QPushButton* btStructEditSel = nullptr;
    TxURLLabel* btExpand = nullptr;
    TxURLLabel* btCollapse = nullptr;
    QCheckBox* chLoadData = nullptr;
    TxHTMLLabel* xHTMLLabel3 = nullptr;
    TxEditNum* eMaxRec = nullptr;
    QPushButton* btStructReloadData = nullptr;
    QPushButton* btStructExport = nullptr;
    QTreeWidget* tvStruct = nullptr;
    QTabWidget* pcStruct = nullptr;
    QWidget* tsData = nullptr;
    QWidget* tsDetail = nullptr;
    TxMemoEx* mDetail = nullptr;
    TStructDataPane* dataPane = nullptr;

private:
    void createControls(const StructureActions& actions);
    void fillTree();
    void fillItem(QTreeWidgetItem* item, const StructNode& node);
    void refillChildren(QTreeWidgetItem* item);
    void tvStructExpanded(QTreeWidgetItem* item);

    StructureTreeModel model_;
    std::unique_ptr<CatalogueStructureSource> source_;
    NodeDetail NodeDetail_;
    QString& LastTbl;
    bool expandingAll_ = false;
};
