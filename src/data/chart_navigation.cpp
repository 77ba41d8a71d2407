#include "data/chart_navigation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "core/text_format.h"

namespace tarvo {

namespace {

// A rubber band must be wider than this many samples and higher than this many plot
// units to zoom; anything smaller is taken for a click.
constexpr double kMinimumBandWidth = 2;
constexpr double kMinimumBandHeight = 0.5;

MouseMode modeOf(const HistoryDocument& doc) {
    return static_cast<MouseMode>(doc.view.mouseMode);
}

std::int32_t clampToInt32(std::int64_t x) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        x, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::vector<ReadOut> readOutAt(const HistoryDocument& doc, std::int32_t k) {
    std::vector<ReadOut> rows;
    rows.reserve(doc.channels.size());
    const auto at = static_cast<std::size_t>(k - 1);
    for (const ChannelRecord& r : doc.channels) {
        ReadOut row;
        if (at < r.values.size())
            row.selectedValue = formatNumber(r.values[at], NumberFormat::Fixed2);
        if (at < r.times.size()) row.recordTime = generalDateText(r.times[at]);
        row.index = std::to_string(k);
        rows.push_back(std::move(row));
    }
    return rows;
}

// Moves the view with the mouse: the content under the press point follows the pointer.
void drag(HistoryDocument& doc, const ChartSurface& surface, PlotPoint at) {
    ChartView& v = doc.view;
    v.lastX = static_cast<float>(at.x);
    v.lastY = static_cast<float>(at.y);
    const double dx = at.x - v.pressX;
    const double dy = at.y - v.pressY;
    const PlotScale& s = surface.scale;

    const double left = s.left - dx;
    if (left >= 0 && left <= surface.scrollBar.maximum) {
        std::int64_t start = roundIndex(v.viewStart - dx);
        std::int64_t end = roundIndex(v.viewEnd - dx);
        // The view cannot start before sample 1; shifting it whole keeps its width (the
        // redraw would otherwise raise the start alone and narrow the view at every move).
        if (start < 1) {
            end += 1 - start;
            start = 1;
        }
        v.viewStart = clampToInt32(start);
        v.viewEnd = clampToInt32(end);
    }
    // Vertically the view stays inside the home view's plot space.
    const double top = s.top - dy;
    if (top <= v.homeTop && top + s.height >= v.homeBottom) {
        v.viewTop = static_cast<float>(v.viewTop - dy);
        v.viewBottom = static_cast<float>(v.viewBottom - dy);
    }
}

void stretchBand(HistoryDocument& doc, ChartSurface& surface, PlotPoint at) {
    ChartView& v = doc.view;
    const PlotScale& s = surface.scale;
    const double low = std::min(s.top, s.top + s.height);
    const double high = std::max(s.top, s.top + s.height);
    const double x =
        std::clamp(at.x, std::min(s.left, s.left + s.width), std::max(s.left, s.left + s.width));
    const double y = std::clamp(at.y, low, high);
    v.lastX = static_cast<float>(x);
    v.lastY = static_cast<float>(y);
    RubberBand& band = surface.band;
    band.left = std::min<double>(v.pressX, x);
    band.width = std::abs(x - v.pressX);
    band.top = std::max<double>(v.pressY, y);
    band.height = std::abs(y - v.pressY);
}

void goHome(ChartView& v) {
    v.viewStart = v.homeStart;
    v.viewTop = v.homeTop;
    v.viewEnd = v.homeEnd;
    v.viewBottom = v.homeBottom;
}

}  // namespace

MousePointer pointerFor(MouseMode mode) {
    switch (mode) {
        case MouseMode::Drag:
            return MousePointer::OpenHand;
        case MouseMode::Zoom:
            return MousePointer::Magnifier;
        default:
            return MousePointer::Cross;
    }
}

NavigationOutcome pressModeButton(HistoryDocument& doc, ChartSurface& surface, int index) {
    NavigationOutcome outcome;
    if (index == kPreciseZoomButton) {
        outcome.openPreciseZoom = true;
        return outcome;
    }
    if (index < 0 || index >= static_cast<int>(kModeButtonCaptions.size())) return outcome;
    doc.view.mouseMode = index;
    surface.pointer = pointerFor(static_cast<MouseMode>(index));
    return outcome;
}

NavigationOutcome mouseDown(HistoryDocument& doc, ChartSurface& surface, MouseButton button,
                            PlotPoint at) {
    const MouseMode mode = modeOf(doc);
    if (button == MouseButton::Left) {
        doc.view.pressX = static_cast<float>(at.x);
        doc.view.pressY = static_cast<float>(at.y);
        if (mode == MouseMode::Drag) {
            surface.pointer = MousePointer::GrabbingHand;
        } else if (mode == MouseMode::Zoom) {
            surface.pointer = MousePointer::MagnifierPressed;
            surface.band = {true, doc.view.pressX, doc.view.pressY, 0, 0};
        } else {
            surface.pointer = MousePointer::Cross;
        }
    } else if (button == MouseButton::Right && mode == MouseMode::Zoom) {
        surface.pointer = MousePointer::MagnifierPressed;
    }
    return {};
}

NavigationOutcome mouseMove(HistoryDocument& doc, ChartSurface& surface, bool leftDown,
                            PlotPoint at) {
    NavigationOutcome outcome;
    surface.cursorVisible = false;
    if (!doc.loaded) return outcome;
    const MouseMode mode = modeOf(doc);
    const std::int32_t k = roundIndex(at.x);
    const bool onSample = k >= 1 && k <= doc.sampleCount();
    // Outside the samples only the rubber band follows the mouse.
    if (!onSample && mode != MouseMode::Zoom) return outcome;

    if (onSample) {
        const std::vector<DateTime>& times = doc.channels.front().times;
        if (static_cast<std::size_t>(k) <= times.size()) {
            surface.toolTip = generalDateText(times[static_cast<std::size_t>(k - 1)]);
        }
        if (mode == MouseMode::ShowData) {
            outcome.readOut = readOutAt(doc, k);
            surface.cursorX = at.x;
            surface.cursorVisible = true;
        }
    }

    if (!leftDown) return outcome;
    switch (mode) {
        case MouseMode::Drag:
            surface.pointer = MousePointer::GrabbingHand;
            drag(doc, surface, at);
            outcome.redraw = true;
            break;
        case MouseMode::Zoom:
            stretchBand(doc, surface, at);
            break;
        case MouseMode::AlarmPart:
        case MouseMode::MoveToTime:
            surface.pointer = MousePointer::Cross;
            break;
        default:
            break;
    }
    return outcome;
}

NavigationOutcome mouseUp(HistoryDocument& doc, ChartSurface& surface, MouseButton button,
                          PlotPoint /*at*/) {
    NavigationOutcome outcome;
    const MouseMode mode = modeOf(doc);
    ChartView& v = doc.view;
    if (mode == MouseMode::Drag) {
        if (button == MouseButton::Left) {
            surface.pointer = MousePointer::OpenHand;
            outcome.redraw = true;
        }
    } else if (mode == MouseMode::Zoom) {
        if (button == MouseButton::Left) {
            surface.pointer = MousePointer::Magnifier;
            // Only a band this press drew zooms: a release without a press leaves the view.
            const RubberBand& band = surface.band;
            if (band.visible && band.width > kMinimumBandWidth &&
                band.height > kMinimumBandHeight) {
                v.viewStart = roundIndex(band.left);
                v.viewEnd = roundIndex(band.left + band.width);
                v.viewTop = static_cast<float>(band.top);
                v.viewBottom = static_cast<float>(band.top - band.height);
                outcome.redraw = true;
            }
            surface.band.visible = false;
        } else if (button == MouseButton::Right) {
            surface.pointer = MousePointer::Magnifier;
            goHome(v);
            outcome.redraw = true;
        }
    } else {
        surface.pointer = MousePointer::Cross;
    }
    return outcome;
}

NavigationOutcome scrollTo(HistoryDocument& doc, ChartSurface& /*surface*/, std::int32_t value) {
    NavigationOutcome outcome;
    if (!doc.loaded) return outcome;
    ChartView& v = doc.view;
    v.viewEnd = clampToInt32(std::int64_t{v.viewEnd} - v.viewStart + value);
    v.viewStart = value;
    outcome.redraw = true;
    return outcome;
}

std::vector<ChartPolyline> overlayLines(const ChartSurface& surface, const DeviceRect& plot) {
    std::vector<ChartPolyline> lines;
    const PlotScale& s = surface.scale;
    if (s.width == 0 || s.height == 0) return lines;
    if (surface.cursorVisible) {
        lines.push_back({kChartTextColour,
                         1,
                         {s.toDevice(plot, {surface.cursorX, s.top}),
                          s.toDevice(plot, {surface.cursorX, s.top + s.height})}});
    }
    const RubberBand& b = surface.band;
    if (b.visible) {
        const DevicePoint topLeft = s.toDevice(plot, {b.left, b.top});
        const DevicePoint bottomRight = s.toDevice(plot, {b.left + b.width, b.top - b.height});
        lines.push_back({kChartTextColour,
                         1,
                         {topLeft,
                          {bottomRight.x, topLeft.y},
                          bottomRight,
                          {topLeft.x, bottomRight.y},
                          topLeft}});
    }
    return lines;
}

std::optional<PreciseZoomDialog> preciseZoomDialog(const HistoryDocument& doc) {
    if (!doc.loaded || doc.channels.empty()) return std::nullopt;
    const std::vector<DateTime>& times = doc.channels.front().times;
    if (times.empty()) return std::nullopt;
    const auto n = static_cast<std::int64_t>(times.size());
    PreciseZoomDialog dialog;
    dialog.minDate = times.front();
    dialog.maxDate = times.back();
    const std::int64_t a = std::clamp<std::int64_t>(doc.view.viewStart, 1, n);
    const std::int64_t b = std::clamp<std::int64_t>(doc.view.viewEnd, 1, n);
    dialog.sDate = times[static_cast<std::size_t>(a - 1)];
    dialog.eDate = times[static_cast<std::size_t>(b - 1)];
    return dialog;
}

std::optional<Message> confirmPreciseZoom(PreciseZoomDialog& dialog, DateTime from, DateTime to) {
    if (to < from) {
        return Message{
            std::string(kPreciseZoomOrderMessage), {}, MessageIcon::None, MessageButtons::Ok};
    }
    dialog.sDate = from < dialog.minDate ? dialog.minDate : from;
    dialog.eDate = to > dialog.maxDate ? dialog.maxDate : to;
    dialog.ok = true;
    return std::nullopt;
}

void cancelPreciseZoom(PreciseZoomDialog& dialog) {
    dialog.ok = false;
}

NavigationOutcome applyPreciseZoom(HistoryDocument& doc, const PreciseZoomDialog& dialog) {
    NavigationOutcome outcome;
    if (!dialog.ok || !(dialog.sDate < dialog.eDate)) return outcome;
    if (!doc.loaded || doc.channels.empty() || doc.channels.front().times.empty()) return outcome;
    const std::vector<DateTime>& times = doc.channels.front().times;
    const DateTime first = times.front();
    const DateTime last = times.back();
    if (!(last > first)) return outcome;
    ChartView& v = doc.view;
    const double home = v.homeEnd;
    const std::int32_t start = roundIndex((dialog.sDate - first) / (last - first) * home + 1);
    std::int32_t end = roundIndex((dialog.eDate - first) / (last - first) * home);
    // Two times within one sample step would round to a view without width, which the
    // chart cannot draw: the view then spans that one step.
    if (end <= start) end = clampToInt32(std::int64_t{start} + 1);
    v.viewStart = start;
    v.viewEnd = end;
    outcome.redraw = true;
    return outcome;
}

}  // namespace tarvo
