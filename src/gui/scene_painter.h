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

// Every polyline in its own colour, in order.
void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines);

}  // namespace tarvo::gui
