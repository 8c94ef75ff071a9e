#include "kit/xdlg_scripted.h"

#include <deque>
#include <stdexcept>
#include <string>

namespace kit {

namespace {

[[noreturn]] void noAnswer(const AskedDialog& dialog) {
    throw std::logic_error("no answer queued for dialog: " + dialog.summary().toStdString());
}

// The next queued answer for `dialog`; a dialog nobody prepared an answer
// for is a fault of the test.
template <typename T>
T takeAnswer(std::deque<T>& queue, const AskedDialog& dialog) {
    if (queue.empty()) noAnswer(dialog);
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

// The record of a dialog of `kind` asked with `request`.
template <typename Request>
AskedDialog askedDialog(AskedDialog::Kind kind, Request AskedDialog::*member,
                        const Request& request) {
    AskedDialog dialog;
    dialog.kind = kind;
    dialog.*member = request;
    return dialog;
}

}  // namespace

QString AskedDialog::caption() const {
    switch (kind) {
        case Kind::Message:
            return planMessage(message.kind, message.buttons, message.items).caption;
        case Kind::Input:
            return input.caption;
        case Kind::File:
            return file.caption;
        case Kind::Font:
            return QStringLiteral("Font");
        case Kind::Progress:
            return QStringLiteral("Information");
    }
    return {};
}

QStringList AskedDialog::texts() const {
    switch (kind) {
        case Kind::Message: {
            QStringList result;
            for (const MsgLabelSpec& label :
                 planMessage(message.kind, message.buttons, message.items).labels)
                result << label.text;
            return result;
        }
        case Kind::Input:
            return {input.prompt};
        case Kind::File:
            return {file.filter};
        case Kind::Font:
            return {font.font.family()};
        case Kind::Progress:
            return {progress.text};
    }
    return {};
}

QString AskedDialog::summary() const {
    switch (kind) {
        case Kind::Message: {
            const MsgPlan plan = planMessage(message.kind, message.buttons, message.items);
            QStringList buttons;
            for (const DlgButtonSpec& button : plan.buttons.buttons) buttons << button.caption;
            return QStringLiteral("%1 [%2]: %3")
                .arg(plan.caption, buttons.join(u'|'), texts().join(u'\n'));
        }
        case Kind::Input:
            return QStringLiteral("%1 input '%2'%3: %4")
                .arg(input.caption, input.value,
                     input.passwordChar.isNull() ? QString() : QStringLiteral(" masked"),
                     input.prompt);
        case Kind::File:
            return QStringLiteral("%1 file %2")
                .arg(file.mode == FileRequest::Mode::Open ? "Open" : "Save", file.filter);
        case Kind::Font:
            return QStringLiteral("Font %1 %2").arg(font.font.family()).arg(font.font.pointSizeF());
        case Kind::Progress:
            if (progress.text.isEmpty()) return QStringLiteral("Progress closed");
            return QStringLiteral("Progress %1: %2").arg(progress.percent).arg(progress.text);
    }
    return {};
}

QStringList ScriptedDialogService::transcript() const {
    QStringList lines;
    for (const AskedDialog& dialog : asked_) lines << dialog.summary();
    return lines;
}

void ScriptedDialogService::clickProgressAbort() {
    if (lastProgress_.text.isEmpty() || !lastProgress_.onAbort)
        throw std::logic_error("no progress window with an Abort link is shown");
    lastProgress_.onAbort();
}

int ScriptedDialogService::showMessage(const MessageRequest& request) {
    const AskedDialog& dialog = asked_.emplace_back(
        askedDialog(AskedDialog::Kind::Message, &AskedDialog::message, request));
    const int result = takeAnswer(messages_, dialog);
    // A user can only press a button the dialog has.
    const ButtonSetSpec spec = planMessage(request.kind, request.buttons, request.items).buttons;
    bool isButton = false;
    for (const DlgButtonSpec& button : spec.buttons) isButton = isButton || button.result == result;
    if (!isButton)
        throw std::logic_error("queued answer " + std::to_string(result) +
                               " is not a button of dialog: " + dialog.summary().toStdString());
    return result;
}

std::optional<QString> ScriptedDialogService::input(const InputRequest& request) {
    asked_.push_back(askedDialog(AskedDialog::Kind::Input, &AskedDialog::input, request));
    return takeAnswer(inputs_, asked_.back());
}

std::optional<QString> ScriptedDialogService::chooseFile(const FileRequest& request) {
    asked_.push_back(askedDialog(AskedDialog::Kind::File, &AskedDialog::file, request));
    return takeAnswer(files_, asked_.back());
}

std::optional<QFont> ScriptedDialogService::chooseFont(const FontRequest& request) {
    asked_.push_back(askedDialog(AskedDialog::Kind::Font, &AskedDialog::font, request));
    return takeAnswer(fonts_, asked_.back());
}

void ScriptedDialogService::progress(const ProgressRequest& request) {
    asked_.push_back(askedDialog(AskedDialog::Kind::Progress, &AskedDialog::progress, request));
    lastProgress_ = request;
}

}  // namespace kit
