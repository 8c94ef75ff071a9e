// The program's messages, questions, error reports, text, password and
// number inputs and its progress window. Every routine goes through the
// installed dialog service (xdlg_service.h): by default the program's own
// modal windows, in tests a scripted service.
//
// Texts are captions of the kit's HTML label, so they may carry its tags;
// callers escape outside text they insert (file names, error messages).
// Each text item may start with the codes "^B" (bold), "^I" (italic), "^U"
// (underline), "^L" (2 points bigger), "^X" (4 points bigger); an item "^C"
// + text sets the window caption, "@1".."@3" + text the caption of that
// button (for the button sets with captions of their own).
#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <optional>

#include "kit/xdlg_layout.h"

class QWidget;

int MsgInfo(const QString& text, bool wordWrap = true);
// Yes or No; the window has neither a cancel button nor a close box.
int MsgQuestion(const QString& text, bool wordWrap = true);
// Yes, No or Cancel (also for Escape and the close box).
int MsgQuestionCancel(const QString& text, bool wordWrap = true);
int MsgWarning(const QString& text, bool wordWrap = true);
int MsgError(const QString& text, bool wordWrap = true);
// The header as a bold first line above the text.
int MsgQuestionEx(const QString& header, const QString& text, bool wordWrap = true);
int MsgWarningEx(const QString& header, const QString& text, bool wordWrap = true);
int MsgErrorEx(const QString& header, const QString& text, bool wordWrap = true);
int ShowMsgDlg(kit::MsgKind kind, kit::ButtonSet buttons, const kit::MsgItems& texts,
               bool wordWrap = true);

// Beeps and reports an error: the header in bold, then "Error description:"
// and the message. With `terminate` the application is asked to quit
// afterwards. Silent once the application is terminating.
void ShowErrorReport(const QString& header, const QString& errorMessage, bool terminate = false);
void ShowErrorReport(const QString& header, const std::exception& error, bool terminate = false);
// Whether the application was asked to terminate (by ShowErrorReport or
// because it is shutting down).
bool applicationTerminating();
// Clears or sets the request to terminate; for the start of a run and tests.
void setApplicationTerminating(bool terminating);

// True on OK; `value` is shown all selected and receives the entered text.
bool InputText(const QString& caption, const QString& prompt, QString& value);
// Caption "Input", masked with "*".
bool InputPassword(const QString& prompt, QString& value);
// Asks again, after "Bad number format.", until the text is an integer or
// the user cancels.
bool InputInteger(const QString& caption, const QString& prompt, int& value);
bool InputBoxEx(const QString& caption, const QString& prompt, QString& value,
                bool listOnly = false, const std::optional<QStringList>& list = std::nullopt,
                QChar passwordChar = QChar(), int width = 350);

// The progress window: a text shows or updates it (percent below 0: no bar;
// with onAbort an "Abort" link that calls it); an empty text removes it.
// `control`, when given, is the widget the window is centred over.
void ShowProgress(const QString& text, QWidget* control = nullptr, int percent = -1,
                  std::function<void()> onAbort = {});
void ShowWait(const QString& text, QWidget* control = nullptr);
void ShowWaitAbort(const QString& text, QWidget* control, std::function<void()> onAbort);
