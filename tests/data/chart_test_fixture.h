#pragma once
// Small loaded documents for the chart tests: one channel record per series, samples
// ten minutes apart from 7 March 2006 09:00.

#include <cstdint>
#include <vector>

#include "core/date_time.h"
#include "data/chart_model.h"
#include "data/history_document.h"

namespace tarvo::testing {

inline const DateTime kChartStart = makeDateTime(2006, 3, 7, 9, 0, 0);
inline const DateTime kChartInterval = makeDuration(0, 10, 0);

inline ChannelRecord chartChannel(std::int16_t channel, std::vector<float> values,
                                  std::int32_t rangeLow = 0, std::int32_t rangeHigh = 100) {
    ChannelRecord r;
    r.channel = channel;
    r.values = std::move(values);
    for (std::size_t k = 0; k < r.values.size(); ++k) {
        r.times.push_back(kChartStart + static_cast<double>(k) * kChartInterval);
    }
    r.rangeLow = rangeLow;
    r.rangeHigh = rangeHigh;
    return r;
}

// A document as it is after loading: home view for a plot `plotPixels` wide, view still 0.
inline HistoryDocument chartDocument(std::vector<ChannelRecord> channels, int plotPixels = 800) {
    HistoryDocument doc;
    doc.channels = std::move(channels);
    doc.loaded = true;
    resetView(doc, plotPixels * kTwipsPerPixel);
    return doc;
}

inline std::vector<float> ramp(int n) {
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) v[static_cast<std::size_t>(k)] = static_cast<float>(k % 100);
    return v;
}

// A screen plot of the given size in pixels at (10, 20).
inline ChartGeometry screenPlot(double width = 800, double height = 400) {
    ChartGeometry g;
    g.plot = {10, 20, width, height};
    g.textHeight = 12;
    return g;
}

}  // namespace tarvo::testing
