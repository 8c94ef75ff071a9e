// What the data layer shows the user while it works: an error report, a
// Yes/No question and a busy cursor. The data layer declares this and never shows a window itself;
// the application installs an implementation over its dialog kit at
// start-up, and tests install one over their scripted dialogs. Without one
// installed, reports are dropped and no cursor changes, so the routines stay
// usable from tools and from tests that do not look at what the user sees.
//
// Use from the user-interface thread only.
#pragma once

#include <QString>
#include <Qt>

namespace db {

class UserFeedback {
public:
    virtual ~UserFeedback() = default;
    // An error report: `header` over the message of the error that stopped
    // the routine (the routine itself goes on or returns as it says).
    virtual void showErrorReport(const QString& header, const QString& message) = 0;
    // A Yes/No question; true when the answer is Yes.
    virtual bool askYesNo(const QString& question) = 0;
    // A cursor shown until the matching endBusy; calls nest.
    virtual void beginBusy(Qt::CursorShape cursor) = 0;
    virtual void endBusy() = 0;
};

// The installed implementation, or nullptr; not owned.
UserFeedback* userFeedback();
// Installs `feedback` (nullptr: none) and returns the one it replaces.
UserFeedback* setUserFeedback(UserFeedback* feedback);

// Reports through the installed implementation, if any.
void reportError(const QString& header, const QString& message);
// Asks through the installed implementation; with none installed nobody can
// answer, so the question counts as answered Yes (tools run what they ask).
bool askYesNo(const QString& question);

// The busy cursor for the lifetime of the object; `wanted` false shows none.
class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape cursor, bool wanted = true);
    ~BusyCursor() { restore(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    // Ends the busy cursor early (before a report is shown, say).
    void restore();

private:
    UserFeedback* feedback_;
};

}  // namespace db
