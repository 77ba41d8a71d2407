#pragma once
// Navigating the history chart: the mouse modes of the plot (show data with a cursor
// line and read-out, drag, rubber-band zoom, home on a right click in zoom mode), the
// scroll bar and the precise zoom by a time range. Each event takes the document and the
// chart's surface state and says what follows: a redraw when the view changed, the
// channel list's read-out cells when the cursor moved over a sample.
//
// Mouse positions are in the plot's own coordinates (sample index, plot space), converted
// by the caller with the scale of the last redraw (PlotScale::toPlot).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/messenger.h"
#include "data/chart_model.h"
#include "data/history_document.h"

namespace tarvo {

// Values of the document's mouseMode (there is no mode 3).
enum class MouseMode : std::int32_t {
    ShowData = 0,
    Drag = 1,
    Zoom = 2,
    AlarmPart = 4,   // the cross pointer; the chart shows the excursion bands
    MoveToTime = 5,  // selects the cross pointer; nothing else is attached to it
};

enum class MousePointer { Cross, OpenHand, GrabbingHand, Magnifier, MagnifierPressed };
enum class MouseButton { Left, Right, Other };

// The mode buttons by index; button 3 opens the precise zoom and keeps the mode.
inline constexpr std::array<std::string_view, 6> kModeButtonCaptions{
    "显示数据", "拖动", "缩放", "精确缩放", "显示报警部分", "移动到时间"};
inline constexpr int kPreciseZoomButton = 3;

// The rubber band in plot coordinates: `top` is its upper (larger) y, `height` ≥ 0 goes
// down from there.
struct RubberBand {
    bool visible = false;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const RubberBand&) const = default;
};

// What the chart keeps beside the document's view: the scale and scroll bar of the last
// redraw that drew, and the overlays (cursor line, rubber band), pointer and tool tip.
struct ChartSurface {
    PlotScale scale;
    ScrollBarState scrollBar;
    bool cursorVisible = false;
    double cursorX = 0;
    RubberBand band;
    MousePointer pointer = MousePointer::Cross;
    std::string toolTip;

    // Takes the scale and scroll bar a redraw set.
    void take(const ChartScene& scene) {
        scale = scene.scale;
        scrollBar = scene.scrollBar;
    }
};

// The channel list cells the cursor fills: "选定值", "记录时间" and "编号".
struct ReadOut {
    std::string selectedValue;
    std::string recordTime;
    std::string index;
    bool operator==(const ReadOut&) const = default;
};

struct NavigationOutcome {
    bool redraw = false;           // the view changed: redraw the chart
    std::vector<ReadOut> readOut;  // one per channel record when the read-out changed
    bool openPreciseZoom = false;  // the precise zoom button was pressed
};

MousePointer pointerFor(MouseMode mode);

NavigationOutcome pressModeButton(HistoryDocument& doc, ChartSurface& surface, int index);
NavigationOutcome mouseDown(HistoryDocument& doc, ChartSurface& surface, MouseButton button,
                            PlotPoint at);
NavigationOutcome mouseMove(HistoryDocument& doc, ChartSurface& surface, bool leftDown,
                            PlotPoint at);
NavigationOutcome mouseUp(HistoryDocument& doc, ChartSurface& surface, MouseButton button,
                          PlotPoint at);
// The operator moved the scroll bar to `value`: the view keeps its width and starts there.
NavigationOutcome scrollTo(HistoryDocument& doc, ChartSurface& surface, std::int32_t value);

// The cursor line (top to bottom of the plot) and the rubber band's outline, in device
// units, when they are shown.
std::vector<ChartPolyline> overlayLines(const ChartSurface& surface, const DeviceRect& plot);

// The precise zoom dialog (dlgResizeByDate).
inline constexpr std::string_view kPreciseZoomTitle = "精确缩放";
inline constexpr std::string_view kPreciseZoomPrompt = "请输入时间段...";
inline constexpr std::string_view kPreciseZoomFromLabel = "从";
inline constexpr std::string_view kPreciseZoomToLabel = "到";
inline constexpr std::string_view kPreciseZoomOrderMessage = "起始时间必须小于终止时间";

struct PreciseZoomDialog {
    DateTime minDate = 0;  // the first and last sample's time
    DateTime maxDate = 0;
    DateTime sDate = 0;  // "从"
    DateTime eDate = 0;  // "到"
    bool ok = false;
};

// The dialog as it opens: bounded by the recording's first and last time, showing the
// times of the view's first and last sample. Nothing when the document holds no sample.
std::optional<PreciseZoomDialog> preciseZoomDialog(const HistoryDocument& doc);
// OK with the pickers' values. A "to" before the "from" is refused with the message to
// show, and the dialog stays open; otherwise the values are taken, each brought inside
// the bounds, and the dialog closes with its OK flag set.
std::optional<Message> confirmPreciseZoom(PreciseZoomDialog& dialog, DateTime from, DateTime to);
void cancelPreciseZoom(PreciseZoomDialog& dialog);
// After the dialog: an accepted range with "from" before "to" becomes the horizontal
// view (the vertical view stays); anything else changes nothing.
NavigationOutcome applyPreciseZoom(HistoryDocument& doc, const PreciseZoomDialog& dialog);

}  // namespace tarvo
