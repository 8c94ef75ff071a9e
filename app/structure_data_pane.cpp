#include "app/structure_data_pane.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "app/command_runner.h"
#include "app/program_grid.h"
#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_navigator.h"
#include "io/dialog/xDBExportForm.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"

namespace {

QPushButton* bandButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(64);
    return button;
}

}  // namespace

TStructDataPane::TStructDataPane(QWidget* parent)
    : QWidget(parent), qData(std::make_unique<TQueryUDB>()) {
    setObjectName(QStringLiteral("tsDataPane"));
    qData->SetName(QStringLiteral("qData"));

    gbFile = new TxGroupBox(this);
    gbFile->setObjectName(QStringLiteral("gbFile"));
    gbFile->setFixedHeight(57);
    lblDataTbl = new TxHTMLLabel(gbFile);
    lblDataTbl->setObjectName(QStringLiteral("lblDataTbl"));
    lblDataTbl->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblDataTbl->hide();
    btFind = bandButton(QStringLiteral("Find"), "btFind", gbFile);
    btCopy = bandButton(QStringLiteral("Copy"), "btCopy", gbFile);
    btExport = bandButton(QStringLiteral("Export"), "btExport", gbFile);
    btImport = bandButton(QStringLiteral("Import"), "btImport", gbFile);
    btSetting = bandButton(QStringLiteral("Setting"), "btSetting", gbFile);
    // Find, export, import and the grid settings open dialogs still to
    // come; until then the buttons stay visible but idle.
    for (QPushButton* idle : {btFind, btImport, btSetting})
        idle->setToolTip(QStringLiteral("Not available yet"));

    auto* band = new QVBoxLayout(gbFile);
    band->setContentsMargins(6, 2, 6, 4);
    band->setSpacing(2);
    band->addWidget(lblDataTbl);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (QPushButton* button : {btFind, btCopy, btExport, btImport}) buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(btSetting);
    band->addStretch(1);
    band->addLayout(buttons);

    lblDataInfo = new TxHTMLLabel(this);
    lblDataInfo->setObjectName(QStringLiteral("lblDataInfo"));
    lblDataInfo->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblDataInfo->hide();

    grData = new TxDBGrid_MS(this);
    grData->setObjectName(QStringLiteral("grData"));
    ConfigureProgramGrid(grData);
    grData->OptionsEx2.FixedCell.TitleExBtnHintRecCount = true;
    grData->SetDataSet(qData.get());

    DBNavigator1 = new TxDBNavigator(this);
    DBNavigator1->SetDataSet(qData.get());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(gbFile);
    layout->addWidget(lblDataInfo);
    layout->addWidget(grData, 1);
    layout->addWidget(DBNavigator1);

    connect(btCopy, &QPushButton::clicked, this, &TStructDataPane::btCopyClick);
    connect(btExport, &QPushButton::clicked, this, [this] {
        runCommand([this] { ShowDBExportDialog(*grData, true, true, false, this); });
    });
    qData->AddDataLink(this, [this](TCustomQueryUDB&, TDataLinkEvent event) {
        if (event != TDataLinkEvent::RecordMoved) updateButtons();
    });
    updateButtons();
}

TStructDataPane::~TStructDataPane() {
    qData->RemoveDataLink(this);
    grData->SetDataSet(nullptr);
    DBNavigator1->SetDataSet(nullptr);
}

void TStructDataPane::setConnection(TCustomConnectionUDB* connection) {
    clear();
    qData->SetConnection(connection);
}

void TStructDataPane::setSorter(TxDBGridCustomSorter* sorter) {
    grData->SetSorter(sorter);
}

bool TStructDataPane::loadData(const QString& target, int maxRecords) {
    lblDataTbl->setCaption(htmlEscape(target));
    lblDataTbl->show();
    grData->ResetFilter();
    grData->SetSortFieldName(QString());
    grData->SetSortDirections(QString());
    qData->SetSQL(
        QStringLiteral("SELECT TOP %1 * FROM %2").arg(maxRecords).arg(QuoteTableName(target)));
    qData->SetSortEx(QString());
    const bool loaded = requery();
    if (loaded) lblDataInfo->hide();
    updateButtons();
    return loaded;
}

bool TStructDataPane::requery() {
    try {
        qData->RequeryEx(true);
        return true;
    } catch (const std::exception& error) {
        qData->Close();
        lblDataInfo->setCaption(QStringLiteral("Error: Cannot open data.<BR>") +
                                htmlEscape(QString::fromUtf8(error.what())));
        lblDataInfo->show();
        return false;
    }
}

void TStructDataPane::clear() {
    qData->Close();
    lblDataTbl->hide();
    lblDataInfo->hide();
    updateButtons();
}

void TStructDataPane::updateButtons() {
    const bool browsing = qData->Active() && !qData->IsEditing() && !qData->IsNewRec();
    btCopy->setEnabled(browsing);
    btExport->setEnabled(browsing);
    for (QPushButton* idle : {btFind, btImport, btSetting}) idle->setEnabled(false);
    DBNavigator1->UpdateButtons();
}

int TStructDataPane::gridRowCount() const {
    return grData->gridModel()->rowCount();
}
int TStructDataPane::gridColumnCount() const {
    return grData->gridModel()->columnCount();
}
QString TStructDataPane::gridText(int row, int column) const {
    return grData->gridModel()->cellText(row, column);
}
QString TStructDataPane::gridTitle(int column) const {
    return grData->GetTitleText(column);
}

QString TStructDataPane::copyText() {
    return grData->CopyAllData(true, false);
}

void TStructDataPane::btCopyClick() {
    grData->CopyAllData(true, false);
}
