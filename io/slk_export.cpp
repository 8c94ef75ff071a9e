#include "io/slk_export.h"

#include <algorithm>
#include <memory>

#include "db/query_value.h"
#include "db/value_kind.h"
#include "io/export_columns.h"
#include "io/export_formats.h"
#include "io/txt_export.h"

namespace {

const QString kEscapeBreak = QStringLiteral("\x1b :");
constexpr qsizetype kMaxText = 250;
constexpr qsizetype kCutText = 247;

QString position(int x, int y) {
    return QStringLiteral("C;X%1;Y%2").arg(x).arg(y);
}

QString doubledSemicolons(QString text) {
    return text.replace(u';', QStringLiteral(";;"));
}

}  // namespace

QString slkTextValue(QString text) {
    text.replace(QStringLiteral("\r\n"), kEscapeBreak);
    text.replace(u'\r', kEscapeBreak).replace(u'\n', kEscapeBreak);
    if (text.size() > kMaxText) {
        text.truncate(kCutText);
        // A line-break escape cut in two would show as stray characters.
        if (text.endsWith(QStringLiteral("\x1b "))) text.chop(2);
        else if (text.endsWith(u'\x1b')) text.chop(1);
        text += QStringLiteral("...");
    }
    return u'"' + doubledSemicolons(text) + u'"';
}

void TSLKExport::ExportLine(const QString& line) {
    output_->writeLine(line);
}

// The "K" value of a cell, and in `formatLine` the line that goes before it.
QString TSLKExport::cellValue(const ExportColumn& column, const db::Value& value,
                              QString* formatLine, int x) const {
    const db::ValueKind kind = db::valueKind(value);
    QString text = db::valueToText(value);
    if (TrimData) text = text.trimmed();
    *formatLine = QStringLiteral("C;X%1").arg(x);
    if (kind == db::ValueKind::DateTime) {
        const double days = db::valueToDouble(value);
        if (!spreadsheetCanHoldDate(days)) return slkTextValue(text);
        *formatLine = QStringLiteral("F;P%1;X%2").arg(isTimeOfDay(days) ? 2 : 1).arg(x);
        return plainNumberText(spreadsheetSerialFromAccessDays(days));
    }
    const bool number = kind == db::ValueKind::Integer || kind == db::ValueKind::Float ||
                        kind == db::ValueKind::Currency || kind == db::ValueKind::Decimal;
    if (number && isNumericType(column.type)) {
        if (!db::valueIsExactAsDouble(value)) return slkTextValue(text);
        *formatLine = QStringLiteral("F;P%1;X%2").arg(column.index + 3).arg(x);
        if (kind == db::ValueKind::Integer) return text;
        return plainNumberText(db::valueToDouble(value));
    }
    if (kind == db::ValueKind::Integer) return text;
    return slkTextValue(text);
}

bool TSLKExport::Execute(ExportSource& source) {
    error_.clear();
    if (ExportFile.isEmpty() || !source.usable()) return false;

    ExportProgress progress(OnProgressEvent, source.recordCount());
    progress.start();
    struct EndProgress {
        ExportProgress& p;
        ~EndProgress() { p.end(); }
    } endProgress{progress};

    auto output = std::make_unique<ExportOutput>(ExportFile, Encoding);
    if (!output->open()) {
        error_ = exportErrorText(output->errorString());
        return false;
    }
    output_ = output.get();

    unsigned flags = flScalar | flMemo;
    if (ExportOnlyVisibleFields) flags |= flVisibleOnly;
    std::vector<ExportColumn> columns = exportColumns(source, flags);
    // Picture formats are numbered by the column's place in the export.
    for (size_t i = 0; i < columns.size(); ++i) columns[i].index = static_cast<int>(i);
    const std::vector<ExportColumn> sourceColumns = exportColumns(source, flags);

    const int startRow = std::max(1, StartRow);
    const int startCol = std::max(1, StartCol);
    const bool fonts = SetFontName.compare(QStringLiteral("nil"), Qt::CaseInsensitive) != 0;

    ExportLine(SLKIdHeaderLine.isEmpty() ? QStringLiteral("ID;PSLKExport") : SLKIdHeaderLine);
    const QString numberFormat =
        DefaultNumFormat.isEmpty() ? QStringLiteral("General") : DefaultNumFormat;
    ExportLine(QStringLiteral("P;PGeneral"));
    ExportLine(QStringLiteral("P;P") + (DefaultDateFormat.isEmpty() ? QStringLiteral("d/m/yyyy") : DefaultDateFormat));
    ExportLine(QStringLiteral("P;P") + (DefaultTimeFormat.isEmpty() ? QStringLiteral("h:mm") : DefaultTimeFormat));
    for (const ExportColumn& c : columns)
        ExportLine(QStringLiteral("P;P") + (isNumericType(c.type) ? numberFormat : QStringLiteral("General")));
    if (fonts) {
        const QString font = QStringLiteral("P;F") + SetFontName;
        ExportLine(font);
        ExportLine(font + QStringLiteral(";SB"));
        ExportLine(font + QStringLiteral(";SI"));
        ExportLine(font + QStringLiteral(";SU"));
    }

    int y = startRow;
    if (SetColWidth) {
        ExportLine(QStringLiteral(";"));
        ExportLine(QStringLiteral("; Column Width"));
        for (size_t i = 0; i < columns.size(); ++i) {
            const int x = startCol + int(i);
            const int width = std::clamp(exportDisplayWidth(columns[i]), 5, 50) + 2;
            ExportLine(QStringLiteral("F;W%1 %1 %2").arg(x).arg(width));
        }
    }

    int titleRow = 0;
    if (ExportFieldName || ExportStructureOnly) {
        ExportLine(QStringLiteral(";"));
        ExportLine(QStringLiteral("; Title"));
        ExportLine(position(startCol, y));
        for (size_t i = 0; i < columns.size(); ++i) {
            const QString title = RealFieldNamesAsTitle ? columns[i].fieldName : columns[i].caption;
            ExportLine(QStringLiteral("C;X%1;K").arg(startCol + int(i)) + slkTextValue(title));
        }
        titleRow = y++;
    }

    int firstDataRow = y;
    size_t written = 0;
    if (!ExportStructureOnly) {
        const bool completed = source.scan(UseDisableControl, [&](size_t recIdx) {
            ExportLine(QStringLiteral(";"));
            ExportLine(QStringLiteral("; Row"));
            ExportLine(position(startCol, y));
            for (size_t i = 0; i < columns.size(); ++i) {
                const db::Value& value = source.value(sourceColumns[i].index);
                if (value.isNull()) continue;
                QString formatLine;
                const QString k = cellValue(columns[i], value, &formatLine, startCol + int(i));
                ExportLine(formatLine);
                ExportLine(QStringLiteral("C;K") + k);
            }
            ++y;
            ++written;
            return progress.step(recIdx);
        });
        if (!completed) {
            output_ = nullptr;
            return false;  // cancelled: the temporary file is dropped
        }
    }

    int sumRow = 0;
    if (MakeSumRow && written > 0) {
        ExportLine(QStringLiteral(";"));
        ExportLine(QStringLiteral("; Sum"));
        ExportLine(position(startCol, y));
        bool labelled = false;
        for (size_t i = 0; i < columns.size(); ++i) {
            const int x = startCol + int(i);
            if (isQuotedType(columns[i].type) || !isNumericType(columns[i].type)) {
                if (!labelled && isQuotedType(columns[i].type)) {
                    ExportLine(QStringLiteral("C;X%1;K").arg(x) + slkTextValue(QStringLiteral("Sum:")));
                    labelled = true;
                }
                continue;
            }
            ExportLine(QStringLiteral("C;X%1;ESUM(R%2C:R%3C)").arg(x).arg(firstDataRow).arg(y - 1));
        }
        sumRow = y++;
    }

    if (fonts) {
        ExportLine(QStringLiteral(";"));
        ExportLine(QStringLiteral("; Global Formating"));
        if (titleRow) ExportLine(QStringLiteral("F;R%1;SM1").arg(titleRow));
        if (sumRow) ExportLine(QStringLiteral("F;R%1;SM1").arg(sumRow));
    }
    ExportLine(QStringLiteral("E"));
    output_ = nullptr;
    if (!output->commit()) {
        error_ = exportErrorText(output->errorString());
        return false;
    }
    return true;
}
