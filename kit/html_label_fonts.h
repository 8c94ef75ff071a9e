// Fonts of the HTML label's runs, and the LabelMetrics that measures them
// with Qt's font metrics. Anything that paints laid-out runs (the label, a
// grid cell showing the same markup) uses runFont for the font of a run so
// that what is painted matches what was measured.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <map>
#include <tuple>

#include "kit/html_label_layout.h"

namespace kit {

// The label font with a run's bold, italic and underline, and its size
// changed by the run's points (never below one point or pixel).
QFont runFont(const QFont& base, const RunStyle& style);

class FontLabelMetrics : public LabelMetrics {
public:
    explicit FontLabelMetrics(const QFont& base) : base_(base) {}

    int width(const QString& text, const RunStyle& style) const override;
    int height(const RunStyle& style) const override;
    int ascent(const RunStyle& style) const override;

private:
    const QFontMetrics& metricsFor(const RunStyle& style) const;

    QFont base_;
    using FontKey = std::tuple<bool, bool, bool, int>;
    mutable std::map<FontKey, QFontMetrics> cache_;
};

}  // namespace kit
