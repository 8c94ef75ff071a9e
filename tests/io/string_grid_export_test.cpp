// A string grid as an export source: titles from the title row, typed
// values by column type, empty cells as nulls, unreadable cells as text.
#include <gtest/gtest.h>

#include "io/dialog/string_grid_export_source.h"
#include "io/txt_export.h"
#include "kit/xStringGridEd.h"

namespace {

TEST(StringGridExportTest, RowsBecomeRecordsWithTheirColumnsTypes) {
    TxStringGridEd grid;
    grid.setColCount(3);
    grid.setRowCount(4);
    grid.setFixedRows(1);
    grid.Columns()[1].DataType = sgdInteger;
    grid.Columns()[2].DataType = sgdNumber;
    const QStringList cells{"Name", "Qty", "Price", "say \"x\"", "12", "1.5", "", "n/a", "", "b", "", "-2"};
    for (int i = 0; i < cells.size(); ++i) grid.setCells(i % 3, i / 3, cells[i]);

    StringGridExportSource source(grid);
    TTXTExport w;
    w.TextApostrophe = "\"";
    w.FillChar = QChar(0);
    w.FieldSeparator = ",";
    ASSERT_TRUE(w.Execute(source));
    // "n/a" is no integer: it is kept as its text; numbers stay bare.
    EXPECT_EQ(w.ExportResult,
              (QStringList{"Name,Qty,Price", "\"say \"\"x\"\"\",12,1.5", ",n/a,", "\"b\",,-2"}));
}

}  // namespace
