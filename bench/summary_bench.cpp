// The quality summary of the largest history a logger can hold: 65,535 records of
// eight temperature channels with limits that a daily cycle crosses, every figure
// including the mean kinetic temperature.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "data/channel_summary.h"

namespace tarvo {
namespace {

constexpr int kRecords = 65535;
constexpr int kChannels = 8;

std::vector<ChannelRecord> fullRecording() {
    std::vector<ChannelRecord> channels(kChannels);
    const DateTime start = makeDateTime(2007, 8, 28, 7, 4, 9);
    const DateTime step = makeDuration(0, 0, 30);
    for (int c = 0; c < kChannels; ++c) {
        ChannelRecord& r = channels[static_cast<std::size_t>(c)];
        r.channel = static_cast<std::int16_t>(c);
        r.unitText = "℃" + std::string(9, ' ');
        r.alarmLow = 2;
        r.alarmHigh = 8;
        r.values.resize(kRecords);
        r.times.resize(kRecords);
        for (int k = 0; k < kRecords; ++k) {
            // A daily cycle of 30 s records between about −1 and 11 ℃, in tenths.
            const double day = std::sin(k * 2 * 3.14159265358979 / 2880 + c);
            r.values[static_cast<std::size_t>(k)] =
                static_cast<float>(std::round((5 + 6 * day + (k % 7) * 0.1) * 10) / 10);
            r.times[static_cast<std::size_t>(k)] = start + k * step;
        }
    }
    return channels;
}

void BM_SummaryOfAFullEightChannelRecording(benchmark::State& state) {
    const std::vector<ChannelRecord> channels = fullRecording();
    for (auto _ : state) {
        auto summaries = summarizeChannels(channels, 1, kRecords);
        benchmark::DoNotOptimize(summaries);
    }
    state.SetItemsProcessed(state.iterations() * kRecords * kChannels);
}
BENCHMARK(BM_SummaryOfAFullEightChannelRecording)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo
