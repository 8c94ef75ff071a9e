#include "kit/xImprovedComps_memo_highlighter.h"

#include <QTextBlock>
#include <QTextBlockUserData>

namespace kit {
namespace {

// The region kinds a paragraph leaves open, read by the paragraph below.
struct OpenRegions final : QTextBlockUserData {
    std::vector<bool> carry;
};

// One bit of the block state per region kind, while they fit; the state
// stays at or above 0, since -1 is Qt's "not highlighted yet".
constexpr int kStateBits = 30;

int stateOf(const std::vector<bool>& carry) {
    int state = 0;
    for (size_t i = 0; i < carry.size(); ++i)
        if (carry[i]) state |= 1 << i;
    return state;
}

// The paint style of one character: what the passes so far left on it.
struct CharStyle {
    std::optional<QColor> text;
    std::optional<QColor> background;
    bool operator==(const CharStyle&) const = default;
};

QTextCharFormat formatOf(const CharStyle& style) {
    QTextCharFormat format;
    if (style.text) format.setForeground(*style.text);
    if (style.background) format.setBackground(*style.background);
    return format;
}

}  // namespace

MemoHighlighter::MemoHighlighter(QObject* parent) : QSyntaxHighlighter(parent) {}

void MemoHighlighter::setRules(MemoHighlightRules rules) {
    rules_ = std::move(rules);
    rehighlight();
}

void MemoHighlighter::highlightBlock(const QString& text) {
    std::vector<bool> carry;
    const QTextBlock previous = currentBlock().previous();
    if (previous.isValid()) {
        if (const auto* open = dynamic_cast<const OpenRegions*>(previous.userData()))
            carry = open->carry;
    }
    // Flags left by other rules carry nothing; new rules colour the whole
    // text from the top, so the paragraph above has its new flags first.
    if (carry.size() != static_cast<size_t>(rules_.regionKindCount())) carry.clear();

    const std::vector<MemoPaint> paints = rules_.paintLine(text, carry);

    if (!paints.empty()) {
        // Later pieces paint over earlier ones; a piece without a background
        // changes only the text colour of what lies below.
        std::vector<CharStyle> styles(static_cast<size_t>(text.size()));
        for (const MemoPaint& paint : paints) {
            const int end = std::min<int>(paint.start + paint.length, text.size());
            for (int i = std::max(paint.start, 0); i < end; ++i) {
                styles[i].text = paint.colours.text;
                if (paint.colours.background) styles[i].background = paint.colours.background;
            }
        }
        for (size_t from = 0; from < styles.size();) {
            size_t to = from + 1;
            while (to < styles.size() && styles[to] == styles[from]) ++to;
            if (styles[from] != CharStyle{})
                setFormat(static_cast<int>(from), static_cast<int>(to - from),
                          formatOf(styles[from]));
            from = to;
        }
    }

    auto* open = dynamic_cast<OpenRegions*>(currentBlockUserData());
    if (!open) {
        open = new OpenRegions;  // the block owns its user data
        setCurrentBlockUserData(open);
    }
    open->carry = carry;
    // Qt goes on to the next paragraph when this state changes. With more
    // region kinds than bits, every state is new, so all paragraphs below an
    // edit are done again.
    if (rules_.regionKindCount() <= kStateBits)
        setCurrentBlockState(stateOf(carry));
    else
        setCurrentBlockState(overflowState_ = (overflowState_ + 1) & 0x3fffffff);
}

}  // namespace kit
