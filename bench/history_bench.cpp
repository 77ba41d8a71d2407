// The largest history a logger can hold, 65,535 records of eight channels: decoding
// the uploaded pages into the document, writing the logger data file, reading it.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "data/history_document.h"
#include "files/logger_data_file.h"
#include "link/frames.h"

namespace tarvo {
namespace {

constexpr int kRecords = 65535;
constexpr int kChannels = 8;
constexpr int kPageBytes = 512;

// A logger of eight decimal-word channels whose memory is full.
LoggerParameters fullLogger() {
    LoggerParameters p;
    p.deviceBytes = {0, 0, 0, 1};
    p.startedChannels = 0xFF;
    p.firmwareYear = 2007;
    p.firmwareMonth = 1;
    p.firmwareDay = 1;
    for (int c = 0; c < kChannels; ++c) {
        p.channelType[c] = 1;
        p.channelUnit[c] = 1;
        p.channelDataLength[c] = 2;
        p.rangeLow[c] = -40;
        p.rangeHigh[c] = 85;
    }
    p.recordWidth = 2 * kChannels;
    p.recordCount = kRecords;
    p.totalSpace = kRecords;
    p.interval = makeDuration(0, 0, 30);
    p.loggerStartTime = makeDateTime(2007, 8, 28, 7, 4, 9);
    return p;
}

// Pages as the logger sends them: 3C A1 A2 x 36 len len page# data… checksum.
std::vector<Bytes> uploadedPages() {
    Bytes stream;
    stream.reserve(static_cast<std::size_t>(kRecords) * 2 * kChannels);
    for (int r = 0; r < kRecords; ++r) {
        for (int c = 0; c < kChannels; ++c) {
            stream.push_back(static_cast<std::uint8_t>((r + c) % 60));  // units
            stream.push_back(static_cast<std::uint8_t>(r % 10));        // tenths
        }
    }
    std::vector<Bytes> pages;
    for (std::size_t at = 0, page = 0; at < stream.size(); at += kPageBytes, ++page) {
        const std::size_t n = std::min<std::size_t>(kPageBytes, stream.size() - at);
        Bytes f = {0x3C, 0x30, 0x31, 0x00, 0x36, static_cast<std::uint8_t>(n >> 8),
                   static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(page)};
        f.insert(f.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                 stream.begin() + static_cast<std::ptrdiff_t>(at + n));
        f.push_back(0);
        f.back() = checksum(f, 5, static_cast<int>(f.size()) - 2);
        pages.push_back(std::move(f));
    }
    return pages;
}

HistoryDocument decodedDocument() {
    HistoryDocument doc;
    HistoryCounter counter;
    restoreHisData(doc, uploadedPages(), fullLogger(), counter, makeDateTime(2030, 1, 1), 0);
    return doc;
}

std::filesystem::path scratchFile() {
    return std::filesystem::temp_directory_path() /
           ("tarvo-bench-" + std::to_string(::getpid()) + ".orx");
}

void BM_DecodeUploadIntoDocument(benchmark::State& state) {
    const auto pages = uploadedPages();
    const auto params = fullLogger();
    for (auto _ : state) {
        HistoryDocument doc;
        HistoryCounter counter;
        benchmark::DoNotOptimize(
            restoreHisData(doc, pages, params, counter, makeDateTime(2030, 1, 1), 0));
    }
    state.SetBytesProcessed(state.iterations() * kRecords * 2 * kChannels);
}
BENCHMARK(BM_DecodeUploadIntoDocument)->Unit(benchmark::kMillisecond);

void BM_WriteLoggerDataFile(benchmark::State& state) {
    const HistoryDocument doc = decodedDocument();
    const auto path = scratchFile();
    for (auto _ : state) benchmark::DoNotOptimize(writeLoggerDataFile(path, doc.channels));
    state.SetBytesProcessed(state.iterations() * loggerDataFileSize(kChannels, kRecords));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteLoggerDataFile)->Unit(benchmark::kMillisecond);

void BM_ReadLoggerDataFile(benchmark::State& state) {
    const HistoryDocument doc = decodedDocument();
    const auto path = scratchFile();
    writeLoggerDataFile(path, doc.channels);
    for (auto _ : state) benchmark::DoNotOptimize(readLoggerDataFile(path));
    state.SetBytesProcessed(state.iterations() * loggerDataFileSize(kChannels, kRecords));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadLoggerDataFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo
