// A data grid as an export source: the records of its query in the order
// and filter in force, under the grid's columns as shown (moved columns in
// their place, hidden ones left out).
#include <gtest/gtest.h>

#include <QHeaderView>

#include "grid/xDBGrid.h"
#include "io/dialog/grid_export_source.h"
#include "io/txt_export.h"
#include "io_test_support.h"
#include "table_source.h"

namespace {

TEST(GridExportTest, ExportsTheColumnsAsShownInTheQuerysOrder) {
    io_test::QueryOnFile q(QStringLiteral("V2000/testIndexPropertiesV2000.mdb"),
                           QStringLiteral("TableIgnoreNulls2"));
    TxDBGrid grid;
    grid.SetDataSet(&q.query);
    GridExportSource source(grid);
    ASSERT_TRUE(source.usable());

    QHeaderView* header = grid.horizontalHeader();
    const int data2 = grid.ColumnByFieldName(QStringLiteral("DATA2"));
    header->moveSection(header->visualIndex(data2), 0);
    header->hideSection(grid.ColumnByFieldName(QStringLiteral("data1")));
    q.query.SetSortEx(QStringLiteral("row DESC"));
    q.query.SetFilterEx(QStringLiteral("row <> 'row5'"), true);

    TTXTExport w;
    w.TextApostrophe = "\"";
    w.FillChar = QChar(0);
    w.FieldSeparator = ",";
    ASSERT_TRUE(w.Execute(source));
    ASSERT_EQ(w.ExportResult.size(), 11);  // the title line and 10 records
    EXPECT_EQ(w.ExportResult[0], "data2,row");
    EXPECT_TRUE(w.ExportResult[1].endsWith(",\"row9\"")) << w.ExportResult[1].toStdString();
    EXPECT_FALSE(w.ExportResult.join('\n').contains("row5"));

    q.query.Close();
    EXPECT_FALSE(source.usable());
    EXPECT_TRUE(source.columns().empty());
}

}  // namespace
