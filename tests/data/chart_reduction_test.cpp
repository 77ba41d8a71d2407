#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "data/chart_cache.h"
#include "data/curve_reduction.h"

namespace tarvo {
namespace {

std::vector<std::int32_t> reduce(const std::vector<float>& values, std::int32_t first,
                                 std::int32_t last, const ColumnMap& map) {
    std::vector<std::int32_t> kept;
    reduceToColumns(values, first, last, map, kept);
    return kept;
}

TEST(CurveReduction, OneColumnKeepsFirstLowestHighestAndLastInOrder) {
    const std::vector<float> values = {2, 0, 9, 1, 9, -3, -3, 4};
    const ColumnMap oneColumn{1, 0, 0.01};
    EXPECT_EQ(reduce(values, 1, 8, oneColumn), (std::vector<std::int32_t>{1, 3, 6, 8}));
    // The lowest before the highest keeps that order.
    const std::vector<float> falling = {5, -1, 7, 2};
    EXPECT_EQ(reduce(falling, 1, 4, oneColumn), (std::vector<std::int32_t>{1, 2, 3, 4}));
    // A flat column needs only its two ends; a single sample needs itself.
    EXPECT_EQ(reduce({3, 3, 3, 3}, 1, 4, oneColumn), (std::vector<std::int32_t>{1, 4}));
    EXPECT_EQ(reduce({3, 3, 3, 3}, 2, 2, oneColumn), (std::vector<std::int32_t>{2}));
}

TEST(CurveReduction, SamplesWiderThanAColumnAreAllKept) {
    const std::vector<float> values = {1, 5, 2, 8, 3};
    EXPECT_EQ(reduce(values, 1, 5, ColumnMap{1, 0, 2.5}),
              (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
}

TEST(CurveReduction, BoundsOutsideTheSeriesAreCutAndAnEmptyRangeKeepsNothing) {
    const std::vector<float> values = {1, 2, 3};
    EXPECT_EQ(reduce(values, -5, 99, ColumnMap{1, 0, 1}), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_TRUE(reduce(values, 3, 2, ColumnMap{1, 0, 1}).empty());
    EXPECT_TRUE(reduce({}, 1, 10, ColumnMap{1, 0, 1}).empty());
}

TEST(CurveReduction, DegenerateColumnMapsStillBoundTheOutput) {
    std::vector<float> values(1000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i % 17);
    EXPECT_LE(reduce(values, 1, 1000, ColumnMap{1, 0, std::nan("")}).size(), 4u);
    EXPECT_LE(reduce(values, 1, 1000, ColumnMap{1, 0, 0}).size(), 4u);
    EXPECT_LE(reduce(values, 1, 1000, ColumnMap{1, 0, 1e300}).size(), 1000u);
}

// Brute force: group every sample by its column and compare each column's first, last,
// lowest and highest value with what the kept samples show.
TEST(CurveReduction, MatchesABruteForceOracleOverRandomSeriesAndWidths) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        const int n = std::uniform_int_distribution<int>(1, 4000)(random);
        std::vector<float> values(static_cast<std::size_t>(n));
        const int kind = round % 4;
        std::normal_distribution<float> noise(0, 10);
        std::uniform_int_distribution<int> coarse(0, 3);  // many ties
        float walk = 0;
        for (int i = 0; i < n; ++i) {
            switch (kind) {
                case 0:
                    values[static_cast<std::size_t>(i)] = noise(random);
                    break;
                case 1:
                    values[static_cast<std::size_t>(i)] = static_cast<float>(coarse(random));
                    break;
                case 2:
                    walk += noise(random);
                    values[static_cast<std::size_t>(i)] = walk;
                    break;
                default:
                    values[static_cast<std::size_t>(i)] = (i % 97 == 13) ? 1000.0f : 0.0f;
                    break;
            }
        }
        const std::int32_t first = std::uniform_int_distribution<std::int32_t>(-3, n)(random);
        const std::int32_t last = std::uniform_int_distribution<std::int32_t>(first, n + 3)(random);
        const double columns = std::uniform_real_distribution<double>(1, 1500)(random);
        const double origin = first - std::uniform_real_distribution<double>(0, 2)(random);
        const ColumnMap map{origin, std::uniform_real_distribution<double>(0, 40)(random),
                            columns / std::max(1, last - first + 1)};

        const std::vector<std::int32_t> kept = reduce(values, first, last, map);
        // The pyramid's reduction keeps exactly the same samples.
        std::vector<std::int32_t> fromPyramid;
        reduceToColumns(MinMaxPyramid(values), values, first, last, map, fromPyramid);
        EXPECT_EQ(fromPyramid, kept);

        struct Column {
            std::int32_t first = 0, last = 0;
            float low = 0, high = 0;
        };
        std::map<std::int64_t, Column> oracle, shown;
        const auto add = [&](std::map<std::int64_t, Column>& into, std::int32_t k) {
            const float v = values[static_cast<std::size_t>(k - 1)];
            auto [it, fresh] = into.try_emplace(map.column(k), Column{k, k, v, v});
            Column& c = it->second;
            if (!fresh) {
                c.first = std::min(c.first, k);
                c.last = std::max(c.last, k);
                c.low = std::min(c.low, v);
                c.high = std::max(c.high, v);
            }
        };
        for (std::int32_t k = std::max(first, 1); k <= std::min(last, n); ++k) add(oracle, k);
        for (const std::int32_t k : kept) add(shown, k);

        SCOPED_TRACE(testing::Message() << "round " << round << " n " << n << " first " << first
                                        << " last " << last << " columns " << columns);
        EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
        EXPECT_EQ(std::adjacent_find(kept.begin(), kept.end()), kept.end());
        ASSERT_EQ(shown.size(), oracle.size());
        for (const auto& [column, expected] : oracle) {
            const Column& got = shown.at(column);
            EXPECT_EQ(got.first, expected.first);
            EXPECT_EQ(got.last, expected.last);
            EXPECT_EQ(got.low, expected.low);
            EXPECT_EQ(got.high, expected.high);
        }
        EXPECT_LE(kept.size(), 4 * oracle.size());
        EXPECT_LE(oracle.size(), static_cast<std::size_t>(columns) + 2);
    }
}

TEST(MinMaxPyramid, ExtremesOfEveryStretchAreThoseAScanFinds) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coarse(0, 5);  // ties everywhere
    std::vector<float> values(300);
    for (float& v : values) v = static_cast<float>(coarse(random));
    const MinMaxPyramid pyramid(values);
    for (std::int32_t first = 1; first <= 300; first += 7) {
        for (std::int32_t last = first; last <= 300; last += 5) {
            const Extremes e = pyramid.extremes(values, first, last);
            const auto begin = values.begin() + first - 1, end = values.begin() + last;
            const auto low = std::min_element(begin, end), high = std::max_element(begin, end);
            ASSERT_EQ(e.lowAt, low - values.begin() + 1) << first << ".." << last;
            ASSERT_EQ(e.highAt, high - values.begin() + 1) << first << ".." << last;
            ASSERT_EQ(e.low, *low);
            ASSERT_EQ(e.high, *high);
        }
    }
}

TEST(MinMaxPyramid, GrowingSampleBySampleGivesWhatABuildOfTheWholeGives) {
    std::mt19937 random(11);
    std::normal_distribution<float> noise(0, 3);
    std::vector<float> values;
    values.reserve(1000);
    MinMaxPyramid grown;
    for (int i = 0; i < 1000; ++i) {
        values.push_back(noise(random));
        if (i % 3 != 1) grown.append(values);  // sometimes two samples at once
    }
    grown.append(values);
    const MinMaxPyramid built(values);
    ASSERT_EQ(grown.size(), values.size());
    for (std::int32_t first = 1; first <= 1000; first += 37) {
        for (std::int32_t last = first; last <= 1000; last += 61) {
            const Extremes a = grown.extremes(values, first, last);
            const Extremes b = built.extremes(values, first, last);
            EXPECT_EQ(a.lowAt, b.lowAt);
            EXPECT_EQ(a.highAt, b.highAt);
        }
    }
}

TEST(ChartCache, FollowsASeriesThatWasReplacedOrGrewAndACopyStartsEmpty) {
    ChartCache cache;
    std::vector<float> values = {1, std::nanf(""), 3, 4};
    values.reserve(16);
    EXPECT_EQ(cache.curve(0, values).missing, (std::vector<std::int32_t>{2}));
    values.push_back(std::numeric_limits<float>::infinity());
    EXPECT_EQ(cache.curve(0, values).missing, (std::vector<std::int32_t>{2, 5}));
    EXPECT_EQ(cache.curve(0, values).pyramid.size(), 5u);
    const std::vector<float> replaced = {7, 8};
    EXPECT_TRUE(cache.curve(0, replaced).missing.empty());
    EXPECT_EQ(cache.curve(0, replaced).pyramid.size(), 2u);

    cache.curve(0, values).reduced = true;
    const ChartCache copy = cache;
    ChartCache copied;
    copied = cache;
    EXPECT_FALSE(ChartCache(copy).curve(0, values).reduced);
    EXPECT_FALSE(copied.curve(0, values).reduced);
    EXPECT_TRUE(cache.curve(0, values).reduced);
}

}  // namespace
}  // namespace tarvo
