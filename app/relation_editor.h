// The "Relations" page of the main window: every user relation of the file
// in one grid (sgRel), edited row by row and marked "Add", "Edit" or "Del"
// until "Save changes" applies the marks to the open file.
//
// Row r up to RelCount stands for the relation loaded as entry r-1 of
// RelList; later rows are new. A changed relation is made again under the
// row's name with the row's tables, fields and options (attribute bits the
// grid does not show are kept).
//
// Saving checks every marked row first (names, tables, field lists of equal
// length) and then applies all of them as one change of the file: every row
// or, when one fails, none. After a save the grid is loaded again; after a
// failed save it keeps the edits, the failing row is made current and the
// reason shown (the engine's message).
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>

#include "app/designer_support.h"
#include "db/xdbtool_MDB.h"

class DatabaseSession;
class QAction;
class QPushButton;
class TxHTMLLabel;
class TxStringGridEd;
namespace kit {
struct CellParams;
}

class TRelationEditor : public QWidget {
    Q_OBJECT
public:
    enum {
        rcAction,
        rcName,
        rcTable,
        rcFields,
        rcForeignTable,
        rcForeignFields,
        rcUnique,
        rcIntegrity,
        rcUpdCascade,
        rcDelCascade
    };

    // `tableNames` gives the table list the pick lists copy at each load of
    // the file; `stateChanged` is called when the change flag may have
    // changed, `catalogueChanged` after a save.
    TRelationEditor(DatabaseSession& session, QAction* actRelStore,
                    std::function<QStringList()> tableNames, std::function<void()> stateChanged,
                    std::function<void()> catalogueChanged, QWidget* parent = nullptr);
    ~TRelationEditor() override;

    // After an open: the grid and the table pick lists.
    void ReloadRelations();
    void LoadRelationGrid();
    void ClearRelationGrid();
    void actRelStoreExecute();
    void btRelDelAnchorClick(const QString& linkName);
    // "Edit selected" of the structure tree: the relation's row (any case).
    void selectRelation(const QString& name);

    TxStringGridEd* sgRel = nullptr;
    TxHTMLLabel* btRelDel = nullptr;
    QPushButton* btRelStore = nullptr;

    TRelationRecArray RelArr;
    QStringList RelList;
    int RelCount = 0;

private:
    void setupGrid();
    void sgRelCanEdit(int col, int row, bool& canEdit) const;
    void sgRelGetCellParams(int col, int row, kit::CellParams& params) const;
    void sgRelFinishCellEditing(int col, int row);
    void sgRelPicklistDropdown(int col, int row, QStringList& items) const;
    TRelationRec relationFromRow(int row) const;
    void validateRows();
    void applyRows();

    DatabaseSession& session_;
    std::function<QStringList()> tableNames_;
    std::function<void()> stateChanged_;
    std::function<void()> catalogueChanged_;
    TRowMarks marks_;
    int applyingRow_ = 0;
};
