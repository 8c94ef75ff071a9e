#include "app/sql_keywords.h"

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
