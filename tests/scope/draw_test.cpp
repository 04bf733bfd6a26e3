// The plots painted into images: where full-scale and zero readings land,
// the red waiting label, the blue labels, and readings outside 12 bits.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "scope_draw.h"

namespace {

const QColor kFace(240, 240, 240);
const QRect kClient(0, 0, 788, 600);

class Plots : public testing::Test {
protected:
    Plots() : snapshot(std::make_unique<ScopeSnapshot>()), image(kClient.size(), QImage::Format_RGB32) {}

    void Fill(int32_t ch0, int32_t ch1)
    {
        for (unsigned i = 0; i < SCOPE_DISPLAY_SIZE; i += 2) {
            snapshot->vDataBuffer[i] = ch0;
            snapshot->vDataBuffer[i + 1] = ch1;
        }
    }
    void Paint(const ScopeDrawOptions& options = ScopeDrawOptions())
    {
        image.fill(Qt::white);
        QPainter p(&image);
        DlgMainDraw(p, ScopePlotArea(kClient), *snapshot, kFace, options);
    }
    ScopePlotGeometry Geometry() const { return ScopeGeometry(ScopePlotArea(kClient)); }

    // Rows of column x (between y0 and y1) painted in the colour.
    std::vector<int> Rows(int x, int y0, int y1, const QColor& c) const
    {
        std::vector<int> rows;
        for (int y = std::max(0, y0); y < std::min(image.height(), y1); y++)
            if (image.pixelColor(x, y) == c)
                rows.push_back(y);
        return rows;
    }
    int Count(const QRect& r, const std::function<bool(const QColor&)>& pred) const
    {
        int n = 0;
        for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); y++)
            for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); x++)
                n += pred(image.pixelColor(x, y));
        return n;
    }
    int Count(const QRect& r, const QColor& c) const
    {
        return Count(r, [&c](const QColor& p) { return p == c; });
    }

    std::unique_ptr<ScopeSnapshot> snapshot;
    QImage image;
};

TEST_F(Plots, FullScaleDrawsTwoPixelsBelowEachTopAndZeroTwoAboveEachBottom)
{
    const ScopePlotGeometry g = Geometry();
    for (int x : {g.L + 50, g.L + g.W / 2, g.R - 50}) {
        Fill(4095, 4095);
        Paint();
        for (int top : {g.T, g.T2}) {
            const std::vector<int> rows = Rows(x, top, top + g.H, SCOPE_CURVE_COLOR);
            ASSERT_FALSE(rows.empty()) << "x " << x << " top " << top;
            EXPECT_GE(rows.front(), top + 1);
            EXPECT_LE(rows.back(), top + 4);
        }
        Fill(0, 0);
        Paint();
        for (int top : {g.T, g.T2}) {
            const std::vector<int> rows = Rows(x, top, top + g.H, SCOPE_CURVE_COLOR);
            ASSERT_FALSE(rows.empty()) << "x " << x << " top " << top;
            EXPECT_GE(rows.front(), top + g.H - 4);
            EXPECT_LE(rows.back(), top + g.H - 1);
        }
    }
}

TEST_F(Plots, ChannelsGoToTheirOwnPlot)
{
    const ScopePlotGeometry g = Geometry();
    Fill(4095, 0);
    Paint();
    const int x = g.L + g.W / 3;
    EXPECT_LE(Rows(x, g.T, g.T + g.H, SCOPE_CURVE_COLOR).back(), g.T + 4);
    EXPECT_GE(Rows(x, g.T2, g.T2 + g.H, SCOPE_CURVE_COLOR).front(), g.T2 + g.H - 4);
}

TEST_F(Plots, WaitingShowsTheRedLabelInBothPlots)
{
    const ScopePlotGeometry g = Geometry();
    std::snprintf(snapshot->szFrsLabel, sizeof snapshot->szFrsLabel, "Filtered acoustic signal ");
    std::snprintf(snapshot->szWindLabel, sizeof snapshot->szWindLabel, "Raw acoustic signal");
    snapshot->bWaiting = 1;
    Paint();
    // Text is smoothed: count the pixels of the text's hue.
    const auto red = [](const QColor& c) { return c.red() > 200 && c.green() < 160 && c.blue() < 160; };
    const auto blue = [](const QColor& c) { return c.blue() > 200 && c.red() < 160 && c.red() + 40 < c.blue(); };
    const QRect label1(g.L + 5, g.T + 5, 200, 20), label2(g.L + 5, g.T2 + 5, 200, 20);
    EXPECT_GT(Count(label1, red), 30);
    EXPECT_GT(Count(label2, red), 30);
    EXPECT_EQ(Count(label1, blue), 0);

    // In scope mode the labels come back in blue.
    snapshot->bWaiting = 0;
    Paint();
    EXPECT_EQ(Count(label1, red), 0);
    EXPECT_GT(Count(label1, blue), 30);
    EXPECT_GT(Count(label2, blue), 30);
}

TEST_F(Plots, BeforeTheFirstConnectionOnlyFlatLinesAtTheBottom)
{
    const ScopePlotGeometry g = Geometry();
    Paint();
    EXPECT_EQ(Count(QRect(0, 0, kClient.width(), kClient.height()),
                    [](const QColor& c) { return c.red() > 200 && c.green() < 160; }),
              0);
    EXPECT_EQ(Count(QRect(g.L, g.T, g.W, g.H - 5), SCOPE_CURVE_COLOR), 0);
    // Across the plot, under the frame's outline (drawn over the curve).
    EXPECT_GT(Count(QRect(g.L, g.T + g.H - 5, g.W, 5), SCOPE_CURVE_COLOR), g.W - 10);
    // The frames are filled with the face colour and outlined in grey.
    EXPECT_EQ(image.pixelColor(g.L + g.W / 2 + 3, g.T + g.H / 2 + 3), kFace);
    EXPECT_EQ(image.pixelColor(g.L + 3, g.T), SCOPE_FRAME_COLOR);
}

TEST_F(Plots, ReadingsBeyondTwelveBitsStayInsideTheirPlot)
{
    const ScopePlotGeometry g = Geometry();
    Fill(65535, -100000);
    for (unsigned i = 0; i < SCOPE_DISPLAY_SIZE; i += 40)
        snapshot->vDataBuffer[i] = i % 80 ? INT32_MAX : INT32_MIN;
    Paint();
    EXPECT_EQ(Count(QRect(0, 0, kClient.width(), g.T), SCOPE_CURVE_COLOR), 0);
    EXPECT_EQ(Count(QRect(0, g.T + g.H, kClient.width(), g.T2 - g.T - g.H), SCOPE_CURVE_COLOR), 0);
    EXPECT_EQ(Count(QRect(0, g.T2 + g.H, kClient.width(), kClient.height()), SCOPE_CURVE_COLOR), 0);
}

TEST_F(Plots, TraceFollowsTwoPixelLinesThroughThePlotsPoints)
{
    const ScopePlotGeometry g = Geometry();
    for (unsigned i = 0; i < SCOPE_DISPLAY_SIZE; i++)
        snapshot->vDataBuffer[i] = static_cast<int32_t>(2048 + 1800 * std::sin(i * 0.0031) + (i * 7919 % 601) - 300);
    Paint();
    // The reference: the points as placed by the plot's scales, joined by a
    // solid 2-pixel pen.
    QImage reference(kClient.size(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter p(&reference);
        p.setPen(QPen(SCOPE_CURVE_COLOR, 2));
        for (int top : {g.T, g.T2}) {
            p.setClipRect(QRect(g.L, top, g.W, g.H));
            const float yrate = static_cast<float>(g.H - 4) / 4096.0f, xstep = static_cast<float>(g.W - 2) / 5000.0f;
            float x = 0;
            QPoint last;
            for (int i = 0; i < 5000; i++) {
                x += xstep;
                const int32_t v = snapshot->vDataBuffer[2 * i + (top == g.T ? 0 : 1)];
                const QPoint point(static_cast<int>(static_cast<float>(g.L + 1) + x),
                                   static_cast<int>(static_cast<float>(top + g.H - 2) - static_cast<float>(v) * yrate));
                if (i > 0)
                    p.drawLine(last, point);
                last = point;
            }
        }
    }
    int painted = 0, differing = 0;
    for (int y = 0; y < image.height(); y++)
        for (int x = 0; x < image.width(); x++) {
            const bool a = image.pixelColor(x, y) == SCOPE_CURVE_COLOR, b = reference.pixelColor(x, y) == SCOPE_CURVE_COLOR;
            painted += b;
            differing += a != b;
        }
    EXPECT_GT(painted, 10000);
    EXPECT_LT(differing, painted / 25) << differing << " of " << painted << " pixels differ";
}

TEST_F(Plots, GridValuesStandLeftOfTheLinesAndNoCurveCoversALabel)
{
    const ScopePlotGeometry g = Geometry();
    const std::vector<ScopeGridLine> lines = ScopeGridLines(g);
    std::vector<int> readings;
    for (const ScopeGridLine& l : lines)
        readings.push_back(l.nReading);
    // g.H is not a multiple of 4 here: plot 1's fifth line lies at its bottom.
    ASSERT_NE(g.H % 4, 0);
    EXPECT_EQ(readings, (std::vector<int>{4096, 3072, 2048, 1024, 0, 3072, 2048, 1024}));
    EXPECT_EQ(lines[1].nY, g.T + g.H / 4);
    EXPECT_EQ(lines[6].nY, g.T2 + g.H / 2);

    // A raw curve through the label's rows, a known rate, and a label.
    const int row = g.T2 + 12;
    Fill(0, static_cast<int32_t>(4096.0 * (g.H - 14) / (g.H - 4)));
    snapshot->uSampleRate = 2000;
    std::snprintf(snapshot->szWindLabel, sizeof snapshot->szWindLabel, "Raw acoustic signal");
    ScopeDrawOptions blackLabels;
    blackLabels.cLabel = Qt::black;
    Paint(blackLabels);
    const auto dark = [](const QColor& c) { return c.lightness() < 100; };
    for (const ScopeGridLine& l : lines)
        EXPECT_GT(Count(QRect(g.L - SCOPE_VALUE_COLUMN, l.nY - 4, SCOPE_VALUE_COLUMN - 2, 9), dark), 10) << l.nY;
    // The time base at the bottom right of each plot.
    EXPECT_GT(Count(QRect(g.R - 150, g.T2 + g.H - 20, 146, 16), dark), 30);
    // The label sits on the face: the curve stops at its box.
    ASSERT_FALSE(Rows(g.L + 400, row - 2, row + 3, SCOPE_CURVE_COLOR).empty());
    EXPECT_EQ(Count(QRect(g.L + 3, row - 2, 100, 5), SCOPE_CURVE_COLOR), 0);

    // Without a signal the curves are grey and "No signal" stands in the plots.
    snapshot->bNoSignal = 1;
    Paint();
    EXPECT_EQ(Count(QRect(g.L, g.T, g.W, g.T2 + g.H - g.T), SCOPE_CURVE_COLOR), 0);
    EXPECT_GT(Count(QRect(g.L, g.T, g.W, g.H), SCOPE_NO_SIGNAL_COLOR), g.W / 2);
}

TEST_F(Plots, TinyAreasPaintWithoutLooping)
{
    for (const QRect& r : {QRect(0, 0, 4, 4), QRect(0, 0, 3, 200), QRect(0, 0, 200, 9), QRect(5, 5, 0, 0)}) {
        image.fill(Qt::white);
        QPainter p(&image);
        DlgMainDraw(p, r, *snapshot, kFace);
    }
    SUCCEED();
}

}  // namespace
