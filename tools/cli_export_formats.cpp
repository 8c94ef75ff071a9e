#include "tools/cli_export_formats.h"

#include <iostream>

#include "db/connection_string.h"
#include "db/xDBComponents_UDB_query.h"
#include "io/export_source_dataset.h"
#include "io/slk_export.h"
#include "io/text_separator.h"
#include "io/txt_export.h"
#include "io/xlsx_export.h"

namespace tools {

bool isWriterFormat(const std::string& format) {
    return format == "text" || format == "sylk" || format == "xlsx";
}

int exportWithWriter(const std::string& file, const std::string& password, const std::string& name,
                     const std::string& format, const std::string& output) {
    const QString path = QString::fromStdString(file);
    TConnectionUDB connection;
    connection.setConnectionString(db::buildAccessConnectionString(
        db::providerForFile(path, true), path, QString::fromStdString(password)));
    TQueryUDB query;
    query.SetConnection(&connection);
    QString quoted = QString::fromStdString(name);
    quoted.replace(u']', QStringLiteral("]]"));
    query.SetSQL(QStringLiteral("SELECT * FROM [%1]").arg(quoted));
    query.Open();
    DatasetExportSource source(query);

    const QString target = QString::fromStdString(output);
    bool ok = false;
    QString error;
    // The export dialog's first settings, and no file opened afterwards.
    if (format == "text") {
        TTXTExport writer;
        writer.ExportFile = target;
        writer.TextApostrophe = QStringLiteral("\"");
        writer.FillChar = QChar(0);
        writer.FieldSeparator = ExportSeparatorFromText(QStringLiteral("; (semicolon)"));
        writer.ActionAfter = aaNone;
        ok = writer.Execute(source);
        error = writer.ErrorText();
    } else if (format == "sylk") {
        TSLKExport writer;
        writer.ExportFile = target;
        writer.ActionAfter = aaNone;
        ok = writer.Execute(source);
        error = writer.ErrorText();
    } else {
        TxXLSExport writer;
        writer.ExportFile = target;
        writer.Options &= ~unsigned(xleAddSumRow);
        writer.ActionAfter = aaNone;
        ok = writer.ExportDBTable(source);
        error = writer.ErrorText();
    }
    if (!ok) {
        std::cerr << (error.isEmpty() ? std::string("export failed") : error.toStdString()) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tools
