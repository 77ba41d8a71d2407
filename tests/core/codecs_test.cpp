#include "core/codecs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <set>
#include <span>
#include <vector>

namespace tarvo {
namespace {

// A float as the logger stores it: least significant byte first.
void appendSingle(Bytes& bytes, float v) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// ---- parameter codecs ----

TEST(ParameterCodecs, ScaledLongIsSignAndMagnitudeTimesAPowerOfTen) {
    const struct {
        std::uint8_t b0, b1;
        std::int32_t value;
    } cases[] = {
        {0x85, 0x02, -500}, {0x05, 0x07, 0}, {0x7F, 0x06, 127000000}, {0xFF, 0x06, -127000000},
        {0x64, 0x00, 100},  {0x80, 0x03, 0}, {0x05, 0xFF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeScaledLong(c.b0, c.b1), c.value) << +c.b0 << " " << +c.b1;
}

TEST(ParameterCodecs, SignedWordIsFifteenBitsWithASignBit) {
    const struct {
        std::uint8_t b0, b1;
        std::int16_t value;
    } cases[] = {
        {0xFF, 0xFF, -32767}, {0x7F, 0xFF, 32767}, {0x80, 0x00, 0},
        {0x81, 0x2C, -300},   {0x01, 0x2C, 300},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeSignedWord(c.b0, c.b1), c.value);
}

TEST(ParameterCodecs, EncodeSignedWordIsTheInverseOverItsWholeRange) {
    using Pair = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(encodeSignedWord(-300), Pair(0x81, 0x2C));
    EXPECT_EQ(encodeSignedWord(0), Pair(0x00, 0x00));
    EXPECT_EQ(encodeSignedWord(32767), Pair(0x7F, 0xFF));
    for (int v = -32767; v <= 32767; ++v) {
        const auto [b0, b1] = encodeSignedWord(static_cast<std::int16_t>(v));
        ASSERT_EQ(decodeSignedWord(b0, b1), v);
    }
}

TEST(ParameterCodecs, MinusThirtyTwoThousandSevenHundredSixtyEightIsSentAsTheNearestValue) {
    // 0x80 0x00 would read back as 0.
    using Pair = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(encodeSignedWord(-32768), Pair(0xFF, 0xFF));
}

// ---- sample codecs ----

TEST(SampleCodecs, HalfStepByteTakesItsTenthsFromTheRandomNumberRoundedHalfToEven) {
    const struct {
        std::uint8_t b;
        double r;
        float value;
    } cases[] = {
        {0x14, 0.0, 20.0f},  {0x14, 0.1, 20.0f},  // 0.5 rounds to 0
        {0x14, 0.12, 20.1f}, {0x14, 0.5, 20.2f},  // 2.5 rounds to 2
        {0x14, 0.9, 20.4f},                       // 4.5 rounds to 4
        {0x14, 0.95, 20.5f}, {0x14, 0.999999, 20.5f}, {0x94, 0.0, 19.5f},  {0x94, 0.95, 20.0f},
        {0x80, 0.0, -0.5f},  {0x80, 0.95, 0.0f},      {0xFF, 0.0, 126.5f}, {0x7F, 0.0, 127.0f},
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(decodeHalfStepByte(c.b, c.r), c.value) << +c.b << " r=" << c.r;
    }
}

TEST(SampleCodecs, DecimalWordCarriesTenthsAboveNineByArithmetic) {
    const struct {
        std::uint8_t b0, b1;
        float value;
    } cases[] = {
        {0x05, 0x09, 5.9f},    {0x05, 0x0A, 6.0f}, {0x85, 0x23, -261.3f},
        {0x7F, 0xF9, 2047.9f}, {0x00, 0x0F, 1.5f}, {0x80, 0x00, 0.0f},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(decodeDecimalWord(c.b0, c.b1), c.value);
    EXPECT_FALSE(std::signbit(decodeDecimalWord(0x80, 0x00)));
}

TEST(SampleCodecs, SingleIsBuiltArithmeticallyAndOutOfRangeReadsAsZero) {
    const struct {
        std::uint8_t m3, m2, m1, m0;
        float value;
    } cases[] = {
        {0x41, 0x20, 0x00, 0x00, 10.0f},
        {0xC1, 0x20, 0x00, 0x00, -10.0f},
        {0x3F, 0x80, 0x00, 0x00, 1.0f},
        {0x00, 0x80, 0x00, 0x00, std::ldexp(1.0f, -126)},
        {0x00, 0x00, 0x00, 0x00, std::ldexp(1.0f, -127)},  // exponent 0 is not zero
        {0x80, 0x00, 0x00, 0x00, -std::ldexp(1.0f, -127)},
        {0x7F, 0x80, 0x00, 0x00, 0.0f},  // infinity
        {0xFF, 0xC0, 0x00, 0x00, 0.0f},  // not a number
        {0x7F, 0x7F, 0xFF, 0xFD, 0.0f},  // above 3.402823e38
        {0x7F, 0x7F, 0xFF, 0xFC, std::bit_cast<float>(0x7F7FFFFCu)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeSingleBytes(c.m3, c.m2, c.m1, c.m0), c.value)
            << std::hex << +c.m3 << " " << +c.m2 << " " << +c.m1 << " " << +c.m0;
    }
}

TEST(SampleCodecs, SingleByteCodes) {
    EXPECT_FLOAT_EQ(decodeNibbleDecimal(0x37), 3.7f);
    EXPECT_FLOAT_EQ(decodeNibbleDecimal(0xFF), 16.5f);  // nibbles above 9 as they are
    EXPECT_FLOAT_EQ(decodeNibbleDecimal(0x00), 0.0f);
    EXPECT_EQ(decodeSignedByte(0xFF), -127.0f);
    EXPECT_EQ(decodeSignedByte(0x05), 5.0f);
    EXPECT_EQ(decodeSignedByte(0x80), 0.0f);
    EXPECT_FALSE(std::signbit(decodeSignedByte(0x80)));
    EXPECT_EQ(decodePlainByte(0xFF), 255.0f);
}

TEST(SampleCodecs, WidthsFollowTheDataLengthCode) {
    const struct {
        std::int16_t code;
        int sample, decoded;
    } cases[] = {
        {1, 1, 1},   {2, 2, 2}, {4, 4, 4}, {129, 1, 1},   {145, 1, 1},
        {161, 1, 1}, {3, 3, 0}, {0, 0, 0}, {200, 200, 0},  // outside the table: counted, not
                                                           // consumed
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sampleWidth(c.code), c.sample) << c.code;
        EXPECT_EQ(decodedWidth(c.code), c.decoded) << c.code;
    }
}

// ---- records ----

LoggerParameters threeChannelLogger() {
    LoggerParameters p;
    p.channelDataLength = {2, 1, 4, 1, 1, 145, 1, 1};
    p.startedChannels = 0b0010'0101;  // channels 0, 2 and 5
    return p;
}

TEST(RecordDecoding, RecordWidthSumsTheStartedChannelsOnly) {
    EXPECT_EQ(recordWidthOf(threeChannelLogger()), 7);

    LoggerParameters p;
    p.channelDataLength = {2, 129, 0, 4, 0, 0, 0, 0};
    p.startedChannels = 0x0B;
    EXPECT_EQ(recordWidthOf(p), 7);
    p.channelDataLength[3] = 3;  // an unknown code counts as its own value
    EXPECT_EQ(recordWidthOf(p), 6);
}

TEST(RecordDecoding, RecordOfWordSingleAndSignedByteReadsItsBytesInChannelOrder) {
    Bytes stream = {0x85, 0x23};  // channel 0: -261.3
    appendSingle(stream, 10.0f);  // channel 2
    stream.push_back(0x8C);       // channel 5: -12
    stream.insert(stream.end(), {0x05, 0x0A});
    appendSingle(stream, -0.5f);
    stream.push_back(0x07);
    stream.push_back(0xEE);  // a byte that does not fill a record

    const auto p = threeChannelLogger();
    RecordDecoder decoder(p.channelDataLength, p.startedChannels);
    EXPECT_EQ(decoder.recordBytes(), 7);
    std::vector<float> values;
    ASSERT_EQ(decoder.decode(stream, 0, values), 7);
    EXPECT_EQ(values, (std::vector<float>{-261.3f, 10.0f, -12.0f}));
    ASSERT_EQ(decoder.decode(stream, 7, values), 7);
    EXPECT_EQ(values, (std::vector<float>{6.0f, -0.5f, 7.0f}));
    EXPECT_EQ(decoder.decode(stream, 14, values), 0);
    EXPECT_TRUE(values.empty());
}

TEST(RecordDecoding, UnknownCodeConsumesNothingAndRepeatsTheLastValueOfTheRun) {
    const PerChannel<std::int16_t> codes = {3, 129, 0, 1, 1, 1, 1, 1};
    RecordDecoder decoder(codes, 0b0000'0111);
    EXPECT_EQ(decoder.recordBytes(), 1);
    const Bytes stream = {0x07, 0x09};
    std::vector<float> values;
    ASSERT_EQ(decoder.decode(stream, 0, values), 1);
    EXPECT_EQ(values, (std::vector<float>{0.0f, 7.0f, 7.0f}));  // 0 before the first value
    ASSERT_EQ(decoder.decode(stream, 1, values), 1);
    EXPECT_EQ(values, (std::vector<float>{7.0f, 9.0f, 9.0f}));  // carried across records
}

TEST(RecordDecoding, RecordsThatDoNotLieWholeInTheStreamAreNotDecoded) {
    const auto p = threeChannelLogger();
    RecordDecoder decoder(p.channelDataLength, p.startedChannels);
    const Bytes stream(10, 0x01);
    std::vector<float> values = {1.0f};
    for (std::size_t pos :
         {std::size_t{4}, std::size_t{10}, std::size_t{11}, std::size_t{1} << 40}) {
        EXPECT_EQ(decoder.decode(stream, pos, values), 0) << pos;
        EXPECT_TRUE(values.empty()) << pos;
    }
    EXPECT_EQ(decoder.decode(ByteView{}, 0, values), 0);
    EXPECT_EQ(decoder.decode(stream, 3, values), 7);  // the last whole record
}

TEST(RecordDecoding, HalfStepTenthsStayInTheirHalfStepAndRepeatInAFreshRun) {
    const PerChannel<std::int16_t> codes = {1, 1, 0, 0, 0, 0, 0, 0};
    const Bytes stream(2000, 0x14);
    std::vector<float> first, second, values;
    std::set<float> seen;
    RecordDecoder a(codes, 0b01);
    RecordDecoder b(codes, 0b01);
    for (std::size_t pos = 0; pos < stream.size(); ++pos) {
        a.decode(stream, pos, values);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_GE(values[0], 20.0f);
        EXPECT_LE(values[0], 20.5f);
        seen.insert(values[0]);
        first.push_back(values[0]);
        b.decode(stream, pos, values);
        second.push_back(values[0]);
    }
    EXPECT_EQ(seen.size(), 6u);  // every tenth 0..5 occurs
    EXPECT_EQ(first, second);    // the generator is never reseeded

    const Bytes negative(200, 0x94);
    for (std::size_t pos = 0; pos < negative.size(); ++pos) {
        a.decode(negative, pos, values);
        EXPECT_GE(values[0], 19.5f);
        EXPECT_LE(values[0], 20.0f);
    }
}

// ---- live frames ----

TEST(LiveFrames, ValuesFromByteSixRoundedToOneDecimalHalfToEven) {
    Bytes frame = {0x3C, 0x30, 0x31, 0x00, 0x00, 0x00};
    appendSingle(frame, 25.04f);
    appendSingle(frame, 0.25f);  // exactly a half: rounds to 0.2
    appendSingle(frame, -3.75f);
    frame.push_back(0x99);  // check byte
    EXPECT_EQ(decodeLiveFrame(frame, 8), (std::vector<float>{25.0f, 0.2f, -3.8f}));
    EXPECT_EQ(decodeLiveFrame(frame, 2), (std::vector<float>{25.0f, 0.2f}));
    EXPECT_TRUE(decodeLiveFrame(frame, 0).empty());

    frame.pop_back();  // the last byte is never data: the third value is lost
    EXPECT_EQ(decodeLiveFrame(frame, 8).size(), 2u);
}

TEST(LiveFrames, FramesShorterThanElevenBytesHoldNoValue) {
    for (std::size_t size : {0, 1, 6, 9, 10}) {
        EXPECT_TRUE(decodeLiveFrame(Bytes(size, 0x41), 8).empty()) << size;
    }
    EXPECT_EQ(decodeLiveFrame(Bytes(11, 0x00), 8).size(), 1u);
}

// ---- statistics ----

struct Stats {
    float max = 0, min = 0, mean = 0;
    void add(float v, long count) { updateRunningStats(v, max, min, mean, count); }
};

TEST(RunningStats, FollowTheSamplesOfARun) {
    Stats s;
    EXPECT_EQ(updateRunningStats(5.0f, s.max, s.min, s.mean, 1), 5.0f);
    s.add(3.0f, 2);
    EXPECT_EQ(s.max, 5.0f);
    EXPECT_EQ(s.min, 3.0f);
    EXPECT_FLOAT_EQ(s.mean, 4.0f);

    Stats n;
    n.add(-2.0f, 1);
    n.add(-5.0f, 2);
    EXPECT_EQ(n.max, -2.0f);
    EXPECT_EQ(n.min, -5.0f);
    EXPECT_FLOAT_EQ(n.mean, -3.5f);
}

TEST(RunningStats, ZeroIsARealSampleOnceARunHasStarted) {
    Stats s;
    s.add(0.0f, 1);
    s.add(5.0f, 2);
    s.add(-1.0f, 3);
    s.add(0.0f, 4);
    EXPECT_EQ(s.max, 5.0f);
    EXPECT_EQ(s.min, -1.0f);

    Stats clamped;  // a minimum the live window clamped up to a range end of 0
    clamped.add(3.0f, 1);
    clamped.min = 0.0f;
    clamped.add(4.0f, 2);
    EXPECT_EQ(clamped.min, 0.0f);
}

TEST(RunningStats, CountOneStartsAfreshWhateverTheStatisticsHeld) {
    Stats s{9.0f, -9.0f, 1.0f};
    s.add(4.0f, 1);
    EXPECT_EQ(s.max, 4.0f);
    EXPECT_EQ(s.min, 4.0f);
    EXPECT_EQ(s.mean, 4.0f);
    s.add(5.0f, 0);
    EXPECT_EQ(s.mean, 0.0f);  // a count below 1 has no mean
}

TEST(RunningStats, MeanIsKeptUnroundedSoLateSamplesStillCount) {
    Stats s;
    s.add(0.25f, 1);
    EXPECT_FLOAT_EQ(s.mean, 0.25f);
    // 1, 1.1 and 1.3: a mean rounded at every update would end at 1.2.
    Stats u;
    u.add(1.0f, 1);
    u.add(1.1f, 2);
    u.add(1.3f, 3);
    EXPECT_NEAR(u.mean, 3.4 / 3, 1e-6);
    // Sample 200 of a run at 20 moves the mean by 0.05, less than half a tenth.
    Stats late;
    for (long k = 1; k < 200; ++k) late.add(20.0f, k);
    late.add(30.0f, 200);
    EXPECT_FLOAT_EQ(late.mean, 20.05f);
}

TEST(RunningStats, RemovingAValueLeavesTheMeanOfTheOthers) {
    float mean = 4.0f;  // of 3, 5 and 4
    removeFromMean(mean, 3.0f, 3);
    EXPECT_FLOAT_EQ(mean, 4.5f);
    removeFromMean(mean, 4.0f, 1);
    EXPECT_FLOAT_EQ(mean, 4.5f);  // count below 2: unchanged
}

TEST(RangeStats, BoundsAreClampedToTheSeries) {
    const std::vector<float> series = {3, 7, 1, 7, 2};
    const struct {
        long from, to;
        float max, min, mean;
    } cases[] = {
        {1, 5, 7, 1, 4}, {2, 2, 7, 7, 7}, {-3, 99, 7, 1, 4},
        {3, 4, 7, 1, 4}, {4, 2, 0, 0, 0},  // reversed: nothing left
        {6, 9, 0, 0, 0},                   // beyond the end
        {0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rangeMax(series, c.from, c.to), c.max) << c.from << ".." << c.to;
        EXPECT_EQ(rangeMin(series, c.from, c.to), c.min) << c.from << ".." << c.to;
        EXPECT_FLOAT_EQ(rangeMean(series, c.from, c.to), c.mean) << c.from << ".." << c.to;
    }
    EXPECT_EQ(rangeMax({}, 1, 1), 0.0f);
    EXPECT_EQ(rangeMin({}, 1, 1), 0.0f);
    EXPECT_EQ(rangeMean({}, 1, 1), 0.0f);
}

TEST(RangeStats, MeanIsSummedTermByTermInSinglePrecision) {
    const std::vector<float> series = {1, 2, 4};
    // 1/3 + 2/3 + 4/3 in singles is one step above the single nearest 7/3.
    EXPECT_EQ(rangeMean(series, 1, 3), 0x1.2aaaacp+1f);
    EXPECT_NE(rangeMean(series, 1, 3), static_cast<float>(7.0 / 3.0));
}

TEST(RangeStats, MeansSideBySideAreBitForBitThoseOfOneSeriesAtATime) {
    // Eleven series (more than one group of lanes), lengths around the block of 256, a
    // missing sample, and ranges that some series do not hold whole.
    std::vector<std::vector<float>> data;
    for (int s = 0; s < 11; ++s) {
        std::vector<float> values(static_cast<std::size_t>(s == 3 ? 40 : 700 + s));
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] = static_cast<float>(std::sin(0.37 * static_cast<double>(k) + s) * 1e3 / (s + 1));
        data.push_back(std::move(values));
    }
    data[5][300] = NAN;
    const std::vector<std::span<const float>> series(data.begin(), data.end());
    const struct {
        long from, to;
    } ranges[] = {{1, 700}, {2, 257}, {1, 256}, {100, 100}, {-5, 900}, {30, 45}, {9, 3}};
    for (const auto& r : ranges) {
        std::vector<float> means(series.size(), -1.0f);
        rangeMeans(series, r.from, r.to, means);
        for (std::size_t s = 0; s < series.size(); ++s) {
            const float one = rangeMean(series[s], r.from, r.to);
            EXPECT_EQ(std::bit_cast<std::uint32_t>(means[s]), std::bit_cast<std::uint32_t>(one))
                << "series " << s << " over " << r.from << ".." << r.to;
        }
    }
}

// ---- texts and colours ----

TEST(CompactTimeText, RunsTheSixPartsTogetherWithoutLeadingZeros) {
    EXPECT_EQ(compactTimeText(makeDateTime(2006, 3, 3, 9, 5, 7)), "200633957");
    EXPECT_EQ(compactTimeText(makeDateTime(2026, 12, 31, 23, 59, 59)), "20261231235959");
    EXPECT_EQ(compactTimeText(makeDateTime(2010, 10, 1)), "2010101000");
}

TEST(CurveColours, DefaultColourIsTakenOnlyWhenNoneWasChosen) {
    EXPECT_EQ(rgb(192, 64, 64), 0x004040C0u);  // red in the low byte
    const Rgb expected[] = {rgb(192, 64, 64),  rgb(64, 64, 192),  rgb(64, 192, 64),
                            rgb(192, 192, 64), rgb(192, 64, 192), rgb(64, 192, 192),
                            rgb(128, 128, 64), rgb(64, 192, 192)};
    for (int i = 1; i <= 8; ++i) {
        Rgb field = 0;
        EXPECT_EQ(defaultCurveColor(field, i), expected[i - 1]) << i;
        EXPECT_EQ(field, expected[i - 1]) << i;
    }
    for (int i : {0, 9, -1}) {
        Rgb field = 0;
        EXPECT_EQ(defaultCurveColor(field, i), 0u) << i;
    }
    Rgb chosen = rgb(1, 2, 3);
    EXPECT_EQ(defaultCurveColor(chosen, 1), rgb(1, 2, 3));
    EXPECT_EQ(chosen, rgb(1, 2, 3));
}

}  // namespace
}  // namespace tarvo
