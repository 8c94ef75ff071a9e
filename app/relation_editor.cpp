#include "app/relation_editor.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/command_runner.h"
#include "app/database_session.h"
#include "app/designer_support.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xHTMLLabel.h"
#include "kit/xStringGridEd.h"

namespace {

// The relation attribute bits the grid shows.
constexpr int kUnique = 0x1;
constexpr int kDontEnforce = 0x2;
constexpr int kCascadeUpdates = 0x100;
constexpr int kCascadeDeletes = 0x1000;
constexpr int kShownBits = kUnique | kDontEnforce | kCascadeUpdates | kCascadeDeletes;

}  // namespace

TRelationEditor::TRelationEditor(DatabaseSession& session, QAction* actRelStore,
                                 std::function<QStringList()> tableNames,
                                 std::function<void()> stateChanged,
                                 std::function<void()> catalogueChanged, QWidget* parent)
    : QWidget(parent),
      session_(session),
      tableNames_(std::move(tableNames)),
      stateChanged_(std::move(stateChanged)),
      catalogueChanged_(std::move(catalogueChanged)) {
    sgRel = new TxStringGridEd(this);
    sgRel->setObjectName(QStringLiteral("sgRel"));
    btRelDel = new TxHTMLLabel(QStringLiteral("<A NAME=DelSel>Delete</A> selected relation     "
                                              "<A NAME=DelAll>Delete all</A> relations"),
                               this);
    btRelDel->setObjectName(QStringLiteral("btRelDel"));
    btRelStore = actionButton(actRelStore, "btRelStore", this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(3);
    layout->addWidget(sgRel, 1);
    auto* band = new QHBoxLayout;
    band->addWidget(btRelDel, 1);
    band->addWidget(btRelStore);
    layout->addLayout(band);
    setupGrid();

    const auto changed = [this] {
        if (stateChanged_) stateChanged_();
    };
    connect(actRelStore, &QAction::triggered, this, [this, changed] {
        const bool stored = runCommand([this] { actRelStoreExecute(); });
        changed();
        if (stored && catalogueChanged_) catalogueChanged_();
    });
    connect(btRelDel, &TxHTMLLabel::anchorClicked, this, [this, changed](const QString& link) {
        runCommand([this, link] { btRelDelAnchorClick(link); });
        changed();
    });
}

TRelationEditor::~TRelationEditor() = default;

void TRelationEditor::setupGrid() {
    TxStringGridEd* g = sgRel;
    setupDesignerGrid(*g,
                      {"Action", "Name", "Table", "Fields", "Foreign Table", "Foreign Fields",
                       "Unique", "Integrity", "Upd.cascade", "Del cascade"},
                      {47, 178, 134, 117, 107, 101, 82, 75, 86, 90});
    for (int c : {rcTable, rcForeignTable}) {
        g->GetColumn(c).ButtonStyle = sgbDropDown;
        g->GetColumn(c).DropDownRows = 20;
    }
    for (int c : {rcFields, rcForeignFields}) {
        g->GetColumn(c).ButtonStyle = sgbDropDownCheckList;
        g->GetColumn(c).CheckListSeparator = QStringLiteral(";");
    }
    for (int c : {rcUnique, rcIntegrity, rcUpdCascade, rcDelCascade})
        g->GetColumn(c).ButtonStyle = sgbCheckbox;
    g->UpdateColumns();
    g->setRowCount(2);
    g->setOnCanEdit([this](TxStringGridEd*, int col, int row, bool& canEdit) {
        sgRelCanEdit(col, row, canEdit);
    });
    g->setOnGetCellParams([this](TxStringGridEd*, int col, int row, kit::CellParams& params) {
        sgRelGetCellParams(col, row, params);
    });
    g->setOnFinishCellEditing(
        [this](TxStringGridEd*, int col, int row) { sgRelFinishCellEditing(col, row); });
    g->setOnPicklistDropdown([this](TxStringGridEd*, int col, int row, QStringList& items) {
        sgRelPicklistDropdown(col, row, items);
    });
}

// ---- Loading ----------------------------------------------------------------------

void TRelationEditor::ReloadRelations() {
    LoadRelationGrid();
    const QStringList tables = tableNames_ ? tableNames_() : QStringList();
    sgRel->GetColumn(rcTable).PickList = tables;
    sgRel->GetColumn(rcForeignTable).PickList = tables;
    session_.RelChanged = false;
}

void TRelationEditor::ClearRelationGrid() {
    marks_.clearGrid(*sgRel);
}

void TRelationEditor::LoadRelationGrid() {
    ClearRelationGrid();
    if (!session_.DB()) return;
    GetRelations(*session_.DB(), RelArr, &RelList, true);
    RelCount = int(RelArr.size());
    marks_.reset(RelCount);
    sgRel->BeginUpdate(false);
    sgRel->setRowCount(RelCount > 0 ? RelCount + 1 : 2);
    for (int i = 0; i < RelCount; ++i) {
        const TRelationRec& rel = RelArr[size_t(i)];
        const int r = i + 1;
        sgRel->setCells(rcName, r, rel.Name);
        sgRel->setCells(rcTable, r, rel.Table);
        sgRel->setCells(rcFields, r, rel.FieldNames);
        sgRel->setCells(rcForeignTable, r, rel.ForeignTable);
        sgRel->setCells(rcForeignFields, r, rel.ForeignFieldNames);
        sgRel->setCells(rcUnique, r, checkText(rel.Attributes & kUnique));
        sgRel->setCells(rcIntegrity, r, checkText(!(rel.Attributes & kDontEnforce)));
        sgRel->setCells(rcUpdCascade, r, checkText(rel.Attributes & kCascadeUpdates));
        sgRel->setCells(rcDelCascade, r, checkText(rel.Attributes & kCascadeDeletes));
    }
    sgRel->EndUpdate();
    sgRel->setEnabled(true);
    sgRel->viewport()->update();
}

void TRelationEditor::selectRelation(const QString& name) {
    for (int r = 1; r < sgRel->RowCount(); ++r) {
        if (sgRel->Cells(rcName, r).compare(name, Qt::CaseInsensitive) == 0) {
            sgRel->SelectFirstCell(rcName, r);
            return;
        }
    }
}

// ---- Cell rules ---------------------------------------------------------------------

void TRelationEditor::sgRelCanEdit(int col, int row, bool& canEdit) const {
    if ((col == rcUpdCascade || col == rcDelCascade) && !sgRel->GetBoolCells(rcIntegrity, row))
        canEdit = false;
    if (col > rcName && row == sgRel->RowCount() - 1) canEdit = false;
}

void TRelationEditor::sgRelGetCellParams(int col, int row, kit::CellParams& params) const {
    bool canEdit = true;
    sgRelCanEdit(col, row, canEdit);
    if (!canEdit) params.fontColor = greyTextColour();
}

void TRelationEditor::sgRelFinishCellEditing(int col, int row) {
    if (col == rcAction) return;
    sgRel->setCells(rcAction, row, row > RelCount ? kActionAdd : kActionEdit);
    session_.RelChanged = true;
    if (col == rcIntegrity && !sgRel->GetBoolCells(rcIntegrity, row)) {
        sgRel->SetBoolCells(rcUpdCascade, row, false);
        sgRel->SetBoolCells(rcDelCascade, row, false);
    }
    sgRel->viewport()->update();
    if (stateChanged_) stateChanged_();
}

void TRelationEditor::sgRelPicklistDropdown(int col, int row, QStringList& items) const {
    if (col != rcFields && col != rcForeignFields) return;
    const QString table = sgRel->Cells(col == rcFields ? rcTable : rcForeignTable, row);
    const QStringList tables = tableNames_ ? tableNames_() : QStringList();
    if (!session_.DB() || !tables.contains(table, Qt::CaseInsensitive)) return;
    TFieldRecArray fields;
    GetTableFields(*session_.DB(), table, fields, &items);
}

// ---- Row commands -------------------------------------------------------------------

void TRelationEditor::btRelDelAnchorClick(const QString& linkName) {
    const bool changed = linkName.compare(u"DelAll", Qt::CaseInsensitive) == 0
                             ? marks_.toggleAll(*sgRel)
                             : marks_.toggle(*sgRel, sgRel->Row());
    if (changed) session_.RelChanged = true;
    if (stateChanged_) stateChanged_();
}

// ---- Saving -----------------------------------------------------------------------------

TRelationRec TRelationEditor::relationFromRow(int row) const {
    TRelationRec rel;
    rel.Name = sgRel->Cells(rcName, row).trimmed();
    rel.Table = sgRel->Cells(rcTable, row).trimmed();
    rel.ForeignTable = sgRel->Cells(rcForeignTable, row).trimmed();
    rel.FieldNames = sgRel->Cells(rcFields, row);
    rel.ForeignFieldNames = sgRel->Cells(rcForeignFields, row);
    // Bits the grid does not show stay as they were loaded.
    int attributes = row <= RelCount ? RelArr[size_t(row - 1)].Attributes & ~kShownBits : 0;
    if (sgRel->GetBoolCells(rcUnique, row)) attributes |= kUnique;
    if (!sgRel->GetBoolCells(rcIntegrity, row)) attributes |= kDontEnforce;
    if (sgRel->GetBoolCells(rcUpdCascade, row)) attributes |= kCascadeUpdates;
    if (sgRel->GetBoolCells(rcDelCascade, row)) attributes |= kCascadeDeletes;
    rel.Attributes = attributes;
    return rel;
}

void TRelationEditor::validateRows() {
    for (int r = 1; r < sgRel->RowCount(); ++r) {
        const QString action = sgRel->Cells(rcAction, r);
        if (action != kActionAdd && action != kActionEdit) continue;
        const TRelationRec rel = relationFromRow(r);
        const auto refuse = [&](int col, const QString& message) {
            refuseCell(*sgRel, col, r, message);
        };
        if (rel.Name.isEmpty()) refuse(rcName, QStringLiteral("The relation name is empty."));
        if (rel.Table.isEmpty()) refuse(rcTable, QStringLiteral("Choose the relation's table."));
        if (rel.ForeignTable.isEmpty())
            refuse(rcForeignTable, QStringLiteral("Choose the relation's foreign table."));
        const auto fields = ParseIndexFields(rel.FieldNames);
        const auto foreign = ParseIndexFields(rel.ForeignFieldNames);
        if (fields.empty()) refuse(rcFields, QStringLiteral("Choose the relation's fields."));
        if (fields.size() != foreign.size())
            refuse(rcForeignFields,
                   QStringLiteral("Relation \"%1\" pairs %2 fields with %3 foreign fields; "
                                  "both lists need the same number of fields.")
                       .arg(rel.Name)
                       .arg(fields.size())
                       .arg(foreign.size()));
    }
}

void TRelationEditor::applyRows() {
    dao::Database& db = *session_.DB();
    for (int r = 1; r < sgRel->RowCount(); ++r) {
        applyingRow_ = r;
        const QString action = sgRel->Cells(rcAction, r);
        const QString loadedName = r <= RelCount ? RelList[r - 1] : QString();
        if (action == kActionDel)
            DeleteRelation(db, loadedName);
        else if (action == kActionEdit)
            RecreateRelation(db, loadedName, relationFromRow(r));
        else if (action == kActionAdd)
            CreateRelation(db, relationFromRow(r));
    }
}

void TRelationEditor::actRelStoreExecute() {
    sgRel->FinishEditing();
    validateRows();
    applyingRow_ = 0;
    try {
        RunAsOneChange(*session_.DB(), [this] { applyRows(); });
    } catch (...) {
        // Nothing was applied: the edits stay, the failing row is shown.
        if (applyingRow_ > 0) sgRel->SelectFirstCell(rcName, applyingRow_);
        throw;
    }
    LoadRelationGrid();
    session_.RelChanged = false;
}
