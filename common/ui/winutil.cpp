#include "winutil.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

QWidget* SetToolTip(QWidget* pDialog, const char* szControl, const char* szText)
{
    if (pDialog == nullptr || szControl == nullptr || szControl[0] == '\0' || szText == nullptr)
        return nullptr;
    QWidget* control = pDialog->findChild<QWidget*>(QString::fromLatin1(szControl));
    if (control == nullptr)
        return nullptr;
    pDialog->window()->setAttribute(Qt::WA_AlwaysShowToolTips, true);
    control->setToolTip(QString::fromLocal8Bit(szText));
    return control;
}

int GetWindowPos(QWidget* pWindow, QRect* pRect)
{
    if (pWindow == nullptr || pRect == nullptr)
        return 0;
    *pRect = pWindow->geometry();
    return 1;
}

unsigned ColorRef(const QColor& color)
{
    return static_cast<unsigned>(color.red()) | static_cast<unsigned>(color.green()) << 8 |
           static_cast<unsigned>(color.blue()) << 16;
}

QImage SetBitmapAlpha(const QImage& bitmap, int nWidth, int nHeight, unsigned uKey, unsigned uReplacement,
                      unsigned uTolerance)
{
    if (bitmap.isNull() || nWidth <= 0 || nHeight <= 0)
        return QImage();
    // ARGB32 is stored as 32-bit values 0xAARRGGBB, i.e. the bytes blue,
    // green, red, alpha in memory on this little-endian machine; the rule
    // below reads them through the value so it does not depend on that.
    QImage pixels(nWidth, nHeight, QImage::Format_ARGB32);
    if (pixels.isNull())
        return QImage();
    pixels.fill(0);
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(nWidth, source.width());
    const int h = std::min(nHeight, source.height());
    for (int y = 0; y < h; y++)
        std::memcpy(pixels.scanLine(y), source.constScanLine(y), static_cast<size_t>(w) * 4);

    const int keyB = static_cast<int>(uKey >> 16 & 0xFF);
    const int keyG = static_cast<int>(uKey >> 8 & 0xFF);
    const int keyR = static_cast<int>(uKey & 0xFF);
    // 64-bit, so a huge tolerance cannot wrap around to a small square.
    const unsigned long long limit = static_cast<unsigned long long>(uTolerance) * uTolerance;
    const QRgb replacement = qRgba(static_cast<int>(uReplacement & 0xFF), static_cast<int>(uReplacement >> 8 & 0xFF),
                                   static_cast<int>(uReplacement >> 16 & 0xFF), 0);
    for (int y = 0; y < nHeight; y++) {
        auto* line = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < nWidth; x++) {
            const int dB = keyB - qBlue(line[x]);
            const int dG = keyG - qGreen(line[x]);
            const int dR = keyR - qRed(line[x]);
            const unsigned long long d = static_cast<unsigned long long>(dB * dB + dG * dG + dR * dR);
            if (limit >= d)
                line[x] = replacement;
        }
    }
    return pixels;
}

QImage LoadBitmapAlpha(const QString& sResource, unsigned uKey, unsigned uReplacement, unsigned uTolerance)
{
    QImage image(sResource);
    if (image.isNull())
        return QImage();
    return SetBitmapAlpha(image, image.width(), image.height(), uKey, uReplacement, uTolerance);
}

namespace {

// The first local file of a drag, or empty.
QString DroppedFile(const QMimeData* pData)
{
    if (pData == nullptr || !pData->hasUrls())
        return QString();
    for (const QUrl& url : pData->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return QString();
}

}  // namespace

bool UiTakeDroppedFile(QEvent* pEvent, QLineEdit* pField)
{
    switch (pEvent->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(pEvent);
        if (DroppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(pEvent);
        const QString path = DroppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        pField->setText(path);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

namespace {

double Luminance(const QColor& c)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

constexpr double kReadableContrast = 4.5;

}  // namespace

double UiContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool UiIsDarkPalette(const QPalette& palette)
{
    return Luminance(palette.color(QPalette::Window)) < 0.2;
}

QColor UiReadableTextColor(const QColor& cLight, const QPalette& palette)
{
    if (!UiIsDarkPalette(palette))
        return cLight;
    const QColor window = palette.color(QPalette::Window);
    QColor color = palette.color(QPalette::Link);
    // Towards white in steps until it reads; white always does on a dark window.
    for (int step = 0; step < 20 && UiContrastRatio(color, window) < kReadableContrast; step++)
        color = QColor((color.red() + 256) / 2, (color.green() + 256) / 2, (color.blue() + 256) / 2);
    return color;
}
