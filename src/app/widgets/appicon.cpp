#include "app/widgets/appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tw::app {

namespace {

// Paints the 64-unit drawing scaled to `size` pixels.
QPixmap paintIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    const QColor frame(0x2f, 0x5d, 0x8a);
    painter.setPen(QPen(frame, 2));
    painter.setBrush(QColor(0xf3, 0xf6, 0xfa));
    for (const int left : {2, 36}) {
        painter.drawRoundedRect(QRectF(left, 10, 26, 44), 3, 3);
        for (const int y : {20, 30, 40}) {
            painter.drawLine(QLineF(left, y, left + 26, y));
        }
    }

    QPainterPath arrow;
    arrow.moveTo(24, 32);
    arrow.lineTo(40, 32);
    arrow.moveTo(34, 26);
    arrow.lineTo(40, 32);
    arrow.lineTo(34, 38);
    painter.setPen(QPen(QColor(0xd9, 0x82, 0x2b), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    return pixmap;
}

} // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(paintIcon(size));
    }
    return icon;
}

} // namespace tw::app
