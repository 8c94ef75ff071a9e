#include "app/table_designer.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/command_runner.h"
#include "app/database_session.h"
#include "app/designer_support.h"
#include "app/silent_abort.h"
#include "app/u_res.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xStringGridEd.h"
#include "kit/xdlg.h"

TTableDesigner::TTableDesigner(DatabaseSession& session, const TableActions& actions,
                               TableDesignerHost host, QWidget* parent)
    : QWidget(parent), session_(session), host_(std::move(host)) {
    createStrip(actions);
    createGrids();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(3);
    auto* strip = new QHBoxLayout;
    strip->setSpacing(6);
    strip->addWidget(cbTables, 1);
    strip->addWidget(lblTableData);
    strip->addSpacing(12);
    for (QPushButton* b : {btTableRename, btTableAdd, btTableDel, btTableReload, btTableStore})
        strip->addWidget(b);
    layout->addLayout(strip);
    layout->addWidget(gbTables, 1);

    connect(actions.add, &QAction::triggered, this,
            [this] { run([this] { actTableAddExecute(); }); });
    connect(actions.rename, &QAction::triggered, this,
            [this] { run([this] { actTableRenameExecute(); }); });
    connect(actions.del, &QAction::triggered, this,
            [this] { run([this] { actTableDelExecute(); }); });
    connect(actions.reload, &QAction::triggered, this,
            [this] { run([this] { actTableReloadExecute(); }); });
    connect(actions.store, &QAction::triggered, this,
            [this] { run([this] { actTableStoreExecute(); }); });
    connect(cbTables, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { run([this, index] { cbTablesClick(index); }); });
    connect(lblTableData, &TxHTMLLabel::anchorClicked, this,
            [this](const QString& link) { run([this, link] { lblTableDataAnchorClick(link); }); });
    connect(btFldDel, &TxHTMLLabel::anchorClicked, this,
            [this](const QString& link) { run([this, link] { btFldDelAnchorClick(link); }); });
    connect(btIdxDel, &TxHTMLLabel::anchorClicked, this,
            [this](const QString& link) { run([this, link] { btIdxDelAnchorClick(link); }); });
}

TTableDesigner::~TTableDesigner() = default;

void TTableDesigner::createStrip(const TableActions& actions) {
    cbTables = new QComboBox(this);
    cbTables->setObjectName(QStringLiteral("cbTables"));
    cbTables->setMaxVisibleItems(20);
    cbTables->setMinimumWidth(200);
    lblTableData = new TxHTMLLabel(QStringLiteral("<A NAME=Show>Show</A> data"), this);
    lblTableData->setObjectName(QStringLiteral("lblTableData"));
    btTableRename = actionButton(actions.rename, "btTableRename", this);
    btTableAdd = actionButton(actions.add, "btTableAdd", this);
    btTableDel = actionButton(actions.del, "btTableDel", this);
    btTableReload = actionButton(actions.reload, "btTableReload", this);
    btTableStore = actionButton(actions.store, "btTableStore", this);
}

void TTableDesigner::createGrids() {
    gbTables = new TxGroupBox(this);
    gbTables->setObjectName(QStringLiteral("gbTables"));
    gbTables->setFrameType(kit::FrameType::ftNone);
    gbTables->setFlat(true);
    auto* fields = new TxGroupBox(QStringLiteral("Fields"), gbTables);
    auto* indexes = new TxGroupBox(QStringLiteral("Indexes"), gbTables);
    sgFld = new TxStringGridEd(fields);
    sgFld->setObjectName(QStringLiteral("sgFld"));
    sgIdx = new TxStringGridEd(indexes);
    sgIdx->setObjectName(QStringLiteral("sgIdx"));
    btFldDel = new TxHTMLLabel(QStringLiteral("<A NAME=Del>Delete</A> selected field    "
                                              "<A NAME=AddIdx>Add index</A> for seleted field"),
                               fields);
    btFldDel->setObjectName(QStringLiteral("btFldDel"));
    btIdxDel = new TxHTMLLabel(QStringLiteral("<A NAME=DelSel>Delete</A> selected index     "
                                              "<A NAME=DelAll>Delete all</A> indexes"),
                               indexes);
    btIdxDel->setObjectName(QStringLiteral("btIdxDel"));
    for (auto [box, grid, links] :
         {std::tuple{fields, sgFld, btFldDel}, std::tuple{indexes, sgIdx, btIdxDel}}) {
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(3, 3, 3, 3);
        column->setSpacing(3);
        column->addWidget(grid, 1);
        column->addWidget(links);
    }
    auto* row = new QHBoxLayout(gbTables);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(3);
    row->addWidget(fields, 55);
    row->addWidget(indexes, 45);
    setupFieldGrid();
    setupIndexGrid();
}

void TTableDesigner::run(const std::function<void()>& command) {
    runCommand(command);
    stateChanged();
}

void TTableDesigner::stateChanged() {
    if (host_.stateChanged) host_.stateChanged();
}

void TTableDesigner::catalogueChanged() {
    if (host_.catalogueChanged) host_.catalogueChanged();
}

// ---- The table list -------------------------------------------------------------

QStringList TTableDesigner::tableNames() const {
    return itemsOf(*cbTables);
}

bool TTableDesigner::tableSelected() const {
    return cbTables->currentIndex() >= 0;
}

QString TTableDesigner::selectedTable() const {
    return cbTables->currentText();
}

QString TTableDesigner::loadedTable() const {
    return cbTables->itemText(LastTableIdx);
}

void TTableDesigner::LoadTableList(const QString& tableName) {
    QStringList names;
    if (session_.DB()) GetTableNames(*session_.DB(), names);
    {
        const QSignalBlocker blocker(cbTables);
        cbTables->clear();
        cbTables->addItems(names);
        session_.TableChanged = false;
        const int index =
            tableName == u"*" ? (names.isEmpty() ? -1 : 0) : indexOfName(names, tableName);
        cbTables->setCurrentIndex(index);
        LastTableIdx = index;
    }
    if (LastTableIdx >= 0) {
        LoadFieldGrid();
        LoadIndexGrid();
    } else {
        ClearFieldGrid();
        ClearIndexGrid();
    }
    session_.IdxChanged = false;
    stateChanged();
}

void TTableDesigner::clearDatabaseObjects() {
    {
        const QSignalBlocker blocker(cbTables);
        cbTables->clear();
    }
    LastTableIdx = -1;
    ClearFieldGrid();
    ClearIndexGrid();
    FldArr.clear();
    FldList.clear();
    FldCount = 0;
    IdxArr.clear();
    IdxList.clear();
    IdxCount = 0;
}

void TTableDesigner::cbTablesClick(int index) {
    try {
        session_.AskStoreTableChanges();
        const QSignalBlocker blocker(cbTables);
        cbTables->setCurrentIndex(index);
        LoadFieldGrid();
        LoadIndexGrid();
        session_.TableChanged = false;
        session_.IdxChanged = false;
        LastTableIdx = index;
    } catch (...) {
        const QSignalBlocker blocker(cbTables);
        cbTables->setCurrentIndex(LastTableIdx);
        throw;
    }
}

void TTableDesigner::selectRows(const QString& field, const QString& index) {
    const auto select = [](TxStringGridEd* grid, int nameCol, const QString& name) {
        for (int r = 1; r < grid->RowCount(); ++r) {
            if (grid->Cells(nameCol, r).compare(name, Qt::CaseInsensitive) == 0) {
                grid->SelectFirstCell(nameCol, r);
                return;
            }
        }
    };
    if (!field.isEmpty()) select(sgFld, fcName, field);
    if (!index.isEmpty()) select(sgIdx, icName, index);
}

// ---- Table commands ------------------------------------------------------------------

namespace {

bool listHas(const QStringList& list, const QString& name) {
    return indexOfName(list, name) >= 0;
}

}  // namespace

void TTableDesigner::actTableAddExecute() {
    session_.AskStoreTableChanges();
    QString name;
    if (!InputText(QStringLiteral("New table"), QStringLiteral("Enter table name:"), name)) return;
    const QStringList views = host_.viewNames ? host_.viewNames() : QStringList();
    if (listHas(tableNames(), name) || listHas(views, name)) {
        MsgError(alreadyExistsMessage(name));
        return;
    }
    TFieldRec temp;
    temp.FieldName = QStringLiteral("Temp");
    temp.FieldType = 10;
    temp.FieldSize = 10;
    temp.DefaultValue = QString();
    FldArr = {temp};
    IdxArr.clear();
    CreateTable(*session_.DB(), name, FldArr, IdxArr);
    LoadTableList(name);
    catalogueChanged();
}

void TTableDesigner::actTableRenameExecute() {
    session_.AskStoreTableChanges();
    const QString current = selectedTable();
    QString name = current;
    if (!InputText(QStringLiteral("Rename table"), QStringLiteral("Enter table name:"), name))
        return;
    if (listHas(tableNames(), name)) {
        MsgError(alreadyExistsMessage(name));
        return;
    }
    RenameTable(*session_.DB(), current, name);
    LoadTableList(name);
    catalogueChanged();
}

void TTableDesigner::actTableDelExecute() {
    session_.AskStoreTableChanges();
    if (MsgQuestion(QStringLiteral("Delete selected table?")) != mrYes) return;
    const QStringList before = tableNames();
    const int i = cbTables->currentIndex();
    DeleteTable(*session_.DB(), selectedTable());
    const int next = i < 1 ? i + 1 : i - 1;
    LoadTableList(next >= 0 && next < before.size() ? before[next] : QString());
    catalogueChanged();
}

void TTableDesigner::actTableReloadExecute() {
    session_.AskStoreTableChanges();
    session_.DB()->TableDefs().Refresh();
    LoadTableList(selectedTable());
}

void TTableDesigner::lblTableDataAnchorClick(const QString& linkName) {
    if (linkName.compare(u"Show", Qt::CaseInsensitive) != 0 || !tableSelected()) return;
    if (host_.showData) host_.showData(selectedTable());
}

// ---- Saving ----------------------------------------------------------------------------

void TTableDesigner::actTableStoreExecute() {
    sgFld->FinishEditing();
    sgIdx->FinishEditing();
    validateFieldRows();
    validateIndexRows();
    applyingRow_ = 0;
    applyingGrid_ = nullptr;
    try {
        RunAsOneChange(*session_.DB(), [this] {
            applyFieldRows();
            applyIndexRows();
        });
    } catch (const SilentAbort&) {
        throw;
    } catch (const std::exception& error) {
        // Nothing was applied: the grids keep every edit, and the row that
        // failed is shown.
        if (applyingGrid_) applyingGrid_->SelectFirstCell(1, applyingRow_);
        if (dynamic_cast<const TDataCopyError*>(&error)) {
            ShowErrorReport(QStringLiteral("Data cannot be copied to the renamed field."), error);
            abortSilently();
        }
        throw;
    }
    LoadFieldGrid();
    LoadIndexGrid();
    session_.TableChanged = false;
    session_.IdxChanged = false;
    catalogueChanged();
}
