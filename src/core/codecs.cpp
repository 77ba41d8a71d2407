#include "core/codecs.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarvo {
namespace {

constexpr std::uint8_t kSignBit = 0x80;
constexpr std::uint8_t kMagnitude = 0x7F;

// Largest and smallest magnitudes the logger's singles may take; anything else reads as 0.
constexpr double kSingleMax = 3.402823e38;
constexpr double kSingleMin = 1.401298e-45;

float signedValue(bool negative, double magnitude) {
    // A negative zero would print as "-0".
    if (magnitude == 0.0) return 0.0f;
    return static_cast<float>(negative ? -magnitude : magnitude);
}

}  // namespace

double roundHalfEven(double x, int decimals) {
    if (!std::isfinite(x)) return x;
    const double scale = std::pow(10.0, decimals);
    const double y = x * scale;
    const double low = std::floor(y);
    const double diff = y - low;
    double r = low;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(low, 2.0) != 0.0)) r = low + 1.0;
    return r / scale;
}

// ---- parameter codecs ----

std::int32_t decodeScaledLong(std::uint8_t b0, std::uint8_t b1) {
    // b0: sign and magnitude 0..127; b1: decimal exponent 0..6.
    if (b1 > 6) return 0;
    std::int32_t value = b0 & kMagnitude;
    for (int i = 0; i < b1; ++i) value *= 10;
    return (b0 & kSignBit) ? -value : value;
}

std::int16_t decodeSignedWord(std::uint8_t b0, std::uint8_t b1) {
    const int magnitude = (b0 & kMagnitude) * 256 + b1;
    return static_cast<std::int16_t>((b0 & kSignBit) ? -magnitude : magnitude);
}

std::pair<std::uint8_t, std::uint8_t> encodeSignedWord(std::int16_t value) {
    // Fifteen bits of magnitude: -32768 has no encoding and is sent as the nearest
    // value, -32767, rather than as 0x80 0x00, which the logger would read as 0.
    const int magnitude = std::min(std::abs(static_cast<int>(value)), 32767);
    auto b0 = static_cast<std::uint8_t>(magnitude / 256);
    const auto b1 = static_cast<std::uint8_t>(magnitude % 256);
    if (value < 0) b0 |= kSignBit;
    return {b0, b1};
}

// ---- sample codecs ----

float decodeHalfStepByte(std::uint8_t b, double r) {
    // The byte holds half degrees; the tenths within the half step are made up from r.
    const int m = b & kMagnitude;
    const double tenths = std::clamp(roundHalfEven(5.0 * r), 0.0, 5.0) / 10.0;
    if (b & kSignBit) return static_cast<float>((m - 1) + 0.5 + tenths);
    return static_cast<float>(m + tenths);
}

float decodeDecimalWord(std::uint8_t b0, std::uint8_t b1) {
    // b0: sign and the low seven bits of the integer part; b1: four more integer bits
    // above those, then the tenths digit (values above 9 carry by arithmetic).
    const int integerPart = (b0 & kMagnitude) + (b1 >> 4) * 128;
    const int tenths = b1 & 0x0F;
    return signedValue(b0 & kSignBit, integerPart + tenths / 10.0);
}

float decodeSingleBytes(std::uint8_t m3, std::uint8_t m2, std::uint8_t m1, std::uint8_t m0) {
    // Built from sign, exponent and fraction by arithmetic: exponent 0 is not a zero
    // or a subnormal here, and the all-ones exponent overflows into the 0 below.
    const bool negative = m3 & kSignBit;
    const int exponent = (m3 & kMagnitude) * 2 + (m2 >> 7);
    const std::uint32_t fractionBits = (static_cast<std::uint32_t>(m2 & kMagnitude) << 16) |
                                       (static_cast<std::uint32_t>(m1) << 8) | m0;
    const double fraction = std::ldexp(static_cast<double>(fractionBits), -23);
    const double magnitude = std::ldexp(1.0 + fraction, exponent - 127);
    if (!std::isfinite(magnitude) || magnitude > kSingleMax || magnitude < kSingleMin) return 0.0f;
    return static_cast<float>(negative ? -magnitude : magnitude);
}

float decodePlainByte(std::uint8_t b) {
    return static_cast<float>(b);
}

float decodeSignedByte(std::uint8_t b) {
    return signedValue(b & kSignBit, b & kMagnitude);
}

float decodeNibbleDecimal(std::uint8_t b) {
    // Units in the high nibble, tenths in the low one; nibbles above 9 are used as they are.
    return static_cast<float>((b >> 4) + (b & 0x0F) / 10.0);
}

// ---- record layout ----

int decodedWidth(std::int16_t dataLengthCode) {
    switch (dataLengthCode) {
        case kLengthHalfStepByte:
        case kLengthPlainByte:
        case kLengthSignedByte:
        case kLengthNibbleDecimal:
            return 1;
        case kLengthDecimalWord:
            return 2;
        case kLengthSingle:
            return 4;
        default:
            return 0;
    }
}

int sampleWidth(std::int16_t dataLengthCode) {
    const int width = decodedWidth(dataLengthCode);
    return width > 0 ? width : dataLengthCode;
}

int recordWidthOf(const LoggerParameters& params) {
    int width = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (params.channelStarted(channel)) width += sampleWidth(params.channelDataLength[channel]);
    }
    return width;
}

RecordDecoder::RecordDecoder(const PerChannel<std::int16_t>& dataLength,
                             std::int16_t startedChannels) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if ((startedChannels >> channel) & 1) codes_.push_back(dataLength[channel]);
    }
}

int RecordDecoder::recordBytes() const {
    int bytes = 0;
    for (const auto code : codes_) bytes += decodedWidth(code);
    return bytes;
}

int RecordDecoder::decode(ByteView stream, std::size_t pos, std::vector<float>& values) {
    values.clear();
    const auto bytes = static_cast<std::size_t>(recordBytes());
    if (pos > stream.size() || stream.size() - pos < bytes) return 0;

    std::size_t p = pos;
    for (const auto code : codes_) {
        switch (code) {
            case kLengthHalfStepByte: {
                // 32 random bits over 2^32: uniform in [0, 1), the same on every platform.
                const double r = static_cast<double>(random_()) / 4294967296.0;
                last_ = decodeHalfStepByte(stream[p], r);
                break;
            }
            case kLengthDecimalWord:
                last_ = decodeDecimalWord(stream[p], stream[p + 1]);
                break;
            case kLengthSingle:
                last_ = decodeSingleBytes(stream[p + 3], stream[p + 2], stream[p + 1], stream[p]);
                break;
            case kLengthPlainByte:
                last_ = decodePlainByte(stream[p]);
                break;
            case kLengthSignedByte:
                last_ = decodeSignedByte(stream[p]);
                break;
            case kLengthNibbleDecimal:
                last_ = decodeNibbleDecimal(stream[p]);
                break;
            default:
                break;  // unknown code: consumes nothing, repeats the last value
        }
        values.push_back(last_);
        p += static_cast<std::size_t>(decodedWidth(code));
    }
    return static_cast<int>(p - pos);
}

std::vector<float> decodeLiveFrame(ByteView frame, int channels) {
    std::vector<float> values;
    // Values start at byte 6; the last byte of the frame is its check byte.
    constexpr std::size_t kFirstValue = 6;
    for (std::size_t p = kFirstValue;
         p + 5 <= frame.size() && static_cast<int>(values.size()) < channels; p += 4) {
        const float v = decodeSingleBytes(frame[p + 3], frame[p + 2], frame[p + 1], frame[p]);
        values.push_back(static_cast<float>(roundHalfEven(v, 1)));
    }
    return values;
}

// ---- statistics ----

float updateRunningStats(float value, float& max, float& min, float& mean, long count) {
    if (count <= 1) {
        // The first sample of a run starts all three statistics afresh.
        max = value;
        min = value;
    } else {
        if (max < value) max = value;
        if (min > value) min = value;
    }
    double m = 0.0;
    if (count >= 1) {
        const double n = static_cast<double>(count);
        m = static_cast<double>(mean) / n * (n - 1.0) + static_cast<double>(value) / n;
    }
    // Kept unrounded: rounding at every update would let each new sample vanish in
    // the rounding once a few dozen are held. Displays round for themselves.
    mean = static_cast<float>(m);
    return value;
}

void removeFromMean(float& mean, float value, long count) {
    if (count < 2) return;
    const double n = static_cast<double>(count);
    mean = static_cast<float>(static_cast<double>(mean) / (n - 1.0) * n -
                              static_cast<double>(value) / (n - 1.0));
}

namespace {

// Clamps a 1-based inclusive range to the series; false when nothing is left.
bool clampRange(std::span<const float> series, long& from, long& to) {
    const long size = static_cast<long>(series.size());
    from = std::max(from, 1L);
    to = std::min(to, size);
    return from <= to;
}

template <typename Better>
float rangeExtreme(std::span<const float> series, long from, long to, Better better) {
    if (!clampRange(series, from, to)) return 0.0f;
    float result = series[static_cast<std::size_t>(from - 1)];
    for (long k = from + 1; k <= to; ++k) {
        const float v = series[static_cast<std::size_t>(k - 1)];
        if (better(v, result)) result = v;
    }
    return result;
}

}  // namespace

float rangeMax(std::span<const float> series, long from, long to) {
    return rangeExtreme(series, from, to, [](float a, float b) { return a > b; });
}

float rangeMin(std::span<const float> series, long from, long to) {
    return rangeExtreme(series, from, to, [](float a, float b) { return a < b; });
}

float rangeMean(std::span<const float> series, long from, long to) {
    if (!clampRange(series, from, to)) return 0.0f;
    if (from == to) return series[static_cast<std::size_t>(from - 1)];
    // Each term is divided before it is added, and the sum is kept as a single.
    const auto n = static_cast<float>(to - from + 1);
    float sum = 0.0f;
    for (long k = from; k <= to; ++k) sum += series[static_cast<std::size_t>(k - 1)] / n;
    return sum;
}

void rangeMeans(std::span<const std::span<const float>> series, long from, long to,
                std::span<float> means) {
    // Series that hold the whole range are summed four at a time, a lane each of a vector
    // of four singles: each lane divides and adds its terms in the same order and with
    // the same single-precision rounding as rangeMean, but the divisions of four series
    // go in one instruction (whose throughput, not the sum's latency, sets the pace).
    using Singles4 = float __attribute__((vector_size(16)));
    constexpr std::size_t kLanes = 4;
    std::vector<std::size_t> whole;
    for (std::size_t i = 0; i < series.size(); ++i) {
        long f = from, t = to;
        if (clampRange(series[i], f, t) && f == from && t == to && from < to) {
            whole.push_back(i);
        } else {
            means[i] = rangeMean(series[i], from, to);
        }
    }
    const auto n = static_cast<float>(to - from + 1);
    for (std::size_t group = 0; group < whole.size(); group += kLanes) {
        const std::size_t lanes = std::min(kLanes, whole.size() - group);
        std::array<const float*, kLanes> p{};
        for (std::size_t lane = 0; lane < kLanes; ++lane)  // spare lanes repeat the first
            p[lane] = series[whole[group + (lane < lanes ? lane : 0)]].data();
        Singles4 sum{};
        for (long k = from - 1; k < to; ++k) {
            const Singles4 a = {p[0][k], p[1][k], p[2][k], p[3][k]};
            sum += a / n;
        }
        for (std::size_t lane = 0; lane < lanes; ++lane) means[whole[group + lane]] = sum[lane];
    }
}

// ---- texts and colours ----

std::string compactTimeText(DateTime t) {
    const CivilTime c = toCivil(t);
    std::string text;
    for (const int part : {c.year, c.month, c.day, c.hour, c.minute, c.second}) {
        text += std::to_string(part);
    }
    return text;
}

Rgb defaultCurveColor(Rgb& colour, int i) {
    if (colour != 0) return colour;
    static constexpr std::array<Rgb, 8> kDefaults = {
        rgb(192, 64, 64),  rgb(64, 64, 192),  rgb(64, 192, 64),  rgb(192, 192, 64),
        rgb(192, 64, 192), rgb(64, 192, 192), rgb(128, 128, 64), rgb(64, 192, 192),
    };
    colour = (i >= 1 && i <= static_cast<int>(kDefaults.size()))
                 ? kDefaults[static_cast<std::size_t>(i - 1)]
                 : rgb(0, 0, 0);
    return colour;
}

}  // namespace tarvo
