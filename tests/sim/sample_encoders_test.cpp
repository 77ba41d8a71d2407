#include "sim/sample_encoders.h"

#include <gtest/gtest.h>

#include "core/codecs.h"

namespace tarvo {
namespace {

TEST(SampleEncoders, DecimalWordRoundTripsToTheTenth) {
    const double table[] = {0.0, 5.9, -261.3, 2047.9, -0.04, 23.45, 100.0, -40.0};
    for (double v : table) {
        const auto [b0, b1] = encodeDecimalWord(v);
        EXPECT_NEAR(decodeDecimalWord(b0, b1), v, 0.0501) << v;
    }
    EXPECT_EQ(encodeDecimalWord(-261.3), (std::pair<std::uint8_t, std::uint8_t>{0x85, 0x23}));
    EXPECT_FLOAT_EQ(
        decodeDecimalWord(encodeDecimalWord(5000).first, encodeDecimalWord(5000).second),
        2047.9f);  // clamped to the largest
}

TEST(SampleEncoders, HalfStepByteComesBackWithinHalfAUnit) {
    const double table[] = {20.0, 20.3, 19.7, 0.0, -0.3, 127.4, 63.5};
    for (double v : table) {
        const std::uint8_t b = encodeHalfStepByte(v);
        for (double r : {0.0, 0.5, 0.999}) {
            EXPECT_NEAR(decodeHalfStepByte(b, r), v, 0.5001) << v << " " << r;
        }
    }
    EXPECT_EQ(encodeHalfStepByte(20.2), 0x14);
    EXPECT_EQ(encodeHalfStepByte(19.7), 0x94);
}

TEST(SampleEncoders, OneByteCodesRoundTrip) {
    struct Case {
        std::int16_t code;
        double value;
        float decoded;
    };
    const Case table[] = {
        {kLengthPlainByte, 255, 255},      {kLengthPlainByte, 300, 255},
        {kLengthPlainByte, -2, 0},         {kLengthSignedByte, -127, -127},
        {kLengthSignedByte, 12.4, 12},     {kLengthSignedByte, -0.2, 0},
        {kLengthNibbleDecimal, 3.7, 3.7f}, {kLengthNibbleDecimal, 9.94, 9.9f},
        {kLengthNibbleDecimal, -1, 0},
    };
    for (const Case& k : table) {
        Bytes out;
        encodeSample(k.code, k.value, out);
        ASSERT_EQ(out.size(), 1u);
        const float back = k.code == kLengthPlainByte    ? decodePlainByte(out[0])
                           : k.code == kLengthSignedByte ? decodeSignedByte(out[0])
                                                         : decodeNibbleDecimal(out[0]);
        EXPECT_FLOAT_EQ(back, k.decoded) << k.code << " " << k.value;
    }
}

TEST(SampleEncoders, SingleIsStoredLeastSignificantByteFirst) {
    Bytes out;
    encodeSingle(10.0f, out);
    EXPECT_EQ(out, (Bytes{0x00, 0x00, 0x20, 0x41}));
    EXPECT_FLOAT_EQ(decodeSingleBytes(out[3], out[2], out[1], out[0]), 10.0f);
}

TEST(SampleEncoders, CodesOutsideTheTableTakeTheirOwnWidthOfZeros) {
    Bytes out;
    encodeSample(3, 42.0, out);
    EXPECT_EQ(out, (Bytes{0, 0, 0}));
}

TEST(SampleEncoders, ScaledLongHasExactFormsOnly) {
    struct Case {
        std::int32_t value;
        bool exact;
    };
    const Case table[] = {{-500, true}, {0, true},          {127, true},   {127000000, true},
                          {128, false}, {1270, true},       {1271, false}, {-40, true},
                          {1000, true}, {1270000000, false}};
    for (const Case& k : table) {
        const auto e = encodeScaledLong(k.value);
        EXPECT_EQ(e.has_value(), k.exact) << k.value;
        if (e) {
            EXPECT_EQ(decodeScaledLong(e->first, e->second), k.value);
        }
    }
}

}  // namespace
}  // namespace tarvo
