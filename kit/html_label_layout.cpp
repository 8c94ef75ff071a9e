#include "kit/html_label_layout.h"

#include <algorithm>

namespace kit {
namespace {

enum class Horizontal { Left, Right, Centre };

Horizontal horizontalOf(Qt::Alignment alignment) {
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing)) return Horizontal::Right;
    if (alignment & Qt::AlignHCenter) return Horizontal::Centre;
    return Horizontal::Left;
}

// A run placed on the display line being built; x is relative to the
// line's origin, before alignment.
struct LineRun {
    QString text;
    RunStyle style;
    int x;
    int width;
};

class Layouter {
public:
    Layouter(const LabelMetrics& metrics, const LayoutOptions& options, LabelLayout& out)
        : metrics_(metrics), options_(options), out_(out) {
        margin_ = std::max(0, options.innerSpace) + 1;
        contentWidth_ = options.width - 2 * margin_;
        tabWidth_ = std::max(1, options.tabGridWidth);
        horizontal_ = horizontalOf(options.alignment);
        nextTop_ = margin_;
    }

    void layoutSourceLine(const MarkupLine& items) {
        lineStart_ = 0;
        indent_ = 0;
        x_ = 0;
        for (const MarkupItem& item : items) {
            switch (item.kind) {
                case ItemKind::Tab:
                    x_ = (x_ / tabWidth_ + 1) * tabWidth_;
                    break;
                case ItemKind::Indent:
                    indent_ = x_;
                    break;
                case ItemKind::Text:
                    placeText(item.text, item.style);
                    break;
            }
            lastStyle_ = item.style;
        }
        finishLine();
    }

    void finish() {
        int bottom = margin_;
        for (const LayoutLine& line : out_.lines) bottom = std::max(bottom, line.top + line.height);
        const int extentHeight = bottom + margin_;
        int widest = 0;
        for (const LayoutLine& line : out_.lines) widest = std::max(widest, line.width);
        out_.extent =
            QSize(options_.wordWrap ? options_.width : widest + 2 * margin_, extentHeight);

        int shift = 0;
        if (options_.alignment & Qt::AlignVCenter) {
            shift = (options_.height - extentHeight) / 2;
        } else if (options_.alignment & Qt::AlignBottom) {
            shift = options_.height - extentHeight;
        }
        shift = std::max(0, shift);
        if (shift > 0) {
            for (LayoutLine& line : out_.lines) line.top += shift;
            for (PlacedRun& run : out_.runs) {
                run.box.translate(0, shift);
                run.baseline += shift;
            }
        }
        collectAnchorAreas();
    }

private:
    void placeText(QString text, const RunStyle& style) {
        for (;;) {
            const int width = metrics_.width(text, style);
            const int available = contentWidth_ - x_;
            if (!options_.wordWrap || width <= available) {
                addRun(text, style, width);
                return;
            }
            const qsizetype fitting = fittingLength(text, style, available);
            qsizetype cut = breakAfter(text, fitting);
            if (cut == 0) {
                if (x_ > lineStart_) {
                    // Not a word's worth of room left: the whole run moves on.
                    lastStyle_ = style;
                    newLine();
                    continue;
                }
                cut = forcedCut(text, fitting);
            }
            const QString head = text.left(cut);
            addRun(head, style, metrics_.width(head, style));
            text = text.mid(cut);
            if (text.isEmpty()) return;
            lastStyle_ = style;
            newLine();
        }
    }

    // The longest prefix that fits into `available` pixels (widths grow
    // with the prefix, so a binary search finds it).
    qsizetype fittingLength(const QString& text, const RunStyle& style, int available) const {
        qsizetype low = 0;
        qsizetype high = text.size();
        while (low < high) {
            const qsizetype mid = (low + high + 1) / 2;
            if (metrics_.width(text.left(mid), style) <= available) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        return low;
    }

    // Length of the head when cutting after the last break character among
    // the characters that fit and the first one that does not; 0 if none.
    // A blank may hang over the edge, other break characters may not.
    static qsizetype breakAfter(const QString& text, qsizetype fitting) {
        for (qsizetype i = std::min(fitting, text.size() - 1); i >= 0; --i) {
            if (isWrapBreak(text[i]) && (i < fitting || text[i] == u' ')) return i + 1;
        }
        return 0;
    }

    // At a line's beginning without a break character: as many characters
    // as fit, at least one, never half of a surrogate pair.
    static qsizetype forcedCut(const QString& text, qsizetype fitting) {
        qsizetype cut = std::max<qsizetype>(fitting, 1);
        if (cut < text.size() && text[cut - 1].isHighSurrogate()) cut += cut > 1 ? -1 : 1;
        return cut;
    }

    void addRun(const QString& text, const RunStyle& style, int width) {
        current_.push_back({text, style, x_, width});
        x_ += width;
    }

    void newLine() {
        finishLine();
        lineStart_ = horizontal_ == Horizontal::Left ? indent_ : 0;
        x_ = lineStart_;
    }

    void finishLine() {
        int ascent = 0;
        int descent = 0;
        auto account = [&](const RunStyle& style) {
            const int runAscent = metrics_.ascent(style);
            ascent = std::max(ascent, runAscent);
            descent = std::max(descent, metrics_.height(style) - runAscent);
        };
        for (const LineRun& run : current_) account(run.style);
        // A line left empty by a run that moved on keeps that run's height.
        if (current_.empty()) account(lastStyle_);

        const int lineWidth = x_;
        int left = margin_;
        if (horizontal_ == Horizontal::Right) {
            left = margin_ + contentWidth_ - lineWidth;
        } else if (horizontal_ == Horizontal::Centre) {
            left = margin_ + std::max(0, (contentWidth_ - lineWidth) / 2);
        }
        const int lineIndex = int(out_.lines.size());
        const int top = nextTop_;
        for (const LineRun& run : current_) {
            if (run.text.isEmpty()) continue;
            const int runAscent = metrics_.ascent(run.style);
            const QRect box(left + run.x, top + ascent - runAscent, run.width,
                            metrics_.height(run.style));
            out_.runs.push_back({run.text, run.style, box, top + ascent, lineIndex});
        }
        out_.lines.push_back({top, ascent + descent, lineWidth});
        nextTop_ = top + ascent + descent;
        current_.clear();
    }

    void collectAnchorAreas() {
        for (int anchor = 0; anchor < int(out_.anchors.size()); ++anchor) {
            int line = -1;
            QRect area;
            for (const PlacedRun& run : out_.runs) {
                if (run.style.anchor != anchor) continue;
                if (run.line != line && !area.isNull()) {
                    out_.anchorAreas.push_back({anchor, area});
                    area = QRect();
                }
                line = run.line;
                area = area.united(run.box);
            }
            if (!area.isNull()) out_.anchorAreas.push_back({anchor, area});
        }
    }

    const LabelMetrics& metrics_;
    const LayoutOptions& options_;
    LabelLayout& out_;
    int margin_ = 1;
    int contentWidth_ = 0;
    int tabWidth_ = 1;
    Horizontal horizontal_ = Horizontal::Left;

    std::vector<LineRun> current_;
    RunStyle lastStyle_;
    int lineStart_ = 0;
    int indent_ = 0;
    int x_ = 0;
    int nextTop_ = 0;
};

}  // namespace

bool isWrapBreak(QChar c) {
    switch (c.unicode()) {
        case u' ':
        case u'.':
        case u'_':
        case u'-':
        case u'/':
        case u'\\':
        case u'@':
        case u'#':
        case u'$':
        case u'&':
        case u'|':
            return true;
        default:
            return false;
    }
}

LabelLayout layoutLabel(const Markup& markup, const LabelMetrics& metrics,
                        const LayoutOptions& options) {
    LabelLayout layout;
    layout.anchors = markup.anchors;
    Layouter layouter(metrics, options, layout);
    for (const MarkupLine& line : markup.lines) layouter.layoutSourceLine(line);
    layouter.finish();
    return layout;
}

int anchorAt(const LabelLayout& layout, QPoint point) {
    for (const AnchorArea& area : layout.anchorAreas) {
        if (area.rect.contains(point)) return area.anchor;
    }
    return -1;
}

}  // namespace kit
