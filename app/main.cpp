#include <QApplication>

#include "app/dialog_feedback.h"
#include "app/f_main.h"
#include "settings/settings_file.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabulon"));
    // What the data layer reports goes to the dialog kit.
    const ScopedDialogFeedback feedback;
    // No database is opened at start-up and the command line is not read:
    // the file box shows what it showed at the end of the last run.
    TMain Main(defaultSettingsPath());
    Main.show();
    return app.exec();
}
