// Spreadsheet values and number formats of the export writers.
//
// Spreadsheet files keep number formats in one fixed syntax (the English
// one: "," groups thousands, "." marks decimals, d/m/y/h/m/s codes); the
// program that opens the file shows them in its user's locale. So formats
// are built here from what they mean, never by replacing characters of a
// localised text.
#pragma once

#include <QLocale>
#include <QString>

// Serial days of a spreadsheet in the 1900 date system for an Access day
// count (days since 1899-12-30). The two differ only before 1 March 1900:
// spreadsheets count a 29 February 1900 that never was, so their serial 1 is
// 1 January 1900 where Access counts 2. Times of day (values in [0, 1))
// stay as they are.
double spreadsheetSerialFromAccessDays(double days);
// Whether a spreadsheet can hold the day count as a date or time: a time of
// day in [0, 1), or a day from 1 January 1900 on. Anything earlier is
// written as its text.
bool spreadsheetCanHoldDate(double days);
// A day count with no date part (a time of day only).
inline bool isTimeOfDay(double days) {
    return days >= 0.0 && days < 1.0;
}

// A number format from its meaning: digit grouping and decimal places.
QString numberFormatCode(bool grouping, int decimals);

// The short date format of `locale` as a spreadsheet format: the locale's
// order of day, month and year, its separator, leading zeros and year digits.
QString shortDateFormatCode(const QLocale& locale);

// A display format in Access's syntax ("dd/mm/yyyy hh:nn", "h:nn AM/PM",
// "mmm d, yyyy") as a spreadsheet date format: "n" minutes become "m",
// AM/PM and A/P markers, quoted literals and every other character are
// kept as they are.
QString dateFormatCodeFromDisplayFormat(const QString& displayFormat);

// The shortest text of a number that reads back as the same double, with
// "." as the decimal separator whatever the locale.
QString plainNumberText(double value);
