#pragma once
// Reduction of a curve to what a plot can show: per pixel column the first, the lowest,
// the highest and the last sample. A polyline through the kept samples covers the same
// pixels as one through every sample (inside a column it spans the same height, and it
// enters and leaves each column at the same samples), yet never holds more than four
// points per column, however many samples the view holds.

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// Which device column a sample index falls into: floor(offset + (k - origin) × columnsPerSample).
// `origin` is the sample index at the plot's left edge, `offset` the left edge's device x
// (its fraction shifts the column boundaries) and `columnsPerSample` the device width of
// one sample step.
struct ColumnMap {
    double origin = 0;
    double offset = 0;
    double columnsPerSample = 1;

    // Column of sample k; a NaN position counts as column 0 and positions beyond ±2^62
    // as the nearer of those, so a degenerate map still yields bounded output.
    std::int64_t column(std::int32_t k) const;
};

// Appends to `kept`, in ascending order and without repeats, the indexes of the samples
// of `values`[first..last] that a polyline needs: per column the first and last sample and
// the first sample holding the column's lowest and highest value. `values` is 1-based in
// the callers' terms (sample k is values[k - 1]); `first` is raised to 1 and `last` lowered
// to the size. The values must be finite: callers split a curve at missing values.
void reduceToColumns(std::span<const float> values, std::int32_t first, std::int32_t last,
                     const ColumnMap& map, std::vector<std::int32_t>& kept);

}  // namespace tarvo
