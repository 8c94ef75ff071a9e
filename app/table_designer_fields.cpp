// The field grid of the table designer: loading, the cell rules, the action
// marks, the row commands and the save of the field rows.
#include <stdexcept>

#include "app/database_session.h"
#include "app/designer_support.h"
#include "app/table_designer.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xStringGridEd.h"

namespace {

constexpr int kText = 10;
constexpr int kMemo = 12;
constexpr int kLong = 4;
constexpr int kAutoIncrementBit = 16;

}  // namespace

void TTableDesigner::setupFieldGrid() {
    TxStringGridEd* g = sgFld;
    setupDesignerGrid(
        *g, {"Action", "Name", "Type", "Size", "AutoInc", "Req.", "ZeroLen", "Def. value"},
        {47, 100, 83, 42, 56, 48, 52, 67});
    QStringList types;
    FillFieldTypes(types);
    g->GetColumn(fcType).ButtonStyle = sgbDropDownList;
    g->GetColumn(fcType).DropDownRows = 20;
    g->GetColumn(fcType).PickList = types;
    g->GetColumn(fcSize).DataType = sgdInteger;
    g->GetColumn(fcSize).AutoAlignment = true;
    for (int c : {fcAutoInc, fcReq, fcZeroLen}) g->GetColumn(c).ButtonStyle = sgbCheckbox;
    g->UpdateColumns();
    g->setRowCount(2);
    g->setOnCanEdit([this](TxStringGridEd*, int col, int row, bool& canEdit) {
        sgFldCanEdit(col, row, canEdit);
    });
    g->setOnGetCellParams([this](TxStringGridEd*, int col, int row, kit::CellParams& params) {
        sgFldGetCellParams(col, row, params);
    });
    g->setOnFinishCellEditing(
        [this](TxStringGridEd*, int col, int row) { sgFldFinishCellEditing(col, row); });
}

void TTableDesigner::ClearFieldGrid() {
    fieldMarks_.clearGrid(*sgFld);
}

void TTableDesigner::LoadFieldGrid() {
    ClearFieldGrid();
    GetTableFields(*session_.DB(), selectedTable(), FldArr, &FldList);
    FldCount = int(FldArr.size());
    fieldMarks_.reset(FldCount);
    sgFld->BeginUpdate(false);
    sgFld->setRowCount(FldCount > 0 ? FldCount + 1 : 2);
    for (int i = 0; i < FldCount; ++i) {
        const TFieldRec& f = FldArr[size_t(i)];
        const int r = i + 1;
        sgFld->setCells(fcAction, r, QString());
        sgFld->setCells(fcName, r, f.FieldName);
        sgFld->setCells(fcType, r, FieldTypeName(f.FieldType));
        sgFld->setCells(fcSize, r, QString::number(f.FieldSize));
        // The AutoNumber bit, whatever other bits the field carries.
        sgFld->setCells(fcAutoInc, r, checkText((f.Attributes & kAutoIncrementBit) != 0));
        sgFld->setCells(fcReq, r, checkText(f.Required));
        sgFld->setCells(fcZeroLen, r, checkText(f.AllowZeroLength));
        sgFld->setCells(fcDefault, r,
                        f.DefaultValue.isNull() ? QString() : f.DefaultValue.toString());
    }
    sgFld->EndUpdate();
    sgFld->setEnabled(true);
    sgFld->viewport()->update();
}

// ---- Cell rules -----------------------------------------------------------------------

int TTableDesigner::fieldTypeOfRow(int row) const {
    return FieldTypeFromName(sgFld->Cells(fcType, row));
}

void TTableDesigner::sgFldCanEdit(int col, int row, bool& canEdit) const {
    const int type = fieldTypeOfRow(row);
    if (col == fcSize) canEdit = type == kText;
    if (col == fcZeroLen) canEdit = type == kText || type == kMemo;
    if (col == fcType && sgFld->GetBoolCells(fcAutoInc, row)) canEdit = false;
    if (col > fcName && row == sgFld->RowCount() - 1) canEdit = false;
}

void TTableDesigner::sgFldGetCellParams(int col, int row, kit::CellParams& params) const {
    const int type = fieldTypeOfRow(row);
    bool grey = false;
    if (col == fcSize) grey = type >= 0 && type != kText;
    if (col == fcZeroLen) grey = type >= 0 && type != kText && type != kMemo;
    if (col == fcType) grey = sgFld->GetBoolCells(fcAutoInc, row);
    if (col > fcName && row == sgFld->RowCount() - 1) grey = true;
    if (grey) params.fontColor = greyTextColour();
}

void TTableDesigner::sgFldFinishCellEditing(int col, int row) {
    if (col == fcAction) return;
    QString action;
    if (row > FldCount)
        action = kActionAdd;
    else if (col == fcName)
        action = sgFld->Cells(fcAction, row) == kActionEdit ? kActionEdit : kActionRename;
    else
        action = kActionEdit;
    sgFld->setCells(fcAction, row, action);
    session_.TableChanged = true;
    if (col == fcAutoInc) {
        if (sgFld->GetBoolCells(fcAutoInc, row))
            sgFld->SetStringCells(fcType, row, FieldTypeName(kLong));
        sgFld->viewport()->update();
    }
    stateChanged();
}

// ---- Row commands -------------------------------------------------------------------------

void TTableDesigner::btFldDelAnchorClick(const QString& linkName) {
    const int r = sgFld->Row();
    if (linkName.compare(u"Del", Qt::CaseInsensitive) == 0) {
        if (fieldMarks_.toggle(*sgFld, r)) session_.TableChanged = true;
    } else if (linkName.compare(u"AddIdx", Qt::CaseInsensitive) == 0) {
        const QString name = sgFld->Cells(fcName, r).trimmed();
        if (name.isEmpty()) return;
        const int last = sgIdx->RowCount() - 1;
        sgIdx->SetStringCells(icName, last, name);
        sgIdx->SetStringCells(icFields, last, name);
    }
    stateChanged();
}

// ---- Saving ---------------------------------------------------------------------------------

TFieldRec TTableDesigner::fieldFromRow(int row, const TFieldRec& loaded) {
    TFieldRec f = loaded;
    f.FieldName = sgFld->Cells(fcName, row).trimmed();
    f.FieldType = fieldTypeOfRow(row);
    f.FieldSize = int(sgFld->GetIntCells(fcSize, row));
    if (sgFld->GetBoolCells(fcAutoInc, row))
        f.Attributes |= kAutoIncrementBit;
    else
        f.Attributes &= ~kAutoIncrementBit;
    f.Required = sgFld->GetBoolCells(fcReq, row);
    f.AllowZeroLength =
        (f.FieldType == kText || f.FieldType == kMemo) && sgFld->GetBoolCells(fcZeroLen, row);
    f.DefaultValue = sgFld->Cells(fcDefault, row);
    return f;
}

void TTableDesigner::validateFieldRows() {
    QStringList finalNames;
    for (int r = 1; r < sgFld->RowCount(); ++r) {
        const QString action = sgFld->Cells(fcAction, r);
        const QString loadedName = r <= FldCount ? FldList[r - 1] : QString();
        if (action == kActionDel) continue;
        if (action.isEmpty()) {
            if (r <= FldCount) finalNames << loadedName;
            continue;
        }
        const QString name = sgFld->Cells(fcName, r).trimmed();
        if (name.isEmpty())
            refuseCell(*sgFld, fcName, r, QStringLiteral("The field name is empty."));
        if (action == kActionAdd || action == kActionEdit) {
            if (fieldTypeOfRow(r) < 0)
                refuseCell(*sgFld, fcType, r,
                           QStringLiteral("Field \"%1\": choose a type from the list.").arg(name));
            (void)sgFld->GetIntCells(fcSize, r);  // a bad number stops here, its cell current
        }
        if (finalNames.contains(name, Qt::CaseInsensitive))
            refuseCell(*sgFld, fcName, r,
                       QStringLiteral("The field name \"%1\" is used twice.").arg(name));
        finalNames << name;
    }
}

void TTableDesigner::applyFieldRows() {
    const QString table = loadedTable();
    dao::Database& db = *session_.DB();
    applyingGrid_ = sgFld;
    for (int r = 1; r < sgFld->RowCount(); ++r) {
        applyingRow_ = r;
        const QString action = sgFld->Cells(fcAction, r);
        const QString loadedName = r <= FldCount ? FldList[r - 1] : QString();
        if (action == kActionDel) {
            DeleteField(db, table, loadedName);
        } else if (action == kActionRename) {
            RenameField(db, table, loadedName, sgFld->Cells(fcName, r).trimmed());
        } else if (action == kActionEdit) {
            const TFieldRec& was = FldArr[size_t(r - 1)];
            const TFieldRec now = fieldFromRow(r, was);
            // Rules alone change in place, so the field keeps its position;
            // a new type, size or AutoNumber needs the field made again.
            const bool sameStorage =
                now.FieldType == was.FieldType &&
                (now.FieldType != kText || now.FieldSize == was.FieldSize) &&
                (now.Attributes & kAutoIncrementBit) == (was.Attributes & kAutoIncrementBit);
            if (sameStorage) {
                if (now.FieldName != loadedName) RenameField(db, table, loadedName, now.FieldName);
                SetFieldRules(db, table, now);
            } else {
                RecreateField(db, table, loadedName, now);
            }
        } else if (action == kActionAdd) {
            AppendField(db, table, fieldFromRow(r, TFieldRec{}));
        }
    }
}
