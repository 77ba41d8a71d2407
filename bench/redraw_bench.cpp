// One full redraw of the largest history document as the history window does it: the
// statistics and the scene over the whole view, then the scene painted with QPainter onto
// an offscreen image whose plot is 1920 pixels wide. 65,535 records of eight channels,
// axes on, once in the detailed and once in the rough trend. Then zoomed views of a few
// widths, each redraw a view the previous one did not show (as scrolling does).
// Times are wall-clock ("real_time"): a redraw shares its work with helper threads.

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "data/chart_model.h"
#include "data/history_document.h"
#include "gui/chart_widget.h"

namespace tarvo {
namespace {

constexpr std::int32_t kSamples = 65535;
constexpr int kChannels = 8;
constexpr int kPlotWidth = 1920;
constexpr int kPlotHeight = 520;
constexpr int kImageWidth = 1960;
constexpr int kImageHeight = 600;

// A daily cycle with noise, one record every ten minutes, a different phase per channel.
HistoryDocument largestDocument() {
    HistoryDocument doc;
    doc.loaded = true;
    for (int c = 0; c < kChannels; ++c) {
        std::mt19937 random(static_cast<unsigned>(c));
        std::normal_distribution<float> noise(0, 0.4f);
        ChannelRecord r;
        r.channel = static_cast<std::int16_t>(c);
        r.values.resize(kSamples);
        r.times.resize(kSamples);
        for (std::int32_t k = 0; k < kSamples; ++k) {
            const auto i = static_cast<std::size_t>(k);
            r.values[i] = 20 + 8 * static_cast<float>(std::sin(k * 2 * M_PI / 144 + c)) +
                          noise(random);
            r.times[i] = 38000 + k / 144.0;
        }
        r.rangeLow = 0;
        r.rangeHigh = 50;
        doc.channels.push_back(std::move(r));
    }
    return doc;
}

// Moves the view before each redraw; nothing moves it for the full view.
using ViewStep = void (*)(HistoryDocument& doc, std::int64_t iteration);

void redraw(benchmark::State& state, TrendMode trend, ViewStep step) {
    HistoryDocument doc = largestDocument();
    QFont labelFont;
    labelFont.setPointSizeF(std::max(labelFont.pointSizeF() * 0.85, 7.0));
    ChartGeometry geometry;
    geometry.plot = {24, 30, kPlotWidth, kPlotHeight};
    geometry.textHeight = QFontMetricsF(labelFont).height();
    resetView(doc, static_cast<int>(kPlotWidth * kTwipsPerPixel));
    ChartOptions options;
    options.showAxes = true;
    options.trend = trend;
    QImage image(kImageWidth, kImageHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::lightGray);
    QImage plotImage;  // kept between paints, as the chart panel keeps it
    std::size_t points = 0;
    std::int64_t iteration = 0;
    for (auto _ : state) {
        if (step) step(doc, iteration++);
        const auto scene = redrawChart(doc, geometry, options);
        if (!scene) {
            state.SkipWithError("the redraw drew nothing");
            return;
        }
        QPainter painter(&image);
        gui::paintChartScene(painter, *scene, labelFont, {}, &plotImage);
        painter.end();
        points = 0;
        for (const ChartPolyline& line : scene->lines) points += line.points.size();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = static_cast<double>(points);
    state.SetItemsProcessed(state.iterations() * kSamples * kChannels);
}

void redrawDetailedTrend(benchmark::State& state) {
    redraw(state, TrendMode::Detailed, nullptr);
}
BENCHMARK(redrawDetailedTrend)->Unit(benchmark::kMillisecond)->UseRealTime();

void redrawRoughTrend(benchmark::State& state) { redraw(state, TrendMode::Rough, nullptr); }
BENCHMARK(redrawRoughTrend)->Unit(benchmark::kMillisecond)->UseRealTime();

// A zoomed view `width` samples wide whose start walks through the record in steps of
// a prime number of samples, so that no two consecutive redraws show the same view.
template <std::int32_t width>
void moveZoomedView(HistoryDocument& doc, std::int64_t iteration) {
    const std::int64_t room = kSamples - width;
    const auto start = static_cast<std::int32_t>(1 + iteration * 7919 % room);
    doc.view.viewStart = start;
    doc.view.viewEnd = start + width;
    doc.view.viewTop = 1000;
    doc.view.viewBottom = 0;
}

template <std::int32_t width>
void redrawZoomedView(benchmark::State& state) {
    redraw(state, TrendMode::Detailed, moveZoomedView<width>);
}
BENCHMARK(redrawZoomedView<600>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(redrawZoomedView<4000>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(redrawZoomedView<12000>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(redrawZoomedView<30000>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(redrawZoomedView<65000>)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tarvo

// The painter needs a running application; without a display it runs offscreen.
int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
