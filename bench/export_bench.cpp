// The exports of the largest document: 65,535 records of eight channels.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "files/database_export.h"
#include "files/text_export.h"

namespace tarvo {
namespace {

constexpr int kRecords = 65535;
constexpr int kChannels = 8;

const std::vector<ChannelRecord>& largestDocument() {
    static const std::vector<ChannelRecord> channels = [] {
        std::vector<ChannelRecord> out;
        const DateTime start = makeDateTime(2007, 8, 28, 7, 4, 9);
        const DateTime interval = makeDuration(0, 0, 30);
        for (int c = 0; c < kChannels; ++c) {
            ChannelRecord r;
            r.channel = static_cast<std::int16_t>(c);
            r.typeText = "温度      ";
            r.unitText = "℃         ";
            r.userName = "Operator";
            r.title = "ColdRoom";
            r.versionDate = makeDateTime(2007, 1, 1);
            r.values.reserve(kRecords);
            r.times.reserve(kRecords);
            for (int j = 0; j < kRecords; ++j) {
                // Tenths around a daily cycle, as a logger records them.
                r.values.push_back(static_cast<float>((j * 7 + c * 13) % 600) / 10.0f - 10.0f);
                r.times.push_back(start + j * interval);
            }
            out.push_back(std::move(r));
        }
        return out;
    }();
    return channels;
}

std::filesystem::path scratch(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tarvo-export-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / name;
}

void BM_CsvExportText(benchmark::State& state) {
    const ExportSource source{largestDocument(), ExportOrigin::History};
    for (auto _ : state) benchmark::DoNotOptimize(csvExportText(source));
}
BENCHMARK(BM_CsvExportText)->Unit(benchmark::kMillisecond);

void BM_DocumentExportText(benchmark::State& state) {
    const ExportSource source{largestDocument(), ExportOrigin::History};
    for (auto _ : state) benchmark::DoNotOptimize(textExportText(source, TextLayout::Document));
}
BENCHMARK(BM_DocumentExportText)->Unit(benchmark::kMillisecond);

void BM_ExportCsvFile(benchmark::State& state) {
    const ExportSource source{largestDocument(), ExportOrigin::History};
    const auto path = scratch("bench.csv");
    for (auto _ : state) benchmark::DoNotOptimize(exportCsv(source, path));
    std::filesystem::remove_all(path.parent_path());
}
BENCHMARK(BM_ExportCsvFile)->Unit(benchmark::kMillisecond);

void BM_ExportTextFile(benchmark::State& state) {
    const ExportSource source{largestDocument(), ExportOrigin::History};
    const auto path = scratch("bench.txt");
    for (auto _ : state) benchmark::DoNotOptimize(exportText(source, TextLayout::Text, path));
    std::filesystem::remove_all(path.parent_path());
}
BENCHMARK(BM_ExportTextFile)->Unit(benchmark::kMillisecond);

// A new database file each time: template copy, 8 configuration rows, 65,535 data rows.
void BM_ExportDatabase(benchmark::State& state) {
    const ExportSource source{largestDocument(), ExportOrigin::History};
    const TemplateLocator templates;
    const auto path = scratch("bench.mdb");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        const DatabaseResult r = exportDatabase(source, path, templates);
        if (!r) state.SkipWithError(r.reason.c_str());
    }
    std::filesystem::remove_all(path.parent_path());
}
BENCHMARK(BM_ExportDatabase)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo
