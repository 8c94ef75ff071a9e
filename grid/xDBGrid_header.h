// The grid's title row: each title holds the caption, the sort mark (with
// small squares giving its place in a multi-column order), the funnel glyph
// and, in its bottom band, the text filter bar with its "x" box. A press on
// the bar opens the bar's editor, on the funnel the value list, on the "x"
// clears the column's text filter; a click elsewhere is a sort click.
#pragma once

#include <QHeaderView>

class TxDBGrid;

class TxDBGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TxDBGridHeader(TxDBGrid* grid);

    enum Area { aNone, aTitle, aBar, aBarClear, aFunnel };
    // What lies at `pos` (viewport coordinates) and in which column.
    Area areaAt(const QPoint& pos, int* column = nullptr) const;
    // The parts of a title, in viewport coordinates.
    QRect barRect(int column) const;
    QRect barClearRect(int column) const;
    QRect funnelRect(int column) const;
    int titleBandHeight() const;
    int barBandHeight() const;
    // Room the sort glyph and the funnel glyph take in a title.
    static constexpr int kGlyphWidth = 10;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QRect sectionRectOf(int column) const;
    TxDBGrid* grid_;
    int pressedColumn_ = -1;
    Qt::KeyboardModifiers pressedModifiers_;
    QPoint pressPos_;
};
