#include "gui/scene_painter.h"

#include <QImage>
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

CurveStroke curveStroke(const ChartPolyline& line) {
    const std::vector<DevicePoint>& p = line.points;
    if (p.size() < 2) return CurveStroke::Plain;
    // Pixel columns the points fall into; a thin curve with three points to two
    // columns or more is crowded.
    std::size_t columns = 1;
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (pixelColumn(p[i].x) != pixelColumn(p[i - 1].x)) ++columns;
    }
    if (line.width <= 1 && 2 * p.size() >= 3 * columns) return CurveStroke::Columns;
    // Antialiasing shows on segments that run across several columns; on steps of
    // about a column it only blurs.
    const double stride = std::abs(p.back().x - p.front().x) / static_cast<double>(p.size() - 1);
    return stride > 1.5 ? CurveStroke::Smooth : CurveStroke::Plain;
}

namespace {

// Calls `segment(from, to)` for what a crowded curve covers: per pixel column one
// vertical segment from its lowest to its highest point (when they differ), and the
// join from each column's last point to the next column's first.
template <typename Segment>
void forEachColumnSegment(const std::vector<DevicePoint>& p, Segment&& segment) {
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
        if (i > 0) segment(p[i - 1], p[i]);
        const double middle = static_cast<double>(column) + 0.5;
        if (high > low) segment(DevicePoint{middle, low}, DevicePoint{middle, high});
        i = j + 1;
    }
}

}  // namespace

void paintChartCurve(QPainter& painter, const ChartPolyline& line, const QColor& colour) {
    const std::vector<DevicePoint>& p = line.points;
    if (p.size() < 2) return;
    const CurveStroke stroke = curveStroke(line);
    painter.setRenderHint(QPainter::Antialiasing, stroke == CurveStroke::Smooth);
    if (stroke != CurveStroke::Columns) {
        paintChartPolyline(painter, line, colour);
        return;
    }
    QPen pen(colour);
    pen.setWidthF(line.width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    std::vector<QLineF> segments;
    segments.reserve(2 * p.size());
    forEachColumnSegment(
        p, [&](DevicePoint a, DevicePoint b) { segments.emplace_back(a.x, a.y, b.x, b.y); });
    painter.drawLines(segments.data(), static_cast<int>(segments.size()));
}

bool rasterChartCurve(QImage& image, QPoint origin, const ChartPolyline& line,
                      const QColor& colour) {
    const std::vector<DevicePoint>& p = line.points;
    if (image.format() != QImage::Format_ARGB32_Premultiplied || line.width > 1) return false;
    if (p.size() < 2) return true;
    const CurveStroke stroke = curveStroke(line);
    if (stroke == CurveStroke::Smooth) return false;
    const QRgb pixel = colour.rgb();
    const int width = image.width();
    const int height = image.height();
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const double left = origin.x();
    const double top = origin.y();
    const auto segment = [&](DevicePoint a, DevicePoint b) {
        // Image coordinates, the segment cut to the image (Liang-Barsky), so a join
        // that runs far outside the plot costs no more than its visible part.
        double x0 = a.x - left, y0 = a.y - top;
        const double dx = b.x - a.x, dy = b.y - a.y;
        double t0 = 0, t1 = 1;
        const auto cut = [&](double q, double r) {
            if (q == 0) return r >= 0;
            const double t = r / q;
            if (q < 0) {
                if (t > t1) return false;
                t0 = std::max(t0, t);
            } else {
                if (t < t0) return false;
                t1 = std::min(t1, t);
            }
            return true;
        };
        // Most segments lie inside the image, where no edge cuts them: each test below
        // holds exactly when its cut would leave t0 at 0 and t1 at 1 (and all four hold
        // only for finite numbers).
        const double right = width - x0, bottom = height - y0;
        const auto uncut = [](double q, double r) { return q <= 0 ? r >= 0 : r >= q; };
        if (!(uncut(-dx, x0) && uncut(dx, right) && uncut(-dy, y0) && uncut(dy, bottom))) {
            if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(dx) && std::isfinite(dy)))
                return;
            if (!cut(-dx, x0) || !cut(dx, right) || !cut(-dy, y0) || !cut(dy, bottom)) return;
        }
        // The cut ends lie within the image, so truncation is the floor. The segment is
        // walked along its longer axis, a pixel a step.
        const double sx = x0 + t0 * dx, sy = y0 + t0 * dy;
        const double ex = x0 + t1 * dx, ey = y0 + t1 * dy;
        const auto clampTo = [](int v, int low, int high) {
            return std::min(std::max(v, low), high);
        };
        const int fromX = clampTo(static_cast<int>(std::min(sx, ex)), 0, width - 1);
        const int toX = clampTo(static_cast<int>(std::max(sx, ex)), 0, width - 1);
        const int fromY = clampTo(static_cast<int>(std::min(sy, ey)), 0, height - 1);
        const int toY = clampTo(static_cast<int>(std::max(sy, ey)), 0, height - 1);
        if (fromX == toX) {
            uchar* at = bits + fromY * stride + fromX * qsizetype(sizeof(QRgb));
            for (int y = fromY; y <= toY; ++y, at += stride) *reinterpret_cast<QRgb*>(at) = pixel;
        } else if (fromY == toY) {
            std::fill(reinterpret_cast<QRgb*>(bits + fromY * stride) + fromX,
                      reinterpret_cast<QRgb*>(bits + fromY * stride) + toX + 1, pixel);
        } else if (toY - fromY >= toX - fromX) {
            const double slope = (ex - sx) / (ey - sy);
            double x = sx + (fromY + 0.5 - sy) * slope;
            uchar* row = bits + fromY * stride;
            for (int y = fromY; y <= toY; ++y, row += stride, x += slope)
                reinterpret_cast<QRgb*>(row)[clampTo(static_cast<int>(x), fromX, toX)] = pixel;
        } else {
            const double slope = (ey - sy) / (ex - sx);
            double y = sy + (fromX + 0.5 - sx) * slope;
            for (int x = fromX; x <= toX; ++x, y += slope) {
                const int row = clampTo(static_cast<int>(y), fromY, toY);
                reinterpret_cast<QRgb*>(bits + row * stride)[x] = pixel;
            }
        }
    };
    if (stroke == CurveStroke::Columns) {
        forEachColumnSegment(p, segment);
    } else {
        for (std::size_t i = 1; i < p.size(); ++i) segment(p[i - 1], p[i]);
    }
    return true;
}

void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines) {
    for (const ChartPolyline& line : lines)
        paintChartPolyline(painter, line, toQColor(line.colour));
}

}  // namespace tarvo::gui
