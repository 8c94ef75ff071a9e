#include "kit/html_label_fonts.h"

#include <algorithm>

namespace kit {

QFont runFont(const QFont& base, const RunStyle& style) {
    QFont font = base;
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    if (style.sizeDelta != 0) {
        if (base.pointSizeF() > 0) {
            font.setPointSizeF(std::max(1.0, base.pointSizeF() + style.sizeDelta));
        } else if (base.pixelSize() > 0) {
            // A point is 4/3 pixel at the 96 dots per inch fonts are designed for.
            font.setPixelSize(std::max(1, base.pixelSize() + style.sizeDelta * 4 / 3));
        }
    }
    return font;
}

const QFontMetrics& FontLabelMetrics::metricsFor(const RunStyle& style) const {
    const FontKey key{style.bold, style.italic, style.underline, style.sizeDelta};
    auto found = cache_.find(key);
    if (found == cache_.end()) {
        found = cache_.emplace(key, QFontMetrics(runFont(base_, style))).first;
    }
    return found->second;
}

int FontLabelMetrics::width(const QString& text, const RunStyle& style) const {
    return metricsFor(style).horizontalAdvance(text);
}

int FontLabelMetrics::height(const RunStyle& style) const {
    return metricsFor(style).height();
}

int FontLabelMetrics::ascent(const RunStyle& style) const {
    return metricsFor(style).ascent();
}

}  // namespace kit
