// The top of every command of the program's windows. Qt's event loop lets no
// exception pass, so each handler runs its work through runCommand: a silent
// abort (the user cancelled) ends the command without a word; any other
// error is shown by the application's standard error report, an error
// dialog with the error's message; nothing is rethrown.
#pragma once

#include <exception>
#include <functional>

// Shows the message of `error` in the program's error dialog.
void showStandardErrorReport(const std::exception& error);

// Runs `command`; returns true when it ended normally, false after a silent
// abort or a reported error.
bool runCommand(const std::function<void()>& command);
