// The SYLK writer: the records of the file, serial days, text values and
// column widths.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "io/slk_export.h"
#include "table_source.h"

namespace {

using db::DataType;
using db::Value;
using io_test::TableSource;
using io_test::text;

QStringList exportLines(TableSource& source, TSLKExport& w) {
    QTemporaryDir dir;
    w.ExportFile = dir.filePath("out.slk");
    if (!w.Execute(source)) return {"<failed: " + w.ErrorText() + ">"};
    QFile f(w.ExportFile);
    if (!f.open(QIODevice::ReadOnly)) return {"<unreadable>"};
    QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    lines.removeLast();  // after the last line end
    return lines;
}

TEST(SlkExportTest, AFileWithoutRecordsHasEveryBlockButTheSum) {
    TableSource source({{"Name", DataType::Text, 3}, {"N", DataType::Double}}, {});
    TSLKExport w;
    w.MakeSumRow = true;
    EXPECT_EQ(exportLines(source, w).join(" | "),
              QStringList({"ID;PSLKExport", "P;PGeneral", "P;Pd/m/yyyy", "P;Ph:mm", "P;PGeneral",
                           "P;PGeneral", "P;FArial", "P;FArial;SB", "P;FArial;SI", "P;FArial;SU", ";",
                           "; Column Width", "F;W1 1 7", "F;W2 2 26", ";", "; Title", "C;X1;Y1",
                           "C;X1;K\"Name\"", "C;X2;K\"N\"", ";", "; Global Formating", "F;R1;SM1", "E"})
                  .join(" | "));
}

TEST(SlkExportTest, DatesAreSerialDaysAsSpreadsheetsCountThem) {
    struct Case {
        double accessDays;
        QString format;  // the line before the value
        QString value;
    };
    // Access counts 1900-01-01 as day 2, spreadsheets as day 1 (they have a
    // 29 February 1900); from 1 March 1900 both agree.
    for (const Case& c : {Case{2.0, "F;P1;X1", "1"}, Case{3.0, "F;P1;X1", "2"},
                          Case{60.0, "F;P1;X1", "59"}, Case{61.0, "F;P1;X1", "61"},
                          Case{45366.25, "F;P1;X1", "45366.25"}, Case{0.5, "F;P2;X1", "0.5"},
                          Case{0.0, "F;P2;X1", "0"}, Case{1.5, "C;X1", "\"1899-12-31 12:00:00\""},
                          Case{-18200.0, "C;X1", "\"1850-03-02\""}}) {
        TableSource source({{"When", DataType::DateTime}}, {{Value::dateTime(c.accessDays)}});
        TSLKExport w;
        w.ExportFieldName = false;
        w.SetColWidth = false;
        w.SetFontName = "nil";
        const QStringList lines = exportLines(source, w);
        EXPECT_EQ(lines.mid(5).join(" | "),
                  QStringList({";", "; Row", "C;X1;Y1", c.format, "C;K" + c.value, "E"}).join(" | "))
            << c.accessDays;
    }
}

TEST(SlkExportTest, ValuesSumsAndNulls) {
    TableSource source({{"Name", DataType::Text, 10}, {"Qty", DataType::Long}, {"Amount", DataType::Currency}},
                       {{text("a;b"), Value::integer(3), Value::currency(922337203685477LL * 10000 + 5807)},
                        {Value(), Value::integer(4), Value::currency(-25000)}});
    TSLKExport w;
    w.ExportFieldName = false;
    w.SetColWidth = false;
    w.MakeSumRow = true;
    w.StartRow = 3;
    w.StartCol = 2;
    const QStringList lines = exportLines(source, w);
    // Currency beyond 15 digits stays text; NULL leaves the cell out.
    EXPECT_EQ(lines.mid(11).join(" | "),
              QStringList({";", "; Row", "C;X2;Y3", "C;X2", "C;K\"a;;b\"", "F;P4;X3", "C;K3", "C;X4",
                           "C;K\"922337203685477.5807\"", ";", "; Row", "C;X2;Y4", "F;P4;X3", "C;K4",
                           "F;P5;X4", "C;K-2.5", ";", "; Sum", "C;X2;Y5", "C;X2;K\"Sum:\"",
                           "C;X3;ESUM(R3C:R4C)", "C;X4;ESUM(R3C:R4C)", ";", "; Global Formating",
                           "F;R5;SM1", "E"}).join(" | "));
}

TEST(SlkExportTest, TextValuesAreEscapedAndCut) {
    struct Case {
        QString in;
        QString out;
    };
    const QString long300(300, 'x');
    for (const Case& c : {Case{"plain", "\"plain\""}, Case{"a;b;", "\"a;;b;;\""},
                          Case{"one\r\ntwo\rthree\nfour", "\"one\x1b :two\x1b :three\x1b :four\""},
                          Case{long300, "\"" + QString(247, 'x') + "...\""},
                          Case{QString(246, 'x') + "\nrest" + long300, "\"" + QString(246, 'x') + "...\""},
                          Case{QString(245, 'x') + "\nrest" + long300, "\"" + QString(245, 'x') + "...\""},
                          Case{"say \"hi\"", "\"say \"hi\"\""}}) {
        EXPECT_EQ(slkTextValue(c.in), c.out) << c.in.left(20).toStdString();
    }
}

TEST(SlkExportTest, ColumnWidthsFollowTheDisplayWidthWithinBounds) {
    TableSource source({{"A", DataType::Text, 3}, {"B", DataType::Text, 10}, {"C", DataType::Text, 80}}, {});
    TSLKExport w;
    w.ExportFieldName = false;
    const QStringList lines = exportLines(source, w);
    EXPECT_TRUE(lines.contains("F;W1 1 7"));
    EXPECT_TRUE(lines.contains("F;W2 2 12"));
    EXPECT_TRUE(lines.contains("F;W3 3 52"));
}

}  // namespace
