#include "scope_draw.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <algorithm>
#include <vector>

const QColor SCOPE_FRAME_COLOR(128, 128, 128);
const QColor SCOPE_CURVE_COLOR(30, 110, 255);
const QColor SCOPE_WAITING_COLOR(255, 0, 0);
const char SCOPE_WAITING_TEXT[] = "WAITING SIGNAL...";

namespace {

constexpr int LABEL_INSET = 5;         // label's distance from the plot's corner
constexpr float READING_SPAN = 4096.0f; // a 12-bit reading fills the plot height
// Coordinates of wild readings are limited before they become integers.
constexpr float COORD_LIMIT = 1.0e6f;

struct Pens {
    QPen frame{SCOPE_FRAME_COLOR, 2, Qt::SolidLine};
    QPen dotted{SCOPE_FRAME_COLOR, 1, Qt::DotLine};
    QPen dashed{SCOPE_FRAME_COLOR, 1, Qt::DashLine};
    QPen curve{SCOPE_CURVE_COLOR, 2, Qt::SolidLine};
};

void DrawFrame(QPainter& p, const Pens& pens, const QBrush& face, const ScopePlotGeometry& g, int top)
{
    p.setPen(pens.frame);
    p.setBrush(face);
    p.drawRect(QRect(g.L, top, g.W - 1, g.H - 1));
    p.setBrush(Qt::NoBrush);
    p.setPen(pens.dotted);
    // A window too small for a grid step of one pixel gets no grid lines
    // beyond the first.
    const int step = std::max(1, g.W / 5);
    for (int x = g.L; x < g.R; x += step)
        p.drawLine(x, top, x, top + g.H);
}

void DrawLabel(QPainter& p, const ScopePlotGeometry& g, int top, const ScopeSnapshot& s, const char* szLabel)
{
    p.setPen(s.bWaiting ? SCOPE_WAITING_COLOR : SCOPE_CURVE_COLOR);
    const QString text = QString::fromLatin1(s.bWaiting ? SCOPE_WAITING_TEXT : szLabel);
    // One line, not clipped to the plot.
    p.drawText(QRect(g.L + LABEL_INSET, top + LABEL_INSET, 1 << 20, 1 << 20),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
}

// The curve's points in pixels: the running x grows by xstep before each
// point; both coordinates truncated.
void CurvePoints(const ScopePlotGeometry& g, int top, const ScopeSnapshot& s, int nChannel, QPolygon& points)
{
    const float yrate = static_cast<float>(g.H - 4) / READING_SPAN;
    const float xstep = static_cast<float>(g.W - 2) / static_cast<float>(SCOPE_CURVE_POINTS);
    const float base = static_cast<float>(top + g.H - 2);
    float x = 0.0f;
    points.resize(SCOPE_CURVE_POINTS);
    for (int i = 0; i < SCOPE_CURVE_POINTS; i++) {
        x += xstep;
        const float fx = static_cast<float>(g.L + 1) + x;
        const float fy = std::clamp(base - static_cast<float>(s.vDataBuffer[2 * i + nChannel]) * yrate, -COORD_LIMIT,
                                    COORD_LIMIT);
        points[i] = QPoint(static_cast<int>(fx), static_cast<int>(fy));
    }
}

// The points joined by 2-pixel lines. While the points advance by at most
// one pixel column each (any plot narrower than 5000 pixels), the lines
// inside one column and the step into it cover one vertical run per column:
// painting those runs as 2-pixel bars gives the same trace as stroking
// thousands of tiny segments, at a fraction of the cost.
void DrawCurve(QPainter& p, const Pens& pens, const ScopePlotGeometry& g, int top, const QPolygon& points,
               std::vector<QRect>& runs)
{
    p.save();
    p.setClipRect(QRect(g.L, top, g.W, g.H), Qt::IntersectClip);
    const float xstep = static_cast<float>(g.W - 2) / static_cast<float>(SCOPE_CURVE_POINTS);
    if (xstep > 1.0f) {
        p.setPen(pens.curve);
        for (int i = 1; i < points.size(); i++)
            p.drawLine(points[i - 1], points[i]);
        p.restore();
        return;
    }
    runs.clear();
    const int n = static_cast<int>(points.size());
    int previousY = points[0].y();
    for (int i = 0; i < n;) {
        const int x = points[i].x();
        int lo = std::min(previousY, points[i].y()), hi = std::max(previousY, points[i].y());
        int j = i;
        while (j + 1 < n && points[j + 1].x() == x) {
            j++;
            lo = std::min(lo, points[j].y());
            hi = std::max(hi, points[j].y());
        }
        runs.emplace_back(x - 1, lo - 1, 2, hi - lo + 2);
        previousY = points[j].y();
        i = j + 1;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(SCOPE_CURVE_COLOR);
    p.drawRects(runs.data(), static_cast<int>(runs.size()));
    p.restore();
}

}  // namespace

QRect ScopePlotArea(const QRect& rClient)
{
    const int L = rClient.left() + SCOPE_PLOT_MARGIN;
    const int T = rClient.top() + SCOPE_PLOT_TOP;
    const int R = rClient.left() + rClient.width() - SCOPE_PLOT_MARGIN;
    const int B = rClient.top() + rClient.height() - SCOPE_PLOT_MARGIN;
    return QRect(L, T, std::max(0, R - L), std::max(0, B - T));
}

ScopePlotGeometry ScopeGeometry(const QRect& rPlot)
{
    ScopePlotGeometry g;
    g.L = rPlot.x();
    g.T = rPlot.y();
    g.R = g.L + rPlot.width();
    g.B = g.T + rPlot.height();
    g.W = g.R - g.L;
    g.H = (g.B - g.T) / 2 - 5;
    g.T2 = g.T + g.H + SCOPE_PLOT_GAP;
    return g;
}

void DlgMainDraw(QPainter& p, const QRect& rPlot, const ScopeSnapshot& s, const QColor& cFace)
{
    const ScopePlotGeometry g = ScopeGeometry(rPlot);
    if (g.W <= 2 || g.H <= 4)
        return;   // no room for a plot
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBackgroundMode(Qt::TransparentMode);
    const Pens pens;
    const QBrush face(cFace);
    QPolygon points;
    std::vector<QRect> runs;

    // Plot 1: the filtered signal, horizontal grid lines every quarter.
    DrawFrame(p, pens, face, g, g.T);
    p.setPen(pens.dotted);
    for (int y = g.T; y < g.T + g.H; y += std::max(1, g.H / 4))
        p.drawLine(g.L, y, g.R, y);
    DrawLabel(p, g, g.T, s, s.szFrsLabel);
    CurvePoints(g, g.T, s, 0, points);
    DrawCurve(p, pens, g, g.T, points, runs);

    // Plot 2: the raw signal, quarter lines and a dashed middle (reading 2048).
    DrawFrame(p, pens, face, g, g.T2);
    p.setPen(pens.dotted);
    p.drawLine(g.L, g.T2 + g.H / 4, g.R, g.T2 + g.H / 4);
    p.drawLine(g.L, g.T2 + g.H - g.H / 4, g.R, g.T2 + g.H - g.H / 4);
    p.setPen(pens.dashed);
    p.drawLine(g.L, g.T2 + g.H / 2, g.R, g.T2 + g.H / 2);
    DrawLabel(p, g, g.T2, s, s.szWindLabel);
    CurvePoints(g, g.T2, s, 1, points);
    DrawCurve(p, pens, g, g.T2, points, runs);
    p.restore();
}

void DlgMainDraw(QPainter& p, const QRect& rPlot, const ScopeSnapshot& s)
{
    DlgMainDraw(p, rPlot, s, QGuiApplication::palette().color(QPalette::Button));
}
