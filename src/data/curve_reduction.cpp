#include "data/curve_reduction.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tarvo {

std::int64_t ColumnMap::column(std::int32_t k) const {
    constexpr double kLimit = 4.611686018427388e18;  // 2^62
    const double position =
        std::floor(offset + (static_cast<double>(k) - origin) * columnsPerSample);
    if (std::isnan(position)) return 0;
    return static_cast<std::int64_t>(std::clamp(position, -kLimit, kLimit));
}

namespace {

// The last sample index in `from`..`last` that still lies in the column of `from`. The
// column's right boundary gives the estimate; the map itself settles the rounding.
std::int32_t lastInColumn(const ColumnMap& map, std::int32_t from, std::int32_t last) {
    const std::int64_t c = map.column(from);
    const double boundary =
        map.origin + (static_cast<double>(c) + 1 - map.offset) / map.columnsPerSample;
    std::int32_t j = last;
    if (std::isfinite(boundary)) {
        j = static_cast<std::int32_t>(
            std::clamp(std::floor(boundary), static_cast<double>(from), static_cast<double>(last)));
    }
    while (j < last && map.column(j + 1) == c) ++j;
    while (j > from && map.column(j) != c) --j;
    return j;
}

}  // namespace

void reduceToColumns(std::span<const float> values, std::int32_t first, std::int32_t last,
                     const ColumnMap& map, std::vector<std::int32_t>& kept) {
    first = std::max<std::int32_t>(first, 1);
    if (values.size() < static_cast<std::size_t>(last)) {
        last = static_cast<std::int32_t>(values.size());
    }
    if (first > last) return;
    const auto value = [&](std::int32_t k) { return values[static_cast<std::size_t>(k - 1)]; };
    const auto keep = [&](std::int32_t k) {
        if (kept.empty() || kept.back() < k) kept.push_back(k);
    };

    std::int64_t from = first;
    while (from <= last) {
        const auto begin = static_cast<std::int32_t>(from);
        const std::int32_t end = lastInColumn(map, begin, last);
        std::int32_t minK = begin, maxK = begin;
        float low = value(begin), high = low;
        for (std::int32_t k = begin + 1; k <= end; ++k) {
            const float v = value(k);
            if (v < low) {
                low = v;
                minK = k;
            }
            if (v > high) {
                high = v;
                maxK = k;
            }
        }
        keep(begin);
        keep(std::min(minK, maxK));
        keep(std::max(minK, maxK));
        keep(end);
        from = std::int64_t{end} + 1;
    }
}

}  // namespace tarvo
