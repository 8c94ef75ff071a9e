#include "kit/xImprovedComps_memo_rules.h"

#include "kit/colour_names.h"

namespace kit {
namespace {

QString field(const QStringList& fields, qsizetype index) {
    return index < fields.size() ? fields[index] : QString();
}

// In the markers of a region entry "#9" is written for a tab, since the
// tab itself separates the fields.
QString regionMarker(const QStringList& fields, qsizetype index) {
    QString marker = field(fields, index);
    marker.replace(QStringLiteral("#9"), QStringLiteral("\t"));
    return marker;
}

}  // namespace

QColor memoTextColourField(const QString& text, const MemoHighlightSettings& settings) {
    if (text.isEmpty()) return settings.fontColour;
    if (text == u"-") return settings.memoTextColour;
    return colourFromText(text).value_or(settings.memoTextColour);
}

std::optional<QColor> memoBackgroundField(const QString& text,
                                          const MemoHighlightSettings& settings) {
    if (text.isEmpty()) {
        if (!settings.brushColour.isValid()) return std::nullopt;
        return settings.brushColour;
    }
    if (text == u"-") return std::nullopt;
    return colourFromText(text);
}

MemoHighlightRules::MemoHighlightRules(const MemoHighlightSettings& settings)
    : wholeWords_(settings.wholeWords) {
    const auto addRegion = [this](const QString& open, const QString& close, MemoColours colours) {
        if (open.isEmpty() || close.isEmpty()) return;
        regions_.push_back({foldCaseKeepingPositions(open),
                            close == kMemoEndOfLine ? QString() : foldCaseKeepingPositions(close),
                            std::move(colours)});
    };
    addRegion(settings.fromStr, settings.toStr,
              {memoTextColourField({}, settings), memoBackgroundField({}, settings)});
    for (const QString& entry : settings.fromToEx) {
        const QStringList fields = entry.split(u'\t');
        addRegion(regionMarker(fields, 0), regionMarker(fields, 1),
                  {memoTextColourField(field(fields, 2), settings),
                   memoBackgroundField(field(fields, 3), settings)});
    }
    for (const QString& entry : settings.words) {
        const QStringList fields = entry.split(u'\t');
        // An empty word would match between every two characters.
        if (fields[0].isEmpty()) continue;
        words_.push_back({foldCaseKeepingPositions(fields[0]),
                          {memoTextColourField(field(fields, 1), settings),
                           memoBackgroundField(field(fields, 2), settings)}});
    }
}

std::vector<MemoPaint> MemoHighlightRules::paintLine(QStringView line,
                                                     std::vector<bool>& carry) const {
    carry.resize(regions_.size(), false);
    std::vector<MemoPaint> out;
    if (paintsNothing()) return out;
    const QString folded = foldCaseKeepingPositions(line);
    for (size_t i = 0; i < regions_.size(); ++i) {
        bool open = carry[i];
        paintRegion(regions_[i], line, folded, open, out);
        carry[i] = open;
    }
    for (const Word& word : words_) paintWord(word, line, folded, out);
    return out;
}

// A region opens at its marker, or at the line start when it is carried in
// from the line before, and ends after its closing marker. Without one it
// runs to the end of the line and stays open into the next, unless it is
// meant to end at the line end.
void MemoHighlightRules::paintRegion(const Region& region, QStringView line, QStringView folded,
                                     bool& carry, std::vector<MemoPaint>& out) const {
    const qsizetype length = line.size();
    bool carriedIn = carry;
    carry = false;
    qsizetype pos = 0;
    while (true) {
        qsizetype start = pos;
        qsizetype closeFrom = pos;
        if (carriedIn) {
            carriedIn = false;
        } else {
            start = folded.indexOf(region.open, pos);
            if (start < 0) return;
            closeFrom = start + region.open.size();
        }
        const qsizetype close =
            region.close.isEmpty() ? -1 : folded.indexOf(region.close, closeFrom);
        const qsizetype end = close >= 0 ? close + region.close.size() : length;
        if (end > start)
            out.push_back({static_cast<int>(start), static_cast<int>(end - start), region.colours});
        if (close < 0) {
            carry = !region.close.isEmpty();
            return;
        }
        pos = end;
    }
}

void MemoHighlightRules::paintWord(const Word& word, QStringView line, QStringView folded,
                                   std::vector<MemoPaint>& out) const {
    const qsizetype size = word.word.size();
    for (qsizetype at = folded.indexOf(word.word); at >= 0;
         at = folded.indexOf(word.word, at + 1)) {
        if (wholeWords_) {
            const bool startsWord = at == 0 || isMemoWordDelimiter(line[at - 1]);
            const bool endsWord = at + size == line.size() || isMemoWordDelimiter(line[at + size]);
            if (!startsWord || !endsWord) continue;
        }
        out.push_back({static_cast<int>(at), static_cast<int>(size), word.colours});
    }
}

bool isMemoWordDelimiter(QChar c) {
    switch (c.unicode()) {
        case u'\t':
        case u'\n':
        case u'\v':
        case u'\f':
        case u'\r':
        case u' ':
        case u'(':
        case u')':
        case u',':
        case u'-':
        case u'.':
        case u'/':
        case u';':
        case u'=':
        case u'\\':
        case u'_':
            return true;
        default:
            return false;
    }
}

QString foldCaseKeepingPositions(QStringView text) {
    QString folded;
    folded.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype units = pair ? 2 : 1;
        const char32_t code =
            pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const char32_t fold = QChar::toCaseFolded(code);
        // A fold that would need another number of code units is left out,
        // so that positions in the folded text are positions in the text.
        if (QChar::requiresSurrogates(fold) == pair) {
            if (pair) {
                folded += QChar(QChar::highSurrogate(fold));
                folded += QChar(QChar::lowSurrogate(fold));
            } else {
                folded += QChar(static_cast<char16_t>(fold));
            }
        } else {
            folded += text.mid(i, units);
        }
        i += units;
    }
    return folded;
}

std::vector<int> memoGuideColumns(const QString& text) {
    std::vector<int> columns;
    if (text.isEmpty()) return columns;
    for (const QString& item : text.split(u';')) {
        bool ok = false;
        const int column = item.trimmed().toInt(&ok);
        if (ok && column >= 1) columns.push_back(column);
    }
    return columns;
}

}  // namespace kit
