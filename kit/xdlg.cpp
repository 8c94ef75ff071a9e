#include "kit/xdlg.h"

#include <QCoreApplication>

#include "kit/xHTMLLabel.h"
#include "kit/xdlg_service.h"

using kit::ButtonSet;
using kit::MsgKind;

namespace {

bool& terminateRequested() {
    static bool requested = false;
    return requested;
}

int show(MsgKind kind, ButtonSet buttons, kit::MsgItems items, bool wordWrap) {
    kit::MessageRequest request;
    request.kind = kind;
    request.buttons = buttons;
    request.items = std::move(items);
    request.wordWrap = wordWrap;
    return kit::dialogService().showMessage(request);
}

}  // namespace

int MsgInfo(const QString& text, bool wordWrap) {
    return show(MsgKind::Information, ButtonSet::Ok, {text}, wordWrap);
}

int MsgQuestion(const QString& text, bool wordWrap) {
    return show(MsgKind::Question, ButtonSet::YesNo, {text}, wordWrap);
}

int MsgQuestionCancel(const QString& text, bool wordWrap) {
    return show(MsgKind::Question, ButtonSet::YesNoCancel, {text}, wordWrap);
}

int MsgWarning(const QString& text, bool wordWrap) {
    return show(MsgKind::Warning, ButtonSet::Ok, {text}, wordWrap);
}

int MsgError(const QString& text, bool wordWrap) {
    return show(MsgKind::Error, ButtonSet::Ok, {text}, wordWrap);
}

int MsgQuestionEx(const QString& header, const QString& text, bool wordWrap) {
    return show(MsgKind::Question, ButtonSet::YesNo, {"^B" + header, text}, wordWrap);
}

int MsgWarningEx(const QString& header, const QString& text, bool wordWrap) {
    return show(MsgKind::Warning, ButtonSet::Ok, {"^B" + header, text}, wordWrap);
}

int MsgErrorEx(const QString& header, const QString& text, bool wordWrap) {
    return show(MsgKind::Error, ButtonSet::Ok, {"^B" + header, text}, wordWrap);
}

int ShowMsgDlg(MsgKind kind, ButtonSet buttons, const kit::MsgItems& texts, bool wordWrap) {
    return show(kind, buttons, texts, wordWrap);
}

bool applicationTerminating() {
    return terminateRequested() || QCoreApplication::closingDown();
}

void setApplicationTerminating(bool terminating) {
    terminateRequested() = terminating;
}

void ShowErrorReport(const QString& header, const QString& errorMessage, bool terminate) {
    if (applicationTerminating()) return;
    kit::dialogService().beep();
    const QString text = QStringLiteral("Error description:\n") + htmlEscape(errorMessage);
    if (header.isEmpty())
        MsgError(text);
    else
        MsgErrorEx(header, text);
    if (terminate) {
        setApplicationTerminating(true);
        QCoreApplication::quit();
    }
}

void ShowErrorReport(const QString& header, const std::exception& error, bool terminate) {
    ShowErrorReport(header, QString::fromUtf8(error.what()), terminate);
}

bool InputBoxEx(const QString& caption, const QString& prompt, QString& value, bool listOnly,
                const std::optional<QStringList>& list, QChar passwordChar, int width) {
    kit::InputRequest request;
    request.caption = caption;
    request.prompt = prompt;
    request.value = value;
    request.listOnly = listOnly;
    request.list = list;
    request.passwordChar = passwordChar;
    request.width = width;
    const std::optional<QString> answer = kit::dialogService().input(request);
    if (!answer) return false;
    value = *answer;
    return true;
}

bool InputText(const QString& caption, const QString& prompt, QString& value) {
    return InputBoxEx(caption, prompt, value, false, std::nullopt, QChar(), 350);
}

bool InputPassword(const QString& prompt, QString& value) {
    return InputBoxEx(QStringLiteral("Input"), prompt, value, false, std::nullopt, u'*', 240);
}

bool InputInteger(const QString& caption, const QString& prompt, int& value) {
    for (;;) {
        QString text = QString::number(value);
        if (!InputBoxEx(caption, prompt, text, false, std::nullopt, QChar(), 240)) return false;
        if (const std::optional<int> number = kit::parseIntegerInput(text)) {
            value = *number;
            return true;
        }
        MsgErrorEx(QStringLiteral("Error in input parameters."),
                   QStringLiteral("Bad number format."));
    }
}

void ShowProgress(const QString& text, QWidget* control, int percent,
                  std::function<void()> onAbort) {
    kit::ProgressRequest request;
    request.text = text;
    request.control = control;
    request.percent = percent;
    request.onAbort = std::move(onAbort);
    kit::dialogService().progress(request);
}

void ShowWait(const QString& text, QWidget* control) {
    ShowProgress(text, control, -1, {});
}

void ShowWaitAbort(const QString& text, QWidget* control, std::function<void()> onAbort) {
    ShowProgress(text, control, -1, std::move(onAbort));
}
