#include "kit/colour_names.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

namespace kit {
namespace {

std::string describe(const std::optional<QColor>& colour) {
    return colour ? colour->name().toStdString() : "none";
}

std::string text(const QColor& colour) {
    return colourToText(colour).toStdString();
}

TEST(ColourNames, TableHoldsTwentyOneEntriesInOrder) {
    const auto table = colourNameTable();
    ASSERT_EQ(table.size(), 21u);
    EXPECT_STREQ(table[0].name, "Black");
    EXPECT_STREQ(table[15].name, "White");
    EXPECT_STREQ(table[16].displayName, "Money Green");
    EXPECT_STREQ(table[19].name, "MedGray");
    EXPECT_STREQ(table[20].name, "Custom...");
    EXPECT_FALSE(table[20].value.has_value());
}

TEST(ColourNames, ReadsColourTexts) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"Red", "#ff0000"},
        {"navy", "#000080"},
        {"  Teal  ", "#008080"},
        {"MoneyGreen", "#c0dcc0"},
        {"money green", "#c0dcc0"},
        {"Sky Blue", "#a6caf0"},
        {"MEDGRAY", "#a0a0a4"},
        {"Custom...", "none"},
        {"", "none"},
        {"Reddish", "none"},
        // Numbers keep red in the low byte.
        {"$000000FF", "#ff0000"},
        {"$ff", "#ff0000"},
        {"$00FF0000", "#0000ff"},
        {"$00C0DCC0", "#c0dcc0"},
        {"255", "#ff0000"},
        {"16711680", "#0000ff"},
        {"0", "#000000"},
        {"$", "none"},
        {"$-1", "none"},
        {"$xyz", "none"},
        {"12ab", "none"},
        {"$01000000", "none"},
        {"$FF0000FE", "none"},
        {"99999999999", "none"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describe(colourFromText(QString::fromLatin1(c.text))), c.expected) << c.text;
    }
}

TEST(ColourNames, SystemColoursComeFromThePalette) {
    const QPalette palette = QGuiApplication::palette();
    const std::string face = palette.color(QPalette::Button).name().toStdString();
    EXPECT_EQ(describe(colourFromText("$FF00000F")), face);
    EXPECT_EQ(describe(colourFromText("-16777201")), face);  // the same value, signed
    EXPECT_EQ(describe(systemColour("BtnFace")), face);
    EXPECT_EQ(describe(systemColour("highlight")),
              palette.color(QPalette::Highlight).name().toStdString());
    EXPECT_EQ(describe(systemColour("HotLight")),
              palette.color(QPalette::Link).name().toStdString());
    EXPECT_EQ(describe(systemColour("Red")), "none");
}

TEST(ColourNames, WritesTableNamesOrHexValues) {
    struct Case {
        QColor colour;
        const char* expected;
    };
    const Case cases[] = {
        {QColor(255, 0, 0), "Red"},         {QColor(192, 220, 192), "MoneyGreen"},
        {QColor(160, 160, 164), "MedGray"}, {QColor(1, 2, 3), "$00030201"},
        {QColor(255, 0, 1), "$000100FF"},   {QColor(), "Custom..."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text(c.colour), c.expected) << c.colour.name().toStdString();
    }
}

TEST(ColourNames, WrittenTextsReadBack) {
    for (const NamedColour& entry : colourNameTable()) {
        if (!entry.value) continue;
        const QColor colour = QColor::fromRgb(*entry.value);
        EXPECT_EQ(text(colour), entry.name);
        EXPECT_EQ(describe(colourFromText(colourToText(colour))), colour.name().toStdString());
    }
    const QColor odd(12, 34, 56);
    EXPECT_EQ(describe(colourFromText(colourToText(odd))), odd.name().toStdString());
}

}  // namespace
}  // namespace kit
