#include "app/structure_data_pane.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <exception>

#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"

// The query's rows as texts, copied once per load: the pane shows at most
// "Max records" rows and never edits them.
class DataPaneGridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void reset(QStringList titles, std::vector<QStringList> rows) {
        beginResetModel();
        titles_ = std::move(titles);
        rows_ = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(titles_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return text(index.row(), index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return {};
        if (orientation == Qt::Horizontal) return title(section);
        return section + 1;
    }

    QString text(int row, int column) const {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
        return rows_[size_t(row)].value(column);
    }
    QString title(int column) const { return titles_.value(column); }

private:
    QStringList titles_;
    std::vector<QStringList> rows_;
};

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
    // Find, export, import and the grid settings belong to the data grid;
    // until it replaces this plain grid the buttons stay visible but idle.
    for (QPushButton* idle : {btFind, btExport, btImport, btSetting})
        idle->setToolTip(QStringLiteral("Available with the data grid"));

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

    gridModel_ = new DataPaneGridModel(this);
    grData = new QTableView(this);
    grData->setObjectName(QStringLiteral("grData"));
    grData->setModel(gridModel_);
    grData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grData->setSelectionBehavior(QAbstractItemView::SelectRows);
    grData->setSelectionMode(QAbstractItemView::SingleSelection);
    grData->verticalHeader()->setDefaultSectionSize(18);
    grData->verticalHeader()->setMinimumWidth(24);
    grData->horizontalHeader()->setHighlightSections(false);

    DBNavigator1 = new QWidget(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    auto* nav = new QHBoxLayout(DBNavigator1);
    nav->setContentsMargins(0, 0, 0, 0);
    nav->setSpacing(1);
    const auto navButton = [&](const QString& caption, const QString& hint, auto action) {
        auto* button = new QPushButton(caption, DBNavigator1);
        button->setToolTip(hint);
        button->setFixedSize(28, 22);
        connect(button, &QPushButton::clicked, this, action);
        nav->addWidget(button);
        navButtons_.append(button);
    };
    navButton(QStringLiteral("|<"), QStringLiteral("First record"), [this] { navigate(-2); });
    navButton(QStringLiteral("<"), QStringLiteral("Prior record"), [this] { navigate(-1); });
    navButton(QStringLiteral(">"), QStringLiteral("Next record"), [this] { navigate(1); });
    navButton(QStringLiteral(">|"), QStringLiteral("Last record"), [this] { navigate(2); });
    navButton(QStringLiteral("\u21BB"), QStringLiteral("Refresh data"), [this] { refresh(); });
    nav->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(gbFile);
    layout->addWidget(lblDataInfo);
    layout->addWidget(grData, 1);
    layout->addWidget(DBNavigator1);

    connect(btCopy, &QPushButton::clicked, this, &TStructDataPane::btCopyClick);
    updateButtons();
}

TStructDataPane::~TStructDataPane() = default;

void TStructDataPane::setConnection(TCustomConnectionUDB* connection) {
    clear();
    qData->SetConnection(connection);
}

bool TStructDataPane::loadData(const QString& target, int maxRecords) {
    lblDataTbl->setCaption(htmlEscape(target));
    lblDataTbl->show();
    qData->SetSQL(
        QStringLiteral("SELECT TOP %1 * FROM %2").arg(maxRecords).arg(QuoteTableName(target)));
    const bool loaded = requery();
    if (loaded) lblDataInfo->hide();
    fillGrid();
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
    fillGrid();
    updateButtons();
}

void TStructDataPane::fillGrid() {
    QStringList titles;
    std::vector<QStringList> rows;
    if (qData->Active()) {
        for (size_t i = 0; i < qData->FieldCount(); ++i) titles << qData->Fields(i).FieldName();
        rows.reserve(qData->RecordCount());
        qData->ScanRecords([&] {
            QStringList row;
            for (size_t i = 0; i < qData->FieldCount(); ++i) row << qData->Fields(i).AsString();
            rows.push_back(std::move(row));
        });
    }
    gridModel_->reset(std::move(titles), std::move(rows));
    if (gridModel_->rowCount() > 0) grData->selectRow(0);
}

void TStructDataPane::updateButtons() {
    const bool open = qData->Active();
    btCopy->setEnabled(open);
    for (QPushButton* idle : {btFind, btExport, btImport, btSetting}) idle->setEnabled(false);
    for (QPushButton* button : navButtons_) button->setEnabled(open);
}

int TStructDataPane::gridRowCount() const {
    return gridModel_->rowCount();
}
int TStructDataPane::gridColumnCount() const {
    return gridModel_->columnCount();
}
QString TStructDataPane::gridText(int row, int column) const {
    return gridModel_->text(row, column);
}
QString TStructDataPane::gridTitle(int column) const {
    return gridModel_->title(column);
}

QString TStructDataPane::copyText() const {
    QString text;
    const int columns = gridModel_->columnCount();
    if (columns == 0) return text;
    QStringList line;
    for (int c = 0; c < columns; ++c) line << gridModel_->title(c);
    text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 0; r < gridModel_->rowCount(); ++r) {
        line.clear();
        for (int c = 0; c < columns; ++c) line << gridModel_->text(r, c);
        text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

void TStructDataPane::btCopyClick() {
    QApplication::clipboard()->setText(copyText());
}

void TStructDataPane::navigate(int step) {
    const int rows = gridModel_->rowCount();
    if (rows == 0) return;
    const int current = grData->currentIndex().isValid() ? grData->currentIndex().row() : 0;
    int row = current;
    if (step == -2) row = 0;
    if (step == -1) row = std::max(0, current - 1);
    if (step == 1) row = std::min(rows - 1, current + 1);
    if (step == 2) row = rows - 1;
    grData->selectRow(row);
}

void TStructDataPane::refresh() {
    if (!qData->Active()) return;
    requery();
    fillGrid();
    updateButtons();
}
