#include "gui/scene_painter.h"

#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gui/colours.h"

namespace tarvo::gui {

Rgb rgbOf(const QColor& colour) {
    return rgb(colour.red(), colour.green(), colour.blue());
}

void paintChartPolyline(QPainter& painter, const ChartPolyline& line, const QColor& colour) {
    if (line.points.size() < 2) return;
    QPen pen(colour);
    pen.setWidthF(line.width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    std::vector<QPointF> points;
    points.reserve(line.points.size());
    for (const DevicePoint& p : line.points) points.emplace_back(p.x, p.y);
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
}

namespace {

// The pixel column of a device x (the scene keeps coordinates within ±1e6 of the plot).
std::int64_t pixelColumn(double x) {
    const auto t = static_cast<std::int64_t>(x);
    return t - (x < static_cast<double>(t) ? 1 : 0);
}

}  // namespace

void paintChartCurve(QPainter& painter, const ChartPolyline& line, const QColor& colour) {
    const std::vector<DevicePoint>& p = line.points;
    if (p.size() < 2) return;
    // Pixel columns the points fall into; a thin curve with three points to two
    // columns or more is drawn column by column.
    std::size_t columns = 1;
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (pixelColumn(p[i].x) != pixelColumn(p[i - 1].x)) ++columns;
    }
    const bool crowded = line.width <= 1 && 2 * p.size() >= 3 * columns;
    // Antialiasing shows on segments that run across several columns; on steps of
    // about a column it only blurs.
    const double stride = std::abs(p.back().x - p.front().x) / static_cast<double>(p.size() - 1);
    painter.setRenderHint(QPainter::Antialiasing, !crowded && stride > 1.5);
    if (!crowded) {
        paintChartPolyline(painter, line, colour);
        return;
    }
    QPen pen(colour);
    pen.setWidthF(line.width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    std::vector<QLineF> segments;
    segments.reserve(2 * columns);
    std::size_t i = 0;
    while (i < p.size()) {
        const std::int64_t column = pixelColumn(p[i].x);
        double low = p[i].y, high = p[i].y;
        std::size_t j = i;
        while (j + 1 < p.size() && pixelColumn(p[j + 1].x) == column) {
            ++j;
            low = std::min(low, p[j].y);
            high = std::max(high, p[j].y);
        }
        if (i > 0) segments.emplace_back(p[i - 1].x, p[i - 1].y, p[i].x, p[i].y);
        const double middle = static_cast<double>(column) + 0.5;
        if (high > low) segments.emplace_back(middle, low, middle, high);
        i = j + 1;
    }
    painter.drawLines(segments.data(), static_cast<int>(segments.size()));
}

void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines) {
    for (const ChartPolyline& line : lines)
        paintChartPolyline(painter, line, toQColor(line.colour));
}

}  // namespace tarvo::gui
