#pragma once
// The simulated logger's side of the number encodings: it writes values the way a
// logger stores them, so that the workstation's decoders read them back. Each
// encoder is the inverse of its decoder up to the resolution of the encoding;
// values beyond an encoding's reach are clamped to its nearest end.

#include <cstdint>
#include <optional>
#include <utility>

#include "core/bytes.h"

namespace tarvo {

// Code 1: whole units plus a half-step flag; the decoder adds random tenths 0..0.5,
// so v comes back within [v - 0.5, v + 0.5]. Reach -0.5 .. 127.5.
std::uint8_t encodeHalfStepByte(double v);
// Code 2: sign, integer part 0..2047 and one tenths digit.
std::pair<std::uint8_t, std::uint8_t> encodeDecimalWord(double v);
// Code 4: an IEEE single, least significant byte first as the stream holds it.
void encodeSingle(float v, Bytes& out);
// Code 129: 0..255.
std::uint8_t encodePlainByte(double v);
// Code 145: sign and magnitude 0..127.
std::uint8_t encodeSignedByte(double v);
// Code 161: units in the high nibble, tenths in the low one; 0 .. 9.9.
std::uint8_t encodeNibbleDecimal(double v);

// Appends one sample in the encoding of `dataLengthCode`. A code outside the table
// stores its own value of zero bytes (the record width counts them, the decoder
// skips them).
void encodeSample(std::int16_t dataLengthCode, double v, Bytes& out);

// The range encoding read by decodeScaledLong: magnitude 0..127 with sign bit, then a
// decimal exponent 0..6. Nothing when `v` has no exact form.
std::optional<std::pair<std::uint8_t, std::uint8_t>> encodeScaledLong(std::int32_t v);

}  // namespace tarvo
