// The date keys of a date column's cell editor. The editor holds the value
// as "yyyy-mm-dd" (with the time of day after it when there is one); a key
// gives the editor's new text, always a whole date:
//   "*", ";", "T", "t"       today
//   "S", "s" / "E", "e"      first / last day of the month of the cell's
//                            date (of today's month when the cell is empty)
//   Ctrl+Up / Ctrl+Down      one day later / earlier
//   Ctrl+Shift+Up / Down     one month later / earlier
// A day or month step on an empty cell, and any other key, give nothing:
// the key then goes on as usual.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

std::optional<QString> DateKeyText(const QString& editorText, int key,
                                   Qt::KeyboardModifiers modifiers, const QString& keyText,
                                   const QDate& today);
