// Shared pieces of the grid tests: a small database written by the engine
// with the rows a test needs, a query on it, and a grid over the query
// shown offscreen, plus helpers that turn what the grid shows into text.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "db/connection_string.h"
#include "db/xDBComponents_UDB_query.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_sorter.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_writer.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace grid_test {

// DAO type numbers of the engine's writer.
enum DaoType { Bool = 1, Long = 4, Single = 6, Double = 7, Date = 8, Text = 10, Memo = 12 };

struct ColumnDef {
    std::string name;
    int daoType = Text;
    int size = 0;
};

using Row = std::vector<jet::Value>;

inline jet::Value T(const char* text) { return jet::Value::text(text); }
inline jet::Value I(int64_t v) { return jet::Value::integer(v); }
inline jet::Value D(double v) { return jet::Value::real(v); }
inline jet::Value N() { return jet::Value::null(); }
inline jet::Value B(bool v) { return jet::Value::boolean(v); }
// An Access date: days since 1899-12-30 (the fraction is the time of day).
inline jet::Value Day(int y, int m, int d, int hour = 0, int minute = 0) {
    const QDate base(1899, 12, 30);
    return jet::Value::dateTime(double(base.daysTo(QDate(y, m, d))) + (hour * 60 + minute) / 1440.0);
}

// Writes `table` with `columns` and `rows` into a new Jet 4 file.
inline void writeTable(const std::string& path, const std::string& table,
                       const std::vector<ColumnDef>& columns, const std::vector<Row>& rows) {
    jet::createDatabase(*jet::posixFileSystem(), path, jet::CreateOptions{});
    jet::TableSpec spec;
    spec.name = table;
    for (const ColumnDef& def : columns) {
        jet::ColumnSpec c;
        c.name = def.name;
        c.daoType = def.daoType;
        c.size = def.size ? def.size : (def.daoType == Text ? 50 : 0);
        c.allowZeroLength = true;
        spec.columns.push_back(c);
    }
    jet::CompactRequest request;
    request.source = path;
    request.destination = path;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        jet::NewTablesWriter writer(builder, {jet::NewTable{spec, ""}});
        writer.beginTable(table);
        for (const Row& row : rows) writer.addRow(row);
        writer.endTable();
        writer.finish();
    });
}

// A query on a new file holding one table.
struct TableFile {
    TableFile(const std::vector<ColumnDef>& columns, const std::vector<Row>& rows,
              const QString& table = QStringLiteral("Items")) {
        path = dir.filePath(QStringLiteral("grid.mdb"));
        writeTable(path.toStdString(), table.toStdString(), columns, rows);
        connection.setConnectionString(
            db::buildAccessConnectionString(db::providerForFile(path, true), path, QString()));
        query.SetConnection(&connection);
        query.SetSQL(QStringLiteral("SELECT * FROM [%1]").arg(table));
        query.Open();
    }
    ~TableFile() { query.Close(); }
    QTemporaryDir dir;
    QString path;
    TConnectionUDB connection;
    TQueryUDB query;
};

// A grid as the program sets it up, shown offscreen over the query.
struct GridOnTable : TableFile {
    GridOnTable(const std::vector<ColumnDef>& columns, const std::vector<Row>& rows)
        : TableFile(columns, rows) {
        grid.OptionsEx2.Filters.FunnelBtn = true;
        grid.OptionsEx2.Filters.TextBar = true;
        grid.SetSorter(&sorter);
        grid.SetDataSet(&query);
        grid.resize(900, 400);
        grid.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    TxDBGridSorter_UDB sorter;
    TxDBGrid grid;
};

// The values of column `column` in the grid's row order, joined by ",".
inline QString columnTexts(TxDBGrid& grid, int column) {
    QStringList texts;
    for (int r = 0; r < grid.gridModel()->rowCount(); ++r) texts << grid.gridModel()->cellText(r, column);
    return texts.join(u',');
}

// A point inside a part of a column's title, in the header's viewport.
inline QPoint titlePoint(TxDBGrid& grid, int column) {
    TxDBGridHeader* header = grid.gridHeader();
    return QPoint(header->sectionViewportPosition(column) + 12, header->titleBandHeight() / 2);
}
inline QPoint barPoint(TxDBGrid& grid, int column) {
    return grid.gridHeader()->barRect(column).center();
}
inline QPoint funnelPoint(TxDBGrid& grid, int column) {
    return grid.gridHeader()->funnelRect(column).center();
}

}  // namespace grid_test
