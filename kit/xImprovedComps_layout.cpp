#include "kit/xImprovedComps_layout.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace kit {

namespace {

HorzMode horzModeOf(const QString& text) {
    const QString mode = text.trimmed().toUpper();
    if (mode == "C") return HorzMode::Cell;
    if (mode == "CL") return HorzMode::CellLeft;
    if (mode == "CR") return HorzMode::CellRight;
    if (mode == "L") return HorzMode::Left;
    if (mode == "R") return HorzMode::Right;
    if (mode == "E") return HorzMode::Extend;
    return HorzMode::None;
}

VertMode vertModeOf(const QString& text) {
    const QString mode = text.trimmed().toUpper();
    if (mode == "E") return VertMode::Extend;
    if (mode == "B") return VertMode::Bottom;
    return VertMode::None;
}

QString horzModeText(HorzMode mode) {
    switch (mode) {
        case HorzMode::Cell:
            return "C";
        case HorzMode::CellLeft:
            return "CL";
        case HorzMode::CellRight:
            return "CR";
        case HorzMode::Left:
            return "L";
        case HorzMode::Right:
            return "R";
        case HorzMode::Extend:
            return "E";
        case HorzMode::None:
            break;
    }
    return "0";
}

QString vertModeText(VertMode mode) {
    switch (mode) {
        case VertMode::Extend:
            return "E";
        case VertMode::Bottom:
            return "B";
        case VertMode::None:
            break;
    }
    return "0";
}

int numberField(const QStringList& fields, int index) {
    if (index >= fields.size()) return 0;
    bool ok = false;
    const int value = fields[index].trimmed().toInt(&ok);
    return ok ? value : 0;
}

// Leading and exclusive trailing edge of cells from..to of a percentage grid
// along one axis (client start and extent given), or nothing when `from`
// does not name a sized cell. The free extent leaves the border on both
// sides, the leading addition and the spacings between the cells.
std::optional<std::pair<int, int>> gridSpan(const std::vector<double>& percents, int from, int to,
                                            int start, int extent, int border, int leadAdd,
                                            int spacing) {
    const int n = int(percents.size());
    if (from < 1 || from > n || percents[size_t(from - 1)] <= 0) return std::nullopt;
    to = std::clamp(to, from, n);
    const double free = extent - 2 * border - leadAdd - spacing * (n - 1);
    double before = 0;
    for (int i = 1; i < from; ++i) before += percents[size_t(i - 1)] * free / 100;
    double span = 0;
    for (int i = from; i <= to; ++i) span += percents[size_t(i - 1)] * free / 100;
    const int lead = start + border + leadAdd + spacing * (from - 1) + int(std::lround(before));
    const int trail = lead + spacing * (to - from) + int(std::lround(span));
    return std::make_pair(lead, trail);
}

}  // namespace

ChildPosition parseChildPosition(const QString& text) {
    const QStringList fields = text.split(u';');
    ChildPosition position;
    position.horz = horzModeOf(fields.value(0));
    position.column = numberField(fields, 1);
    position.columnCount = numberField(fields, 2);
    position.widthReduction = numberField(fields, 3);
    position.vert = vertModeOf(fields.value(4));
    position.heightReduction = numberField(fields, 5);
    return position;
}

QString formatChildPosition(const ChildPosition& position) {
    return QStringLiteral("%1;%2;%3;%4;%5;%6")
        .arg(horzModeText(position.horz))
        .arg(position.column)
        .arg(position.columnCount)
        .arg(position.widthReduction)
        .arg(vertModeText(position.vert))
        .arg(position.heightReduction);
}

std::vector<ChildPositionLine> parseChildCompsPos(const QStringList& lines) {
    std::vector<ChildPositionLine> result;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        result.push_back({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return result;
}

std::optional<QString> positionTextOf(const QStringList& lines, const QString& name) {
    if (name.startsWith(u'*')) return name.mid(1);
    for (const ChildPositionLine& line : parseChildCompsPos(lines))
        if (line.name.compare(name, Qt::CaseInsensitive) == 0) return line.position;
    return std::nullopt;
}

void setPositionText(QStringList& lines, const QString& name, const QString& position) {
    const QString line = name + u'=' + position;
    for (QString& existing : lines) {
        const qsizetype equals = existing.indexOf(u'=');
        if (equals >= 0 &&
            existing.left(equals).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            existing = line;
            return;
        }
    }
    lines << line;
}

std::optional<QRect> positionChild(const ChildPosition& position, const QRect& current,
                                   const QRect& client, const BoxSpacing& spacing) {
    const int clientLeft = client.x();
    const int clientRight = client.x() + client.width();
    const int clientBottom = client.y() + client.height();
    const int b = spacing.border;
    int left = current.x();
    int right = current.x() + current.width();
    int top = current.y();
    int bottom = current.y() + current.height();

    switch (position.horz) {
        case HorzMode::Cell:
        case HorzMode::CellLeft:
        case HorzMode::CellRight: {
            const int column = position.column;
            const int count = position.columnCount;
            if (column < 1 || count < 1 || count < column) return std::nullopt;
            const int free =
                client.width() - 2 * b - spacing.borderLeftAdd - spacing.colSpacing * (count - 1);
            left = clientLeft + b + spacing.borderLeftAdd + spacing.colSpacing * (column - 1) +
                   (column - 1) * free / count;
            right = left + free / count - position.widthReduction;
            if (position.horz == HorzMode::CellLeft) right = left + current.width();
            if (position.horz == HorzMode::CellRight) left = right - current.width();
            break;
        }
        case HorzMode::Left:
            left = clientLeft + b + spacing.borderLeftAdd;
            right = left + current.width();
            break;
        case HorzMode::Right:
            right = clientRight - b - position.widthReduction;
            left = right - current.width();
            break;
        case HorzMode::Extend:
            right = clientRight - b - position.widthReduction;
            break;
        case HorzMode::None:
            break;
    }
    switch (position.vert) {
        case VertMode::Extend:
            bottom = clientBottom - b - position.heightReduction;
            break;
        case VertMode::Bottom:
            bottom = clientBottom - b - position.heightReduction;
            top = bottom - current.height();
            break;
        case VertMode::None:
            break;
    }
    if (right - left <= 0 || bottom - top <= 0) return std::nullopt;
    return QRect(left, top, right - left, bottom - top);
}

QRect placeGridCell(const GridCell& cell, const QRect& current, const QRect& client,
                    const std::vector<double>& columnPercents,
                    const std::vector<double>& rowPercents, const BoxSpacing& spacing) {
    const int b = spacing.border;
    int left = current.x();
    int right = current.x() + current.width();
    int top = current.y();
    int bottom = current.y() + current.height();

    if (auto span = gridSpan(columnPercents, cell.columnFrom, cell.columnTo, client.x(),
                             client.width(), b, spacing.borderLeftAdd, spacing.colSpacing)) {
        std::tie(left, right) = *span;
        // The last column reaches the client's right edge, less the border.
        if (cell.lastColumn) right = std::max(client.x() + client.width() - b, left + 10);
    }
    if (auto span = gridSpan(rowPercents, cell.rowFrom, cell.rowTo, client.y(), client.height(), b,
                             0, spacing.rowSpacing)) {
        std::tie(top, bottom) = *span;
        if (cell.lastRow) bottom = std::max(client.y() + client.height() - b, top + 10);
    }
    return QRect(left, top, right - left, bottom - top);
}

std::vector<double> parsePercents(const QStringList& lines) {
    std::vector<double> result;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) continue;
        bool ok = false;
        const double value = line.trimmed().toDouble(&ok);
        result.push_back(ok ? value : 0);
    }
    return result;
}

int minimizedExtent(int captionHeight, FrameType frame) {
    switch (frame) {
        case FrameType::ft3D:
        case FrameType::ftDoubleLine:
            return captionHeight + 5;
        case FrameType::ftSingleLine:
            return captionHeight + 3;
        case FrameType::ftNone:
            break;
    }
    return captionHeight + 1;
}

int restoredExtent(int originSize, int captionHeight, int farthestChildEdge) {
    if (originSize >= captionHeight + 4) return originSize;
    return 8 + std::max(captionHeight + 16, farthestChildEdge);
}

}  // namespace kit
