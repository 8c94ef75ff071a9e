#include "kit/xHTMLLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

// Records what labels would have opened through the desktop.
class ShellOpenRecorder {
public:
    ShellOpenRecorder() {
        kit::setShellOpenHandler([this](const QString& target) { opened.push_back(target); });
    }
    ~ShellOpenRecorder() { kit::setShellOpenHandler({}); }
    QStringList opened;
};

void sendMouse(QWidget* widget, QEvent::Type type, QPoint point) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void click(QWidget* widget, QPoint point) {
    sendMouse(widget, QEvent::MouseButtonPress, point);
    sendMouse(widget, QEvent::MouseButtonRelease, point);
}

// The centre of the first area of the anchor with the given name.
QPoint anchorCentre(const TxHTMLLabel& label, const QString& name) {
    const kit::LabelLayout& layout = label.currentLayout();
    for (const kit::AnchorArea& area : layout.anchorAreas) {
        if (layout.anchors[size_t(area.anchor)].name == name) return area.rect.center();
    }
    ADD_FAILURE() << "no area for anchor " << name.toStdString();
    return {};
}

// Events of one label as a short string: "anchor:Find click".
struct ClickLog {
    explicit ClickLog(TxHTMLLabel& label) {
        QObject::connect(&label, &TxHTMLLabel::anchorClicked,
                         [this](const QString& name) { events << "anchor:" + name; });
        QObject::connect(&label, &TxHTMLLabel::clicked, [this] { events << "click"; });
    }
    std::string take() {
        const std::string out = events.join(' ').toStdString();
        events.clear();
        return out;
    }
    QStringList events;
};

bool hasPixelNear(const QImage& image, QColor colour, int tolerance = 40) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <=
                tolerance) {
                return true;
            }
        }
    }
    return false;
}

TEST(HtmlEscape, EscapedTextShowsLiterally) {
    EXPECT_EQ(htmlEscape("a<b & c>").toStdString(), "a&lt;b &amp; c&gt;");
    const QString hostile = "C:\\x<B>y</B>&amp;<A NAME=z>z</A><BR>";
    TxHTMLLabel label;
    label.setCaption("File: " + htmlEscape(hostile));
    EXPECT_EQ(label.plainText().toStdString(), ("File: " + hostile).toStdString());
    EXPECT_TRUE(label.currentLayout().anchors.empty());
}

TEST(TxHTMLLabel, ClicksReportAnchorsByName) {
    TxHTMLLabel label("<A NAME=Find>Find</A> db file    <A NAME=Create>Create</A> a new database");
    ClickLog log(label);
    // No paint and no mouse move before the click: the anchors are known.
    click(&label, anchorCentre(label, "Find"));
    EXPECT_EQ(log.take(), "anchor:Find click");
    click(&label, anchorCentre(label, "Create"));
    EXPECT_EQ(log.take(), "anchor:Create click");
    const kit::LabelLayout& layout = label.currentLayout();
    const QPoint onText(layout.anchorAreas[0].rect.right() + 20,
                        layout.anchorAreas[0].rect.center().y());
    click(&label, onText);
    EXPECT_EQ(log.take(), "click");
}

TEST(TxHTMLLabel, WrappedAnchorIsClickableOnBothLines) {
    TxHTMLLabel label;
    label.setWordWrap(true);
    label.resize(120, 20);
    label.setCaption("Press <A NAME=Long>this rather long link text</A> now");
    ClickLog log(label);
    const kit::LabelLayout& layout = label.currentLayout();
    ASSERT_GE(layout.anchorAreas.size(), 2u);
    const QPoint first = layout.anchorAreas.front().rect.center();
    const QPoint last = layout.anchorAreas.back().rect.center();
    EXPECT_NE(first.y(), last.y());
    click(&label, first);
    click(&label, last);
    EXPECT_EQ(log.take(), "anchor:Long click anchor:Long click");
}

TEST(TxHTMLLabel, HrefAnchorsOpenThroughTheDesktop) {
    ShellOpenRecorder shell;
    TxHTMLLabel label("Visit <A HREF=https://example.org/a?b=1&amp;c=2>the site</A>");
    ClickLog log(label);
    click(&label, anchorCentre(label, "https://example.org/a?b=1&c=2"));
    EXPECT_EQ(log.take(), "click");
    EXPECT_EQ(shell.opened.join(' ').toStdString(), "https://example.org/a?b=1&c=2");
}

TEST(TxHTMLLabel, HoverShowsTheHandOverAnchorsOnly) {
    TxHTMLLabel label("<A NAME=Find>Find</A> db file");
    label.setCursor(Qt::IBeamCursor);
    const QPoint over = anchorCentre(label, "Find");
    sendMouse(&label, QEvent::MouseMove, over);
    EXPECT_EQ(label.hotAnchor(), 0);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    sendMouse(&label, QEvent::MouseMove,
              QPoint(label.currentLayout().extent.width() - 2, over.y()));
    EXPECT_EQ(label.hotAnchor(), -1);
    EXPECT_EQ(label.cursor().shape(), Qt::IBeamCursor);
    sendMouse(&label, QEvent::MouseMove, over);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    EXPECT_EQ(label.hotAnchor(), -1);
    EXPECT_EQ(label.cursor().shape(), Qt::IBeamCursor);
}

TEST(TxHTMLLabel, SizesItselfToItsText) {
    TxHTMLLabel label;
    label.resize(300, 10);
    label.setCaption("short");
    const QSize oneLine = label.size();
    EXPECT_EQ(oneLine, label.currentLayout().extent);
    label.setCaption("short<BR>two lines");
    EXPECT_GT(label.width(), oneLine.width());
    EXPECT_GT(label.height(), oneLine.height());

    label.setWordWrap(true);
    label.resize(80, 10);
    label.setCaption("a text long enough to need several lines in eighty pixels");
    EXPECT_EQ(label.width(), 80);
    EXPECT_GT(label.height(), 3 * oneLine.height());
    EXPECT_EQ(label.height(), label.heightForWidth(80));
    EXPECT_TRUE(label.hasHeightForWidth());

    label.setCaption("a text long enough to need several lines<NOWORDWRAP>");
    EXPECT_FALSE(label.hasHeightForWidth());
    EXPECT_GT(label.width(), 80);
    EXPECT_EQ(label.height(), oneLine.height());
}

TEST(TxHTMLLabel, WrapsInsideALayout) {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* label = new TxHTMLLabel(&window);
    label->setWordWrap(true);
    label->setCaption("a text long enough to need several lines in a narrow window of its own");
    column->addWidget(label);
    window.resize(150, 300);
    window.show();
    QApplication::processEvents();
    EXPECT_LE(label->width(), 150);
    EXPECT_EQ(label->currentLayout().extent.width(), label->width());
    EXPECT_GT(label->currentLayout().lines.size(), 2u);
}

TEST(TxHTMLLabel, PlainTextTooWideBecomesTheHint) {
    struct Case {
        const char* caption;
        const char* ownHint;
        int width;
        const char* expectedHint;
    };
    const Case cases[] = {
        {"a plain caption much wider than its label", "", 60,
         "a plain caption much wider than its label"},
        {"a plain caption much wider than its label", "my hint", 60, "my hint"},
        {"fits", "", 200, ""},
        {"<B>marked</B> caption much wider than its label", "", 60, ""},
    };
    for (const Case& c : cases) {
        TxHTMLLabel label;
        label.setAutoSize(false);
        label.resize(c.width, 20);
        label.setToolTip(c.ownHint);
        label.setCaption(c.caption);
        label.grab();  // the hint is decided when the label is drawn
        EXPECT_EQ(label.toolTip().toStdString(), c.expectedHint) << c.caption;
    }
    // A hint the label put there itself goes again when the text fits.
    TxHTMLLabel label;
    label.setAutoSize(false);
    label.resize(60, 20);
    label.setCaption("a plain caption much wider than its label");
    label.grab();
    label.setCaption("fits");
    label.grab();
    EXPECT_EQ(label.toolTip().toStdString(), "");
}

TEST(TxHTMLLabel, ParametersAreAskedWhenShown) {
    TxHTMLLabel label("Rows: <VAR>count</VAR>");
    int count = 3;
    label.setParameterFunction(
        [&](const QString& name) { return name == "count" ? QString::number(count) : QString(); });
    EXPECT_EQ(label.plainText().toStdString(), "Rows: 3");
    const int narrow = label.width();
    count = 123456;
    EXPECT_EQ(label.plainText().toStdString(), "Rows: 123456");
    label.refresh();
    EXPECT_GT(label.width(), narrow);
}

TEST(TxHTMLLabel, AnchorHandlerMayDeleteTheLabel) {
    QWidget window;
    QPointer<TxHTMLLabel> label = new TxHTMLLabel("<A NAME=Close>Close</A>", &window);
    QStringList events;
    QObject::connect(label, &TxHTMLLabel::anchorClicked, [&](const QString& name) {
        events << name;
        delete label;
    });
    QObject::connect(label, &TxHTMLLabel::clicked, [&] { events << "click"; });
    click(label, anchorCentre(*label, "Close"));
    EXPECT_TRUE(label.isNull());
    EXPECT_EQ(events.join(' ').toStdString(), "Close");
}

TEST(TxHTMLLabel, CaptionStringsReplaceTheCaption) {
    TxHTMLLabel label("old");
    label.setCaptionStrings({"first <B>line</B>", "second line  ", "", " "});
    EXPECT_TRUE(label.caption().isEmpty());
    EXPECT_EQ(label.plainText().toStdString(), "first line\nsecond line");
}

TEST(TxHTMLLabel, RendersColoursAndDisabledState) {
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    window.resize(460, 150);
    auto* column = new QVBoxLayout(&window);

    auto* info = new TxHTMLLabel(&window);
    info->setCaption(
        "DB file: <B>shop.accdb</B>, Version 12.0 (ACCDB), Collation: General (English, "
        "French, German ...)");
    info->setWordWrap(true);
    auto* links = new TxHTMLLabel(&window);
    links->setCaption("<A NAME=Find>Find</A> db file    <A NAME=Create>Create</A> a new database");
    auto* styled = new TxHTMLLabel(&window);
    styled->setCaption(
        "<COLOR=#FF0000>red</COLOR><TAB><I>italic</I><TAB><BGCOLOR=Yellow>marked</BGCOLOR><TAB>"
        "<BIG>big</BIG> <SMALL>small</SMALL> <U>under</U>");
    auto* disabled = new TxHTMLLabel(&window);
    disabled->setCaption("Disabled <COLOR=#FF0000>red</COLOR> and <A NAME=x>anchor</A>");
    disabled->setEnabled(false);
    auto* url = new TxURLLabel("Expand all", &window);
    for (QWidget* w :
         {static_cast<QWidget*>(info), static_cast<QWidget*>(links), static_cast<QWidget*>(styled),
          static_cast<QWidget*>(disabled), static_cast<QWidget*>(url)}) {
        column->addWidget(w);
    }
    window.show();
    QApplication::processEvents();

    const QImage shot = window.grab().toImage();
    // The picture is for a person to look at: kept where TABULON_SCREENSHOT_DIR
    // says, else written into a temporary folder that goes away afterwards.
    QTemporaryDir scratch;
    const QString kept = qEnvironmentVariable("TABULON_SCREENSHOT_DIR");
    const QString dir = kept.isEmpty() ? scratch.path() : kept;
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(QDir(dir).filePath("html_label.png")));

    EXPECT_TRUE(hasPixelNear(styled->grab().toImage(), Qt::red));
    EXPECT_TRUE(hasPixelNear(styled->grab().toImage(), Qt::yellow, 0));
    const QImage grey = disabled->grab().toImage();
    EXPECT_FALSE(hasPixelNear(grey, Qt::red, 120));
    EXPECT_TRUE(hasPixelNear(grey, disabled->palette().color(QPalette::Dark), 0));
    EXPECT_TRUE(hasPixelNear(links->grab().toImage(), links->palette().color(QPalette::Highlight)));
}

TEST(TxURLLabel, ClickRaisesClickedThenOpensTheCommand) {
    ShellOpenRecorder shell;
    TxURLLabel label("Expand all");
    QStringList events;
    QObject::connect(&label, &TxURLLabel::clicked, [&] {
        events << "click(opened " + QString::number(shell.opened.size()) + ")";
    });
    click(&label, label.rect().center());
    label.setUrlCommand("https://example.org");
    click(&label, label.rect().center());
    EXPECT_EQ(events.join(' ').toStdString(), "click(opened 0) click(opened 0)");
    EXPECT_EQ(shell.opened.join(' ').toStdString(), "https://example.org");
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.size(), label.sizeHint());
}

TEST(TxURLLabel, IsHotWhileTheMouseIsOver) {
    TxURLLabel label("Collapse all");
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&label, &enter);
    EXPECT_TRUE(label.isHot());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    EXPECT_FALSE(label.isHot());
}

}  // namespace
