#include "scope_draw.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <algorithm>
#include <vector>

#include "scope_analysis.h"

const QColor SCOPE_FRAME_COLOR(128, 128, 128);
const QColor SCOPE_CURVE_COLOR(30, 110, 255);
const QColor SCOPE_WAITING_COLOR(255, 0, 0);
const QColor SCOPE_NO_SIGNAL_COLOR(150, 150, 150);
const char SCOPE_WAITING_TEXT[] = "WAITING SIGNAL...";
const char SCOPE_NO_SIGNAL_TEXT[] = "No signal";

namespace {

constexpr int LABEL_INSET = 5;         // label's distance from the plot's corner
constexpr int TEXT_PAD = 2;            // face colour around a text drawn over a plot
constexpr float READING_SPAN = 4096.0f; // a 12-bit reading fills the plot height
// Coordinates of wild readings are limited before they become integers.
constexpr float COORD_LIMIT = 1.0e6f;
// Level of the spectrum's top edge, dB; each division is a quarter of the
// range down to the floor.
constexpr float SPECTRUM_TOP_DB = 0.0f;

struct Pens {
    explicit Pens(const QColor& cCurve) : curve(cCurve, 2, Qt::SolidLine) {}
    QPen frame{SCOPE_FRAME_COLOR, 2, Qt::SolidLine};
    QPen dotted{SCOPE_FRAME_COLOR, 1, Qt::DotLine};
    QPen dashed{SCOPE_FRAME_COLOR, 1, Qt::DashLine};
    QPen curve;
};

// What every plot's drawing needs.
struct Frame {
    QPainter& p;
    const ScopePlotGeometry& g;
    const ScopeSnapshot& s;
    const ScopeDrawOptions& o;
    const Pens& pens;
    QBrush face;
    QFont small;
};

QRect PlotRect(const ScopePlotGeometry& g, int top)
{
    return QRect(g.L, top, g.W, g.H);
}

void DrawFrame(Frame& f, int top)
{
    const ScopePlotGeometry& g = f.g;
    f.p.setPen(f.pens.frame);
    f.p.setBrush(f.face);
    f.p.drawRect(QRect(g.L, top, g.W - 1, g.H - 1));
    f.p.setBrush(Qt::NoBrush);
    f.p.setPen(f.pens.dotted);
    // A window too small for a grid step of one pixel gets no grid lines
    // beyond the first.
    const int step = std::max(1, g.W / 5);
    for (int x = g.L; x < g.R; x += step)
        f.p.drawLine(x, top, x, top + g.H);
}

// The frame's outline again, over a curve that reached its edge.
void DrawOutline(Frame& f, int top)
{
    f.p.setPen(f.pens.frame);
    f.p.setBrush(Qt::NoBrush);
    f.p.drawRect(QRect(f.g.L, top, f.g.W - 1, f.g.H - 1));
}

// A text on the face colour, so that no curve or grid line runs through it.
// flags: where the text stands against the point (left/right, top/bottom,
// vertical centre).
void DrawBoxedText(Frame& f, const QPoint& at, int flags, const QString& text, const QColor& color)
{
    if (text.isEmpty())
        return;
    const QFontMetrics fm(f.p.font());
    const QSize size(fm.horizontalAdvance(text) + 2 * TEXT_PAD, fm.height());
    QPoint corner = at;
    if (flags & Qt::AlignRight)
        corner.rx() -= size.width();
    if (flags & Qt::AlignBottom)
        corner.ry() -= size.height();
    else if (flags & Qt::AlignVCenter)
        corner.ry() -= size.height() / 2;
    const QRect box(corner, size);
    f.p.fillRect(box, f.face);
    f.p.setPen(color);
    f.p.drawText(box.adjusted(TEXT_PAD, 0, -TEXT_PAD, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                 text);
}

// The label (and what stands under it) at the plot's top left.
void DrawLabel(Frame& f, int top, const char* szLabel, const QString& below)
{
    const ScopeSnapshot& s = f.s;
    const QColor color = s.bWaiting ? SCOPE_WAITING_COLOR : s.bNoSignal ? SCOPE_NO_SIGNAL_COLOR : f.o.cLabel;
    const QString text = QString::fromLatin1(s.bWaiting ? SCOPE_WAITING_TEXT : szLabel);
    const QPoint at(f.g.L + LABEL_INSET - TEXT_PAD, top + LABEL_INSET);
    DrawBoxedText(f, at, Qt::AlignLeft | Qt::AlignTop, text, color);
    if (!s.bWaiting && !below.isEmpty()) {
        f.p.save();
        f.p.setFont(f.small);
        DrawBoxedText(f, at + QPoint(0, QFontMetrics(f.p.font()).height() + 4 + TEXT_PAD), Qt::AlignLeft | Qt::AlignTop,
                      below, s.bNoSignal ? SCOPE_NO_SIGNAL_COLOR : f.o.cText);
        f.p.restore();
    }
}

// The texts of the grid: each line's value in the column left of the
// plot, the horizontal scale at the bottom right.
void DrawScaleTexts(Frame& f, int top, const std::vector<std::pair<int, QString>>& values, const QString& scale)
{
    f.p.save();
    f.p.setFont(f.small);
    for (const auto& [y, text] : values)
        DrawBoxedText(f, QPoint(f.g.L - 3, y), Qt::AlignRight | Qt::AlignVCenter, text, f.o.cText);
    DrawBoxedText(f, QPoint(f.g.R - 4, top + f.g.H - 4), Qt::AlignRight | Qt::AlignBottom, scale, f.o.cText);
    f.p.restore();
}

void DrawNoSignal(Frame& f, int top)
{
    f.p.save();
    QFont big = f.p.font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    f.p.setFont(big);
    const QFontMetrics fm(big);
    const QString text = QString::fromLatin1(SCOPE_NO_SIGNAL_TEXT);
    const QPoint centre = PlotRect(f.g, top).center();
    DrawBoxedText(f, QPoint(centre.x() - fm.horizontalAdvance(text) / 2 - TEXT_PAD, centre.y()),
                  Qt::AlignLeft | Qt::AlignVCenter, text, SCOPE_NO_SIGNAL_COLOR.darker(120));
    f.p.restore();
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
    // Inside the frame: the outline is drawn again over the curve.
    p.setClipRect(QRect(g.L + 1, top + 1, g.W - 2, g.H - 2), Qt::IntersectClip);
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
    p.setBrush(pens.curve.color());
    p.drawRects(runs.data(), static_cast<int>(runs.size()));
    p.restore();
}

// The spectrum's points: bin k at its frequency across the plot (0 Hz at
// the left edge, half the rate at the right), its level down from 0 dB at
// the top to the floor at the bottom.
void SpectrumPoints(const ScopePlotGeometry& g, int top, const ScopeSpectrum& spectrum, QPolygon& points)
{
    const size_t n = spectrum.vDb.size();
    points.resize(static_cast<int>(n));
    const float span = SPECTRUM_TOP_DB - SCOPE_SPECTRUM_FLOOR_DB;
    for (size_t k = 0; k < n; k++) {
        const float fx = static_cast<float>(g.L + 1) + static_cast<float>(g.W - 2) * static_cast<float>(k) /
                                                             static_cast<float>(n > 1 ? n - 1 : 1);
        const float fy = static_cast<float>(top + 2) +
                         static_cast<float>(g.H - 4) * (SPECTRUM_TOP_DB - spectrum.vDb[k]) / span;
        points[static_cast<int>(k)] = QPoint(static_cast<int>(fx), static_cast<int>(fy));
    }
}

// One plot: nChannel's trace (or spectrum) into the frame at top.
void DrawPlot(Frame& f, int top, int nChannel, const char* szLabel, QPolygon& points, std::vector<QRect>& runs)
{
    const ScopePlotGeometry& g = f.g;
    const ScopeSnapshot& s = f.s;
    std::vector<std::pair<int, QString>> values;
    QString scale, below;
    if (f.o.bSpectrum) {
        ScopeSpectrum spectrum;
        ScopeComputeSpectrum(s.vDataBuffer, nChannel, s.uSampleRate, &spectrum);
        f.p.setPen(f.pens.dotted);
        const float span = SPECTRUM_TOP_DB - SCOPE_SPECTRUM_FLOOR_DB;
        // The floor at the bottom edge is not written: its value would meet
        // the top value of the plot below.
        for (int j = 0; j < SCOPE_Y_DIVISIONS; j++) {
            const int y = top + j * g.H / SCOPE_Y_DIVISIONS;
            if (j > 0)
                f.p.drawLine(g.L, y, g.R, y);
            const float db = SPECTRUM_TOP_DB - span * static_cast<float>(j) / SCOPE_Y_DIVISIONS;
            values.emplace_back(y, QString::number(static_cast<double>(db), 'f', 0) + " dB");
        }
        if (!spectrum.vDb.empty()) {
            SpectrumPoints(g, top, spectrum, points);
            DrawCurve(f.p, f.pens, g, top, points, runs);
            scale = QString("%1 Hz/div  0 to %2 Hz")
                        .arg(static_cast<double>(s.uSampleRate) / 2.0 / SCOPE_X_DIVISIONS, 0, 'g', 4)
                        .arg(s.uSampleRate / 2);
        }
        below = QString::fromStdString(ScopePeakText(spectrum));
    } else {
        CurvePoints(g, top, s, nChannel, points);
        DrawCurve(f.p, f.pens, g, top, points, runs);
        for (const ScopeGridLine& line : ScopeGridLines(g))
            if (line.nY >= top && line.nY < top + g.H)
                values.emplace_back(line.nY, QString::fromStdString(ScopeVoltsText(line.nReading)));
        scale = QString::fromStdString(ScopeTimeBaseText(s.uSampleRate));
        if (f.o.bStats && s.uSampleRate != 0)
            below = QString::fromStdString(ScopeStatsText(ScopeStats(s.vDataBuffer, nChannel, s.uSampleRate)));
    }
    DrawOutline(f, top);
    DrawScaleTexts(f, top, values, scale);
    DrawLabel(f, top, szLabel, below);
    if (s.bNoSignal && !s.bWaiting)
        DrawNoSignal(f, top);
}

}  // namespace

QRect ScopePlotArea(const QRect& rClient)
{
    const int L = rClient.left() + SCOPE_PLOT_MARGIN + SCOPE_VALUE_COLUMN;
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

std::vector<ScopeGridLine> ScopeGridLines(const ScopePlotGeometry& g)
{
    std::vector<ScopeGridLine> lines;
    if (g.H < SCOPE_Y_DIVISIONS)
        return lines;
    const int quarter = SCOPE_ADC_SPAN / SCOPE_Y_DIVISIONS;
    // Plot 1: from the top edge every quarter, while inside the plot.
    int reading = SCOPE_ADC_SPAN;
    for (int y = g.T; y < g.T + g.H; y += g.H / 4, reading -= quarter)
        lines.push_back({y, reading});
    // Plot 2: its quarters and the dashed middle.
    lines.push_back({g.T2 + g.H / 4, 3 * quarter});
    lines.push_back({g.T2 + g.H / 2, 2 * quarter});
    lines.push_back({g.T2 + g.H - g.H / 4, quarter});
    return lines;
}

void DlgMainDraw(QPainter& p, const QRect& rPlot, const ScopeSnapshot& s, const QColor& cFace,
                 const ScopeDrawOptions& o)
{
    const ScopePlotGeometry g = ScopeGeometry(rPlot);
    if (g.W <= 2 || g.H <= 4)
        return;   // no room for a plot
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBackgroundMode(Qt::TransparentMode);
    const Pens pens(s.bNoSignal ? SCOPE_NO_SIGNAL_COLOR : SCOPE_CURVE_COLOR);
    QFont small = p.font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    Frame f{p, g, s, o, pens, QBrush(cFace), small};
    QPolygon points;
    std::vector<QRect> runs;

    // Plot 1: the filtered signal, horizontal grid lines every quarter.
    DrawFrame(f, g.T);
    if (!o.bSpectrum) {
        p.setPen(pens.dotted);
        for (int y = g.T; y < g.T + g.H; y += std::max(1, g.H / 4))
            p.drawLine(g.L, y, g.R, y);
    }
    DrawPlot(f, g.T, 0, s.szFrsLabel, points, runs);

    // Plot 2: the raw signal, quarter lines and a dashed middle (reading 2048).
    DrawFrame(f, g.T2);
    if (!o.bSpectrum) {
        p.setPen(pens.dotted);
        p.drawLine(g.L, g.T2 + g.H / 4, g.R, g.T2 + g.H / 4);
        p.drawLine(g.L, g.T2 + g.H - g.H / 4, g.R, g.T2 + g.H - g.H / 4);
        p.setPen(pens.dashed);
        p.drawLine(g.L, g.T2 + g.H / 2, g.R, g.T2 + g.H / 2);
    }
    DrawPlot(f, g.T2, 1, s.szWindLabel, points, runs);

    if (o.bPaused) {
        p.setFont(small);
        DrawBoxedText(f, QPoint(g.L + LABEL_INSET - TEXT_PAD, g.T2 + g.H - 4), Qt::AlignLeft | Qt::AlignBottom,
                      QStringLiteral("Paused"), o.cText);
    }
    p.restore();
}

void DlgMainDraw(QPainter& p, const QRect& rPlot, const ScopeSnapshot& s)
{
    DlgMainDraw(p, rPlot, s, QGuiApplication::palette().color(QPalette::Button));
}
