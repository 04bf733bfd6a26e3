// The eight item pictures of the launcher, drawn at the screen's scale.
#include <QPainter>
#include <cmath>
#include <QPainterPath>
#include <QPixmap>

#include "toolbox_window.h"

namespace {

const QColor kTeal(0, 110, 140);
const QColor kSky(40, 160, 210);
const QColor kInk(50, 60, 70);
const QColor kPaper(250, 250, 245);

void Configuration(QPainter& p)
{
    // Three sliders.
    p.setPen(QPen(kInk, 2));
    for (int i = 0; i < 3; i++)
        p.drawLine(QPointF(6, 8 + 8 * i), QPointF(26, 8 + 8 * i));
    p.setPen(QPen(kTeal.darker(130), 1));
    p.setBrush(kSky);
    const double knob[] = {11, 21, 15};
    for (int i = 0; i < 3; i++)
        p.drawRoundedRect(QRectF(knob[i] - 3, 4.5 + 8 * i, 6, 7), 1.5, 1.5);
}

void Scope(QPainter& p)
{
    // A screen with a trace.
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(20, 40, 30));
    p.drawRoundedRect(QRectF(3, 5, 26, 22), 3, 3);
    QPainterPath wave;
    wave.moveTo(5, 16);
    for (int x = 5; x <= 27; x++)
        wave.lineTo(x, 16 - 6 * std::sin((x - 5) * 0.6) * std::exp(-(x - 5) * 0.05));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 230, 120), 1.6));
    p.drawPath(wave);
}

void Datalogger(QPainter& p)
{
    // A stack of records going down into a tray.
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    for (int i = 0; i < 3; i++)
        p.drawRect(QRectF(7 + 2 * i, 3 + 3 * i, 16, 12));
    p.setPen(QPen(kTeal, 2.4));
    p.drawLine(QPointF(16, 17), QPointF(16, 25));
    p.drawLine(QPointF(12, 21.5), QPointF(16, 25.5));
    p.drawLine(QPointF(20, 21.5), QPointF(16, 25.5));
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(5, 28), QPointF(27, 28));
}

void Terminal(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(30, 30, 34));
    p.drawRoundedRect(QRectF(3, 5, 26, 22), 3, 3);
    p.setPen(QPen(QColor(230, 230, 230), 2));
    p.drawLine(QPointF(8, 11), QPointF(13, 15));
    p.drawLine(QPointF(13, 15), QPointF(8, 19));
    p.drawLine(QPointF(15, 21), QPointF(23, 21));
}

void Flash(QPainter& p)
{
    // A chip with a lightning bolt.
    p.setPen(QPen(kInk, 1.2));
    for (int i = 0; i < 4; i++) {
        p.drawLine(QPointF(9 + 4.5 * i, 3), QPointF(9 + 4.5 * i, 7));
        p.drawLine(QPointF(9 + 4.5 * i, 25), QPointF(9 + 4.5 * i, 29));
    }
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(6, 7, 20, 18), 2, 2);
    QPainterPath bolt;
    bolt.moveTo(18, 9);
    bolt.lineTo(11, 17);
    bolt.lineTo(15.5, 17);
    bolt.lineTo(13.5, 24);
    bolt.lineTo(21, 15);
    bolt.lineTo(16.5, 15);
    bolt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 40));
    p.drawPath(bolt);
}

void Update(QPainter& p)
{
    // Two arrows chasing each other.
    p.setPen(QPen(kTeal, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 6, 20, 20), 30 * 16, 150 * 16);
    p.drawArc(QRectF(6, 6, 20, 20), 210 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    QPainterPath a;
    a.moveTo(25, 4);
    a.lineTo(26.5, 13);
    a.lineTo(18.5, 10);
    a.closeSubpath();
    p.drawPath(a);
    QPainterPath b;
    b.moveTo(7, 28);
    b.lineTo(5.5, 19);
    b.lineTo(13.5, 22);
    b.closeSubpath();
    p.drawPath(b);
}

void Manual(QPainter& p)
{
    // An open book.
    p.setPen(QPen(kInk, 1.3));
    p.setBrush(kPaper);
    QPainterPath left, right;
    left.moveTo(16, 9);
    left.cubicTo(12, 6, 7, 6, 3, 8);
    left.lineTo(3, 26);
    left.cubicTo(7, 24, 12, 24, 16, 27);
    left.closeSubpath();
    right.moveTo(16, 9);
    right.cubicTo(20, 6, 25, 6, 29, 8);
    right.lineTo(29, 26);
    right.cubicTo(25, 24, 20, 24, 16, 27);
    right.closeSubpath();
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(kSky, 1));
    for (int i = 0; i < 4; i++) {
        p.drawLine(QPointF(6, 12 + 3.5 * i), QPointF(13, 12.5 + 3.5 * i));
        p.drawLine(QPointF(19, 12.5 + 3.5 * i), QPointF(26, 12 + 3.5 * i));
    }
}

void Examples(QPainter& p)
{
    // "</>" on a sheet.
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(5, 3, 22, 26));
    p.setPen(QPen(kTeal, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 11), QPointF(8, 16));
    p.drawLine(QPointF(8, 16), QPointF(12, 21));
    p.drawLine(QPointF(20, 11), QPointF(24, 16));
    p.drawLine(QPointF(24, 16), QPointF(20, 21));
    p.drawLine(QPointF(18, 10), QPointF(14, 22));
}

}  // namespace

QPixmap ToolboxIcon(size_t uItem, qreal rScale, bool bDarkWindow)
{
    // In the order of the item table.
    static void (*const tDraw[TOOLBOX_ITEM_COUNT])(QPainter&) = {Configuration, Scope,  Datalogger, Terminal,
                                                                  Flash,         Update, Manual,     Examples};
    const int side = qRound(32 * rScale);
    QPixmap pm(side, side);
    pm.setDevicePixelRatio(rScale);
    pm.fill(Qt::transparent);
    if (uItem < TOOLBOX_ITEM_COUNT) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        if (bDarkWindow) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(226, 230, 234));
            p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);
        }
        tDraw[uItem](p);
    }
    return pm;
}
