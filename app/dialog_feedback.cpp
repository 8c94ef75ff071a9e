#include "app/dialog_feedback.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "kit/xdlg.h"

namespace {

// No cursor exists without a GUI application (tools, some tests).
bool hasCursor() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

void DialogFeedback::showErrorReport(const QString& header, const QString& message) {
    ShowErrorReport(header, message);
}

bool DialogFeedback::askYesNo(const QString& question) {
    return MsgQuestion(question) == mrYes;
}

void DialogFeedback::beginBusy(Qt::CursorShape cursor) {
    if (hasCursor()) QGuiApplication::setOverrideCursor(QCursor(cursor));
}

void DialogFeedback::endBusy() {
    if (hasCursor()) QGuiApplication::restoreOverrideCursor();
}
