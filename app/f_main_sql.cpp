// TMain's side of the SQL designer: the dialog kept for the run, the data
// windows it opens, and the catalogue read again after its statements.
#include "app/command_runner.h"
#include "app/f_dta.h"
#include "app/f_main.h"
#include "app/relation_editor.h"
#include "app/structure_tree_widget.h"
#include "app/table_designer.h"
#include "app/view_editor.h"
#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool_MDB_schema.h"
#include "kit/xImprovedComps.h"
#include "schema/dlg_gensql.h"
#include "settings/settings_file.h"

TDlgGenSQL* TMain::GenSqlDlg() {
    if (!genSqlDlg_) {
        GenSqlHost host;
        host.openQuery = [this](const QString& sql) { return OpenSqlWindow(sql); };
        host.databaseChanged = [this] { databaseChangedBySql(); };
        host.report = [](const std::function<void()>& command) { runCommand(command); };
        genSqlDlg_ = new TDlgGenSQL(session_.DBCon(), std::move(host), this);
        genSqlDlg_->setWindowModality(Qt::WindowModal);
        if (settings_) genSqlDlg_->readSettings(*settings_);
    }
    return genSqlDlg_;
}

std::optional<QString> TMain::designSql(const QString& sql) {
    TDlgGenSQL* dialog = GenSqlDlg();
    dialog->mSQL->setPlainText(sql);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return dialog->mSQL->toPlainText();
}

size_t TMain::OpenSqlWindow(const QString& sql) {
    TDta* window = newDataWindow();
    window->OpenSql(sql);
    return window->query().Active() ? window->query().RecordCount() : 0;
}

void TMain::databaseChangedBySql() {
    if (!session_.DB()) return;
    RefreshCatalogue(*session_.DB());
    structTab->reloadCatalogue();
    if (!session_.TableChanged && !session_.IdxChanged)
        tableTab->LoadTableList(tableTab->selectedTable());
    if (!session_.ViewChanged) viewTab->LoadViewList(viewTab->selectedView());
    if (!session_.RelChanged) relationTab->ReloadRelations();
    ActListUpdate();
}
