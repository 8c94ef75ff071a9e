// The HTML label's caption language without a window: preparing the caption
// text (line ends, parameters, breaks) and cutting each line into styled
// runs. The layout (html_label_layout.h) places what this produces; the
// widget (xHTMLLabel.h) only paints it.
//
// Tags are recognised at one position only in their exact forms, without
// regard to letter case: <B> <I> <U> <BIG> <SMALL> and their end tags,
// <A attribute> (the "<A" must be followed by a blank or ">") and </A>,
// <COLOR=v> </COLOR>, <FONT COLOR=v> </FONT>, <BGCOLOR=v> </BGCOLOR>, <TAB>,
// <INDENT>. Anything else that looks like a tag is ordinary text. Tags do not
// nest: an end tag switches its attribute off whatever came before.
//
// Callers that insert outside text into a caption escape it (htmlEscape in
// xHTMLLabel.h); the tokenizer decodes &lt; &gt; &amp; and &quot; in text and
// anchor attributes, and leaves any other "&" as it is.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace kit {

// Where a run's text colour comes from; the widget resolves it at paint
// time, because the label's colour, the anchor colours and the enabled state
// may change without the caption changing.
enum class RunColour {
    Label,   // the label's text colour
    Tag,     // RunStyle::colour, from a colour tag
    Anchor,  // the anchor colour (hot, normal or the label's AnchorColor)
};

struct RunStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int sizeDelta = 0;  // points added to the label font's size
    RunColour colourSource = RunColour::Label;
    QColor colour;                     // meaningful for RunColour::Tag
    std::optional<QColor> background;  // none: the label's own background
    int anchor = -1;                   // index into Markup::anchors, -1 outside anchors

    bool operator==(const RunStyle&) const = default;
};

// One anchor occurrence: the attribute of <A ...> split at its first "=".
struct AnchorLink {
    QString type;  // trimmed, upper case: "NAME", "HREF" or empty
    QString name;  // trimmed, entities decoded, quotes kept
};

enum class ItemKind {
    Text,    // a run of text in one style (may be empty: it still has a height)
    Tab,     // move to the next tab stop
    Indent,  // continuation lines of this line start at the current position
};

struct MarkupItem {
    ItemKind kind = ItemKind::Text;
    QString text;
    RunStyle style;
};

using MarkupLine = std::vector<MarkupItem>;

struct Markup {
    std::vector<MarkupLine> lines;  // every line holds at least one Text item
    std::vector<AnchorLink> anchors;
    bool hasTags = false;  // a tag of the language (or a tab character) occurred
};

struct PreparedText {
    QStringList lines;  // never empty; no line is empty
    bool noWordWrap = false;
};

struct PrepareOptions {
    bool skipEnter = false;   // source line breaks become blanks; only <BR> breaks
    bool simpleText = false;  // no parameters, no <BR>, no <NOWORDWRAP>
    // Supplies the value of <VAR>name</VAR>; unset means every parameter is
    // empty. The value is inserted as it is, so it may carry markup.
    std::function<QString(const QString& name)> parameter;
};

// Turns a caption into display lines: line ends normalised (CR LF, LF and CR
// each end a line), <VAR> parameters substituted from the first on,
// <NOWORDWRAP> removed (and reported), <BR> made a line break, and every
// empty line given a blank so that it keeps its height.
PreparedText prepareCaption(const QString& caption, const PrepareOptions& options);

// Cuts prepared lines into items, starting from `initial` (the label font's
// own bold, italic and underline). With interpretTags false every character
// is text, except that a tab character still moves to the next tab stop.
Markup tokenize(const QStringList& lines, const RunStyle& initial, bool interpretTags);

// Reads the value of a colour tag: "#" and six hex digits RRGGBB (any other
// "#" value gives black), or a colour name of the program's table or of the
// system colours, or a "$" number. nullopt (colour unchanged) otherwise.
std::optional<QColor> tagColour(const QString& value);

// Splits the attribute text between "<A" and ">".
AnchorLink parseAnchorAttribute(const QString& attribute);

// Replaces &lt; &gt; &amp; &quot; (any letter case) by their characters.
QString decodeEntities(const QString& text);

}  // namespace kit
