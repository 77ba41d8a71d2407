#include "link/frames.h"

#include <cmath>
#include <string_view>

#include "core/codecs.h"
#include "core/logger_parameters.h"
#include "core/utf8.h"

namespace tarvo {

namespace {

constexpr std::uint8_t kLongStart = 0x25;    // '%'
constexpr std::uint8_t kShortStart = 0x23;   // '#'
constexpr std::uint8_t kEnd = 0x66;          // 'f'

constexpr std::size_t kParameterFrameSize = 185;
constexpr int kStampPos = 40;
constexpr int kChecksumPos = 184;

// The low byte of a record field; the logger's bytes are the low bytes of the
// values it reported.
constexpr std::uint8_t lowByte(long long v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}
// hi / lo of a 16-bit value: quotient and remainder of its unsigned form by 256.
constexpr std::uint8_t hiByte(long long v) {
    return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

Bytes shortFrame(int address, std::uint8_t x, std::uint8_t y) {
    const auto a = encodeAddress(address);
    return {kShortStart, a[0], a[1], x, y, kEnd};
}

// 25 A1 A2 30 46 05 03 x y 55 66: stop, power mode and reset share this form.
Bytes settingFrame(int address, std::uint8_t x, std::uint8_t y) {
    const auto a = encodeAddress(address);
    return {kLongStart, a[0], a[1], 0x30, 0x46, 0x05, 0x03, x, y, 0x55, kEnd};
}


// text16: at most 8 UTF-16 code units, low byte first, zero bytes after. A
// character whose surrogate pair would be cut at the eighth unit is left out whole.
void putText16(Bytes& frame, std::size_t pos, std::string_view text) {
    std::u16string units = utf8ToUtf16(text);
    if (units.size() > 8) {
        units.resize(8);
        if (units[7] >= 0xD800 && units[7] <= 0xDBFF) units.resize(7);
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        frame[pos + 2 * k] = lowByte(units[k]);
        frame[pos + 2 * k + 1] = hiByte(units[k]);
    }
}

// Year hi, year lo, month, day, hour, minute, second.
void putDate7(Bytes& frame, std::size_t pos, DateTime t) {
    const CivilTime c = toCivil(t);
    const std::uint8_t bytes[7] = {hiByte(c.year),   lowByte(c.year), lowByte(c.month),
                                   lowByte(c.day),   lowByte(c.hour), lowByte(c.minute),
                                   lowByte(c.second)};
    for (std::size_t k = 0; k < 7; ++k) frame[pos + k] = bytes[k];
}

// Year divided by 100, year modulo 100, month, day, hour, minute, second.
void putStamp(Bytes& frame, DateTime now) {
    const CivilTime c = toCivil(now);
    const std::uint8_t bytes[7] = {lowByte(c.year / 100), lowByte(c.year % 100), lowByte(c.month),
                                   lowByte(c.day),        lowByte(c.hour),       lowByte(c.minute),
                                   lowByte(c.second)};
    for (std::size_t k = 0; k < 7; ++k) frame[kStampPos + k] = bytes[k];
}

// The countdown a timed start is sent as: whole hours, minutes and seconds from
// `now` until `start`. An hour count of 256 or more does not fit its byte and is
// sent as 0; a start already past counts down from 0.
std::array<std::uint8_t, 3> countdownBytes(DateTime now, DateTime start) {
    const double days = start - now;
    if (!std::isfinite(days) || days <= 0) return {0, 0, 0};
    const long long secs = std::llround(days * kSecondsPerDay);
    const long long h = secs / 3600;
    const long long m = (secs / 60) % 60;
    const long long s = secs % 60;
    auto fit = [](long long v) { return v < 256 ? static_cast<std::uint8_t>(v) : std::uint8_t{0}; };
    return {fit(h), fit(m), fit(s)};
}

void putSignedWord(Bytes& frame, std::size_t pos, std::int16_t value) {
    const auto [b0, b1] = encodeSignedWord(value);
    frame[pos] = b0;
    frame[pos + 1] = b1;
}

}  // namespace

std::array<std::uint8_t, 2> encodeAddress(int address) {
    // Callers pass 1..100; anything else is encoded from its low byte so that a
    // frame is still well formed.
    const int a = address & 0xFF;
    return {static_cast<std::uint8_t>(a / 16 + 0x30), static_cast<std::uint8_t>(a % 16 + 0x30)};
}

int decodeAddress(std::uint8_t a1, std::uint8_t a2) {
    return (static_cast<int>(a1) - 0x30) * 16 + (static_cast<int>(a2) - 0x30);
}

std::uint8_t checksum(ByteView frame, int from, int to) {
    if (from < 0) from = 0;
    if (to >= static_cast<int>(frame.size())) to = static_cast<int>(frame.size()) - 1;
    std::uint8_t sum = 0;
    for (int i = from; i <= to; ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
    return sum;
}

Bytes connectFrame(int address, Variant variant) {
    if (variant == Variant::XY001) {
        const auto a = encodeAddress(address);
        return {kLongStart, a[0], a[1], 0x30, 0x46, 0x06, 0x01, 0x00, 0x00, 0x00, 0x48, kEnd};
    }
    return shortFrame(address, 0x30, 0x71);
}

Bytes secondBlockFrame(int address) {
    return shortFrame(address, 0x30, 0x32);
}

Bytes closingFrame() {
    return {kLongStart, 0x30, 0x30, 0x30, 0x46, 0x05, 0x02, 0x0B, 0xF3, 0x69, kEnd};
}

Bytes historyFrame(int address, HistoryRequest request) {
    switch (request) {
        case HistoryRequest::FirstXY001:
            return shortFrame(address, 0x30, 0x36);
        case HistoryRequest::SamePageAgain:
            return shortFrame(address, 0xFF, 0x36);
        case HistoryRequest::FirstXY002:
        case HistoryRequest::NextPage:
            break;
    }
    return shortFrame(address, 0x00, 0x36);
}

Bytes liveFrame(int address) {
    return shortFrame(address, 0xFF, 0x39);
}

Bytes stopFrame(int address) {
    return settingFrame(address, 0x00, 0x00);
}

Bytes powerModeFrame(int address, bool normal) {
    return settingFrame(address, 0x00, normal ? 0x02 : 0x03);
}

std::optional<Bytes> resetFrame(int address, int level) {
    // (X, Y) per level 1..5.
    static constexpr std::uint8_t kCodes[5][2] = {
        {0x65, 0x73}, {0x64, 0x72}, {0x63, 0x71}, {0x62, 0x70}, {0x61, 0x6F}};
    if (level < 1 || level > 5) return std::nullopt;
    return settingFrame(address, kCodes[level - 1][0], kCodes[level - 1][1]);
}

Bytes clockFrame(int address, const CivilTime& time) {
    const auto a = encodeAddress(address);
    return {kLongStart,
            a[0],
            a[1],
            0x30,
            0x10,
            0x08,
            hiByte(time.year),
            lowByte(time.year),
            lowByte(time.month),
            lowByte(time.day),
            lowByte(time.hour),
            lowByte(time.minute),
            lowByte(time.second),
            kEnd};
}

Bytes smsNumbersFrame(int address, const std::array<std::string, 3>& numbers) {
    const auto a = encodeAddress(address);
    Bytes frame{kLongStart, a[0], a[1], 0x30, 0x48, 0x23};
    std::uint8_t count = 0;
    for (const std::string& number : numbers) {
        bool send = number.size() == 11;
        for (char c : number) send = send && c >= '0' && c <= '9';
        for (std::size_t k = 0; k < 11; ++k) {
            frame.push_back(send ? static_cast<std::uint8_t>(number[k]) : std::uint8_t{0});
        }
        if (send) ++count;
    }
    frame.push_back(count);
    frame.push_back(kEnd);
    return frame;
}

Bytes smsPasswordFrame(int address, const std::string& oldPassword,
                       const std::string& newPassword) {
    const auto a = encodeAddress(address);
    Bytes frame{kLongStart, a[0], a[1], 0x30, 0x49, 0x21};
    // Each of the eight characters travels as the pair 00, code. The dialog only
    // lets eight digits through; a shorter text is padded with 00 00 pairs so the
    // frame keeps its length, and characters after the eighth are not sent.
    for (const std::string* text : {&oldPassword, &newPassword}) {
        for (std::size_t k = 0; k < 8; ++k) {
            frame.push_back(0x00);
            frame.push_back(k < text->size() ? static_cast<std::uint8_t>((*text)[k])
                                             : std::uint8_t{0});
        }
    }
    frame.push_back(kEnd);
    return frame;
}

Bytes parameterFrame(int address, const LoggerParameters& p, DateTime now) {
    Bytes f(kParameterFrameSize, 0);
    const auto a = encodeAddress(address);
    f[0] = kLongStart;
    f[1] = a[0];
    f[2] = a[1];
    f[3] = 0x30;
    f[4] = 0x47;  // 'G'
    f[5] = static_cast<std::uint8_t>(kParameterFrameSize - 6);
    f[6] = 0x00;
    f[7] = 0x0B;
    putText16(f, 8, p.userName);
    putText16(f, 24, p.title);
    putStamp(f, now);
    f[47] = lowByte(p.intervalHours);
    f[48] = lowByte(p.intervalMinutes);
    f[49] = lowByte(p.intervalSeconds);
    // A timed start goes out as a delayed start counting down to the start time.
    f[50] = lowByte(p.startMode == kStartTimed ? std::int16_t{kStartDelayed} : p.startMode);
    if (p.startMode == kStartDelayed) {
        f[51] = lowByte(p.delayHours);
        f[52] = lowByte(p.delayMinutes);
        f[53] = lowByte(p.delaySeconds);
    } else if (p.startMode == kStartTimed) {
        const auto c = countdownBytes(now, p.timedStartTime);
        f[51] = c[0];
        f[52] = c[1];
        f[53] = c[2];
    }
    f[54] = lowByte(p.stopMode);
    // What the logger resets on a restart: record count 0 (55..57), record address
    // 0C00 (58..59), overflow count 0 (60), work status "recording" (61).
    f[58] = 0x0C;
    f[59] = 0x00;
    f[61] = 1;
    f[62] = lowByte(p.powerMode);
    f[63] = hiByte(p.stopCount);
    f[64] = lowByte(p.stopCount);
    f[65] = lowByte(p.writeWord);
    f[71] = hiByte(p.recordChannels);
    f[72] = lowByte(p.recordChannels);
    f[73] = hiByte(p.alarmChannels);
    f[74] = lowByte(p.alarmChannels);
    f[85] = 0xFF;
    f[86] = 0xFF;
    f[87] = 0xFF;
    putDate7(f, 88, p.timedStartTime);
    putDate7(f, 104, p.timedStopTime + p.interval);
    putDate7(f, 111, p.lastStopTime);
    f[118] = lowByte(p.stopReason);
    for (int i = 0; i < kChannelCount; ++i) {
        f[143 + i] = lowByte(p.curveNumber[i]);
        putSignedWord(f, 151 + 2 * i, p.alarmLow[i]);
        putSignedWord(f, 167 + 2 * i, p.alarmHigh[i]);
    }
    f[kChecksumPos] = checksum(f, 6, kChecksumPos - 1);
    return f;
}

void restampParameterFrame(Bytes& frame, DateTime now) {
    if (frame.size() != kParameterFrameSize) return;
    putStamp(frame, now);
    frame[kChecksumPos] = checksum(frame, 6, kChecksumPos - 1);
}

std::string hexEcho(ByteView frame) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(frame.size() * 3);
    for (std::uint8_t b : frame) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
        text.push_back(' ');
    }
    return text;
}

}  // namespace tarvo
