// The program's labels. TxHTMLLabel shows a caption in the kit's small tag
// language (see html_label_markup.h): bold, italic, underline, bigger and
// smaller text, colours, background colours, tab stops, hanging indents,
// <BR> line breaks, <VAR> parameters and clickable anchors. A caption
// without tags shows as a plain label. Blanks are kept as written: this is
// not Qt's rich text.
//
// Anchors: <A NAME=x> is reported through anchorClicked("x"); <A HREF=url>
// is opened through the desktop (kit::shellOpen); an anchor of another kind
// is reported like a NAME anchor. clicked() follows on every click.
//
// Values taken from outside the program (file names, error messages) must go
// through htmlEscape before they are put into a caption.
//
// TxURLLabel is a one-line link label that opens its URL command on click.
//
// Both are used on the GUI thread only.
#pragma once

#include <QColor>
#include <QCursor>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "kit/html_label_layout.h"

// Escapes "&", "<" and ">" so that the text shows literally in a label.
QString htmlEscape(const QString& text);

namespace kit {

// Opens a web address or a file with the desktop's "open" action.
void shellOpen(const QString& target);

// Replaces what shellOpen does, for the whole program (tests record the
// target instead of starting a browser). An empty function restores the
// desktop's handling.
void setShellOpenHandler(std::function<void(const QString& target)> handler);

}  // namespace kit

class TxHTMLLabel : public QWidget {
    Q_OBJECT
public:
    // Supplies the value of a <VAR>name</VAR> parameter; asked on every
    // paint, so a label shows current values after update().
    using ParameterFunction = std::function<QString(const QString& name)>;

    explicit TxHTMLLabel(QWidget* parent = nullptr);
    explicit TxHTMLLabel(const QString& caption, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);

    // The caption in several lines; when it holds text it is shown instead of
    // caption(). Setting it clears caption().
    QStringList captionStrings() const { return captionStrings_; }
    void setCaptionStrings(const QStringList& lines);

    // Source line breaks become blanks; only <BR> breaks lines.
    bool captionSkipEnter() const { return captionSkipEnter_; }
    void setCaptionSkipEnter(bool on);

    // The caption is shown as written: no tags, no entities, no parameters.
    bool captionSimpleText() const { return captionSimpleText_; }
    void setCaptionSimpleText(bool on);

    // Text colour instead of the palette's; an invalid colour means none.
    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& colour);

    // Colour of every anchor instead of the normal and hot link colours; an
    // invalid colour means none.
    QColor anchorColor() const { return anchorColor_; }
    void setAnchorColor(const QColor& colour);

    bool showText3D() const { return showText3D_; }
    void setShowText3D(bool on);
    // Invalid means the palette's button-shadow colour.
    QColor shadowColor() const;
    void setShadowColor(const QColor& colour);
    int shadowSize() const { return shadowSize_; }
    void setShadowSize(int pixels);

    // A one-pixel sunken frame around the label.
    bool showBeveled() const { return showBeveled_; }
    void setShowBeveled(bool on);

    // Margin inside the label on every side, 0..255.
    int innerSpace() const { return innerSpace_; }
    void setInnerSpace(int pixels);

    // Distance of tab stops, 0..255 (0 is taken as 1).
    int tabGridWidth() const { return tabGridWidth_; }
    void setTabGridWidth(int pixels);

    // A caption holding <NOWORDWRAP> does not wrap whatever this says.
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool on);

    // The label sizes itself to its text: with word wrap only its height,
    // else both. Inside a Qt layout the layout decides, from sizeHint() and
    // heightForWidth().
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);

    void setParameterFunction(ParameterFunction function);

    // Asks for the parameters again, resizes (with autoSize) and repaints;
    // for callers whose parameter values changed.
    void refresh();

    // The caption as shown: tags removed, entities decoded, display source
    // lines joined with "\n".
    QString plainText() const;

    // The geometry of the label as last painted or measured at its current
    // size; computed on demand, so valid before the first paint.
    const kit::LabelLayout& currentLayout() const;

    // Name of the anchor at `point` (label coordinates), or nullopt.
    std::optional<QString> anchorNameAt(QPoint point) const;

    // Index of the anchor under the mouse, -1 when none.
    int hotAnchor() const { return hot_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

signals:
    void anchorClicked(const QString& linkName);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Content {
        kit::Markup markup;
        bool plain = false;  // drawn like a plain label (hint rule applies)
        bool wordWrap = false;
    };

    Content prepareContent() const;
    kit::LabelLayout layoutFor(const Content& content, QSize size) const;
    void contentChanged();
    void adjustBounds();
    void updateOwnHint(const Content& content);
    void setHot(int anchor);
    void restoreCursor();
    QColor runColour(const kit::RunStyle& style) const;

    QString caption_;
    QStringList captionStrings_;
    bool captionSkipEnter_ = false;
    bool captionSimpleText_ = false;
    QColor fontColor_;
    QColor anchorColor_;
    bool showText3D_ = false;
    QColor shadowColor_;
    int shadowSize_ = 1;
    bool showBeveled_ = false;
    int innerSpace_ = 0;
    int tabGridWidth_ = 30;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
    ParameterFunction parameter_;

    // The last layout, kept for hit-testing between paints.
    mutable std::optional<kit::LabelLayout> layout_;
    mutable QSize layoutSize_;
    int hot_ = -1;
    bool pressed_ = false;
    std::optional<QCursor> cursorBeforeHot_;  // set while the hand cursor shows
    bool hadOwnCursor_ = false;
    QString ownHint_;  // the hint this label put there itself
};

class TxURLLabel : public QWidget {
    Q_OBJECT
public:
    explicit TxURLLabel(QWidget* parent = nullptr);
    explicit TxURLLabel(const QString& caption, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);

    // Invalid colours mean the palette's highlight and link colours.
    QColor fontColor() const;
    void setFontColor(const QColor& colour);
    QColor hotColor() const;
    void setHotColor(const QColor& colour);

    // Opened through kit::shellOpen after clicked(); shown as the hint while
    // the label has no hint of its own.
    QString urlCommand() const { return urlCommand_; }
    void setUrlCommand(const QString& command);

    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);

    bool isHot() const { return hot_; }

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont linkFont() const;
    void adjustBounds();

    QString caption_;
    QColor fontColor_;
    QColor hotColor_;
    QString urlCommand_;
    bool autoSize_ = true;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    bool hot_ = false;
    bool pressed_ = false;
};
