// The index grid of the table designer: loading, the cell rules, the action
// marks, the row commands and the save of the index rows.
#include <stdexcept>

#include "app/database_session.h"
#include "app/designer_support.h"
#include "app/table_designer.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xStringGridEd.h"

void TTableDesigner::setupIndexGrid() {
    TxStringGridEd* g = sgIdx;
    setupDesignerGrid(*g, {"Action", "Name", "Fields", "Primary", "Unique", "Required", "Relation"},
                      {47, 100, 83, 56, 56, 56, 51});
    g->GetColumn(icFields).ButtonStyle = sgbDropDownCheckList;
    g->GetColumn(icFields).DropDownRows = 20;
    g->GetColumn(icFields).CheckListSeparator = QStringLiteral(";");
    for (int c : {icPrimary, icUnique, icRequired, icRelation})
        g->GetColumn(c).ButtonStyle = sgbCheckbox;
    g->GetColumn(icRelation).ReadOnly = true;
    g->UpdateColumns();
    g->setRowCount(2);
    g->setOnCanEdit([this](TxStringGridEd*, int col, int row, bool& canEdit) {
        sgIdxCanEdit(col, row, canEdit);
    });
    g->setOnGetCellParams([this](TxStringGridEd*, int col, int row, kit::CellParams& params) {
        sgIdxGetCellParams(col, row, params);
    });
    g->setOnFinishCellEditing(
        [this](TxStringGridEd*, int col, int row) { sgIdxFinishCellEditing(col, row); });
}

void TTableDesigner::ClearIndexGrid() {
    indexMarks_.clearGrid(*sgIdx);
}

void TTableDesigner::LoadIndexGrid() {
    ClearIndexGrid();
    sgIdx->GetColumn(icFields).PickList = FldList;
    GetTableIndexes(*session_.DB(), selectedTable(), IdxArr, false, &IdxList);
    IdxCount = int(IdxArr.size());
    indexMarks_.reset(IdxCount);
    sgIdx->BeginUpdate(false);
    sgIdx->setRowCount(IdxCount > 0 ? IdxCount + 1 : 2);
    for (int i = 0; i < IdxCount; ++i) {
        const TIndexRec& ix = IdxArr[size_t(i)];
        const int r = i + 1;
        sgIdx->setCells(icName, r, ix.IndexName);
        sgIdx->setCells(icFields, r, ix.FieldNames);
        sgIdx->setCells(icPrimary, r, checkText(ix.Primary));
        sgIdx->setCells(icUnique, r, checkText(ix.Unique));
        sgIdx->setCells(icRequired, r, checkText(ix.Required));
        sgIdx->setCells(icRelation, r, checkText(ix.Relation));
    }
    sgIdx->EndUpdate();
    sgIdx->setEnabled(true);
    sgIdx->viewport()->update();
}

// ---- Cell rules -----------------------------------------------------------------------

void TTableDesigner::sgIdxCanEdit(int col, int row, bool& canEdit) const {
    if ((col == icUnique || col == icRequired) && sgIdx->GetBoolCells(icPrimary, row))
        canEdit = false;
    if (col == icRelation) canEdit = false;
    if (col > icName && row == sgIdx->RowCount() - 1) canEdit = false;
}

void TTableDesigner::sgIdxGetCellParams(int col, int row, kit::CellParams& params) const {
    bool grey = col == icRelation;
    if ((col == icUnique || col == icRequired) && sgIdx->GetBoolCells(icPrimary, row)) grey = true;
    if (col > icName && row == sgIdx->RowCount() - 1) grey = true;
    if (grey) params.fontColor = greyTextColour();
}

void TTableDesigner::sgIdxFinishCellEditing(int col, int row) {
    if (col == icAction) return;
    QString action;
    if (row > IdxCount)
        action = kActionAdd;
    else if (col == icName)
        action = sgIdx->Cells(icAction, row) == kActionEdit ? kActionEdit : kActionRename;
    else
        action = kActionEdit;
    sgIdx->setCells(icAction, row, action);
    session_.IdxChanged = true;
    if (col == icPrimary && sgIdx->GetBoolCells(icPrimary, row)) {
        sgIdx->SetBoolCells(icUnique, row, true);
        sgIdx->SetBoolCells(icRequired, row, true);
    }
    sgIdx->viewport()->update();
    stateChanged();
}

// ---- Row commands -------------------------------------------------------------------------

void TTableDesigner::btIdxDelAnchorClick(const QString& linkName) {
    const bool changed = linkName.compare(u"DelAll", Qt::CaseInsensitive) == 0
                             ? indexMarks_.toggleAll(*sgIdx)
                             : indexMarks_.toggle(*sgIdx, sgIdx->Row());
    if (changed) session_.IdxChanged = true;
    stateChanged();
}

// ---- Saving ---------------------------------------------------------------------------------

TIndexRec TTableDesigner::indexFromRow(int row) const {
    TIndexRec ix;
    ix.IndexName = sgIdx->Cells(icName, row).trimmed();
    ix.FieldNames = sgIdx->Cells(icFields, row);
    ix.Primary = sgIdx->GetBoolCells(icPrimary, row);
    ix.Unique = sgIdx->GetBoolCells(icUnique, row);
    ix.Required = sgIdx->GetBoolCells(icRequired, row);
    return ix;
}

void TTableDesigner::validateIndexRows() {
    for (int r = 1; r < sgIdx->RowCount(); ++r) {
        const QString action = sgIdx->Cells(icAction, r);
        if (action.isEmpty() || action == kActionDel) continue;
        const TIndexRec ix = indexFromRow(r);
        const auto refuse = [&](int col, const QString& message) {
            refuseCell(*sgIdx, col, r, message);
        };
        if (ix.IndexName.isEmpty()) refuse(icName, QStringLiteral("The index name is empty."));
        if (action != kActionRename && ParseIndexFields(ix.FieldNames).empty())
            refuse(
                icFields,
                QStringLiteral("Index \"%1\": choose its fields from the list.").arg(ix.IndexName));
    }
}

void TTableDesigner::applyIndexRows() {
    const QString table = loadedTable();
    dao::Database& db = *session_.DB();
    applyingGrid_ = sgIdx;
    for (int r = 1; r < sgIdx->RowCount(); ++r) {
        applyingRow_ = r;
        const QString action = sgIdx->Cells(icAction, r);
        const QString loadedName = r <= IdxCount ? IdxList[r - 1] : QString();
        if (action == kActionDel) {
            DeleteIndex(db, table, loadedName);
        } else if (action == kActionRename) {
            RenameIndex(db, table, loadedName, sgIdx->Cells(icName, r).trimmed());
        } else if (action == kActionEdit) {
            RecreateIndex(db, table, loadedName, indexFromRow(r));
        } else if (action == kActionAdd) {
            AppendIndex(db, table, indexFromRow(r));
        }
    }
}
