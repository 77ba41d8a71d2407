#include "link/parameter_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/codecs.h"
#include "core/utf8.h"

namespace tarvo {

namespace {

constexpr std::uint8_t kAnswerStart = 0x3C;  // '<'

// "XY-001" block 1 carries the members of the "XY-002" answer from position 110
// on, each 99 bytes earlier.
constexpr int kBlock1Shift = -99;

// Bounds-checked view of an answer, addressed by "XY-002" positions.
class Positions {
  public:
    Positions(ByteView bytes, int shift) : bytes_(bytes), shift_(shift) {}

    // Whether the `count` bytes from `pos` on are all in the answer.
    bool has(int pos, int count = 1) const {
        const long long first = static_cast<long long>(pos) + shift_;
        return first >= 0 && first + count <= static_cast<long long>(bytes_.size());
    }
    std::uint8_t at(int pos) const { return bytes_[static_cast<std::size_t>(pos + shift_)]; }
    ByteView span(int pos, int count) const {
        return bytes_.subspan(static_cast<std::size_t>(pos + shift_),
                              static_cast<std::size_t>(count));
    }

    std::optional<int> byte(int pos) const {
        if (!has(pos)) return std::nullopt;
        return at(pos);
    }
    // Two bytes, most significant first.
    std::optional<int> be16(int pos) const {
        if (!has(pos, 2)) return std::nullopt;
        return at(pos) * 256 + at(pos + 1);
    }

  private:
    ByteView bytes_;
    int shift_;
};

// Sixteen-bit members hold a logger's 16-bit values as their bit pattern, so the
// parameter write sends the same two bytes back.
std::int16_t asInt16(int value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

void readByte(const Positions& a, int pos, std::int16_t& member) {
    if (auto v = a.byte(pos)) member = asInt16(*v);
}

void readBe16(const Positions& a, int pos, std::int16_t& member) {
    if (auto v = a.be16(pos)) member = asInt16(*v);
}

void readBe16(const Positions& a, int pos, std::uint16_t& member) {
    if (auto v = a.be16(pos)) member = static_cast<std::uint16_t>(*v);
}

void readBe16(const Positions& a, int pos, std::int32_t& member) {
    if (auto v = a.be16(pos)) member = *v;
}

// date8: year (two bytes, most significant first), month, day, hour, minute,
// second and one further byte, which is not part of the time.
void readDate8(const Positions& a, int pos, DateTime& member) {
    if (!a.has(pos, 7)) return;
    member = makeDateTime(a.at(pos) * 256 + a.at(pos + 1), a.at(pos + 2), a.at(pos + 3),
                          a.at(pos + 4), a.at(pos + 5), a.at(pos + 6));
}

void readText16(const Positions& a, int pos, bool skipZeroUnits, std::string& member) {
    if (a.has(pos, 16)) member = decodeText16(a.span(pos, 16), skipZeroUnits);
}

std::string trimmed(const std::string& s, std::string_view padding) {
    const auto first = s.find_first_not_of(padding);
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(padding);
    return s.substr(first, last - first + 1);
}

// The model password: each byte is one character of that code.
void readPassword(const Positions& a, int pos, std::string& member) {
    if (!a.has(pos, 3)) return;
    std::string text;
    for (int i = 0; i < 3; ++i) appendUtf8(text, a.at(pos + i));
    member = trimmed(text, " ");
}

// Positions 6 to 109: channel settings, upload words, started channels, device
// bytes and firmware date ("XY-002" answer and "XY-001" block 2 alike).
void decodeChannelBlock(const Positions& a, LoggerParameters& p) {
    for (int i = 0; i < kChannelCount; ++i) {
        const auto ch = static_cast<std::size_t>(i);
        readByte(a, 6 + i, p.channelType[ch]);
        readByte(a, 14 + i, p.channelUnit[ch]);
        readByte(a, 22 + i, p.channelDataLength[ch]);
        if (a.has(30 + 2 * i, 2))
            p.rangeLow[ch] = decodeScaledLong(a.at(30 + 2 * i), a.at(31 + 2 * i));
        if (a.has(46 + 2 * i, 2))
            p.rangeHigh[ch] = decodeScaledLong(a.at(46 + 2 * i), a.at(47 + 2 * i));
        readByte(a, 62 + i, p.curveNumber[ch]);
    }
    readByte(a, 70, p.uploadWord1);
    readByte(a, 71, p.uploadWord2);
    readBe16(a, 72, p.uploadWord3);
    readByte(a, 102, p.startedChannels);
    for (int i = 0; i < 4; ++i) readByte(a, 103 + i, p.deviceBytes[static_cast<std::size_t>(i)]);
    if (auto y = a.byte(107)) p.firmwareYear = asInt16(2000 + *y);
    readByte(a, 108, p.firmwareMonth);
    readByte(a, 109, p.firmwareDay);
}

// Positions 110 to 296: identity, memory state, programmed parameters, times and
// alarm limits. `xy001` selects block 1's way with the texts and the firmware rule.
void decodeRecordBlock(const Positions& a, LoggerParameters& p, bool xy001) {
    readByte(a, 110, p.modelCode);
    readBe16(a, 111, p.storageCapacity);
    readPassword(a, 114, p.modelPassword);
    readBe16(a, 117, p.effectiveCapacity);
    readText16(a, 121, !xy001, p.userName);
    readText16(a, 137, !xy001, p.title);

    if (a.has(153, 2)) p.connectYear = asInt16(a.at(153) * 100 + a.at(154));
    readByte(a, 155, p.connectMonth);
    readByte(a, 156, p.connectDay);
    readByte(a, 157, p.connectHour);
    readByte(a, 158, p.connectMinute);
    readByte(a, 159, p.connectSecond);

    readByte(a, 160, p.intervalHours);
    readByte(a, 161, p.intervalMinutes);
    readByte(a, 162, p.intervalSeconds);
    if (a.has(160, 3))
        p.interval = makeDuration(p.intervalHours, p.intervalMinutes, p.intervalSeconds);
    readByte(a, 163, p.startMode);
    readByte(a, 164, p.delayHours);
    readByte(a, 165, p.delayMinutes);
    readByte(a, 166, p.delaySeconds);
    if (a.has(164, 3)) p.startDelay = makeDuration(p.delayHours, p.delayMinutes, p.delaySeconds);
    readByte(a, 167, p.stopMode);

    // The count's low part comes first, most significant byte first; its high
    // part (units of 65536) last.
    if (a.has(168, 3)) {
        p.recordCount = a.at(170) * 65536 + a.at(168) * 256 + a.at(169);
        p.recordCountHigh = a.at(170);
    }
    readBe16(a, 171, p.recordAddress);
    readByte(a, 173, p.overflowCount);
    readByte(a, 174, p.workStatus);
    readByte(a, 175, p.powerMode);
    readBe16(a, 176, p.stopCount);
    readByte(a, 178, p.writeWord);

    // Loggers with firmware before 2006 report the connect year six years short;
    // they mark it with the bytes 1 2 3 4 5 after the write word.
    if (!xy001 && p.firmwareYear < 2006 && a.has(179, 5)) {
        bool marked = true;
        for (int i = 0; i < 5; ++i) marked = marked && a.at(179 + i) == i + 1;
        if (marked && a.has(153, 2)) p.connectYear = asInt16(p.connectYear + 6);
    }
    if (a.has(153, 7)) {
        p.lastConnectTime = makeDateTime(p.connectYear, p.connectMonth, p.connectDay, p.connectHour,
                                         p.connectMinute, p.connectSecond);
    }

    readBe16(a, 184, p.recordChannels);
    readBe16(a, 186, p.alarmChannels);
    readDate8(a, 201, p.timedStartTime);
    readDate8(a, 217, p.timedStopTime);
    readDate8(a, 225, p.lastStopTime);
    if (!xy001) readByte(a, 232, p.stopReason);
    for (int i = 0; i < kChannelCount; ++i) {
        const auto ch = static_cast<std::size_t>(i);
        const int low = 265 + 2 * i;
        const int high = 281 + 2 * i;
        if (a.has(low, 2)) p.alarmLow[ch] = decodeSignedWord(a.at(low), a.at(low + 1));
        if (a.has(high, 2)) p.alarmHigh[ch] = decodeSignedWord(a.at(high), a.at(high + 1));
    }
}

bool startsAnswer(ByteView answer) {
    return !answer.empty() && answer[0] == kAnswerStart;
}

std::int64_t roundedMs(DateTime t) {
    return std::llround(t * kSecondsPerDay * 1000.0);
}

}  // namespace

std::string decodeText16(ByteView sixteen, bool skipZeroUnits) {
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 1 < sixteen.size() && i < 16; i += 2) {
        const auto unit = static_cast<char16_t>(sixteen[i] | (sixteen[i + 1] << 8));
        if (skipZeroUnits && unit == 0) continue;
        units.push_back(unit);
    }
    const std::string text = utf16ToUtf8(std::u16string_view(units.data(), units.size()));
    // Unused units of a text are zero: they are padding like the spaces, and the
    // parameter write pads with zeros again.
    return skipZeroUnits ? text : trimmed(text, std::string_view(" \0", 2));
}

bool decodeXY002(ByteView answer, LoggerParameters& params) {
    if (!startsAnswer(answer)) return false;
    const Positions a(answer, 0);
    if (a.has(1, 2)) params.echoedAddress = asInt16((a.at(1) - 0x30) * 16 + (a.at(2) - 0x30));
    decodeChannelBlock(a, params);
    decodeRecordBlock(a, params, false);
    readDate8(a, 326, params.loggerClock);
    computeDerivedMembers(params);
    return true;
}

bool decodeXY001Block1(ByteView answer, LoggerParameters& params, DateTime pcNow) {
    if (!startsAnswer(answer)) return false;
    decodeRecordBlock(Positions(answer, kBlock1Shift), params, true);
    params.loggerClock = pcNow;
    params.intervalTotalSeconds = static_cast<std::int32_t>(totalSeconds(params.interval));
    return true;
}

bool decodeXY001Block2(ByteView answer, LoggerParameters& params) {
    if (!startsAnswer(answer)) return false;
    decodeChannelBlock(Positions(answer, 0), params);
    computeDerivedMembers(params);
    return true;
}

void computeDerivedMembers(LoggerParameters& p) {
    p.recordWidth = static_cast<std::int16_t>(recordWidthOf(p));
    if (p.recordWidth > 0) p.totalSpace = p.effectiveCapacity / p.recordWidth;
    p.intervalTotalSeconds = static_cast<std::int32_t>(totalSeconds(p.interval));

    switch (p.startMode) {
        case kStartDelayed:
        case kStartManual:
            p.loggerStartTime = p.lastConnectTime + p.startDelay;
            break;
        case kStartTimed:
            p.loggerStartTime = p.timedStartTime;
            break;
        default:
            p.loggerStartTime = p.lastConnectTime;
            break;
    }

    // Each set stop condition gets its own time, so the earliest below compares
    // values of this logger only.
    const bool full = (p.stopMode & kStopMemoryFull) != 0;
    const bool byCount = (p.stopMode & kStopByCount) != 0;
    const bool timed = (p.stopMode & kStopTimed) != 0;
    if (byCount) p.countStopTime = p.stopCount * p.interval + p.loggerStartTime;
    if (full) p.fullStopTime = p.totalSpace * p.interval + p.loggerStartTime;

    std::optional<DateTime> earliest;
    auto consider = [&earliest](bool set, DateTime t) {
        if (set && (!earliest || t < *earliest)) earliest = t;
    };
    consider(full, p.fullStopTime);
    consider(byCount, p.countStopTime);
    consider(timed, p.timedStopTime);
    p.expectedStopTime = earliest.value_or(0.0);

    // A logger that is not recording stopped after the records it holds.
    if (p.workStatus != kWorkRecording) {
        const DateTime recordedEnd = p.recordCount * p.interval + p.loggerStartTime;
        if (!earliest || recordedEnd < p.expectedStopTime) p.expectedStopTime = recordedEnd;
    }
}

bool firmwareAfterFeb2005(const LoggerParameters& p) {
    return std::tuple(p.firmwareYear, p.firmwareMonth, p.firmwareDay) >
           std::tuple<std::int16_t, std::int16_t, std::int16_t>(2005, 2, 25);
}

bool clockCheckNeeded(const LoggerParameters& p, Variant variant) {
    int k = p.deviceType();
    if (k == 240) k = kDeviceNoTimedStop;
    const bool timed = (p.stopMode & kStopTimed) != 0 || p.startMode == kStartTimed;
    const bool special =
        k == kDeviceSingleAnswer || k == kDeviceNoTimedStop || k == kDeviceNoPowerMode;
    if (variant == Variant::XY002) {
        return (!special && k != kDeviceClockWhenTimed) || (k == kDeviceClockWhenTimed && timed);
    }
    return !special || (k != kDeviceClockWhenTimed && timed);
}

DateTime clockTolerance(const LoggerParameters& p, Variant variant) {
    const DateTime floor =
        variant == Variant::XY002 ? makeDuration(0, 10, 0) : makeDuration(0, 0, 10);
    return std::max(p.interval, floor);
}

bool loggerClockWrong(const LoggerParameters& p, Variant variant, DateTime pcNow) {
    if (!clockCheckNeeded(p, variant)) return false;
    return std::llabs(roundedMs(pcNow) - roundedMs(p.loggerClock)) >=
           roundedMs(clockTolerance(p, variant));
}

}  // namespace tarvo
