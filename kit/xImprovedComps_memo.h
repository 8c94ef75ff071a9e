// TxMemoEx: the program's multi-line text editor for SQL and free text.
// Over a plain text edit it adds
//   - keyword highlighting: words and delimited regions in other colours
//     (entry formats and matching rules: xImprovedComps_memo_rules.h); the
//     text itself never changes, and a selection shows over the colours;
//   - guide lines at character columns (PageBreaksCharNumber, "80;120");
//   - its context menu "pmSearch" with the clipboard commands, Find, Find
//     next, font choice, word wrap and loading/saving the text, the optional
//     ones switched by OptionsEx;
//   - a text search that keeps its text for "Find next".
// Every dialog it shows (find text, "Not found", font, file choice, file
// errors) goes through the kit's dialog service (xdlg_service.h).
//
// Set up for SQL, for example (whole words, so that IN is not painted in
// INNER; "-" backgrounds, so that a keyword inside a string or comment, which
// words paint over, keeps the region's background):
//     memo->setHighlightWholeWords(true);
//     memo->setHighlightWords({"SELECT\tNavy\t-", "FROM\tNavy\t-", ...});
//     memo->setHighlightFromToEx({"'\t'\tMaroon\t-", "\"\t\"\tMaroon\t-",
//                                 "--\t#EOL#\tGreen\t-", "/*\t*/\tGreen\t-"});
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <vector>

#include "kit/xImprovedComps_memo_rules.h"

class QAction;
class QMenu;

namespace kit {
class MemoHighlighter;
}

enum TxMemoExOption { moAllowSetFont, moAllowWordWrap, moAllowLoadSaveFile };

class TxMemoEx : public QPlainTextEdit {
    Q_OBJECT
public:
    // The context menu's commands by their tags.
    enum MenuTag {
        mtUndo = 1,
        mtCut = 2,
        mtCopy = 3,
        mtPaste = 4,
        mtDelete = 5,
        mtSelectAll = 10,
        mtFind = 11,
        mtFindNext = 12,
        mtChangeFont = 13,
        mtWordWrap = 20,
        mtLoadFromFile = 21,
        mtSaveToFile = 22,
    };

    explicit TxMemoEx(QWidget* parent = nullptr);
    ~TxMemoEx() override;

    // ---- highlighting; each change colours the whole text again ----
    const QStringList& HighlightWords() const { return settings_.words; }
    void setHighlightWords(const QStringList& entries);
    bool HighlightWholeWords() const { return settings_.wholeWords; }
    void setHighlightWholeWords(bool on);
    const QString& HighlightFromStr() const { return settings_.fromStr; }
    void setHighlightFromStr(const QString& marker);
    const QString& HighlightToStr() const { return settings_.toStr; }
    void setHighlightToStr(const QString& marker);
    const QStringList& HighlightFromToEx() const { return settings_.fromToEx; }
    void setHighlightFromToEx(const QStringList& entries);
    // Initially the memo's text colour when it was created.
    QColor HighlightedFontColor() const { return settings_.fontColour; }
    void setHighlightedFontColor(const QColor& colour);
    // Initially money green.
    QColor HighlightedBrushColor() const { return settings_.brushColour; }
    void setHighlightedBrushColor(const QColor& colour);
    // All of the above at once, coloured once.
    void setHighlighting(const kit::MemoHighlightSettings& settings);

    // ---- options of the context menu; moAllowSetFont and
    // moAllowLoadSaveFile are on initially ----
    bool hasOptionEx(TxMemoExOption option) const { return (optionsEx_ >> option) & 1u; }
    void setOptionEx(TxMemoExOption option, bool on);

    // ---- guide lines ----
    const QString& PageBreaksCharNumber() const { return pageBreaks_; }
    void setPageBreaksCharNumber(const QString& columns);
    // Where the guide lines are drawn now, in viewport coordinates: each
    // column's width of "o" characters from the start of the text, for the
    // columns that lie inside the viewport.
    std::vector<int> guideLinePositions() const;

    // ---- search ----
    // Searches `search` (asking for it when empty; false on cancel) from the
    // start or after the selection, selects the match and takes the focus;
    // "Not found" and false when there is none. Keeps text and case flag.
    bool SearchText(const QString& search, bool fromStart, bool ignoreCase);
    // SearchText with the kept text, after the selection.
    bool SearchNext();
    const QString& searchString() const { return searchText_; }

    // ---- word wrap ----
    bool wordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }
    // Switches word wrap; wrapped text drops the horizontal scroll bar and
    // unwrapped text gets it back.
    void toggleWordWrap();

    // ---- context menu ----
    QMenu* searchMenu() const { return menu_; }
    QAction* menuAction(MenuTag tag) const;
    // Sets what is enabled and checked, as each pop-up of the menu does.
    void updateMenuStates();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void highlightingChanged();
    void buildMenu();
    void menuCommand(MenuTag tag);
    void changeFont();
    void loadFromFile();
    void saveToFile();

    kit::MemoHighlightSettings settings_;
    kit::MemoHighlighter* highlighter_;  // child of the memo
    unsigned optionsEx_ = (1u << moAllowSetFont) | (1u << moAllowLoadSaveFile);
    QString pageBreaks_;
    std::vector<int> guideColumns_;
    QString searchText_;
    bool searchIgnoreCase_ = true;
    QMenu* menu_;  // child of the memo
};
