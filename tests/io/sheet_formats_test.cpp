// Number formats, value types and column widths of SYLK and Excel exports,
// as LibreOffice sees them once it has opened the files (read from the
// flat OpenDocument file it saves them as).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "io/slk_export.h"
#include "io/xlsx_export.h"
#include "table_source.h"

namespace {

using db::DataType;
using db::Value;
using io_test::TableSource;
using io_test::text;

struct SheetCell {
    QString type;    // office:value-type: string, float, date, time, boolean
    QString format;  // the number format, written back as a format code
    QString formula = {};
};

struct Sheet {
    QList<double> columnWidths;  // inches
    QList<QList<SheetCell>> rows;
};

double inches(const QString& width) {
    if (width.endsWith("in")) return width.chopped(2).toDouble();
    if (width.endsWith("cm")) return width.chopped(2).toDouble() / 2.54;
    return -1;
}

// The first sheet of a flat OpenDocument spreadsheet.
Sheet readFlatSheet(const QString& path) {
    QFile file(path);
    Sheet sheet;
    if (!file.open(QIODevice::ReadOnly)) return sheet;
    QXmlStreamReader xml(&file);
    QMap<QString, QString> dataStyles, cellStyles;
    QMap<QString, double> columnStyles;
    QString styleName, code;
    int tables = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.isStartElement()) {
            if (name == u"date-style" || name == u"time-style" || name == u"number-style" ||
                name == u"boolean-style") {
                styleName = a.value("style:name").toString();
                code.clear();
            } else if (name == u"year") {
                code += a.value("number:style") == u"long" ? "yyyy" : "yy";
            } else if (name == u"month") {
                code += a.value("number:style") == u"long" ? "mm" : "m";
            } else if (name == u"day") {
                code += a.value("number:style") == u"long" ? "dd" : "d";
            } else if (name == u"hours") {
                code += a.value("number:style") == u"long" ? "hh" : "h";
            } else if (name == u"minutes") {
                code += a.value("number:style") == u"long" ? "mm" : "m";
            } else if (name == u"seconds") {
                code += a.value("number:style") == u"long" ? "ss" : "s";
            } else if (name == u"number" && a.hasAttribute("number:decimal-places")) {
                code += a.value("number:grouping") == u"true" ? "#,##0" : "0";
                const int places = a.value("number:decimal-places").toInt();
                if (places > 0) code += "." + QString(places, '0');
            } else if (name == u"text" && !styleName.isEmpty()) {
                code += xml.readElementText();
            } else if (name == u"style" && a.value("style:family") == u"table-cell") {
                cellStyles[a.value("style:name").toString()] = a.value("style:data-style-name").toString();
            } else if (name == u"style" && a.value("style:family") == u"table-column") {
                styleName = a.value("style:name").toString();
            } else if (name == u"table-column-properties") {
                columnStyles[styleName] = inches(a.value("style:column-width").toString());
            } else if (name == u"table") {
                ++tables;
            } else if (name == u"table-column" && tables == 1) {
                const int repeat = std::min(64, std::max(1, a.value("table:number-columns-repeated").toInt()));
                for (int i = 0; i < repeat; ++i)
                    sheet.columnWidths << columnStyles.value(a.value("table:style-name").toString(), -1);
            } else if (name == u"table-row" && tables == 1) {
                sheet.rows.append(QList<SheetCell>());
            } else if (name == u"table-cell" && tables == 1 && !sheet.rows.isEmpty()) {
                const int repeat = std::min(64, std::max(1, a.value("table:number-columns-repeated").toInt()));
                const SheetCell cell{a.value("office:value-type").toString(),
                                     dataStyles.value(cellStyles.value(a.value("table:style-name").toString())),
                                     a.value("table:formula").toString()};
                for (int i = 0; i < repeat; ++i) sheet.rows.last() << cell;
            }
        } else if (xml.isEndElement()) {
            if (name == u"date-style" || name == u"time-style" || name == u"number-style" ||
                name == u"boolean-style") {
                dataStyles[styleName] = name == u"boolean-style" ? QString("BOOLEAN") : code;
                styleName.clear();
            }
        }
    }
    return sheet;
}

TableSource kinds() {
    return TableSource({{"Short", DataType::Text, 3}, {"Mid", DataType::Text, 18}, {"Long", DataType::Text, 80},
                        {"Amount", DataType::Double}, {"When", DataType::DateTime}, {"Stamp", DataType::DateTime},
                        {"Clock", DataType::DateTime}, {"Flag", DataType::Boolean}},
                       {{text("abc"), text("eighteen chars...."), Value::text(std::string(300, 'x')),
                         Value::real(1234.5), Value::dateTime(45366), Value::dateTime(45366.25),
                         Value::dateTime(0.5), Value::boolean(true)}});
}

TEST(SheetFormatsTest, LibreOfficeSeesTheFormatsAndWidthsOfEachFormat) {
    QTemporaryDir dir;
    TableSource source = kinds();

    TxXLSExport excel;
    excel.ExportFile = dir.filePath("kinds_excel.xlsx");
    excel.DefaultDateFormat = "yyyy-mm-dd";
    excel.DefaultTimeFormat = "hh:nn:ss";
    excel.DefaultNumFormat = "#,##0.00";
    excel.MaxColWidth = 20;
    excel.Options &= ~unsigned(xleAddSumRow);
    ASSERT_TRUE(excel.ExportDBTable(source)) << excel.ErrorText().toStdString();

    TSLKExport sylk;
    sylk.ExportFile = dir.filePath("kinds_sylk.slk");
    sylk.DefaultDateFormat = "yyyy-mm-dd";
    sylk.DefaultTimeFormat = "hh:mm:ss";
    sylk.DefaultNumFormat = "#,##0.00";
    ASSERT_TRUE(sylk.Execute(source)) << sylk.ErrorText().toStdString();

    QProcess office;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    office.setProcessEnvironment(environment);
    office.start("soffice", {"-env:UserInstallation=file://" + dir.filePath("lo-profile"), "--headless",
                             "--norestore", "--convert-to", "fods", "--outdir", dir.filePath("out"),
                             excel.ExportFile, sylk.ExportFile});
    ASSERT_TRUE(office.waitForFinished(180000)) << "LibreOffice did not finish in time";

    struct Expected {
        QString name;
        QList<SheetCell> data;  // the data row
    };
    const QList<SheetCell> data{{"string", ""},          {"string", ""},
                                {"string", ""},          {"float", "#,##0.00"},
                                {"date", "yyyy-mm-dd"},  {"date", "yyyy-mm-dd hh:mm:ss"},
                                {"time", "hh:mm:ss"},    {"boolean", "BOOLEAN"}};
    for (const QString& name : {QString("kinds_excel"), QString("kinds_sylk")}) {
        SCOPED_TRACE(name.toStdString());
        const Sheet sheet = readFlatSheet(dir.filePath("out/" + name + ".fods"));
        ASSERT_GE(sheet.rows.size(), 2);
        ASSERT_GE(sheet.columnWidths.size(), 8);
        const bool isSylk = name.endsWith("sylk");
        for (int c = 0; c < 8; ++c) {
            SheetCell want = data[c];
            // SYLK has one date format for dates with and without a time, and
            // its Booleans are texts.
            if (isSylk && c == 5) want.format = "yyyy-mm-dd";
            if (isSylk && c == 7) want = {"string", ""};
            // LibreOffice takes a workbook's Boolean cell as the formula TRUE().
            if (!isSylk && c == 7) want = {"float", "", "of:=TRUE()"};
            EXPECT_EQ(sheet.rows[1][c].type, want.type) << c;
            EXPECT_EQ(sheet.rows[1][c].format, want.format) << c;
            EXPECT_EQ(sheet.rows[1][c].formula, want.formula) << c;
        }
        const double shortWidth = sheet.columnWidths[0], mid = sheet.columnWidths[1],
                     longWidth = sheet.columnWidths[2];
        EXPECT_LT(shortWidth, mid);
        if (isSylk) {
            EXPECT_LT(mid, longWidth);  // display widths 3, 18 and 50 (bounded)
        } else {
            // 18 characters and two of margin reach MaxColWidth: the 300
            // characters of the long column are bounded to the same.
            EXPECT_NEAR(mid, longWidth, 0.02);
        }
    }
}

}  // namespace
