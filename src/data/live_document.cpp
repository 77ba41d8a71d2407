#include "data/live_document.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/text_format.h"

namespace tarvo {

namespace {

// Statistics rebuilt over the samples the record holds.
void rebuildStatistics(ChannelRecord& r) {
    r.maxValue = 0;
    r.minValue = 0;
    r.meanValue = 0;
    long count = 0;
    for (float v : r.values) updateRunningStats(v, r.maxValue, r.minValue, r.meanValue, ++count);
}

// The plot-space offset of a curve above the bottom of the plot.
constexpr double kCurveLift = 5;
// Alarm dashes: two samples drawn, one left out.
constexpr double kDashPeriod = 3;
constexpr double kDashLength = 2;

}  // namespace

bool LiveDocument::reSetRealSetting(const LoggerParameters& p) {
    std::vector<ChannelRecord> built;
    for (int c = 0; c < kChannelCount; ++c) {
        if (p.channelStarted(c)) built.push_back(describeChannel(p, c));
    }
    // A logger without a started channel leaves nothing behind: the channels of a
    // former logger must not take this one's answers.
    channels = std::move(built);
    loaded = !channels.empty();
    return loaded;
}

std::optional<LiveSample> LiveDocument::restoreRealData(ByteView frame, DateTime now) {
    if (!loaded) return std::nullopt;
    LiveSample sample;
    sample.time = now;
    const std::vector<float> decoded = decodeLiveFrame(frame, static_cast<int>(channels.size()));
    if (decoded.empty()) return sample;

    // The first channel receives a value from every answer that carries one, so it
    // holds at least as many samples as any other.
    if (channels.front().sampleCount() >= kLiveCapacity) ClearZariva(now);

    sample.values.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        ChannelRecord& r = channels[i];
        // The stored (clamped) value is what the statistics describe, so that a
        // later removal takes out of the mean exactly what went into it.
        const float v = clampToRange(decoded[i], r.rangeLow, r.rangeHigh);
        updateRunningStats(v, r.maxValue, r.minValue, r.meanValue, r.sampleCount() + 1L);
        r.values.push_back(v);
        r.times.push_back(now);
        sample.values.push_back(v);
    }
    return sample;
}

void LiveDocument::ClearZariva(DateTime now) {
    --dumpCountdown;
    if (dumpCountdown < 0) {
        dumpCountdown = kLiveDumpPeriod - 1;
        if (dumpSink_) dumpSink_->dumpRealData(channels, now);
    }
    for (ChannelRecord& r : channels) {
        if (r.values.empty()) continue;
        const float oldest = r.values.front();
        const long held = r.sampleCount();
        r.values.erase(r.values.begin());
        if (!r.times.empty()) r.times.erase(r.times.begin());
        if (oldest == r.maxValue || oldest == r.minValue) {
            rebuildStatistics(r);
        } else {
            removeFromMean(r.meanValue, oldest, held);
        }
    }
}

std::string liveSampleLine(const LiveSample& sample) {
    std::string line = generalDateText(sample.time);
    for (float v : sample.values) {
        line += '\t';
        line += formatNumber(v, NumberFormat::Fixed1Max2);
    }
    return line;
}

std::vector<ChannelListRow> liveChannelListRows(LiveDocument& doc) {
    std::vector<ChannelListRow> rows;
    if (!doc.loaded) return rows;
    rows.reserve(doc.channels.size());
    int position = 0;
    for (ChannelRecord& r : doc.channels) {
        ChannelListRow row = channelRowOf(r, ++position);
        row.maxText = singleText(r.maxValue);
        row.minText = singleText(r.minValue);
        // The mean is held unrounded; the list shows it to one decimal like the values.
        row.meanText = singleText(static_cast<float>(roundHalfEven(r.meanValue, 1)));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::optional<LiveCursorCell>> liveCursorReadout(const LiveDocument& doc, double x) {
    std::vector<std::optional<LiveCursorCell>> cells;
    if (doc.sampleCount() < 1 || std::isnan(x)) return cells;
    for (const ChannelRecord& r : doc.channels) {
        const std::int32_t n = std::min(r.sampleCount(), static_cast<std::int32_t>(r.times.size()));
        if (n < 1) {
            cells.emplace_back();
            continue;
        }
        const auto k = static_cast<std::int32_t>(std::trunc(std::clamp(x, 1.0, double(n))));
        const std::size_t at = static_cast<std::size_t>(k - 1);
        if (!(r.times[at] > 0)) {
            cells.emplace_back();
            continue;
        }
        cells.push_back(LiveCursorCell{singleText(r.values[at]), generalDateText(r.times[at]),
                                       std::to_string(k), k});
    }
    return cells;
}

ChartView liveChartView() {
    ChartView v;
    v.viewStart = 1;
    v.viewEnd = kLiveCapacity;
    v.viewTop = 1000;
    v.viewBottom = 0;
    return v;
}

double liveCurveY(const ChannelRecord& record, double factor, double value) {
    return (value - record.rangeLow) * factor + liveChartView().viewBottom + kCurveLift;
}

std::optional<LiveChartScene> liveChartScene(LiveDocument& doc, const DeviceRect& plot) {
    if (!doc.loaded) return std::nullopt;
    const ChartView view = liveChartView();
    LiveChartScene scene;
    scene.plot = plot;
    scene.scale = PlotScale::of(view);
    const auto point = [&](double x, double y) {
        return scene.scale.toDevice(plot, PlotPoint{x, y});
    };

    // A channel whose range has no width keeps the previous channel's factor.
    double factor = 0;
    int position = 0;
    for (ChannelRecord& r : doc.channels) {
        ++position;
        if (!r.visible) continue;
        if (r.rangeHigh != r.rangeLow) {
            factor = (static_cast<double>(view.viewTop) - view.viewBottom) /
                     (static_cast<double>(r.rangeHigh) - r.rangeLow);
        }
        const Rgb colour = defaultCurveColor(r.color, position);

        for (const float limit : {r.alarmHigh, r.alarmLow}) {
            const double y = liveCurveY(r, factor, limit);
            for (double x = 0; x <= view.viewEnd; x += kDashPeriod) {
                scene.lines.push_back({colour, 1, {point(x, y), point(x + kDashLength, y)}});
            }
        }

        // The curve is broken where a sample has no time.
        ChartPolyline curve{colour, 1, {}};
        const std::size_t n = std::min(r.values.size(), r.times.size());
        for (std::size_t k = 0; k < n; ++k) {
            if (!(r.times[k] > 0)) {
                if (curve.points.size() > 1) scene.lines.push_back(curve);
                curve.points.clear();
                continue;
            }
            curve.points.push_back(
                point(static_cast<double>(k + 1), liveCurveY(r, factor, r.values[k])));
        }
        if (curve.points.size() > 1) scene.lines.push_back(std::move(curve));
    }

    scene.topLabel = std::to_string(static_cast<long long>(std::trunc(view.viewTop)));
    scene.bottomLabel = std::to_string(static_cast<long long>(std::trunc(view.viewBottom)));
    return scene;
}

}  // namespace tarvo
