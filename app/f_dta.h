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
// - Minimising hides the window; closing destroys it.
#pragma once

#include <QWidget>
#include <memory>

class QPushButton;
class TCustomConnectionUDB;
class TQueryUDB;
class TxDBGridCustomSorter;
class TxDBGrid_MS;
class TxDBNavigator;
class TxGroupBox;

class TDta : public QWidget {
    Q_OBJECT
public:
    TDta(TCustomConnectionUDB* connection, TxDBGridCustomSorter* sorter, QWidget* parent = nullptr);
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

protected:
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<TQueryUDB> qData;
};
