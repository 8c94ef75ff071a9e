// The message dialogs' decisions without a window: button sets, Escape and
// close-box results, text item codes and button positions.
#include "kit/xdlg_layout.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "kit/xdlg_test_print.h"

namespace kit {
namespace {

struct ButtonSetCase {
    ButtonSet set;
    QStringList captions;
    std::vector<int> results;
    int defaultIndex;
    std::optional<int> onEscape;
    std::optional<int> onCloseBox;
};

QStringList captionsOf(const ButtonSetSpec& spec) {
    QStringList captions;
    for (const auto& button : spec.buttons) captions << button.caption;
    return captions;
}

TEST(DlgButtonSets, CaptionsResultsAndKeys) {
    const ButtonSetCase cases[] = {
        {ButtonSet::Ok, {"&Ok"}, {mrOk}, 0, mrOk, mrCancel},
        {ButtonSet::OkCancel, {"&Ok", "&Cancel"}, {mrOk, mrCancel}, 0, mrCancel, mrCancel},
        {ButtonSet::YesNo, {"&Yes", "&No"}, {mrYes, mrNo}, -1, std::nullopt, std::nullopt},
        {ButtonSet::YesNoCancel,
         {"&Yes", "&No", "&Cancel"},
         {mrYes, mrNo, mrCancel},
         -1,
         mrCancel,
         mrCancel},
        {ButtonSet::TwoCustom, {"", ""}, {mrYes, mrNo}, -1, std::nullopt, std::nullopt},
        {ButtonSet::ThreeCustom, {"", "", ""}, {mrYes, mrNo, mrCancel}, -1, mrCancel, mrCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.set));
        const ButtonSetSpec spec = buttonSetSpec(c.set);
        EXPECT_EQ(captionsOf(spec), c.captions);
        std::vector<int> results;
        for (const auto& button : spec.buttons) results.push_back(button.result);
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(spec.defaultIndex, c.defaultIndex);
        EXPECT_EQ(escapeResult(spec), c.onEscape);
        EXPECT_EQ(closeBoxResult(spec), c.onCloseBox);
    }
}

TEST(DlgButtonSets, ImagesOfTheStandardButtons) {
    const ButtonSetSpec spec = buttonSetSpec(ButtonSet::YesNoCancel);
    EXPECT_EQ(spec.buttons[0].image, DlgButtonImage::OkYes);
    EXPECT_EQ(spec.buttons[1].image, DlgButtonImage::No);
    EXPECT_EQ(spec.buttons[2].image, DlgButtonImage::Cancel);
    EXPECT_EQ(buttonSetSpec(ButtonSet::TwoCustom).buttons[0].image, DlgButtonImage::None);
}

TEST(DlgTextItems, LeadingCodesChangeTheFont) {
    struct Case {
        QString item;
        MsgLabelSpec expected;
    };
    const Case cases[] = {
        {"plain", {"plain", false, false, false, 0}},
        {"^B^Ihello", {"hello", true, true, false, 0}},
        {"^U  spaced  ", {"spaced", false, false, true, 0}},
        {"^L^Xbig", {"big", false, false, false, 6}},
        {"^Qunknown code", {"unknown code", false, false, false, 0}},
        {"a ^B in the middle", {"a ^B in the middle", false, false, false, 0}},
        {"<B>x</B>", {"<B>x</B>", false, false, false, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item.toStdString());
        EXPECT_EQ(parseLabelItem(c.item), c.expected);
    }
}

TEST(DlgTextItems, CaptionButtonAndHelpItems) {
    const MsgPlan plan = planMessage(MsgKind::Warning, ButtonSet::ThreeCustom,
                                     {42, "^C  Replace file  ", "@1Replace", "@2 Keep both",
                                      "@3Skip", "^BThe file exists.", "Replace it?"});
    EXPECT_EQ(plan.caption, "Replace file");
    EXPECT_EQ(plan.helpContext, 42);
    EXPECT_EQ(captionsOf(plan.buttons), (QStringList{"Replace", "Keep both", "Skip"}));
    ASSERT_EQ(plan.labels.size(), 2u);
    EXPECT_TRUE(plan.labels[0].bold);
    EXPECT_EQ(plan.labels[1].text, "Replace it?");
}

TEST(DlgTextItems, ButtonCodeOutOfRangeIsIgnored) {
    const MsgPlan plan =
        planMessage(MsgKind::Question, ButtonSet::TwoCustom, {"@1Yes", "@2No", "@3Never", "q"});
    EXPECT_EQ(captionsOf(plan.buttons), (QStringList{"Yes", "No"}));
    ASSERT_EQ(plan.labels.size(), 1u);  // the stray code is no label either
}

TEST(DlgTextItems, KindCaptions) {
    EXPECT_EQ(planMessage(MsgKind::Plain, ButtonSet::Ok, {}).caption, "");
    EXPECT_EQ(planMessage(MsgKind::Information, ButtonSet::Ok, {}).caption, "Information");
    EXPECT_EQ(planMessage(MsgKind::Question, ButtonSet::Ok, {}).caption, "Question");
    EXPECT_EQ(planMessage(MsgKind::Warning, ButtonSet::Ok, {}).caption, "Warning");
    EXPECT_EQ(planMessage(MsgKind::Error, ButtonSet::Ok, {}).caption, "Error");
}

TEST(DlgButtonGeometry, ButtonsSpreadOverTheClientWidth) {
    struct Case {
        ButtonSet set;
        int count;
        int width;
        std::vector<int> lefts;
    };
    const Case cases[] = {
        {ButtonSet::Ok, 1, 100, {150}},
        {ButtonSet::YesNo, 2, 100, {70, 230}},
        {ButtonSet::YesNoCancel, 3, 100, {30, 150, 270}},
        {ButtonSet::TwoCustom, 2, 175, {20, 205}},
        {ButtonSet::ThreeCustom, 3, 116, {18, 142, 266}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.set));
        const int width = msgButtonWidth(c.set, kMsgClientWidth, c.count);
        EXPECT_EQ(width, c.width);
        std::vector<int> lefts;
        for (int j = 1; j <= c.count; ++j)
            lefts.push_back(msgButtonLeft(kMsgClientWidth, width, c.count, j));
        EXPECT_EQ(lefts, c.lefts);
        // The row of buttons is centred.
        EXPECT_EQ(lefts.front(), kMsgClientWidth - (lefts.back() + width));
    }
}

TEST(DlgIntegerInput, OnlyWholeIntegers) {
    EXPECT_EQ(parseIntegerInput("12"), 12);
    EXPECT_EQ(parseIntegerInput(" -7 "), -7);
    EXPECT_EQ(parseIntegerInput("12a"), std::nullopt);
    EXPECT_EQ(parseIntegerInput("1.5"), std::nullopt);
    EXPECT_EQ(parseIntegerInput(""), std::nullopt);
    EXPECT_EQ(parseIntegerInput("99999999999"), std::nullopt);
}

}  // namespace
}  // namespace kit
