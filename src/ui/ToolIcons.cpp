#include "ui/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace zentaro {

namespace {

// Icons are drawn on a 16-unit grid and rendered at a few sizes.
QIcon drawn(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        paint(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kPaper(0xfb, 0xfc, 0xfd);
const QColor kBlue(0x3f, 0x7c, 0xb0);
const QColor kPaleBlue(0xc9, 0xdc, 0xee);

QPen inkPen(qreal width = 1.0)
{
    QPen pen(kInk, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A window frame with list lines in the given part and a page in the other.
void paintPanes(QPainter& p, qreal listWidth)
{
    const QRectF frame(1.5, 2.5, 13, 11);
    p.setPen(inkPen());
    p.setBrush(kPaper);
    p.drawRect(frame);
    p.fillRect(QRectF(2, 3, 12, 2), kBlue);
    if (listWidth > 0) {
        p.setPen(QPen(kBlue, 1));
        for (qreal y = 7; y <= 12; y += 2)
            p.drawLine(QPointF(3, y), QPointF(1.5 + listWidth - 1.5, y));
    }
    if (listWidth < 13) {
        const QRectF record(1.5 + listWidth, 5, 13 - listWidth, 8.5);
        p.fillRect(record.adjusted(0.5, 0, -0.5, -0.5), kPaleBlue);
        if (listWidth > 0) {
            p.setPen(inkPen(0.8));
            p.drawLine(QPointF(record.left(), 5), QPointF(record.left(), 13.5));
        }
    }
}

// A sheet of paper with a folded corner, at the left of the grid.
void paintSheet(QPainter& p)
{
    QPainterPath sheet;
    sheet.moveTo(2.5, 1.5);
    sheet.lineTo(8, 1.5);
    sheet.lineTo(11.5, 5);
    sheet.lineTo(11.5, 14.5);
    sheet.lineTo(2.5, 14.5);
    sheet.closeSubpath();
    p.setPen(inkPen());
    p.setBrush(kPaper);
    p.drawPath(sheet);
    p.setBrush(kPaleBlue);
    QPainterPath fold;
    fold.moveTo(8, 1.5);
    fold.lineTo(8, 5);
    fold.lineTo(11.5, 5);
    fold.closeSubpath();
    p.drawPath(fold);
    p.setPen(QPen(kBlue, 0.8));
    for (qreal y = 7.5; y <= 12.5; y += 2)
        p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
}

// A bold arrow from one point to another.
void paintArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    QPen pen(colour, 2.0);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(from, to);
    const QLineF shaft(to, from);
    QLineF wing1 = QLineF::fromPolar(3.0, shaft.angle() + 40).translated(to);
    QLineF wing2 = QLineF::fromPolar(3.0, shaft.angle() - 40).translated(to);
    p.drawLine(wing1);
    p.drawLine(wing2);
}

const QColor kGreen(0x3a, 0x9a, 0x4a);

} // namespace

QIcon ToolIcons::openLibrary()
{
    return drawn([](QPainter& p) {
        p.setPen(inkPen());
        p.setBrush(QColor(0xe8, 0xb9, 0x4a));
        QPainterPath back;
        back.moveTo(1.5, 13.5);
        back.lineTo(1.5, 3.5);
        back.lineTo(6, 3.5);
        back.lineTo(7.5, 5);
        back.lineTo(13.5, 5);
        back.lineTo(13.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(0xf6, 0xd3, 0x7a));
        QPainterPath front;
        front.moveTo(1.5, 13.5);
        front.lineTo(3.5, 7.5);
        front.lineTo(15, 7.5);
        front.lineTo(13.5, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    });
}

QIcon ToolIcons::reLogin()
{
    return drawn([](QPainter& p) {
        p.setPen(inkPen());
        p.setBrush(QColor(0xe8, 0xb9, 0x4a));
        p.drawEllipse(QRectF(1.5, 4.5, 6.5, 6.5));
        QPainterPath shaft;
        shaft.moveTo(8, 6.5);
        shaft.lineTo(14.5, 6.5);
        shaft.lineTo(14.5, 9.5);
        shaft.lineTo(13, 9.5);
        shaft.lineTo(13, 8.8);
        shaft.lineTo(11.5, 8.8);
        shaft.lineTo(11.5, 9.5);
        shaft.lineTo(10, 9.5);
        shaft.lineTo(10, 9);
        shaft.lineTo(8, 9);
        shaft.closeSubpath();
        p.drawPath(shaft);
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(3.2, 6.7, 2, 2));
    });
}

QIcon ToolIcons::listOnly()
{
    return drawn([](QPainter& p) { paintPanes(p, 13); });
}

QIcon ToolIcons::centerSplit()
{
    return drawn([](QPainter& p) { paintPanes(p, 6.5); });
}

QIcon ToolIcons::recordOnly()
{
    return drawn([](QPainter& p) { paintPanes(p, 0); });
}

QIcon ToolIcons::addFiles()
{
    return drawn([](QPainter& p) {
        paintSheet(p);
        p.setPen(inkPen(0.8));
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(8.5, 8.5, 7, 7));
        p.setPen(QPen(kPaper, 1.4));
        p.drawLine(QPointF(12, 10), QPointF(12, 14));
        p.drawLine(QPointF(10, 12), QPointF(14, 12));
    });
}

QIcon ToolIcons::extractToDisk()
{
    return drawn([](QPainter& p) {
        paintSheet(p);
        // A drive below the sheet takes the arrow.
        p.setPen(inkPen(0.8));
        p.setBrush(QColor(0x9a, 0xa4, 0xae));
        p.drawRoundedRect(QRectF(7.5, 11.5, 8, 4), 1, 1);
        p.setBrush(kGreen);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(13.2, 13, 1.2, 1.2));
        paintArrow(p, QPointF(11.5, 3.5), QPointF(11.5, 9.5), kBlue);
    });
}

QIcon ToolIcons::extractAndOpen()
{
    return drawn([](QPainter& p) {
        paintSheet(p);
        paintArrow(p, QPointF(7.5, 10.5), QPointF(14, 4), kGreen);
    });
}

QIcon ToolIcons::printList()
{
    return drawn([](QPainter& p) {
        // A printer with a sheet coming out of it.
        p.setPen(inkPen(0.8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 2.5, 7, 5));
        p.setBrush(QColor(0x9a, 0xa4, 0xae));
        p.drawRoundedRect(QRectF(2.5, 7.5, 13, 5), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 11.5, 7, 4));
    });
}

QPixmap ToolIcons::emblem(int size, qreal devicePixelRatio)
{
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / 16.0, pixels / 16.0);
    const QColor cards[] = {QColor(0x3f, 0x7c, 0xb0), QColor(0x5d, 0x9c, 0xd0), kPaper};
    for (int i = 0; i < 3; ++i) {
        const QRectF r(1.5 + 1.6 * i, 4.5 - 1.6 * i, 9, 11);
        p.setPen(QPen(QColor(0x0b, 0x1a, 0x2b), 0.3));
        p.setBrush(cards[i]);
        p.drawRoundedRect(r, 1, 1);
    }
    QFont font;
    font.setBold(true);
    font.setPixelSize(8);
    p.setFont(font);
    p.setPen(QColor(0x1c, 0x3d, 0x5e));
    p.drawText(QRectF(4.7, 1.3, 9, 11), Qt::AlignCenter, QStringLiteral("Z"));
    p.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace zentaro
