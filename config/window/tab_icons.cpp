// The nine 16x16 tab icons of the configuration window, drawn in the
// suite's blues so that they read on a light and on a dark face.
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include "page_widget.h"

namespace {

const QColor kLine(30, 100, 170);
const QColor kFill(120, 190, 230);
const QColor kAccent(230, 150, 40);

void Home(QPainter& p)
{
    QPainterPath roof;
    roof.moveTo(1.5, 8);
    roof.lineTo(8, 1.5);
    roof.lineTo(14.5, 8);
    p.setPen(QPen(kLine, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(roof);
    p.setBrush(kFill);
    p.drawRect(QRectF(3.5, 7.5, 9, 7));
    p.setBrush(kLine);
    p.drawRect(QRectF(7, 10, 2.5, 4.5));
}

void Summary(QPainter& p)
{
    p.setPen(QPen(kLine, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 11, 13));
    p.setPen(QPen(kLine, 1.2));
    for (double y = 4.5; y < 13; y += 2.5)
        p.drawLine(QPointF(4.5, y), QPointF(y < 11 ? 11.5 : 8.5, y));
}

void Outputs(QPainter& p)
{
    p.setPen(QPen(kLine, 1.2));
    p.drawLine(QPointF(1, 13.5), QPointF(15, 13.5));
    p.drawLine(QPointF(1.5, 1.5), QPointF(1.5, 14));
    QPainterPath wave;
    for (int i = 0; i <= 26; i++) {
        const double x = 2 + i * 0.5;
        const double y = 7.5 - 4.5 * qSin(i * M_PI / 6.5);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setPen(QPen(kAccent, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);
}

void Sdi12(QPainter& p)
{
    p.setPen(QPen(kLine, 1.6));
    p.drawLine(QPointF(1, 12.5), QPointF(15, 12.5));
    p.setBrush(kFill);
    for (double x : {3.0, 8.0, 13.0}) {
        p.drawLine(QPointF(x, 12.5), QPointF(x, 7));
        p.drawEllipse(QPointF(x, 5), 2.3, 2.3);
    }
}

void Serial(QPainter& p)
{
    QPainterPath shell;
    shell.moveTo(1, 4);
    shell.lineTo(15, 4);
    shell.lineTo(13, 12);
    shell.lineTo(3, 12);
    shell.closeSubpath();
    p.setPen(QPen(kLine, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kFill);
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(kLine);
    for (int i = 0; i < 5; i++)
        p.drawEllipse(QPointF(3.8 + i * 2.1, 6.8), 0.8, 0.8);
    for (int i = 0; i < 4; i++)
        p.drawEllipse(QPointF(4.8 + i * 2.1, 9.4), 0.8, 0.8);
}

void Datalogger(QPainter& p)
{
    // A stack of storage: body, bottom, the band in the middle, the lid.
    p.setPen(Qt::NoPen);
    p.setBrush(kFill);
    p.drawRect(QRectF(2.5, 3.5, 11, 9));
    p.drawEllipse(QRectF(2.5, 10.5, 11, 4));
    p.setPen(QPen(kLine, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(2.5, 3.5), QPointF(2.5, 12.5));
    p.drawLine(QPointF(13.5, 3.5), QPointF(13.5, 12.5));
    p.drawArc(QRectF(2.5, 10.5, 11, 4), 180 * 16, 180 * 16);
    p.drawArc(QRectF(2.5, 6.5, 11, 4), 180 * 16, 180 * 16);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(2.5, 1.5, 11, 4));
}

void Averaging(QPainter& p)
{
    p.setPen(QPen(kLine, 1.4));
    p.setBrush(kFill);
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
    p.drawLine(QPointF(8, 8), QPointF(11.2, 9.8));
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(8, 8), 1.3, 1.3);
}

void Expert(QPainter& p)
{
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < 2 * teeth; i++) {
        const double a = i * M_PI / teeth;
        const double r = i % 2 == 0 ? 7.2 : 5.2;
        for (double d : {-0.18, 0.18}) {
            const QPointF pt(8 + r * qCos(a + d), 8 + r * qSin(a + d));
            if (i == 0 && d < 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
    }
    gear.closeSubpath();
    gear.addEllipse(QPointF(8, 8), 2.2, 2.2);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(kLine, 1.0));
    p.setBrush(kFill);
    p.drawPath(gear);
}

void Factory(QPainter& p)
{
    p.setPen(QPen(kLine, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
    p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
    p.setPen(QPen(kLine, 1.2));
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7), 1.2, 1.2);
    p.setPen(QPen(kLine, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 10), QPointF(8, 12));
}

using Drawing = void (*)(QPainter&);
constexpr Drawing tDrawings[PAGE_COUNT] = {Home, Summary, Outputs, Sdi12, Serial, Datalogger, Averaging, Expert, Factory};

}  // namespace

QIcon ConfigTabIcon(int nPage)
{
    QIcon icon;
    if (nPage < 0 || nPage >= PAGE_COUNT)
        return icon;
    for (int scale : {1, 2}) {
        QPixmap pm(16 * scale, 16 * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        tDrawings[nPage](p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}
