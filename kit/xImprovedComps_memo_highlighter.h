// The syntax highlighter under TxMemoEx: applies MemoHighlightRules to each
// paragraph of the memo's document as character formats, so the text itself
// never changes and the selection is drawn over the colours as usual.
//
// Each paragraph keeps the region kinds it leaves open, and Qt highlights
// the paragraphs after an edited one again for as long as what they inherit
// changes, so opening or closing a comment recolours the lines below it.
#pragma once

#include <QSyntaxHighlighter>

#include "kit/xImprovedComps_memo_rules.h"

namespace kit {

class MemoHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit MemoHighlighter(QObject* parent);

    // New rules; the whole document is highlighted again.
    void setRules(MemoHighlightRules rules);
    const MemoHighlightRules& rules() const { return rules_; }

protected:
    void highlightBlock(const QString& text) override;

private:
    MemoHighlightRules rules_;
    // Block states for more region kinds than a state's bits can hold.
    int overflowState_ = 0;
};

}  // namespace kit
