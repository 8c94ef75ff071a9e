// The history list of TxComboBoxEx and the width of its drop-down, without a
// window. Items are compared without regard to letter case; the list is
// never sorted or shortened.
#pragma once

#include <QString>
#include <QStringList>

namespace kit {

// The text a history operation works on: `text`, or the box's own text when
// `text` is empty, trimmed of blanks.
QString historyText(const QString& text, const QString& boxText);

// Appends `text` (already trimmed) when it is longer than one character and
// not yet an item. Returns whether it was appended.
bool addHistoryItem(QStringList& items, const QString& text);

// Deletes the item equal to `text`, if any. Returns whether one was deleted.
bool removeHistoryItem(QStringList& items, const QString& text);

// Width of the opened list: its widest item (plus a scroll bar when not all
// items fit), at most maxWidth and at least the box's own width.
int dropDownWidth(int widestItem, int scrollBarWidth, int itemCount, int visibleItems, int boxWidth,
                  int maxWidth);

}  // namespace kit
