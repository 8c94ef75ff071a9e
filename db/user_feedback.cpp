#include "db/user_feedback.h"

namespace db {
namespace {

UserFeedback*& installed() {
    static UserFeedback* feedback = nullptr;
    return feedback;
}

}  // namespace

UserFeedback* userFeedback() {
    return installed();
}

UserFeedback* setUserFeedback(UserFeedback* feedback) {
    UserFeedback* previous = installed();
    installed() = feedback;
    return previous;
}

void reportError(const QString& header, const QString& message) {
    if (UserFeedback* feedback = installed()) feedback->showErrorReport(header, message);
}

bool askYesNo(const QString& question) {
    UserFeedback* feedback = installed();
    return !feedback || feedback->askYesNo(question);
}

BusyCursor::BusyCursor(Qt::CursorShape cursor, bool wanted)
    : feedback_(wanted ? installed() : nullptr) {
    if (feedback_) feedback_->beginBusy(cursor);
}

void BusyCursor::restore() {
    if (!feedback_) return;
    feedback_->endBusy();
    feedback_ = nullptr;
}

}  // namespace db
