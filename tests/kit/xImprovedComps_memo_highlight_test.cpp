// TxMemoEx's highlighting as its document holds it: which pieces of which
// lines get which colours, for each entry format and matching rule, across
// lines and after edits; the selection over the colours; the guide lines.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include "kit/colour_names.h"
#include "kit/xImprovedComps_memo.h"
#include "kit/xdlg_test_print.h"

namespace {

// "line:piece=text colour/background" for every coloured piece, in order;
// "-" stands for no background.
QStringList paintedPieces(const TxMemoEx& memo) {
    QStringList pieces;
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            const QTextCharFormat& format = range.format;
            const QString background = format.hasProperty(QTextFormat::BackgroundBrush)
                                           ? kit::colourToText(format.background().color())
                                           : QStringLiteral("-");
            pieces << QStringLiteral("%1:%2=%3/%4")
                          .arg(block.blockNumber())
                          .arg(block.text().mid(range.start, range.length),
                               kit::colourToText(format.foreground().color()), background);
        }
    }
    return pieces;
}

// A memo whose own text is maroon, painting in navy on silver by default.
void useTestColours(TxMemoEx& memo) {
    QPalette palette = memo.palette();
    palette.setColor(QPalette::Text, QColor(128, 0, 0));
    memo.setPalette(palette);
    memo.setHighlightedFontColor(QColor(0, 0, 128));
    memo.setHighlightedBrushColor(QColor(192, 192, 192));
}

// The highlight properties a case sets; the rest keep their initial values.
struct Rules {
    QStringList words = {};
    bool wholeWords = false;
    QString fromStr = {};
    QString toStr = {};
    QStringList fromToEx = {};
};

struct HighlightCase {
    const char* name;
    Rules rules;
    QString text;
    QStringList expected;
};

TEST(MemoHighlight, PiecesPerEntryAndRule) {
    const HighlightCase cases[] = {
        {"words inside other words without whole words",
         {.words = {"SELECT"}},
         "SELECTED select",
         {"0:SELECT=Navy/Silver", "0:select=Navy/Silver"}},
        {"whole words end at the delimiters only",
         {.words = {"SELECT"}, .wholeWords = true},
         "MY_SELECT SELECTED (select) x.select; [select] select",
         {"0:SELECT=Navy/Silver", "0:select=Navy/Silver", "0:select=Navy/Silver",
          "0:select=Navy/Silver"}},
        {"colour fields of word entries",
         {.words = {"AAA\tBlue", "BBB\tRed\tYellow", "CCC\t-\t-", "DDD\t\tMoney Green",
                    "EEE\tnosuch\tnosuch", "FFF\t255\t$0000FF00"},
          .wholeWords = true},
         "AAA BBB CCC DDD EEE FFF",
         {"0:AAA=Blue/Silver", "0:BBB=Red/Yellow", "0:CCC=Maroon/-", "0:DDD=Navy/MoneyGreen",
          "0:EEE=Maroon/-", "0:FFF=Red/Lime"}},
        {"a region that closes at each line end",
         {.fromStr = "--", .toStr = "#EOL#"},
         "a -- b\nc -- d -- e\nf",
         {"0:-- b=Navy/Silver", "1:-- d -- e=Navy/Silver"}},
        {"a region across lines",
         {.fromStr = "/*", .toStr = "*/"},
         "a /* b\nc\nd */ e /* f */",
         {"0:/* b=Navy/Silver", "1:c=Navy/Silver", "2:d */=Navy/Silver", "2:/* f */=Navy/Silver"}},
        {"an unclosed region runs to the end of the text",
         {.fromStr = "/*", .toStr = "*/"},
         "x /* a\n\nb",
         {"0:/* a=Navy/Silver", "2:b=Navy/Silver"}},
        {"a region closes at the first closing marker, nested or not",
         {.fromStr = "/*", .toStr = "*/"},
         "/* a /* b */ c */",
         {"0:/* a /* b */=Navy/Silver"}},
        {"adjacent regions",
         {.fromStr = "/*", .toStr = "*/"},
         "/*a*/x/*b*/",
         {"0:/*a*/=Navy/Silver", "0:/*b*/=Navy/Silver"}},
        {"only the opening marker set paints nothing", {.fromStr = "/*"}, "/* a */", {}},
        {"further region kinds with their colours, #9 for a tab, empty markers ignored",
         {.fromToEx = {"'\t'\tGreen\t-", "#9<\t>#9\tTeal\tAqua", "\t)\tRed", "(\t\tRed"}},
         "say 'hi' and\t<x>\t(y)",
         {"0:'hi'=Green/-", "0:\t<x>\t=Teal/Aqua"}},
        {"each region kind carries on its own; no background keeps the one below",
         {.fromStr = "/*", .toStr = "*/", .fromToEx = {"{\t}\tGreen\t-"}},
         "/* a { b\nc */ d } e",
         {"0:/* a =Navy/Silver", "0:{ b=Green/Silver", "1:c */=Green/Silver", "1: d }=Green/-"}},
        {"words paint over regions",
         {.words = {"SELECT\tRed\tYellow", "FROM\tBlue\t-"},
          .wholeWords = true,
          .fromStr = "/*",
          .toStr = "*/"},
         "/* select from */",
         {"0:/* =Navy/Silver", "0:select=Red/Yellow", "0: =Navy/Silver", "0:from=Blue/Silver",
          "0: */=Navy/Silver"}},
        {"markers match without regard to letter case",
         {.fromToEx = {"rem\t#EOL#\tGray\t-"}},
         "x REM note",
         {"0:REM note=Gray/-"}},
        {"letters that grow when upper-cased do not shift what follows",
         {.words = {"SELECT", "STRAẞE"}, .wholeWords = true},
         "straße ﬁ select",
         {"0:straße=Navy/Silver", "0:select=Navy/Silver"}},
    };
    for (const HighlightCase& c : cases) {
        SCOPED_TRACE(c.name);
        TxMemoEx memo;
        useTestColours(memo);
        memo.setHighlightWords(c.rules.words);
        memo.setHighlightWholeWords(c.rules.wholeWords);
        memo.setHighlightFromStr(c.rules.fromStr);
        memo.setHighlightToStr(c.rules.toStr);
        memo.setHighlightFromToEx(c.rules.fromToEx);
        memo.setPlainText(c.text);
        EXPECT_EQ(paintedPieces(memo), c.expected);
    }
}

TEST(MemoHighlight, PropertyChangesColourTheTextAgain) {
    TxMemoEx memo;
    useTestColours(memo);
    memo.setPlainText("select 1");
    EXPECT_EQ(paintedPieces(memo), QStringList{});
    memo.setHighlightWords({"SELECT"});
    EXPECT_EQ(paintedPieces(memo), QStringList{"0:select=Navy/Silver"});
    memo.setHighlightedBrushColor(QColor(255, 255, 0));
    EXPECT_EQ(paintedPieces(memo), QStringList{"0:select=Navy/Yellow"});
    // "-" follows the memo's own colour when that changes.
    memo.setHighlightWords({"SELECT\t-"});
    QPalette palette = memo.palette();
    palette.setColor(QPalette::Text, QColor(0, 128, 0));
    memo.setPalette(palette);
    EXPECT_EQ(paintedPieces(memo), QStringList{"0:select=Green/Yellow"});
}

QString commentedLines(int count) {
    QStringList lines{"/* the comment opens here"};
    for (int i = 1; i < count - 1; ++i) lines << QStringLiteral("line %1").arg(i);
    lines << "*/ select";
    return lines.join(u'\n');
}

bool isPainted(const QTextBlock& block) {
    return !block.layout()->formats().isEmpty();
}

TEST(MemoHighlight, RegionOpenedFarAboveIsColouredWhenScrolledIntoView) {
    TxMemoEx memo;
    memo.setHighlightFromStr("/*");
    memo.setHighlightToStr("*/");
    memo.setPlainText(commentedLines(400));
    memo.resize(300, 200);
    memo.show();
    memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->maximum() / 2);
    const QTextBlock visible = memo.cursorForPosition(QPoint(0, 0)).block();
    ASSERT_GT(visible.blockNumber(), 100);
    EXPECT_TRUE(isPainted(visible));
    EXPECT_TRUE(isPainted(memo.document()->lastBlock()));  // "*/" closes it there

    // Taking the opening marker away uncolours every line below it; putting
    // it back colours them again.
    QTextCursor cursor(memo.document());
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    EXPECT_FALSE(isPainted(visible));
    EXPECT_FALSE(isPainted(memo.document()->lastBlock()));
    cursor.insertText("/*");
    EXPECT_TRUE(isPainted(visible));
    // A closing marker in the middle ends the region there.
    QTextCursor middle(memo.document()->findBlockByNumber(50));
    middle.insertText("*/");
    EXPECT_TRUE(isPainted(memo.document()->findBlockByNumber(50)));
    EXPECT_FALSE(isPainted(visible));
}

TEST(MemoHighlight, ManyRegionKindsStillCarryAcrossLines) {
    // More region kinds than a block state holds as bits.
    QStringList kinds;
    for (int i = 0; i < 40; ++i) kinds << QStringLiteral("<%1|\t|%1>").arg(i);
    TxMemoEx memo;
    memo.setHighlightFromToEx(kinds);
    memo.setPlainText("<39| open\nstill\n|39> closed\nafter");
    const QTextDocument* document = memo.document();
    EXPECT_TRUE(isPainted(document->findBlockByNumber(1)));
    EXPECT_FALSE(isPainted(document->findBlockByNumber(3)));
    QTextCursor cursor(document->findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();  // the closing marker goes
    EXPECT_TRUE(isPainted(document->findBlockByNumber(3)));
}

// Pixels of `colour` inside the viewport between two text positions of the
// first line.
int pixelsOf(const QImage& image, const TxMemoEx& memo, int from, int to, QColor colour) {
    QTextCursor start(memo.document());
    start.setPosition(from);
    QTextCursor end(memo.document());
    end.setPosition(to);
    const QRect first = memo.cursorRect(start);
    const QRect last = memo.cursorRect(end);
    int count = 0;
    for (int x = first.left() + 1; x < last.left(); ++x)
        for (int y = first.top(); y <= first.bottom(); ++y)
            if (image.pixelColor(x, y) == colour) ++count;
    return count;
}

TEST(MemoHighlight, SelectionShowsOverTheColours) {
    TxMemoEx memo;
    memo.setHighlightWords({"SELECT\tWhite\tRed"});
    memo.setPlainText("SELECT SELECT");
    memo.resize(300, 100);
    memo.show();
    QTextCursor selection(memo.document());
    selection.setPosition(0);
    selection.setPosition(6, QTextCursor::KeepAnchor);
    memo.setTextCursor(selection);
    const QImage image = memo.viewport()->grab().toImage();
    const QColor red(255, 0, 0);
    EXPECT_EQ(pixelsOf(image, memo, 0, 6, red), 0);
    EXPECT_GT(pixelsOf(image, memo, 7, 13, red), 20);
}

TEST(MemoGuideLines, ColumnsFromTheText) {
    EXPECT_EQ(kit::memoGuideColumns("10;20;x"), (std::vector<int>{10, 20}));
    EXPECT_EQ(kit::memoGuideColumns(" 80 ;0;-5;abc;;3.5;120"), (std::vector<int>{80, 120}));
    EXPECT_EQ(kit::memoGuideColumns(""), std::vector<int>{});
}

TEST(MemoGuideLines, DrawnAtCharacterColumnsInsideTheViewport) {
    TxMemoEx memo;
    memo.resize(400, 120);
    memo.setPlainText("0123456789012345678901234567890");
    memo.show();
    memo.setPageBreaksCharNumber("10;x;20;1000");
    const QFontMetrics metrics(memo.font());
    const int origin = qRound(memo.document()->documentMargin());
    const std::vector<int> expected{origin + metrics.horizontalAdvance(QString(10, u'o')),
                                    origin + metrics.horizontalAdvance(QString(20, u'o'))};
    ASSERT_EQ(memo.guideLinePositions(), expected);

    const QImage image = memo.viewport()->grab().toImage();
    const int bottom = memo.viewport()->height() - 2;
    EXPECT_EQ(image.pixel(expected[0], bottom), memo.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(expected[0] + 1, bottom), memo.palette().color(QPalette::Light).rgb());
    EXPECT_NE(image.pixel(expected[0] - 1, bottom), image.pixel(expected[0], bottom));
    memo.setPageBreaksCharNumber("");
    EXPECT_TRUE(memo.guideLinePositions().empty());
}

}  // namespace
