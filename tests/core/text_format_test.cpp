#include "core/text_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace tarvo {
namespace {

struct NumberCase {
    double value;
    NumberFormat format;
    const char* text;
};

TEST(TextFormat, NumbersRoundHalfAwayFromZeroOnTheExactBinaryValue) {
    using F = NumberFormat;
    const NumberCase cases[] = {
        {0.125, F::Fixed2, "0.13"},  // exactly halfway: up in magnitude (printf gives 0.12)
        {-0.125, F::Fixed2, "-0.13"},
        {0.375, F::Fixed2, "0.38"},
        {2.675, F::Fixed2, "2.67"},       // held as 2.67499999…
        {1.005, F::Fixed2, "1.00"},       // held as 1.00499999…
        {999.995, F::Fixed2, "1000.00"},  // held as 999.99500000…45: carries into a new digit
        {-9.995, F::Fixed2, "-9.99"},
        {0.0, F::Fixed2, "0.00"},
        {12.3, F::Fixed2, "12.30"},
        {123456789.125, F::Fixed2, "123456789.13"},
        {1e20, F::Fixed2, "100000000000000000000.00"},
        {23.456, F::Fixed1Max2, "23.46"},
        {23.4, F::Fixed1Max2, "23.4"},
        {23.0, F::Fixed1Max2, "23.0"},
        {9.999, F::Fixed1Max2, "10.0"},
        {-0.05, F::Fixed1Max2, "-0.05"},
        {0.25, F::Percent2, "25.00%"},
        {1.0, F::Percent2, "100.00%"},
        {0.123456, F::Percent2, "12.35%"},
        {0.01115, F::Percent2, "1.12%"},  // 0.0111500…02 exactly; times 100 in binary is 1.11499…
        {0.02675, F::Percent2, "2.67%"},
        {-0.5, F::Percent2, "-50.00%"},
        {12.0, F::Count, "12次"},
        {2.5, F::Count, "3次"},  // printf rounds this to even: 2
        {-2.5, F::Count, "-3次"},
        {0.49999999999999994, F::Count, "0次"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatNumber(c.value, c.format), c.text) << c.value;
    }
}

TEST(TextFormat, ValuesThatRoundToZeroShowNoSign) {
    EXPECT_EQ(formatNumber(-0.0, NumberFormat::Fixed2), "0.00");
    EXPECT_EQ(formatNumber(-0.004, NumberFormat::Fixed2), "0.00");
    EXPECT_EQ(formatNumber(-0.004, NumberFormat::Fixed1Max2), "0.0");
    EXPECT_EQ(formatNumber(-0.00004, NumberFormat::Percent2), "0.00%");
    EXPECT_EQ(formatNumber(-0.4, NumberFormat::Count), "0次");
    EXPECT_EQ(formatNumber(-0.005, NumberFormat::Fixed2), "-0.01");  // -0.005000000…1 exactly
}

TEST(TextFormat, ExtremeAndNonFiniteNumbersGiveSaneTexts) {
    const double inf = std::numeric_limits<double>::infinity();
    for (NumberFormat f : {NumberFormat::Fixed2, NumberFormat::Fixed1Max2, NumberFormat::Percent2,
                           NumberFormat::Count}) {
        EXPECT_EQ(formatNumber(std::nan(""), f), "NaN");
        EXPECT_EQ(formatNumber(inf, f), "Inf");
        EXPECT_EQ(formatNumber(-inf, f), "-Inf");
    }
    const std::string largest = formatNumber(DBL_MAX, NumberFormat::Fixed2);
    EXPECT_EQ(largest.size(), 309u + 3u);
    EXPECT_EQ(largest.substr(0, 17), "17976931348623157");
    EXPECT_EQ(largest.substr(largest.size() - 3), ".00");
    EXPECT_EQ(formatNumber(-DBL_MAX, NumberFormat::Count).substr(0, 4), "-179");
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::denorm_min(), NumberFormat::Fixed2),
              "0.00");
    EXPECT_EQ(formatNumber(DBL_MIN, NumberFormat::Percent2), "0.00%");
}

TEST(TextFormat, SinglesShowUpToSevenSignificantDigits) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {23.5f, "23.5"},
        {25.1f, "25.1"},  // 25.10000038…: no float noise
        {0.1f, "0.1"},
        {100.0f, "100"},
        {-3.25f, "-3.25"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {1234567.0f, "1234567"},
        {12345678.0f, "1.234568E+07"},
        {1e8f, "1E+08"},
        {0.0001f, "0.0001"},
        {1e-5f, "1E-05"},
        {1.5e-5f, "1.5E-05"},
        {-2.5e10f, "-2.5E+10"},
        {FLT_MAX, "3.402823E+38"},
        {std::nanf(""), "NaN"},
        {inf, "Inf"},
        {-inf, "-Inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(singleText(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace tarvo

namespace tarvo {
namespace {

// Brute force: the exact decimal expansion of the double, rounded by hand.
std::string exactFixed2(double v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.80f", std::fabs(v));
    std::string s(buf);
    const auto point = s.find('.');
    std::string digits = s.substr(0, point) + s.substr(point + 1, 2);
    if (s[point + 3] >= '5') {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) digits.insert(digits.begin(), '1'); else ++digits[static_cast<std::size_t>(i)];
    }
    std::string whole = digits.substr(0, digits.size() - 2);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    std::string text = whole + "." + digits.substr(digits.size() - 2);
    if (v < 0 && text != "0.00") text.insert(text.begin(), '-');
    return text;
}

TEST(TextFormat, FormattingAgreesWithTheExactExpansionOnRandomAndNearTieValues) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        double v = wide(random);
        if (i % 3 == 0) v = static_cast<float>(v);                    // samples are singles
        if (i % 3 == 1) v = std::round(v * 1000) / 1000 + 0.0005;    // close to a tie
        if (i % 5 == 0) v = std::nextafter(std::round(v * 200) / 200, 0.0);  // just below one
        ASSERT_EQ(formatNumber(v, NumberFormat::Fixed2), exactFixed2(v)) << std::hexfloat << v;
    }
}

}  // namespace
}  // namespace tarvo
