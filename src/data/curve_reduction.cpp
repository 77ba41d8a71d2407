#include "data/curve_reduction.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

namespace tarvo {

std::int64_t ColumnMap::column(std::int32_t k) const {
    constexpr double kLimit = 4.611686018427388e18;  // 2^62
    const double position = offset + (static_cast<double>(k) - origin) * columnsPerSample;
    if (std::isnan(position)) return 0;
    if (position <= -kLimit) return -static_cast<std::int64_t>(kLimit);
    if (position >= kLimit) return static_cast<std::int64_t>(kLimit);
    // The floor, without a call into the maths library: within ±2^62 the truncation is
    // exact, and one step down mends it for negative fractions.
    const auto truncated = static_cast<std::int64_t>(position);
    return truncated - (position < static_cast<double>(truncated) ? 1 : 0);
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

// Extremes of samples first..last by a scan, the first sample holding each.
Extremes scanExtremes(std::span<const float> values, std::int32_t first, std::int32_t last) {
    Extremes e;
    e.low = e.high = values[static_cast<std::size_t>(first - 1)];
    e.lowAt = e.highAt = first;
    for (std::int32_t k = first + 1; k <= last; ++k) {
        const float v = values[static_cast<std::size_t>(k - 1)];
        if (v < e.low) {
            e.low = v;
            e.lowAt = k;
        }
        if (v > e.high) {
            e.high = v;
            e.highAt = k;
        }
    }
    return e;
}

// Folds the extremes of a later stretch into those of an earlier one: a tie keeps the
// earlier sample.
void fold(Extremes& into, const Extremes& later) {
    if (later.low < into.low) {
        into.low = later.low;
        into.lowAt = later.lowAt;
    }
    if (later.high > into.high) {
        into.high = later.high;
        into.highAt = later.highAt;
    }
}

// Up to about this many samples to a column, the walk looks at every sample's column.
constexpr double kFewSamplesPerColumn = 1.0 / 8;

// The column walk shared by both reductions; `extremesOf(begin, end)` gives a column's.
template <typename ExtremesOf>
void walkColumns(std::span<const float> values, std::int32_t first, std::int32_t last,
                 const ColumnMap& map, std::vector<std::int32_t>& kept, ExtremesOf extremesOf) {
    first = std::max<std::int32_t>(first, 1);
    if (values.size() < static_cast<std::size_t>(last)) {
        last = static_cast<std::int32_t>(values.size());
    }
    if (first > last) return;
    const auto keep = [&](std::int32_t k) {
        if (kept.empty() || kept.back() < k) kept.push_back(k);
    };

    const auto column = [&](std::int32_t begin, std::int32_t end) {
        const Extremes e = extremesOf(begin, end);
        keep(begin);
        keep(std::min(e.lowAt, e.highAt));
        keep(std::max(e.lowAt, e.highAt));
        keep(end);
    };

    // Where a column holds a few samples, one pass over them finds where each column
    // ends: a map that grows with the sample index puts each column's samples next to
    // each other, as the boundary estimate below does.
    if (map.columnsPerSample >= kFewSamplesPerColumn && std::isfinite(map.columnsPerSample)) {
        std::int32_t begin = first;
        std::int64_t current = map.column(first);
        for (std::int32_t k = first + 1; k <= last; ++k) {
            const std::int64_t next = map.column(k);
            if (next == current) continue;
            column(begin, k - 1);
            begin = k;
            current = next;
        }
        column(begin, last);
        return;
    }

    // Columns of many samples under a map that grows with the sample index: every
    // column from the first sample's to the last's holds samples, and each one's last
    // sample is found from its own right boundary, so the columns do not wait on each
    // other's results.
    if (map.columnsPerSample > 0) {  // and below kFewSamplesPerColumn
        const double samplesPerColumn = 1 / map.columnsPerSample;
        const std::int64_t lastColumn = map.column(last);
        std::int32_t begin = first;
        for (std::int64_t c = map.column(first); c < lastColumn && begin < last; ++c) {
            const double boundary =
                map.origin + (static_cast<double>(c) + 1 - map.offset) * samplesPerColumn;
            // The estimate kept within begin..last (where truncation is the floor).
            std::int32_t end = boundary >= last ? last
                               : boundary > begin ? static_cast<std::int32_t>(boundary)
                                                  : begin;
            while (end < last && map.column(end + 1) <= c) ++end;
            while (end > begin && map.column(end) > c) --end;
            column(begin, end);
            begin = end + 1;
        }
        if (begin <= last) column(begin, last);
        return;
    }

    std::int64_t from = first;
    while (from <= last) {
        const auto begin = static_cast<std::int32_t>(from);
        const std::int32_t end = lastInColumn(map, begin, last);
        column(begin, end);
        from = std::int64_t{end} + 1;
    }
}

// Below this many samples a column is scanned: the pyramid would not save anything.
constexpr std::int32_t kScanBelow = 16;

}  // namespace

void reduceToColumns(std::span<const float> values, std::int32_t first, std::int32_t last,
                     const ColumnMap& map, std::vector<std::int32_t>& kept) {
    walkColumns(values, first, last, map, kept, [&](std::int32_t begin, std::int32_t end) {
        return scanExtremes(values, begin, end);
    });
}

void reduceToColumns(const MinMaxPyramid& pyramid, std::span<const float> values,
                     std::int32_t first, std::int32_t last, const ColumnMap& map,
                     std::vector<std::int32_t>& kept) {
    walkColumns(values, first, last, map, kept, [&](std::int32_t begin, std::int32_t end) {
        if (end - begin < kScanBelow) return scanExtremes(values, begin, end);
        return pyramid.extremes(values, begin, end);
    });
}

void MinMaxPyramid::rebuild(std::span<const float> values) {
    levels_.clear();
    size_ = 0;
    extend(values, 0);
}

void MinMaxPyramid::append(std::span<const float> values) {
    if (values.size() > size_) extend(values, size_);
}

void MinMaxPyramid::extend(std::span<const float> values, std::size_t from) {
    size_ = values.size();
    for (std::size_t l = 0;; ++l) {
        const std::size_t block = std::size_t{4} << l;
        if (block > size_) break;
        std::size_t firstBlock = from / block;  // the last block held may have grown
        if (levels_.size() <= l) {
            levels_.emplace_back();
            firstBlock = 0;
        }
        std::vector<Extremes>& level = levels_[l];
        const std::size_t blocks = (size_ + block - 1) / block;
        level.resize(blocks);
        for (std::size_t b = firstBlock; b < blocks; ++b) {
            if (l == 0) {
                const auto begin = static_cast<std::int32_t>(b * block + 1);
                const auto end = static_cast<std::int32_t>(std::min(b * block + block, size_));
                level[b] = scanExtremes(values, begin, end);
            } else {
                const std::vector<Extremes>& below = levels_[l - 1];
                level[b] = below[2 * b];
                if (2 * b + 1 < below.size()) fold(level[b], below[2 * b + 1]);
            }
        }
    }
}

Extremes MinMaxPyramid::extremes(std::span<const float> values, std::int32_t first,
                                 std::int32_t last) const {
    Extremes e;
    e.low = e.high = values[static_cast<std::size_t>(first - 1)];
    e.lowAt = e.highAt = first;
    const int top = static_cast<int>(levels_.size()) - 1;
    std::int32_t k = first;
    while (k <= last) {
        // The coarsest block that starts at k and ends by last, if any.
        const auto offset = static_cast<std::uint32_t>(k - 1);
        const auto remaining = static_cast<std::uint32_t>(last - k + 1);
        const int aligned = offset == 0 ? 31 : std::countr_zero(offset);
        const int fits = std::bit_width(remaining) - 1;
        const int l = std::min(std::min(aligned, fits) - 2, top);
        const std::size_t block = l >= 0 ? std::size_t{4} << l : 1;
        if (l < 0 || offset + block > size_) {
            const float v = values[offset];
            fold(e, Extremes{v, v, k, k});
            ++k;
            continue;
        }
        fold(e, levels_[static_cast<std::size_t>(l)][offset >> (l + 2)]);
        k += static_cast<std::int32_t>(block);
    }
    return e;
}

}  // namespace tarvo
