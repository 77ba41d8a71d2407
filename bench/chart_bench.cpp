// Reducing full logger memories to a plot: 65,535 samples per channel onto 1000 pixel
// columns, one channel and all eight, and the whole redraw of an eight-channel chart.
// Times are wall-clock ("real_time"): a redraw shares its work with helper threads.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "data/chart_model.h"
#include "data/curve_reduction.h"
#include "data/history_document.h"

namespace tarvo {
namespace {

constexpr std::int32_t kSamples = 65535;
constexpr int kColumns = 1000;
constexpr int kChannels = 8;

std::vector<float> noisyDailyCycle(unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0, 0.4f);
    std::vector<float> values(kSamples);
    for (std::int32_t k = 0; k < kSamples; ++k) {
        values[static_cast<std::size_t>(k)] =
            20 + 8 * static_cast<float>(std::sin(k * 2 * M_PI / 144)) + noise(random);
    }
    return values;
}

ColumnMap fullView() {
    return {1, 0, static_cast<double>(kColumns) / (kSamples - 1)};
}

void reduceOneChannel(benchmark::State& state) {
    const std::vector<float> values = noisyDailyCycle(1);
    std::vector<std::int32_t> kept;
    for (auto _ : state) {
        kept.clear();
        reduceToColumns(values, 1, kSamples, fullView(), kept);
        benchmark::DoNotOptimize(kept.data());
    }
    state.counters["points"] = static_cast<double>(kept.size());
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(reduceOneChannel)->Unit(benchmark::kMicrosecond)->UseRealTime();

void reduceEightChannels(benchmark::State& state) {
    std::vector<std::vector<float>> channels;
    for (int c = 0; c < kChannels; ++c)
        channels.push_back(noisyDailyCycle(static_cast<unsigned>(c)));
    std::vector<std::int32_t> kept;
    for (auto _ : state) {
        for (const std::vector<float>& values : channels) {
            kept.clear();
            reduceToColumns(values, 1, kSamples, fullView(), kept);
            benchmark::DoNotOptimize(kept.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kSamples * kChannels);
}
BENCHMARK(reduceEightChannels)->Unit(benchmark::kMicrosecond)->UseRealTime();

HistoryDocument eightChannelDocument() {
    HistoryDocument doc;
    doc.loaded = true;
    for (int c = 0; c < kChannels; ++c) {
        ChannelRecord r;
        r.channel = static_cast<std::int16_t>(c);
        r.values = noisyDailyCycle(static_cast<unsigned>(c));
        r.times.resize(r.values.size());
        for (std::size_t k = 0; k < r.times.size(); ++k) r.times[k] = 38000 + k / 144.0;
        r.rangeLow = 0;
        r.rangeHigh = 50;
        doc.channels.push_back(std::move(r));
    }
    return doc;
}

// The whole redraw: statistics over the view, the scales, the reduction and the scene.
void redrawEightChannelChart(benchmark::State& state) {
    HistoryDocument doc = eightChannelDocument();
    ChartGeometry geometry;
    geometry.plot = {16, 30, kColumns, 400};
    resetView(doc, kColumns * kTwipsPerPixel);
    ChartOptions options;
    options.showAxes = true;
    std::size_t points = 0;
    for (auto _ : state) {
        const auto scene = redrawChart(doc, geometry, options);
        points = 0;
        for (const ChartPolyline& line : scene->lines) points += line.points.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = static_cast<double>(points);
    state.SetItemsProcessed(state.iterations() * kSamples * kChannels);
}
BENCHMARK(redrawEightChannelChart)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The scene of a zoomed view state.range(0) samples wide on a 1920-pixel plot; every
// redraw shows a view the one before did not (the start walks by a prime step).
void sceneOfZoomedView(benchmark::State& state) {
    HistoryDocument doc = eightChannelDocument();
    ChartGeometry geometry;
    geometry.plot = {16, 30, 1920, 520};
    resetView(doc, 1920 * kTwipsPerPixel);
    const auto width = static_cast<std::int32_t>(state.range(0));
    const std::int64_t room = kSamples - width;
    ChartOptions options;
    options.showAxes = true;
    std::int64_t iteration = 0;
    for (auto _ : state) {
        const auto start = static_cast<std::int32_t>(1 + iteration++ * 7919 % room);
        doc.view.viewStart = start;
        doc.view.viewEnd = start + width;
        doc.view.viewTop = 1000;
        doc.view.viewBottom = 0;
        const auto scene = redrawChart(doc, geometry, options);
        benchmark::DoNotOptimize(scene->lines.data());
    }
    state.SetItemsProcessed(state.iterations() * width * kChannels);
}
BENCHMARK(sceneOfZoomedView)->Arg(600)->Arg(4000)->Arg(30000)->Arg(65000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace tarvo
