#include "io_test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "common/qt_fixture_files.h"
#include "db/connection_string.h"

namespace io_test {

QueryOnFile::QueryOnFile(const QString& file, const QString& table) {
    if (QFileInfo(file).isAbsolute()) {
        path = dir.filePath(QFileInfo(file).fileName());
        if (!QFile::copy(file, path)) ADD_FAILURE() << "cannot copy " << file.toStdString();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    } else {
        path = testing_support::qtCopyFixture(dir, file, QString());
    }
    connection = std::make_unique<TConnectionUDB>();
    connection->setConnectionString(
        db::buildAccessConnectionString(db::providerForFile(path, true), path, QString()));
    query.SetConnection(connection.get());
    query.SetSQL(QStringLiteral("SELECT * FROM [%1]").arg(table));
    query.Open();
}

int runCli(const QStringList& arguments, QByteArray* output) {
    QProcess cli;
    cli.start(QStringLiteral(TABULON_CLI), arguments);
    if (!cli.waitForFinished(120000)) return -1;
    if (output) *output = cli.readAllStandardOutput();
    if (cli.exitCode() != 0) ADD_FAILURE() << cli.readAllStandardError().toStdString();
    return cli.exitCode();
}

QString makeAllKindsDatabase(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("allkinds.accdb"));
    const QString csv = dir.filePath(QStringLiteral("allkinds.csv"));
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << csv.toStdString();
    file.write(QStringLiteral(
                   "ID,Name,Notes,Flag,Tiny,Small,Amount,Ratio,Measure,Stamp,Code\n"
                   "1,\"Zoë Ärger ß — 東京\",\"first line\r\nsecond line\",True,255,-32768,"
                   "922337203685477.5807,1.5,3.141592653589793,1850-03-01,"
                   "{6B29FC40-CA47-1067-B31D-00DD010662DA}\n"
                   "2,\"quote \"\"inside\"\", comma\",\"semi;colon\",False,0,0,-12.3456,,1e-300,"
                   "1900-01-01,\n"
                   "3,\"=1+1\",,,7,12,0.0001,-2.25,-0.5,1899-12-30 08:30:00,\n"
                   "4,,,,,,,,,,\n"
                   "5,plain,\"three\nlines\nhere\",True,1,1,1234567.89,0.1,12345678.125,"
                   "2024-02-29 23:59:59,\n")
                   .toUtf8());
    file.close();
    if (runCli({QStringLiteral("create"), path, QStringLiteral("--version"), QStringLiteral("128")}) != 0)
        return {};
    const QString columns = QStringLiteral(
        "ID Long, Name Text(50), Notes Memo, Flag Boolean, Tiny Byte, Small Integer, "
        "Amount Currency, Ratio Single, Measure Double, Stamp Date, Code GUID");
    if (runCli({QStringLiteral("load"), path, QStringLiteral("AllKinds"), csv,
                QStringLiteral("--columns"), columns}) != 0)
        return {};
    return path;
}

QMap<QString, QString> libreOfficeCsv(const QStringList& files, const QString& outDir,
                                      bool csvImport) {
    QMap<QString, QString> result;
    QDir().mkpath(outDir);
    // A profile of its own, so that no other LibreOffice (or a left-over
    // lock) gets in the way.
    const QString profile = QDir(outDir).filePath(QStringLiteral("lo-profile"));
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + profile,
                          QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,"
                                         "false,false,false"),
                          QStringLiteral("--outdir"), outDir};
    if (csvImport)
        arguments << QStringLiteral("--infilter=Text - txt - csv (StarCalc):44,34,76,1,,0,true,"
                                    "true,false,false,false,,false");
    arguments << files;
    QProcess office;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    office.setProcessEnvironment(environment);
    office.start(QStringLiteral("soffice"), arguments);
    if (!office.waitForFinished(180000)) {
        office.kill();
        ADD_FAILURE() << "LibreOffice did not finish in time";
        return result;
    }
    for (const QString& input : files) {
        QFile out(QDir(outDir).filePath(QFileInfo(input).completeBaseName() + QStringLiteral(".csv")));
        if (out.open(QIODevice::ReadOnly)) result[input] = QString::fromUtf8(out.readAll());
    }
    return result;
}

QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            record << field;
            records << record;
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty() || !record.isEmpty()) {
        record << field;
        records << record;
    }
    return records;
}

}  // namespace io_test
