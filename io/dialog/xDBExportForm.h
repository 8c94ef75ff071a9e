// TxDBExportForm ("Export data"): the one place from which the user writes
// records out of the program. It shows the export kinds that exist,
// collects their options, asks for the file through the dialog service and
// runs the chosen writer (io/export_dispatch.h) on the source. The dialog
// stays open after an export, so several may follow; "Cancel" closes it.
//
// Use from the user-interface thread; dialogs it asks go through
// kit::dialogService(), so tests answer them.
#pragma once

#include <QDialog>

#include "io/export_dispatch.h"
#include "io/export_source.h"

class QButtonGroup;
class TxDBGrid;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QStackedWidget;

class TxDBExportForm : public QDialog {
    Q_OBJECT
public:
    explicit TxDBExportForm(QWidget* parent = nullptr);

    // Set before the dialog is shown.
    TSourceType SourceType = stDataset;
    ExportSource* Source = nullptr;
    bool SetFlt = true;
    bool SetCol = true;
    bool StructOnly = false;
    void SetHasSelection(bool has);

    // The choices the controls hold now.
    ExportChoices choices() const;
    // Runs the export as "Ok" does; true when a file was written.
    bool runExport();

private:
    void kindChanged();
    void afterExport(const QString& file, TActionAfter action);

    QButtonGroup* rg_ = nullptr;
    QRadioButton* rbSelCol_ = nullptr;
    QRadioButton* rbAllCol_ = nullptr;
    QCheckBox* chSelRecOnly_ = nullptr;
    QStackedWidget* pg_ = nullptr;
    QCheckBox *chFName1_, *chFRealName1_, *chCol1_, *chAdd1_;
    QComboBox* cbSeparator_ = nullptr;
    QCheckBox *chFName2_, *chFRealName2_, *chSum2_, *chAddSheet2_, *chAdd2_, *chCol2_,
        *chBorders2_, *chFreezePanes2_;
    QComboBox* cbAction_ = nullptr;
    QPushButton* btOk_ = nullptr;
};

// Opens the export dialog on `source` modally; nothing when the source is
// not usable (a closed dataset).
void ShowExportDialog(TSourceType kind, ExportSource* source, bool setFlt, bool setCol,
                      bool hasSelection, bool structOnly, QWidget* parent = nullptr);
// The export dialog on a data grid (stGrid): its records under its columns
// as shown (GridExportSource); nothing when the grid's query is not open.
void ShowDBExportDialog(TxDBGrid& grid, bool setFlt, bool setCol, bool structOnly,
                        QWidget* parent = nullptr);
