// tabulon-cli export: CSV as it always was (to standard output or a file),
// stored queries by name, and the writers' formats.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "common/qt_fixture_files.h"
#include "io_test_support.h"

namespace {

struct CliRun {
    int code = -1;
    QByteArray out, err;
};

CliRun cli(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(TABULON_CLI), arguments);
    p.waitForFinished(120000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

TEST(CliExportTest, CsvToAFileIsTheSameBytesAsToStandardOutput) {
    QTemporaryDir dir;
    for (const char* table : {"Table1", "Table2"}) {
        const QString db = testing_support::qtFixture("V2007/testV2007.accdb");
        const CliRun plain = cli({"export", db, table});
        ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
        ASSERT_FALSE(plain.out.isEmpty());
        const QString out = dir.filePath(QString("%1.csv").arg(table));
        const CliRun toFile = cli({"export", db, table, "--format", "csv", "--output", out});
        ASSERT_EQ(toFile.code, 0) << toFile.err.toStdString();
        EXPECT_TRUE(toFile.out.isEmpty());
        EXPECT_EQ(testing_support::qtFileBytes(out), plain.out) << table;
    }
}

TEST(CliExportTest, AStoredQueryExportsLikeItsSelect) {
    const QString db = testing_support::qtFixture("V2007/queryTestV2007.accdb");
    const CliRun byName = cli({"export", db, "SelectQuery"});
    const CliRun bySql = cli({"sql", db, "SELECT * FROM [SelectQuery]"});
    ASSERT_EQ(byName.code, 0) << byName.err.toStdString();
    EXPECT_EQ(byName.out, bySql.out);
}

TEST(CliExportTest, WriterFormatsWriteTheirFilesAndRefuseWhatTheyCannot) {
    QTemporaryDir dir;
    const QString db = testing_support::qtFixture("V2007/testV2007.accdb");
    struct Case {
        QString format;
        QString file;
        QByteArray starts;
    };
    for (const Case& c : {Case{"text", "t.txt", "A;B;C;D;E;F;G;H;I\r\n\"a\";\"b\";0;0;0;0;"},
                          Case{"sylk", "t.slk", "ID;P"}, Case{"xlsx", "t.xlsx", "PK"}}) {
        const QString out = dir.filePath(c.file);
        const CliRun r = cli({"export", db, "Table1", "--format", c.format, "--output", out});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(testing_support::qtFileBytes(out).startsWith(c.starts)) << c.format.toStdString();
    }
    struct Refusal {
        QStringList arguments;
        QByteArray message;
    };
    for (const Refusal& r :
         {Refusal{{"--format", "xlsx", "--output", dir.filePath("old.xls")}, "(.xlsx)"},
          Refusal{{"--format", "xlsx"}, "needs --output"},
          Refusal{{"--format", "dbf", "--output", dir.filePath("x.dbf")}, "unknown export format"}}) {
        const CliRun run = cli(QStringList{"export", db, "Table1"} + r.arguments);
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.err.contains(r.message)) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("old.xls")));
}

}  // namespace
