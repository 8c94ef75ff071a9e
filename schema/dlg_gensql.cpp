#include "schema/dlg_gensql.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "db/connection_schema.h"
#include "db/wait_cursor.h"
#include "db/xDBComponents_UDB.h"
#include "db/xDBComponents_UDB_query.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg.h"
#include "schema/dlg_editmemo.h"
#include "schema/sql_keywords.h"
#include "schema/sql_templates.h"
#include "settings/settings_file.h"
#include "settings/settings_font_qfont.h"

namespace {

const QString kMemoSection = QStringLiteral("DlgGenSQL.mSQL");
const QString kBoundsSection = QStringLiteral("DlgGenSQL_XY");
constexpr int kViewsTab = 1;

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QListWidget* listBox(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    return list;
}

}  // namespace

TDlgGenSQL::TDlgGenSQL(TCustomConnectionUDB& connection, GenSqlHost host, QWidget* parent)
    : QDialog(parent), connection_(connection), host_(std::move(host)) {
    setObjectName(QStringLiteral("DlgGenSQL"));
    setWindowTitle(QStringLiteral("SQL command generator"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    setMinimumSize(720, 540);
    resize(820, 600);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(createMemoPane());
    splitter->addWidget(createNamePane());
    splitter->setStretchFactor(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(splitter);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(500);

    // The memo highlights the keyword list, which the program's other SQL
    // memos share.
    mSQLKeyWords = sqlKeywords();
    setupSqlMemo(*mSQL);
    mSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    connect(btClear, &QPushButton::clicked, this, [this] { btClearClick(); });
    connect(btUndo, &QPushButton::clicked, this, [this] { btUndoClick(); });
    connect(btExecSql, &QPushButton::clicked, this,
            [this] { guarded([this] { btExecSqlClick(); }); });
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(pc, &QTabBar::currentChanged, this, [this] { pcChange(); });
    connect(eFind, &QLineEdit::textEdited, this, [this] { eFindChange(); });
    connect(Timer1, &QTimer::timeout, this, [this] { pcChange(); });
    connect(lbTables, &QListWidget::itemSelectionChanged, this,
            [this] { guarded([this] { lbTablesClick(); }); });
    connect(lbTables, &QListWidget::itemDoubleClicked, this, [this] { btAddTblClick(); });
    connect(lbFields, &QListWidget::itemDoubleClicked, this, [this] { btAddFldClick(); });
    connect(lbCmd, &QListWidget::itemDoubleClicked, this, [this] { btAddCmdClick(); });
    connect(btAddTbl, &QPushButton::clicked, this, [this] { btAddTblClick(); });
    connect(btAddFld, &QPushButton::clicked, this, [this] { btAddFldClick(); });
    connect(btAddCmd, &QPushButton::clicked, this, [this] { btAddCmdClick(); });
    connect(xHTMLLabel4, &TxHTMLLabel::anchorClicked, this,
            [this](const QString& link) { xHTMLLabel4AnchorClick(link); });
}

TDlgGenSQL::~TDlgGenSQL() = default;

QWidget* TDlgGenSQL::createMemoPane() {
    auto* pane = new QWidget(this);
    pane->setMinimumHeight(120);
    mSQL = new TxMemoEx(pane);
    mSQL->setObjectName(QStringLiteral("mSQL"));
    btClear = button("btClear", QStringLiteral("Clear all"), pane);
    btExecSql = button("btExecSql", QStringLiteral("Run command"), pane);
    btUndo = button("btUndo", QStringLiteral("Undo step"), pane);
    btOk = button("btOk", QStringLiteral("Update view"), pane);
    lblRunInfo = new TxHTMLLabel(pane);
    lblRunInfo->setObjectName(QStringLiteral("lblRunInfo"));
    lblRunInfo->setVisible(false);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btClear, btExecSql, btUndo, btOk}) buttons->addWidget(b);
    buttons->addSpacing(6);
    buttons->addWidget(lblRunInfo);
    buttons->addStretch(1);
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("SQL command:"), pane), 0, 0);
    grid->addWidget(mSQL, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    return pane;
}

QWidget* TDlgGenSQL::createNamePane() {
    auto* pane = new QWidget(this);
    pane->setMinimumHeight(120);
    pc = new QTabBar(pane);
    pc->setObjectName(QStringLiteral("pc"));
    pc->addTab(QStringLiteral("Tables"));
    pc->addTab(QStringLiteral("Views"));
    pc->setExpanding(false);
    pc->setUsesScrollButtons(false);  // both tabs always whole
    pc->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 100px; height: 22px; }"));
    eFind = new QLineEdit(pane);
    eFind->setObjectName(QStringLiteral("eFind"));
    QAction* clearFind = eFind->addAction(style()->standardIcon(QStyle::SP_LineEditClearButton),
                                          QLineEdit::TrailingPosition);
    connect(clearFind, &QAction::triggered, this, [this] { eFindRightButtonClick(); });
    lbTables = listBox("lbTables", pane);
    lbFields = listBox("lbFields", pane);
    lbFields->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbCmd = listBox("lbCmd", pane);
    lbCmd->addItems(defaultSqlTemplates());
    xHTMLLabel4 = new TxHTMLLabel(QStringLiteral("SQL templates: <A Name=Edit>Edit</A>"), pane);
    xHTMLLabel4->setObjectName(QStringLiteral("xHTMLLabel4"));
    chNewLine = new QCheckBox(QStringLiteral("Insert linebreak"), pane);
    chNewLine->setObjectName(QStringLiteral("chNewLine"));
    btAddTbl = button("btAddTbl", QStringLiteral("Insert table name"), pane);
    btAddFld = button("btAddFld", QStringLiteral("Insert list of selected fields"), pane);
    btAddCmd =
        button("btAddCmd", QStringLiteral("Insert command according selected template"), pane);

    auto* find = new QHBoxLayout;
    find->addWidget(new QLabel(QStringLiteral("Find:"), pane));
    find->addWidget(eFind, 1);
    auto* names = new QVBoxLayout;
    names->addWidget(pc);
    names->addLayout(find);
    names->addWidget(lbTables, 1);
    names->addWidget(btAddTbl);
    auto* fields = new QVBoxLayout;
    fields->addWidget(new QLabel(QStringLiteral("Fields of selected table:"), pane));
    fields->addWidget(lbFields, 1);
    fields->addWidget(btAddFld);
    auto* commands = new QVBoxLayout;
    commands->addWidget(xHTMLLabel4);
    commands->addWidget(lbCmd, 1);
    auto* commandButtons = new QHBoxLayout;
    commandButtons->addWidget(chNewLine);
    commandButtons->addStretch(1);
    commandButtons->addWidget(btAddCmd);
    commands->addLayout(commandButtons);
    auto* row = new QHBoxLayout(pane);
    row->setContentsMargins(0, 0, 0, 0);
    row->addLayout(names, 2);
    row->addLayout(fields, 2);
    row->addLayout(commands, 3);
    return pane;
}

void TDlgGenSQL::readSettings(const SettingsFile& settings) {
    mSQL->setFont(readQFont(settings, kMemoSection, mSQL->font()));
    if (settings.sectionExists(kBoundsSection)) {
        const QRect now = geometry();
        resize(settings.readInteger(kBoundsSection, QStringLiteral("Width"), now.width()),
               settings.readInteger(kBoundsSection, QStringLiteral("Height"), now.height()));
        move(settings.readInteger(kBoundsSection, QStringLiteral("Left"), now.left()),
             settings.readInteger(kBoundsSection, QStringLiteral("Top"), now.top()));
    }
}

void TDlgGenSQL::saveSettings(SettingsFile& settings) const {
    settings.eraseSection(kMemoSection);
    writeFont(settings, kMemoSection, storedFontOf(mSQL->font()));
    settings.eraseSection(kBoundsSection);
    settings.writeInteger(kBoundsSection, QStringLiteral("Left"), x());
    settings.writeInteger(kBoundsSection, QStringLiteral("Top"), y());
    settings.writeInteger(kBoundsSection, QStringLiteral("Width"), width());
    settings.writeInteger(kBoundsSection, QStringLiteral("Height"), height());
}

void TDlgGenSQL::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guarded([this] { refresh(); });
}

void TDlgGenSQL::readNames() {
    const db::WaitCursor wait;
    mTables = SchemaTableNames(connection_, SchemaTableType::Table);
    mQueries = SchemaTableNames(connection_, SchemaTableType::View);
}

void TDlgGenSQL::refresh() {
    readNames();
    if (pc->currentIndex() != 0) {
        pc->setCurrentIndex(0);  // runs pcChange
    } else {
        pcChange();
    }
    mSQL->moveCursor(QTextCursor::End);
}

void TDlgGenSQL::pcChange() {
    Timer1->stop();
    const QStringList& source = pc->currentIndex() == kViewsTab ? mQueries : mTables;
    const QSignalBlocker quiet(lbTables);
    lbTables->clear();
    lbTables->addItems(filterSqlNames(source, eFind->text()));
    // The name last clicked stays marked while it is listed; its fields stay
    // listed either way.
    const QList<QListWidgetItem*> same = lbTables->findItems(SelTbl, Qt::MatchFixedString);
    if (!SelTbl.isEmpty() && !same.isEmpty()) lbTables->setCurrentItem(same.first());
}

void TDlgGenSQL::eFindChange() {
    Timer1->start();
}

void TDlgGenSQL::eFindRightButtonClick() {
    eFind->clear();
    pcChange();
}

void TDlgGenSQL::lbTablesClick() {
    SelTbl.clear();
    const QList<QListWidgetItem*> selected = lbTables->selectedItems();
    if (selected.isEmpty()) return;
    SelTbl = selected.first()->text();
    QStringList fields;
    {
        const db::WaitCursor wait;
        fields = SchemaColumnNames(connection_, SelTbl);
    }
    lbFields->clear();
    lbFields->addItem(QStringLiteral("*"));
    lbFields->addItems(fields);
    lbFields->item(0)->setSelected(true);
    lbFields->setCurrentRow(0, QItemSelectionModel::Current);
}

QStringList TDlgGenSQL::selectedFields() const {
    QStringList fields;
    for (int i = 0; i < lbFields->count(); ++i)
        if (lbFields->item(i)->isSelected()) fields << lbFields->item(i)->text();
    return fields;
}

QStringList TDlgGenSQL::templates() const {
    QStringList items;
    for (int i = 0; i < lbCmd->count(); ++i) items << lbCmd->item(i)->text();
    return items;
}

void TDlgGenSQL::insertText(const QString& text) {
    QTextCursor cursor = mSQL->textCursor();
    cursor.insertText(chNewLine->isChecked() ? text + u'\n' : text);
    mSQL->setTextCursor(cursor);
    mSQL->setFocus();
}

void TDlgGenSQL::btAddTblClick() {
    insertText(sqlTableName(SelTbl) + u' ');
}

void TDlgGenSQL::btAddFldClick() {
    insertText(sqlFieldList(selectedFields()) + u' ');
}

void TDlgGenSQL::btAddCmdClick() {
    const QListWidgetItem* item = lbCmd->currentItem();
    if (!item || !item->isSelected()) return;
    insertText(fillSqlTemplate(item->text(), SelTbl, selectedFields()) + u' ');
}

void TDlgGenSQL::btClearClick() {
    // Through the cursor, so that "Undo step" brings the text back.
    QTextCursor cursor = mSQL->textCursor();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    mSQL->setTextCursor(cursor);
}

void TDlgGenSQL::btUndoClick() {
    mSQL->undo();
}

void TDlgGenSQL::btExecSqlClick() {
    const QString sql = mSQL->toPlainText();
    if (sql.trimmed().isEmpty()) return;
    size_t count = 0;
    if (StatementReturnsRecords(sql)) {
        if (!host_.openQuery) return;
        count = host_.openQuery(sql);
    } else {
        TQueryUDB command;
        command.SetName(QStringLiteral("qExec"));
        command.SetConnection(&connection_);
        command.SetSQL(sql);
        count = command.ExecSQL();
        if (host_.databaseChanged) host_.databaseChanged();
        // Tables and views may have come or gone.
        readNames();
        pcChange();
    }
    lblRunInfo->setCaption(QStringLiteral("Ok<BR>%1 records").arg(count));
    lblRunInfo->setVisible(true);
}

void TDlgGenSQL::xHTMLLabel4AnchorClick(const QString& linkName) {
    if (linkName.compare(QStringLiteral("Edit"), Qt::CaseInsensitive) != 0) return;
    TDlgEditMemo editor(this);
    editor.setLines(templates());
    if (editor.exec() != QDialog::Accepted) return;
    lbCmd->clear();
    for (const QString& line : editor.lines())
        if (!line.trimmed().isEmpty()) lbCmd->addItem(line);
}

void TDlgGenSQL::guarded(const std::function<void()>& command) {
    if (host_.report) {
        host_.report(command);
        return;
    }
    try {
        command();
    } catch (const std::exception& error) {
        MsgError(htmlEscape(QString::fromUtf8(error.what())));
    }
}
