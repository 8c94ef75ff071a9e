// The keywords every SQL memo of the program highlights (the SQL designer's,
// the view text and the view detail): the configured list of reserved words,
// as whole words, in blue.
#pragma once

#include <QStringList>

class TxMemoEx;

// The keyword list, one word an entry, in the configured order.
QStringList sqlKeywords();
// Whole-word highlighting of sqlKeywords() in blue on the memo's own
// background.
void setupSqlHighlighting(TxMemoEx& memo);
// An SQL memo: the fixed-pitch font at 12 pixels, no word wrap, tab
// characters typed into the text, and the highlighting above.
void setupSqlMemo(TxMemoEx& memo);
