// The user feedback of the data layer over the program's dialog kit: error
// reports become the kit's error report (beep, header, "Error description:"
// and the message), questions the kit's Yes/No question, busy cursors the
// application's override cursor.
// Installed for the whole run at start-up (see main.cpp); the tests that
// look at what the user sees install it too, over their scripted dialogs.
#pragma once

#include "db/user_feedback.h"

class DialogFeedback final : public db::UserFeedback {
public:
    void showErrorReport(const QString& header, const QString& message) override;
    bool askYesNo(const QString& question) override;
    void beginBusy(Qt::CursorShape cursor) override;
    void endBusy() override;
};

// Installs a DialogFeedback for as long as the object lives, then puts back
// what was installed before.
class ScopedDialogFeedback {
public:
    ScopedDialogFeedback() : previous_(db::setUserFeedback(&feedback_)) {}
    ~ScopedDialogFeedback() { db::setUserFeedback(previous_); }
    ScopedDialogFeedback(const ScopedDialogFeedback&) = delete;
    ScopedDialogFeedback& operator=(const ScopedDialogFeedback&) = delete;

private:
    DialogFeedback feedback_;
    db::UserFeedback* previous_;
};
