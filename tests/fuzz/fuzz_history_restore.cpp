// The history restore from arbitrary pages with fuzzed logger parameters: data
// lengths, record width, record count, total space, device type, firmware date.
#include <fuzzer/FuzzedDataProvider.h>

#include "core/logger_parameters.h"
#include "data/channel_list.h"
#include "data/history_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    FuzzedDataProvider in(data, size);
    LoggerParameters params;
    params.startedChannels = in.ConsumeIntegral<std::int16_t>();
    for (auto& length : params.channelDataLength) length = in.ConsumeIntegral<std::int16_t>();
    for (auto& type : params.channelType) type = in.ConsumeIntegral<std::int16_t>();
    params.recordWidth = in.ConsumeIntegral<std::int16_t>();
    params.recordCount = in.ConsumeIntegral<std::int32_t>();
    params.recordCountHigh = in.ConsumeIntegral<std::int16_t>();
    params.overflowCount = in.ConsumeIntegral<std::int16_t>();
    params.totalSpace = in.ConsumeIntegral<std::int32_t>();
    params.storageCapacity = in.ConsumeIntegral<std::int32_t>();
    params.effectiveCapacity = in.ConsumeIntegral<std::int32_t>();
    params.deviceBytes[3] = in.ConsumeIntegral<std::int16_t>();
    params.firmwareYear = in.ConsumeIntegral<std::int16_t>();
    params.firmwareMonth = in.ConsumeIntegral<std::int16_t>();
    params.firmwareDay = in.ConsumeIntegral<std::int16_t>();
    params.intervalTotalSeconds = in.ConsumeIntegral<std::int32_t>();
    params.loggerStartTime = in.ConsumeFloatingPoint<double>();
    params.lastStopTime = in.ConsumeFloatingPoint<double>();
    params.workStatus = in.ConsumeIntegral<std::int16_t>();
    params.stopMode = in.ConsumeIntegral<std::int16_t>();
    const int plotWidth = in.ConsumeIntegralInRange<int>(-10, 5000);

    std::vector<Bytes> pages;
    while (in.remaining_bytes() > 0 && pages.size() < 64) {
        const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 2048);
        pages.push_back(in.ConsumeBytes<std::uint8_t>(length));
    }
    HistoryDocument doc;
    HistoryCounter counter;
    RestoreNotes notes;
    if (restoreHisData(doc, pages, params, counter, 46000.5, plotWidth, &notes)) {
        (void)uploadNotices(notes);
        resetView(doc);
        recomputeStatistics(doc);
        recomputeWholeStatistics(doc);
        (void)channelListRows(doc);
    }
    return 0;
}
