#include "kit/html_label_markup.h"

#include <algorithm>
#include <array>

#include "kit/colour_names.h"

namespace kit {
namespace {

enum class TagKind {
    Bold,
    BoldEnd,
    Italic,
    ItalicEnd,
    Underline,
    UnderlineEnd,
    Big,
    BigEnd,
    Small,
    SmallEnd,
    AnchorEnd,
    ColourEnd,
    FontEnd,
    BackgroundEnd,
    Tab,
    Indent,
    // Tags with a value, read up to the next ">".
    Colour,
    Background,
    Anchor,
};

struct FixedTag {
    const char* text;
    TagKind kind;
};

const std::array<FixedTag, 16> kFixedTags = {{
    {"<B>", TagKind::Bold},
    {"</B>", TagKind::BoldEnd},
    {"<I>", TagKind::Italic},
    {"</I>", TagKind::ItalicEnd},
    {"<U>", TagKind::Underline},
    {"</U>", TagKind::UnderlineEnd},
    {"<BIG>", TagKind::Big},
    {"</BIG>", TagKind::BigEnd},
    {"<SMALL>", TagKind::Small},
    {"</SMALL>", TagKind::SmallEnd},
    {"</A>", TagKind::AnchorEnd},
    {"</COLOR>", TagKind::ColourEnd},
    {"</FONT>", TagKind::FontEnd},
    {"</BGCOLOR>", TagKind::BackgroundEnd},
    {"<TAB>", TagKind::Tab},
    {"<INDENT>", TagKind::Indent},
}};

const std::array<FixedTag, 3> kValueTags = {{
    {"<COLOR=", TagKind::Colour},
    {"<FONT COLOR=", TagKind::Colour},
    {"<BGCOLOR=", TagKind::Background},
}};

struct Tag {
    TagKind kind;
    QString value;
    qsizetype length;
};

bool startsAt(const QString& text, qsizetype pos, QLatin1String word) {
    return QStringView(text).mid(pos).startsWith(word, Qt::CaseInsensitive);
}

// The tag that begins at `pos`, if the text there is one of the forms the
// language knows.
std::optional<Tag> matchTag(const QString& line, qsizetype pos) {
    for (const FixedTag& tag : kFixedTags) {
        const QLatin1String word(tag.text);
        if (startsAt(line, pos, word)) return Tag{tag.kind, {}, word.size()};
    }
    auto valueUpToClose = [&](qsizetype valueStart, TagKind kind) -> std::optional<Tag> {
        const qsizetype close = line.indexOf(u'>', valueStart);
        if (close < 0) return std::nullopt;
        return Tag{kind, line.mid(valueStart, close - valueStart), close + 1 - pos};
    };
    for (const FixedTag& tag : kValueTags) {
        const QLatin1String word(tag.text);
        if (startsAt(line, pos, word)) return valueUpToClose(pos + word.size(), tag.kind);
    }
    // An anchor needs a blank or the closing ">" right after "<A", so that
    // tags such as <ABBR> or <ADDRESS> stay text.
    if (startsAt(line, pos, QLatin1String("<A")) && pos + 2 < line.size() &&
        (line[pos + 2] == u' ' || line[pos + 2] == u'>')) {
        return valueUpToClose(pos + 2, TagKind::Anchor);
    }
    return std::nullopt;
}

struct Entity {
    const char* text;
    char16_t character;
};

const std::array<Entity, 4> kEntities = {{
    {"&lt;", u'<'},
    {"&gt;", u'>'},
    {"&amp;", u'&'},
    {"&quot;", u'"'},
}};

// Appends the character at `pos` (decoding an entity there) and returns
// how many source characters it took.
qsizetype appendDecoded(const QString& text, qsizetype pos, QString& out) {
    if (text[pos] == u'&') {
        for (const Entity& entity : kEntities) {
            const QLatin1String word(entity.text);
            if (startsAt(text, pos, word)) {
                out += QChar(entity.character);
                return word.size();
            }
        }
    }
    out += text[pos];
    return 1;
}

// The state a tokenizer carries from tag to tag and from line to line.
class StyleState {
public:
    StyleState(const RunStyle& initial, Markup& markup) : style_(initial), markup_(markup) {
        style_.anchor = -1;
        style_.colourSource = RunColour::Label;
        style_.sizeDelta = 0;
        style_.background.reset();
    }

    const RunStyle& style() const { return style_; }

    void apply(const Tag& tag) {
        switch (tag.kind) {
            case TagKind::Bold:
                style_.bold = true;
                break;
            case TagKind::BoldEnd:
                style_.bold = false;
                break;
            case TagKind::Italic:
                style_.italic = true;
                break;
            case TagKind::ItalicEnd:
                style_.italic = false;
                break;
            case TagKind::Underline:
                style_.underline = true;
                break;
            case TagKind::UnderlineEnd:
                style_.underline = false;
                break;
            case TagKind::Big:
                style_.sizeDelta += 2;
                break;
            case TagKind::Small:
                style_.sizeDelta -= 2;
                break;
            case TagKind::BigEnd:
            case TagKind::SmallEnd:
                style_.sizeDelta = 0;
                break;
            case TagKind::ColourEnd:
            case TagKind::FontEnd:
                style_.colourSource = RunColour::Label;
                break;
            case TagKind::BackgroundEnd:
                style_.background.reset();
                break;
            case TagKind::Colour:
                if (const std::optional<QColor> colour = tagColour(tag.value)) {
                    style_.colourSource = RunColour::Tag;
                    style_.colour = *colour;
                }
                break;
            case TagKind::Background:
                if (const std::optional<QColor> colour = tagColour(tag.value)) {
                    style_.background = *colour;
                }
                break;
            case TagKind::Anchor:
                openAnchor(tag.value);
                break;
            case TagKind::AnchorEnd:
                closeAnchor();
                break;
            case TagKind::Tab:
            case TagKind::Indent:
                break;  // items, not style changes
        }
    }

private:
    // An anchor changes the font and its colour; closing it restores both
    // (the background is not part of what it saved).
    void openAnchor(const QString& attribute) {
        closeAnchor();
        beforeAnchor_ = style_;
        markup_.anchors.push_back(parseAnchorAttribute(attribute));
        style_.underline = true;
        style_.colourSource = RunColour::Anchor;
        style_.anchor = int(markup_.anchors.size()) - 1;
    }

    void closeAnchor() {
        if (!beforeAnchor_) return;
        const std::optional<QColor> background = style_.background;
        style_ = *beforeAnchor_;
        style_.background = background;
        beforeAnchor_.reset();
    }

    RunStyle style_;
    std::optional<RunStyle> beforeAnchor_;
    Markup& markup_;
};

MarkupLine tokenizeLine(const QString& line, StyleState& state, bool interpretTags, bool& hasTags) {
    MarkupLine items;
    QString pending;
    bool hadText = false;
    auto flush = [&] {
        if (pending.isEmpty()) return;
        items.push_back({ItemKind::Text, pending, state.style()});
        pending.clear();
        hadText = true;
    };
    qsizetype pos = 0;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'\t') {
            flush();
            items.push_back({ItemKind::Tab, {}, state.style()});
            hasTags = true;
            ++pos;
            continue;
        }
        if (!interpretTags) {
            pending += c;
            ++pos;
            continue;
        }
        if (c == u'<') {
            if (const std::optional<Tag> tag = matchTag(line, pos)) {
                flush();
                if (tag->kind == TagKind::Tab) items.push_back({ItemKind::Tab, {}, state.style()});
                if (tag->kind == TagKind::Indent) {
                    items.push_back({ItemKind::Indent, {}, state.style()});
                }
                state.apply(*tag);
                hasTags = true;
                pos += tag->length;
                continue;
            }
        }
        pos += appendDecoded(line, pos, pending);
    }
    flush();
    if (!hadText) items.push_back({ItemKind::Text, {}, state.style()});
    return items;
}

}  // namespace

PreparedText prepareCaption(const QString& caption, const PrepareOptions& options) {
    PreparedText result;
    QString text = caption;
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(u'\n', u'\r');
    if (!options.simpleText) {
        const QLatin1String varOpen("<VAR>");
        const QLatin1String varClose("</VAR>");
        qsizetype from = 0;
        for (;;) {
            const qsizetype open = text.indexOf(varOpen, from, Qt::CaseInsensitive);
            if (open < 0) break;
            const qsizetype close =
                text.indexOf(varClose, open + varOpen.size(), Qt::CaseInsensitive);
            if (close < 0) break;
            const QString name = text.mid(open + varOpen.size(), close - open - varOpen.size());
            const QString value = options.parameter ? options.parameter(name) : QString();
            text.replace(open, close + varClose.size() - open, value);
            // Continue after the value: a value is never expanded again.
            from = open + value.size();
        }
        const QLatin1String noWrap("<NOWORDWRAP>");
        if (text.contains(noWrap, Qt::CaseInsensitive)) {
            text.remove(noWrap, Qt::CaseInsensitive);
            result.noWordWrap = true;
        }
    }
    if (options.skipEnter) {
        if (!options.simpleText) {
            text.replace(QLatin1String("<BR>\r"), QLatin1String("<BR>"), Qt::CaseInsensitive);
        }
        text.replace(u'\r', u' ');
    }
    if (!options.simpleText) {
        text.replace(QLatin1String("<BR>"), QLatin1String("\r"), Qt::CaseInsensitive);
    }
    result.lines = text.split(u'\r');
    for (QString& line : result.lines) {
        if (line.isEmpty()) line = QStringLiteral(" ");
    }
    return result;
}

Markup tokenize(const QStringList& lines, const RunStyle& initial, bool interpretTags) {
    Markup markup;
    StyleState state(initial, markup);
    for (const QString& line : lines) {
        markup.lines.push_back(tokenizeLine(line, state, interpretTags, markup.hasTags));
    }
    return markup;
}

std::optional<QColor> tagColour(const QString& value) {
    const QString text = value.trimmed();
    if (text.startsWith(u'#')) {
        const QString digits = text.mid(1);
        const bool allHex = std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c.toUpper() >= u'A' && c.toUpper() <= u'F');
        });
        if (digits.size() != 6 || !allHex) return QColor(Qt::black);
        return QColor::fromRgb(QRgb(digits.toUInt(nullptr, 16)));
    }
    if (std::optional<QColor> colour = colourFromText(text)) return colour;
    return systemColour(text);
}

AnchorLink parseAnchorAttribute(const QString& attribute) {
    const qsizetype equals = attribute.indexOf(u'=');
    if (equals < 0) return {QString(), decodeEntities(attribute.trimmed())};
    return {attribute.left(equals).trimmed().toUpper(),
            decodeEntities(attribute.mid(equals + 1).trimmed())};
}

QString decodeEntities(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype pos = 0; pos < text.size();) pos += appendDecoded(text, pos, out);
    return out;
}

}  // namespace kit
