// The fixture of the designer tests: a main window opening a file of the
// test's own in a temporary folder, every dialog answered by a script.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTemporaryDir>

#include "app/f_main.h"
#include "app_test_support.h"
#include "kit/xImprovedComps.h"
#include "kit/xdlg_scripted.h"

namespace app_test {

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};
    TMain Main;
    QString path;

    // Opens `file` through the file band, as a user does.
    void open(const QString& file) {
        path = file;
        Main.cbFile->setEditText(path);
        Main.btDBOpen->click();
        ASSERT_TRUE(Main.session().DBOpened());
    }
    QString lastMessage() const { return app_test::lastMessage(dialogs); }
};

}  // namespace app_test
