// Leaving a session: the three store prompts with Yes, No and Cancel on every
// way out (Close, "Find", a dropped file, closing the window), the silent
// abort that keeps the session, what a close clears and keeps, the open
// dialog, dropped files and the history rules.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/database_session.h"
#include "app/silent_abort.h"
#include "app/u_res.h"
#include "app_test_support.h"
#include "kit/xdlg_scripted.h"

namespace {

const QString kAskTable = "Question [&Yes|&No|&Cancel]: Store changes of the selected table?";
const QString kAskView = "Question [&Yes|&No|&Cancel]: Store changes of the selected view?";
const QString kAskRel = "Question [&Yes|&No|&Cancel]: Store changes of relations?";
const QString kOpenDialog = "Open file " + res::openDialogFilter();

class SessionCloseTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};
    DatabaseSession* sessionPtr = nullptr;
    app_test::RecordingEditors editors{sessionPtr};
    DatabaseSession session{&editors};
    QString first;
    QString second;

    void SetUp() override {
        sessionPtr = &session;
        first = app_test::copyFixture(dir, "V2000/testV2000.mdb");
        second = app_test::copyFixture(dir, "V2007/testV2007.accdb");
        session.setFileText(first);
        session.actDBOpenExecute();
        ASSERT_TRUE(session.DBOpened());
        editors.calls.clear();
    }
};

enum class Way { Close, Find, Drop, Window };

const char* wayName(Way way) {
    switch (way) {
        case Way::Close:
            return "Close";
        case Way::Find:
            return "Find";
        case Way::Drop:
            return "Drop";
        case Way::Window:
            return "Window";
    }
    return "";
}

// Leaves the session `way`; "Find" and "Drop" lead to `next`. Returns
// "aborted", "kept" (the window refused to close) or "done".
QString leave(DatabaseSession& session, kit::ScriptedDialogService& dialogs, Way way,
              const QString& next) {
    try {
        switch (way) {
            case Way::Close:
                session.CloseDatabase();
                break;
            case Way::Find:
                dialogs.answerFile(next);
                session.fileAnchorClicked("Find");
                break;
            case Way::Drop:
                session.dropFiles({next, next + "-2", next + "-3"});
                break;
            case Way::Window:
                return session.closeWindow() ? "done" : "kept";
        }
    } catch (const SilentAbort&) {
        return "aborted";
    }
    return "done";
}

TEST_F(SessionCloseTest, StorePromptsOnEveryWayOut) {
    struct Case {
        const char* name;
        bool table, idx, view, rel;  // pending changes
        std::vector<int> answers;
        QStringList questions;
        QStringList stores;  // store hooks that ran
        bool aborted;
    };
    const int closeBox = *kit::closeBoxResult(kit::buttonSetSpec(kit::ButtonSet::YesNoCancel));
    const Case cases[] = {
        {"nothing pending", false, false, false, false, {}, {}, {}, false},
        {"table: yes stores",
         true,
         false,
         false,
         false,
         {mrYes},
         {kAskTable},
         {"storeTable"},
         false},
        {"index changes ask the table question",
         false,
         true,
         false,
         false,
         {mrNo},
         {kAskTable},
         {},
         false},
        {"all: yes, no, yes",
         true,
         true,
         true,
         true,
         {mrYes, mrNo, mrYes},
         {kAskTable, kAskView, kAskRel},
         {"storeTable", "storeRel"},
         false},
        {"table: cancel stops before the rest",
         true,
         false,
         true,
         true,
         {mrCancel},
         {kAskTable},
         {},
         true},
        {"view: cancel after table no",
         true,
         false,
         true,
         true,
         {mrNo, mrCancel},
         {kAskTable, kAskView},
         {},
         true},
        {"relations: cancel", false, false, false, true, {mrCancel}, {kAskRel}, {}, true},
        {"close box of the question aborts too",
         false,
         false,
         true,
         false,
         {closeBox},
         {kAskView},
         {},
         true},
    };
    for (Way way : {Way::Close, Way::Find, Way::Drop, Way::Window}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(wayName(way)) + ": " + c.name);
            if (!session.DBOpened()) {
                session.setFileText(first);
                session.actDBOpenExecute();
                ASSERT_TRUE(session.DBOpened());
            }
            dialogs = kit::ScriptedDialogService();
            editors.calls.clear();
            session.LastTbl = "Table1";
            session.TableChanged = c.table;
            session.IdxChanged = c.idx;
            session.ViewChanged = c.view;
            session.RelChanged = c.rel;
            for (int answer : c.answers) dialogs.answerMessage(answer);

            const QString result = leave(session, dialogs, way, second);

            QStringList expectedDialogs = c.questions;
            if (way == Way::Find && !c.aborted) expectedDialogs << kOpenDialog;
            EXPECT_EQ(dialogs.transcript(), expectedDialogs);
            QStringList storesRun = editors.calls;
            storesRun.removeAll("clear");
            storesRun.removeAll("load");
            EXPECT_EQ(storesRun, c.stores);
            if (c.aborted) {
                EXPECT_EQ(result, way == Way::Window ? "kept" : "aborted");
                // Nothing else changed: still open on the first file, the
                // flags of the unanswered prompts still set.
                EXPECT_TRUE(session.DBOpened());
                EXPECT_TRUE(session.DBCon().Connected());
                EXPECT_EQ(session.fileName(), first);
                EXPECT_EQ(session.LastTbl, "Table1");
                EXPECT_FALSE(editors.calls.contains("clear"));
                session.TableChanged = session.IdxChanged = false;
                session.ViewChanged = session.RelChanged = false;
                continue;
            }
            EXPECT_EQ(result, "done");
            EXPECT_FALSE(session.TableChanged || session.IdxChanged || session.ViewChanged ||
                         session.RelChanged);
            EXPECT_EQ(session.LastTbl, QString());
            const bool reopened = way == Way::Find || way == Way::Drop;
            EXPECT_EQ(session.DBOpened(), reopened);
            EXPECT_EQ(session.fileName(), reopened ? second : QString());
            EXPECT_EQ(editors.calls.mid(storesRun.size()),
                      reopened ? QStringList({"clear", "load"}) : QStringList{"clear"});
            if (session.DBOpened()) session.CloseDatabase();
        }
    }
}

TEST_F(SessionCloseTest, CloseClearsTheSessionAndKeepsTheFileBox) {
    session.LastTbl = "Orders";
    session.CloseDatabase();
    EXPECT_FALSE(session.DBOpened());
    EXPECT_EQ(session.DB(), nullptr);
    EXPECT_FALSE(session.DBCon().Connected());
    EXPECT_EQ(session.dbInfo(), QString());
    EXPECT_EQ(session.LastTbl, QString());
    EXPECT_EQ(session.fileText(), first);
    EXPECT_EQ(session.history().items(), QStringList{first});
    EXPECT_EQ(editors.calls, QStringList{"clear"});
    // Closing again asks nothing and changes nothing.
    session.CloseDatabase();
    EXPECT_TRUE(dialogs.transcript().isEmpty());
}

TEST_F(SessionCloseTest, FindAsksWithTheProgramFolderAndTheAccdbFilter) {
    session.setOpenDialogFolder("/Opt/Tabulon Mixed/");
    dialogs.answerFile(std::nullopt);
    session.fileAnchorClicked("Find");
    ASSERT_EQ(dialogs.asked().size(), 1u);
    const kit::FileRequest& request = dialogs.asked()[0].file;
    EXPECT_EQ(request.mode, kit::FileRequest::Mode::Open);
    EXPECT_EQ(request.folder, "/Opt/Tabulon Mixed/");
    EXPECT_EQ(request.filter,
              "Database MS Access (*.mdb)|*.mdb|Database MS Access (*.accdb)|*.accdb|"
              "All files (*.*)|*.*");
    EXPECT_EQ(request.filterIndex, 2);
    // Cancelled: the session was closed first and stays closed.
    EXPECT_FALSE(session.DBOpened());
    EXPECT_EQ(session.fileText(), first);
}

TEST_F(SessionCloseTest, DefaultOpenFolderKeepsTheProgramFolderAsItIs) {
    EXPECT_EQ(DatabaseSession().openDialogFolder(), QCoreApplication::applicationDirPath() + "/");
}

TEST_F(SessionCloseTest, DropOpensOnlyTheFirstFile) {
    session.dropFiles({second, first, "/nonexistent.mdb"});
    EXPECT_EQ(session.fileName(), second);
    EXPECT_EQ(session.fileText(), second);
    EXPECT_TRUE(dialogs.transcript().isEmpty());
    session.dropFiles({});
    EXPECT_FALSE(session.DBOpened());
}

TEST_F(SessionCloseTest, HistoryGrowsOnlyWithOpensThatReachTheirEnd) {
    // The same file again: one entry.
    session.CloseDatabase();
    session.setFileText(first);
    session.actDBOpenExecute();
    session.CloseDatabase();
    EXPECT_EQ(session.history().items(), QStringList{first});
    // A failed open adds nothing.
    dialogs.answerMessage(mrOk);
    session.setFileText(dir.filePath("missing.mdb"));
    EXPECT_THROW(session.actDBOpenExecute(), SilentAbort);
    session.setFileText(second);
    session.actDBOpenExecute();
    EXPECT_EQ(session.history().items(), (QStringList{first, second}));

    // "Remove" takes the trimmed text of the box, any case; "Clear" empties
    // the list; the text itself stays.
    session.setFileText("  " + second.toUpper() + " ");
    session.fileAnchorClicked("Remove");
    EXPECT_EQ(session.history().items(), QStringList{first});
    session.setFileText("not in the list");
    session.fileAnchorClicked("Remove");
    EXPECT_EQ(session.history().items(), QStringList{first});
    session.fileAnchorClicked("Clear");
    EXPECT_TRUE(session.history().items().isEmpty());
    EXPECT_EQ(session.fileText(), "not in the list");
    EXPECT_TRUE(session.DBOpened());  // the history links leave the session alone
}

TEST(FileHistoryTest, Rules) {
    struct Case {
        const char* name;
        QStringList before;
        QString text;
        bool added;
        QStringList after;
    };
    const Case cases[] = {
        {"appended at the end", {"/a.mdb"}, "/b.mdb", true, {"/a.mdb", "/b.mdb"}},
        {"trimmed", {}, "  /a.mdb\t", true, {"/a.mdb"}},
        {"present in other case", {"/A.mdb"}, "/a.MDB", false, {"/A.mdb"}},
        {"one character", {}, "x", false, {}},
        {"two characters", {}, "xy", true, {"xy"}},
        {"blanks only", {}, "   ", false, {}},
        {"no reordering", {"/b", "/a"}, "/b", false, {"/b", "/a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileHistory history;
        history.setItems(c.before);
        EXPECT_EQ(history.add(c.text), c.added);
        EXPECT_EQ(history.items(), c.after);
    }
}

}  // namespace
