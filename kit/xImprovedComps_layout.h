// How a TxGroupBox places its children, worked out without a window: the
// position texts of its ChildCompsPos lines, the percentage grid for child
// group boxes, and the sizes of minimising. Rectangles are QRects; every
// "right" and "bottom" below is the exclusive edge (x + width, y + height).
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kit {

enum class HorzMode { None, Cell, CellLeft, CellRight, Left, Right, Extend };
enum class VertMode { None, Extend, Bottom };

// "mode;column;count;width reduction;vertical mode;height reduction". Modes
// are read without regard to letter case, unknown ones count as none, and a
// missing or unreadable number counts as 0.
struct ChildPosition {
    HorzMode horz = HorzMode::None;
    int column = 0;
    int columnCount = 0;
    int widthReduction = 0;
    VertMode vert = VertMode::None;
    int heightReduction = 0;

    bool operator==(const ChildPosition&) const = default;
};

ChildPosition parseChildPosition(const QString& text);
QString formatChildPosition(const ChildPosition& position);

// One "name=position" line of ChildCompsPos.
struct ChildPositionLine {
    QString name;
    QString position;
};
std::vector<ChildPositionLine> parseChildCompsPos(const QStringList& lines);

// The position text for `name`: a name starting with "*" carries it after
// the "*"; otherwise the line of that name (any letter case), if any.
std::optional<QString> positionTextOf(const QStringList& lines, const QString& name);
// Writes (or appends) the line of `name`.
void setPositionText(QStringList& lines, const QString& name, const QString& position);

struct BoxSpacing {
    int border = 8;
    int borderLeftAdd = 0;
    int colSpacing = 4;
    int rowSpacing = 4;
};

// New bounds of a child from its position text, starting from its current
// bounds; nothing when the line is skipped (a cell mode with column or count
// out of range) or the result has no positive width and height.
std::optional<QRect> positionChild(const ChildPosition& position, const QRect& current,
                                   const QRect& client, const BoxSpacing& spacing);

// A child group box's cell in its parent's percentage grid (1-based).
struct GridCell {
    int columnFrom = 0;
    int columnTo = 0;
    int rowFrom = 0;
    int rowTo = 0;
    bool lastColumn = false;  // reaches the right edge of the client area
    bool lastRow = false;     // reaches the bottom edge
};

// New bounds of a child box from its cell; an axis whose "from" index is
// out of range or whose column (row) has no percentage stays as it was.
QRect placeGridCell(const GridCell& cell, const QRect& current, const QRect& client,
                    const std::vector<double>& columnPercents,
                    const std::vector<double>& rowPercents, const BoxSpacing& spacing);

// Percentages, one per line; unreadable lines count as 0.
std::vector<double> parsePercents(const QStringList& lines);

enum class FrameType { ft3D, ftSingleLine, ftDoubleLine, ftNone };

// Extent of a minimised box across its caption bar.
int minimizedExtent(int captionHeight, FrameType frame);
// Extent a box takes back when restored: its kept size, or, when that is
// too small to be one, room for the caption and the farthest child.
int restoredExtent(int originSize, int captionHeight, int farthestChildEdge);

}  // namespace kit
