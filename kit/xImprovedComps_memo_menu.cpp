// TxMemoEx's context menu and the commands behind it.
#include <QContextMenuEvent>
#include <QMenu>
#include <variant>

#include "kit/xHTMLLabel.h"
#include "kit/xImprovedComps_memo.h"
#include "kit/xImprovedComps_memo_file.h"
#include "kit/xdlg.h"
#include "kit/xdlg_service.h"

namespace {

const QString kTextFileFilter =
    QStringLiteral("Text files (*.txt)|*.txt|SQL files (*.sql)|*.sql|All files (*)|*");

}  // namespace

void TxMemoEx::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("pmSearch"));
    const auto item = [this](MenuTag tag, const QString& caption,
                             const QKeySequence& shortcut = {}) {
        QAction* action = menu_->addAction(caption);
        action->setData(int(tag));
        // The keys work for the actions added to the memo itself; each memo
        // of a window answers its own.
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, tag] { menuCommand(tag); });
        return action;
    };
    item(mtUndo, QStringLiteral("Undo"));
    menu_->addSeparator();
    item(mtCut, QStringLiteral("Cut"));
    item(mtCopy, QStringLiteral("Copy"));
    item(mtPaste, QStringLiteral("Paste"));
    item(mtDelete, QStringLiteral("Delete"));
    menu_->addSeparator();
    // Shown only: the edit control selects all on Ctrl+A itself.
    item(mtSelectAll, QStringLiteral("Select all"), QKeySequence(Qt::CTRL | Qt::Key_A));
    menu_->addSeparator();
    addAction(item(mtFind, QStringLiteral("Find"), QKeySequence(Qt::CTRL | Qt::Key_F)));
    addAction(item(mtFindNext, QStringLiteral("Find next"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)));
    item(mtChangeFont, QStringLiteral("Change font"));
    item(mtWordWrap, QStringLiteral("Word wrap"))->setCheckable(true);
    menu_->addSeparator();
    item(mtLoadFromFile, QStringLiteral("Load from file..."));
    item(mtSaveToFile, QStringLiteral("Save to file..."));
    updateMenuStates();
}

QAction* TxMemoEx::menuAction(MenuTag tag) const {
    for (QAction* action : menu_->actions())
        if (!action->isSeparator() && action->data().toInt() == tag) return action;
    return nullptr;
}

void TxMemoEx::updateMenuStates() {
    const bool editable = !isReadOnly();
    const bool selection = textCursor().hasSelection();
    const auto set = [this](MenuTag tag, bool enabled) { menuAction(tag)->setEnabled(enabled); };
    set(mtUndo, editable && document()->isUndoAvailable());
    set(mtCut, editable && selection);
    set(mtCopy, selection);
    set(mtPaste, canPaste());
    set(mtDelete, editable && selection);
    set(mtSelectAll, true);
    set(mtFind, true);
    set(mtFindNext, !searchText_.isEmpty());
    set(mtChangeFont, hasOptionEx(moAllowSetFont));
    set(mtWordWrap, hasOptionEx(moAllowWordWrap));
    menuAction(mtWordWrap)->setChecked(wordWrap());
    // A read-only memo shows a text that is not the user's to replace.
    set(mtLoadFromFile, editable && hasOptionEx(moAllowLoadSaveFile));
    set(mtSaveToFile, hasOptionEx(moAllowLoadSaveFile));
}

void TxMemoEx::contextMenuEvent(QContextMenuEvent* event) {
    updateMenuStates();
    menu_->exec(event->globalPos());
}

void TxMemoEx::menuCommand(MenuTag tag) {
    switch (tag) {
        case mtUndo:
            undo();
            break;
        case mtCut:
            cut();
            break;
        case mtCopy:
            copy();
            break;
        case mtPaste:
            paste();
            break;
        case mtDelete:
            textCursor().removeSelectedText();
            break;
        case mtSelectAll:
            selectAll();
            break;
        case mtFind:
            SearchText(QString(), true, true);
            break;
        case mtFindNext:
            SearchNext();
            break;
        case mtChangeFont:
            changeFont();
            break;
        case mtWordWrap:
            toggleWordWrap();
            break;
        case mtLoadFromFile:
            loadFromFile();
            break;
        case mtSaveToFile:
            saveToFile();
            break;
    }
}

void TxMemoEx::toggleWordWrap() {
    const bool on = !wordWrap();
    setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    const bool vertical = verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    const bool horizontal = horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    if (on && vertical && horizontal)
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    else if (!on && vertical && !horizontal)
        setHorizontalScrollBarPolicy(verticalScrollBarPolicy());
}

void TxMemoEx::changeFont() {
    kit::FontRequest request;
    request.font = font();
    if (const std::optional<QFont> chosen = kit::dialogService().chooseFont(request))
        setFont(*chosen);
}

void TxMemoEx::loadFromFile() {
    kit::FileRequest request;
    request.mode = kit::FileRequest::Mode::Open;
    request.filter = kTextFileFilter;
    const std::optional<QString> path = kit::dialogService().chooseFile(request);
    if (!path) return;
    const auto read = kit::readMemoFile(*path);
    if (const auto* error = std::get_if<kit::MemoFileError>(&read)) {
        MsgError(htmlEscape(error->message));
        return;
    }
    // One step of the undo history, so an unintended load can be undone.
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(std::get<QString>(read));
    moveCursor(QTextCursor::Start);
}

void TxMemoEx::saveToFile() {
    kit::FileRequest request;
    request.mode = kit::FileRequest::Mode::Save;
    request.filter = kTextFileFilter;
    request.defaultSuffix = QStringLiteral("txt");
    const std::optional<QString> path = kit::dialogService().chooseFile(request);
    if (!path) return;
    if (const auto error = kit::writeMemoFile(*path, toPlainText()))
        MsgError(htmlEscape(error->message));
}
