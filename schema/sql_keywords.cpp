#include "schema/sql_keywords.h"

#include <QFontDatabase>

#include "config/KelmCompGlobalCfg.h"
#include "kit/xImprovedComps.h"

QStringList sqlKeywords() {
    return kelmCompConfig().xDBToolCfg.SQLScript_ReservedKeywords.split(u',', Qt::SkipEmptyParts);
}

void setupSqlHighlighting(TxMemoEx& memo) {
    QStringList entries;
    // "-" for the background: the keyword is painted on the memo's own.
    for (const QString& word : sqlKeywords()) entries << word + QStringLiteral("\tBlue\t-");
    memo.setHighlightWholeWords(true);
    memo.setHighlightWords(entries);
}

void setupSqlMemo(TxMemoEx& memo) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    memo.setFont(fixed);
    memo.setLineWrapMode(QPlainTextEdit::NoWrap);
    memo.setTabChangesFocus(false);
    setupSqlHighlighting(memo);
}
