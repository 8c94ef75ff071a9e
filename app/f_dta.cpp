#include "app/f_dta.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "app/command_runner.h"
#include "app/program_grid.h"
#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_navigator.h"
#include "io/dialog/xDBExportForm.h"
#include "kit/xImprovedComps.h"
#include "settings/settings_file.h"

namespace {

QPushButton* bandButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

TDta::TDta(TCustomConnectionUDB* connection, TxDBGridCustomSorter* sorter, SettingsFile* settings,
           QWidget* parent)
    : QWidget(parent, Qt::Window), qData(std::make_unique<TQueryUDB>()), settings_(settings) {
    setObjectName(QStringLiteral("Dta"));
    setAttribute(Qt::WA_DeleteOnClose);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSize(8);
    setFont(tahoma);
    resize(816, 462);
    setMinimumSize(520, 260);
    qData->SetName(QStringLiteral("qData"));
    qData->SetConnection(connection);
    qData->SetSQL(QStringLiteral("SELECT * FROM\nTable\nWHERE 1=1"));

    gbFile = new TxGroupBox(this);
    gbFile->setObjectName(QStringLiteral("gbFile"));
    gbFile->setFixedHeight(45);
    btFind = bandButton(QStringLiteral("Find"), "btFind", gbFile);
    btCopy = bandButton(QStringLiteral("Copy data"), "btCopy", gbFile);
    btExport = bandButton(QStringLiteral("Export data"), "btExport", gbFile);
    btImport = bandButton(QStringLiteral("Import data"), "btImport", gbFile);
    btSetting = bandButton(QStringLiteral("Grid setting"), "btSetting", gbFile);
    // Their dialogs are still to come.
    for (QPushButton* idle : {btFind, btImport, btSetting}) {
        idle->setEnabled(false);
        idle->setToolTip(QStringLiteral("Not available yet"));
    }
    auto* band = new QHBoxLayout(gbFile);
    band->setContentsMargins(6, 4, 6, 4);
    for (QPushButton* button : {btFind, btCopy, btExport, btImport}) band->addWidget(button);
    band->addStretch(1);
    band->addWidget(btSetting);

    grData = new TxDBGrid_MS(this);
    grData->setObjectName(QStringLiteral("grData"));
    ConfigureProgramGrid(grData);
    grData->SetSorter(sorter);
    grData->SetDataSet(qData.get());
    DBNavigator1 = new TxDBNavigator(this);
    DBNavigator1->SetDataSet(qData.get());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(gbFile);
    layout->addWidget(grData, 1);
    layout->addWidget(DBNavigator1);
    connect(btCopy, &QPushButton::clicked, this, &TDta::btCopyClick);
    connect(btExport, &QPushButton::clicked, this, &TDta::btExportClick);
    // The band's buttons work on whole results, so they wait while a record
    // is edited or added.
    qData->AddDataLink(this, [this](TCustomQueryUDB& query, TDataLinkEvent event) {
        if (event != TDataLinkEvent::RecordMoved) {
            btCopy->setEnabled(query.Active() && !query.IsEditing());
            btExport->setEnabled(query.Active() && !query.IsEditing());
        }
    });
    readBounds();
}

TDta::~TDta() {
    saveBounds();
    qData->RemoveDataLink(this);
    grData->SetDataSet(nullptr);
    DBNavigator1->SetDataSet(nullptr);
}

void TDta::OpenData(const QString& tableName) {
    TblName = tableName;
    setWindowTitle(QStringLiteral("Data: ") + tableName);
    qData->Close();
    QStringList lines = qData->SQL().split(u'\n');
    while (lines.size() < 3) lines << QString();
    lines[0] = QStringLiteral("SELECT * FROM");
    lines[1] = QuoteTableName(tableName);
    lines[2] = QStringLiteral("WHERE 1=1");
    qData->SetSQL(lines.join(u'\n'));
    qData->RequeryEx(true);
    grData->SetColumnWidth(cwDataLabelWidth, 0);
}

void TDta::OpenSql(const QString& sql) {
    TblName.clear();
    setWindowTitle(QStringLiteral("Query"));
    qData->SetSQL(sql);
    qData->RequeryEx(true);
    grData->SetColumnWidth(cwDataLabelWidth, 0);
}

bool TDta::CheckSameData(const QString& tableName) const {
    return TblName.compare(tableName, Qt::CaseInsensitive) == 0;
}

void TDta::Ref() {
    qData->Close();
    // The query keeps its filter and sort across the re-open.
    qData->RequeryEx(true);
}

void TDta::btCopyClick() {
    grData->CopyAllData(true, false);
}

void TDta::btExportClick() {
    runCommand([this] { ShowDBExportDialog(*grData, true, true, false, this); });
}

void TDta::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimising hides the window; "Show" brings it back.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

QString TDta::xDBGridsPropSave1GetKeyString(const QObject* component) const {
    return QStringLiteral("DataForm.") + (component ? component->objectName() : QString());
}

namespace {

const QString kBounds = QStringLiteral("Dta_XY");

}  // namespace

void TDta::readBounds() {
    if (!settings_ || !settings_->sectionExists(kBounds)) return;
    const QRect current = geometry();
    const int left = settings_->readInteger(kBounds, QStringLiteral("Left"), current.left());
    const int top = settings_->readInteger(kBounds, QStringLiteral("Top"), current.top());
    const int width = settings_->readInteger(kBounds, QStringLiteral("Width"), current.width());
    const int height = settings_->readInteger(kBounds, QStringLiteral("Height"), current.height());
    setGeometry(left, top, std::max(width, minimumWidth()), std::max(height, minimumHeight()));
}

void TDta::saveBounds() const {
    if (!settings_) return;
    const QRect bounds = geometry();
    settings_->writeInteger(kBounds, QStringLiteral("Left"), bounds.left());
    settings_->writeInteger(kBounds, QStringLiteral("Top"), bounds.top());
    settings_->writeInteger(kBounds, QStringLiteral("Width"), bounds.width());
    settings_->writeInteger(kBounds, QStringLiteral("Height"), bounds.height());
}

void TDta::closeEvent(QCloseEvent* event) {
    if (qData->IsEditing() && !runCommand([this] { qData->Post(); })) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
