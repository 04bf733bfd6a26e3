// The "Averaging" page: the timing figure (acquisitions "A" once per cycle
// "C", stand-by between them, a measurement "M" over several cycles, and
// the limits of A and of the duty cycle) above the four durations.
#include <QGridLayout>
#include <algorithm>
#include <QGroupBox>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "page_widget.h"

namespace {

constexpr int kCycles = 4;             // cycles drawn
constexpr int kMeasureCycles = 3;      // of them, the ones one measurement spans
constexpr double kPulseShare = 0.28;   // width of "A" in a cycle

// The limits table beside the timing: quantity, lower and upper limit.
struct Limit {
    const char* szName;
    const char* szMin;
    const char* szMax;
};
constexpr Limit tLimits[] = {
    {"Acquisition \"A\"", "1 s", "no limit"},
    {"Duty cycle \"D\" = A / C", "0 %", "100 %"},
};

class TimingFigure : public QWidget {
public:
    explicit TimingFigure(QWidget* pParent) : QWidget(pParent)
    {
        setObjectName("timingFigure");
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize minimumSizeHint() const override
    {
        const QFontMetrics fm = fontMetrics();
        return QSize(TimingWidth() + TableWidth() + 3 * fm.height(), 9 * fm.height());
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QFontMetrics fm = fontMetrics();
        const int line = fm.height();
        const QColor ink = palette().color(QPalette::WindowText);
        const QColor signal = palette().color(QPalette::Highlight);
        QColor faint = ink;
        faint.setAlpha(110);

        // Timing: current over time, high during each acquisition.
        const int left = line;
        const int width = TimingSpan();
        const double cycle = static_cast<double>(width) / kCycles;
        const int high = 2 * line;
        const int low = 5 * line;
        QPainterPath path;
        path.moveTo(left, low);
        for (int i = 0; i < kCycles; i++) {
            const double x = left + i * cycle;
            const double end = x + cycle * kPulseShare;
            path.lineTo(x, low);
            path.lineTo(x, high);
            path.lineTo(end, high);
            path.lineTo(end, low);
        }
        path.lineTo(left + width, low);
        p.setPen(QPen(signal, 2));
        p.drawPath(path);
        p.setPen(QPen(faint, 1, Qt::DotLine));
        p.drawLine(left, low + 2, left + width, low + 2);

        p.setPen(ink);
        for (int i = 0; i < kCycles; i++) {
            const QRectF pulse(left + i * cycle, high - line - 2, cycle * kPulseShare, line);
            p.drawText(pulse, Qt::AlignCenter, QStringLiteral("A"));
        }
        const QRectF idle(left + cycle * kPulseShare, low - line - 4, cycle * (1 - kPulseShare), line);
        p.drawText(idle, Qt::AlignCenter, QStringLiteral("Stand-by"));
        Span(p, left, left + cycle, low + line, QStringLiteral("C"));
        Span(p, left, left + kMeasureCycles * cycle, low + 5 * line / 2, QStringLiteral("M"));

        // Limits.
        const int x0 = left + width + 2 * line;
        const int nameWidth = NameWidth();
        const int valueWidth = ValueWidth();
        int y = high - line;
        const QRect head(x0, y, TableWidth(), line + 6);
        p.fillRect(head, palette().color(QPalette::AlternateBase));
        p.drawText(QRect(x0 + nameWidth, y, valueWidth, line + 6), Qt::AlignCenter, QStringLiteral("Min"));
        p.drawText(QRect(x0 + nameWidth + valueWidth, y, valueWidth, line + 6), Qt::AlignCenter,
                   QStringLiteral("Max"));
        for (const Limit& l : tLimits) {
            y += line + 6;
            p.drawText(QRect(x0 + 4, y, nameWidth - 4, line + 6), Qt::AlignVCenter | Qt::AlignLeft,
                       QString::fromUtf8(l.szName));
            p.drawText(QRect(x0 + nameWidth, y, valueWidth, line + 6), Qt::AlignCenter, QString::fromUtf8(l.szMin));
            p.drawText(QRect(x0 + nameWidth + valueWidth, y, valueWidth, line + 6), Qt::AlignCenter,
                       QString::fromUtf8(l.szMax));
        }
        p.setPen(QPen(faint, 1));
        const int bottom = y + line + 6;
        p.drawRect(QRect(x0, high - line, TableWidth(), bottom - (high - line)));
        for (int r = high - line + line + 6; r < bottom; r += line + 6)
            p.drawLine(x0, r, x0 + TableWidth(), r);
        p.drawLine(x0 + nameWidth, high - line, x0 + nameWidth, bottom);
        p.drawLine(x0 + nameWidth + valueWidth, high - line, x0 + nameWidth + valueWidth, bottom);
    }

private:
    int TimingWidth() const { return 22 * fontMetrics().averageCharWidth(); }
    int NameWidth() const
    {
        int w = 0;
        for (const Limit& l : tLimits)
            w = std::max(w, fontMetrics().horizontalAdvance(QString::fromUtf8(l.szName)));
        return w + 12;
    }
    int ValueWidth() const { return fontMetrics().horizontalAdvance(QStringLiteral("no limit")) + 16; }
    int TableWidth() const { return NameWidth() + 2 * ValueWidth(); }
    // The timing takes what the table leaves.
    int TimingSpan() const
    {
        const int line = fontMetrics().height();
        return std::max(TimingWidth(), width() - TableWidth() - 3 * line - 1);
    }

    // A duration: a double arrow from x1 to x2 at y, named in its middle.
    void Span(QPainter& p, double x1, double x2, int y, const QString& sName)
    {
        const QColor ink = palette().color(QPalette::WindowText);
        p.setPen(QPen(ink, 1));
        p.drawLine(QPointF(x1, y), QPointF(x2, y));
        for (double x : {x1, x2})
            p.drawLine(QPointF(x, y - 4), QPointF(x, y + 4));
        const double a = 5;
        p.drawLine(QPointF(x1, y), QPointF(x1 + a, y - a / 2));
        p.drawLine(QPointF(x1, y), QPointF(x1 + a, y + a / 2));
        p.drawLine(QPointF(x2, y), QPointF(x2 - a, y - a / 2));
        p.drawLine(QPointF(x2, y), QPointF(x2 - a, y + a / 2));
        const int w = fontMetrics().horizontalAdvance(sName) + 8;
        const QRectF label((x1 + x2 - w) / 2, y - fontMetrics().height() / 2.0, w, fontMetrics().height());
        p.fillRect(label, palette().color(QPalette::Window));
        p.drawText(label, Qt::AlignCenter, sName);
    }
};

}  // namespace

PageWidget* CreateAveragingPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_AVERAGING, pParent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    layout->setSpacing(PAGE_SPACING);
    layout->addWidget(new TimingFigure(page));

    QGroupBox* group = page->Group(tConfigControls[CTL_AVG_A].szGroup, page);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (CtlId id : {CTL_AVG_A, CTL_AVG_C, CTL_AVG_D, CTL_AVG_M})
        page->AddRow(grid, row++, id);
    grid->setColumnStretch(2, 1);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}
