// The live daily file with hostile names: the folder name, the channels' type and unit
// texts and the answer all come from the input. Names stay inside a scratch folder
// (no "/" and no ".." of their own), so the run writes nothing elsewhere.
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>

#include "files/live_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    static const std::filesystem::path scratch = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("tarvo-fuzz-live-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    FuzzedDataProvider in(data, size);
    std::string name = in.ConsumeRandomLengthString(64);
    std::erase(name, '/');
    std::erase(name, '\0');
    if (name == "." || name == "..") name = "dots";
    std::vector<ChannelRecord> channels(in.ConsumeIntegralInRange<std::size_t>(0, 9));
    for (std::size_t c = 0; c < channels.size(); ++c) {
        channels[c].channel = static_cast<std::int16_t>(c);
        channels[c].typeText = in.ConsumeRandomLengthString(24);
        channels[c].unitText = in.ConsumeRandomLengthString(24);
        channels[c].rangeHigh = in.ConsumeIntegral<std::int32_t>();
        channels[c].rangeLow = in.ConsumeIntegral<std::int32_t>();
    }
    const DateTime now = in.ConsumeFloatingPoint<double>();
    const Bytes frame = in.ConsumeRemainingBytes<std::uint8_t>();
    (void)dailyLiveFileName(now);
    (void)appendDailyLiveFile(scratch / name, channels, frame, now);
    (void)appendDailyLiveFile(scratch / name, channels, frame, now);
    std::error_code ignored;
    std::filesystem::remove_all(scratch / name, ignored);
    return 0;
}
