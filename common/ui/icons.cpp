// The suite's own small icons, drawn so that every window shows the same.
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "icons.h"

QIcon UiSuiteIcon()
{
    // The logo's sensor head on its own, 32 x 32 with a transparent backdrop.
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor teal(0, 110, 140), sky(40, 160, 210);
    p.setPen(Qt::NoPen);
    p.setBrush(teal);
    p.drawRect(6, 19, 14, 11);
    p.drawRect(11, 9, 4, 10);
    p.setBrush(sky);
    p.drawEllipse(QPointF(13, 8), 4.5, 4.5);
    p.setBrush(Qt::NoBrush);
    for (int r = 9; r <= 17; r += 8) {
        p.setPen(QPen(sky, 2.5));
        p.drawArc(QRectF(13 - r, 8 - r, 2 * r, 2 * r), 10 * 16, 60 * 16);
    }
    return QIcon(pm);
}

QIcon UiRefreshIcon()
{
    // A 16x16 circular arrow, drawn for both the normal and the 2x scale.
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(16 * scale, 16 * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor c(30, 100, 170);
        p.setPen(QPen(c, 2));
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 270 * 16);
        QPainterPath head;
        head.moveTo(9, 0.5);
        head.lineTo(14, 3.5);
        head.lineTo(9, 7);
        head.closeSubpath();
        p.fillPath(head, c);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}
