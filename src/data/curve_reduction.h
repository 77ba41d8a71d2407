#pragma once
// Reduction of a curve to what a plot can show: per pixel column the first, the lowest,
// the highest and the last sample. A polyline through the kept samples covers the same
// pixels as one through every sample (inside a column it spans the same height, and it
// enters and leaves each column at the same samples), yet never holds more than four
// points per column, however many samples the view holds.

#include <cstddef>
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

// The lowest and highest value of a stretch of samples and the first sample holding
// each (1-based indexes).
struct Extremes {
    float low = 0;
    float high = 0;
    std::int32_t lowAt = 0;
    std::int32_t highAt = 0;
};

// A min/max pyramid over a series: level l holds, per block of 2^(l + 2) samples
// aligned to sample 1, the block's extremes. A stretch of any length is then covered
// by a few whole blocks plus at most a few samples at its ends, so its extremes cost
// the logarithm of its length instead of its length. Samples are appended at the end
// only; the last block of a level may be partly filled.
class MinMaxPyramid {
  public:
    MinMaxPyramid() = default;
    explicit MinMaxPyramid(std::span<const float> values) { rebuild(values); }

    // Builds the pyramid over `values` anew.
    void rebuild(std::span<const float> values);
    // Takes in the samples of `values` beyond those the pyramid holds (`values` is the
    // series it was built from, grown at its end).
    void append(std::span<const float> values);
    std::size_t size() const { return size_; }

    // Extremes of samples first..last of `values` (1 ≤ first ≤ last ≤ size()), the
    // first sample holding each: the same samples a scan from first to last would pick.
    // Non-finite samples must not lie in first..last (callers split a curve there).
    Extremes extremes(std::span<const float> values, std::int32_t first,
                      std::int32_t last) const;

  private:
    void extend(std::span<const float> values, std::size_t from);

    std::vector<std::vector<Extremes>> levels_;
    std::size_t size_ = 0;
};

// reduceToColumns with each column's extremes taken from the pyramid of `values`:
// the same indexes, at a cost that follows the columns rather than the samples.
void reduceToColumns(const MinMaxPyramid& pyramid, std::span<const float> values,
                     std::int32_t first, std::int32_t last, const ColumnMap& map,
                     std::vector<std::int32_t>& kept);

}  // namespace tarvo
