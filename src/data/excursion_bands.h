#pragma once
// The history chart's excursion bands: where a shown channel lies beyond an alarm limit
// that applies, a light band in the channel's colour behind its curve, across the
// excursion's samples and from the limit to the plot's edge on that side.

#include <vector>

#include "core/codecs.h"
#include "data/chart_model.h"
#include "data/history_document.h"

namespace tarvo {

struct ChartBand {
    Rgb colour = 0;  // the channel's; the painter lightens it
    DeviceRect rect;
    bool operator==(const ChartBand&) const = default;
};

// The bands of the view a redraw just drew as `scene` (the document's view and colours
// as that redraw left them). An excursion spans from its first sample to the first
// sample after it (one sample more at the end of the view); bands of one channel and
// side that touch are merged, so a noisy series gives at most about one band a pixel.
// Clipped to the plot.
std::vector<ChartBand> excursionBands(const HistoryDocument& doc, const ChartScene& scene,
                                      ScaleMode scale);

}  // namespace tarvo
