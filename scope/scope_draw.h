// Drawing of the scope's two plots (DlgMainDraw), on any QPainter: the
// window paints with it, tests and benchmarks paint into images.
//
// Threads: the window thread (or any thread owning the paint device); the
// state comes as a snapshot, so drawing never touches the receive thread's
// buffers.
#pragma once

#include <QColor>
#include <QRect>

#include "scope_display.h"

class QPainter;

// Pixels taken off the window's client area around the plots: the control
// bar on top, a margin on the other sides.
constexpr int SCOPE_PLOT_TOP = 40;
constexpr int SCOPE_PLOT_MARGIN = 10;
constexpr int SCOPE_PLOT_GAP = 10;     // between plot 1 and plot 2
constexpr int SCOPE_CURVE_POINTS = 5000;

// The plot area of a client rectangle.
QRect ScopePlotArea(const QRect& rClient);

// Geometry of the two plots inside a plot area with edges L, T, R, B
// (R and B just outside it): width W = R - L, plot height
// H = (B - T) / 2 - 5, plot 2 starting at T + H + 10.
struct ScopePlotGeometry {
    int L = 0, T = 0, R = 0, B = 0;
    int W = 0, H = 0;
    int T2 = 0;
};
ScopePlotGeometry ScopeGeometry(const QRect& rPlot);

// Paints both plots into rPlot: frames filled with cFace (the system's
// button face), dotted grids (plot 2 with its dashed middle line), the
// labels at 5 pixels from each plot's corner ("WAITING SIGNAL..." in red
// while waiting, else the label in blue), and the curves of channel 0 (plot
// 1) and channel 1 (plot 2), 5000 points each, a 12-bit reading spanning
// the plot's height. Curves are clipped to their plot, so a wild reading
// cannot paint over the other plot.
void DlgMainDraw(QPainter& painter, const QRect& rPlot, const ScopeSnapshot& snapshot, const QColor& cFace);
// The same with the application palette's button colour.
void DlgMainDraw(QPainter& painter, const QRect& rPlot, const ScopeSnapshot& snapshot);

// The colours of the plots.
extern const QColor SCOPE_FRAME_COLOR;     // RGB(128,128,128)
extern const QColor SCOPE_CURVE_COLOR;     // RGB(30,110,255)
extern const QColor SCOPE_WAITING_COLOR;   // RGB(255,0,0)
extern const char SCOPE_WAITING_TEXT[];    // "WAITING SIGNAL..."
