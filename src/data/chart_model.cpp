#include "data/chart_model.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <limits>
#include <span>
#include <vector>

#include "core/date_time.h"
#include "core/parallel.h"
#include "core/text_format.h"
#include "data/curve_reduction.h"

namespace tarvo {

namespace {

// Plot units between the home view's edges and a channel's scale ends.
constexpr double kScaleMargin = 4;
// A span of 0 (all samples equal, or a range of one value) is drawn as this span.
constexpr double kFlatSpan = 10;
// Axes sit at i fifteenths of the plot width; a tick is a fifth of that long.
constexpr double kAxisSpacing = 15;
constexpr double kTickLength = 0.2;
constexpr double kAxisLabelGapTwips = 30;
constexpr double kTimeLabelTwipsPerCharacter = 75;
// Device coordinates are held within this distance of the plot: a value far outside a
// channel's range must not hand the painter a coordinate it overflows on.
constexpr double kFarOutside = 1e6;

std::int32_t clampToInt32(double x) {
    if (std::isnan(x)) return 0;
    return static_cast<std::int32_t>(
        std::clamp(x, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                   static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// What one channel adds to the scene: its axis with its labels, and its curve.
struct ChannelPart {
    std::vector<ChartPolyline> lines;
    std::vector<ChartText> labels;
};

class SceneBuilder {
  public:
    SceneBuilder(HistoryDocument& doc, const ChartGeometry& geometry,
                 const ChartOptions& options, ChartScene& scene)
        : doc_(doc), geometry_(geometry), options_(options), scene_(scene) {}

    // Touches only `record`, its entry of the chart cache (which must exist) and `part`,
    // so the channels can be made side by side.
    void channel(ChannelRecord& record, int position, ChannelPart& part) const {
        const Rgb colour = defaultCurveColor(record.color, position);
        const ChannelScale map = channelScale(record, options_.scale, doc_.view);
        if (options_.showAxes) axis(record, position, map, colour, part);
        curve(record, doc_.chartCache.curve(static_cast<std::size_t>(position - 1), record.values),
              map, colour, part);
    }

    void timeLabels() {
        if (doc_.channels.empty()) return;
        const std::vector<DateTime>& times = doc_.channels.front().times;
        if (times.empty()) return;
        const PlotScale& s = scene_.scale;
        const DeviceRect& plot = geometry_.plot;
        const auto timeAt = [&](double x) {
            const double k = std::clamp(std::floor(x), 1.0, static_cast<double>(times.size()));
            return generalDateText(times[static_cast<std::size_t>(k) - 1]);
        };
        std::string first = timeAt(s.left);
        std::string last = timeAt(s.left + s.width - 1);
        const double lastLeft = plot.right() - kTimeLabelTwipsPerCharacter /
                                                   geometry_.twipsPerUnit *
                                                   static_cast<double>(characterCount(last));
        scene_.timeLabels.push_back({std::move(first), {plot.left, plot.bottom()}});
        scene_.timeLabels.push_back({std::move(last), {lastLeft, plot.bottom()}});
    }

  private:
    DevicePoint device(double x, double y) const {
        const DeviceRect& plot = geometry_.plot;
        DevicePoint p = scene_.scale.toDevice(plot, {x, y});
        p.x = std::clamp(p.x, plot.left - kFarOutside, plot.right() + kFarOutside);
        p.y = std::clamp(p.y, plot.top - kFarOutside, plot.bottom() + kFarOutside);
        return p;
    }

    void line(Rgb colour, double widthPixels, std::vector<DevicePoint> points,
              ChannelPart& part) const {
        part.lines.push_back({colour, widthPixels * geometry_.unitsPerPixel(), std::move(points)});
    }

    void axis(const ChannelRecord& record, int position, const ChannelScale& map, Rgb colour,
              ChannelPart& part) const {
        const ChartView& v = doc_.view;
        const PlotScale& s = scene_.scale;
        const double x = s.left + position * s.width / kAxisSpacing;
        const double tick = kTickLength * s.width / kAxisSpacing;
        line(colour, 2, {device(x, v.viewTop), device(x, v.viewBottom)}, part);
        for (const double y : axisTicks(v.viewBottom, v.viewTop)) {
            const DevicePoint at = device(x, y);
            line(colour, 2, {at, device(x + tick, y)}, part);
            const double labelLeft = at.x + kAxisLabelGapTwips / geometry_.twipsPerUnit;
            const bool fitsBelow = at.y + geometry_.textHeight <= geometry_.plot.bottom();
            const double labelTop = fitsBelow ? at.y : at.y - geometry_.textHeight;
            part.labels.push_back({axisLabelText(axisLabelValue(record, options_.scale, map, y)),
                                   {labelLeft, labelTop},
                                   colour});
        }
    }

    // Polylines through the samples from..to that the trend draws, broken where a sample
    // is missing (not a finite number): a segment needs both its ends.
    void curve(const ChannelRecord& record, CurveIndex& index, const ChannelScale& map,
               Rgb colour, ChannelPart& part) const {
        const ChartView& v = doc_.view;
        const std::int64_t n = record.sampleCount();
        const std::int64_t from = std::max<std::int64_t>(v.viewStart, 1);
        const std::int64_t to = std::min<std::int64_t>(v.viewEnd, n);
        if (to <= from) return;
        const std::span<const float> values(record.values);
        const auto finite = [&](std::int64_t k) {
            return std::isfinite(values[static_cast<std::size_t>(k - 1)]);
        };
        const auto point = [&](std::int32_t k) {
            return device(k, map.y(values[static_cast<std::size_t>(k - 1)]));
        };
        const std::int32_t step =
            curveStep(options_.trend, scene_.scale.width, geometry_.plotWidthPixels());

        if (step > 1) {
            std::vector<DevicePoint> run;
            for (std::int64_t k = from; k <= to; k += step) {
                if (!finite(k)) {
                    flush(colour, run, part);
                    continue;
                }
                run.push_back(point(static_cast<std::int32_t>(k)));
            }
            flush(colour, run, part);
            return;
        }

        const DeviceRect& plot = geometry_.plot;
        const ReductionKey key{static_cast<std::int32_t>(from), static_cast<std::int32_t>(to),
                               {scene_.scale.left, plot.left, plot.width / scene_.scale.width}};
        if (!index.reduced || !(index.reduction == key)) reduce(values, index, key);
        std::size_t begin = 0;
        for (const std::size_t end : index.runEnds) {
            std::vector<DevicePoint> run;
            run.reserve(end - begin);
            for (std::size_t i = begin; i < end; ++i) run.push_back(point(index.kept[i]));
            flush(colour, run, part);
            begin = end;
        }
    }

    // The kept samples of every run of at least two finite samples in key.from..key.to.
    static void reduce(std::span<const float> values, CurveIndex& index, const ReductionKey& key) {
        index.kept.clear();
        index.runEnds.clear();
        auto gap = std::lower_bound(index.missing.begin(), index.missing.end(), key.from);
        std::int64_t k = key.from;
        while (k <= key.to) {
            const bool gapInView = gap != index.missing.end() && *gap <= key.to;
            const std::int64_t runEnd = gapInView ? std::int64_t{*gap} - 1 : key.to;
            if (runEnd - k + 1 >= 2) {
                reduceToColumns(index.pyramid, values, static_cast<std::int32_t>(k),
                                static_cast<std::int32_t>(runEnd), key.map, index.kept);
                index.runEnds.push_back(index.kept.size());
            }
            if (!gapInView) break;
            k = std::int64_t{*gap} + 1;
            ++gap;
        }
        index.reduction = key;
        index.reduced = true;
    }

    void flush(Rgb colour, std::vector<DevicePoint>& run, ChannelPart& part) const {
        if (run.size() >= 2) line(colour, 1, std::move(run), part);
        run.clear();
    }

    HistoryDocument& doc_;
    const ChartGeometry& geometry_;
    const ChartOptions& options_;
    ChartScene& scene_;
};

// rangeMax and rangeMin of samples from..to: from the pyramid where none of them is
// missing (the pyramid picks what the scan would), by the scan otherwise.
void extremesOfView(std::span<const float> series, const CurveIndex& index, long from, long to,
                    float& max, float& min) {
    const long first = std::max(from, 1L);
    const long last = std::min(to, static_cast<long>(series.size()));
    const auto gap = std::lower_bound(index.missing.begin(), index.missing.end(), first);
    if (first > last || (gap != index.missing.end() && *gap <= last)) {
        max = rangeMax(series, from, to);
        min = rangeMin(series, from, to);
        return;
    }
    const Extremes e = index.pyramid.extremes(series, static_cast<std::int32_t>(first),
                                              static_cast<std::int32_t>(last));
    max = e.high;
    min = e.low;
}

// recomputeStatistics, kept per record for the view it was last made for.
void statisticsOfView(HistoryDocument& doc) {
    const ChartView& v = doc.view;
    std::vector<std::size_t> stale;
    std::vector<std::span<const float>> series;
    for (std::size_t i = 0; i < doc.channels.size(); ++i) {
        const ChannelRecord& r = doc.channels[i];
        const CurveIndex& index = doc.chartCache.curve(i, r.values);
        if (!index.measured || index.measuredStart != v.viewStart ||
            index.measuredEnd != v.viewEnd) {
            stale.push_back(i);
            series.emplace_back(r.values);
        }
    }
    // Stale channels four at a time, the groups side by side (every cache entry exists).
    constexpr std::size_t kGroup = 4;
    std::vector<float> means(stale.size());
    forEachInParallel((stale.size() + kGroup - 1) / kGroup, [&](std::size_t group) {
        const std::size_t first = group * kGroup;
        const std::size_t count = std::min(kGroup, stale.size() - first);
        rangeMeans(std::span(series).subspan(first, count), v.viewStart, v.viewEnd,
                   std::span(means).subspan(first, count));
        for (std::size_t s = first; s < first + count; ++s) {
            CurveIndex& index = doc.chartCache.curve(stale[s], series[s]);
            extremesOfView(series[s], index, v.viewStart, v.viewEnd, index.maxValue,
                           index.minValue);
            index.meanValue = means[s];
            index.measuredStart = v.viewStart;
            index.measuredEnd = v.viewEnd;
            index.measured = true;
        }
    });
    for (std::size_t i = 0; i < doc.channels.size(); ++i) {
        ChannelRecord& r = doc.channels[i];
        const CurveIndex& index = doc.chartCache.curve(i, r.values);
        r.maxValue = index.maxValue;
        r.minValue = index.minValue;
        r.meanValue = index.meanValue;
    }
}

}  // namespace

std::string_view scaleSwitchCaption(ScaleMode scale) {
    return scale == ScaleMode::Range ? "量程坐标" : "极值坐标";
}

std::string_view axesSwitchCaption(bool showAxes) {
    return showAxes ? "隐藏坐标轴" : "显示坐标轴";
}

std::string_view trendSwitchCaption(TrendMode trend) {
    return trend == TrendMode::Detailed ? "详细走势" : "大致走势";
}

double ChartGeometry::plotWidthPixels() const {
    const double pixels = plotWidthTwips() / kTwipsPerPixel;
    return pixels >= 1 ? pixels : 1;
}

double ChartGeometry::unitsPerPixel() const {
    return twipsPerUnit > 0 ? kTwipsPerPixel / twipsPerUnit : 1;
}

PlotScale PlotScale::of(const ChartView& view) {
    return {static_cast<double>(view.viewStart), view.viewTop,
            static_cast<double>(view.viewEnd) - view.viewStart,
            static_cast<double>(view.viewBottom) - view.viewTop};
}

DevicePoint PlotScale::toDevice(const DeviceRect& plot, PlotPoint p) const {
    return {plot.left + (p.x - left) / width * plot.width,
            plot.top + (p.y - top) / height * plot.height};
}

PlotPoint PlotScale::toPlot(const DeviceRect& plot, DevicePoint p) const {
    return {left + (p.x - plot.left) / plot.width * width,
            top + (p.y - plot.top) / plot.height * height};
}

double ChannelScale::valueAt(double y) const {
    if (factor == 0 || !std::isfinite(factor)) return base;
    return (y - bottom - kScaleMargin) / factor + base;
}

ChannelScale channelScale(const ChannelRecord& record, ScaleMode scale, const ChartView& view) {
    ChannelScale s;
    if (scale == ScaleMode::Range) {
        s.base = record.rangeLow;
        s.span = static_cast<double>(record.rangeHigh) - record.rangeLow;
    } else {
        s.base = record.minValue;
        s.span = static_cast<double>(record.maxValue) - record.minValue;
    }
    const double height = static_cast<double>(view.homeTop) - view.homeBottom - 2 * kScaleMargin;
    s.factor = height / (s.span != 0 && std::isfinite(s.span) ? s.span : kFlatSpan);
    s.bottom = view.homeBottom;
    return s;
}

std::array<double, 5> axisTicks(double bottom, double top) {
    std::array<double, 5> ticks{};
    for (std::size_t j = 0; j < ticks.size(); ++j) {
        ticks[j] = bottom + (top - bottom) * static_cast<double>(j) / 4;
    }
    ticks.back() = top;
    return ticks;
}

double axisLabelValue(const ChannelRecord& record, ScaleMode scale, const ChannelScale& map,
                      double y) {
    const double value = map.valueAt(y);
    if (scale == ScaleMode::Extreme) {
        if (value > record.rangeHigh) return record.rangeHigh;
        if (value < record.rangeLow) return record.rangeLow;
    }
    return value;
}

std::string axisLabelText(double value) {
    if (!std::isfinite(value)) return formatNumber(value, NumberFormat::Fixed2);
    double rounded = roundHalfEven(value, 2);
    if (!std::isfinite(rounded)) rounded = value;
    const int size = std::snprintf(nullptr, 0, "%.2f", rounded);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.2f", rounded);
    const auto point = text.find('.');
    if (point != std::string::npos) {
        const auto last = text.find_last_not_of('0');
        text.erase(last == point ? point : last + 1);
    }
    if (text == "-0") text = "0";
    return text;
}

double samplesPerPixel(const ChartView& view, double plotWidthPixels) {
    return (static_cast<double>(view.viewEnd) - view.viewStart) / plotWidthPixels;
}

std::int32_t curveStep(TrendMode trend, double scaleWidth, double plotWidthPixels) {
    if (trend != TrendMode::Rough || !(plotWidthPixels < scaleWidth)) return 1;
    return std::max<std::int32_t>(clampToInt32(std::floor(scaleWidth / plotWidthPixels)), 1);
}

std::int32_t roundIndex(double x) {
    return clampToInt32(roundHalfEven(x));
}

std::optional<ChartScene> redrawChart(HistoryDocument& doc, const ChartGeometry& geometry,
                                      const ChartOptions& options) {
    if (!doc.loaded) return std::nullopt;
    applyHomeViewWhenEmpty(doc);
    ChartView& v = doc.view;
    v.viewStart = std::max<std::int32_t>(v.viewStart, 1);
    if (v.viewStart == v.viewEnd || v.viewTop == v.viewBottom) return std::nullopt;

    // The view may reach one pixel's worth of samples past the last sample.
    const double pixels = geometry.plotWidthPixels();
    const std::int64_t n = doc.sampleCount();
    const std::int64_t allowance = roundIndex(samplesPerPixel(v, pixels));
    if (n + allowance < v.viewEnd) v.viewEnd = clampToInt32(static_cast<double>(n + allowance));
    // A view beyond the data may have lost its width to that limit: there is no scale
    // to draw on, and the previous picture stays.
    if (v.viewEnd <= v.viewStart) return std::nullopt;

    statisticsOfView(doc);

    ChartScene scene;
    scene.plot = geometry.plot;
    scene.background = options.background;
    scene.scale = PlotScale::of(v);

    const double width = scene.scale.width;
    const double maximum = roundHalfEven(width / pixels) + static_cast<double>(n) - width;
    scene.scrollBar.minimum = 1;
    scene.scrollBar.maximum = maximum > 1 ? clampToInt32(maximum) : 1;
    scene.scrollBar.value = std::clamp<std::int32_t>(v.viewStart, 1, scene.scrollBar.maximum);

    // The channels are made side by side, each into its own part, and joined in order.
    SceneBuilder builder(doc, geometry, options, scene);
    std::vector<ChannelPart> parts(doc.channels.size());
    forEachInParallel(doc.channels.size(), [&](std::size_t i) {
        ChannelRecord& record = doc.channels[i];
        if (record.visible) builder.channel(record, static_cast<int>(i) + 1, parts[i]);
    });
    for (ChannelPart& part : parts) {
        std::move(part.lines.begin(), part.lines.end(), std::back_inserter(scene.lines));
        std::move(part.labels.begin(), part.labels.end(), std::back_inserter(scene.labels));
    }
    builder.timeLabels();
    return scene;
}

}  // namespace tarvo
