// Drawing of the scope's two plots (DlgMainDraw), on any QPainter: the
// window paints with it, tests and benchmarks paint into images.
//
// Threads: the window thread (or any thread owning the paint device); the
// state comes as a snapshot, so drawing never touches the receive thread's
// buffers.
#pragma once

#include <QColor>
#include <QRect>
#include <vector>

#include "scope_display.h"

class QPainter;

// Pixels taken off the window's client area around the plots: the control
// bar on top, a margin on the other sides, and on the left the column that
// holds the values of the grid lines.
constexpr int SCOPE_PLOT_TOP = 40;
constexpr int SCOPE_PLOT_MARGIN = 10;
constexpr int SCOPE_VALUE_COLUMN = 48;
constexpr int SCOPE_PLOT_GAP = 10;     // between plot 1 and plot 2
constexpr int SCOPE_CURVE_POINTS = 5000;

// The plot area of a client rectangle (the value column left of it).
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

// A horizontal grid line of the time view and the reading it stands for
// (a quarter of the 12-bit span per division: 4096, 3072, 2048, 1024, 0).
struct ScopeGridLine {
    int nY = 0;
    int nReading = 0;
};
// The grid lines of both plots, top to bottom: plot 1's every quarter from
// its top edge, plot 2's at its quarters and its dashed middle.
std::vector<ScopeGridLine> ScopeGridLines(const ScopePlotGeometry& g);

// What the plots show beside the Part's picture (all off: the picture as
// the Part draws it, with the grid values and the time base).
struct ScopeDrawOptions {
    bool bSpectrum = false;   // each plot shows its channel's spectrum (dB against frequency)
    bool bStats = false;      // min, max and mean of the last second under each label
    bool bPaused = false;     // the picture is frozen: "Paused" at the bottom left
    QColor cText{0, 0, 0};                  // values, time base, statistics: the palette's text
    QColor cLabel{30, 110, 255};            // the labels: the blue, or a colour readable on a dark face
};

// Paints both plots into rPlot: frames filled with cFace (the system's
// button face), dotted grids (plot 2 with its dashed middle line), the
// curves of channel 0 (plot 1) and channel 1 (plot 2), 5000 points each, a
// 12-bit reading spanning the plot's height, kept inside the frames; then
// on top, each on the face colour so that no curve covers it: the value of
// each grid line in the column left of the plots, the time base and sample
// rate at each plot's bottom right, and the labels at 5 pixels from each
// plot's corner ("WAITING SIGNAL..." in red while waiting, else the label).
// Without a signal the curves and labels are grey and "No signal" stands
// in each plot.
void DlgMainDraw(QPainter& painter, const QRect& rPlot, const ScopeSnapshot& snapshot, const QColor& cFace,
                 const ScopeDrawOptions& options = ScopeDrawOptions());
// The same with the application palette's button colour.
void DlgMainDraw(QPainter& painter, const QRect& rPlot, const ScopeSnapshot& snapshot);

// The colours of the plots.
extern const QColor SCOPE_FRAME_COLOR;     // RGB(128,128,128)
extern const QColor SCOPE_CURVE_COLOR;     // RGB(30,110,255)
extern const QColor SCOPE_WAITING_COLOR;   // RGB(255,0,0)
extern const QColor SCOPE_NO_SIGNAL_COLOR; // the grey of curves and labels without a signal
extern const char SCOPE_WAITING_TEXT[];    // "WAITING SIGNAL..."
extern const char SCOPE_NO_SIGNAL_TEXT[];  // "No signal"
