// Reading and writing the typed values of the editable string grid's cells.
// Cells always hold text; these routines convert it with a number or date
// format in the grid's notation, or with the user's settings (the default
// QLocale) when no format is given, and tell whether a text is valid for a
// column. Nothing here touches a widget.
//
// Date formats use the notation the program stores: d, dd (day), m, mm, mmm,
// mmmm (month; m and mm right after an hour mean minutes), yy, yyyy (year),
// h, hh (hour), n, nn (minute), s, ss (second), ampm or am/pm (12-hour
// clock), "..." or '...' literal text; other characters are separators.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>
#include <stdexcept>

#include "kit/xStringGridEd_column.h"

// A cell text that cannot be read as the value asked for. The message names
// the text ("'12x' is not a valid integer value").
class TxConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace kit {

// The integer of a text (blanks around it ignored); nothing when it is none.
std::optional<long long> parseGridInteger(const QString& text);

// The number of a text, read with the locale's decimal separator after its
// group separator and all blanks are removed; nothing when it is none.
std::optional<double> parseGridNumber(const QString& text, const QLocale& locale = QLocale());

// A number in `format` (the numeric edit's notation, "#,##0.00"), or with up
// to 15 significant digits and no grouping when the format is empty.
QString formatGridNumber(double value, const QString& format, const QLocale& locale = QLocale());

// A date/time text read with `format`, or leniently without one: ISO
// (2024-03-01, 2024-03-01T14:30), day, month and year in the locale's order
// with any of "./-" or blanks between them (two numbers: this year), a
// two-digit year meaning 19xx from 50 on and 20xx below, then an optional
// time h:nn[:ss] with am/pm. A time type (sgdTime) reads a time alone and
// gives it on 1899-12-30, the zero date of Access. Nothing when unreadable.
std::optional<QDateTime> parseGridDateTime(const QString& text, const QString& format,
                                           TxStringGridEdDataType type,
                                           const QLocale& locale = QLocale());

// A date/time written with `format`, or without one: the time alone for
// sgdTime, date and time when the value has a time of day, else the date
// alone. The default date is the locale's short date with a four-digit year
// (so a value read back keeps its century), the default time hh:nn:ss.
QString formatGridDateTime(const QDateTime& value, const QString& format,
                           TxStringGridEdDataType type, const QLocale& locale = QLocale());

// The Qt pattern of a format in the grid's notation (for QDateTime::toString).
QString qtDateTimePattern(const QString& format);

// What a cell text is worth for a column of `type` with these limits.
// Empty (blank) text is sdsEmpty; an unreadable one sdsInvalid; a readable
// number outside [minValue, maxValue] sdsOutOfLimit when either limit is not 0.
TxStringGridEdDataState validateCellText(const QString& text, TxStringGridEdDataType type,
                                         const QString& format, double minValue, double maxValue,
                                         const QLocale& locale = QLocale());

// The text a cell's value takes when the cell is finished: numbers and
// dates rewritten in the format (a date keeps its date part, a time its
// time part); other types, and values that cannot be read, unchanged.
QString normalizedCellText(const QString& text, TxStringGridEdDataType type, const QString& format,
                           const QLocale& locale = QLocale());

// The text typed keys put into a date cell: "*", "T" or "t" today (now for
// sgdDateTime), "E"/"e" the last day of the current month, "S"/"s" its first
// day. Nothing for other keys or types.
std::optional<QString> dateShortcutText(QChar key, TxStringGridEdDataType type,
                                        const QString& format, const QDateTime& now,
                                        const QLocale& locale = QLocale());

}  // namespace kit
