// Exported files read back by LibreOffice: every cell of a text (CSV), SYLK
// and Excel workbook export of real tables holds the engine's value.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>

#include "db/query_value.h"
#include "db/value_kind.h"
#include "io/export_source_dataset.h"
#include "io/slk_export.h"
#include "io/txt_export.h"
#include "io/xlsx_export.h"
#include "io_test_support.h"

namespace {

using io_test::QueryOnFile;

// A date or time as LibreOffice writes it raw ("12/31/1999 23:59:58",
// "08:30:00") or as the engine's text gives it ("1999-12-31 23:59:58").
QDateTime readDateTime(const QString& text) {
    for (const char* form : {"MM/dd/yyyy HH:mm:ss", "MM/dd/yyyy", "yyyy-MM-dd HH:mm:ss",
                             "yyyy-MM-dd"}) {
        QDateTime dt = QDateTime::fromString(text, QString::fromLatin1(form));
        if (dt.isValid()) return QDateTime(dt.date(), dt.time(), QTimeZone::utc());
    }
    QTime t = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
    if (!t.isValid()) t = QTime::fromString(text, QStringLiteral("hh:mm:ss AP"));
    if (t.isValid()) return QDateTime(QDate(1899, 12, 30), t, QTimeZone::utc());
    return {};
}

struct Reading {
    qsizetype cutAt = 0;          // texts longer than this are cut (0: never)
    bool numbersParsed = false;   // the reader parses number texts into doubles
    bool serialDays = false;      // dates travel as serial days
};

// Why `cell` does not show `value`; empty when it does.
QString mismatch(const db::Value& value, const QString& cell, const Reading& reading) {
    const qsizetype cutAt = reading.cutAt;
    const db::ValueKind kind = db::valueKind(value);
    const QString text = db::valueToText(value);
    auto differs = [&] { return QStringLiteral("'%1' read back as '%2'").arg(text, cell); };
    switch (kind) {
        case db::ValueKind::Null:
            return cell.isEmpty() ? QString() : differs();
        case db::ValueKind::Boolean:
            return cell.compare(text, Qt::CaseInsensitive) == 0 ? QString() : differs();
        case db::ValueKind::DateTime: {
            const QDateTime expected = db::valueToVariant(value).toDateTime();
            QDateTime got = readDateTime(cell);
            // The files count days as Excel does, with its 29 February 1900;
            // LibreOffice does not count that day, so it shows January and
            // February 1900 one day early.
            if (reading.serialDays && got.isValid() && got.date() >= QDate(1899, 12, 31) &&
                got.date() < QDate(1900, 2, 28))
                got = got.addDays(1);
            return got == expected ? QString() : differs();
        }
        case db::ValueKind::Integer:
        case db::ValueKind::Float:
        case db::ValueKind::Currency:
        case db::ValueKind::Decimal: {
            if (!db::valueIsExactAsDouble(value) && !reading.numbersParsed)
                return cell == text ? QString() : differs();
            bool ok = false;
            const double got = cell.toDouble(&ok);
            const double want = db::valueToDouble(value);
            const bool close = ok && std::fabs(got - want) <= 1e-14 * std::max(1.0, std::fabs(want));
            // A single shows its float digits as a double.
            const bool asFloat = ok && kind == db::ValueKind::Float &&
                                 static_cast<float>(got) == static_cast<float>(want);
            return close || asFloat ? QString() : differs();
        }
        default: {
            QString expected = text;
            if (cutAt > 0 && expected.size() > cutAt) expected = expected.left(cutAt - 3) + "...";
            QString got = cell;
            // CSV lines end with CR LF; LibreOffice hands line breaks inside
            // a cell back as LF.
            expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
            return got == expected ? QString() : differs();
        }
    }
}

struct Table {
    QString file;
    QString name;
};

// Real tables (every scalar column type among them, decimals, old dates)
// and the engine-made one with the cases the fixtures lack.
const QList<Table> kTables{{"V2007/testV2007.accdb", "Table1"},
                           {"V2007/fixedNumericTestV2007.accdb", "test"},
                           {"V2007/oldDatesV2007.accdb", "Table1"},
                           {"V2000/testV2000.mdb", "Table1"},
                           {"", "AllKinds"}};

TEST(ExportReadbackTest, LibreOfficeReadsEveryCellAsTheEngineHoldsIt) {
    QTemporaryDir work;
    const QString allKinds = io_test::makeAllKindsDatabase(work);
    ASSERT_FALSE(allKinds.isEmpty());

    struct Export {
        QString path;
        int table;
        Reading reading;
        bool csv;
    };
    QList<Export> exports;
    std::vector<std::unique_ptr<QueryOnFile>> queries;
    for (int t = 0; t < kTables.size(); ++t) {
        const QString file = kTables[t].file.isEmpty() ? allKinds : kTables[t].file;
        queries.push_back(std::make_unique<QueryOnFile>(file, kTables[t].name));
        DatasetExportSource source(queries.back()->query);
        const QString base = work.filePath(QStringLiteral("t%1").arg(t));

        TTXTExport text;
        text.ExportFile = base + "_text.csv";
        text.TextApostrophe = "\"";
        text.FillChar = QChar(0);
        text.FieldSeparator = ",";
        text.ExportMemoFields = true;
        text.ReplaceLineBreaks = false;
        text.Encoding = teUtf8Bom;
        ASSERT_TRUE(text.Execute(source)) << text.ErrorText().toStdString();
        exports.append({text.ExportFile, t, Reading{0, true, false}, true});

        TSLKExport sylk;
        sylk.ExportFile = base + "_sylk.slk";
        ASSERT_TRUE(sylk.Execute(source)) << sylk.ErrorText().toStdString();
        exports.append({sylk.ExportFile, t, Reading{250, false, true}, false});

        TxXLSExport excel;
        excel.ExportFile = base + "_excel.xlsx";
        excel.Options &= ~unsigned(xleAddSumRow);
        ASSERT_TRUE(excel.ExportDBTable(source)) << excel.ErrorText().toStdString();
        exports.append({excel.ExportFile, t, Reading{0, false, true}, false});
    }

    QStringList textFiles, sheetFiles;
    for (const Export& e : exports) (e.csv ? textFiles : sheetFiles) << e.path;
    QMap<QString, QString> csv = io_test::libreOfficeCsv(sheetFiles, work.filePath("out"));
    csv.insert(io_test::libreOfficeCsv(textFiles, work.filePath("out-text"), true));

    for (const Export& e : exports) {
        SCOPED_TRACE(e.path.toStdString());
        ASSERT_TRUE(csv.contains(e.path)) << "LibreOffice did not convert it";
        const QList<QStringList> records = io_test::parseCsv(csv[e.path]);
        TQueryUDB& query = queries[size_t(e.table)]->query;
        ASSERT_EQ(records.size(), qsizetype(query.RecordCount()) + 1);
        QStringList titles;
        for (size_t f = 0; f < query.FieldCount(); ++f) titles << query.Fields(f).FieldName();
        EXPECT_EQ(records[0].mid(0, titles.size()), titles);
        qsizetype row = 1;
        query.ScanRecords([&] {
            const QStringList& cells = records[row];
            for (size_t f = 0; f < query.FieldCount(); ++f) {
                const QString cell = qsizetype(f) < cells.size() ? cells[qsizetype(f)] : QString();
                const QString why = mismatch(query.Fields(f).Value(), cell, e.reading);
                EXPECT_TRUE(why.isEmpty()) << "row " << row << " " << titles[qsizetype(f)].toStdString()
                                           << ": " << why.toStdString();
            }
            ++row;
        });
    }
}

}  // namespace
