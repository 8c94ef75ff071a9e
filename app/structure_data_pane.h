// The "Data" tab of the structure page: the first records of the table or
// view chosen in the structure tree, in the data grid (TxDBGrid_MS) over the
// pane's query qData on the session's data connection, with the record
// navigator under it.
//
// What callers rely on:
// - loadData runs "SELECT TOP <maxRecords> * FROM <quoted name>"; on
//   failure the query stays closed, the grid empty, and lblDataInfo shows
//   "Error: Cannot open data.<BR>" and the escaped message. It never throws.
// - "Copy" is enabled exactly while the query is open (and no record is
//   being edited); Find, Export, Import and Setting stay disabled until
//   their dialogs exist.
// - The pane does not size its columns after a load.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class QPushButton;
class TCustomConnectionUDB;
class TQueryUDB;
class TxDBGridCustomSorter;
class TxDBGrid_MS;
class TxDBNavigator;
class TxGroupBox;
class TxHTMLLabel;

class TStructDataPane : public QWidget {
    Q_OBJECT
public:
    explicit TStructDataPane(QWidget* parent = nullptr);
    ~TStructDataPane() override;

    // nullptr: no connection; the query is closed first.
    void setConnection(TCustomConnectionUDB* connection);
    // The main window's sorter (not owned).
    void setSorter(TxDBGridCustomSorter* sorter);

    // See the header comment; true when the data loaded.
    bool loadData(const QString& target, int maxRecords);
    // Closes the query, empties the grid, hides both labels.
    void clear();

    TQueryUDB& query() { return *qData; }
    // Rows and columns the grid shows.
    int gridRowCount() const;
    int gridColumnCount() const;
    // The grid's text of a cell; empty outside the grid.
    QString gridText(int row, int column) const;
    QString gridTitle(int column) const;

    // What "Copy" puts on the clipboard: CopyAllData(true, false) of the grid.
    QString copyText();

    // Components (names are the program's).
    TxGroupBox* gbFile = nullptr;
    TxHTMLLabel* lblDataTbl = nullptr;
    TxHTMLLabel* lblDataInfo = nullptr;
    QPushButton* btFind = nullptr;
    QPushButton* btCopy = nullptr;
    QPushButton* btExport = nullptr;
    QPushButton* btImport = nullptr;
    QPushButton* btSetting = nullptr;
    TxDBGrid_MS* grData = nullptr;
    TxDBNavigator* DBNavigator1 = nullptr;

private:
    void updateButtons();
    void btCopyClick();
    // Runs the query again; on failure closes it and shows the error.
    bool requery();

    std::unique_ptr<TQueryUDB> qData;
};
