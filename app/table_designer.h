// The "Tables" page of the main window: the table designer. The upper strip
// picks a table (cbTables) and offers the table commands; below, the field
// grid sgFld and the index grid sgIdx collect edits, each row marked with
// its pending action ("Add", "Edit", "Rename", "Del"), until "Save changes"
// applies them to the open file.
//
// A grid row r up to FldCount (IdxCount) stands for the field (index) loaded
// as entry r-1 of FldList (IdxList), whatever its Name cell says now; later
// rows are new. Loaded rows are never removed or reordered before the next
// load, so the save can rely on this.
//
// Saving checks every marked row first and then applies all of them, fields
// before indexes, as one change of the file: either every row is applied or,
// when one fails, none is. After a save the grids are loaded again; after a
// failed save they keep the user's edits, the failing row is made current
// and the reason shown (the engine's message).
//
// The page works on the session's catalogue handle; the main window gives
// it the actions, the view names (a new table may not take one) and the
// "Show" link's target.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>

#include "app/designer_support.h"
#include "db/xdbtool_MDB.h"

class DatabaseSession;
class QAction;
class QComboBox;
class QPushButton;
class TxGroupBox;
class TxHTMLLabel;
class TxStringGridEd;
namespace kit {
struct CellParams;
}

struct TableActions {
    QAction* rename = nullptr;
    QAction* add = nullptr;
    QAction* del = nullptr;
    QAction* store = nullptr;
    QAction* reload = nullptr;
};

struct TableDesignerHost {
    std::function<QStringList()> viewNames;
    std::function<void(const QString& name)> showData;
    // The designer's state changed (selection, change flags): enabling.
    std::function<void()> stateChanged;
    // The file's catalogue changed (a table added, renamed, deleted or saved).
    std::function<void()> catalogueChanged;
};

class TTableDesigner : public QWidget {
    Q_OBJECT
public:
    // Field grid columns.
    enum { fcAction, fcName, fcType, fcSize, fcAutoInc, fcReq, fcZeroLen, fcDefault };
    // Index grid columns.
    enum { icAction, icName, icFields, icPrimary, icUnique, icRequired, icRelation };

    TTableDesigner(DatabaseSession& session, const TableActions& actions, TableDesignerHost host,
                   QWidget* parent = nullptr);
    ~TTableDesigner() override;

    // Refills cbTables and selects `tableName` (any letter case; "*" the
    // first table), loading its grids; clears them when there is none.
    void LoadTableList(const QString& tableName);
    // Closing the file: the list and both grids emptied.
    void clearDatabaseObjects();
    QStringList tableNames() const;
    bool tableSelected() const;
    QString selectedTable() const;
    // "Edit selected" of the structure tree: the row of the field and of the
    // index named so (any case) becomes current.
    void selectRows(const QString& field, const QString& index);

    void LoadFieldGrid();
    void ClearFieldGrid();
    void LoadIndexGrid();
    void ClearIndexGrid();

    void cbTablesClick(int index);
    void actTableAddExecute();
    void actTableRenameExecute();
    void actTableDelExecute();
    void actTableReloadExecute();
    void actTableStoreExecute();
    void btFldDelAnchorClick(const QString& linkName);
    void btIdxDelAnchorClick(const QString& linkName);
    void lblTableDataAnchorClick(const QString& linkName);

    QComboBox* cbTables = nullptr;
    TxHTMLLabel* lblTableData = nullptr;
    QPushButton* btTableRename = nullptr;
    QPushButton* btTableAdd = nullptr;
    QPushButton* btTableDel = nullptr;
    QPushButton* btTableReload = nullptr;
    QPushButton* btTableStore = nullptr;
    TxGroupBox* gbTables = nullptr;
    TxStringGridEd* sgFld = nullptr;
    TxStringGridEd* sgIdx = nullptr;
    TxHTMLLabel* btFldDel = nullptr;
    TxHTMLLabel* btIdxDel = nullptr;

    TFieldRecArray FldArr;
    QStringList FldList;
    int FldCount = 0;
    TIndexRecArray IdxArr;
    QStringList IdxList;
    int IdxCount = 0;
    int LastTableIdx = -1;

private:
    void createStrip(const TableActions& actions);
    void createGrids();
    void setupFieldGrid();
    void setupIndexGrid();
    // The table whose definition the grids show.
    QString loadedTable() const;
    void run(const std::function<void()>& command);
    void stateChanged();
    void catalogueChanged();

    // Field grid rules.
    int fieldTypeOfRow(int row) const;
    void sgFldCanEdit(int col, int row, bool& canEdit) const;
    void sgFldGetCellParams(int col, int row, kit::CellParams& params) const;
    void sgFldFinishCellEditing(int col, int row);
    // Index grid rules.
    void sgIdxCanEdit(int col, int row, bool& canEdit) const;
    void sgIdxGetCellParams(int col, int row, kit::CellParams& params) const;
    void sgIdxFinishCellEditing(int col, int row);

    // The definition a field row describes; `loaded` is where it starts
    // from (the loaded field for an "Edit", so properties the grid does not
    // show are kept).
    TFieldRec fieldFromRow(int row, const TFieldRec& loaded);
    TIndexRec indexFromRow(int row) const;
    // Checks every marked row; throws with the bad cell made current.
    void validateFieldRows();
    void validateIndexRows();
    void applyFieldRows();
    void applyIndexRows();

    DatabaseSession& session_;
    TableDesignerHost host_;
    TRowMarks fieldMarks_;
    TRowMarks indexMarks_;
    int applyingRow_ = 0;  // the row being applied, for the failure report
    TxStringGridEd* applyingGrid_ = nullptr;
};
