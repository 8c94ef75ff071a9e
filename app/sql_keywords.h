// The SQL memos of the main window (the view text and the view detail)
// highlight the same keywords as the SQL designer: the configured list of
// reserved words, as whole words, in blue.
#pragma once

#include <QStringList>

class TxMemoEx;

// The keyword list, one word an entry, in the configured order.
QStringList sqlKeywords();
// Whole-word highlighting of sqlKeywords() in blue on the memo's own
// background.
void setupSqlHighlighting(TxMemoEx& memo);
