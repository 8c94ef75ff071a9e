#include "kit/xdlg_layout.h"

namespace kit {

namespace {

const QString kOk = QStringLiteral("&Ok");
const QString kYes = QStringLiteral("&Yes");
const QString kNo = QStringLiteral("&No");
const QString kCancel = QStringLiteral("&Cancel");

}  // namespace

ButtonSetSpec buttonSetSpec(ButtonSet set) {
    using I = DlgButtonImage;
    ButtonSetSpec spec;
    switch (set) {
        case ButtonSet::Ok:
            spec.buttons = {{kOk, I::OkYes, mrOk}};
            spec.defaultIndex = 0;
            spec.cancelIndex = 0;
            break;
        case ButtonSet::OkCancel:
            spec.buttons = {{kOk, I::OkYes, mrOk}, {kCancel, I::Cancel, mrCancel}};
            spec.defaultIndex = 0;
            spec.cancelIndex = 1;
            break;
        case ButtonSet::YesNo:
            spec.buttons = {{kYes, I::OkYes, mrYes}, {kNo, I::No, mrNo}};
            spec.hasCloseBox = false;
            break;
        case ButtonSet::YesNoCancel:
            spec.buttons = {
                {kYes, I::OkYes, mrYes}, {kNo, I::No, mrNo}, {kCancel, I::Cancel, mrCancel}};
            spec.cancelIndex = 2;
            break;
        case ButtonSet::TwoCustom:
            spec.buttons = {{{}, I::None, mrYes}, {{}, I::None, mrNo}};
            spec.hasCloseBox = false;
            break;
        case ButtonSet::ThreeCustom:
            spec.buttons = {{{}, I::None, mrYes}, {{}, I::None, mrNo}, {{}, I::None, mrCancel}};
            spec.cancelIndex = 2;
            break;
    }
    return spec;
}

std::optional<int> escapeResult(const ButtonSetSpec& spec) {
    if (spec.cancelIndex < 0 || spec.cancelIndex >= int(spec.buttons.size())) return std::nullopt;
    return spec.buttons[size_t(spec.cancelIndex)].result;
}

std::optional<int> closeBoxResult(const ButtonSetSpec& spec) {
    if (!spec.hasCloseBox) return std::nullopt;
    return mrCancel;
}

QString kindCaption(MsgKind kind) {
    switch (kind) {
        case MsgKind::Plain:
            return {};
        case MsgKind::Information:
            return QStringLiteral("Information");
        case MsgKind::Question:
            return QStringLiteral("Question");
        case MsgKind::Warning:
            return QStringLiteral("Warning");
        case MsgKind::Error:
            return QStringLiteral("Error");
    }
    return {};
}

MsgLabelSpec parseLabelItem(const QString& item) {
    MsgLabelSpec label;
    QString rest = item;
    while (rest.size() >= 2 && rest[0] == u'^') {
        switch (rest[1].unicode()) {
            case u'B':
                label.bold = true;
                break;
            case u'I':
                label.italic = true;
                break;
            case u'U':
                label.underline = true;
                break;
            case u'L':
                label.pointDelta += 2;
                break;
            case u'X':
                label.pointDelta += 4;
                break;
            default:
                break;  // unknown codes are dropped
        }
        rest.remove(0, 2);
    }
    label.text = rest.trimmed();
    return label;
}

MsgPlan planMessage(MsgKind kind, ButtonSet set, const MsgItems& items) {
    MsgPlan plan;
    plan.caption = kindCaption(kind);
    plan.buttons = buttonSetSpec(set);
    for (const MsgItem& item : items) {
        if (const int* context = std::get_if<int>(&item)) {
            plan.helpContext = *context;
            continue;
        }
        const QString& text = std::get<QString>(item);
        if (text.startsWith(QLatin1String("^C"))) {
            plan.caption = text.mid(2).trimmed();
        } else if (text.size() >= 2 && text[0] == u'@' && text[1] >= u'1' && text[1] <= u'3') {
            const size_t index = size_t(text[1].unicode() - u'1');
            // A code for a button the set does not have addresses nothing.
            if (index < plan.buttons.buttons.size())
                plan.buttons.buttons[index].caption = text.mid(2).trimmed();
        } else {
            plan.labels.push_back(parseLabelItem(text));
        }
    }
    return plan;
}

int msgButtonWidth(ButtonSet set, int clientWidth, int count) {
    if ((set == ButtonSet::TwoCustom || set == ButtonSet::ThreeCustom) && count > 0)
        return (clientWidth - 50) / count;
    return 100;
}

int msgButtonLeft(int clientWidth, int buttonWidth, int count, int j) {
    const int gap = (clientWidth - buttonWidth * count - 20) / (count + 1);
    return gap * j + buttonWidth * (j - 1) + 10;
}

std::optional<int> parseIntegerInput(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

}  // namespace kit
