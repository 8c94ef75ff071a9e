// What TxMemoEx paints in other colours, without a window: the entry
// formats of its highlight properties, read once into rules, and the
// painting of one line under those rules.
//
// A line is painted in passes, later ones over earlier ones: the one region
// kind of HighlightFromStr/HighlightToStr, then every HighlightFromToEx
// entry, then every HighlightWords entry, each in list order. Regions may
// run past the end of their line; the caller carries one flag per region
// kind from each line into the next, starting with all flags cleared at the
// first line of the text, so a region is coloured wherever it is scrolled.
//
// Matching ignores letter case without changing the length of the text
// (each character is case-folded on its own), so every match lies exactly
// where its letters stand, whatever the language ("straße" stays seven
// characters long).
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

namespace kit {

// The highlight properties of a memo, as it holds them.
struct MemoHighlightSettings {
    // Entries "word[<tab>text colour[<tab>background colour]]".
    QStringList words;
    bool wholeWords = false;
    // The one region kind; both must be set. "#EOL#" closes at the line end.
    QString fromStr;
    QString toStr;
    // Entries "open<tab>close[<tab>text colour[<tab>background colour]]";
    // "#9" in the markers stands for a tab.
    QStringList fromToEx;
    QColor fontColour;      // text of a painted piece when an entry names none
    QColor brushColour;     // its background when an entry names none
    QColor memoTextColour;  // the memo's own text colour, for the colour "-"
};

// The colours of one painted piece; no background leaves what lies below
// (an earlier pass or the memo's own background) visible.
struct MemoColours {
    QColor text;
    std::optional<QColor> background;
    bool operator==(const MemoColours&) const = default;
};

// One painted piece of a line: `length` characters from `start`.
struct MemoPaint {
    int start = 0;
    int length = 0;
    MemoColours colours;
};

// The closing marker that ends a region at the end of its line.
inline constexpr QStringView kMemoEndOfLine = u"#EOL#";

class MemoHighlightRules {
public:
    MemoHighlightRules() = default;
    explicit MemoHighlightRules(const MemoHighlightSettings& settings);

    // How many carry flags a line takes and gives: one per region kind.
    int regionKindCount() const { return static_cast<int>(regions_.size()); }
    bool paintsNothing() const { return regions_.empty() && words_.empty(); }

    // The pieces of `line` to paint, in painting order. `carry` holds
    // regionKindCount() flags: on entry whether each region kind is open
    // from the line before, on return whether it stays open into the next.
    std::vector<MemoPaint> paintLine(QStringView line, std::vector<bool>& carry) const;

private:
    struct Region {
        QString open;   // case-folded
        QString close;  // case-folded; empty when the region ends at the line end
        MemoColours colours;
    };
    struct Word {
        QString word;  // case-folded
        MemoColours colours;
    };

    void paintRegion(const Region& region, QStringView line, QStringView folded, bool& carry,
                     std::vector<MemoPaint>& out) const;
    void paintWord(const Word& word, QStringView line, QStringView folded,
                   std::vector<MemoPaint>& out) const;

    std::vector<Region> regions_;
    std::vector<Word> words_;
    bool wholeWords_ = false;
};

// The colour fields of an entry: empty or absent gives the default colour,
// "-" the memo's own text colour or no background, anything else a colour
// text (colour_names.h); an unreadable text colour is the memo's own, an
// unreadable background none.
QColor memoTextColourField(const QString& field, const MemoHighlightSettings& settings);
std::optional<QColor> memoBackgroundField(const QString& field,
                                          const MemoHighlightSettings& settings);

// Whether `c` ends a whole word: blanks and line breaks and ( ) , - . / ; = \ _.
// No character above code 255 does.
bool isMemoWordDelimiter(QChar c);

// `text` with every character case-folded on its own, so it keeps its length
// and every position in it.
QString foldCaseKeepingPositions(QStringView text);

// The character columns of a PageBreaksCharNumber text such as "10;20;x":
// every ";"-separated item that is a whole number of at least 1, in order.
std::vector<int> memoGuideColumns(const QString& text);

}  // namespace kit
