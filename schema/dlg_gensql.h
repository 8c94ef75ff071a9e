// The "SQL command generator" dialog: writes a statement in the memo mSQL
// from the tables and views of the open file, their fields and statement
// templates, and runs it. The view editor shows it modally with a view's SQL
// and takes the text back when it closes with "Update view" (accepted).
//
// What callers rely on:
// - Every showing reads the table and view names again from the data
//   connection (refresh(), also called by showEvent), so the lists follow
//   changes of the catalogue; the "Tables" tab comes first and the caret
//   goes to the end of the text.
// - A name click lists the fields of that table or view with "*" first and
//   selected. Insertions replace the memo's selection (or go in at the caret)
//   as one undo step; names are quoted for Access SQL (sql_templates.h); with
//   "Insert linebreak" a line break follows.
// - "Run command" with a text that is not blank: a statement that returns
//   records opens in a new data window (GenSqlHost::openQuery) and the result
//   line shows its record count; any other statement runs on the data
//   connection, the result line shows the records it affected, and
//   GenSqlHost::databaseChanged follows. A refused statement changes nothing;
//   its error goes to GenSqlHost::report and the result line stays as it was.
// - "Edit" of the template label edits the templates in TDlgEditMemo for the
//   rest of the run; they are not stored. The memo's font is kept in the
//   settings file (readSettings / saveSettings), its text is not.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabBar;
class QTimer;
class SettingsFile;
class TCustomConnectionUDB;
class TxHTMLLabel;
class TxMemoEx;

struct GenSqlHost {
    // Opens `sql` in a new data window and returns its record count
    // (0 when it did not open). Failures propagate.
    std::function<size_t(const QString& sql)> openQuery;
    // A statement changed the data or the catalogue.
    std::function<void()> databaseChanged;
    // Runs a command of the dialog and reports what it throws.
    std::function<void(const std::function<void()>& command)> report;
};

class TDlgGenSQL : public QDialog {
    Q_OBJECT
public:
    // `connection` (not owned) is the data connection the lists and
    // statements use.
    TDlgGenSQL(TCustomConnectionUDB& connection, GenSqlHost host, QWidget* parent = nullptr);
    ~TDlgGenSQL() override;

    void readSettings(const SettingsFile& settings);
    void saveSettings(SettingsFile& settings) const;

    // The handlers, by the names of the design.
    void refresh();
    void pcChange();
    void eFindChange();
    void eFindRightButtonClick();
    void lbTablesClick();
    void btAddTblClick();
    void btAddFldClick();
    void btAddCmdClick();
    void btClearClick();
    void btUndoClick();
    void btExecSqlClick();
    void xHTMLLabel4AnchorClick(const QString& linkName);

    // The selected fields of lbFields, in list order.
    QStringList selectedFields() const;
    QStringList templates() const;

    TxMemoEx* mSQL = nullptr;
    QPushButton* btClear = nullptr;
    QPushButton* btExecSql = nullptr;
    QPushButton* btUndo = nullptr;
    QPushButton* btOk = nullptr;
    TxHTMLLabel* lblRunInfo = nullptr;
    QTabBar* pc = nullptr;
    QLineEdit* eFind = nullptr;
    QListWidget* lbTables = nullptr;
    QListWidget* lbFields = nullptr;
    QListWidget* lbCmd = nullptr;
    TxHTMLLabel* xHTMLLabel4 = nullptr;
    QCheckBox* chNewLine = nullptr;
    QPushButton* btAddTbl = nullptr;
    QPushButton* btAddFld = nullptr;
    QPushButton* btAddCmd = nullptr;
    QTimer* Timer1 = nullptr;

    QStringList mTables;
    QStringList mQueries;
    QStringList mSQLKeyWords;
    QString SelTbl;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* createMemoPane();
    QWidget* createNamePane();
    // mTables and mQueries from the data connection.
    void readNames();
    void insertText(const QString& text);
    void guarded(const std::function<void()>& command);

    TCustomConnectionUDB& connection_;
    GenSqlHost host_;
};
