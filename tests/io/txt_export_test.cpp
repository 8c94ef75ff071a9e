// The text writer: quoting, separators, alignment, line breaks in memos,
// appending, and files that stay whole when an export does not complete.
#include <gtest/gtest.h>

#include "common/qt_fixture_files.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "io/text_separator.h"
#include "io/txt_export.h"
#include "table_source.h"

namespace {

using db::DataType;
using db::Value;
using io_test::TableSource;
using io_test::text;

TableSource people() {
    return TableSource({{"Name", DataType::Text, 10}, {"Qty", DataType::Long}, {"Price", DataType::Double},
                        {"Notes", DataType::Memo}},
                       {{text("say \"hi\""), Value::integer(3), Value::real(1.5), text("a\r\nb\rc\nd")},
                        {Value(), Value::integer(-40), Value::real(-0.25), Value()}});
}

TTXTExport csvWriter() {
    TTXTExport w;
    w.TextApostrophe = "\"";
    w.FillChar = QChar(0);
    w.FieldSeparator = ",";
    return w;
}

TEST(TxtExportTest, QuotesInsideValuesAreDoubledAndNullsKeepTheirSeparators) {
    TableSource source = people();
    TTXTExport w = csvWriter();
    ASSERT_TRUE(w.Execute(source));
    EXPECT_EQ(w.ExportResult, (QStringList{"Name,Qty,Price", "\"say \"\"hi\"\"\",3,1.5", ",-40,-0.25"}));
}

TEST(TxtExportTest, DecimalCommaLocaleKeepsCommaSeparatedNumbersApart) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TableSource source = people();
    TTXTExport w = csvWriter();
    const bool ok = w.Execute(source);
    QLocale::setDefault(before);
    ASSERT_TRUE(ok);
    EXPECT_EQ(w.ExportResult.value(1), "\"say \"\"hi\"\"\",3,1.5");
}

TEST(TxtExportTest, SeparatorTextsGiveTheirCharacter) {
    struct Case {
        QString text;
        QString separator;
    };
    for (const Case& c : {Case{"#9   (tab)", "\t"}, Case{"#32  (space)", " "}, Case{"#124", "|"},
                          Case{", (comma)", ","}, Case{"; (semicolon)", ";"}, Case{"::", "::"},
                          Case{" | ", " | "}, Case{"semicolon", "s"}, Case{"#x", "#x"},
                          Case{"#letter (x)", "#"}, Case{"#0", "#0"}, Case{"", ""}}) {
        EXPECT_EQ(ExportSeparatorFromText(c.text), c.separator) << c.text.toStdString();
    }
}

TEST(TxtExportTest, MemoLineBreaksBecomeTheMarkerOrStayInsideQuotes) {
    TableSource source = people();
    TTXTExport w = csvWriter();
    w.ExportMemoFields = true;
    ASSERT_TRUE(w.Execute(source));
    // CR LF and a lone CR become the marker; a lone LF stays.
    EXPECT_EQ(w.ExportResult.value(1), "\"say \"\"hi\"\"\",3,1.5,\"a || b || c\nd\"");
    w.ReplaceLineBreaks = false;
    ASSERT_TRUE(w.Execute(source));
    EXPECT_EQ(w.ExportResult.value(1), "\"say \"\"hi\"\"\",3,1.5,\"a\r\nb\rc\nd\"");
}

TEST(TxtExportTest, FixedWidthColumnsPadAndCutValues) {
    TableSource source({{"Code", DataType::Text, 10}, {"N", DataType::Integer}},
                       {{text("abcdefghijKL"), Value::integer(7)}, {text("x"), Value::integer(-12345)}});
    TTXTExport w;
    w.FieldSeparator = "|";
    ASSERT_TRUE(w.Execute(source));
    EXPECT_EQ(w.ExportResult,
              (QStringList{"Code      |N     ", "abcdefgh..|     7", "x         |-12345"}));
}

TEST(TxtExportTest, StructureOnlyWritesTheTitleLine) {
    TableSource source = people();
    TTXTExport w = csvWriter();
    w.ExportFieldName = false;
    w.ExportStructureOnly = true;
    ASSERT_TRUE(w.Execute(source));
    EXPECT_EQ(w.ExportResult, QStringList{"Name,Qty,Price"});
}

TEST(TxtExportTest, AppendingKeepsTheOldLinesAndTheirEncoding) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBFold line\nZo\xC3\xAB\n");
    }
    TableSource source({{"Name", DataType::Text, 10}}, {{text("neu")}});
    TTXTExport w = csvWriter();
    w.ExportFile = path;
    w.AppendToFile = true;
    ASSERT_TRUE(w.Execute(source)) << w.ErrorText().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), QByteArray("\xEF\xBB\xBFold line\r\nZo\xC3\xAB\r\nName\r\n\"neu\"\r\n"));
}

TEST(TxtExportTest, AnAbortedOrFailedExportLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("previous export\r\n");
    }
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 250; ++i) rows.push_back({Value::integer(i)});
    TableSource source({{"N", DataType::Long}}, rows);
    TTXTExport w = csvWriter();
    w.ExportFile = path;
    QList<int> percents;
    w.OnProgressEvent = [&](TProgressStage stage, int percent, const QString& message, bool& abort) {
        if (stage == psRunning) {
            percents << percent;
            EXPECT_EQ(message, "Exporting of data...");
            abort = percent >= 80;
        }
    };
    EXPECT_FALSE(w.Execute(source));
    EXPECT_EQ(percents, (QList<int>{40, 80}));
    EXPECT_EQ(testing_support::qtFileBytes(path), QByteArray("previous export\r\n"));

    // Latin-1 cannot hold the text: a clear message, and the file stays.
    TableSource wide({{"Name", DataType::Text, 10}}, {{text("東京")}});
    TTXTExport latin = csvWriter();
    latin.ExportFile = path;
    latin.Encoding = teLatin1;
    EXPECT_FALSE(latin.Execute(wide));
    EXPECT_TRUE(latin.ErrorText().startsWith("Error: Cannot export data.\nError description:\n"));
    EXPECT_EQ(testing_support::qtFileBytes(path), QByteArray("previous export\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

}  // namespace
