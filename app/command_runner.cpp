#include "app/command_runner.h"

#include "app/silent_abort.h"
#include "kit/xHTMLLabel.h"
#include "kit/xdlg.h"

void showStandardErrorReport(const std::exception& error) {
    if (applicationTerminating()) return;
    MsgError(htmlEscape(QString::fromUtf8(error.what())));
}

bool runCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const SilentAbort&) {
        return false;
    } catch (const std::exception& error) {
        showStandardErrorReport(error);
        return false;
    }
}
