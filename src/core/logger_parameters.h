#pragma once
// Everything the program knows about one logger: identity, memory state,
// programmed parameters, per-channel settings and the times derived from them.
// A plain value record; members in the order the logger's documentation lists them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/date_time.h"

namespace tarvo {

inline constexpr int kChannelCount = 8;

template <typename T>
using PerChannel = std::array<T, kChannelCount>;

struct LoggerParameters {
    std::int16_t modelCode = 0;
    std::int32_t storageCapacity = 0;
    std::string modelPassword;
    std::int32_t effectiveCapacity = 0;
    std::string userName;
    std::string title;
    std::int16_t connectYear = 0;
    std::int16_t connectMonth = 0;
    std::int16_t connectDay = 0;
    std::int16_t connectHour = 0;
    std::int16_t connectMinute = 0;
    std::int16_t connectSecond = 0;
    std::int16_t intervalHours = 0;
    std::int16_t intervalMinutes = 0;
    std::int16_t intervalSeconds = 0;
    std::int16_t startMode = 0;
    std::int16_t delayHours = 0;
    std::int16_t delayMinutes = 0;
    std::int16_t delaySeconds = 0;
    std::int16_t stopMode = 0;
    std::int32_t recordCount = 0;
    std::int16_t recordCountHigh = 0;
    std::int32_t recordAddress = 0;
    std::int16_t overflowCount = 0;
    std::int16_t workStatus = 0;
    std::int16_t powerMode = 0;
    std::uint16_t stopCount = 0;  // 0..65535: the logger holds it unsigned
    std::int16_t recordChannels = 0;
    std::int16_t alarmChannels = 0;
    PerChannel<std::int16_t> channelType{};
    PerChannel<std::int16_t> channelUnit{};
    PerChannel<std::int16_t> channelDataLength{};
    std::int16_t recordWidth = 0;
    PerChannel<std::int32_t> rangeLow{};
    PerChannel<std::int32_t> rangeHigh{};
    PerChannel<std::int16_t> curveNumber{};
    PerChannel<std::int16_t> alarmLow{};
    PerChannel<std::int16_t> alarmHigh{};
    std::int16_t startedChannels = 0;
    std::int16_t firmwareYear = 0;
    std::int16_t firmwareMonth = 0;
    std::int16_t firmwareDay = 0;
    std::int16_t echoedAddress = 0;
    DateTime lastConnectTime = 0;
    DateTime interval = 0;
    std::int32_t intervalTotalSeconds = 0;
    DateTime startDelay = 0;
    DateTime loggerStartTime = 0;
    DateTime expectedStopTime = 0;
    DateTime fullStopTime = 0;
    DateTime countStopTime = 0;
    std::int32_t totalSpace = 0;
    std::array<std::int16_t, 4> deviceBytes{};
    std::int16_t uploadWord1 = 0;
    std::int16_t uploadWord2 = 0;
    std::int16_t uploadWord3 = 0;
    std::int16_t writeWord = 0;
    DateTime timedStartTime = 0;
    DateTime timedStopTime = 0;
    DateTime lastStopTime = 0;
    std::int16_t stopReason = 0;
    DateTime loggerClock = 0;
    std::array<std::string, 3> phoneNumbers;
    std::array<std::string, 2> smsPasswords;

    bool operator==(const LoggerParameters&) const = default;

    // The fourth identification value: the kind of logger, which changes what it offers.
    std::int16_t deviceType() const { return deviceBytes[3]; }
    bool channelStarted(int i) const { return (startedChannels >> i) & 1; }
    bool alarmEnabled(int i) const { return (alarmChannels >> i) & 1; }
};

// Codes the record carries.
enum StartMode : std::int16_t {
    kStartStopped = 0,
    kStartImmediately = 1,
    kStartDelayed = 2,
    kStartTimed = 3,
    kStartManual = 4,
};

enum StopModeFlags : std::int16_t {
    kStopFifo = 0,
    kStopMemoryFull = 1,
    kStopByCount = 2,
    kStopTimed = 4,
};

// The stop conditions as the pane and the stop-mode tree name them, in the tree's order.
struct StopCondition {
    std::int16_t bit;
    std::string_view text;
};
inline constexpr std::array<StopCondition, 4> kStopConditions = {{
    {kStopFifo, "先进先出"},
    {kStopMemoryFull, "存储器满停止"},
    {kStopByCount, "按次数停止"},
    {kStopTimed, "定时停止"},
}};

enum WorkStatus : std::int16_t { kWorkRecording = 1, kWorkStopped = 2 };

enum PowerMode : std::int16_t { kPowerNormal = 0, kPowerSaving = 128 };

// Device types with special behaviour (the fourth of deviceBytes).
enum DeviceType : std::int16_t {
    kDeviceSingleAnswer = 0,
    kDeviceNoTimedStop = 252,
    kDeviceClockWhenTimed = 253,
    kDeviceNoPowerMode = 254,
};

// Code/text conversions. The normalising ones take the record field by reference and
// overwrite a code outside their table with the normal one, so that displaying a
// record also repairs it.
std::string startModeText(std::int16_t& startMode);
std::string stopModeText(std::int16_t& stopMode);
std::string workStatusText(std::int16_t& workStatus);
std::string powerModeText(std::int16_t powerMode);
std::string channelMaskText(std::int16_t mask);
std::string channelTypeText(std::int16_t& channelType);
std::int16_t channelTypeCode(std::string_view text);
std::string channelUnitText(std::int16_t& channelUnit);
std::int16_t channelUnitCode(std::string_view text);
std::string stopReasonText(std::int16_t stopReason);

// The display text of a date, a time or a date and time (the general date format).
std::string dateTimeText(DateTime t);

}  // namespace tarvo
