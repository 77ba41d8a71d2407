#pragma once
// The loggers' own number encodings, sample-record decoding and the small numeric
// helpers the history and live documents share. Pure functions of bytes, except the
// random tenths of the half-step byte, whose generator each RecordDecoder owns.

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"

namespace tarvo {

// Parameter codecs (b0 is the first byte on the wire).
std::int32_t decodeScaledLong(std::uint8_t b0, std::uint8_t b1);
std::int16_t decodeSignedWord(std::uint8_t b0, std::uint8_t b1);
std::pair<std::uint8_t, std::uint8_t> encodeSignedWord(std::int16_t value);

// Sample codecs, one per channel data length code.
enum DataLengthCode : std::int16_t {
    kLengthHalfStepByte = 1,
    kLengthDecimalWord = 2,
    kLengthSingle = 4,
    kLengthPlainByte = 129,
    kLengthSignedByte = 145,
    kLengthNibbleDecimal = 161,
};

// `r` is a uniform random number in [0, 1) that picks the tenths.
float decodeHalfStepByte(std::uint8_t b, double r);
float decodeDecimalWord(std::uint8_t b0, std::uint8_t b1);
// Most significant byte first; the stream stores the value least significant first.
float decodeSingleBytes(std::uint8_t m3, std::uint8_t m2, std::uint8_t m1, std::uint8_t m0);
float decodePlainByte(std::uint8_t b);
float decodeSignedByte(std::uint8_t b);
float decodeNibbleDecimal(std::uint8_t b);

// Bytes a sample of this code takes in the record width sum (codes outside the
// table count as their own value).
int sampleWidth(std::int16_t dataLengthCode);
// Bytes the decoder consumes for a sample of this code (0 for codes outside the table).
int decodedWidth(std::int16_t dataLengthCode);
// Sum of sampleWidth over the started channels.
int recordWidthOf(const LoggerParameters& params);

// Decodes records of the uploaded sample stream one after the other. One decoder
// is one decoding run: a channel whose code is outside the table repeats the value
// most recently decoded in the run (0 before the first).
class RecordDecoder {
public:
    RecordDecoder(const PerChannel<std::int16_t>& dataLength, std::int16_t startedChannels);
    // Bytes one record occupies in the stream (what the decoder consumes).
    int recordBytes() const;
    // Decodes the record at `pos` of `stream` into one value per started channel,
    // ascending channel number; returns the number of bytes consumed. When the record
    // does not lie whole inside the stream nothing is decoded: `values` is left empty
    // and 0 is returned.
    int decode(ByteView stream, std::size_t pos, std::vector<float>& values);

private:
    std::vector<std::int16_t> codes_;  // one per started channel
    float last_ = 0.0f;
    std::mt19937 random_;  // never reseeded: a fresh decoder draws the same tenths
};

// Live answer: one four-byte single per channel from byte 6, least significant
// byte first, each rounded to one decimal (halves to even); values are taken while
// at least five bytes remain. At most `channels` values.
std::vector<float> decodeLiveFrame(ByteView frame, int channels);

// Rounds to `decimals` decimal places, halves to even (25.05f gives 25.0, 0.25 gives 0.2).
double roundHalfEven(double x, int decimals = 0);

// Statistics.
// Adds `value` as sample number `count` of a run: max and min follow the value, and
// mean becomes the mean of the `count` samples, unrounded (whoever shows it rounds).
// A count of 1 (or less) starts a new run: max and min are set to the value whatever
// they held, and the mean to the value (0 for a count below 1). Returns `value`.
float updateRunningStats(float value, float& max, float& min, float& mean, long count);
// Takes `value` out of a mean of `count` samples; nothing happens for a count below 2.
void removeFromMean(float& mean, float value, long count);
// `series` is 1-based in the callers' terms: element k is series[k - 1]. `from` is
// raised to 1 and `to` lowered to the size; when nothing is left (from > to) the
// result is 0. The mean is summed term by term in single precision, each term
// divided before it is added.
float rangeMax(std::span<const float> series, long from, long to);
float rangeMin(std::span<const float> series, long from, long to);
float rangeMean(std::span<const float> series, long from, long to);
// rangeMean of each series into means[i] (as many as there are series), the same
// single-precision results, the sums of several series advancing side by side.
void rangeMeans(std::span<const std::span<const float>> series, long from, long to,
                std::span<float> means);

// Year, month, day, hour, minute and second run together without separators or
// leading zeros.
std::string compactTimeText(DateTime t);

// RGB colour as 0x00BBGGRR (red in the low byte), 0 meaning "not chosen".
using Rgb = std::uint32_t;
constexpr Rgb rgb(int r, int g, int b) {
    return static_cast<Rgb>(r) | (static_cast<Rgb>(g) << 8) | (static_cast<Rgb>(b) << 16);
}
// The curve colour of list position i (1-based); sets the field when it was 0
// (positions outside 1..8 get black, so they are looked up again next time).
Rgb defaultCurveColor(Rgb& colour, int i);

}  // namespace tarvo
