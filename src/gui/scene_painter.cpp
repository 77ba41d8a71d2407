#include "gui/scene_painter.h"

#include <QPainter>
#include <QPen>
#include <QPointF>

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

void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines) {
    for (const ChartPolyline& line : lines)
        paintChartPolyline(painter, line, toQColor(line.colour));
}

}  // namespace tarvo::gui
