// Draws the menu icons of the suite's programs (one tile per tool, its own
// colour and a white sign) into an icon theme folder:
//     varn-menu-icons FOLDER    writes FOLDER/hicolor/NxN/apps/varn-<tool>.png
// Run at build time; the icons travel in the application folder and the
// user installation puts them into the user's icon theme.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdio>

namespace {

enum Sign { SIGN_TOOLBOX, SIGN_CONFIG, SIGN_SCOPE, SIGN_FLASH, SIGN_LOGGER, SIGN_TERMINAL };

struct MenuIcon {
    const char* szName;   // icon name in the theme
    QColor tile;
    Sign nSign;
};

// clang-format off
const MenuIcon tMenuIcons[] = {
    { "varn-toolbox",    QColor(0, 110, 140),  SIGN_TOOLBOX },
    { "varn-config",     QColor(40, 90, 180),  SIGN_CONFIG },
    { "varn-scope",      QColor(20, 120, 70),  SIGN_SCOPE },
    { "varn-flash",      QColor(210, 110, 20), SIGN_FLASH },
    { "varn-datalogger", QColor(110, 60, 150), SIGN_LOGGER },
    { "varn-terminal",   QColor(50, 55, 65),   SIGN_TERMINAL },
};
// clang-format on

const int tSizes[] = {48, 64, 128, 256};

// The sign, drawn on a 64 x 64 grid.
void DrawSign(QPainter& p, Sign nSign)
{
    const QColor white(255, 255, 255);
    const QPen line(white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (nSign) {
    case SIGN_TOOLBOX:
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        for (int r = 0; r < 2; r++)
            for (int c = 0; c < 2; c++)
                p.drawRoundedRect(QRectF(16 + c * 17, 16 + r * 17, 14, 14), 3, 3);
        break;
    case SIGN_CONFIG:
        for (int i = 0; i < 3; i++) {
            const double y = 20 + i * 12;
            const double knob = i == 1 ? 38 : i == 0 ? 24 : 30;
            p.setPen(line);
            p.drawLine(QPointF(15, y), QPointF(49, y));
            p.setPen(Qt::NoPen);
            p.setBrush(white);
            p.drawEllipse(QPointF(knob, y), 5, 5);
        }
        break;
    case SIGN_SCOPE: {
        p.setPen(QPen(QColor(255, 255, 255, 110), 1.5));
        p.drawLine(QPointF(12, 32), QPointF(52, 32));
        p.drawLine(QPointF(32, 14), QPointF(32, 50));
        QPainterPath wave;
        for (int i = 0; i <= 80; i++) {
            const double x = 12 + i * 0.5;
            const double y = 32 - 13 * std::sin(i * 0.157) * std::exp(-i * 0.012);
            i == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
        }
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
        break;
    }
    case SIGN_FLASH: {
        const QPolygonF bolt({{36, 10}, {18, 36}, {30, 36}, {26, 54}, {46, 26}, {34, 26}, {38, 10}});
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawPolygon(bolt);
        break;
    }
    case SIGN_LOGGER:
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        for (int i = 0; i < 4; i++) {
            const double h = 10 + ((i * 7) % 4) * 7 + i * 2;
            p.drawRect(QRectF(15 + i * 9, 48 - h, 6, h));
        }
        p.drawRect(QRectF(13, 49, 38, 2.5));
        break;
    case SIGN_TERMINAL:
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{16, 22}, {27, 32}, {16, 42}}));
        p.drawLine(QPointF(32, 43), QPointF(47, 43));
        break;
    }
}

QImage Draw(const MenuIcon& icon, int nSize)
{
    QImage img(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(nSize / 64.0, nSize / 64.0);
    QLinearGradient shade(0, 4, 0, 60);
    shade.setColorAt(0, icon.tile.lighter(125));
    shade.setColorAt(1, icon.tile);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    DrawSign(p, icon.nSign);
    return img;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: varn-menu-icons FOLDER\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : tSizes) {
        const QString dir = QString("%1/hicolor/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "Could not create '%s' !\n", qPrintable(dir));
            return 1;
        }
        for (const MenuIcon& icon : tMenuIcons) {
            const QString file = QString("%1/%2.png").arg(dir, icon.szName);
            if (!Draw(icon, size).save(file)) {
                std::fprintf(stderr, "Could not write '%s' !\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
