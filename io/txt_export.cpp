#include "io/txt_export.h"

#include <QFileInfo>
#include <memory>

#include "db/query_value.h"
#include "io/export_columns.h"

QString exportErrorText(const QString& detail) {
    return QStringLiteral("Error: Cannot export data.") + u'\n' +
           QStringLiteral("Error description:") + u'\n' + detail;
}

QString TTXTExport::prepare(QString value) const {
    if (TrimData) value = value.trimmed();
    if (ExportMemoFields && ReplaceLineBreaks && value.contains(u'\r')) {
        value.replace(QStringLiteral("\r\n"), MemoEOLString);
        value.replace(u'\r', MemoEOLString);
    }
    return value;
}

QString TTXTExport::quote(const QString& value) const {
    if (TextApostrophe.isEmpty()) return value;
    // A quote inside the value is doubled, or the reader would end the
    // value there.
    if (!value.contains(TextApostrophe)) return TextApostrophe + value + TextApostrophe;
    QString inner = value;
    inner.replace(TextApostrophe, TextApostrophe + TextApostrophe);
    return TextApostrophe + inner + TextApostrophe;
}

QString TTXTExport::align(const QString& value, int width, int alignment) const {
    if (FillChar.isNull() || width <= 0) return value;
    if (value.size() > width) return value.left(std::max(0, width - 2)) + QStringLiteral("..");
    const auto how = static_cast<ExportAlignment>(alignment);
    if (how == ExportAlignment::Right) return value.rightJustified(width, FillChar);
    if (how == ExportAlignment::Center) {
        const int left = int(value.size()) + (width - int(value.size())) / 2;
        return value.rightJustified(left, FillChar).leftJustified(width, FillChar);
    }
    return value.leftJustified(width, FillChar);
}

void TTXTExport::ExportLine(const QString& line) {
    if (output_) output_->writeLine(line);
    else ExportResult << line;
}

bool TTXTExport::Execute(ExportSource& source) {
    error_.clear();
    ExportResult.clear();
    if (!source.usable()) return false;

    ExportProgress progress(OnProgressEvent, source.recordCount());
    progress.start();
    struct EndProgress {
        ExportProgress& p;
        ~EndProgress() { p.end(); }
    } endProgress{progress};

    std::unique_ptr<ExportOutput> output;
    if (!ExportFile.isEmpty()) {
        QStringList oldLines;
        TTextEncoding encoding = Encoding;
        if (AppendToFile && QFileInfo::exists(ExportFile)) {
            QFile head(ExportFile);
            if (head.open(QIODevice::ReadOnly)) encoding = encodingOfMark(head.read(4), Encoding);
            bool ok = false;
            oldLines = readTextLines(ExportFile, Encoding, &ok);
            if (!ok) {
                error_ = exportErrorText(QStringLiteral("Cannot read file \"%1\".").arg(ExportFile));
                return false;
            }
        }
        output = std::make_unique<ExportOutput>(ExportFile, encoding);
        if (!output->open()) {
            error_ = exportErrorText(output->errorString());
            return false;
        }
        for (const QString& line : oldLines) output->writeLine(line);
    }
    output_ = output.get();
    struct ResetOutput {
        ExportOutput*& o;
        ~ResetOutput() { o = nullptr; }
    } resetOutput{output_};

    unsigned flags = flScalar | (ExportMemoFields ? flMemo : 0u);
    if (ExportOnlyVisibleFields) flags |= flVisibleOnly;
    const std::vector<ExportColumn> columns = exportColumns(source, flags);

    auto join = [&](QString& line, const QString& value, bool first) {
        if (!first) line += FieldSeparator;
        line += value;
    };

    if (ExportFieldName || ExportStructureOnly) {
        QString line;
        for (size_t i = 0; i < columns.size(); ++i) {
            const ExportColumn& c = columns[i];
            QString title = prepare(RealFieldNamesAsTitle ? c.fieldName : c.caption);
            // A title holding the separator, the quote or a line break would
            // split the title line; such a title is quoted like a value.
            if (!TextApostrophe.isEmpty() &&
                (title.contains(FieldSeparator) || title.contains(TextApostrophe) ||
                 title.contains(u'\n') || title.contains(u'\r')))
                title = quote(title);
            join(line, align(title, exportDisplayWidth(c), int(ExportAlignment::Left)), i == 0);
        }
        ExportLine(line);
    }

    if (!ExportStructureOnly) {
        QString line;
        const bool completed = source.scan(UseDisableControl, [&](size_t recIdx) {
            line.resize(0);  // keeps its capacity for the next record
            for (size_t i = 0; i < columns.size(); ++i) {
                const ExportColumn& c = columns[i];
                const db::Value& value = source.value(c.index);
                QString text = prepare(db::valueToText(value));
                if (!value.isNull() && (ExportAllAsText || isQuotedType(c.type))) text = quote(text);
                join(line, align(text, exportDisplayWidth(c), int(exportAlignment(c))), i == 0);
            }
            ExportLine(line);
            return progress.step(recIdx);
        });
        if (!completed) return false;  // the walk was cancelled: nothing is saved
    }

    if (output && !output->commit()) {
        error_ = exportErrorText(output->errorString());
        return false;
    }
    return true;
}
