// The data window Dta (TDta): one table, view or statement result in the
// data grid, with the button band above it and the record navigator under
// it, on the main window's data connection.
//
// What callers rely on:
// - OpenData shows a whole table or view: the SQL text is the three lines
//   "SELECT * FROM", the quoted name, "WHERE 1=1"; OpenSql shows a
//   statement's result. Both size the columns to their data and titles.
//   A failure (unknown table, bad statement, closed connection) propagates
//   as db::Error; the window stays with an empty grid.
// - CheckSameData compares the shown name without regard to letter case.
// - Minimising hides the window; closing destroys it, after posting the
//   record being edited (a refused post keeps the window).
// - With a settings file the window starts where the last data window was
//   and stores its bounds under "Dta_XY" when it goes; the grid settings of
//   every data window share the one section "DataForm.grData".
#pragma once

#include <QWidget>
#include <memory>

class QPushButton;
class SettingsFile;
class TCustomConnectionUDB;
class TQueryUDB;
class TxDBGridCustomSorter;
class TxDBGrid_MS;
class TxDBNavigator;
class TxGroupBox;

class TDta : public QWidget {
    Q_OBJECT
public:
    // `settings` (not owned, may be null): where the window keeps its bounds.
    TDta(TCustomConnectionUDB* connection, TxDBGridCustomSorter* sorter,
         SettingsFile* settings = nullptr, QWidget* parent = nullptr);
    ~TDta() override;

    void OpenData(const QString& tableName);
    void OpenSql(const QString& sql);
    bool CheckSameData(const QString& tableName) const;
    // Closes the query and opens it again.
    void Ref();

    QString TblName;
    TQueryUDB& query() { return *qData; }

    TxGroupBox* gbFile = nullptr;
    QPushButton* btFind = nullptr;
    QPushButton* btCopy = nullptr;
    QPushButton* btExport = nullptr;
    QPushButton* btImport = nullptr;
    QPushButton* btSetting = nullptr;
    TxDBGrid_MS* grData = nullptr;
    TxDBNavigator* DBNavigator1 = nullptr;

    void btCopyClick();
    // The export dialog on the grid: its records under its columns as shown.
    void btExportClick();
    // The settings section of a component of the window: "DataForm." and its
    // name, whatever table the window shows.
    QString xDBGridsPropSave1GetKeyString(const QObject* component) const;

protected:
    void changeEvent(QEvent* event) override;
    // A record being edited is posted before the window goes; a refused
    // post is reported and keeps the window open with the record.
    void closeEvent(QCloseEvent* event) override;

private:
    void readBounds();
    void saveBounds() const;
    std::unique_ptr<TQueryUDB> qData;
    SettingsFile* settings_ = nullptr;
};
