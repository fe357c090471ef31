#include "program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// The icon's drawing on its 64 x 64 grid, as the SVG has it.
void paint_icon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    const QColor teal(0x00, 0x80, 0x80);
    // cable to the programming board
    QPainterPath cable(QPointF(52, 34));
    cable.cubicTo(58, 34, 60, 40, 60, 46);
    cable.lineTo(60, 60);
    p.setPen(QPen(teal, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    p.setPen(Qt::NoPen);
    p.setBrush(teal);
    p.drawRoundedRect(QRectF(46, 29, 8, 10), 1.5, 1.5);
    // receiver body
    QLinearGradient body(0, 14, 0, 54);
    body.setColorAt(0, QColor(0x4a, 0x55, 0x60));
    body.setColorAt(1, QColor(0x26, 0x2d, 0x33));
    p.setPen(QPen(QColor(0x1a, 0x1f, 0x23), 1.5));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(6, 14, 42, 40), 7, 7);
    // belt clip
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5d, 0x6a, 0x75));
    p.drawRoundedRect(QRectF(16, 9, 22, 7), 2, 2);
    // display with a capcode line
    QLinearGradient screen(0, 20, 0, 35);
    screen.setColorAt(0, QColor(0xc9, 0xe8, 0xc0));
    screen.setColorAt(1, QColor(0x9c, 0xc9, 0x8f));
    p.setPen(QPen(QColor(0x1a, 0x1f, 0x23), 1));
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(11, 20, 32, 15), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x24, 0x42, 0x1d));
    for (int x = 14; x <= 34; x += 5) p.drawRect(QRectF(x, 24, 3, 7));
    // keys
    p.setBrush(QColor(0xff, 0xc0, 0x80));
    p.drawEllipse(QPointF(17, 45), 3.5, 3.5);
    p.setBrush(QColor(0xe0, 0xe0, 0xe0));
    p.drawEllipse(QPointF(27, 45), 3.5, 3.5);
    p.drawEllipse(QPointF(37, 45), 3.5, 3.5);
    // signal waves
    p.setPen(QPen(teal, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(38, 8, 12, 12), 90 * 16, -90 * 16);
    p.drawArc(QRectF(33, 3, 22, 22), 90 * 16, -90 * 16);
}

} // namespace

QIcon program_icon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.scale(size / 64.0, size / 64.0);
        paint_icon(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
