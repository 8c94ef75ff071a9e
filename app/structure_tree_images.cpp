#include "app/structure_tree_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace {

void drawFolder(QPainter& p) {
    p.setPen(QColor(0xB0, 0x8A, 0x2E));
    p.setBrush(QColor(0xF5, 0xD4, 0x6A));
    p.drawRect(1, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
}

void drawTable(QPainter& p) {
    p.setPen(QColor(0x3A, 0x5F, 0x9E));
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 3, QColor(0x6E, 0x93, 0xD1));
    p.drawLine(1, 9, 14, 9);
    p.drawLine(6, 6, 6, 13);
}

void drawView(QPainter& p) {
    drawTable(p);
    p.setPen(QPen(QColor(0x2E, 0x8B, 0x57), 1.5));
    p.setBrush(QColor(0xC8, 0xF0, 0xD0));
    p.drawEllipse(QPointF(10.5, 10.5), 4, 3);
    p.setBrush(QColor(0x2E, 0x8B, 0x57));
    p.drawEllipse(QPointF(10.5, 10.5), 1.2, 1.2);
}

void drawSheet(QPainter& p) {
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.setBrush(Qt::white);
    p.drawRect(3, 1, 10, 14);
    p.setPen(QColor(0x80, 0x9C, 0xC8));
    for (int y = 4; y <= 12; y += 3) p.drawLine(5, y, 11, y);
}

void drawKey(QPainter& p, double x, double y) {
    p.setPen(QPen(QColor(0x8A, 0x6A, 0x00), 1));
    p.setBrush(QColor(0xF2, 0xC2, 0x1B));
    p.drawEllipse(QPointF(x + 2.5, y + 2.5), 2.5, 2.5);
    p.fillRect(QRectF(x + 4.5, y + 2, 6, 1.6), QColor(0xC8, 0x96, 0x00));
    p.fillRect(QRectF(x + 8.5, y + 3.2, 1.5, 2.2), QColor(0xC8, 0x96, 0x00));
}

void drawExclamation(QPainter& p, int x) {
    p.fillRect(x, 7, 2, 6, QColor(0xD0, 0x10, 0x10));
    p.fillRect(x, 14, 2, 2, QColor(0xD0, 0x10, 0x10));
}

void drawWarning(QPainter& p) {
    QPainterPath triangle;
    triangle.moveTo(8, 1);
    triangle.lineTo(15, 14);
    triangle.lineTo(1, 14);
    triangle.closeSubpath();
    p.setPen(QColor(0x9A, 0x70, 0x00));
    p.setBrush(QColor(0xFF, 0xD0, 0x30));
    p.drawPath(triangle);
    p.fillRect(7, 5, 2, 5, Qt::black);
    p.fillRect(7, 11, 2, 2, Qt::black);
}

void drawLink(QPainter& p, const QColor& colour) {
    p.setPen(QPen(colour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1, 6, 8, 5), 2.5, 2.5);
    p.drawRoundedRect(QRectF(6, 3, 8, 5), 2.5, 2.5);
}

QIcon makeIcon(StructImage image) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor blue(0x1F, 0x5F, 0xD0);
    const QColor grey(0x80, 0x80, 0x80);
    switch (image) {
        case StructImage::Folder:
            drawFolder(p);
            break;
        case StructImage::Table:
            drawTable(p);
            break;
        case StructImage::View:
            drawView(p);
            break;
        case StructImage::Sheet:
            drawSheet(p);
            break;
        case StructImage::KeySheet:
            drawSheet(p);
            drawKey(p, 4, 9);
            break;
        case StructImage::RequiredSheet:
            drawSheet(p);
            drawExclamation(p, 12);
            break;
        case StructImage::Key:
            drawKey(p, 2, 5);
            break;
        case StructImage::Warning:
            drawWarning(p);
            break;
        case StructImage::LinkFrom:
            drawLink(p, blue);
            break;
        case StructImage::LinkFromEnforced:
            drawLink(p, blue);
            drawExclamation(p, 13);
            break;
        case StructImage::LinkTo:
            drawLink(p, grey);
            break;
        case StructImage::LinkToEnforced:
            drawLink(p, grey);
            drawExclamation(p, 13);
            break;
    }
    p.end();
    return QIcon(pixmap);
}

}  // namespace

const QIcon& structTreeIcon(StructImage image) {
    static const std::array<QIcon, kStructImageCount> icons = [] {
        std::array<QIcon, kStructImageCount> all;
        for (int i = 0; i < kStructImageCount; ++i) all[size_t(i)] = makeIcon(StructImage(i));
        return all;
    }();
    const int index = static_cast<int>(image);
    return icons[size_t(index >= 0 && index < kStructImageCount ? index : 0)];
}
