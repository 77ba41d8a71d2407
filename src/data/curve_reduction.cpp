#include "data/curve_reduction.h"

#include <algorithm>
#include <array>
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

void reduceToColumns(std::span<const float> values, std::int32_t first, std::int32_t last,
                     const ColumnMap& map, std::vector<std::int32_t>& kept) {
    first = std::max<std::int32_t>(first, 1);
    if (values.size() < static_cast<std::size_t>(last))
        last = static_cast<std::int32_t>(values.size());
    if (first > last) return;
    const auto value = [&](std::int32_t k) { return values[static_cast<std::size_t>(k - 1)]; };

    std::int32_t firstK = first, minK = first, maxK = first, lastK = first;
    float low = value(first), high = low;
    std::int64_t current = map.column(first);

    const auto flush = [&] {
        std::array<std::int32_t, 4> column{firstK, std::min(minK, maxK), std::max(minK, maxK),
                                           lastK};
        for (const std::int32_t k : column) {
            if (kept.empty() || kept.back() < k) kept.push_back(k);
        }
    };

    for (std::int64_t next = std::int64_t{first} + 1; next <= last; ++next) {
        const auto k = static_cast<std::int32_t>(next);
        const float v = value(k);
        const std::int64_t c = map.column(k);
        if (c != current) {
            flush();
            current = c;
            firstK = minK = maxK = lastK = k;
            low = high = v;
            continue;
        }
        lastK = k;
        if (v < low) {
            low = v;
            minK = k;
        }
        if (v > high) {
            high = v;
            maxK = k;
        }
    }
    flush();
}

}  // namespace tarvo
