// The "Data" tab of the structure page: the first records of the table or
// view chosen in the structure tree, in a plain read-only grid over the
// pane's query qData on the session's data connection.
//
// What callers rely on:
// - loadData runs "SELECT TOP <maxRecords> * FROM <quoted name>"; on
//   failure the query stays closed, the grid empty, and lblDataInfo shows
//   "Error: Cannot open data.<BR>" and the escaped message. It never throws.
// - The buttons are enabled exactly while the query is open.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class QAbstractTableModel;
class QPushButton;
class QTableView;
class TCustomConnectionUDB;
class TQueryUDB;
class TxGroupBox;
class TxHTMLLabel;
class DataPaneGridModel;

class TStructDataPane : public QWidget {
    Q_OBJECT
public:
    explicit TStructDataPane(QWidget* parent = nullptr);
    ~TStructDataPane() override;

    // nullptr: no connection; the query is closed first.
    void setConnection(TCustomConnectionUDB* connection);

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

    // Every row of the grid with its title line, tab-separated, rows ended
    // by "\n" (what "Copy" puts on the clipboard).
    QString copyText() const;

    // Components (names are the program's).
    TxGroupBox* gbFile = nullptr;
    TxHTMLLabel* lblDataTbl = nullptr;
    TxHTMLLabel* lblDataInfo = nullptr;
    QPushButton* btFind = nullptr;
    QPushButton* btCopy = nullptr;
    QPushButton* btExport = nullptr;
    QPushButton* btImport = nullptr;
    QPushButton* btSetting = nullptr;
    QTableView* grData = nullptr;
    QWidget* DBNavigator1 = nullptr;

private:
    void fillGrid();
    void updateButtons();
    void btCopyClick();
    void navigate(int step);  // -2 first, -1 prior, 1 next, 2 last
    void refresh();
    // Runs the query again; on failure closes it and shows the error.
    bool requery();

    std::unique_ptr<TQueryUDB> qData;
    DataPaneGridModel* gridModel_ = nullptr;
    QList<QPushButton*> navButtons_;
};
