// TxMemoEx's context menu, search, font, word wrap and file commands, with
// every dialog answered by a scripted dialog service.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "kit/xImprovedComps_memo.h"
#include "kit/xImprovedComps_memo_file.h"
#include "kit/xdlg_scripted.h"
#include "kit/xdlg_test_print.h"

namespace {

// "tag caption" for every command, in menu order; "-" for separators.
QStringList menuItems(const TxMemoEx& memo) {
    QStringList items;
    for (const QAction* action : memo.searchMenu()->actions()) {
        if (action->isSeparator())
            items << "-";
        else
            items << QStringLiteral("%1 %2").arg(action->data().toInt()).arg(action->text());
    }
    return items;
}

// The tags of the enabled commands, in menu order.
QList<int> enabledTags(TxMemoEx& memo) {
    memo.updateMenuStates();
    QList<int> tags;
    for (const QAction* action : memo.searchMenu()->actions())
        if (!action->isSeparator() && action->isEnabled()) tags << action->data().toInt();
    return tags;
}

void run(TxMemoEx& memo, TxMemoEx::MenuTag tag) {
    memo.updateMenuStates();
    memo.menuAction(tag)->trigger();
}

void select(TxMemoEx& memo, int from, int to) {
    QTextCursor cursor(memo.document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    memo.setTextCursor(cursor);
}

std::pair<int, int> selection(const TxMemoEx& memo) {
    return {memo.textCursor().selectionStart(), memo.textCursor().selectionEnd()};
}

TEST(MemoMenu, CommandsInOrderWithTheirTags) {
    TxMemoEx memo;
    EXPECT_EQ(memo.searchMenu()->objectName(), "pmSearch");
    EXPECT_EQ(menuItems(memo),
              (QStringList{"1 Undo", "-", "2 Cut", "3 Copy", "4 Paste", "5 Delete", "-",
                           "10 Select all", "-", "11 Find", "12 Find next", "13 Change font",
                           "20 Word wrap", "-", "21 Load from file...", "22 Save to file..."}));
    EXPECT_EQ(memo.menuAction(TxMemoEx::mtSelectAll)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(memo.menuAction(TxMemoEx::mtFind)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(memo.menuAction(TxMemoEx::mtFindNext)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
}

TEST(MemoMenu, OptionalCommandsFollowOptionsEx) {
    struct Case {
        bool setFont, wordWrap, loadSave, readOnly;
        QList<int> enabled;  // of 13, 20, 21, 22
    };
    const Case cases[] = {
        {true, false, true, false, {13, 21, 22}},  // the initial options
        {false, false, false, false, {}},
        {false, true, false, false, {20}},
        {true, true, true, false, {13, 20, 21, 22}},
        {true, true, true, true, {13, 20, 22}},  // nothing to load into
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.enabled.size());
        TxMemoEx memo;
        memo.setOptionEx(moAllowSetFont, c.setFont);
        memo.setOptionEx(moAllowWordWrap, c.wordWrap);
        memo.setOptionEx(moAllowLoadSaveFile, c.loadSave);
        memo.setReadOnly(c.readOnly);
        QList<int> optional;
        for (const int tag : enabledTags(memo))
            if (tag == 13 || tag >= 20) optional << tag;
        EXPECT_EQ(optional, c.enabled);
    }
}

TEST(MemoMenu, EditingCommandsFollowSelectionClipboardAndUndo) {
    QApplication::clipboard()->clear();
    TxMemoEx memo;
    EXPECT_EQ(enabledTags(memo), (QList<int>{10, 11, 13, 21, 22}));
    memo.insertPlainText("one two");
    select(memo, 0, 3);
    EXPECT_EQ(enabledTags(memo), (QList<int>{1, 2, 3, 5, 10, 11, 13, 21, 22}));

    run(memo, TxMemoEx::mtCopy);
    EXPECT_EQ(QApplication::clipboard()->text(), "one");
    run(memo, TxMemoEx::mtDelete);
    EXPECT_EQ(memo.toPlainText(), " two");
    EXPECT_TRUE(enabledTags(memo).contains(4));  // paste now has text
    run(memo, TxMemoEx::mtPaste);
    EXPECT_EQ(memo.toPlainText(), "one two");
    run(memo, TxMemoEx::mtUndo);
    EXPECT_EQ(memo.toPlainText(), " two");
    run(memo, TxMemoEx::mtSelectAll);
    run(memo, TxMemoEx::mtCut);
    EXPECT_EQ(memo.toPlainText(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), " two");

    // A read-only memo copies but does not change.
    memo.setPlainText("fixed");
    memo.setReadOnly(true);
    select(memo, 0, 5);
    EXPECT_EQ(enabledTags(memo), (QList<int>{3, 10, 11, 13, 22}));
}

TEST(MemoSearch, FindAsksThenFindNextContinuesAfterTheSelection) {
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    TxMemoEx memo;
    memo.setPlainText("Select a\nselect b\nSELECT c");

    dialogs.answerInput(QString("select"));
    run(memo, TxMemoEx::mtFind);
    EXPECT_EQ(selection(memo), std::make_pair(0, 6));
    EXPECT_TRUE(enabledTags(memo).contains(TxMemoEx::mtFindNext));
    run(memo, TxMemoEx::mtFindNext);
    EXPECT_EQ(selection(memo), std::make_pair(9, 15));
    EXPECT_TRUE(memo.SearchNext());
    EXPECT_EQ(selection(memo), std::make_pair(18, 24));

    // Past the last match: "Not found", and the selection stays.
    dialogs.answerMessage(mrOk);
    EXPECT_FALSE(memo.SearchNext());
    EXPECT_EQ(selection(memo), std::make_pair(18, 24));

    // "Find" asks for a new text every time and starts at the top again.
    dialogs.answerInput(QString("SELECT"));
    run(memo, TxMemoEx::mtFind);
    EXPECT_EQ(selection(memo), std::make_pair(0, 6));
    // With letter case: only the upper-case one.
    EXPECT_TRUE(memo.SearchText("SELECT", true, false));
    EXPECT_EQ(selection(memo), std::make_pair(18, 24));
    EXPECT_EQ(memo.searchString(), "SELECT");

    EXPECT_EQ(dialogs.transcript(),
              (QStringList{"Input input '': Find", "Information [&Ok]: Not found",
                           "Input input '': Find"}));
    EXPECT_TRUE(dialogs.allAnswersUsed());
}

TEST(MemoSearch, CancelledOrEmptySearch) {
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    TxMemoEx memo;
    memo.setPlainText("abc abc");
    select(memo, 1, 2);

    // "Find next" before any search asks, as "Find" does.
    dialogs.answerInput(std::nullopt);
    EXPECT_FALSE(memo.SearchNext());
    EXPECT_EQ(selection(memo), std::make_pair(1, 2));
    dialogs.answerInput(QString());
    dialogs.answerMessage(mrOk);
    EXPECT_FALSE(memo.SearchText({}, true, true));
    EXPECT_EQ(selection(memo), std::make_pair(1, 2));
    // A search that finds nothing from the selection on.
    dialogs.answerMessage(mrOk);
    EXPECT_FALSE(memo.SearchText("xyz", false, true));
    EXPECT_EQ(dialogs.transcript(),
              (QStringList{"Input input '': Find", "Input input '': Find",
                           "Information [&Ok]: Not found", "Information [&Ok]: Not found"}));
}

TEST(MemoCommands, ChangeFontThroughTheDialogService) {
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    TxMemoEx memo;
    QFont start("DejaVu Sans", 10);
    memo.setFont(start);

    dialogs.answerFont(std::nullopt);
    run(memo, TxMemoEx::mtChangeFont);
    EXPECT_EQ(memo.font().pointSize(), 10);
    dialogs.answerFont(QFont("DejaVu Sans Mono", 13));
    run(memo, TxMemoEx::mtChangeFont);
    EXPECT_EQ(memo.font().family(), "DejaVu Sans Mono");
    EXPECT_EQ(memo.font().pointSize(), 13);
    EXPECT_EQ(dialogs.transcript(), (QStringList{"Font DejaVu Sans 10", "Font DejaVu Sans 10"}));
}

TEST(MemoCommands, WordWrapAndScrollBars) {
    TxMemoEx memo;
    memo.setOptionEx(moAllowWordWrap, true);
    ASSERT_TRUE(memo.wordWrap());
    run(memo, TxMemoEx::mtWordWrap);
    EXPECT_FALSE(memo.wordWrap());
    EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    memo.updateMenuStates();
    EXPECT_FALSE(memo.menuAction(TxMemoEx::mtWordWrap)->isChecked());

    run(memo, TxMemoEx::mtWordWrap);
    EXPECT_TRUE(memo.wordWrap());
    EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    memo.updateMenuStates();
    EXPECT_TRUE(memo.menuAction(TxMemoEx::mtWordWrap)->isChecked());
    run(memo, TxMemoEx::mtWordWrap);
    EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

    // Without a vertical scroll bar the horizontal one is left as it is.
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    run(memo, TxMemoEx::mtWordWrap);
    EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(MemoCommands, SaveAndLoadThroughTheDialogService) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString saved = folder.filePath("view.sql");
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    TxMemoEx memo;
    memo.setPlainText("SELECT * FROM [Straße]\nWHERE 1");

    dialogs.answerFile(saved);
    run(memo, TxMemoEx::mtSaveToFile);
    EXPECT_EQ(readBytes(saved), QString("SELECT * FROM [Straße]\nWHERE 1").toUtf8());
    ASSERT_EQ(dialogs.asked().back().file.mode, kit::FileRequest::Mode::Save);

    const QString windows = folder.filePath("windows.txt");
    writeBytes(windows, "\xEF\xBB\xBFline one\r\nline two\r\n");
    dialogs.answerFile(windows);
    run(memo, TxMemoEx::mtLoadFromFile);
    EXPECT_EQ(memo.toPlainText(), "line one\nline two\n");
    EXPECT_EQ(memo.textCursor().position(), 0);
    // The load is one step of the undo history.
    memo.undo();
    EXPECT_EQ(memo.toPlainText(), "SELECT * FROM [Straße]\nWHERE 1");

    // Cancelled, or a file that cannot be read: the text stays.
    dialogs.answerFile(std::nullopt);
    run(memo, TxMemoEx::mtLoadFromFile);
    dialogs.answerFile(folder.filePath("missing.txt"));
    dialogs.answerMessage(mrOk);
    run(memo, TxMemoEx::mtLoadFromFile);
    EXPECT_EQ(memo.toPlainText(), "SELECT * FROM [Straße]\nWHERE 1");
    ASSERT_EQ(dialogs.asked().back().kind, kit::AskedDialog::Kind::Message);
    EXPECT_TRUE(dialogs.asked().back().summary().startsWith(
        "Error [&Ok]: Cannot open file \"missing.txt\"."));

    // Saving where no file can be made reports it and writes nothing.
    dialogs.answerFile(folder.filePath("no/such/folder/x.txt"));
    dialogs.answerMessage(mrOk);
    run(memo, TxMemoEx::mtSaveToFile);
    EXPECT_TRUE(
        dialogs.asked().back().summary().startsWith("Error [&Ok]: Cannot create file \"x.txt\"."));
    EXPECT_TRUE(dialogs.allAnswersUsed());
}

TEST(MemoFile, DecodesMarkedUtf8AndWindowsText) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {QByteArrayLiteral("plain\nlines"), "plain\nlines"},
        {QByteArrayLiteral("caf\xC3\xA9"), "café"},
        // Not UTF-8: the Windows Western code page.
        {QByteArrayLiteral("caf\xE9 \x80"), "café €"},
        {QByteArrayLiteral("\xFF\xFE"
                           "a\0\r\0\n\0b\0"),
         "a\nb"},
        {QByteArrayLiteral("old\rmac"), "old\nmac"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(kit::decodeMemoText(c.bytes), c.text);
    }
}

}  // namespace
