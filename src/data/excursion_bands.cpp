#include "data/excursion_bands.h"

#include <algorithm>

#include "data/channel_summary.h"

namespace tarvo {

std::vector<ChartBand> excursionBands(const HistoryDocument& doc, const ChartScene& scene,
                                      ScaleMode scale) {
    std::vector<ChartBand> bands;
    if (!doc.loaded) return bands;
    const DeviceRect& plot = scene.plot;
    const auto device = [&](double x, double y) { return scene.scale.toDevice(plot, {x, y}); };
    for (const ChannelRecord& record : doc.channels) {
        if (!record.visible) continue;
        const ChannelScale map = channelScale(record, scale, doc.view);
        const double highY = device(0, map.y(record.alarmHigh)).y;
        const double lowY = device(0, map.y(record.alarmLow)).y;
        const std::size_t firstOfChannel = bands.size();
        bool lastAbove = false;
        for (const ExcursionRun& run :
             excursionRuns(record, doc.view.viewStart, doc.view.viewEnd)) {
            const double left = std::max(device(static_cast<double>(run.first), 0).x, plot.left);
            const double right = std::min(device(static_cast<double>(run.end), 0).x, plot.right());
            // Above: from the top edge down to the high limit; below: from the low limit down.
            const double top = run.above ? plot.top : std::max(lowY, plot.top);
            const double bottom = run.above ? std::min(highY, plot.bottom()) : plot.bottom();
            if (!(right > left && bottom > top)) continue;
            if (bands.size() > firstOfChannel && lastAbove == run.above &&
                left <= bands.back().rect.right() + 1) {
                DeviceRect& last = bands.back().rect;
                last.width = std::max(last.right(), right) - last.left;
                continue;
            }
            bands.push_back({record.color, {left, top, right - left, bottom - top}});
            lastAbove = run.above;
        }
    }
    return bands;
}

}  // namespace tarvo
