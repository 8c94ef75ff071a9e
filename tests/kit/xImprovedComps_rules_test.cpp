// The rules of the group box, the combo box history and the numeric edit,
// without windows.
#include <gtest/gtest.h>

#include "kit/xImprovedComps_history.h"
#include "kit/xImprovedComps_layout.h"
#include "kit/xImprovedComps_numeric.h"
#include "kit/xdlg_test_print.h"

namespace kit {
namespace {

TEST(GroupBoxPositionText, ParsesModesAndNumbers) {
    struct Case {
        QString text;
        ChildPosition expected;
    };
    const Case cases[] = {
        {"E;1;1;288;0;0", {HorzMode::Extend, 1, 1, 288, VertMode::None, 0}},
        {"cl;2;3;0;b;4", {HorzMode::CellLeft, 2, 3, 0, VertMode::Bottom, 4}},
        {"R", {HorzMode::Right, 0, 0, 0, VertMode::None, 0}},
        {"X;a;2;;E", {HorzMode::None, 0, 2, 0, VertMode::Extend, 0}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(parseChildPosition(c.text), c.expected);
    }
    EXPECT_EQ(formatChildPosition(parseChildPosition("cr;2;3;5;e;1")), "CR;2;3;5;E;1");
}

TEST(GroupBoxPositionText, LinesByNameAndStarredNames) {
    QStringList lines{"cbFile=E;1;1;288;0;0", "btDBOpen=R;0;0;192;0;0"};
    EXPECT_EQ(positionTextOf(lines, "CBFILE"), QString("E;1;1;288;0;0"));
    EXPECT_EQ(positionTextOf(lines, "*L;0;0;0;B;0"), QString("L;0;0;0;B;0"));
    EXPECT_EQ(positionTextOf(lines, "missing"), std::nullopt);
    setPositionText(lines, "btdbopen", "R;0;0;8;0;0");
    setPositionText(lines, "lblFile", "L;0;0;0;0;0");
    EXPECT_EQ(lines,
              (QStringList{"cbFile=E;1;1;288;0;0", "btdbopen=R;0;0;8;0;0", "lblFile=L;0;0;0;0;0"}));
}

TEST(GroupBoxPositionText, PlacesChildren) {
    // Client area 10..410 x 20..120; border 8; child at (50, 30) 60 x 20.
    const QRect client(10, 20, 400, 100);
    const QRect child(50, 30, 60, 20);
    BoxSpacing spacing;
    struct Case {
        const char* text;
        std::optional<QRect> expected;
    };
    const Case cases[] = {
        {"0;0;0;0;0;0", QRect(50, 30, 60, 20)},
        {"L", QRect(18, 30, 60, 20)},
        {"R;0;0;12", QRect(410 - 8 - 12 - 60, 30, 60, 20)},
        {"E;1;1;288", QRect(50, 30, 410 - 8 - 288 - 50, 20)},
        // Two cells of (400 - 16 - 4) / 2 = 190: the second starts at 18 + 4 + 190.
        {"C;2;2;0", QRect(212, 30, 190, 20)},
        {"C;1;2;10", QRect(18, 30, 180, 20)},
        {"CL;2;2", QRect(212, 30, 60, 20)},
        {"CR;1;2", QRect(18 + 190 - 60, 30, 60, 20)},
        {"0;0;0;0;E;5", QRect(50, 30, 60, 120 - 8 - 5 - 30)},
        {"0;0;0;0;B;0", QRect(50, 120 - 8 - 20, 60, 20)},
        // A count below the column skips the line; so does a result without width.
        {"C;3;2", std::nullopt},
        {"C;0;2", std::nullopt},
        {"E;0;0;400", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(positionChild(parseChildPosition(c.text), child, client, spacing), c.expected);
    }
    spacing.borderLeftAdd = 6;
    EXPECT_EQ(positionChild(parseChildPosition("L"), child, client, spacing),
              QRect(24, 30, 60, 20));
}

TEST(GroupBoxGrid, PercentageCells) {
    const QRect client(0, 0, 416, 216);
    const QRect current(1, 2, 3, 4);
    const std::vector<double> columns{25, 75};
    const std::vector<double> rows{50, 50};
    const BoxSpacing spacing;  // border 8, spacings 4
    // Free width 416 - 16 - 4 = 396; free height 216 - 16 - 4 = 196.
    struct Case {
        GridCell cell;
        QRect expected;
    };
    const Case cases[] = {
        {{1, 1, 1, 1, false, false}, QRect(8, 8, 99, 98)},
        {{2, 2, 2, 2, false, false}, QRect(8 + 4 + 99, 8 + 4 + 98, 297, 98)},
        {{1, 2, 1, 1, false, false}, QRect(8, 8, 4 + 396, 98)},
        {{1, 9, 0, 0, false, false}, QRect(8, 2, 400, 4)},  // "to" clamped, rows untouched
        {{3, 3, 1, 1, false, false}, QRect(1, 8, 3, 98)},   // no such column
        // The last column and row reach the client's edges less the border.
        {{1, 1, 2, 2, true, true}, QRect(8, 110, 416 - 8 - 8, 216 - 8 - 110)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell.columnFrom * 10 + c.cell.rowFrom);
        EXPECT_EQ(placeGridCell(c.cell, current, client, columns, rows, spacing), c.expected);
    }
    // A zero-percent column places nothing.
    EXPECT_EQ(placeGridCell({1, 1, 0, 0, false, false}, current, client, {0, 100}, {}, spacing),
              current);
    EXPECT_EQ(parsePercents({"30", " 70 ", "x", ""}), (std::vector<double>{30, 70, 0}));
}

TEST(GroupBoxMinimize, Extents) {
    EXPECT_EQ(minimizedExtent(16, FrameType::ft3D), 21);
    EXPECT_EQ(minimizedExtent(16, FrameType::ftDoubleLine), 21);
    EXPECT_EQ(minimizedExtent(16, FrameType::ftSingleLine), 19);
    EXPECT_EQ(minimizedExtent(16, FrameType::ftNone), 17);
    EXPECT_EQ(restoredExtent(120, 16, 300), 120);
    EXPECT_EQ(restoredExtent(10, 16, 50), 8 + 50);
    EXPECT_EQ(restoredExtent(10, 16, 20), 8 + 32);
}

TEST(ComboHistory, AddAndRemoveRules) {
    struct Step {
        enum { Add, Remove } op;
        QString text;
        bool changed;
    };
    QStringList items{"a.mdb"};
    const Step steps[] = {
        {Step::Add, historyText("  A.MDB ", ""), false},   // trimmed, any letter case
        {Step::Add, historyText("x", ""), false},          // one character
        {Step::Add, historyText("", "  b.accdb "), true},  // the box's own text
        {Step::Add, historyText("c.mdb", "ignored"), true},
        {Step::Remove, historyText(" B.ACCDB", ""), true},
        {Step::Remove, historyText("nothere", ""), false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.text.toStdString());
        const bool changed = step.op == Step::Add ? addHistoryItem(items, step.text)
                                                  : removeHistoryItem(items, step.text);
        EXPECT_EQ(changed, step.changed);
    }
    EXPECT_EQ(items, (QStringList{"a.mdb", "c.mdb"}));  // never sorted
}

TEST(ComboHistory, DropDownWidth) {
    EXPECT_EQ(dropDownWidth(250, 17, 5, 8, 200, 600), 250);
    EXPECT_EQ(dropDownWidth(250, 17, 9, 8, 200, 600), 267);  // a scroll bar shows
    EXPECT_EQ(dropDownWidth(900, 17, 5, 8, 200, 600), 600);
    EXPECT_EQ(dropDownWidth(100, 17, 5, 8, 200, 600), 200);
}

TEST(EditNumRules, NormalisesTypedTexts) {
    struct Case {
        const char* name;
        NumericRules rules;
        QString text;
        std::optional<QString> expected;
    };
    NumericRules noLimits;
    NumericRules titleLines{enInteger, 1, 5, 1, true, {}};
    NumericRules titleLinesFloat{enFloat, 1, 5, 1, true, {}};
    NumericRules minOnly{enInteger, 1, 0, 0, false, {}};
    NumericRules inverted{enInteger, 10, 3, 0, false, {}};
    NumericRules evenSteps{enInteger, 1, 5, 2, true, {}};
    NumericRules halves{enFloat, 0, 0, 0.5, true, {}};
    NumericRules money{enFloat, 0, 0, 0, false, "#,##0.00"};
    const Case cases[] = {
        {"no limits keep any integer", noLimits, "-123456", "-123456"},
        {"empty counts as 0", noLimits, "", "0"},
        {"no number stays", noLimits, "12a", std::nullopt},
        {"lone sign is no number", noLimits, "-", std::nullopt},
        {"typed 7 becomes 5", titleLines, "7", "5"},
        {"below the minimum", titleLines, "0", "1"},
        {"float rounds to the step", titleLinesFloat, "2.6", "3"},
        {"exact half goes to even", titleLinesFloat, "2.5", "2"},
        {"exact half goes to even upward", titleLinesFloat, "3.5", "4"},
        {"maximum 0 with a minimum", minOnly, "1000", "1000"},
        {"maximum below minimum: only the minimum", inverted, "50", "50"},
        {"maximum below minimum: minimum holds", inverted, "4", "10"},
        {"rounding below the range is clamped again", evenSteps, "1", "1"},
        {"rounding inside the range", evenSteps, "3", "4"},
        {"half steps", halves, "1.3", "1.5"},
        {"format", money, "1234.5", "1,234.50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(normalizeText(c.text, c.rules, u'.', u','), c.expected);
    }
}

TEST(EditNumRules, TypedCharacters) {
    struct Case {
        QChar typed;
        TxEditNumStyle style;
        std::optional<QChar> expected;
    };
    const Case cases[] = {
        {u'5', enInteger, u'5'},         {u'-', enInteger, u'-'},
        {u'+', enInteger, u'+'},         {u'.', enInteger, std::nullopt},
        {u'e', enInteger, std::nullopt}, {u'a', enInteger, std::nullopt},
        {u'\b', enInteger, u'\b'},       {u'.', enFloat, u','},
        {u',', enFloat, u','},           {u'E', enFloat, u'E'},
        {u'x', enFloat, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.typed.unicode()));
        // A locale whose decimal separator is ",".
        EXPECT_EQ(acceptTypedChar(c.typed, c.style, u','), c.expected);
    }
    EXPECT_EQ(parseNumber("2,5", u','), 2.5);
    EXPECT_EQ(parseNumber("2.5", u','), std::nullopt);
}

TEST(EditNumRules, DisplayFormats) {
    struct Case {
        double value;
        const char* format;
        QString expected;
    };
    const Case cases[] = {
        {1234.5, "0.00", "1234.50"},
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {0.5, "#.##", ".5"},
        {7, "000", "007"},
        {-3.14159, "0.0", "-3.1"},
        {-2, "0;(0)", "(2)"},
        {12, "0 \"pcs\"", "12 pcs"},
        {0.004, "0.00", "0.00"},
        {2.5, "0", "3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(formatFloat(c.value, c.format, u'.', u','), c.expected);
    }
}

}  // namespace
}  // namespace kit
