// The one seam under every dialog of the kit. The routines of xdlg (MsgInfo,
// InputPassword, ShowProgress, ...) and the program's file choices ask the
// installed DialogService; by default that is the service that shows the
// program's own windows. Tests install a ScriptedDialogService
// (xdlg_scripted.h) for the duration of a scope, so questions, inputs,
// passwords, file and font choices are answered without a visible modal loop.
//
// All calls come from the user-interface thread.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "kit/xdlg_layout.h"

class QWidget;

namespace kit {

struct MessageRequest {
    MsgKind kind = MsgKind::Plain;
    ButtonSet buttons = ButtonSet::Ok;
    MsgItems items;
    bool wordWrap = true;
};

struct InputRequest {
    QString caption;
    QString prompt;
    QString value;                    // shown all selected
    bool listOnly = false;            // only items of the list may be chosen
    std::optional<QStringList> list;  // a combo box instead of an edit box
    QChar passwordChar;               // null: not masked
    int width = 350;                  // client width at 96 dpi
};

struct FileRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString caption;
    QString folder;    // initial folder, kept as given
    QString fileName;  // initial file name
    // Filter pairs "description|mask|description|mask", masks separated by ";".
    QString filter;
    int filterIndex = 1;  // 1-based entry of the filter shown first
    // Save: the extension (without the dot, e.g. "mdb") a name typed without
    // one gets; empty for none.
    QString defaultSuffix;
};

struct FontRequest {
    QFont font;  // the font the dialog starts with
};

struct ProgressRequest {
    QString text;  // empty: the progress window goes away
    QWidget* control = nullptr;
    int percent = -1;  // below 0: no bar
    std::function<void()> onAbort;
};

class DialogService {
public:
    virtual ~DialogService() = default;

    // Shows a message and returns its modal result.
    virtual int showMessage(const MessageRequest& request) = 0;
    // Returns the entered text, or nothing when the user cancelled.
    virtual std::optional<QString> input(const InputRequest& request) = 0;
    // Returns the chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> chooseFile(const FileRequest& request) = 0;
    // Returns the chosen font, or nothing when the user cancelled.
    virtual std::optional<QFont> chooseFont(const FontRequest& request) = 0;
    // Shows, updates or (with an empty text) removes the progress window.
    virtual void progress(const ProgressRequest& request) = 0;
    // The system's attention sound before an error report.
    virtual void beep() = 0;
};

// The service in force: the innermost ScopedDialogService, else the one that
// shows the program's windows.
DialogService& dialogService();

// Installs a service for the lifetime of this object and restores the
// previous one afterwards. Scopes nest and must end in reverse order.
class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service);
    ~ScopedDialogService();
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* previous_;
};

// The program's filter pairs as a Qt filter list ("desc (mask);;desc (mask)").
QString qtFileFilter(const QString& filterPairs);
// The n-th (1-based) entry of qtFileFilter's list, or empty.
QString qtFileFilterEntry(const QString& filterPairs, int index);

}  // namespace kit
