#include "kit/xHTMLLabel.h"

#include <QDesktopServices>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <QUrl>
#include <algorithm>

#include "kit/html_label_fonts.h"

QString htmlEscape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&') {
            out += QLatin1String("&amp;");
        } else if (c == u'<') {
            out += QLatin1String("&lt;");
        } else if (c == u'>') {
            out += QLatin1String("&gt;");
        } else {
            out += c;
        }
    }
    return out;
}

namespace kit {
namespace {

std::function<void(const QString&)>& shellOpenHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

}  // namespace

void shellOpen(const QString& target) {
    if (shellOpenHandler()) {
        shellOpenHandler()(target);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

void setShellOpenHandler(std::function<void(const QString& target)> handler) {
    shellOpenHandler() = std::move(handler);
}

}  // namespace kit

// ---------------------------------------------------------------------------
// TxHTMLLabel

namespace {

// The layout decides a label's size from sizeHint() and heightForWidth();
// resizing such a label ourselves would only fight it.
bool managedByLayout(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    return parent != nullptr && parent->layout() != nullptr &&
           parent->layout()->indexOf(widget) >= 0;
}

// Text of a wrapping label that has no width yet is hinted at this many
// average characters per line.
constexpr int kWrapHintColumns = 60;
constexpr int kWrapMinimumColumns = 10;

}  // namespace

TxHTMLLabel::TxHTMLLabel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

TxHTMLLabel::TxHTMLLabel(const QString& caption, QWidget* parent) : TxHTMLLabel(parent) {
    setCaption(caption);
}

void TxHTMLLabel::setCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    contentChanged();
}

void TxHTMLLabel::setCaptionStrings(const QStringList& lines) {
    captionStrings_ = lines;
    caption_.clear();
    contentChanged();
}

void TxHTMLLabel::setCaptionSkipEnter(bool on) {
    captionSkipEnter_ = on;
    contentChanged();
}

void TxHTMLLabel::setCaptionSimpleText(bool on) {
    captionSimpleText_ = on;
    contentChanged();
}

void TxHTMLLabel::setFontColor(const QColor& colour) {
    fontColor_ = colour;
    update();
}

void TxHTMLLabel::setAnchorColor(const QColor& colour) {
    anchorColor_ = colour;
    update();
}

void TxHTMLLabel::setShowText3D(bool on) {
    showText3D_ = on;
    update();
}

QColor TxHTMLLabel::shadowColor() const {
    return shadowColor_.isValid() ? shadowColor_ : palette().color(QPalette::Dark);
}

void TxHTMLLabel::setShadowColor(const QColor& colour) {
    shadowColor_ = colour;
    update();
}

void TxHTMLLabel::setShadowSize(int pixels) {
    shadowSize_ = pixels;
    update();
}

void TxHTMLLabel::setShowBeveled(bool on) {
    showBeveled_ = on;
    update();
}

void TxHTMLLabel::setInnerSpace(int pixels) {
    innerSpace_ = std::clamp(pixels, 0, 255);
    contentChanged();
}

void TxHTMLLabel::setTabGridWidth(int pixels) {
    tabGridWidth_ = std::clamp(pixels, 0, 255);
    contentChanged();
}

void TxHTMLLabel::setWordWrap(bool on) {
    wordWrap_ = on;
    contentChanged();
}

void TxHTMLLabel::setAutoSize(bool on) {
    autoSize_ = on;
    contentChanged();
}

void TxHTMLLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    contentChanged();
}

void TxHTMLLabel::setParameterFunction(ParameterFunction function) {
    parameter_ = std::move(function);
    contentChanged();
}

TxHTMLLabel::Content TxHTMLLabel::prepareContent() const {
    QString source = captionStrings_.join(u'\n');
    // Trailing blanks and line breaks of the lines are not part of the text.
    while (!source.isEmpty() && source.back().isSpace()) source.chop(1);
    if (source.isEmpty()) source = caption_;

    kit::PrepareOptions options;
    options.skipEnter = captionSkipEnter_;
    options.simpleText = captionSimpleText_;
    options.parameter = parameter_;
    const kit::PreparedText prepared = kit::prepareCaption(source, options);

    const QFont base = font();
    kit::RunStyle initial;
    initial.bold = base.bold();
    initial.italic = base.italic();
    initial.underline = base.underline();

    Content content;
    content.markup = kit::tokenize(prepared.lines, initial, !captionSimpleText_);
    content.plain = !content.markup.hasTags && !showText3D_ && !fontColor_.isValid();
    content.wordWrap = wordWrap_ && !prepared.noWordWrap;
    return content;
}

kit::LabelLayout TxHTMLLabel::layoutFor(const Content& content, QSize size) const {
    kit::LayoutOptions options;
    options.width = size.width();
    options.height = size.height();
    options.innerSpace = innerSpace_;
    options.tabGridWidth = tabGridWidth_;
    options.wordWrap = content.wordWrap;
    options.alignment = alignment_;
    return kit::layoutLabel(content.markup, kit::FontLabelMetrics(font()), options);
}

const kit::LabelLayout& TxHTMLLabel::currentLayout() const {
    if (!layout_ || layoutSize_ != size()) {
        layout_ = layoutFor(prepareContent(), size());
        layoutSize_ = size();
    }
    return *layout_;
}

QString TxHTMLLabel::plainText() const {
    QStringList lines;
    for (const kit::MarkupLine& line : prepareContent().markup.lines) {
        QString text;
        for (const kit::MarkupItem& item : line) {
            if (item.kind == kit::ItemKind::Text) text += item.text;
        }
        lines.push_back(text);
    }
    return lines.join(u'\n');
}

std::optional<QString> TxHTMLLabel::anchorNameAt(QPoint point) const {
    const kit::LabelLayout& layout = currentLayout();
    const int anchor = kit::anchorAt(layout, point);
    if (anchor < 0) return std::nullopt;
    return layout.anchors[size_t(anchor)].name;
}

void TxHTMLLabel::refresh() {
    contentChanged();
}

void TxHTMLLabel::contentChanged() {
    layout_.reset();
    if (hot_ >= 0) setHot(-1);
    adjustBounds();
    updateGeometry();
    update();
}

void TxHTMLLabel::adjustBounds() {
    if (!autoSize_ || managedByLayout(this)) return;
    const Content content = prepareContent();
    const QSize extent = layoutFor(content, size()).extent;
    const QSize wanted(content.wordWrap ? width() : extent.width(), extent.height());
    if (wanted != size()) resize(wanted);
}

QSize TxHTMLLabel::sizeHint() const {
    const Content content = prepareContent();
    if (!content.wordWrap) return layoutFor(content, size()).extent;
    Content unwrapped = content;
    unwrapped.wordWrap = false;
    const int natural = layoutFor(unwrapped, size()).extent.width();
    const int hintWidth = std::min(natural, fontMetrics().averageCharWidth() * kWrapHintColumns);
    return {hintWidth, heightForWidth(hintWidth)};
}

QSize TxHTMLLabel::minimumSizeHint() const {
    const Content content = prepareContent();
    if (!content.wordWrap) return layoutFor(content, size()).extent;
    const int minWidth =
        std::min(sizeHint().width(), fontMetrics().averageCharWidth() * kWrapMinimumColumns);
    return {minWidth, heightForWidth(minWidth)};
}

bool TxHTMLLabel::hasHeightForWidth() const {
    return prepareContent().wordWrap;
}

int TxHTMLLabel::heightForWidth(int width) const {
    return layoutFor(prepareContent(), QSize(width, 0)).extent.height();
}

void TxHTMLLabel::updateOwnHint(const Content& content) {
    // Only a label without a hint of its own, drawn plainly and not sized
    // to its text, shows a text that does not fit as its hint.
    const bool mayUseHint = toolTip().isEmpty() || toolTip() == ownHint_;
    if (!content.plain || autoSize_ || !mayUseHint) return;
    const kit::FontLabelMetrics metrics(font());
    int widest = 0;
    QStringList lines;
    for (const kit::MarkupLine& line : content.markup.lines) {
        QString text;
        for (const kit::MarkupItem& item : line) {
            widest = std::max(widest, metrics.width(item.text, item.style));
            text += item.text;
        }
        lines.push_back(text);
    }
    const QString hint = widest > width() + 3 ? lines.join(u'\n') : QString();
    if (hint != toolTip()) setToolTip(hint);
    ownHint_ = hint;
}

QColor TxHTMLLabel::runColour(const kit::RunStyle& style) const {
    switch (style.colourSource) {
        case kit::RunColour::Tag:
            return style.colour;
        case kit::RunColour::Anchor:
            if (anchorColor_.isValid()) return anchorColor_;
            return palette().color(style.anchor == hot_ ? QPalette::Link : QPalette::Highlight);
        case kit::RunColour::Label:
            break;
    }
    return fontColor_.isValid() ? fontColor_ : palette().color(QPalette::WindowText);
}

void TxHTMLLabel::paintEvent(QPaintEvent*) {
    const Content content = prepareContent();
    layout_ = layoutFor(content, size());
    layoutSize_ = size();
    updateOwnHint(content);

    QPainter painter(this);
    const QFont base = font();
    const bool enabled = isEnabled();

    if (showBeveled_) {
        const QRect r = rect();
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
    if (enabled) {
        for (const kit::PlacedRun& run : layout_->runs) {
            if (run.style.background) painter.fillRect(run.box, *run.style.background);
        }
    }
    auto drawRuns = [&](QPoint offset, const std::optional<QColor>& colour) {
        for (const kit::PlacedRun& run : layout_->runs) {
            painter.setFont(kit::runFont(base, run.style));
            painter.setPen(colour ? *colour : runColour(run.style));
            painter.drawText(QPoint(run.box.left(), run.baseline) + offset, run.text);
        }
    };
    // A disabled label is embossed; a 3D label has a shadow. Either way the
    // copy underneath is drawn in one colour, without the tags' colours.
    if (!enabled || showText3D_) {
        const QColor under = enabled ? shadowColor() : palette().color(QPalette::Light);
        drawRuns(QPoint(shadowSize_, shadowSize_), under);
    }
    drawRuns(QPoint(0, 0),
             enabled ? std::nullopt : std::optional<QColor>(palette().color(QPalette::Dark)));
}

void TxHTMLLabel::setHot(int anchor) {
    if (anchor == hot_) return;
    hot_ = anchor;
    if (hot_ >= 0) {
        if (!cursorBeforeHot_) {
            hadOwnCursor_ = testAttribute(Qt::WA_SetCursor);
            cursorBeforeHot_ = cursor();
        }
        setCursor(Qt::PointingHandCursor);
    } else {
        restoreCursor();
    }
    update();
}

void TxHTMLLabel::restoreCursor() {
    if (!cursorBeforeHot_) return;
    if (hadOwnCursor_) {
        setCursor(*cursorBeforeHot_);
    } else {
        unsetCursor();
    }
    cursorBeforeHot_.reset();
}

void TxHTMLLabel::mouseMoveEvent(QMouseEvent* event) {
    setHot(kit::anchorAt(currentLayout(), event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void TxHTMLLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
    QWidget::mousePressEvent(event);
}

void TxHTMLLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !wasPressed || !rect().contains(point)) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    // The anchor is looked up where the click is, in the layout of the
    // current size, so a click needs no paint or mouse move before it.
    const kit::LabelLayout& layout = currentLayout();
    const int anchor = kit::anchorAt(layout, point);
    if (anchor >= 0) {
        const kit::AnchorLink link = layout.anchors[size_t(anchor)];
        restoreCursor();
        if (link.type == QLatin1String("HREF")) {
            kit::shellOpen(link.name);
        } else {
            // A handler may close the dialog and delete this label with it.
            const QPointer<TxHTMLLabel> alive(this);
            emit anchorClicked(link.name);
            if (!alive) return;
        }
    }
    emit clicked();
}

void TxHTMLLabel::leaveEvent(QEvent* event) {
    setHot(-1);
    QWidget::leaveEvent(event);
}

void TxHTMLLabel::resizeEvent(QResizeEvent* event) {
    layout_.reset();
    if (wordWrap_) adjustBounds();
    QWidget::resizeEvent(event);
}

void TxHTMLLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) contentChanged();
    if (event->type() == QEvent::EnabledChange && !isEnabled()) setHot(-1);
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------
// TxURLLabel

TxURLLabel::TxURLLabel(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

TxURLLabel::TxURLLabel(const QString& caption, QWidget* parent) : TxURLLabel(parent) {
    setCaption(caption);
}

void TxURLLabel::setCaption(const QString& caption) {
    caption_ = caption;
    adjustBounds();
    updateGeometry();
    update();
}

QColor TxURLLabel::fontColor() const {
    return fontColor_.isValid() ? fontColor_ : palette().color(QPalette::Highlight);
}

void TxURLLabel::setFontColor(const QColor& colour) {
    fontColor_ = colour;
    update();
}

QColor TxURLLabel::hotColor() const {
    return hotColor_.isValid() ? hotColor_ : palette().color(QPalette::Link);
}

void TxURLLabel::setHotColor(const QColor& colour) {
    hotColor_ = colour;
    update();
}

void TxURLLabel::setUrlCommand(const QString& command) {
    urlCommand_ = command;
}

void TxURLLabel::setAutoSize(bool on) {
    autoSize_ = on;
    adjustBounds();
}

void TxURLLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QFont TxURLLabel::linkFont() const {
    QFont underlined = font();
    underlined.setUnderline(true);
    return underlined;
}

QSize TxURLLabel::sizeHint() const {
    const QFontMetrics metrics(linkFont());
    // One pixel of room on each side for the disabled label's embossing.
    return {metrics.horizontalAdvance(caption_) + 2, metrics.height() + 2};
}

void TxURLLabel::adjustBounds() {
    if (autoSize_ && !managedByLayout(this)) resize(sizeHint());
}

bool TxURLLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && !urlCommand_.isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), urlCommand_, this);
        return true;
    }
    return QWidget::event(event);
}

void TxURLLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(linkFont());
    const QRect area = rect().adjusted(1, 1, -1, -1);
    const int flags = int(alignment_) | Qt::TextSingleLine;
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(area.translated(1, 1), flags, caption_);
        painter.setPen(palette().color(QPalette::Dark));
    } else {
        painter.setPen(hot_ ? hotColor() : fontColor());
    }
    painter.drawText(area, flags, caption_);
}

void TxURLLabel::enterEvent(QEnterEvent* event) {
    hot_ = true;
    update();
    QWidget::enterEvent(event);
}

void TxURLLabel::leaveEvent(QEvent* event) {
    hot_ = false;
    update();
    QWidget::leaveEvent(event);
}

void TxURLLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
    QWidget::mousePressEvent(event);
}

void TxURLLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (event->button() == Qt::LeftButton && wasPressed &&
        rect().contains(event->position().toPoint())) {
        const QPointer<TxURLLabel> alive(this);
        emit clicked();
        if (alive && !urlCommand_.isEmpty()) kit::shellOpen(urlCommand_);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TxURLLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        adjustBounds();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}
