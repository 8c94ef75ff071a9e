#include "app/f_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/command_runner.h"
#include "app/designer_support.h"
#include "app/f_dta.h"
#include "app/relation_editor.h"
#include "app/structure_data_pane.h"
#include "app/structure_tree_widget.h"
#include "app/table_designer.h"
#include "app/view_editor.h"
#include "db/xdbtool_MDB.h"
#include "grid/xDBGrid_sorter.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xStringGridEd.h"
#include "schema/f_createdbdlg.h"
#include "schema/f_managedbdlg.h"
#include "settings/settings_file.h"

namespace {

// Tabs of one fixed size, 120 x 22 pixels, whatever their captions.
class FixedTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int) const override { return {120, 22}; }
};

class PageControl : public QTabWidget {
public:
    explicit PageControl(QWidget* parent) : QTabWidget(parent) { setTabBar(new FixedTabBar(this)); }
};

// Tahoma 8 pt where the font exists; the desktop's sans-serif in 8 pt
// otherwise, so the window keeps its designed proportions.
QFont mainFont() {
    const QString family = QFontDatabase::hasFamily(QStringLiteral("Tahoma"))
                               ? QStringLiteral("Tahoma")
                               : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(family);
    font.setPointSize(8);
    return font;
}

}  // namespace

// What the session asks of the tabs' editors: the designers of tables,
// views and relations, and the structure tree.
class TMain::MainEditors : public SessionEditors {
public:
    explicit MainEditors(TMain& main) : main_(main) {}
    void loadDatabaseObjects() override {
        main_.tableTab->LoadTableList(QStringLiteral("*"));
        main_.viewTab->LoadViewList(QStringLiteral("*"));
        main_.relationTab->ReloadRelations();
        main_.structTab->setDatabase(main_.session_.DB(), &main_.session_.DBCon());
    }
    void clearDatabaseObjects() override {
        main_.tableTab->clearDatabaseObjects();
        main_.viewTab->clearDatabaseObjects();
        main_.relationTab->ClearRelationGrid();
        main_.structTab->setDatabase(nullptr, nullptr);
    }
    void storeTableChanges() override { main_.tableTab->actTableStoreExecute(); }
    void storeViewChanges() override { main_.viewTab->actViewStoreExecute(); }
    void storeRelationChanges() override { main_.relationTab->actRelStoreExecute(); }
    std::optional<QString> createDatabase() override { return main_.createDatabase(); }

private:
    TMain& main_;
};

TMain::TMain(const QString& settingsPath, QWidget* parent)
    : QMainWindow(parent), sorter_(std::make_unique<TxDBGridSorter_UDB>()) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Tabulon"));
    setFont(mainFont());
    setMinimumSize(800, 500);
    resize(860, 571);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 0);
    layout->setSpacing(4);
    setCentralWidget(central);

    createActions();
    createFileBand();
    createPages();
    createBottomStrip();
    layout->addWidget(gbMDBFile);
    layout->addWidget(pc, 1);
    layout->addWidget(gbBottom);

    editors_ = std::make_unique<MainEditors>(*this);
    session_.setEditors(editors_.get());

    if (!settingsPath.isEmpty()) {
        settings_ = std::make_unique<SettingsFile>(settingsPath);
        readSettings();
    }
    showSessionState();
    ActListUpdate();
}

TMain::~TMain() {
    // The data windows use the session's connection and this window's
    // sorter; they end with the main window (and store their bounds first).
    for (const QPointer<TDta>& window : FList) delete window.data();
    FList.clear();
    if (settings_) saveSettings();
    // The tab's queries are on the session's connection, which goes first.
    structTab->setDatabase(nullptr, nullptr);
    session_.setEditors(nullptr);
}

QAction* TMain::addAction(const char* name, const QString& category, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty("category", category);
    QMainWindow::addAction(action);
    return action;
}

void TMain::createActions() {
    const QString connection = QStringLiteral("Connection");
    const QString table = QStringLiteral("Table");
    const QString view = QStringLiteral("View");
    const QString structure = QStringLiteral("Structure");
    actDBOpen = addAction("actDBOpen", connection, QStringLiteral("Open"));
    actDBClose = addAction("actDBClose", connection, QStringLiteral("Close"));
    actDBManage = addAction("actDBManage", connection, QStringLiteral("Manage"));
    actTableRename = addAction("actTableRename", table, QStringLiteral("Rename table"));
    actTableAdd = addAction("actTableAdd", table, QStringLiteral("Add new table"));
    actTableDel = addAction("actTableDel", table, QStringLiteral("Delete table"));
    actTableStore = addAction("actTableStore", table, QStringLiteral("Save changes"));
    actTableReload = addAction("actTableReload", table, QStringLiteral("Reload"));
    actViewRename = addAction("actViewRename", view, QStringLiteral("Rename view"));
    actViewAdd = addAction("actViewAdd", view, QStringLiteral("Add new view"));
    actViewDel = addAction("actViewDel", view, QStringLiteral("Delete view"));
    actViewStore = addAction("actViewStore", view, QStringLiteral("Save changes"));
    actViewSQL = addAction("actViewSQL", view, QStringLiteral(" Design SQL "));
    actRelStore =
        addAction("actRelStore", QStringLiteral("Relations"), QStringLiteral("Save changes"));
    actStructRefresh =
        addAction("actStructRefresh", structure, QStringLiteral("Refresh structure"));
    actStructExport = addAction("actStructExport", structure, QStringLiteral("Export structure"));
    actStructEditSel = addAction("actStructEditSel", structure, QStringLiteral("Edit selected"));
    actStructReloadData =
        addAction("actStructReloadData", structure, QStringLiteral("Reload data"));

    connect(actDBOpen, &QAction::triggered, this, &TMain::actDBOpenExecute);
    connect(actDBClose, &QAction::triggered, this, &TMain::actDBCloseExecute);
    connect(actDBManage, &QAction::triggered, this, &TMain::actDBManageExecute);
    connect(actStructEditSel, &QAction::triggered, this, &TMain::EditSelectedNode);
}

void TMain::createFileBand() {
    gbMDBFile = new TxGroupBox(QStringLiteral("MDB or ACCDB File (drag and drop file)"), this);
    gbMDBFile->setObjectName(QStringLiteral("gbMDBFile"));
    gbMDBFile->setFixedHeight(73);
    gbMDBFile->setEnableDropFile(true);

    lblFile = new TxHTMLLabel(
        QStringLiteral("<A NAME=Find>Find</A> db file    <A NAME=Create>Create</A> a new database"),
        gbMDBFile);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFileHist = new TxHTMLLabel(
        QStringLiteral("<A NAME=Remove>Remove</A> from history   <A NAME=Clear>Clear</A> history"),
        gbMDBFile);
    lblFileHist->setObjectName(QStringLiteral("lblFileHist"));

    cbFile = new TxComboBoxEx(gbMDBFile);
    cbFile->setObjectName(QStringLiteral("cbFile"));
    cbFile->setEditable(true);
    cbFile->setInsertPolicy(QComboBox::NoInsert);
    cbFile->setMaxVisibleItems(16);
    cbFile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    btDBOpen = actionButton(actDBOpen, "btDBOpen", gbMDBFile);
    btDBClose = actionButton(actDBClose, "btDBClose", gbMDBFile);
    btDBManage = actionButton(actDBManage, "btDBManage", gbMDBFile);

    auto* grid = new QGridLayout(gbMDBFile);
    grid->setContentsMargins(8, 2, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    auto* links = new QHBoxLayout;
    links->setSpacing(24);
    links->addWidget(lblFile);
    links->addWidget(lblFileHist);
    links->addStretch(1);
    grid->addLayout(links, 0, 0);
    grid->addWidget(cbFile, 1, 0);
    grid->addWidget(btDBOpen, 1, 1);
    grid->addWidget(btDBClose, 1, 2);
    grid->addWidget(btDBManage, 1, 3);
    grid->setColumnStretch(0, 1);

    connect(gbMDBFile, &TxGroupBox::filesDropped, this, &TMain::gbMDBFileDropFiles);
    connect(lblFile, &TxHTMLLabel::anchorClicked, this, &TMain::lblFileAnchorClick);
    connect(lblFileHist, &TxHTMLLabel::anchorClicked, this, &TMain::lblFileAnchorClick);
}

void TMain::createPages() {
    pc = new PageControl(this);
    pc->setObjectName(QStringLiteral("pc"));
    // The editors of each tab fill these pages.
    const auto page = [this](const char* name, const QString& caption) {
        auto* sheet = new QWidget(pc);
        sheet->setObjectName(QString::fromLatin1(name));
        pc->addTab(sheet, caption);
        return sheet;
    };
    tsStruct = page("tsStruct", QStringLiteral("DB Structure"));
    tsTables = page("tsTables", QStringLiteral("Tables"));
    tsViews = page("tsViews", QStringLiteral("Views"));
    tsRelations = page("tsRelations", QStringLiteral("Relations"));

    const TableActions tables{actTableRename, actTableAdd, actTableDel, actTableStore,
                              actTableReload};
    TableDesignerHost tableHost;
    tableHost.viewNames = [this] { return viewTab->viewNames(); };
    tableHost.showData = [this](const QString& name) { ShowData(name); };
    tableHost.stateChanged = [this] { ActListUpdate(); };
    tableHost.catalogueChanged = [this] { structTab->reloadCatalogue(); };
    tableTab = new TTableDesigner(session_, tables, tableHost, tsTables);
    tableTab->setObjectName(QStringLiteral("tableTab"));
    auto* tablesLayout = new QVBoxLayout(tsTables);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    tablesLayout->addWidget(tableTab);

    const ViewActions views{actViewRename, actViewAdd, actViewDel, actViewStore, actViewSQL};
    ViewEditorHost viewHost;
    viewHost.tableNames = [this] { return tableTab->tableNames(); };
    viewHost.showData = [this](const QString& name) { ShowData(name); };
    viewHost.stateChanged = [this] { ActListUpdate(); };
    viewHost.catalogueChanged = [this] { structTab->reloadCatalogue(); };
    viewHost.designSql = [this](const QString& sql) { return designSql(sql); };
    viewTab = new TViewEditor(session_, views, viewHost, tsViews);
    viewTab->setObjectName(QStringLiteral("viewTab"));
    auto* viewsLayout = new QVBoxLayout(tsViews);
    viewsLayout->setContentsMargins(0, 0, 0, 0);
    viewsLayout->addWidget(viewTab);

    relationTab = new TRelationEditor(
        session_, actRelStore, [this] { return tableTab->tableNames(); },
        [this] { ActListUpdate(); }, [this] { structTab->reloadCatalogue(); }, tsRelations);
    relationTab->setObjectName(QStringLiteral("relationTab"));
    auto* relationsLayout = new QVBoxLayout(tsRelations);
    relationsLayout->setContentsMargins(0, 0, 0, 0);
    relationsLayout->addWidget(relationTab);

    const StructureActions structure{actStructRefresh, actStructExport, actStructEditSel,
                                     actStructReloadData};
    structTab = new TStructureTab(structure, session_.LastTbl, tsStruct);
    structTab->setObjectName(QStringLiteral("structTab"));
    auto* structLayout = new QVBoxLayout(tsStruct);
    structLayout->setContentsMargins(0, 0, 0, 0);
    structLayout->addWidget(structTab);
    structTab->dataPane->setSorter(sorter_.get());
    // The tab's commands report their errors like every other command.
    const auto guard = [this](void (TStructureTab::*handler)()) {
        return [this, handler] {
            runCommand([this, handler] { (structTab->*handler)(); });
            ActListUpdate();
        };
    };
    connect(actStructRefresh, &QAction::triggered, this,
            guard(&TStructureTab::actStructRefreshExecute));
    connect(actStructReloadData, &QAction::triggered, this,
            guard(&TStructureTab::actStructReloadDataExecute));
    connect(actStructExport, &QAction::triggered, this,
            [this] { runCommand([this] { structTab->actStructExportExecute(); }); });
    connect(structTab->tvStruct, &QTreeWidget::currentItemChanged, this, &TMain::ActListUpdate);
}

void TMain::createBottomStrip() {
    gbBottom = new TxGroupBox(this);
    gbBottom->setObjectName(QStringLiteral("gbBottom"));
    gbBottom->setFrameType(kit::FrameType::ftNone);
    gbBottom->setFixedHeight(18);

    lblDBInfo = new TxHTMLLabel(gbBottom);
    lblDBInfo->setObjectName(QStringLiteral("lblDBInfo"));
    lblDBInfo->setWordWrap(false);
    lblDBInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAbout = new TxHTMLLabel(QStringLiteral("Ver: 1.0"), gbBottom);
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // A frameless strip: no room kept for a frame or caption, so the
    // 18-pixel line holds the text whole.
    gbBottom->setFlat(true);
    gbBottom->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout(gbBottom);
    row->setContentsMargins(2, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(lblDBInfo, 1, Qt::AlignVCenter);
    row->addWidget(lblAbout, 0, Qt::AlignVCenter);
    row->addWidget(new QSizeGrip(gbBottom), 0, Qt::AlignBottom | Qt::AlignRight);
}

void TMain::ActListUpdate() {
    // The tabs' editors report their selections.
    SessionFlags flags = session_.flags();
    flags.treeNodeSelected = structTab && structTab->tvStruct->currentItem() != nullptr;
    flags.tableSelected = tableTab && tableTab->tableSelected();
    flags.viewSelected = viewTab && viewTab->viewSelected();
    const ActionEnabling e = actionEnabling(flags);
    if (tableTab) {
        tableTab->gbTables->setEnabled(e.gbTables);
        tableTab->lblTableData->setEnabled(e.lblTableData);
    }
    if (relationTab) {
        relationTab->sgRel->setEnabled(e.sgRel);
        relationTab->btRelDel->setEnabled(e.btRelDel);
    }
    if (viewTab) {
        viewTab->mView->setEnabled(e.mView);
        viewTab->lblViewData->setEnabled(e.lblViewData);
    }
    actDBOpen->setEnabled(e.actDBOpen);
    actDBClose->setEnabled(e.actDBClose);
    actDBManage->setEnabled(e.actDBManage);
    actTableRename->setEnabled(e.actTableRename);
    actTableAdd->setEnabled(e.actTableAdd);
    actTableDel->setEnabled(e.actTableDel);
    actTableStore->setEnabled(e.actTableStore);
    actTableReload->setEnabled(e.actTableReload);
    actViewRename->setEnabled(e.actViewRename);
    actViewAdd->setEnabled(e.actViewAdd);
    actViewDel->setEnabled(e.actViewDel);
    actViewStore->setEnabled(e.actViewStore);
    actViewSQL->setEnabled(e.actViewSQL);
    actRelStore->setEnabled(e.actRelStore);
    actStructRefresh->setEnabled(e.actStructRefresh);
    actStructExport->setEnabled(e.actStructExport);
    actStructEditSel->setEnabled(e.actStructEditSel);
    actStructReloadData->setEnabled(e.actStructReloadData);
}

void TMain::runSessionCommand(const std::function<void()>& command) {
    session_.setFileText(cbFile->currentText());
    session_.history().setItems(cbFile->items());
    runCommand(command);
    showSessionState();
    ActListUpdate();
}

void TMain::showSessionState() {
    const QStringList items = session_.history().items();
    if (cbFile->items() != items) {
        const QSignalBlocker blocker(cbFile);
        cbFile->clear();
        cbFile->addItems(items);
    }
    if (cbFile->currentText() != session_.fileText()) cbFile->setEditText(session_.fileText());
    lblDBInfo->setCaption(session_.dbInfo());
}

void TMain::actDBOpenExecute() {
    runSessionCommand([this] { session_.actDBOpenExecute(); });
}

void TMain::actDBCloseExecute() {
    runSessionCommand([this] { session_.CloseDatabase(); });
}

void TMain::gbMDBFileDropFiles(TxGroupBox* sender) {
    const QStringList files = sender->GetDropFileNames();
    runSessionCommand([this, files] { session_.dropFiles(files); });
}

void TMain::lblFileAnchorClick(const QString& linkName) {
    runSessionCommand([this, linkName] { session_.fileAnchorClicked(linkName); });
}

// Called from other windows' commands: a cancel passes on as SilentAbort.
void TMain::CloseDatabase() {
    session_.CloseDatabase();
    showSessionState();
    ActListUpdate();
}

void TMain::EditSelectedNode() {
    runCommand([this] {
        const NodeDetail detail = structTab->nodeDetail();
        if (!detail.Tbl.isEmpty()) {
            session_.AskStoreTableChanges();
            tableTab->LoadTableList(detail.Tbl);
            tableTab->selectRows(detail.Fld, detail.Indx);
            pc->setCurrentWidget(tsTables);
        }
        if (!detail.Ref.isEmpty()) {
            relationTab->selectRelation(detail.Ref);
            pc->setCurrentWidget(tsRelations);
        }
        if (!detail.View.isEmpty()) {
            session_.AskStoreViewChanges();
            viewTab->LoadViewList(detail.View);
            pc->setCurrentWidget(tsViews);
        }
    });
    ActListUpdate();
}

void TMain::AskStoreTableChanges() {
    session_.AskStoreTableChanges();
}
void TMain::AskStoreViewChanges() {
    session_.AskStoreViewChanges();
}
void TMain::AskStoreRelChanges() {
    session_.AskStoreRelChanges();
}

void TMain::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    runSessionCommand([this, &canClose] { canClose = session_.closeWindow(); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

TCreateDbDlg* TMain::CreateDbDlg() {
    if (!createDbDlg_) {
        createDbDlg_ = new TCreateDbDlg(this);
        restoreDialogPosition(createDbDlg_);
    }
    return createDbDlg_;
}

std::optional<QString> TMain::createDatabase() {
    TCreateDbDlg* dialog = CreateDbDlg();
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const QString file = dialog->fileName();
    if (dialog->replaceExisting()) {
        CreateMDBReplacing(file, dialog->langId(), dialog->versionKey());
    } else {
        CreateMDB(file, dialog->langId(), dialog->versionKey());
    }
    dialog->eFile->clear();
    return file;
}

TManageDbDlg* TMain::ManageDbDlg() {
    if (!manageDbDlg_) {
        manageDbDlg_ = new TManageDbDlg(this);
        restoreDialogPosition(manageDbDlg_);
    }
    return manageDbDlg_;
}

void TMain::actDBManageExecute() {
    runSessionCommand([this] { manageDatabase(); });
}

void TMain::manageDatabase() {
    if (!session_.DBOpened()) return;
    const QString file = session_.fileText();
    TManageDbDlg* dialog = ManageDbDlg();
    dialog->setDatabase(file, GetMDBVersion(*session_.DB()), session_.DB()->CollatingOrder(),
                        QFileInfo(file).size(), session_.DBPwd());
    if (dialog->exec() != QDialog::Accepted) return;
    const TManageChoice choice = dialog->choice();
    // Asks about pending designer changes; a cancel there ends the command.
    session_.CloseDatabase();
    const bool newPassword = choice.password.kind != TPasswordChange::Keep;
    if (!choice.newFile.isEmpty()) {
        // A failure propagates: the database stays closed, the file box keeps
        // the old name and an existing new file is as it was.
        CompactMDBReplacing(file, choice.newFile, session_.DBPwd(), choice.versionKey,
                            choice.langId, choice.password);
        if (newPassword) session_.setDBPwd(choice.password.password);
        session_.setFileText(choice.newFile);
        // The file box names the new file while its password is asked.
        showSessionState();
        dialog->eNewFile->clear();
    } else if (CompactMDBInPlace(file, session_.DBPwd(), choice.password, choice.versionKey,
                                 choice.langId)) {
        if (newPassword) session_.setDBPwd(choice.password.password);
    }
    session_.actDBOpenExecute();
}

// ---- Data windows ------------------------------------------------------------------

int TMain::FindDataWindow(const QString& name) const {
    for (qsizetype i = FList.size() - 1; i >= 0; --i)
        if (FList[i] && FList[i]->CheckSameData(name)) return int(i);
    return -1;
}

TDta* TMain::newDataWindow() {
    FList.removeAll(QPointer<TDta>());
    auto* window = new TDta(&session_.DBCon(), sorter_.get(), settings_.get());
    FList.append(window);
    window->show();
    return window;
}

TDta* TMain::OpenDataWindow(const QString& name) {
    TDta* window = newDataWindow();
    window->OpenData(name);
    return window;
}

void TMain::ShowData(const QString& name) {
    const int found = FindDataWindow(name);
    if (found < 0) {
        OpenDataWindow(name);
        return;
    }
    TDta* window = FList[found];
    window->showNormal();
    window->raise();
    window->activateWindow();
    window->Ref();
}
