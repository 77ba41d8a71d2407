#include "gui/scene_painter.h"

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <span>
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

CurveLayout curveLayout(const ChartPolyline& line) {
    const std::vector<DevicePoint>& p = line.points;
    if (p.size() < 2) return {};
    // Pixel columns the points fall into; a thin curve with three points to two
    // columns or more is crowded.
    std::size_t columns = 1;
    bool ascending = true;
    bool finite = std::isfinite(p[0].x) && std::isfinite(p[0].y);
    std::int64_t column = pixelColumn(p[0].x);
    for (std::size_t i = 1; i < p.size(); ++i) {
        const std::int64_t next = pixelColumn(p[i].x);
        columns += next != column;
        ascending = ascending && p[i].x >= p[i - 1].x;
        finite = finite && std::isfinite(p[i].x) && std::isfinite(p[i].y);
        column = next;
    }
    if (line.width <= 1 && 2 * p.size() >= 3 * columns)
        return {CurveStroke::Columns, ascending, finite};
    // Antialiasing shows on segments that run across several columns; on steps of
    // about a column it only blurs.
    const double stride = std::abs(p.back().x - p.front().x) / static_cast<double>(p.size() - 1);
    return {stride > 1.5 ? CurveStroke::Smooth : CurveStroke::Plain, ascending, finite};
}

CurveStroke curveStroke(const ChartPolyline& line) {
    return curveLayout(line).stroke;
}

namespace {

// Calls `visit(column, first, low, high)` for each run of points in one pixel column,
// in order: the column, the index of the run's first point, and its lowest and highest y.
template <typename Visit>
void forEachPointColumn(std::span<const DevicePoint> p, Visit&& visit) {
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
        visit(column, i, low, high);
        i = j + 1;
    }
}

// Calls `segment(from, to)` for what a crowded curve covers: per pixel column one
// vertical segment from its lowest to its highest point (when they differ), and the
// join from each column's last point to the next column's first.
template <typename Segment>
void forEachColumnSegment(std::span<const DevicePoint> p, Segment&& segment) {
    forEachPointColumn(p, [&](std::int64_t column, std::size_t first, double low, double high) {
        if (first > 0) segment(p[first - 1], p[first]);
        const double middle = static_cast<double>(column) + 0.5;
        if (high > low) segment(DevicePoint{middle, low}, DevicePoint{middle, high});
    });
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

namespace {

// Writes pixels of one colour straight into an opaque ARGB32_Premultiplied image, in
// device units shifted by the image's origin.
class ImageInk {
  public:
    ImageInk(QImage& image, QPoint origin, const QColor& colour)
        : bits_(image.bits()),
          stride_(image.bytesPerLine()),
          width_(image.width()),
          height_(image.height()),
          left_(origin.x()),
          top_(origin.y()),
          pixel_(colour.rgb()) {}

    // The segment a..b, cut to the image (Liang-Barsky), so a join that runs far outside
    // the plot costs no more than its visible part, and walked along its longer axis, a
    // pixel a step.
    void segment(DevicePoint a, DevicePoint b) const {
        double x0 = a.x - left_, y0 = a.y - top_;
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
        const double right = width_ - x0, bottom = height_ - y0;
        const auto uncut = [](double q, double r) { return q <= 0 ? r >= 0 : r >= q; };
        if (!(uncut(-dx, x0) && uncut(dx, right) && uncut(-dy, y0) && uncut(dy, bottom))) {
            if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(dx) && std::isfinite(dy)))
                return;
            if (!cut(-dx, x0) || !cut(dx, right) || !cut(-dy, y0) || !cut(dy, bottom)) return;
        }
        // The cut ends lie within the image, so truncation is the floor.
        const double sx = x0 + t0 * dx, sy = y0 + t0 * dy;
        const double ex = x0 + t1 * dx, ey = y0 + t1 * dy;
        const int fromX = clampTo(static_cast<int>(std::min(sx, ex)), 0, width_ - 1);
        const int toX = clampTo(static_cast<int>(std::max(sx, ex)), 0, width_ - 1);
        const int fromY = clampTo(static_cast<int>(std::min(sy, ey)), 0, height_ - 1);
        const int toY = clampTo(static_cast<int>(std::max(sy, ey)), 0, height_ - 1);
        if (fromX == toX) {
            writeRun(fromX, fromY, toY);
        } else if (fromY == toY) {
            std::fill(row(fromY) + fromX, row(fromY) + toX + 1, pixel_);
        } else if (toY - fromY >= toX - fromX) {
            const double slope = (ex - sx) / (ey - sy);
            double x = sx + (fromY + 0.5 - sy) * slope;
            for (int y = fromY; y <= toY; ++y, x += slope)
                row(y)[clampTo(static_cast<int>(x), fromX, toX)] = pixel_;
        } else {
            const double slope = (ey - sy) / (ex - sx);
            double y = sy + (fromX + 0.5 - sx) * slope;
            for (int x = fromX; x <= toX; ++x, y += slope)
                row(clampTo(static_cast<int>(y), fromY, toY))[x] = pixel_;
        }
    }

    // The device column `at` from the device heights `upper` to `lower` (finite,
    // upper <= lower), whatever of it lies in the image.
    void column(std::int64_t at, double upper, double lower) const {
        const std::int64_t x = at - left_;
        if (x < 0 || x >= width_) return;
        const double from = upper - top_, to = lower - top_;
        if (to < 0 || from >= height_) return;
        writeRun(static_cast<int>(x), from < 0 ? 0 : static_cast<int>(from),
                 to >= height_ ? height_ - 1 : static_cast<int>(to));
    }

  private:
    static int clampTo(int v, int low, int high) { return std::min(std::max(v, low), high); }

    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits_ + y * stride_); }

    void writeRun(int x, int fromY, int toY) const {
        uchar* at = bits_ + fromY * stride_ + x * qsizetype(sizeof(QRgb));
        const auto put = [&](qsizetype rows) {
            *reinterpret_cast<QRgb*>(at + rows * stride_) = pixel_;
        };
        int left = toY - fromY + 1;
        for (; left >= 4; left -= 4, at += 4 * stride_) {
            put(0);
            put(1);
            put(2);
            put(3);
        }
        for (; left > 0; --left, at += stride_) put(0);
    }

    uchar* bits_;
    qsizetype stride_;
    int width_, height_;
    std::int64_t left_, top_;
    QRgb pixel_;
};

// A crowded curve a pixel column at a time. A join between neighbouring columns crosses
// their boundary at one height: the part above or below it in each column touches that
// column's vertical span, so a column's span and the halves of its two joins make one
// run of pixels, written in one go. A join between columns further apart (the first
// or last point far outside the plot) is walked as a segment.
void writeColumns(const ImageInk& ink, std::span<const DevicePoint> p) {
    std::int64_t runColumn = 0;
    double upper = 0, lower = 0;
    forEachPointColumn(p, [&](std::int64_t column, std::size_t first, double low, double high) {
        if (first > 0) {
            const DevicePoint a = p[first - 1], b = p[first];
            if (column == runColumn + 1) {
                // a.x < column <= b.x, so the division is by more than nothing.
                const double crossing =
                    a.y + (static_cast<double>(column) - a.x) / (b.x - a.x) * (b.y - a.y);
                ink.column(runColumn, std::min(upper, crossing), std::max(lower, crossing));
                low = std::min(low, crossing);
                high = std::max(high, crossing);
            } else {
                ink.column(runColumn, upper, lower);
                ink.segment(a, b);
            }
        }
        runColumn = column;
        upper = low;
        lower = high;
    });
    ink.column(runColumn, upper, lower);
}

}  // namespace

QImage curveCanvas(QSize size) {
    constexpr qsizetype kLine = 64;
    const qsizetype width = std::max(size.width(), 0);
    const qsizetype height = std::max(size.height(), 0);
    qsizetype lines = (width * qsizetype(sizeof(QRgb)) + kLine - 1) / kLine;
    if (lines % 2 == 0) ++lines;
    const qsizetype stride = lines * kLine;
    if (width == 0 || height == 0 || height > std::numeric_limits<qsizetype>::max() / stride)
        return QImage(size, QImage::Format_ARGB32_Premultiplied);
    auto* bits = static_cast<uchar*>(std::malloc(static_cast<std::size_t>(stride * height)));
    if (!bits) return QImage(size, QImage::Format_ARGB32_Premultiplied);
    return QImage(
        bits, size.width(), size.height(), stride, QImage::Format_ARGB32_Premultiplied,
        [](void* data) { std::free(data); }, bits);
}

bool rasterChartCurve(QImage& image, QPoint origin, const ChartPolyline& line, const QColor& colour,
                      CurveLayout layout) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied || line.width > 1) return false;
    if (line.points.size() < 2) return true;
    const CurveStroke stroke = layout.stroke;
    if (stroke == CurveStroke::Smooth) return false;
    std::span<const DevicePoint> p(line.points);
    if (layout.ascending) {
        // The points over the image, and one on either side for the joins into it.
        const double left = origin.x(), right = left + image.width();
        auto begin =
            std::partition_point(p.begin(), p.end(), [&](DevicePoint q) { return q.x < left; });
        auto end = std::partition_point(begin, p.end(), [&](DevicePoint q) { return q.x < right; });
        if (begin != p.begin()) --begin;
        if (end != p.end()) ++end;
        p = {begin, end};
    }
    const ImageInk ink(image, origin, colour);
    if (stroke == CurveStroke::Columns && layout.finite) {
        writeColumns(ink, p);
    } else if (stroke == CurveStroke::Columns) {
        forEachColumnSegment(p, [&](DevicePoint a, DevicePoint b) { ink.segment(a, b); });
    } else {
        for (std::size_t i = 1; i < p.size(); ++i) ink.segment(p[i - 1], p[i]);
    }
    return true;
}

void paintChartPolylines(QPainter& painter, std::span<const ChartPolyline> lines) {
    for (const ChartPolyline& line : lines)
        paintChartPolyline(painter, line, toQColor(line.colour));
}

}  // namespace tarvo::gui
