#pragma once
// What the history chart derives from a document's samples and keeps between redraws,
// so that a redraw costs what the plot's pixels cost, not what the samples cost: per
// channel record a min/max pyramid and the places of its missing samples, and the last
// view's reduction and statistics.
//
// An entry follows its record's samples by their storage and count: a series that was
// replaced is indexed anew, one that grew at its end is extended. The history's samples
// are replaced whole (restored, opened), never edited in place; whoever edits them in
// place clears the cache. A copy of a cache starts empty (its samples live elsewhere),
// and caches never make two documents differ.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "data/channel_record.h"
#include "data/curve_reduction.h"

namespace tarvo {

// The view and plot a curve's reduction was made for.
struct ReductionKey {
    std::int32_t from = 0;
    std::int32_t to = 0;
    ColumnMap map;

    bool operator==(const ReductionKey& o) const {
        return from == o.from && to == o.to && map.origin == o.map.origin &&
               map.offset == o.map.offset && map.columnsPerSample == o.map.columnsPerSample;
    }
};

// One record's derived data.
struct CurveIndex {
    const float* samples = nullptr;  // the storage and count it was made from
    std::size_t count = 0;
    MinMaxPyramid pyramid;
    std::vector<std::int32_t> missing;  // samples that are not finite numbers, ascending

    // The last reduction: the kept samples of each finite run between two missing ones,
    // run r ending before runEnds[r].
    bool reduced = false;
    ReductionKey reduction;
    std::vector<std::int32_t> kept;
    std::vector<std::size_t> runEnds;

    // The statistics of the last view (viewStart..viewEnd).
    bool measured = false;
    std::int32_t measuredStart = 0;
    std::int32_t measuredEnd = 0;
    float maxValue = 0;
    float minValue = 0;
    float meanValue = 0;
};

class ChartCache {
  public:
    ChartCache() = default;
    ChartCache(const ChartCache&) {}
    ChartCache& operator=(const ChartCache&) {
        curves_.clear();
        return *this;
    }
    ChartCache(ChartCache&&) noexcept = default;
    ChartCache& operator=(ChartCache&&) noexcept = default;
    bool operator==(const ChartCache&) const { return true; }

    // Indexes every record now (a history that was just restored or opened).
    void build(std::span<const ChannelRecord> channels);
    // The index of the record at position `position` of the document, brought up to
    // date with its samples first.
    CurveIndex& curve(std::size_t position, std::span<const float> values);
    void clear() { curves_.clear(); }

  private:
    std::vector<CurveIndex> curves_;
};

}  // namespace tarvo
