// The live daily file with hostile names: the folder name, the channels' type and unit
// texts and the answer all come from the input. Names stay inside a scratch folder
// (no "/" and no ".." of their own), so the run writes nothing elsewhere.
#include <filesystem>

#include "files/live_file.h"
#include "fuzz_layouts.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    static const std::filesystem::path scratch = fuzz::scratchFolder("live");
    fuzz::FuzzInput in(data, size);
    const fuzz::LiveInput input = fuzz::readLiveInput(in);
    std::string name = input.name;
    std::erase(name, '/');
    std::erase(name, '\0');
    if (name == "." || name == "..") name = "dots";
    std::vector<ChannelRecord> channels(input.channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) {
        channels[c].channel = static_cast<std::int16_t>(c);
        channels[c].typeText = input.channels[c].typeText;
        channels[c].unitText = input.channels[c].unitText;
        channels[c].rangeHigh = input.channels[c].rangeHigh;
        channels[c].rangeLow = input.channels[c].rangeLow;
    }
    (void)dailyLiveFileName(input.now);
    (void)appendDailyLiveFile(scratch / name, channels, input.frame, input.now);
    (void)appendDailyLiveFile(scratch / name, channels, input.frame, input.now);
    std::error_code ignored;
    std::filesystem::remove_all(scratch / name, ignored);
    return 0;
}
