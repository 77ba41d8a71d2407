#include "data/channel_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/memory_settings_store.h"

namespace tarvo {
namespace {

constexpr DateTime kT0 = 46000.0;         // 2025-12-09 00:00:00
constexpr DateTime kTen = 600.0 / 86400;  // one record every ten minutes

DateTime at(int record) { return kT0 + record * kTen; }

ChannelRecord recordOf(const std::vector<float>& values, float low = 2, float high = 8,
                       const std::string& unit = "℃") {
    ChannelRecord r;
    r.channel = 3;
    r.unitText = unit + std::string(10 - 1, ' ');
    r.alarmLow = low;
    r.alarmHigh = high;
    r.rangeLow = -40;
    r.rangeHigh = 85;
    r.values = values;
    for (std::size_t i = 0; i < values.size(); ++i) r.times.push_back(at(static_cast<int>(i)));
    return r;
}

ChannelSummary whole(const ChannelRecord& r) {
    return summarizeChannel(r, 1, r.sampleCount());
}

// Limits 2..8, one record every 600 s. `longestFrom`/`longestTo` are record numbers
// on the time axis (the end may lie one interval after the last record).
struct ExcursionCase {
    const char* what;
    std::vector<float> values;
    std::int64_t above;
    std::int64_t below;
    std::int32_t count;
    int longestFrom;
    int longestTo;
};

TEST(ChannelSummary, ExcursionsAreCountedAndTimedFromRecordToRecord) {
    const ExcursionCase cases[] = {
        {"an excursion running to the end lasts one more interval", {5, 9, 9}, 1200, 0, 1, 1, 3},
        {"two of different lengths: the longer is the longest", {9, 5, 1, 1, 1, 5}, 600, 1800, 2,
         2, 5},
        {"above directly followed by below is two; a tie keeps the first", {9, 1, 5}, 600, 600, 2,
         0, 1},
        {"values exactly at the limits stay within", {8, 2, 8, 2}, 0, 0, 0, -1, -1},
        {"values pinned at the range's ends", {85, 85, -40}, 1200, 600, 2, 0, 2},
    };
    for (const ExcursionCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ChannelSummary s = whole(recordOf(c.values));
        ASSERT_TRUE(s.limits.has_value());
        EXPECT_EQ(s.limits->secondsAboveHigh, c.above);
        EXPECT_EQ(s.limits->secondsBelowLow, c.below);
        EXPECT_EQ(s.limits->excursions, c.count);
        if (c.longestFrom < 0) {
            EXPECT_FALSE(s.limits->longest.has_value());
            continue;
        }
        ASSERT_TRUE(s.limits->longest.has_value());
        EXPECT_DOUBLE_EQ(s.limits->longest->start, at(c.longestFrom));
        EXPECT_NEAR(s.limits->longest->end, at(c.longestTo), 1e-9);
        EXPECT_EQ(s.limits->longest->seconds, (c.longestTo - c.longestFrom) * 600);
    }
}

TEST(ChannelSummary, OneRecordGivesItsOwnFiguresAndAnExcursionOfNoLength) {
    const ChannelSummary s = whole(recordOf({9.5f}));
    EXPECT_EQ(s.channel, 3);
    EXPECT_EQ(s.unit, "℃");
    EXPECT_EQ(s.records, 1);
    EXPECT_EQ(s.min, 9.5f);
    EXPECT_EQ(s.max, 9.5f);
    EXPECT_DOUBLE_EQ(*s.mean, 9.5);
    ASSERT_TRUE(s.limits);
    EXPECT_EQ(s.limits->excursions, 1);
    EXPECT_EQ(s.limits->secondsAboveHigh, 0);
    EXPECT_EQ(s.limits->longest, (Excursion{at(0), at(0), 0}));
    EXPECT_NEAR(*s.mkt, 9.5, 1e-9);
}

TEST(ChannelSummary, LimitsApplyOnlyWhereTheHighLimitLiesAboveTheLowOne) {
    for (const auto& [low, high] : {std::pair{0.0f, 0.0f}, {8.0f, 2.0f}}) {
        const ChannelSummary s = whole(recordOf({-30, 50}, low, high));
        EXPECT_FALSE(s.limits.has_value());
        EXPECT_EQ(s.alarmLow, low);  // the recording's limits are still reported
        EXPECT_EQ(s.alarmHigh, high);
        EXPECT_EQ(s.max, 50.0f);
    }
}

TEST(ChannelSummary, OnlyCelsiusChannelsHaveAMeanKineticTemperature) {
    EXPECT_FALSE(whole(recordOf({20, 30}, 2, 8, "%RH")).mkt.has_value());
    EXPECT_FALSE(whole(recordOf({20, 30}, 2, 8, "℉")).mkt.has_value());
    // 20 ℃ and 30 ℃ at 83.144 kJ/mol: the warmer half weighs more than the mean 25 ℃.
    EXPECT_NEAR(*whole(recordOf({20, 30})).mkt, 26.2599, 1e-4);
    EXPECT_NEAR(*whole(recordOf({5, 5, 5, 25})).mkt, 15.1322, 1e-4);
}

TEST(ChannelSummary, AConstantSeriesHasItsOwnTemperatureAsMkt) {
    for (const float t : {-40.0f, 0.0f, 20.0f, 85.0f}) {
        const ChannelSummary s = whole(recordOf(std::vector<float>(65535, t)));
        EXPECT_NEAR(*s.mkt, t, 1e-9) << t;
        EXPECT_DOUBLE_EQ(*s.mean, t);
    }
}

TEST(ChannelSummary, TheRangeIsTheDataAndIsClampedToTheRecords) {
    const ChannelRecord r = recordOf({9, 9, 5, 9, 9});
    // Records 2..4: the excursion at its end lasts the range's own last interval.
    const ChannelSummary part = summarizeChannel(r, 2, 4);
    EXPECT_EQ(part.records, 3);
    EXPECT_EQ(part.min, 5.0f);
    EXPECT_EQ(part.limits->excursions, 2);
    EXPECT_EQ(part.limits->secondsAboveHigh, 1200);
    EXPECT_EQ(part.limits->longest->start, at(1));

    EXPECT_EQ(summarizeChannel(r, -7, 900), whole(r));

    const ChannelSummary none = summarizeChannel(r, 4, 3);
    EXPECT_EQ(none.records, 0);
    EXPECT_FALSE(none.min || none.max || none.mean || none.mkt);
    EXPECT_EQ(none.limits, ExcursionFigures{});
}

TEST(ChannelSummary, ImpossibleTemperaturesAndEnergiesGiveNoMkt) {
    EXPECT_FALSE(whole(recordOf({20, -300})).mkt);
    EXPECT_FALSE(whole(recordOf({20, NAN})).mkt);
    for (const double energy : {0.0, -83.144, double(NAN), double(INFINITY)}) {
        EXPECT_FALSE(summarizeChannel(recordOf({20}), 1, 1, energy).mkt) << energy;
    }
}

TEST(ChannelSummary, TimesThatRunBackwardsNeverMakeANegativeDuration) {
    ChannelRecord r = recordOf({9, 9, 5});
    r.times = {at(5), at(2), at(3)};
    const ChannelSummary s = whole(r);
    EXPECT_EQ(s.limits->excursions, 1);
    EXPECT_EQ(s.limits->secondsAboveHigh, 0);
}

// MKT against the formula summed term by term in long double, over long random series,
// including energies where a term underflows a double (exp(−2400) at 5000 kJ/mol).
TEST(MeanKineticTemperature, AgreesWithAStraightLongDoubleComputation) {
    std::mt19937 random(20261210);
    std::uniform_real_distribution<float> celsius(-30.0f, 60.0f);
    std::uniform_real_distribution<double> energy(40.0, 200.0);
    for (int round = 0; round < 40; ++round) {
        const std::size_t n = round == 0 ? 65535 : 1 + random() % 5000;
        std::vector<float> values(n);
        for (float& v : values) v = celsius(random);
        const double e = round % 10 == 9 ? 5000.0 : energy(random);

        const long double eOverR = static_cast<long double>(e) * 1000 / kGasConstant;
        long double sum = 0;
        for (const float v : values) sum += std::exp(-eOverR / (v + 273.15L));
        const long double expected = eOverR / -std::log(sum / n) - 273.15L;

        const auto mkt = meanKineticTemperature(values, 0, n, e);
        ASSERT_TRUE(mkt.has_value()) << round;
        EXPECT_NEAR(*mkt, static_cast<double>(expected), 1e-9) << "round " << round << ", n " << n;
    }
}

TEST(ActivationEnergy, IsReadAsAPositiveDecimalAndKeptInTheStore) {
    EXPECT_EQ(parseActivationEnergy("83.144"), 83.144);
    EXPECT_EQ(parseActivationEnergy("120"), 120.0);
    for (const char* bad : {"", "0", "-5", "abc", "1e3", "83.1x", " 83", "nan", "inf"}) {
        EXPECT_FALSE(parseActivationEnergy(bad)) << bad;
    }
    EXPECT_EQ(activationEnergyText(83.144), "83.144");

    MemorySettingsStore store;
    EXPECT_EQ(loadActivationEnergy(store), kDefaultActivationEnergy);
    storeActivationEnergy(store, 61.5);
    EXPECT_EQ(store.read("ProgramSetting", "ActivationEnergy"), "61.5");
    EXPECT_EQ(loadActivationEnergy(store), 61.5);
    store.write("ProgramSetting", "ActivationEnergy", "-1");
    EXPECT_EQ(loadActivationEnergy(store), kDefaultActivationEnergy);
}

}  // namespace
}  // namespace tarvo
