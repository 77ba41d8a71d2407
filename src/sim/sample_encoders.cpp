#include "sim/sample_encoders.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/codecs.h"

namespace tarvo {

namespace {

long roundedTenths(double v) {
    return std::lround(v * 10.0);
}

}  // namespace

std::uint8_t encodeHalfStepByte(double v) {
    if (!std::isfinite(v)) v = 0.0;
    v = std::clamp(v, -0.5, 127.5);
    // The decoder reads m + 0..0.5 with the flag clear and (m - 1) + 0.5 + 0..0.5 with
    // it set: the lower half of a unit is stored as that unit, the upper half as the
    // next unit with the flag.
    const double whole = std::floor(v);
    if (whole >= 127) return 127;
    if (v - whole < 0.5) return static_cast<std::uint8_t>(whole);
    return static_cast<std::uint8_t>(static_cast<int>(whole) + 1) | 0x80;
}

std::pair<std::uint8_t, std::uint8_t> encodeDecimalWord(double v) {
    if (!std::isfinite(v)) v = 0.0;
    long tenths = std::min(roundedTenths(std::fabs(v)), 20479L);
    const bool negative = v < 0 && tenths > 0;
    const long whole = tenths / 10;
    const long digit = tenths % 10;
    // Integer part: low seven bits in the first byte, the rest in the second byte's
    // high nibble; the tenths digit in its low nibble.
    const auto b0 = static_cast<std::uint8_t>((whole & 0x7F) | (negative ? 0x80 : 0));
    const auto b1 = static_cast<std::uint8_t>(((whole >> 7) << 4) | digit);
    return {b0, b1};
}

void encodeSingle(float v, Bytes& out) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

std::uint8_t encodePlainByte(double v) {
    if (!std::isfinite(v)) v = 0.0;
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

std::uint8_t encodeSignedByte(double v) {
    if (!std::isfinite(v)) v = 0.0;
    const long magnitude = std::min(std::lround(std::fabs(v)), 127L);
    const bool negative = v < 0 && magnitude > 0;
    return static_cast<std::uint8_t>(magnitude | (negative ? 0x80 : 0));
}

std::uint8_t encodeNibbleDecimal(double v) {
    if (!std::isfinite(v)) v = 0.0;
    const long tenths = std::clamp(roundedTenths(v), 0L, 99L);
    return static_cast<std::uint8_t>(((tenths / 10) << 4) | (tenths % 10));
}

void encodeSample(std::int16_t dataLengthCode, double v, Bytes& out) {
    switch (dataLengthCode) {
        case kLengthHalfStepByte:
            out.push_back(encodeHalfStepByte(v));
            return;
        case kLengthDecimalWord: {
            const auto [b0, b1] = encodeDecimalWord(v);
            out.push_back(b0);
            out.push_back(b1);
            return;
        }
        case kLengthSingle:
            encodeSingle(static_cast<float>(v), out);
            return;
        case kLengthPlainByte:
            out.push_back(encodePlainByte(v));
            return;
        case kLengthSignedByte:
            out.push_back(encodeSignedByte(v));
            return;
        case kLengthNibbleDecimal:
            out.push_back(encodeNibbleDecimal(v));
            return;
        default:
            if (dataLengthCode > 0)
                out.insert(out.end(), static_cast<std::size_t>(dataLengthCode), 0);
            return;
    }
}

std::optional<std::pair<std::uint8_t, std::uint8_t>> encodeScaledLong(std::int32_t v) {
    const bool negative = v < 0;
    std::int64_t magnitude = v < 0 ? -static_cast<std::int64_t>(v) : v;
    std::uint8_t exponent = 0;
    while (magnitude > 127 && magnitude % 10 == 0 && exponent < 6) {
        magnitude /= 10;
        ++exponent;
    }
    if (magnitude > 127) return std::nullopt;
    const auto b0 = static_cast<std::uint8_t>(magnitude | (negative ? 0x80 : 0));
    return std::make_pair(b0, exponent);
}

}  // namespace tarvo
