#include "io/dialog/xDBExportForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "io/dialog/grid_export_source.h"
#include "io/export_progress.h"
#include "kit/xdlg.h"
#include "kit/xdlg_service.h"

namespace {

QCheckBox* check(const QString& caption, const QString& name, bool checked, const QString& hint = {}) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    box->setChecked(checked);
    if (!hint.isEmpty()) box->setToolTip(hint);
    return box;
}

// The writer's report without its header, for the error box that adds it.
QString errorDetail(const QString& report) {
    const QString marker = QStringLiteral("Error description:\n");
    const qsizetype at = report.indexOf(marker);
    return at < 0 ? report : report.mid(at + marker.size());
}

}  // namespace

TxDBExportForm::TxDBExportForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("xDBExportForm"));
    setWindowTitle(QStringLiteral("Export data"));
    setMinimumSize(492, 400);

    auto* kinds = new QGroupBox(QStringLiteral(" Type of export: "));
    auto* kindsLayout = new QVBoxLayout(kinds);
    rg_ = new QButtonGroup(this);
    // The template reports are a later kind; the writers that exist are offered.
    const QStringList items{QStringLiteral("Export to text file"), QStringLiteral("Export to MS Excel"),
                            QStringLiteral("Export to table format SLK")};
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i]);
        rg_->addButton(button, i);
        kindsLayout->addWidget(button);
    }
    rg_->button(0)->setChecked(true);

    auto* range = new QGroupBox(QStringLiteral(" Range of export: "));
    auto* rangeLayout = new QVBoxLayout(range);
    rbSelCol_ = new QRadioButton(QStringLiteral("Visible columns"));
    rbSelCol_->setObjectName(QStringLiteral("rbSelCol"));
    rbSelCol_->setChecked(true);
    rbAllCol_ = new QRadioButton(QStringLiteral("All columns"));
    rbAllCol_->setObjectName(QStringLiteral("rbAllCol"));
    chSelRecOnly_ = check(QStringLiteral("Selected rows only"), QStringLiteral("chSelRecOnly"), false);
    chSelRecOnly_->setVisible(false);
    rangeLayout->addWidget(rbSelCol_);
    rangeLayout->addWidget(rbAllCol_);
    rangeLayout->addWidget(chSelRecOnly_);
    rangeLayout->addStretch();

    pg_ = new QStackedWidget;
    auto* textPage = new QGroupBox(QStringLiteral(" Properties: "));
    auto* textLayout = new QGridLayout(textPage);
    chFName1_ = check(QStringLiteral("Add column name"), QStringLiteral("chFName1"), true,
                      QStringLiteral("Column name as first row."));
    chFRealName1_ = check(QStringLiteral("Use real name of fields"), QStringLiteral("chFRealName1"), false,
                          QStringLiteral("Column name as first row."));
    chCol1_ = check(QStringLiteral("Align data to columns"), QStringLiteral("chCol1"), false,
                    QStringLiteral("Add spaces to default width"));
    chAdd1_ = check(QStringLiteral("Append data after existing"), QStringLiteral("chAdd1"), false,
                    QStringLiteral("Exported data will be added after existing data in file"));
    cbSeparator_ = new QComboBox;
    cbSeparator_->setObjectName(QStringLiteral("cbSeparator_nostore"));
    cbSeparator_->setEditable(true);
    cbSeparator_->addItems({QStringLiteral(", (comma)"), QStringLiteral("; (semicolon)"),
                            QStringLiteral("#9   (tab)"), QStringLiteral("#32  (space)")});
    cbSeparator_->setCurrentText(QStringLiteral("; (semicolon)"));
    cbSeparator_->setToolTip(QStringLiteral("Select or enter separator"));
    textLayout->addWidget(chFName1_, 0, 0);
    textLayout->addWidget(chFRealName1_, 1, 0);
    textLayout->addWidget(chCol1_, 2, 0);
    textLayout->addWidget(chAdd1_, 3, 0);
    textLayout->addWidget(new QLabel(QStringLiteral("Column separator:")), 4, 0);
    textLayout->addWidget(cbSeparator_, 5, 0);
    textLayout->setRowStretch(6, 1);

    auto* tablePage = new QGroupBox(QStringLiteral(" Properties: "));
    auto* tableLayout = new QGridLayout(tablePage);
    chFName2_ = check(QStringLiteral("Add column name"), QStringLiteral("chFName2"), true);
    chFRealName2_ = check(QStringLiteral("Use real name of fields"), QStringLiteral("chFRealName2"), false);
    chSum2_ = check(QStringLiteral("Add sums of numeric columns"), QStringLiteral("chSum2"), false,
                    QStringLiteral("Add sums as last row"));
    chAddSheet2_ = check(QStringLiteral("Export data as new sheet"), QStringLiteral("chAddSheet2"), false,
                         QStringLiteral("Exported data will be append as new sheet in selected file"));
    chAdd2_ = check(QStringLiteral("Append data below existing rows"), QStringLiteral("chAdd2"), false,
                    QStringLiteral("Exported data will be added after existing data in file"));
    chCol2_ = check(QStringLiteral("Set columns width"), QStringLiteral("chCol2"), true,
                    QStringLiteral("Set columns width according columns size"));
    chBorders2_ = check(QStringLiteral("Set cell borders"), QStringLiteral("chBorders2"), false);
    chFreezePanes2_ = check(QStringLiteral("Freeze title row"), QStringLiteral("chFreezePanes2"), false,
                            QStringLiteral("Title row will be frozen and still visible during scrolling"));
    int row = 0;
    for (QCheckBox* box : {chFName2_, chFRealName2_, chSum2_, chAddSheet2_, chAdd2_, chCol2_, chBorders2_,
                           chFreezePanes2_})
        tableLayout->addWidget(box, row++, 0);
    tableLayout->setRowStretch(row, 1);
    pg_->addWidget(textPage);
    pg_->addWidget(tablePage);

    cbAction_ = new QComboBox;
    cbAction_->setObjectName(QStringLiteral("cbAction_nostore"));
    cbAction_->addItems({QStringLiteral("Save only"), QStringLiteral("Show"), QStringLiteral("Print")});
    cbAction_->setCurrentIndex(1);

    btOk_ = new QPushButton(QStringLiteral("Ok"));
    btOk_->setObjectName(QStringLiteral("btOk"));
    btOk_->setToolTip(QStringLiteral("Run selected export"));
    auto* btCancel = new QPushButton(QStringLiteral("Cancel"));
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btCancel->setToolTip(QStringLiteral("Cancel changes"));

    auto* left = new QVBoxLayout;
    left->addWidget(kinds);
    left->addWidget(range);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(pg_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Exported file:")));
    bottom->addWidget(cbAction_);
    bottom->addStretch();
    bottom->addWidget(btOk_);
    bottom->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(rg_, &QButtonGroup::idClicked, this, [this] { kindChanged(); });
    connect(chFName1_, &QCheckBox::toggled, chFRealName1_, &QWidget::setEnabled);
    connect(chFName2_, &QCheckBox::toggled, chFRealName2_, &QWidget::setEnabled);
    connect(btOk_, &QPushButton::clicked, this, [this] { runExport(); });
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    chFRealName1_->setEnabled(chFName1_->isChecked());
    chFRealName2_->setEnabled(chFName2_->isChecked());
    kindChanged();
}

void TxDBExportForm::SetHasSelection(bool has) {
    chSelRecOnly_->setVisible(has);
}

void TxDBExportForm::kindChanged() {
    const int kind = rg_->checkedId();
    pg_->setCurrentIndex(kind == 0 ? 0 : 1);
    const bool excel = kind == 1;
    // Only a workbook has sheets and frozen panes.
    for (QCheckBox* box : {chBorders2_, chAddSheet2_, chAdd2_, chFreezePanes2_}) box->setVisible(excel);
    const bool columns = SetCol;
    rbSelCol_->setEnabled(columns);
    rbAllCol_->setEnabled(columns);
    chSelRecOnly_->setEnabled(columns);
    chSum2_->setVisible(SourceType != stTreeView);
    btOk_->setEnabled(true);
}

ExportChoices TxDBExportForm::choices() const {
    ExportChoices c;
    c.kind = static_cast<ExportKind>(rg_->checkedId());
    c.visibleColumnsOnly = rbSelCol_->isChecked();
    // A hidden box keeps no choice, whatever its state.
    c.selectedRowsOnly = chSelRecOnly_->isVisibleTo(this) && chSelRecOnly_->isChecked();
    c.structureOnly = StructOnly;
    c.actionAfter = static_cast<TActionAfter>(cbAction_->currentIndex());
    c.textColumnNames = chFName1_->isChecked();
    c.textRealNames = chFRealName1_->isChecked();
    c.alignToColumns = chCol1_->isChecked();
    c.appendToFile = chAdd1_->isChecked();
    c.separatorText = cbSeparator_->currentText();
    c.tableColumnNames = chFName2_->isChecked();
    c.tableRealNames = chFRealName2_->isChecked();
    c.sumRow = chSum2_->isChecked();
    c.addAsNewSheet = chAddSheet2_->isChecked();
    c.addToExistingRows = chAdd2_->isChecked();
    c.columnWidths = chCol2_->isChecked();
    c.cellBorders = chBorders2_->isChecked();
    c.freezeTitles = chFreezePanes2_->isChecked();
    return c;
}

bool TxDBExportForm::runExport() {
    if (!Source || !Source->usable()) return false;
    const ExportChoices c = choices();
    kit::FileRequest request;
    request.mode = kit::FileRequest::Mode::Save;
    request.filter = exportFileFilter(c.kind);
    request.defaultSuffix = exportDefaultExtension(c.kind);
    const std::optional<QString> file = kit::dialogService().chooseFile(request);
    if (!file) return false;  // cancelled: nothing is written

    bool aborted = false;
    const TProgressEvent progress = [&](TProgressStage stage, int percent, const QString& message,
                                        bool& abort) {
        if (stage == psEnding) {
            ShowProgress(QString());
            return;
        }
        ShowProgress(message, this, percent, [&aborted] { aborted = true; });
        abort = aborted;
    };
    const ExportOutcome outcome = ::runExport(c, *Source, *file, progress);
    ShowProgress(QString());
    if (!outcome.exported) {
        if (!outcome.error.isEmpty())
            ShowErrorReport(QStringLiteral("Error: Cannot export data."), errorDetail(outcome.error));
        return false;
    }
    afterExport(*file, c.actionAfter);
    return true;
}

void TxDBExportForm::afterExport(const QString& file, TActionAfter action) {
    if (action == aaNone) return;
    auto open = [&] {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
            MsgError(QStringLiteral("Cannot open file \"%1\".").arg(file));
    };
    if (action == aaShow) {
        open();
        return;
    }
    // No printing path: say so, and offer to open the file instead.
    if (MsgQuestion(QStringLiteral("Cannot print file \"%1\".").arg(file) + u'\n' +
                    QStringLiteral("Open file \"%1\"?").arg(file)) == mrYes)
        open();
}

void ShowExportDialog(TSourceType kind, ExportSource* source, bool setFlt, bool setCol,
                      bool hasSelection, bool structOnly, QWidget* parent) {
    if (!source || !source->usable()) return;
    TxDBExportForm form(parent);
    form.SourceType = kind;
    form.Source = source;
    form.SetFlt = setFlt;
    form.SetCol = setCol;
    form.StructOnly = structOnly;
    form.SetHasSelection(hasSelection);
    form.exec();
}

void ShowDBExportDialog(TxDBGrid& grid, bool setFlt, bool setCol, bool structOnly,
                        QWidget* parent) {
    GridExportSource source(grid);
    // The grid has no record selection of its own yet, so "Selected rows
    // only" is not offered.
    ShowExportDialog(stGrid, &source, setFlt, setCol, false, structOnly, parent);
}
