#include "kit/html_label_markup.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

namespace kit {
namespace {

std::string prepared(const QString& caption, PrepareOptions options = {}) {
    const PreparedText text = prepareCaption(caption, options);
    return (text.lines.join(u'|') + (text.noWordWrap ? QStringLiteral(" (nowrap)") : QString()))
        .toStdString();
}

// A style as a short suffix: {b,i,u,+2,c#rrggbb,C (anchor colour),bg#rrggbb,A0}.
QString describeStyle(const RunStyle& style) {
    QStringList parts;
    if (style.bold) parts << "b";
    if (style.italic) parts << "i";
    if (style.underline) parts << "u";
    if (style.sizeDelta != 0)
        parts << QStringLiteral("%1%2").arg(style.sizeDelta > 0 ? "+" : "").arg(style.sizeDelta);
    if (style.colourSource == RunColour::Tag) parts << "c" + style.colour.name();
    if (style.colourSource == RunColour::Anchor) parts << "C";
    if (style.background) parts << "bg" + style.background->name();
    if (style.anchor >= 0) parts << QStringLiteral("A%1").arg(style.anchor);
    return parts.isEmpty() ? QString() : "{" + parts.join(',') + "}";
}

// Lines separated by " / ", items by nothing: [text]{style}, <tab>, <indent>.
std::string describe(const Markup& markup) {
    QStringList lines;
    for (const MarkupLine& line : markup.lines) {
        QString out;
        for (const MarkupItem& item : line) {
            switch (item.kind) {
                case ItemKind::Text:
                    out += "[" + item.text + "]" + describeStyle(item.style);
                    break;
                case ItemKind::Tab:
                    out += "<tab>";
                    break;
                case ItemKind::Indent:
                    out += "<indent>";
                    break;
            }
        }
        lines << out;
    }
    return lines.join(" / ").toStdString();
}

Markup tokenized(const QString& caption, const RunStyle& initial = {}) {
    return tokenize(prepareCaption(caption, {}).lines, initial, true);
}

std::string anchors(const Markup& markup) {
    QStringList out;
    for (const AnchorLink& link : markup.anchors) out << link.type + ":" + link.name;
    return out.join(' ').toStdString();
}

TEST(HtmlLabelMarkup, PreparesLinesBreaksAndParameters) {
    struct Case {
        const char* caption;
        const char* expected;
    };
    const Case cases[] = {
        {"one line", "one line"},
        {"a\r\nb", "a|b"},
        {"a\nb", "a|b"},  // a lone line feed breaks the line, not glues it
        {"a\rb", "a|b"},
        {"a\n\nb", "a| |b"},
        {"\r\nx", " |x"},
        {"x\r\n", "x| "},
        {"", " "},
        {"Error: Cannot open data.<BR>No file", "Error: Cannot open data.|No file"},
        {"a<br>b<Br>c", "a|b|c"},
        {"a<BR>\r\nb", "a| |b"},
        {"wide<NOWORDWRAP> text<nowordwrap>", "wide text (nowrap)"},
        {"<VAR>user</VAR> is <VAR>x</VAR>", "Ann is [x]"},
        {"<var>user</var>!", "Ann!"},
        {"<VAR>loop</VAR>", "<VAR>loop</VAR>"},  // a value is not expanded again
        {"<VAR>open", "<VAR>open"},
        {"&lt;BR&gt;", "&lt;BR&gt;"},
    };
    PrepareOptions options;
    options.parameter = [](const QString& name) {
        if (name == "user") return QStringLiteral("Ann");
        if (name == "loop") return QStringLiteral("<VAR>loop</VAR>");
        return "[" + name + "]";
    };
    for (const Case& c : cases) {
        EXPECT_EQ(prepared(c.caption, options), c.expected) << c.caption;
    }
}

TEST(HtmlLabelMarkup, ParametersWithoutSupplierAreEmpty) {
    EXPECT_EQ(prepared("Hello <VAR>user</VAR>!"), "Hello !");
}

TEST(HtmlLabelMarkup, SkipEnterKeepsOnlyBreakTags) {
    PrepareOptions options;
    options.skipEnter = true;
    EXPECT_EQ(prepared("a\r\nb\nc", options), "a b c");
    EXPECT_EQ(prepared("a<BR>\r\nb", options), "a|b");
    EXPECT_EQ(prepared("a<br>\nb", options), "a|b");
}

TEST(HtmlLabelMarkup, SimpleTextKeepsTagsAsWritten) {
    PrepareOptions options;
    options.simpleText = true;
    EXPECT_EQ(prepared("a<BR>b<VAR>x</VAR><NOWORDWRAP>\nc", options),
              "a<BR>b<VAR>x</VAR><NOWORDWRAP>|c");
    const Markup markup = tokenize({"<B>x</B>&amp;\ty"}, {}, false);
    EXPECT_EQ(describe(markup), "[<B>x</B>&amp;]<tab>[y]");
    EXPECT_TRUE(markup.anchors.empty());
}

TEST(HtmlLabelMarkup, TokenizesTags) {
    struct Case {
        const char* caption;
        const char* expected;
    };
    const Case cases[] = {
        {"plain text", "[plain text]"},
        {"<B>bold</B> plain", "[bold]{b}[ plain]"},
        {"<b>x</b>y", "[x]{b}[y]"},
        {"<B >x", "[<B >x]"},
        {"<P>para</P>", "[<P>para</P>]"},
        {"<I>i</I><U>u</U>", "[i]{i}[u]{u}"},
        {"<B><B>x</B>y", "[x]{b}[y]"},
        {"<BIG><BIG>x</BIG>y", "[x]{+4}[y]"},
        {"<SMALL>x</SMALL>", "[x]{-2}"},
        {"<COLOR=#FF0000>r</COLOR>n", "[r]{c#ff0000}[n]"},
        {"<FONT COLOR=Navy>n</FONT>", "[n]{c#000080}"},
        {"<font color=navy>n", "[n]{c#000080}"},
        {"<COLOR=#GGHHII>x", "[x]{c#000000}"},
        {"<COLOR=Nope>x", "[x]"},
        {"<COLOR=Red><COLOR=Nope>x", "[x]{c#ff0000}"},
        {"<COLOR=#FF0000", "[<COLOR=#FF0000]"},
        {"<BGCOLOR=Yellow>y</BGCOLOR>z", "[y]{bg#ffff00}[z]"},
        {"a<TAB>b\tc", "[a]<tab>[b]<tab>[c]"},
        {"1.<TAB><INDENT>text", "[1.]<tab><indent>[text]"},
        {"<B>", "[]{b}"},
        {"<B>a<BR>b", "[a]{b} / [b]{b}"},
        {"&lt;B&gt; &amp; &quot;q&quot; &copy; &", "[<B> & \"q\" &copy; &]"},
        {"&LT;x", "[<x]"},
        {"a &lt;BR> b", "[a <BR> b]"},
        {"</A>x", "[x]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describe(tokenized(c.caption)), c.expected) << c.caption;
    }
}

TEST(HtmlLabelMarkup, TellsWhetherTagsOccur) {
    EXPECT_FALSE(tokenized("plain &amp; simple").hasTags);
    EXPECT_FALSE(tokenized("a<P>b").hasTags);
    EXPECT_FALSE(tokenized("line<BR>break").hasTags);
    EXPECT_TRUE(tokenized("a<b>b").hasTags);
    EXPECT_TRUE(tokenized("a\tb").hasTags);
    EXPECT_TRUE(tokenized("<A NAME=x>x</A>").hasTags);
}

TEST(HtmlLabelMarkup, StartsFromTheLabelFont) {
    RunStyle bold;
    bold.bold = true;
    EXPECT_EQ(describe(tokenized("x</B>y", bold)), "[x]{b}[y]");
}

TEST(HtmlLabelMarkup, TokenizesAnchors) {
    struct Case {
        const char* caption;
        const char* items;
        const char* anchors;
    };
    const Case cases[] = {
        {"<A NAME=Find>Find</A> db file", "[Find]{u,C,A0}[ db file]", "NAME:Find"},
        {"<a name = Find >x</a>", "[x]{u,C,A0}", "NAME:Find"},
        {"<A HREF=http://example.com/?a=1>web</A>", "[web]{u,C,A0}",
         "HREF:http://example.com/?a=1"},
        {"<A Name=\"q\">x</A>", "[x]{u,C,A0}", "NAME:\"q\""},
        {"<A>x</A>", "[x]{u,C,A0}", ":"},
        {"<A  plain >x</A>", "[x]{u,C,A0}", ":plain"},
        {"<A NAME=a&amp;b>x</A>", "[x]{u,C,A0}", "NAME:a&b"},
        // Only "<A" with a blank or ">" after it opens an anchor.
        {"<ABBR>x</ABBR>", "[<ABBR>x</ABBR>]", ""},
        {"<ADDRESS NAME=x>y", "[<ADDRESS NAME=x>y]", ""},
        {"<A NAME=One>1<A NAME=Two>2</A>3", "[1]{u,C,A0}[2]{u,C,A1}[3]", "NAME:One NAME:Two"},
        {"<A NAME=x><B>b</A>after", "[b]{b,u,C,A0}[after]", "NAME:x"},
        {"<B><A NAME=x>y</A>z", "[y]{b,u,C,A0}[z]{b}", "NAME:x"},
        {"<A NAME=x><COLOR=Red>r</COLOR>d</A>", "[r]{u,c#ff0000,A0}[d]{u,A0}", "NAME:x"},
        {"<A NAME=x><BGCOLOR=Red>y</A>z", "[y]{u,C,bg#ff0000,A0}[z]{bg#ff0000}", "NAME:x"},
        {"<A NAME=x>a<BR>b</A>c", "[a]{u,C,A0} / [b]{u,C,A0}[c]", "NAME:x"},
    };
    for (const Case& c : cases) {
        const Markup markup = tokenized(c.caption);
        EXPECT_EQ(describe(markup), c.items) << c.caption;
        EXPECT_EQ(anchors(markup), c.anchors) << c.caption;
    }
}

TEST(HtmlLabelMarkup, ReadsTagColours) {
    const QPalette palette = QGuiApplication::palette();
    struct Case {
        const char* value;
        std::string expected;
    };
    const Case cases[] = {
        {"#FF0000", "#ff0000"},
        {"#00ff80", "#00ff80"},
        {" #0000FF ", "#0000ff"},
        {"#12345", "#000000"},
        {"#1234567", "#000000"},
        {"#GGHHII", "#000000"},
        {"# FF000", "#000000"},
        {"#", "#000000"},
        {"Navy", "#000080"},
        {"money green", "#c0dcc0"},
        {"$0000FF", "#ff0000"},
        {"BtnFace", palette.color(QPalette::Button).name().toStdString()},
        {"Highlight", palette.color(QPalette::Highlight).name().toStdString()},
        {"Nope", "none"},
        {"", "none"},
        {"Custom...", "none"},
    };
    for (const Case& c : cases) {
        const std::optional<QColor> colour = tagColour(c.value);
        EXPECT_EQ(colour ? colour->name().toStdString() : "none", c.expected) << c.value;
    }
}

TEST(HtmlLabelMarkup, DecodesOnlyTheKnownEntities) {
    EXPECT_EQ(decodeEntities("a&lt;b&gt;c&amp;amp;&quot;&nbsp;&").toStdString(),
              "a<b>c&amp;\"&nbsp;&");
}

}  // namespace
}  // namespace kit
