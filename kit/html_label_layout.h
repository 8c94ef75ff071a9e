// Placing the HTML label's runs: word wrap, tab stops, hanging indents,
// alignment, line heights, and the rectangles that make anchors clickable.
// Text is measured through LabelMetrics, so tests run the layout with fixed
// character widths and the widget runs it with its fonts. All coordinates
// are the label's own (pixels from its top-left corner).
#pragma once

#include <QRect>
#include <QString>
#include <vector>

#include "kit/html_label_markup.h"

namespace kit {

// Text measurement per run style. Implementations must be deterministic: the
// same text and style always give the same width.
class LabelMetrics {
public:
    virtual ~LabelMetrics() = default;
    virtual int width(const QString& text, const RunStyle& style) const = 0;
    virtual int height(const RunStyle& style) const = 0;
    virtual int ascent(const RunStyle& style) const = 0;
};

struct LayoutOptions {
    int width = 0;   // the label's width
    int height = 0;  // the label's height (only for vertical alignment)
    int innerSpace = 0;
    int tabGridWidth = 30;  // 0 is taken as 1
    bool wordWrap = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
};

struct PlacedRun {
    QString text;
    RunStyle style;
    QRect box;     // the run's own box: its width, its font's height
    int baseline;  // y of the text baseline
    int line;      // index into LabelLayout::lines
};

struct LayoutLine {
    int top;
    int height;
    int width;  // from the line's start (with a hanging indent) to its end
};

// Where an anchor can be clicked: one rectangle per display line that holds
// any of its runs, covering all of them (gaps from tab stops included).
struct AnchorArea {
    int anchor;  // index into LabelLayout::anchors
    QRect rect;
};

struct LabelLayout {
    std::vector<PlacedRun> runs;  // in reading order, empty runs omitted
    std::vector<LayoutLine> lines;
    std::vector<AnchorArea> anchorAreas;  // ordered by anchor, then by line
    std::vector<AnchorLink> anchors;
    QSize extent;  // what the label needs: see layoutLabel
};

// Characters after which word wrap may cut a run.
bool isWrapBreak(QChar c);

// Lays out tokenized markup. Content starts InnerSpace + 1 pixels inside
// every edge. The extent's height is the sum of the line heights plus that
// margin on both sides; its width is the label's width with word wrap, else
// the widest line plus the margins.
LabelLayout layoutLabel(const Markup& markup, const LabelMetrics& metrics,
                        const LayoutOptions& options);

// The anchor whose area holds `point` (the first in anchor order), or -1.
int anchorAt(const LabelLayout& layout, QPoint point);

}  // namespace kit
