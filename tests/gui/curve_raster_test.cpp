// The screen writes thin curves straight into the plot's image; QPainter draws the same
// segments everywhere else (printing, scaled screens). Both must show the same curve:
// every pixel one of them sets lies within a pixel of one the other sets.

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "gui/chart_widget.h"
#include "gui/colours.h"
#include "gui/scene_painter.h"

namespace tarvo::gui {
namespace {

constexpr QRgb kBackground = 0xFFFFFFFF;
const QColor kInk(200, 30, 40);

QImage blank(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    return image;
}

// Pixels of `a` that are set but have no set pixel of `b` within one pixel.
int strayPixels(const QImage& a, const QImage& b) {
    int stray = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) == kBackground) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy) {
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    near = b.valid(nx, ny) && b.pixel(nx, ny) != kBackground;
                }
            }
            if (!near) ++stray;
        }
    }
    return stray;
}

int setPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != kBackground;
    return count;
}

// A noisy daily cycle, `perColumn` points to a pixel column, in device units of a plot
// whose top left corner lies at (20, 10).
ChartPolyline noisyCurve(double perColumn, int columns) {
    ChartPolyline line;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 6);
    const int n = static_cast<int>(perColumn * columns);
    for (int k = 0; k < n; ++k) {
        const double x = 20 + k / perColumn;
        line.points.push_back({x, 10 + 100 + 60 * std::sin(k / (perColumn * 40)) + noise(random)});
    }
    return line;
}

TEST(CurveRaster, DrawsTheSameCurveAsThePainterForCrowdedAndPlainCurves) {
    struct Case {
        std::string name;
        ChartPolyline line;
        CurveStroke stroke;
    };
    const std::vector<Case> cases = {
        {"four points a column", noisyCurve(4, 300), CurveStroke::Columns},
        {"one and a half a column", noisyCurve(1.5, 300), CurveStroke::Columns},
        {"a point a column", noisyCurve(1, 300), CurveStroke::Plain},
    };
    const QPoint origin(20, 10);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(curveStroke(c.line), c.stroke);
        QImage painted = blank({300, 220});
        {
            QPainter painter(&painted);
            painter.translate(-origin);
            paintChartCurve(painter, c.line, kInk);
        }
        // The plot's own canvas, whose rows lie further apart than its width.
        QImage rastered = curveCanvas({300, 220});
        ASSERT_GT(rastered.bytesPerLine(), 300 * 4);
        rastered.fill(kBackground);
        ASSERT_TRUE(rasterChartCurve(rastered, origin, c.line, kInk, curveLayout(c.line)));
        EXPECT_GT(setPixels(rastered), 300);
        EXPECT_EQ(strayPixels(rastered, painted), 0);
        EXPECT_EQ(strayPixels(painted, rastered), 0);
    }
}

TEST(CurveRaster, CutsSegmentsToTheImageHoweverFarTheyReach) {
    // Joins that start a million pixels away, a vertical span on the right edge and
    // one beyond it: only what lies in the image is drawn, and nothing outside it
    // is touched (the sanitizer build watches the writes).
    ChartPolyline line;
    line.points = {{-1e6, 50},  {0.5, 40},  {0.5, 45},   {0.7, 42},   {99.9, 10}, {99.9, 90},
                   {99.95, 30}, {100.2, 5}, {100.4, 95}, {100.6, 50}, {1e6, -1e6}};
    QImage image = blank({100, 100});
    rasterChartCurve(image, {0, 0}, line, kInk, curveLayout(line));
    EXPECT_NE(image.pixel(0, 40), kBackground);
    EXPECT_NE(image.pixel(99, 50), kBackground);
    EXPECT_EQ(image.pixel(50, 99), kBackground);

    // A point that is not a number breaks nothing: the segments that reach it are left
    // out, the others drawn.
    const double nan = std::nan("");
    line.points = {{10.2, 20}, {10.6, 30}, {11.3, 25}, {11.8, nan}, {12.4, 60}, {12.9, 70}};
    image = blank({100, 100});
    rasterChartCurve(image, {0, 0}, line, kInk, curveLayout(line));
    EXPECT_NE(image.pixel(10, 25), kBackground);
    EXPECT_NE(image.pixel(12, 65), kBackground);
    EXPECT_EQ(image.pixel(11, 40), kBackground);
}

TEST(CurveRaster, APlotPaintedInTwoHalvesShowsTheSceneAsThePainterAloneDoes) {
    // A crowded curve, a 2-pixel axis, then a plain curve over both, all across the
    // middle of a plot of odd width; the screen paints it in halves, side by side.
    ChartScene scene;
    scene.plot = {20, 10, 301, 220};
    scene.background = rgb(255, 255, 255);
    const Rgb red = rgb(200, 30, 40), green = rgb(20, 160, 40), blue = rgb(30, 40, 200);
    ChartPolyline crowded = noisyCurve(4, 300);
    crowded.colour = red;
    scene.lines.push_back(crowded);
    scene.lines.push_back({green, 2, {{170.5, 15}, {170.5, 200}}});
    ChartPolyline plain{blue, 1, {}};
    for (int x = 20; x <= 320; ++x) plain.points.push_back({x + 0.3, 110 + (x % 3) * 0.4});
    scene.lines.push_back(plain);

    QImage halves = blank({340, 240});
    {
        QPainter painter(&halves);
        paintChartScene(painter, scene, QFont());
    }
    QImage alone = blank({340, 240});
    {
        QPainter painter(&alone);
        painter.setClipRect(QRectF(20, 10, 301, 220));
        painter.fillRect(QRectF(20, 10, 301, 220), Qt::white);
        for (const ChartPolyline& line : scene.lines)
            paintChartCurve(painter, line, toQColor(line.colour));
    }
    const QRect plot(20, 10, 301, 220);
    EXPECT_EQ(strayPixels(halves.copy(plot), alone.copy(plot)), 0);
    EXPECT_EQ(strayPixels(alone.copy(plot), halves.copy(plot)), 0);
    // The later lines lie over the earlier ones on both sides of the middle.
    for (const int x : {100, 169, 170, 171, 250}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(halves.pixel(x, 110), toQColor(blue).rgb());
    }
    EXPECT_EQ(halves.pixel(170, 60), toQColor(green).rgb());
}

}  // namespace
}  // namespace tarvo::gui
