#pragma once
// The layouts of the inputs of the fuzz targets that take several fields, shared by the
// targets (which read them) and the seed writer (which writes real ones).

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "fuzz_input.h"

namespace tarvo::fuzz {

// The history restore: the logger's parameters that steer it, the plot width, then
// the pages (at most 64 of at most 2048 bytes).
template <typename Io, typename Params>
void restoreParameterFields(Io& io, Params& p) {
    field(io, p.startedChannels);
    for (auto& length : p.channelDataLength) field(io, length);
    for (auto& type : p.channelType) field(io, type);
    field(io, p.recordWidth);
    field(io, p.recordCount);
    field(io, p.recordCountHigh);
    field(io, p.overflowCount);
    field(io, p.totalSpace);
    field(io, p.storageCapacity);
    field(io, p.effectiveCapacity);
    field(io, p.deviceBytes[3]);
    field(io, p.firmwareYear);
    field(io, p.firmwareMonth);
    field(io, p.firmwareDay);
    field(io, p.intervalTotalSeconds);
    field(io, p.loggerStartTime);
    field(io, p.lastStopTime);
    field(io, p.workStatus);
    field(io, p.stopMode);
}

inline constexpr std::size_t kMostPages = 64;
inline constexpr std::size_t kLongestPage = 2048;

struct RestoreInput {
    LoggerParameters params;
    std::int16_t plotWidth = 0;  // the target keeps it within -10..5000
    std::vector<Bytes> pages;
};

inline RestoreInput readRestoreInput(FuzzInput& in) {
    RestoreInput input;
    restoreParameterFields(in, input.params);
    field(in, input.plotWidth);
    while (!in.empty() && input.pages.size() < kMostPages) input.pages.push_back(in.run(kLongestPage));
    return input;
}

inline void writeRestoreInput(FuzzInputWriter& out, const RestoreInput& input) {
    restoreParameterFields(out, input.params);
    field(out, input.plotWidth);
    for (const Bytes& page : input.pages) out.run(page);
}

// The live daily file: the folder name, the channels (type and unit texts, range), the
// time, then the answer (the rest of the input).
struct LiveChannelInput {
    std::string typeText;
    std::string unitText;
    std::int32_t rangeHigh = 0;
    std::int32_t rangeLow = 0;
};

struct LiveInput {
    std::string name;
    std::vector<LiveChannelInput> channels;
    DateTime now = 0;
    Bytes frame;
};

inline constexpr std::uint8_t kMostLiveChannels = 9;
inline constexpr std::size_t kLongestName = 64;
inline constexpr std::size_t kLongestChannelText = 24;

inline LiveInput readLiveInput(FuzzInput& in) {
    LiveInput input;
    input.name = in.text(kLongestName);
    input.channels.resize(in.number<std::uint8_t>() % (kMostLiveChannels + 1));
    for (LiveChannelInput& channel : input.channels) {
        channel.typeText = in.text(kLongestChannelText);
        channel.unitText = in.text(kLongestChannelText);
        field(in, channel.rangeHigh);
        field(in, channel.rangeLow);
    }
    field(in, input.now);
    input.frame = in.run(0xFFFF);
    return input;
}

inline void writeLiveInput(FuzzInputWriter& out, const LiveInput& input) {
    out.text(input.name);
    out.number(static_cast<std::uint8_t>(input.channels.size()));
    for (const LiveChannelInput& channel : input.channels) {
        out.text(channel.typeText);
        out.text(channel.unitText);
        field(out, channel.rangeHigh);
        field(out, channel.rangeLow);
    }
    field(out, input.now);
    out.run(input.frame);
}

}  // namespace tarvo::fuzz
