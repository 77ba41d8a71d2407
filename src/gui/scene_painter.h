#pragma once
// Draws the chart primitives the core computes (data/chart_model.h) with QPainter:
// polylines in device units, each in its own colour and width. The live window paints
// its scene with these; any other chart whose scene is made of ChartPolylines can too.

#include <QColor>

#include <span>

#include "data/chart_model.h"

class QPainter;

namespace tarvo::gui {

// A colour chosen in a Qt dialog as the core holds colours (0x00BBGGRR).
Rgb rgbOf(const QColor& colour);

// One polyline in `colour` (a line of fewer than two points draws nothing). The pen has
// flat caps, so a two-point dash is exactly as long as the core made it.
void paintChartPolyline(QPainter& painter, const ChartPolyline& line, const QColor& colour);

// A curve of the history chart in `colour`. Where its points crowd several to a pixel
// column (a reduced view holds up to four per column), it is drawn as what such a
// polyline covers: per column one vertical segment from its lowest to its highest
// point, and the joins from each column's last point to the next column's first, all
// in one call and without antialiasing, which changes nothing on segments a pixel wide.
// A curve whose points stand apart is a polyline, antialiased where its points lie
// more than a column and a half apart.
void paintChartCurve(QPainter& painter, const ChartPolyline& line, const QColor& colour);

// Every polyline in its own colour, in order.
void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines);

}  // namespace tarvo::gui
