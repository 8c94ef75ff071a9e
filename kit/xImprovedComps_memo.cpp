#include "kit/xImprovedComps_memo.h"

#include <QPainter>

#include "config/KelmCompGlobalCfg.h"
#include "kit/xImprovedComps_memo_highlighter.h"
#include "kit/xdlg.h"

namespace {

// The general component events a memo raises when it is made.
constexpr int kMemoCreatedEvent = 1101;

}  // namespace

TxMemoEx::TxMemoEx(QWidget* parent)
    : QPlainTextEdit(parent), highlighter_(new kit::MemoHighlighter(this)), menu_(nullptr) {
    settings_.fontColour = palette().color(QPalette::Text);
    settings_.memoTextColour = settings_.fontColour;
    settings_.brushColour = QColor(192, 220, 192);  // money green
    highlighter_->setDocument(document());
    highlighter_->setRules(kit::MemoHighlightRules(settings_));
    buildMenu();
    raiseKelmCompGeneralEvent(this, kMemoCreatedEvent, 1);
}

TxMemoEx::~TxMemoEx() = default;

void TxMemoEx::setHighlightWords(const QStringList& entries) {
    settings_.words = entries;
    highlightingChanged();
}

void TxMemoEx::setHighlightWholeWords(bool on) {
    settings_.wholeWords = on;
    highlightingChanged();
}

void TxMemoEx::setHighlightFromStr(const QString& marker) {
    settings_.fromStr = marker;
    highlightingChanged();
}

void TxMemoEx::setHighlightToStr(const QString& marker) {
    settings_.toStr = marker;
    highlightingChanged();
}

void TxMemoEx::setHighlightFromToEx(const QStringList& entries) {
    settings_.fromToEx = entries;
    highlightingChanged();
}

void TxMemoEx::setHighlightedFontColor(const QColor& colour) {
    settings_.fontColour = colour;
    highlightingChanged();
}

void TxMemoEx::setHighlightedBrushColor(const QColor& colour) {
    settings_.brushColour = colour;
    highlightingChanged();
}

void TxMemoEx::setHighlighting(const kit::MemoHighlightSettings& settings) {
    const QColor ownColour = settings_.memoTextColour;
    settings_ = settings;
    settings_.memoTextColour = ownColour;
    highlightingChanged();
}

void TxMemoEx::highlightingChanged() {
    highlighter_->setRules(kit::MemoHighlightRules(settings_));
}

void TxMemoEx::setOptionEx(TxMemoExOption option, bool on) {
    if (on)
        optionsEx_ |= 1u << option;
    else
        optionsEx_ &= ~(1u << option);
}

void TxMemoEx::setPageBreaksCharNumber(const QString& columns) {
    pageBreaks_ = columns;
    guideColumns_ = kit::memoGuideColumns(columns);
    viewport()->update();
}

std::vector<int> TxMemoEx::guideLinePositions() const {
    std::vector<int> positions;
    if (guideColumns_.empty()) return positions;
    // Columns count from the first character of a line, which moves with
    // the horizontal scroll bar.
    const int origin = qRound(contentOffset().x() + document()->documentMargin());
    const QFontMetrics metrics(font());
    for (const int column : guideColumns_) {
        const int x = origin + metrics.horizontalAdvance(QString(column, u'o'));
        if (x >= 0 && x < viewport()->width()) positions.push_back(x);
    }
    return positions;
}

void TxMemoEx::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    const std::vector<int> positions = guideLinePositions();
    if (positions.empty()) return;
    QPainter painter(viewport());
    const int bottom = viewport()->height() - 1;
    for (const int x : positions) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(x, 0, x, bottom);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(x + 1, 0, x + 1, bottom);
    }
}

void TxMemoEx::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    // The colour "-" of the entries is the memo's own text colour.
    if (event->type() == QEvent::PaletteChange &&
        palette().color(QPalette::Text) != settings_.memoTextColour) {
        settings_.memoTextColour = palette().color(QPalette::Text);
        highlightingChanged();
    }
}

bool TxMemoEx::SearchText(const QString& search, bool fromStart, bool ignoreCase) {
    searchText_ = search;
    if (searchText_.isEmpty()) {
        QString entered;
        if (!InputText(QStringLiteral("Input"), QStringLiteral("Find"), entered)) return false;
        searchText_ = entered;
    }
    searchIgnoreCase_ = ignoreCase;
    updateMenuStates();  // "Find next" has a text now, also for its shortcut

    const QString text = toPlainText();
    const qsizetype from = fromStart ? 0 : textCursor().selectionEnd();
    const qsizetype found =
        searchText_.isEmpty()
            ? -1
            : text.indexOf(searchText_, from, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    if (found < 0) {
        MsgInfo(QStringLiteral("Not found"));
        return false;
    }
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(found));
    cursor.setPosition(static_cast<int>(found + searchText_.size()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    setFocus();
    return true;
}

bool TxMemoEx::SearchNext() {
    return SearchText(searchText_, false, searchIgnoreCase_);
}
