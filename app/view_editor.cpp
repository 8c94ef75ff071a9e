#include "app/view_editor.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/command_runner.h"
#include "app/database_session.h"
#include "app/designer_support.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg.h"
#include "schema/sql_keywords.h"

TViewEditor::TViewEditor(DatabaseSession& session, const ViewActions& actions, ViewEditorHost host,
                         QWidget* parent)
    : QWidget(parent), session_(session), host_(std::move(host)) {
    cbViews = new QComboBox(this);
    cbViews->setObjectName(QStringLiteral("cbViews"));
    cbViews->setMaxVisibleItems(20);
    cbViews->setMinimumWidth(200);
    lblViewData = new TxHTMLLabel(QStringLiteral("<A NAME=Show>Show</A> data"), this);
    lblViewData->setObjectName(QStringLiteral("lblViewData"));
    btViewRename = actionButton(actions.rename, "btViewRename", this);
    btViewAdd = actionButton(actions.add, "btViewAdd", this);
    btViewDel = actionButton(actions.del, "btViewDel", this);
    btViewSql = actionButton(actions.sql, "btViewSql", this);
    btViewStore = actionButton(actions.store, "btViewStore", this);

    mView = new TxMemoEx(this);
    mView->setObjectName(QStringLiteral("mView"));
    setupSqlMemo(*mView);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(3);
    auto* strip = new QHBoxLayout;
    strip->setSpacing(6);
    strip->addWidget(cbViews, 1);
    strip->addWidget(lblViewData);
    strip->addSpacing(12);
    for (QPushButton* b : {btViewRename, btViewAdd, btViewDel, btViewSql, btViewStore})
        strip->addWidget(b);
    layout->addLayout(strip);
    layout->addWidget(mView, 1);

    connect(actions.add, &QAction::triggered, this,
            [this] { run([this] { actViewAddExecute(); }); });
    connect(actions.rename, &QAction::triggered, this,
            [this] { run([this] { actViewRenameExecute(); }); });
    connect(actions.del, &QAction::triggered, this,
            [this] { run([this] { actViewDelExecute(); }); });
    connect(actions.store, &QAction::triggered, this,
            [this] { run([this] { actViewStoreExecute(); }); });
    connect(actions.sql, &QAction::triggered, this,
            [this] { run([this] { actViewSQLExecute(); }); });
    connect(cbViews, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { run([this, index] { cbViewsClick(index); }); });
    connect(lblViewData, &TxHTMLLabel::anchorClicked, this,
            [this](const QString& link) { run([this, link] { lblViewDataAnchorClick(link); }); });
    connect(mView, &QPlainTextEdit::textChanged, this, [this] {
        if (loading_) return;
        session_.ViewChanged = true;
        stateChanged();
    });
}

TViewEditor::~TViewEditor() = default;

void TViewEditor::run(const std::function<void()>& command) {
    runCommand(command);
    stateChanged();
}

void TViewEditor::stateChanged() {
    if (host_.stateChanged) host_.stateChanged();
}

void TViewEditor::catalogueChanged() {
    if (host_.catalogueChanged) host_.catalogueChanged();
}

void TViewEditor::showText(const QString& sql) {
    loading_ = true;
    mView->setPlainText(sql);
    loading_ = false;
}

QStringList TViewEditor::viewNames() const {
    return itemsOf(*cbViews);
}

bool TViewEditor::viewSelected() const {
    return cbViews->currentIndex() >= 0;
}

QString TViewEditor::selectedView() const {
    return cbViews->currentText();
}

void TViewEditor::LoadViewList(const QString& viewName) {
    QStringList names;
    if (session_.DB()) GetQueryDefs(*session_.DB(), ViewArr, &names);
    {
        const QSignalBlocker blocker(cbViews);
        cbViews->clear();
        cbViews->addItems(names);
    }
    session_.ViewChanged = false;
    const int index = viewName == u"*" ? (names.isEmpty() ? -1 : 0) : indexOfName(names, viewName);
    if (index >= 0) {
        cbViewsClick(index);
    } else {
        const QSignalBlocker blocker(cbViews);
        cbViews->setCurrentIndex(-1);
        LastViewIdx = -1;
    }
    stateChanged();
}

void TViewEditor::clearDatabaseObjects() {
    {
        const QSignalBlocker blocker(cbViews);
        cbViews->clear();
    }
    ViewArr.clear();
    LastViewIdx = -1;
    showText(QString());
}

void TViewEditor::cbViewsClick(int index) {
    try {
        session_.AskStoreViewChanges();
        {
            const QSignalBlocker blocker(cbViews);
            cbViews->setCurrentIndex(index);
        }
        showText(index >= 0 && index < int(ViewArr.size()) ? ViewArr[size_t(index)].SQL
                                                           : QString());
        session_.ViewChanged = false;
        LastViewIdx = index;
    } catch (...) {
        const QSignalBlocker blocker(cbViews);
        cbViews->setCurrentIndex(LastViewIdx);
        throw;
    }
}

void TViewEditor::actViewAddExecute() {
    session_.AskStoreViewChanges();
    QString name;
    if (!InputText(QStringLiteral("New view"), QStringLiteral("Enter view name:"), name)) return;
    const QStringList tables = host_.tableNames ? host_.tableNames() : QStringList();
    if (indexOfName(viewNames(), name) >= 0 || indexOfName(tables, name) >= 0) {
        MsgError(alreadyExistsMessage(name));
        return;
    }
    // The engine keeps no query without SQL: a new view starts as the whole
    // of the first table, for the user to change.
    const QString sql =
        tables.isEmpty() ? QString() : QStringLiteral("SELECT * FROM [%1];").arg(tables.first());
    CreateQueryDef(*session_.DB(), name, sql);
    LoadViewList(name);
    catalogueChanged();
}

void TViewEditor::actViewRenameExecute() {
    session_.AskStoreViewChanges();
    if (LastViewIdx < 0) return;
    const TQueryDef current = ViewArr[size_t(LastViewIdx)];
    QString name = current.Name;
    if (!InputText(QStringLiteral("Rename view"), QStringLiteral("Enter view name:"), name)) return;
    // A table's name is taken too: the view would hide behind the table.
    const QStringList tables = host_.tableNames ? host_.tableNames() : QStringList();
    if (indexOfName(viewNames(), name) >= 0 || indexOfName(tables, name) >= 0) {
        MsgError(alreadyExistsMessage(name));
        return;
    }
    StoreQueryDef(*session_.DB(), current, name);
    LoadViewList(name);
    catalogueChanged();
}

void TViewEditor::actViewDelExecute() {
    session_.AskStoreViewChanges();
    if (MsgQuestion(QStringLiteral("Delete selected view?")) != mrYes) return;
    const QStringList before = viewNames();
    const int i = cbViews->currentIndex();
    DeleteQueryDef(*session_.DB(), selectedView());
    const int next = i < 1 ? i + 1 : i - 1;
    LoadViewList(next >= 0 && next < before.size() ? before[next] : QString());
    catalogueChanged();
}

void TViewEditor::actViewStoreExecute() {
    if (LastViewIdx < 0 || LastViewIdx >= int(ViewArr.size())) return;
    TQueryDef changed = ViewArr[size_t(LastViewIdx)];
    changed.SQL = mView->toPlainText();
    StoreQueryDef(*session_.DB(), changed, QString());
    // Only a stored text becomes the view's.
    ViewArr[size_t(LastViewIdx)].SQL = changed.SQL;
    session_.ViewChanged = false;
    catalogueChanged();
}

void TViewEditor::lblViewDataAnchorClick(const QString& linkName) {
    if (linkName.compare(u"Show", Qt::CaseInsensitive) != 0 || !viewSelected()) return;
    session_.AskStoreViewChanges();
    if (host_.showData) host_.showData(selectedView());
}

void TViewEditor::actViewSQLExecute() {
    if (!host_.designSql || !viewSelected()) return;
    const QString view = selectedView();
    const std::optional<QString> designed = host_.designSql(mView->toPlainText());
    // A statement run in the designer may have reloaded the views: the text
    // goes only to the view it was designed for.
    if (!designed || selectedView() != view || *designed == mView->toPlainText()) return;
    QTextCursor cursor = mView->textCursor();
    cursor.select(QTextCursor::Document);
    cursor.insertText(*designed);
    mView->setTextCursor(cursor);
}
