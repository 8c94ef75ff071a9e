// What the kit's message dialogs show, worked out without a window: the
// caption and picture of each message kind, the buttons of each button set
// with their results and keys, the text items with their "^" and "@" codes,
// and where the buttons go. The widgets in xdlg_form only place what this
// file decides, so every rule here is testable on its own.
#pragma once

#include <QString>
#include <optional>
#include <variant>
#include <vector>

// Modal results, with the values the program's callers compare against.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

namespace kit {

enum class MsgKind { Plain = 0, Information = 1, Question = 2, Warning = 3, Error = 4 };

enum class ButtonSet {
    Ok = 0,           // "&Ok": default and cancel button at once
    OkCancel = 1,     // "&Ok" (default), "&Cancel" (cancel button)
    YesNo = 2,        // "&Yes", "&No": no default, no cancel, no close box
    YesNoCancel = 3,  // "&Yes", "&No", "&Cancel" (cancel button)
    TwoCustom = 4,    // two buttons captioned by "@1"/"@2" items; Yes, No; no close box
    ThreeCustom = 5,  // three captioned buttons; Yes, No, Cancel (cancel button)
};

// One item of a message: an integer is the window's help context, a text is
// either a code item ("^C" caption, "@1".."@3" button captions) or a label.
using MsgItem = std::variant<int, QString>;
using MsgItems = std::vector<MsgItem>;

// Button images of the dialogs' image list.
enum class DlgButtonImage { None = -1, OkYes = 0, Cancel = 1, No = 2 };

struct DlgButtonSpec {
    QString caption;
    DlgButtonImage image = DlgButtonImage::None;
    int result = mrNone;
};

struct ButtonSetSpec {
    std::vector<DlgButtonSpec> buttons;
    int defaultIndex = -1;  // button pressed by Enter when no other button has the focus
    int cancelIndex = -1;   // button pressed by Escape
    bool hasCloseBox = true;
};

ButtonSetSpec buttonSetSpec(ButtonSet set);

// What Escape returns (the cancel button's result), or nothing when Escape
// does not end the dialog.
std::optional<int> escapeResult(const ButtonSetSpec& spec);
// What closing the window through its close box returns, or nothing when the
// window has no close box. A modal window closed this way ends with Cancel,
// even where its only button is "&Ok".
std::optional<int> closeBoxResult(const ButtonSetSpec& spec);

// "Information", "Question", ... ; empty for a plain message.
QString kindCaption(MsgKind kind);

// A text item shown as a label: its font changes and its caption.
struct MsgLabelSpec {
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int pointDelta = 0;  // "^L" adds 2 points, "^X" 4

    bool operator==(const MsgLabelSpec&) const = default;
};

// Takes the leading two-character "^" codes off a label item one after the
// other; unknown codes are dropped without effect. The rest is trimmed.
MsgLabelSpec parseLabelItem(const QString& item);

struct MsgPlan {
    QString caption;
    int helpContext = 0;
    ButtonSetSpec buttons;
    std::vector<MsgLabelSpec> labels;
};

// Applies the items in order to the kind's caption and the set's buttons.
// An "@n" code for a button the set does not have is ignored.
MsgPlan planMessage(MsgKind kind, ButtonSet set, const MsgItems& items);

// Button geometry of a message dialog, in pixels at 96 dpi.
constexpr int kDlgButtonHeight = 38;
constexpr int kMsgClientWidth = 400;
int msgButtonWidth(ButtonSet set, int clientWidth, int count);
// Left edge of button j (1-based) of count buttons of the given width.
int msgButtonLeft(int clientWidth, int buttonWidth, int count, int j);

// The text of an integer input box as a number, or nothing when it is none.
std::optional<int> parseIntegerInput(const QString& text);

}  // namespace kit
