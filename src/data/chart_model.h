#pragma once
// The history chart computed without a display: from the document, the plot's place on
// the drawing surface and the chart's switches, the list of lines and texts to draw, in
// device units. The window paints it on the screen and the report on the printer with
// the same arithmetic.
//
// The chart's own space: x is the sample index (the view runs from viewStart at the left
// edge to viewEnd at the right edge), y the plot space 0..1000 (viewBottom at the bottom
// edge, viewTop at the top). Every channel is mapped into the plot space by its own linear
// scale; device units come last, when a primitive is emitted.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/codecs.h"
#include "data/channel_record.h"
#include "data/history_document.h"

namespace tarvo {

enum class ScaleMode {
    Range,    // a channel's measuring range fills the plot space
    Extreme,  // the lowest to the highest sample in view fills it
};

enum class TrendMode {
    Detailed,  // every sample in view is drawn
    Rough,     // about one sample per pixel column
};

// The plot's background when the operator has not chosen one.
inline constexpr Rgb kDefaultChartBackground = rgb(255, 255, 255);
// Title of the colour dialog a double click on the plot opens.
inline constexpr std::string_view kBackgroundColourTitle = "设置背景色";
// Time labels, axis texts: the panel's text colour.
inline constexpr Rgb kChartTextColour = rgb(0, 0, 0);

// The chart's switches; all three check boxes start unchecked. The background belongs
// to the window, not to the document.
struct ChartOptions {
    ScaleMode scale = ScaleMode::Range;     // XPCheckBox1
    bool showAxes = false;                  // XPCheckBox2
    TrendMode trend = TrendMode::Detailed;  // XPCheckBox3
    Rgb background = kDefaultChartBackground;
};

// Captions of the switches in their current state.
std::string_view scaleSwitchCaption(ScaleMode scale);  // "量程坐标" / "极值坐标"
std::string_view axesSwitchCaption(bool showAxes);     // "显示坐标轴" / "隐藏坐标轴"
std::string_view trendSwitchCaption(TrendMode trend);  // "详细走势" / "大致走势"

struct DevicePoint {
    double x = 0;
    double y = 0;
    bool operator==(const DevicePoint&) const = default;
};

struct DeviceRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
    bool operator==(const DeviceRect&) const = default;
};

// A point in the chart's own space: sample index and plot-space height.
struct PlotPoint {
    double x = 0;
    double y = 0;
    bool operator==(const PlotPoint&) const = default;
};

// Where the plot lies on the drawing surface and how large a device unit is. On the
// screen a device unit is a pixel of 15 twips; a printer sets its own size, and the
// arithmetic that counts screen pixels (steps, the right-edge allowance) still counts
// them from the plot's width in twips.
struct ChartGeometry {
    DeviceRect plot;
    double twipsPerUnit = kTwipsPerPixel;
    double textHeight = 12;  // one line of the axis labels' font, device units

    double plotWidthTwips() const { return plot.width * twipsPerUnit; }
    // The plot's width in screen pixels, at least 1 (a collapsed plot still divides).
    double plotWidthPixels() const;
    // Device units of one screen pixel (pen widths are given in screen pixels).
    double unitsPerPixel() const;
};

// The coordinate scale set on the plot by a redraw: left and width along x, top and
// height along y (height is negative: y grows upwards).
struct PlotScale {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    static PlotScale of(const ChartView& view);
    DevicePoint toDevice(const DeviceRect& plot, PlotPoint p) const;
    PlotPoint toPlot(const DeviceRect& plot, DevicePoint p) const;
    bool operator==(const PlotScale&) const = default;
};

// One channel's linear map into the plot space: base lies at homeBottom + 4 and
// base + span at homeTop - 4.
struct ChannelScale {
    double base = 0;
    double span = 0;
    double factor = 0;  // plot units per engineering unit
    double bottom = 0;  // homeBottom

    double y(double value) const { return (value - base) * factor + bottom + 4; }
    // The value whose curve lies at plot height y.
    double valueAt(double y) const;
};

// Range scale: base = rangeLow, span = rangeHigh - rangeLow. Extreme scale: the view's
// minValue and maxValue (the statistics of the last redraw). A span of 0 counts as 10.
ChannelScale channelScale(const ChannelRecord& record, ScaleMode scale, const ChartView& view);

// Heights of an axis' five ticks, bottom to top: the edges and the quarters between.
std::array<double, 5> axisTicks(double bottom, double top);
// The value an axis label shows at plot height y. In extreme scale a value beyond the
// channel's range shows as the range end.
double axisLabelValue(const ChannelRecord& record, ScaleMode scale, const ChannelScale& map,
                      double y);
// A label value as text: rounded to two decimals (halves to even), without trailing zeros.
std::string axisLabelText(double value);

// Samples of the view per screen pixel of the plot.
double samplesPerPixel(const ChartView& view, double plotWidthPixels);
// Sample step of a curve: in the rough trend, when the view holds more samples than the
// plot has pixels, the whole number of samples per pixel; otherwise 1.
std::int32_t curveStep(TrendMode trend, double scaleWidth, double plotWidthPixels);

// Rounds to the nearest integer, halves to even, into the range of an index (NaN gives 0).
std::int32_t roundIndex(double x);

// The scroll bar as a redraw leaves it. `value` is the view's start, kept inside
// minimum..maximum; the window sets all three without taking it for an operator's move.
struct ScrollBarState {
    std::int32_t minimum = 1;
    std::int32_t maximum = 1;
    std::int32_t value = 1;
    bool operator==(const ScrollBarState&) const = default;
};

struct ChartPolyline {
    Rgb colour = 0;
    double width = 1;  // device units
    std::vector<DevicePoint> points;
};

struct ChartText {
    std::string text;
    DevicePoint topLeft;
    Rgb colour = kChartTextColour;
};

// Everything one redraw puts on the surface. `lines` and `labels` lie on the plot and are
// clipped to it (lines first, in order: per shown channel its axis, then its curve);
// `timeLabels` lie on the panel under the plot.
struct ChartScene {
    DeviceRect plot;
    Rgb background = kDefaultChartBackground;
    PlotScale scale;
    ScrollBarState scrollBar;
    std::vector<ChartPolyline> lines;
    std::vector<ChartText> labels;
    std::vector<ChartText> timeLabels;
};

// One redraw of the history chart. Settles the view first: a fresh view takes the home
// view, the view starts at sample 1 at the earliest and ends at most one pixel's worth of
// samples after the last sample. Then the statistics are computed over the view (the
// channel list is rebuilt from them by the caller) and colourless channels take their
// default colour. Returns nothing, and the previous picture stays, when the document is
// not loaded or the view has no width or no height (also after the right-edge limit).
std::optional<ChartScene> redrawChart(HistoryDocument& doc, const ChartGeometry& geometry,
                                      const ChartOptions& options);

}  // namespace tarvo
