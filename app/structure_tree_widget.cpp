#include "app/structure_tree_widget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>

#include "app/designer_support.h"
#include "app/structure_data_pane.h"
#include "app/structure_tree_images.h"
#include "app/structure_tree_source.h"
#include "db/db_types.h"
#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_service.h"
#include "schema/sql_keywords.h"

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;

// The hourglass while a long step runs; the normal cursor afterwards, also
// when the step throws.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TStructureTab::TStructureTab(const StructureActions& actions, QString& lastTbl, QWidget* parent)
    : QWidget(parent), LastTbl(lastTbl) {
    createControls(actions);
}

TStructureTab::~TStructureTab() = default;

void TStructureTab::createControls(const StructureActions& actions) {
    xHTMLLabel4 = new TxHTMLLabel(QStringLiteral("Filter text:"), this);
    xHTMLLabel4->setObjectName(QStringLiteral("xHTMLLabel4"));
    xHTMLLabel4->setWordWrap(false);
    xHTMLLabel4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    eFind = new QLineEdit(this);
    eFind->setObjectName(QStringLiteral("eFind"));
    eFind->setMinimumWidth(80);
    btStructRefresh = actionButton(actions.refresh, "btStructRefresh", this);
    btStructEditSel = actionButton(actions.editSelected, "btStructEditSel", this);
    btExpand = new TxURLLabel(QStringLiteral("Expand all"), this);
    btExpand->setObjectName(QStringLiteral("btExpand"));
    btExpand->setCursor(Qt::PointingHandCursor);
    btCollapse = new TxURLLabel(QStringLiteral("Collapse all"), this);
    btCollapse->setObjectName(QStringLiteral("btCollapse"));
    btCollapse->setCursor(Qt::PointingHandCursor);
    chLoadData = new QCheckBox(QStringLiteral("Load data automatically"), this);
    chLoadData->setObjectName(QStringLiteral("chLoadData"));
    xHTMLLabel3 = new TxHTMLLabel(QStringLiteral("Max records:"), this);
    xHTMLLabel3->setObjectName(QStringLiteral("xHTMLLabel3"));
    xHTMLLabel3->setWordWrap(false);
    xHTMLLabel3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    eMaxRec = new TxEditNum(this);
    eMaxRec->setObjectName(QStringLiteral("eMaxRec"));
    eMaxRec->setMinValue(1);
    eMaxRec->setMaxValue(1000000000);
    eMaxRec->setValue(1000);
    eMaxRec->deselect();
    eMaxRec->setFixedWidth(70);
    btStructReloadData = actionButton(actions.reloadData, "btStructReloadData", this);
    btStructExport = actionButton(actions.exportTree, "btStructExport", this);

    tvStruct = new QTreeWidget(this);
    tvStruct->setObjectName(QStringLiteral("tvStruct"));
    tvStruct->setHeaderHidden(true);
    tvStruct->setColumnCount(1);
    tvStruct->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvStruct->setIconSize(QSize(16, 16));
    tvStruct->setUniformRowHeights(true);
    // Long reference texts scroll sideways instead of being cut.
    tvStruct->header()->setStretchLastSection(false);
    tvStruct->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    pcStruct = new QTabWidget(this);
    pcStruct->setObjectName(QStringLiteral("pcStruct"));
    tsData = new QWidget(pcStruct);
    tsData->setObjectName(QStringLiteral("tsData"));
    dataPane = new TStructDataPane(tsData);
    auto* dataLayout = new QVBoxLayout(tsData);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->addWidget(dataPane);
    tsDetail = new QWidget(pcStruct);
    tsDetail->setObjectName(QStringLiteral("tsDetail"));
    mDetail = new TxMemoEx(tsDetail);
    mDetail->setObjectName(QStringLiteral("mDetail"));
    mDetail->setReadOnly(true);
    mDetail->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mDetail->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setupSqlHighlighting(*mDetail);
    auto* detailLayout = new QVBoxLayout(tsDetail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(mDetail);
    pcStruct->addTab(tsData, QStringLiteral("Data"));
    pcStruct->addTab(tsDetail, QStringLiteral("Detail"));

    // Left: the filter band, the expand links and the tree; right: the
    // data band and the page control. A splitter shares the width.
    auto* filterRow = new QHBoxLayout;
    filterRow->setSpacing(6);
    filterRow->addWidget(xHTMLLabel4);
    filterRow->addWidget(eFind, 1);
    filterRow->addWidget(btStructRefresh);
    filterRow->addWidget(btStructEditSel);
    auto* linkRow = new QHBoxLayout;
    linkRow->setSpacing(12);
    linkRow->addWidget(btExpand);
    linkRow->addWidget(btCollapse);
    linkRow->addStretch(1);
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(4);
    leftLayout->addLayout(filterRow);
    leftLayout->addLayout(linkRow);
    leftLayout->addWidget(tvStruct, 1);

    auto* dataRow = new QHBoxLayout;
    dataRow->setSpacing(6);
    dataRow->addWidget(chLoadData);
    dataRow->addSpacing(6);
    dataRow->addWidget(xHTMLLabel3);
    dataRow->addWidget(eMaxRec);
    dataRow->addWidget(btStructReloadData);
    dataRow->addStretch(1);
    dataRow->addWidget(btStructExport);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(4);
    rightLayout->addLayout(dataRow);
    rightLayout->addWidget(pcStruct, 1);

    for (QPushButton* button :
         {btStructRefresh, btStructEditSel, btStructReloadData, btStructExport})
        button->setMinimumWidth(std::max(75, button->sizeHint().width()));
    for (TxURLLabel* link : {btExpand, btCollapse}) link->setAutoSize(true);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({420, 580});
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter, 1);

    // Enter in the filter box runs "Refresh structure", as the default
    // button would.
    connect(eFind, &QLineEdit::returnPressed, this, [this, refresh = actions.refresh] {
        if (refresh && refresh->isEnabled()) refresh->trigger();
    });
    connect(btExpand, &TxURLLabel::clicked, this, &TStructureTab::expandAll);
    connect(btCollapse, &TxURLLabel::clicked, this, &TStructureTab::collapseAll);
    connect(tvStruct, &QTreeWidget::itemExpanded, this, &TStructureTab::tvStructExpanded);
    connect(tvStruct, &QTreeWidget::currentItemChanged, this, &TStructureTab::tvStructClick);
}

void TStructureTab::setDatabase(dao::Database* db, TCustomConnectionUDB* connection) {
    NodeDetail_ = NodeDetail();
    tvStruct->clear();
    model_.clear();
    model_.setSource(nullptr);
    model_.clearViewColumnCache();
    source_.reset();
    dataPane->setConnection(connection);
    if (!db || !connection) {
        eFind->clear();
        mDetail->clear();
        return;
    }
    source_ = std::make_unique<CatalogueStructureSource>(*db, *connection);
    model_.setSource(source_.get());
    BuildStructureTree();
}

void TStructureTab::reloadCatalogue() {
    if (!source_) return;
    source_->reloadLists();
    model_.clearViewColumnCache();
    BuildStructureTree();
}

void TStructureTab::BuildStructureTree() {
    const WaitCursor wait;
    NodeDetail_ = NodeDetail();
    tvStruct->clear();
    model_.setFilterText(eFind->text());
    try {
        model_.BuildStructureTree();
    } catch (...) {
        fillTree();  // what was built stays visible
        throw;
    }
    fillTree();
}

void TStructureTab::fillTree() {
    tvStruct->setUpdatesEnabled(false);
    tvStruct->clear();
    QList<QTreeWidgetItem*> roots;
    for (const auto& root : model_.roots()) {
        auto* item = new QTreeWidgetItem;
        fillItem(item, *root);
        roots << item;
    }
    tvStruct->addTopLevelItems(roots);
    tvStruct->setUpdatesEnabled(true);
}

void TStructureTab::fillItem(QTreeWidgetItem* item, const StructNode& node) {
    item->setText(0, node.text);
    item->setIcon(0, structTreeIcon(node.image));
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    item->setData(0, kKindRole, static_cast<int>(node.kind));
    for (const auto& child : node.children) {
        auto* childItem = new QTreeWidgetItem(item);
        fillItem(childItem, *child);
    }
}

void TStructureTab::refillChildren(QTreeWidgetItem* item) {
    const StructNode* node = nodeOf(item);
    if (!node) return;
    // A selected child would report its (already removed) node while it goes.
    if (QTreeWidgetItem* current = tvStruct->currentItem(); current && current->parent() == item)
        tvStruct->setCurrentItem(item);
    for (QTreeWidgetItem* child : item->takeChildren()) delete child;
    for (const auto& child : node->children) fillItem(new QTreeWidgetItem(item), *child);
    item->setData(0, kKindRole, static_cast<int>(node->kind));
}

StructNode* TStructureTab::nodeOf(const QTreeWidgetItem* item) {
    if (!item) return nullptr;
    return reinterpret_cast<StructNode*>(item->data(0, kNodeRole).value<quintptr>());
}

QTreeWidgetItem* TStructureTab::itemOf(const StructNode* node) const {
    for (QTreeWidgetItemIterator it(tvStruct); *it; ++it)
        if (nodeOf(*it) == node) return *it;
    return nullptr;
}

void TStructureTab::tvStructExpanded(QTreeWidgetItem* item) {
    StructNode* node = nodeOf(item);
    if (!node) return;
    if (node->kind == StructKind::Table && !expandingAll_) {
        for (int i = 0; i < item->childCount(); ++i) item->child(i)->setExpanded(true);
    } else if (node->kind == StructKind::ViewNotLoaded) {
        const WaitCursor wait;
        if (model_.expandNode(*node)) refillChildren(item);
    }
}

void TStructureTab::expandAll() {
    const WaitCursor wait;
    tvStruct->setUpdatesEnabled(false);
    expandingAll_ = true;
    model_.loadAllViews();
    for (int i = 0; i < tvStruct->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = tvStruct->topLevelItem(i);
        if (model_.viewsRoot() && nodeOf(root) == model_.viewsRoot())
            for (int v = 0; v < root->childCount(); ++v) {
                QTreeWidgetItem* viewItem = root->child(v);
                const StructNode* view = nodeOf(viewItem);
                // Views loaded just now still show their placeholder item.
                if (view && viewItem->data(0, kKindRole).toInt() != static_cast<int>(view->kind))
                    refillChildren(viewItem);
            }
    }
    tvStruct->expandAll();
    expandingAll_ = false;
    tvStruct->setUpdatesEnabled(true);
    if (tvStruct->topLevelItemCount() > 0) tvStruct->scrollToItem(tvStruct->topLevelItem(0));
}

void TStructureTab::collapseAll() {
    tvStruct->collapseAll();
}

void TStructureTab::actStructRefreshExecute() {
    BuildStructureTree();
    if (!eFind->text().isEmpty()) expandAll();
}

void TStructureTab::UpdateNodeDetail() {
    NodeDetail_ = model_.nodeDetail(nodeOf(tvStruct->currentItem()));
}

void TStructureTab::tvStructClick() {
    UpdateNodeDetail();
    const QString sql = (NodeDetail_.ViewIdx >= 0 && model_.source())
                            ? model_.source()->viewSql(NodeDetail_.View)
                            : QString();
    mDetail->setPlainText(sql);
    if (chLoadData->isChecked()) LoadNodeData();
}

void TStructureTab::LoadNodeData() {
    QString target = NodeDetail_.Tbl;
    if (NodeDetail_.ViewIdx >= 0) target = NodeDetail_.View;
    if (target.isEmpty() || target.compare(LastTbl, Qt::CaseInsensitive) == 0) return;
    LastTbl = target;
    dataPane->loadData(target, int(std::max<long long>(1, eMaxRec->AsInteger())));
}

void TStructureTab::actStructReloadDataExecute() {
    LastTbl.clear();
    LoadNodeData();
}

bool TStructureTab::actStructExportExecute() {
    expandAll();
    kit::FileRequest request;
    request.mode = kit::FileRequest::Mode::Save;
    request.caption = QStringLiteral("Export structure");
    request.fileName = QStringLiteral("structure.txt");
    request.filter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
    const std::optional<QString> file = kit::dialogService().chooseFile(request);
    if (!file) return false;
    QFile out(*file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(model_.exportText().toUtf8()) < 0)
        throw db::Error(db::ErrorCode::Io,
                        QStringLiteral("Cannot write file: %1").arg(*file).toStdString());
    return true;
}
