#include "kit/html_label_layout.h"

#include <gtest/gtest.h>

namespace kit {
namespace {

// Every character is 6 pixels wide (bold 7), plus one pixel per point of
// size change; a line is 10 pixels high with an ascent of 8, plus the size
// change. Simple enough to work out positions by hand.
class FakeMetrics : public LabelMetrics {
public:
    int width(const QString& text, const RunStyle& style) const override {
        return int(text.size()) * (6 + (style.bold ? 1 : 0) + style.sizeDelta);
    }
    int height(const RunStyle& style) const override { return 10 + style.sizeDelta; }
    int ascent(const RunStyle& style) const override { return 8 + style.sizeDelta; }
};

LabelLayout laidOut(const QString& caption, LayoutOptions options) {
    const PreparedText prepared = prepareCaption(caption, {});
    options.wordWrap = options.wordWrap && !prepared.noWordWrap;
    return layoutLabel(tokenize(prepared.lines, {}, true), FakeMetrics(), options);
}

LayoutOptions options(int width, bool wordWrap = false, int tabGrid = 30,
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    LayoutOptions result;
    result.width = width;
    result.wordWrap = wordWrap;
    result.tabGridWidth = tabGrid;
    result.alignment = alignment;
    return result;
}

// Display lines separated by " / ", runs as @x'text'.
std::string describe(const LabelLayout& layout) {
    QStringList lines;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        QStringList runs;
        for (const PlacedRun& run : layout.runs) {
            if (run.line == int(i))
                runs << QStringLiteral("@%1'%2'").arg(run.box.left()).arg(run.text);
        }
        lines << runs.join(' ');
    }
    return lines.join(" / ").toStdString();
}

std::string rect(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

TEST(HtmlLabelLayout, WrapsTabsIndentsAndAligns) {
    struct Case {
        const char* caption;
        LayoutOptions options;
        const char* expected;
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
    const Qt::Alignment centre = Qt::AlignHCenter | Qt::AlignTop;
    const Case cases[] = {
        {"hello world", options(40), "@1'hello world'"},
        {"hello world", options(50, true), "@1'hello ' / @1'world'"},
        // A blank may hang over the edge; other break characters may not.
        {"abcd efgh", options(26, true), "@1'abcd ' / @1'efgh'"},
        {"ab.cdef", options(26, true), "@1'ab.' / @1'cdef'"},
        {"ab/cd\\ef", options(26, true), "@1'ab/' / @1'cd\\' / @1'ef'"},
        {"abcd.ef", options(26, true), "@1'abcd' / @1'.ef'"},
        {"abcdefghij", options(26, true), "@1'abcd' / @1'efgh' / @1'ij'"},
        // Without a break character a run that does not start the line moves on whole.
        {"<B>ab</B>cdefgh", options(38, true), "@1'ab' / @1'cdefgh'"},
        // A character wider than the label is drawn anyway.
        {"ab", options(6, true), "@1'a' / @1'b'"},
        {"hello world<NOWORDWRAP>", options(50, true), "@1'hello world'"},
        {"a   b", options(20), "@1'a   b'"},
        {"a<TAB>b", options(200), "@1'a' @31'b'"},
        {"abcde<TAB>x", options(200), "@1'abcde' @61'x'"},
        {"<TAB>x", options(200), "@31'x'"},
        {"a<TAB>b", options(200, false, 0), "@1'a' @8'b'"},
        {"a\tb<TAB>c", options(200, false, 10), "@1'a' @11'b' @21'c'"},
        {"1.<TAB><INDENT>first second third", options(80, true),
         "@1'1.' @31'first ' / @31'second ' / @31'third'"},
        {"1.<TAB><INDENT>first second third", options(80, true, 30, right),
         "@13'1.' @43'first ' / @7'second third'"},
        {"a<BR>b", options(200), "@1'a' / @1'b'"},
        {"a<BR><BR>b", options(200), "@1'a' / @1' ' / @1'b'"},
        {"abc", options(50, false, 30, right), "@31'abc'"},
        {"abc", options(50, false, 30, centre), "@16'abc'"},
        {"abcdefghij", options(20, false, 30, centre), "@1'abcdefghij'"},
        {"<BIG>A</BIG>b", options(200), "@1'A' @9'b'"},
        // Tabs past the edge leave an empty line behind the run that moved on.
        {"<TAB><TAB>abcdef", options(70, true), " / @1'abcdef'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describe(laidOut(c.caption, c.options)), c.expected) << c.caption;
    }
}

TEST(HtmlLabelLayout, LinesShareABaselineAndStackByHeight) {
    const LabelLayout layout = laidOut("<BIG>A</BIG>b<BR>c", options(200));
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_EQ(layout.lines[0].top, 1);
    EXPECT_EQ(layout.lines[0].height, 12);
    EXPECT_EQ(layout.lines[1].top, 13);
    EXPECT_EQ(layout.lines[1].height, 10);
    ASSERT_EQ(layout.runs.size(), 3u);
    EXPECT_EQ(rect(layout.runs[0].box), "1,1 8x12");
    EXPECT_EQ(rect(layout.runs[1].box), "9,3 6x10");
    EXPECT_EQ(layout.runs[0].baseline, 11);
    EXPECT_EQ(layout.runs[1].baseline, 11);
    EXPECT_EQ(layout.extent, QSize(16, 24));
}

TEST(HtmlLabelLayout, ExtentAndMargins) {
    struct Case {
        const char* caption;
        LayoutOptions options;
        QSize extent;
        const char* firstRun;
    };
    LayoutOptions spaced = options(100);
    spaced.innerSpace = 3;
    LayoutOptions middle = options(100);
    middle.height = 40;
    middle.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    LayoutOptions bottom = middle;
    bottom.alignment = Qt::AlignLeft | Qt::AlignBottom;
    LayoutOptions tooLow = middle;
    tooLow.height = 5;
    const Case cases[] = {
        {"x", options(100), QSize(8, 12), "1,1 6x10"},
        {"x", spaced, QSize(14, 18), "4,4 6x10"},
        {"x", middle, QSize(8, 12), "1,15 6x10"},
        {"x", bottom, QSize(8, 12), "1,29 6x10"},
        {"x", tooLow, QSize(8, 12), "1,1 6x10"},
        {"hello world", options(50, true), QSize(50, 22), "1,1 36x10"},
        {"wide line<BR>x", options(10), QSize(56, 22), "1,1 54x10"},
    };
    for (const Case& c : cases) {
        const LabelLayout layout = laidOut(c.caption, c.options);
        EXPECT_EQ(layout.extent, c.extent) << c.caption;
        ASSERT_FALSE(layout.runs.empty());
        EXPECT_EQ(rect(layout.runs[0].box), c.firstRun) << c.caption;
    }
}

TEST(HtmlLabelLayout, AnchorAreasCoverAllRunsOfEachLine) {
    struct Case {
        const char* caption;
        LayoutOptions options;
        const char* areas;  // anchor:rect, in list order
    };
    const Case cases[] = {
        {"<A NAME=Find>Find</A> db file", options(200), "0:1,1 24x10"},
        // Every run of the anchor counts, not only the last one.
        {"<A NAME=x>ab<B>cd</B>ef</A>", options(200), "0:1,1 38x10"},
        {"<A NAME=One>one</A> <A NAME=Two>two</A>", options(200), "0:1,1 18x10 1:25,1 18x10"},
        {"see <A NAME=long>hello world</A>", options(80, true), "0:25,1 36x10 0:1,11 30x10"},
        {"<A NAME=x>a<BR>b</A>", options(200), "0:1,1 6x10 0:1,11 6x10"},
        {"<A NAME=x>a<TAB>b</A>", options(200), "0:1,1 36x10"},
        {"<A NAME=x></A>", options(200), ""},
    };
    for (const Case& c : cases) {
        const LabelLayout layout = laidOut(c.caption, c.options);
        QStringList areas;
        for (const AnchorArea& area : layout.anchorAreas) {
            areas << QStringLiteral("%1:").arg(area.anchor) +
                         QString::fromStdString(rect(area.rect));
        }
        EXPECT_EQ(areas.join(' ').toStdString(), c.areas) << c.caption;
    }
}

TEST(HtmlLabelLayout, HitTestsAnchors) {
    struct Case {
        const char* caption;
        LayoutOptions options;
        QPoint point;
        int anchor;
    };
    LayoutOptions middle = options(200);
    middle.height = 40;
    middle.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    const Case cases[] = {
        {"<A NAME=Find>Find</A> db file", options(200), {5, 5}, 0},
        {"<A NAME=Find>Find</A> db file", options(200), {30, 5}, -1},
        {"<A NAME=Find>Find</A> db file", options(200), {24, 5}, 0},
        {"<A NAME=Find>Find</A> db file", options(200), {25, 5}, -1},
        {"<A NAME=Find>Find</A> db file", options(200), {5, 11}, -1},
        {"<A NAME=x>ab<B>cd</B>ef</A>", options(200), {3, 5}, 0},
        {"<A NAME=One>one</A> <A NAME=Two>two</A>", options(200), {5, 5}, 0},
        {"<A NAME=One>one</A> <A NAME=Two>two</A>", options(200), {30, 5}, 1},
        {"<A NAME=One>one</A> <A NAME=Two>two</A>", options(200), {21, 5}, -1},
        {"see <A NAME=long>hello world</A>", options(80, true), {30, 5}, 0},
        {"see <A NAME=long>hello world</A>", options(80, true), {5, 15}, 0},
        {"see <A NAME=long>hello world</A>", options(80, true), {40, 15}, -1},
        {"<A NAME=x>a<TAB>b</A>", options(200), {15, 5}, 0},
        {"<A NAME=x>x</A>", middle, {3, 5}, -1},
        {"<A NAME=x>x</A>", middle, {3, 20}, 0},
    };
    for (const Case& c : cases) {
        const LabelLayout layout = laidOut(c.caption, c.options);
        EXPECT_EQ(anchorAt(layout, c.point), c.anchor)
            << c.caption << " at " << c.point.x() << "," << c.point.y();
    }
}

TEST(HtmlLabelLayout, KnowsTheBreakCharacters) {
    const QString breaks = QStringLiteral(" ._-/\\@#$&|");
    for (const QChar c : breaks) EXPECT_TRUE(isWrapBreak(c)) << c.toLatin1();
    for (const QChar c : QStringLiteral("a,;:!?()0\t"))
        EXPECT_FALSE(isWrapBreak(c)) << c.toLatin1();
}

}  // namespace
}  // namespace kit
