#pragma once
// Draws the chart primitives the core computes (data/chart_model.h) with QPainter:
// polylines in device units, each in its own colour and width. The live window paints
// its scene with these; any other chart whose scene is made of ChartPolylines can too.

#include <QColor>
#include <QPoint>
#include <QSize>

#include <span>

#include "data/chart_model.h"

class QImage;
class QPainter;

namespace tarvo::gui {

// A colour chosen in a Qt dialog as the core holds colours (0x00BBGGRR).
Rgb rgbOf(const QColor& colour);

// One polyline in `colour` (a line of fewer than two points draws nothing). The pen has
// flat caps, so a two-point dash is exactly as long as the core made it.
void paintChartPolyline(QPainter& painter, const ChartPolyline& line, const QColor& colour);

// How a curve of the history chart is drawn.
enum class CurveStroke {
    // Crowded: three points or more to two pixel columns (a reduced view holds up to
    // four per column) on a line a pixel wide. Drawn as what such a polyline covers:
    // per column one vertical segment from its lowest to its highest point, and the
    // joins from each column's last point to the next column's first, without
    // antialiasing, which changes nothing on segments a pixel wide.
    Columns,
    // A polyline whose points lie more than a column and a half apart, antialiased.
    Smooth,
    // Any other polyline, without antialiasing: on steps of about a column it only blurs.
    Plain,
};
CurveStroke curveStroke(const ChartPolyline& line);

// A curve's stroke; whether its points never step left (as on every curve of the
// history chart, whose x grows with the sample): then the part of the curve over a strip
// of the plot is found by halving; and whether all its coordinates are finite numbers.
struct CurveLayout {
    CurveStroke stroke = CurveStroke::Plain;
    bool ascending = false;
    bool finite = false;
};
CurveLayout curveLayout(const ChartPolyline& line);

// A curve of the history chart in `colour`, drawn as its stroke says; a crowded one
// with a single call.
void paintChartCurve(QPainter& painter, const ChartPolyline& line, const QColor& colour);

// An opaque ARGB32_Premultiplied image of `size` for rasterChartCurve to write into.
// Its rows lie an odd number of 64-byte cache lines apart: with the plain stride of a
// plot 1920 pixels wide (120 lines) every eighth row falls on the same cache sets, and a
// vertical run of pixels longer than the cache's ways goes to the next level at every
// column; here the rows of a run spread over all sets.
QImage curveCanvas(QSize size);

// What paintChartCurve draws of a line a pixel wide that needs no antialiasing (not
// a Smooth stroke), written straight into `image` (an opaque ARGB32_Premultiplied
// image whose pixel (0, 0) lies at the device point `origin`), a pixel per step along
// the longer axis of each segment: the screen's fast path for tens of thousands of
// segments a pixel or two long, which QPainter draws one at a time. Parts outside the
// image are cut off. Any other line is left to paintChartCurve: nothing is drawn and
// the result is false. `layout` is curveLayout(line), worked out once for all the strips
// of a plot painted strip by strip.
bool rasterChartCurve(QImage& image, QPoint origin, const ChartPolyline& line, const QColor& colour,
                      CurveLayout layout);

// Every polyline in its own colour, in order.
void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines);

}  // namespace tarvo::gui
