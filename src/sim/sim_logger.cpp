#include "sim/sim_logger.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/codecs.h"
#include "link/frames.h"
#include "sim/sample_encoders.h"
#include "sim/text16.h"

namespace tarvo {

namespace {

constexpr std::uint8_t kStart = 0x3C;  // "<"
constexpr std::uint8_t kEnd = 0x66;    // "f"
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kShortCommand = 0x23;
constexpr std::uint8_t kLongCommand = 0x25;
constexpr int kParameterAnswerSize = 335;
constexpr int kParameterFrameSize = 185;
// Where the write position starts in the logger's memory (the parameters sit below).
constexpr std::int32_t kMemoryBase = 0x0C00;
// An upload nobody continues for this long is abandoned.
constexpr double kUploadIdleDays = 10.0 / kSecondsPerDay;

DateTime secondsToDays(double s) {
    return s / kSecondsPerDay;
}

std::uint64_t splitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A uniform number in [-1, 1) fixed by its arguments, so that any record can be
// produced again without replaying the ones before it.
double noiseAt(std::uint64_t seed, int channel, std::int64_t index) {
    const std::uint64_t h = splitMix(splitMix(seed ^ static_cast<std::uint64_t>(channel) << 56) ^
                                     static_cast<std::uint64_t>(index));
    return static_cast<double>(h >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

void putBe16(Bytes& b, int pos, std::int64_t v) {
    b[pos] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    b[pos + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

int be16(ByteView f, int pos) {
    return f[pos] * 256 + f[pos + 1];
}

// Year as a big-endian word, then month, day, hour, minute, second and one spare byte.
void putDate8(Bytes& b, int pos, DateTime t) {
    const CivilTime c = toCivil(t);
    putBe16(b, pos, c.year);
    b[pos + 2] = static_cast<std::uint8_t>(c.month);
    b[pos + 3] = static_cast<std::uint8_t>(c.day);
    b[pos + 4] = static_cast<std::uint8_t>(c.hour);
    b[pos + 5] = static_cast<std::uint8_t>(c.minute);
    b[pos + 6] = static_cast<std::uint8_t>(c.second);
    b[pos + 7] = 0;
}

// The seven-byte form of the parameter write: year hi, lo, month, day, h, m, s.
DateTime date7At(ByteView f, int pos) {
    return makeDateTime(be16(f, pos), f[pos + 2], f[pos + 3], f[pos + 4], f[pos + 5], f[pos + 6]);
}

void putDuration(Bytes& b, int pos, int seconds) {
    b[pos] = static_cast<std::uint8_t>(std::min(seconds / 3600, 255));
    b[pos + 1] = static_cast<std::uint8_t>(seconds / 60 % 60);
    b[pos + 2] = static_cast<std::uint8_t>(seconds % 60);
}

// Eight UTF-16 code units, low byte first; short texts are padded with `pad` units.
void putText16(Bytes& b, int pos, const std::string& text, char16_t pad) {
    std::u16string units = sim_text::utf8ToUtf16(text);
    units.resize(8, pad);
    for (int i = 0; i < 8; ++i) {
        b[pos + 2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        b[pos + 2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
}

std::string text16At(ByteView f, int pos) {
    std::u16string units;
    for (int i = 0; i < 8; ++i) {
        units += static_cast<char16_t>(f[pos + 2 * i] | (f[pos + 2 * i + 1] << 8));
    }
    while (!units.empty() && units.back() == 0) units.pop_back();
    return sim_text::utf16ToUtf8(units);
}

bool validClock(int year, int month, int day, int hour, int minute, int second) {
    return year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24 &&
           minute < 60 && second < 60;
}

}  // namespace

SimLogger::SimLogger(SimConfig config, DateTime pcNow)
    : config_(std::move(config)), random_(config_.seed) {
    recordWidth_ = config_.recordWidth();
    applyConfiguredParameters();
    state_.clockOffset = secondsToDays(static_cast<double>(config_.clockOffsetSeconds));
    state_.smsPassword = config_.smsPassword;
    state_.phoneNumbers = config_.phoneNumbers;
    state_.workStatus = config_.workStatus;
    state_.stopReason = config_.stopReason;
    state_.lastStopTime = makeDateTime(config_.lastStopTime);
    state_.recordCount = config_.recordCount;
    state_.recordAddressOverride = config_.recordAddress;
    state_.overflowOverride = config_.overflowCount;
    const bool startsLater = state_.startMode == kStartDelayed || state_.startMode == kStartManual;
    if (config_.startTime) {
        state_.connectStamp = makeDateTime(*config_.startTime);
    } else {
        // The last record was taken just now.
        state_.connectStamp = pcNow - secondsToDays(static_cast<double>(config_.recordCount) *
                                                        config_.intervalSeconds +
                                                    (startsLater ? config_.startDelaySeconds : 0));
    }
    countAtRef_ = state_.recordCount;
    growthRef_ = pcNow;
    growing_ = config_.growRecords && state_.workStatus == kWorkRecording &&
               state_.startMode >= kStartImmediately && state_.startMode <= kStartManual;
    for (const SimFault& f : config_.faults) faults_.push_back({f, f.skip, f.next});
}

void SimLogger::applyConfiguredParameters() {
    state_.userName = config_.userName;
    state_.title = config_.title;
    state_.intervalSeconds = config_.intervalSeconds;
    state_.startMode = config_.startMode;
    state_.startDelaySeconds = config_.startDelaySeconds;
    state_.stopMode = config_.stopMode;
    state_.stopCount = config_.stopCount;
    state_.powerMode = config_.powerMode;
    state_.writeWord = config_.writeWord;
    state_.recordChannels = config_.recordMask();
    state_.alarmChannels = config_.alarmMask();
    for (int i = 0; i < kChannelCount; ++i) {
        state_.curve[i] = config_.channels[i].curve;
        state_.alarmLow[i] = config_.channels[i].alarmLow;
        state_.alarmHigh[i] = config_.channels[i].alarmHigh;
    }
    state_.timedStartTime = makeDateTime(config_.timedStartTime);
    state_.timedStopTime = makeDateTime(config_.timedStopTime);
}

std::int32_t SimLogger::totalSpace() const {
    return recordWidth_ > 0 ? config_.effectiveCapacity / recordWidth_ : 0;
}

std::int16_t SimLogger::overflowCount() const {
    if (state_.overflowOverride) return *state_.overflowOverride;
    const std::int32_t space = totalSpace();
    if (space < 1 || state_.recordCount <= space) return 0;
    return static_cast<std::int16_t>(std::min((state_.recordCount - 1) / space, 255));
}

std::int32_t SimLogger::recordAddress() const {
    if (state_.recordAddressOverride) return *state_.recordAddressOverride;
    const std::int32_t space = totalSpace();
    const std::int32_t position =
        space < 1 ? 0
                  : (state_.recordCount <= space ? state_.recordCount : state_.recordCount % space);
    return (kMemoryBase + position * recordWidth_) & 0xFFFF;
}

DateTime SimLogger::recordingStart() const {
    switch (state_.startMode) {
        case kStartDelayed:
        case kStartManual:
            return state_.connectStamp + secondsToDays(state_.startDelaySeconds);
        case kStartTimed:
            return state_.timedStartTime;
        default:
            return state_.connectStamp;
    }
}

void SimLogger::advance(DateTime pcNow) {
    if (!growing_ || state_.intervalSeconds < 1 || totalSpace() < 1 || pcNow < growthRef_) return;
    const DateTime interval = secondsToDays(state_.intervalSeconds);
    const auto countAt = [&](DateTime t) -> std::int64_t {
        if (t <= growthRef_) return countAtRef_;
        return countAtRef_ +
               static_cast<std::int64_t>(std::floor((t - growthRef_) / interval + 1e-9));
    };
    // The stop condition met first ends the growth there.
    struct Trigger {
        DateTime at;
        std::int64_t count;
        std::int16_t reason;
    };
    std::optional<Trigger> first;
    const auto consider = [&](Trigger t) {
        if (t.at <= pcNow && (!first || t.at < first->at)) first = t;
    };
    const auto countTrigger = [&](std::int64_t cap, std::int16_t reason) {
        const DateTime at = cap <= countAtRef_
                                ? growthRef_
                                : growthRef_ + static_cast<double>(cap - countAtRef_) * interval;
        consider({at, std::max<std::int64_t>(cap, countAtRef_), reason});
    };
    if (state_.stopMode & kStopMemoryFull) countTrigger(totalSpace(), 0);
    if ((state_.stopMode & kStopByCount) && state_.stopCount > 0) countTrigger(state_.stopCount, 1);
    if (state_.stopMode & kStopTimed) {
        const DateTime at = std::max(state_.timedStopTime, growthRef_);
        consider({at, countAt(at), 2});
    }
    const std::int64_t limit = 0xFFFFFF;
    if (first) {
        state_.recordCount = static_cast<std::int32_t>(std::min(first->count, limit));
        state_.workStatus = kWorkStopped;
        state_.stopReason = first->reason;
        state_.lastStopTime = first->at + state_.clockOffset;
        growing_ = false;
        return;
    }
    state_.recordCount = static_cast<std::int32_t>(std::min(countAt(pcNow), limit));
}

double SimLogger::sampleValue(int channel, std::int64_t index) const {
    if (channel < 0 || channel >= kChannelCount) return 0;
    const SimChannel& ch = config_.channels[channel];
    if (configuredSamples_ && index >= 0 && index < static_cast<std::int64_t>(ch.samples.size())) {
        return ch.samples[static_cast<std::size_t>(index)];
    }
    if (ch.generator) {
        const SimSampleGenerator& g = *ch.generator;
        const DateTime t =
            recordingStart() + static_cast<double>(index) * secondsToDays(state_.intervalSeconds);
        const double dayPart = t - std::floor(t);
        // Warmest (highest) at 14:00.
        const double daily = std::cos(2 * std::numbers::pi * (dayPart - 14.0 / 24.0));
        return g.base + g.dailyAmplitude * daily + g.noise * noiseAt(g.seed, channel, index);
    }
    return ch.live.base;
}

double SimLogger::liveValue(int channel, DateTime pcNow) const {
    if (channel < 0 || channel >= kChannelCount) return 0;
    const SimLiveValue& live = config_.channels[channel].live;
    const double seconds = std::floor(pcNow * kSecondsPerDay + 0.5);
    // A slow swing over a quarter of an hour with a little jitter on top.
    const double swing = std::sin(2 * std::numbers::pi * seconds / 900.0 + channel);
    const double jitter = noiseAt(config_.seed, channel, static_cast<std::int64_t>(seconds));
    return live.base + live.drift * (0.9 * swing + 0.1 * jitter);
}

Bytes SimLogger::memoryImage() const {
    Bytes image;
    const std::int32_t space = totalSpace();
    const std::int64_t count = state_.recordCount;
    if (space < 1 || count < 1) return image;
    const std::int64_t stored = std::min<std::int64_t>(count, space);
    image.reserve(static_cast<std::size_t>(stored * recordWidth_ + 1));
    for (std::int64_t p = 0; p < stored; ++p) {
        // Ring position p holds the newest record whose index is p modulo the capacity.
        const std::int64_t index = count <= space ? p : p + space * ((count - 1 - p) / space);
        for (int c = 0; c < kChannelCount; ++c) {
            if (config_.channels[c].started) {
                encodeSample(config_.channels[c].dataLength, sampleValue(c, index), image);
            }
        }
    }
    // Firmware before 20 February 2005 sends one byte too many from a wrapped memory
    // whose capacity is a whole number of records.
    const SimDate& fw = config_.firmwareDate;
    const bool oldFirmware = makeDateTime(fw.year, fw.month, fw.day) < makeDateTime(2005, 2, 20);
    if (oldFirmware && overflowCount() >= 1 && config_.effectiveCapacity % recordWidth_ == 0) {
        image.push_back(0);
    }
    return image;
}

Bytes SimLogger::parameterAnswer(DateTime pcNow) const {
    return buildParameters(pcNow, config_.firmwareYearQuirk && config_.firmwareDate.year < 2006);
}

Bytes SimLogger::buildParameters(DateTime pcNow, bool yearQuirk) const {
    Bytes b(kParameterAnswerSize, 0);
    const auto address = encodeAddress(config_.address);
    b[0] = kStart;
    b[1] = address[0];
    b[2] = address[1];
    b[3] = 0x30;
    b[4] = 0x71;
    for (int i = 0; i < kChannelCount; ++i) {
        const SimChannel& ch = config_.channels[i];
        b[6 + i] = static_cast<std::uint8_t>(ch.type);
        b[14 + i] = static_cast<std::uint8_t>(ch.unit);
        b[22 + i] = static_cast<std::uint8_t>(ch.dataLength);
        const auto low =
            encodeScaledLong(ch.rangeLow).value_or(std::pair<std::uint8_t, std::uint8_t>{0, 0});
        const auto high =
            encodeScaledLong(ch.rangeHigh).value_or(std::pair<std::uint8_t, std::uint8_t>{0, 0});
        b[30 + 2 * i] = low.first;
        b[31 + 2 * i] = low.second;
        b[46 + 2 * i] = high.first;
        b[47 + 2 * i] = high.second;
        b[62 + i] = static_cast<std::uint8_t>(state_.curve[i]);
        const auto alarmLow = encodeSignedWord(state_.alarmLow[i]);
        const auto alarmHigh = encodeSignedWord(state_.alarmHigh[i]);
        b[265 + 2 * i] = alarmLow.first;
        b[266 + 2 * i] = alarmLow.second;
        b[281 + 2 * i] = alarmHigh.first;
        b[282 + 2 * i] = alarmHigh.second;
    }
    b[70] = static_cast<std::uint8_t>(config_.uploadWord1);
    b[71] = static_cast<std::uint8_t>(config_.uploadWord2);
    putBe16(b, 72, config_.pageSize);
    b[102] = static_cast<std::uint8_t>(config_.startedMask());
    for (int i = 0; i < 4; ++i) b[103 + i] = static_cast<std::uint8_t>(config_.deviceBytes[i]);
    b[107] = static_cast<std::uint8_t>(config_.firmwareDate.year - 2000);
    b[108] = static_cast<std::uint8_t>(config_.firmwareDate.month);
    b[109] = static_cast<std::uint8_t>(config_.firmwareDate.day);
    b[110] = static_cast<std::uint8_t>(config_.modelCode);
    putBe16(b, 111, config_.storageCapacity);
    std::string password = config_.modelPassword;
    password.resize(3, ' ');
    for (int i = 0; i < 3; ++i) b[114 + i] = static_cast<std::uint8_t>(password[i]);
    putBe16(b, 117, config_.effectiveCapacity);
    putText16(b, 121, state_.userName, 0);
    putText16(b, 137, state_.title, 0);
    CivilTime connect = toCivil(state_.connectStamp);
    if (yearQuirk) {
        // This firmware keeps its year six low and says so with 1..5 after the write word.
        connect.year -= 6;
        for (int i = 0; i < 5; ++i) b[179 + i] = static_cast<std::uint8_t>(i + 1);
    }
    b[153] = static_cast<std::uint8_t>(connect.year / 100);
    b[154] = static_cast<std::uint8_t>(connect.year % 100);
    b[155] = static_cast<std::uint8_t>(connect.month);
    b[156] = static_cast<std::uint8_t>(connect.day);
    b[157] = static_cast<std::uint8_t>(connect.hour);
    b[158] = static_cast<std::uint8_t>(connect.minute);
    b[159] = static_cast<std::uint8_t>(connect.second);
    putDuration(b, 160, state_.intervalSeconds);
    b[163] = static_cast<std::uint8_t>(state_.startMode);
    putDuration(b, 164, state_.startDelaySeconds);
    b[167] = static_cast<std::uint8_t>(state_.stopMode);
    putBe16(b, 168, state_.recordCount & 0xFFFF);
    b[170] = static_cast<std::uint8_t>((state_.recordCount >> 16) & 0xFF);
    putBe16(b, 171, recordAddress());
    b[173] = static_cast<std::uint8_t>(overflowCount());
    b[174] = static_cast<std::uint8_t>(state_.workStatus);
    b[175] = static_cast<std::uint8_t>(state_.powerMode);
    putBe16(b, 176, state_.stopCount);
    b[178] = static_cast<std::uint8_t>(state_.writeWord);
    putBe16(b, 184, state_.recordChannels);
    putBe16(b, 186, state_.alarmChannels);
    b[198] = b[199] = b[200] = 0xFF;
    putDate8(b, 201, state_.timedStartTime);
    putDate8(b, 217, state_.timedStopTime);
    putDate8(b, 225, state_.lastStopTime);
    b[232] = static_cast<std::uint8_t>(state_.stopReason);
    putDate8(b, 326, loggerClock(pcNow));
    b[334] = checksum(b, 6, 333);
    return b;
}

Bytes SimLogger::firstBlockAnswer() const {
    // The members of answer positions 110..296, each 99 lower; the clock is not sent
    // and the texts are padded with spaces instead of zeros.
    const Bytes full = buildParameters(0, false);
    Bytes b(199, 0);
    b[0] = kStart;
    b[1] = full[1];
    b[2] = full[2];
    b[3] = 0x30;
    b[4] = 0x46;
    std::copy(full.begin() + 110, full.begin() + 297, b.begin() + 11);
    putText16(b, 22, state_.userName, u' ');
    putText16(b, 38, state_.title, u' ');
    b[198] = kEnd;
    return b;
}

Bytes SimLogger::secondBlockAnswer() const {
    const Bytes full = buildParameters(0, false);
    Bytes b(full.begin(), full.begin() + 110);
    b[4] = 0x32;
    b.push_back(kEnd);
    return b;
}

Bytes SimLogger::ack(std::uint8_t function) const {
    const auto address = encodeAddress(config_.address);
    return {kStart, address[0], address[1], function, kTab};
}

Bytes SimLogger::liveAnswer(DateTime pcNow) const {
    const auto address = encodeAddress(config_.address);
    Bytes b{kStart, address[0], address[1], 0xFF, 0x39, 0};
    for (int c = 0; c < kChannelCount; ++c) {
        if (!config_.channels[c].started) continue;
        encodeSingle(static_cast<float>(liveValue(c, pcNow)), b);
        ++b[5];
    }
    b.push_back(kEnd);
    return b;
}

// Page answer: 3C A1 A2, the request's two bytes, the data length (big-endian), the
// page number, the data, and the sum of bytes 5 .. last - 1. An empty memory answers
// with eight bytes and no data.
Bytes SimLogger::pageAnswer(int page, std::uint8_t request) const {
    const auto address = encodeAddress(config_.address);
    const std::size_t size = uploadImage_.size();
    const std::size_t from = std::min(size, static_cast<std::size_t>(page) * config_.pageSize);
    const std::size_t to = std::min(size, from + static_cast<std::size_t>(config_.pageSize));
    Bytes b{kStart, address[0], address[1], request,
            0x36,   0,          0,          static_cast<std::uint8_t>(page & 0xFF)};
    if (size == 0) return b;  // byte 7 is both the page number 0 and the sum of 00 00
    putBe16(b, 5, static_cast<std::int64_t>(to - from));
    b.insert(b.end(), uploadImage_.begin() + static_cast<std::ptrdiff_t>(from),
             uploadImage_.begin() + static_cast<std::ptrdiff_t>(to));
    b.push_back(checksum(b, 5, static_cast<int>(b.size()) - 1));
    return b;
}

// Single answer of device type 0: 3C A1 A2, the request's two bytes, the data length,
// the whole memory from byte 7, then 66.
Bytes SimLogger::singleAnswer(std::uint8_t request) const {
    const auto address = encodeAddress(config_.address);
    Bytes b{kStart, address[0], address[1], request, 0x36, 0, 0};
    putBe16(b, 5, std::min<std::size_t>(uploadImage_.size(), 0xFFFF));
    b.insert(b.end(), uploadImage_.begin(), uploadImage_.end());
    b.push_back(kEnd);
    return b;
}

void SimLogger::resetUpload() {
    lastPage_ = -1;
    uploadImage_.clear();
}

std::optional<Bytes> SimLogger::historyAnswer(std::uint8_t request, DateTime pcNow) {
    const DateTime quietSince = std::max(lastHistoryAt_, lastSentAt_);
    if (lastPage_ >= 0 && pcNow - quietSince > kUploadIdleDays) resetUpload();
    lastHistoryAt_ = pcNow;
    if (config_.deviceType() == kDeviceSingleAnswer) {
        uploadImage_ = memoryImage();
        Bytes answer = singleAnswer(request);
        resetUpload();
        return answer;
    }
    if (request == 0xFF && !lastPageAnswer_.empty()) return lastPageAnswer_;
    if (request == 0x30) resetUpload();
    if (lastPage_ < 0) {
        uploadImage_ = memoryImage();
        lastPage_ = 0;
        lastPageAnswer_ = pageAnswer(0, request);
        return lastPageAnswer_;
    }
    const std::size_t pages =
        std::max<std::size_t>(1, (uploadImage_.size() + config_.pageSize - 1) / config_.pageSize);
    if (static_cast<std::size_t>(lastPage_) + 1 < pages) {
        ++lastPage_;
        lastPageAnswer_ = pageAnswer(lastPage_, request);
        return lastPageAnswer_;
    }
    // Past the end: the last page once more tells the workstation that this was all;
    // the next request starts a new upload.
    resetUpload();
    return lastPageAnswer_;
}

bool SimLogger::adoptParameters(ByteView f, DateTime pcNow) {
    if (f.size() != kParameterFrameSize || f[5] != kParameterFrameSize - 6 ||
        checksum(f, 6, kParameterFrameSize - 2) != f[kParameterFrameSize - 1]) {
        return false;
    }
    state_.userName = text16At(f, 8);
    state_.title = text16At(f, 24);
    // Positions 40..46: the PC's time at writing, year in hundreds and the rest.
    const int year = f[40] * 100 + f[41];
    state_.connectStamp = validClock(year, f[42], f[43], f[44], f[45], f[46])
                              ? makeDateTime(year, f[42], f[43], f[44], f[45], f[46])
                              : pcNow;
    state_.intervalSeconds = f[47] * 3600 + f[48] * 60 + f[49];
    state_.startMode = f[50];
    state_.startDelaySeconds = f[51] * 3600 + f[52] * 60 + f[53];
    state_.stopMode = f[54];
    state_.powerMode = f[62];
    state_.stopCount = static_cast<std::int16_t>(be16(f, 63) & 0x7FFF);
    state_.writeWord = f[65];
    state_.recordChannels = static_cast<std::int16_t>(be16(f, 71));
    state_.alarmChannels = static_cast<std::int16_t>(be16(f, 73));
    state_.timedStartTime = date7At(f, 88);
    state_.timedStopTime = date7At(f, 104);
    state_.lastStopTime = date7At(f, 111);
    state_.stopReason = f[118];
    for (int i = 0; i < kChannelCount; ++i) {
        state_.curve[i] = f[143 + i];
        state_.alarmLow[i] = decodeSignedWord(f[151 + 2 * i], f[152 + 2 * i]);
        state_.alarmHigh[i] = decodeSignedWord(f[167 + 2 * i], f[168 + 2 * i]);
    }
    restartRecording(pcNow);
    return true;
}

void SimLogger::clearMemory() {
    state_.recordCount = 0;
    state_.recordAddressOverride.reset();
    state_.overflowOverride.reset();
    configuredSamples_ = false;
    countAtRef_ = 0;
    resetUpload();
}

void SimLogger::restartRecording(DateTime /*pcNow*/) {
    clearMemory();
    state_.workStatus = state_.startMode == kStartStopped ? kWorkStopped : kWorkRecording;
    growthRef_ = recordingStart();
    growing_ = config_.growRecords && state_.workStatus == kWorkRecording;
}

void SimLogger::stopRecording(DateTime pcNow) {
    if (state_.workStatus != kWorkStopped) state_.lastStopTime = loggerClock(pcNow);
    state_.workStatus = kWorkStopped;
    growing_ = false;
}

SimReply SimLogger::dispatch(ByteView f, DateTime pcNow) {
    SimReply r;
    const auto address = encodeAddress(config_.address);
    const bool ours = f.size() >= 3 && f[1] == address[0] && f[2] == address[1];
    if (f.size() == 6 && f[0] == kShortCommand && f[5] == kEnd) {
        if (!ours) return r;
        const std::uint8_t x = f[3];
        const std::uint8_t y = f[4];
        if (y != 0x36) resetUpload();
        if (x == 0x30 && y == 0x71 && config_.answersXY002) {
            r.command = SimCommand::Connect;
            r.bytes = parameterAnswer(pcNow);
        } else if (x == 0x30 && y == 0x32 && config_.answersXY001) {
            r.command = SimCommand::SecondBlock;
            r.bytes = secondBlockAnswer();
        } else if (y == 0x36 && (x == 0x00 || x == 0x30 || x == 0xFF)) {
            r.command = SimCommand::History;
            r.bytes = historyAnswer(x, pcNow);
        } else if (x == 0xFF && y == 0x39) {
            r.command = SimCommand::Live;
            r.bytes = liveAnswer(pcNow);
        }
        r.understood = r.bytes.has_value();
        return r;
    }
    if (f.size() < 6 || f[0] != kLongCommand || f.size() != 6u + f[5]) return r;
    if (!ours) {
        // The closing frame after a connect goes to address 00 and ends any session.
        if (f[1] == 0x30 && f[2] == 0x30) resetUpload();
        return r;
    }
    resetUpload();
    const std::uint8_t function = f[4];
    const std::uint8_t length = f[5];
    if (function == 0x46 && length == 6 && f[6] == 0x01 && config_.answersXY001) {
        r.command = SimCommand::Connect;
        r.bytes = firstBlockAnswer();
    } else if (function == 0x46 && length == 5 && f[6] == 0x03 && f[9] == 0x55 && f[10] == kEnd) {
        const std::uint8_t a = f[7];
        const std::uint8_t b = f[8];
        if (a == 0x00 && b == 0x00) {
            r.command = SimCommand::Stop;
            stopRecording(pcNow);
        } else if (a == 0x00 && (b == 0x02 || b == 0x03)) {
            r.command = SimCommand::Power;
            state_.powerMode = b == 0x02 ? kPowerNormal : kPowerSaving;
        } else if (a >= 0x61 && a <= 0x65 && b == a + 0x0E) {
            r.command = SimCommand::Reset;
            const int level = 0x66 - a;
            stopRecording(pcNow);
            if (level >= 2) clearMemory();
            if (level >= 3) {
                state_.phoneNumbers = {};
                state_.smsPassword = config_.smsPassword;
            }
            if (level >= 4) applyConfiguredParameters();
            if (level >= 5) {
                state_.clockOffset = secondsToDays(static_cast<double>(config_.clockOffsetSeconds));
            }
        } else {
            return r;
        }
        r.bytes = ack(function);
    } else if (function == 0x10 && length == 8 && f[13] == kEnd) {
        const int year = be16(f, 6);
        if (!validClock(year, f[8], f[9], f[10], f[11], f[12])) return r;
        r.command = SimCommand::Clock;
        state_.clockOffset = makeDateTime(year, f[8], f[9], f[10], f[11], f[12]) - pcNow;
        r.bytes = ack(function);
    } else if (function == 0x47 && f.size() == kParameterFrameSize) {
        // A write that fails its checksum is ignored; the workstation sends it again.
        if (!adoptParameters(f, pcNow)) return r;
        r.command = SimCommand::Write;
        r.bytes = ack(function);
    } else if (function == 0x48 && length == 0x23 && f[40] == kEnd) {
        r.command = SimCommand::SmsNumbers;
        for (int n = 0; n < 3; ++n) {
            std::string number;
            for (int i = 0; i < 11; ++i) {
                const std::uint8_t c = f[6 + 11 * n + i];
                if (c != 0) number += static_cast<char>(c);
            }
            state_.phoneNumbers[n] = number;
        }
        r.bytes = ack(function);
    } else if (function == 0x49 && length == 0x21 && f[38] == kEnd) {
        r.command = SimCommand::SmsPassword;
        std::string oldPassword;
        std::string newPassword;
        for (int i = 0; i < 8; ++i) {
            oldPassword += static_cast<char>(f[7 + 2 * i]);
            newPassword += static_cast<char>(f[23 + 2 * i]);
        }
        if (oldPassword == state_.smsPassword) {
            state_.smsPassword = newPassword;
            r.bytes = ack(function);
        } else {
            // Four bytes say the old password was wrong.
            r.bytes = Bytes{kStart, address[0], address[1], 0x15};
        }
    }
    r.understood = r.bytes.has_value();
    return r;
}

void SimLogger::injectFault(SimFaultKind kind, int count, SimCommand command, int skip) {
    SimFault f;
    f.kind = kind;
    f.command = command;
    f.skip = skip;
    f.next = count;
    // Scripted faults come before the configured ones.
    faults_.insert(faults_.begin(), {f, skip, count});
}

void SimLogger::applyFault(SimReply& reply) {
    // Every matching entry counts every answer; the first that fires decides.
    std::optional<SimFaultKind> kind;
    for (ActiveFault& a : faults_) {
        if (a.fault.command != SimCommand::Any && a.fault.command != reply.command) continue;
        bool fires = false;
        if (a.skipLeft > 0) {
            --a.skipLeft;
        } else if (a.nextLeft > 0) {
            --a.nextLeft;
            fires = true;
        } else if (a.fault.rate > 0) {
            fires = std::uniform_real_distribution<double>(0.0, 1.0)(random_) < a.fault.rate;
        }
        if (fires && !kind) kind = a.fault.kind;
    }
    if (!kind) return;
    Bytes& b = *reply.bytes;
    switch (*kind) {
        case SimFaultKind::NoAnswer:
            reply.bytes.reset();
            break;
        case SimFaultKind::BadChecksum:
            b.back() = static_cast<std::uint8_t>(b.back() + 1);
            break;
        case SimFaultKind::Truncated:
            b.resize(std::max<std::size_t>(1, b.size() / 2));
            break;
        case SimFaultKind::Trickle:
            reply.trickle = true;
            break;
        case SimFaultKind::Garbage: {
            const std::size_t n = std::uniform_int_distribution<std::size_t>(1, b.size())(random_);
            Bytes noise(n);
            for (auto& byte : noise) {
                byte =
                    static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_));
            }
            if (noise[0] == kStart) noise[0] = 0x00;
            b = std::move(noise);
            break;
        }
    }
}

SimReply SimLogger::respond(ByteView frame, DateTime pcNow) {
    advance(pcNow);
    SimReply reply = dispatch(frame, pcNow);
    if (reply.bytes) applyFault(reply);
    return reply;
}

}  // namespace tarvo
