#include "io/xlsx_export.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include "db/query_value.h"
#include "db/value_kind.h"
#include "io/export_columns.h"
#include "io/export_formats.h"
#include "io/txt_export.h"

namespace {

constexpr qsizetype kMaxCellText = 32767;

// The formats one column's cells take, by what the cell holds.
struct ColumnFormats {
    lxw_format* plain = nullptr;
    lxw_format* date = nullptr;
    lxw_format* dateTime = nullptr;
    lxw_format* time = nullptr;
};

// One cell of the row buffer.
struct Cell {
    enum Kind { Empty, Number, Boolean, Text, Date, DateTime, Time } kind = Empty;
    double number = 0;
    QByteArray text;  // UTF-8
};

bool isWorkbookExtension(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0;
}

QString lxwMessage(lxw_error error) {
    return QString::fromUtf8(lxw_strerror(error));
}

}  // namespace

bool TxXLSExport::ExportDBTable(ExportSource& source) {
    error_.clear();
    if (!source.usable()) return false;
    if (ExportFile.isEmpty()) {
        error_ = exportErrorText(QStringLiteral("No workbook file was given."));
        return false;
    }
    if (!isWorkbookExtension(ExportFile)) {
        error_ = exportErrorText(
            QStringLiteral("Only Excel workbooks (.xlsx) are written; \"%1\" asks for another "
                           "format (the binary .xls format is not written).")
                .arg(QFileInfo(ExportFile).fileName()));
        return false;
    }
    if ((has(xleAddToExistingRows) || has(xleAddAsNewSheet)) && QFileInfo::exists(ExportFile)) {
        error_ = exportErrorText(
            QStringLiteral("Data cannot be added to the existing workbook \"%1\"; export into a "
                           "new file.")
                .arg(QFileInfo(ExportFile).fileName()));
        return false;
    }

    ExportProgress progress(OnProgressEvent, source.recordCount());
    progress.start();
    struct EndProgress {
        ExportProgress& p;
        ~EndProgress() { p.end(); }
    } endProgress{progress};

    // The workbook goes to a temporary name beside the target, so the rename
    // that puts it in place stays on one file system.
    const QString folder = QFileInfo(ExportFile).absolutePath();
    QTemporaryFile temporary(QDir(folder).filePath(QFileInfo(ExportFile).fileName() +
                                                   QStringLiteral(".XXXXXX.tmp")));
    if (!temporary.open()) {
        error_ = exportErrorText(temporary.errorString());
        return false;
    }
    const QByteArray temporaryName = QFile::encodeName(temporary.fileName());
    temporary.close();
    const QByteArray tmpdir = QFile::encodeName(folder);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    lxw_workbook* workbook = workbook_new_opt(temporaryName.constData(), &options);
    if (!workbook) {
        error_ = exportErrorText(QStringLiteral("Cannot create the workbook."));
        return false;
    }
    bool closed = false;
    struct CloseWorkbook {
        lxw_workbook* w;
        bool& closed;
        ~CloseWorkbook() {
            if (!closed) workbook_close(w);
        }
    } closeWorkbook{workbook, closed};

    const QByteArray sheetName =
        (SheetName.isEmpty() ? QStringLiteral("Sheet1") : SheetName).toUtf8();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, sheetName.constData());
    if (!sheet) {
        error_ = exportErrorText(QStringLiteral("The sheet name \"%1\" is not allowed.").arg(SheetName));
        return false;
    }

    unsigned flags = flScalar | flMemo;
    if (has(xleOnlyVisibleFields)) flags |= flVisibleOnly;
    const std::vector<ExportColumn> columns = exportColumns(source, flags);
    const int colCount = static_cast<int>(columns.size());

    // Formats of the block: font, borders, vertical alignment, and per
    // column the number formats (built from what the column holds).
    const QByteArray fontName = SetFontName.toUtf8();
    auto newFormat = [&](bool wrap) {
        lxw_format* f = workbook_add_format(workbook);
        if (has(xleSetCellFormat)) {
            if (!fontName.isEmpty()) format_set_font_name(f, fontName.constData());
            if (SetFontSize > 0) format_set_font_size(f, SetFontSize);
        }
        if (has(xleSetCellBorders)) format_set_border(f, LXW_BORDER_THIN);
        if (wrap) format_set_text_wrap(f);
        switch (VerticalAlignment) {
            case vaTop: format_set_align(f, LXW_ALIGN_VERTICAL_TOP); break;
            case vaCenter: format_set_align(f, LXW_ALIGN_VERTICAL_CENTER); break;
            case vaBottom: format_set_align(f, LXW_ALIGN_VERTICAL_BOTTOM); break;
            case vaNone: break;
        }
        return f;
    };
    auto withNumberFormat = [&](bool wrap, const QString& code) {
        lxw_format* f = newFormat(wrap);
        if (!code.isEmpty()) format_set_num_format(f, code.toUtf8().constData());
        return f;
    };
    const QString dateCode = DefaultDateFormat.isEmpty()
                                 ? shortDateFormatCode(QLocale())
                                 : dateFormatCodeFromDisplayFormat(DefaultDateFormat);
    const QString timeCode = DefaultTimeFormat.isEmpty()
                                 ? QStringLiteral("hh:mm:ss")
                                 : dateFormatCodeFromDisplayFormat(DefaultTimeFormat);
    std::vector<ColumnFormats> formats(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const ExportColumn& c = columns[i];
        const bool wrap = has(xleWrapMemoField) && isMemoType(c.type);
        QString numberCode;
        if (has(xleSetCellFormat) && !DefaultNumFormat.isEmpty() &&
            (c.type == db::DataType::Single || c.type == db::DataType::Double))
            numberCode = DefaultNumFormat;
        formats[i].plain = withNumberFormat(wrap, numberCode);
        if (isDateType(c.type)) {
            // Dates need a format to be seen as dates at all, whatever
            // xleSetCellFormat says.
            formats[i].date = withNumberFormat(wrap, dateCode);
            formats[i].dateTime = withNumberFormat(wrap, dateCode + u' ' + timeCode);
            formats[i].time = withNumberFormat(wrap, timeCode);
        }
    }
    lxw_format* titleFormat = newFormat(false);
    lxw_format* sumFormat = newFormat(false);
    if (has(xleBoldTitles)) {
        format_set_bold(titleFormat);
        format_set_bold(sumFormat);
    }

    const lxw_col_t startCol = static_cast<lxw_col_t>(std::max(1, StartCol) - 1);
    lxw_row_t row = static_cast<lxw_row_t>(std::max(1, StartRow) - 1);
    const lxw_row_t firstRow = row;
    std::vector<int> widths(columns.size(), 0);
    auto measure = [&](size_t i, qsizetype length) {
        widths[i] = std::max(widths[i], static_cast<int>(std::min<qsizetype>(length, 1000)));
    };
    lxw_error failure = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        if (e != LXW_NO_ERROR && failure == LXW_NO_ERROR) failure = e;
    };

    bool titles = has(xleExportTitles) || ExportStructureOnly;
    if (titles) {
        for (int i = 0; i < colCount; ++i) {
            const QString title = has(xleRealFieldNamesAsTitle) ? columns[i].fieldName
                                                                : columns[i].caption;
            check(worksheet_write_string(sheet, row, startCol + i, title.toUtf8().constData(),
                                         titleFormat));
            measure(size_t(i), title.size());
        }
        ++row;
    }
    const lxw_row_t firstDataRow = row;

    std::vector<Cell> buffer(columns.size());
    size_t exported = 0;
    if (!ExportStructureOnly) {
        const bool completed = source.scan(UseDisableControl, [&](size_t recIdx) {
            int lines = 1;
            for (size_t i = 0; i < columns.size(); ++i) {
                const ExportColumn& c = columns[i];
                const db::Value& value = source.value(c.index);
                Cell& cell = buffer[i];
                cell = Cell{};
                const db::ValueKind kind = db::valueKind(value);
                if (kind == db::ValueKind::Null) continue;
                if (kind == db::ValueKind::DateTime) {
                    const double days = db::valueToDouble(value);
                    if (spreadsheetCanHoldDate(days)) {
                        cell.number = spreadsheetSerialFromAccessDays(days);
                        const bool hasTime = days != std::floor(days);
                        cell.kind = isTimeOfDay(days) ? Cell::Time
                                    : hasTime         ? Cell::DateTime
                                                      : Cell::Date;
                        measure(i, cell.kind == Cell::Time       ? timeCode.size()
                                   : cell.kind == Cell::DateTime ? dateCode.size() + 9
                                                                 : dateCode.size() + 1);
                        continue;
                    }
                } else if (kind == db::ValueKind::Boolean) {
                    cell.kind = Cell::Boolean;
                    cell.number = value.as<bool>() ? 1 : 0;
                    measure(i, 5);
                    continue;
                } else if ((kind == db::ValueKind::Integer || kind == db::ValueKind::Float ||
                            kind == db::ValueKind::Currency || kind == db::ValueKind::Decimal) &&
                           db::valueIsExactAsDouble(value)) {
                    cell.kind = Cell::Number;
                    cell.number = db::valueToDouble(value);
                    measure(i, plainNumberText(cell.number).size());
                    continue;
                }
                QString text = db::valueToText(value);
                if (has(xleTrimData)) text = text.trimmed();
                if (text.size() > kMaxCellText) text.truncate(kMaxCellText);
                cell.kind = Cell::Text;
                cell.text = text.toUtf8();
                lines = std::max(lines, int(text.count(u'\n')) + 1);
                qsizetype longest = 0;
                for (const auto& part : QStringView(text).split(u'\n'))
                    longest = std::max(longest, part.size());
                measure(i, longest);
            }
            if (has(xleSetRowHeight) && lines > 1) {
                // Wrapped lines make a row taller, up to MaxRowHeight points.
                double height = 15.0 * lines;
                if (MaxRowHeight > 0) height = std::min<double>(height, MaxRowHeight);
                check(worksheet_set_row(sheet, row, height, nullptr));
            }
            for (size_t i = 0; i < columns.size(); ++i) {
                const Cell& cell = buffer[i];
                const lxw_col_t col = startCol + lxw_col_t(i);
                const ColumnFormats& f = formats[i];
                switch (cell.kind) {
                    case Cell::Empty:
                        if (has(xleSetCellBorders)) check(worksheet_write_blank(sheet, row, col, f.plain));
                        break;
                    case Cell::Number: check(worksheet_write_number(sheet, row, col, cell.number, f.plain)); break;
                    case Cell::Boolean: check(worksheet_write_boolean(sheet, row, col, int(cell.number), f.plain)); break;
                    case Cell::Text: check(worksheet_write_string(sheet, row, col, cell.text.constData(), f.plain)); break;
                    case Cell::Date: check(worksheet_write_number(sheet, row, col, cell.number, f.date)); break;
                    case Cell::DateTime: check(worksheet_write_number(sheet, row, col, cell.number, f.dateTime)); break;
                    case Cell::Time: check(worksheet_write_number(sheet, row, col, cell.number, f.time)); break;
                }
            }
            ++row;
            ++exported;
            return failure == LXW_NO_ERROR && progress.step(recIdx);
        });
        if (failure != LXW_NO_ERROR) {
            error_ = exportErrorText(lxwMessage(failure));
            return false;
        }
        if (!completed) return false;  // cancelled: the temporary file goes away
    }
    const lxw_row_t lastDataRow = row > firstDataRow ? row - 1 : firstDataRow;

    if (has(xleAddSumRow) && exported > 0 && !ExportStructureOnly) {
        bool labelled = false;
        for (int i = 0; i < colCount; ++i) {
            const ExportColumn& c = columns[i];
            if (!isNumericType(c.type)) {
                if (!labelled && isQuotedType(c.type)) {
                    check(worksheet_write_string(sheet, row, startCol + i, "Sum:", sumFormat));
                    labelled = true;
                }
                continue;
            }
            char first[16], last[16];
            lxw_rowcol_to_cell(first, firstDataRow, startCol + i);
            lxw_rowcol_to_cell(last, lastDataRow, startCol + i);
            const QByteArray formula = QByteArray("=SUM(") + first + ':' + last + ')';
            check(worksheet_write_formula(sheet, row, startCol + i, formula.constData(), sumFormat));
        }
        ++row;
    }

    if (has(xleSetColumnWidth)) {
        for (int i = 0; i < colCount; ++i) {
            double width = widths[size_t(i)] + 2;
            if (MaxColWidth > 0) width = std::min<double>(width, MaxColWidth);
            check(worksheet_set_column(sheet, startCol + i, startCol + i, width, nullptr));
        }
    }
    if (has(xleSetPageSetup)) {
        if (WindowZoom > 0) worksheet_set_zoom(sheet, uint16_t(std::clamp(WindowZoom, 10, 400)));
        if (PageZoom > 0) worksheet_set_print_scale(sheet, uint16_t(std::clamp(PageZoom, 10, 400)));
    }
    if (titles && has(xleFreezeTitles)) worksheet_freeze_panes(sheet, firstRow + 1, 0);
    if (has(xleSetAutoFilter) && colCount > 0)
        check(worksheet_autofilter(sheet, firstRow, startCol, std::max(lastDataRow, firstRow),
                                   startCol + colCount - 1));
    if (failure != LXW_NO_ERROR) {
        error_ = exportErrorText(lxwMessage(failure));
        return false;
    }

    closed = true;
    const lxw_error closing = workbook_close(workbook);
    if (closing != LXW_NO_ERROR) {
        std::remove(temporaryName.constData());
        error_ = exportErrorText(lxwMessage(closing));
        return false;
    }
    // The temporary file was made private; the workbook gets the
    // permissions of the file it replaces, or those of a new file.
    struct stat old {};
    const QByteArray target = QFile::encodeName(ExportFile);
    mode_t mode = 0;
    if (::stat(target.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(temporaryName.constData(), mode);
    std::error_code renameError;
    std::filesystem::rename(temporaryName.toStdString(), QFile::encodeName(ExportFile).toStdString(),
                            renameError);
    if (renameError) {
        std::remove(temporaryName.constData());
        error_ = exportErrorText(QString::fromStdString(renameError.message()));
        return false;
    }
    return true;
}
