#include "data/chart_cache.h"

#include <cmath>

namespace tarvo {

namespace {

void noteMissing(CurveIndex& index, std::span<const float> values, std::size_t from) {
    for (std::size_t i = from; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) index.missing.push_back(static_cast<std::int32_t>(i + 1));
    }
}

}  // namespace

void ChartCache::build(std::span<const ChannelRecord> channels) {
    curves_.clear();
    for (std::size_t i = 0; i < channels.size(); ++i) curve(i, channels[i].values);
}

CurveIndex& ChartCache::curve(std::size_t position, std::span<const float> values) {
    if (curves_.size() <= position) curves_.resize(position + 1);
    CurveIndex& index = curves_[position];
    if (index.samples == values.data() && index.count == values.size()) return index;

    const bool grown = index.samples == values.data() && index.count < values.size();
    const std::size_t held = grown ? index.count : 0;
    if (grown) {
        index.pyramid.append(values);
    } else {
        index.pyramid.rebuild(values);
        index.missing.clear();
    }
    noteMissing(index, values, held);
    index.samples = values.data();
    index.count = values.size();
    index.reduced = false;
    index.measured = false;
    return index;
}

}  // namespace tarvo
