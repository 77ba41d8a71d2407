#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>

#include "chart_test_fixture.h"
#include "core/codecs.h"
#include "core/date_time.h"
#include "data/chart_model.h"

namespace tarvo {
namespace {

using testing::chartChannel;
using testing::chartDocument;
using testing::ramp;
using testing::screenPlot;

void expectPoints(const std::vector<DevicePoint>& got, const std::vector<DevicePoint>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, expected[i].x, 1e-9) << i;
        EXPECT_NEAR(got[i].y, expected[i].y, 1e-9) << i;
    }
}

ChartView homeView() {
    ChartView v;
    v.homeStart = 1;
    v.homeTop = 1000;
    v.homeBottom = 0;
    return v;
}

TEST(ChannelScale, MapsTheScaleEndsToFourAndNineHundredNinetySix) {
    struct Case {
        std::int32_t low, high;
        float minValue, maxValue;
        ScaleMode scale;
        double value, y;
    };
    const Case cases[] = {
        {0, 100, 0, 0, ScaleMode::Range, 0, 4},
        {0, 100, 0, 0, ScaleMode::Range, 100, 996},
        {0, 100, 0, 0, ScaleMode::Range, 50, 500},
        {-40, 85, 0, 0, ScaleMode::Range, 85, 996},
        // A range of one value is drawn as a span of 10: factor 99.2.
        {50, 50, 0, 0, ScaleMode::Range, 50, 4},
        {50, 50, 0, 0, ScaleMode::Range, 60, 996},
        // Extreme scale spans the view's lowest to highest sample, whatever the range.
        {0, 100, 10, 30, ScaleMode::Extreme, 10, 4},
        {0, 100, 10, 30, ScaleMode::Extreme, 30, 996},
        {0, 100, 10, 30, ScaleMode::Extreme, 20, 500},
        // All samples equal: span 10, the flat line lies at 4.
        {0, 100, 7, 7, ScaleMode::Extreme, 7, 4},
    };
    for (const Case& c : cases) {
        ChannelRecord r = chartChannel(0, {}, c.low, c.high);
        r.minValue = c.minValue;
        r.maxValue = c.maxValue;
        const ChannelScale map = channelScale(r, c.scale, homeView());
        EXPECT_NEAR(map.y(c.value), c.y, 1e-9) << c.low << ".." << c.high << " value " << c.value;
        EXPECT_NEAR(map.valueAt(c.y), c.value, 1e-9);
    }
    const ChannelScale flat =
        channelScale(chartChannel(0, {}, 50, 50), ScaleMode::Range, homeView());
    EXPECT_NEAR(flat.factor, 99.2, 1e-12);
}

TEST(AxisTicks, FiveTicksFromTheBottomEdgeToTheTopEdge) {
    struct Case {
        double bottom, top;
        std::array<double, 5> ticks;
    };
    const Case cases[] = {
        {0, 1000, {0, 250, 500, 750, 1000}},
        {200, 600, {200, 300, 400, 500, 600}},
        {-100, 100, {-100, -50, 0, 50, 100}},
        // A zoomed view whose quarters are no exact binary fractions still ends on its top.
        {123.1f, 737.3f, {123.1f, 276.65f, 430.2f, 583.75f, 737.3f}},
    };
    for (const Case& c : cases) {
        const auto ticks = axisTicks(c.bottom, c.top);
        for (std::size_t j = 0; j < 5; ++j) EXPECT_NEAR(ticks[j], c.ticks[j], 1e-4) << j;
        EXPECT_EQ(ticks.front(), c.bottom);
        EXPECT_EQ(ticks.back(), c.top);
    }
}

TEST(AxisLabels, ShowTheCurveValueAtTheTickRoundedToTwoDecimals) {
    const std::pair<double, const char*> texts[] = {
        {100, "100"},
        {12.5, "12.5"},
        {0.125, "0.12"},
        {0.375, "0.38"},
        {-0.001, "0"},
        {-3.25, "-3.25"},
        {1234567.891, "1234567.89"},
        {std::numeric_limits<double>::infinity(), "Inf"},
    };
    for (const auto& [value, text] : texts) EXPECT_EQ(axisLabelText(value), text) << value;

    ChannelRecord r = chartChannel(0, {}, 0, 100);
    r.minValue = 90;
    r.maxValue = 130;  // a value above the range (read from a file)
    const ChannelScale range = channelScale(r, ScaleMode::Range, homeView());
    EXPECT_NEAR(axisLabelValue(r, ScaleMode::Range, range, 4), 0, 1e-12);
    EXPECT_NEAR(axisLabelValue(r, ScaleMode::Range, range, 500), 50, 1e-12);
    const ChannelScale extreme = channelScale(r, ScaleMode::Extreme, homeView());
    EXPECT_NEAR(axisLabelValue(r, ScaleMode::Extreme, extreme, 4), 90, 1e-12);
    // Beyond the channel's range an extreme-scale label shows the range end.
    EXPECT_EQ(axisLabelValue(r, ScaleMode::Extreme, extreme, 996), 100);
    r.minValue = -20;
    const ChannelScale below = channelScale(r, ScaleMode::Extreme, homeView());
    EXPECT_EQ(axisLabelValue(r, ScaleMode::Extreme, below, 0), 0);
}

TEST(CurveStep, RoughTrendTakesTheWholeNumberOfSamplesPerPixel) {
    EXPECT_EQ(curveStep(TrendMode::Rough, 10000, 800), 12);
    EXPECT_EQ(curveStep(TrendMode::Detailed, 10000, 800), 1);
    EXPECT_EQ(curveStep(TrendMode::Rough, 800, 800), 1);
    EXPECT_EQ(curveStep(TrendMode::Rough, 1599, 800), 1);
    EXPECT_EQ(curveStep(TrendMode::Rough, 1600, 800), 2);
}

TEST(SwitchCaptions, ReadAsTheStateOfEachSwitch) {
    EXPECT_EQ(scaleSwitchCaption(ScaleMode::Range), "量程坐标");
    EXPECT_EQ(scaleSwitchCaption(ScaleMode::Extreme), "极值坐标");
    EXPECT_EQ(axesSwitchCaption(false), "显示坐标轴");
    EXPECT_EQ(axesSwitchCaption(true), "隐藏坐标轴");
    EXPECT_EQ(trendSwitchCaption(TrendMode::Detailed), "详细走势");
    EXPECT_EQ(trendSwitchCaption(TrendMode::Rough), "大致走势");
}

TEST(PlotScale, DeviceAndPlotCoordinatesConvertBothWays) {
    ChartView v;
    v.viewStart = 101;
    v.viewEnd = 301;
    v.viewTop = 800;
    v.viewBottom = 400;
    const PlotScale s = PlotScale::of(v);
    EXPECT_EQ(s, (PlotScale{101, 800, 200, -400}));
    const DeviceRect plot{10, 20, 800, 400};
    EXPECT_EQ(s.toDevice(plot, {101, 800}), (DevicePoint{10, 20}));
    EXPECT_EQ(s.toDevice(plot, {301, 400}), (DevicePoint{810, 420}));
    EXPECT_EQ(s.toDevice(plot, {201, 600}), (DevicePoint{410, 220}));
    EXPECT_EQ(s.toPlot(plot, {410, 220}), (PlotPoint{201, 600}));
}

TEST(RedrawChart, NothingIsDrawnForAnEmptyDocumentOrAViewWithoutWidthOrHeight) {
    HistoryDocument empty;
    EXPECT_FALSE(redrawChart(empty, screenPlot(), {}));

    HistoryDocument doc = chartDocument({chartChannel(0, ramp(100))});
    doc.view.viewStart = doc.view.viewEnd = 40;
    doc.view.viewTop = 1000;
    const ChartView before = doc.view;
    EXPECT_FALSE(redrawChart(doc, screenPlot(), {}));
    EXPECT_EQ(doc.view, before);

    doc.view.viewEnd = 60;
    doc.view.viewBottom = 1000;
    EXPECT_FALSE(redrawChart(doc, screenPlot(), {}));

    // A view starting past the data loses its width to the right-edge limit (198 samples
    // on 100 pixels allow 2 past the last one).
    doc.view = {.viewStart = 102, .viewEnd = 300, .viewTop = 1000, .viewBottom = 0};
    EXPECT_FALSE(redrawChart(doc, screenPlot(100), {}));
    EXPECT_EQ(doc.view.viewEnd, 102);
}

TEST(RedrawChart, AFreshDocumentShowsTheHomeView) {
    // 10 000 samples on 800 pixels: the home view reaches 12 samples (12.5, halves to
    // even) past the last one.
    HistoryDocument doc = chartDocument({chartChannel(0, ramp(10000))}, 800);
    const auto scene = redrawChart(doc, screenPlot(800), {});
    ASSERT_TRUE(scene);
    EXPECT_EQ(doc.view.viewStart, 1);
    EXPECT_EQ(doc.view.viewEnd, 10012);
    EXPECT_EQ(doc.view.viewTop, 1000);
    EXPECT_EQ(doc.view.viewBottom, 0);
    EXPECT_EQ(scene->scale, (PlotScale{1, 1000, 10011, -1000}));
    EXPECT_EQ(scene->background, kDefaultChartBackground);
}

TEST(RedrawChart, SettlesTheViewEdgesAndTheScrollBar) {
    HistoryDocument doc = chartDocument({chartChannel(0, ramp(1000))}, 100);
    // A start before sample 1 is raised; an end far beyond the data is limited to one
    // pixel's worth of samples past the last sample (4999 / 100 rounds to 50).
    doc.view = {.viewStart = -5,
                .viewEnd = 5000,
                .viewTop = 1000,
                .viewBottom = 0,
                .homeStart = 1,
                .homeTop = 1000,
                .homeEnd = 1010,
                .homeBottom = 0};
    auto scene = redrawChart(doc, screenPlot(100), {});
    ASSERT_TRUE(scene);
    EXPECT_EQ(doc.view.viewStart, 1);
    EXPECT_EQ(doc.view.viewEnd, 1050);

    // Scroll bar: 1 .. round(200 / 100) + 1000 - 200, at the view's start.
    doc.view.viewStart = 101;
    doc.view.viewEnd = 301;
    scene = redrawChart(doc, screenPlot(100), {});
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->scrollBar, (ScrollBarState{1, 802, 101}));

    // A view wider than the data keeps the maximum at 1.
    doc.view.viewStart = 1;
    doc.view.viewEnd = 1010;
    scene = redrawChart(doc, screenPlot(100), {});
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->scrollBar, (ScrollBarState{1, 1, 1}));
}

TEST(RedrawChart, StatisticsDescribeTheViewAndColourlessChannelsTakeTheirDefault) {
    HistoryDocument doc = chartDocument(
        {chartChannel(0, {1, 5, 3, 9, -2, 4}), chartChannel(2, {0, 7, 6, 5, 0, 0})}, 800);
    doc.channels[1].visible = false;
    doc.view.viewStart = 2;
    doc.view.viewEnd = 4;
    doc.view.viewTop = 1000;
    doc.view.viewBottom = 0;
    const auto scene = redrawChart(doc, screenPlot(), {});
    ASSERT_TRUE(scene);
    EXPECT_EQ(doc.channels[0].maxValue, 9);
    EXPECT_EQ(doc.channels[0].minValue, 3);
    Rgb first = 0;
    EXPECT_EQ(doc.channels[0].color, defaultCurveColor(first, 1));
    // A hidden channel still gets its statistics, but no line.
    EXPECT_EQ(doc.channels[1].maxValue, 7);
    EXPECT_EQ(doc.channels[1].minValue, 5);
    ASSERT_EQ(scene->lines.size(), 1u);
    EXPECT_EQ(scene->lines[0].colour, doc.channels[0].color);
}

TEST(RedrawChart, DetailedTrendKeepsAFewPointsPerColumnAndRoughTrendStepsThroughTheSamples) {
    HistoryDocument doc = chartDocument({chartChannel(0, ramp(10000))}, 800);
    ChartOptions options;
    auto scene = redrawChart(doc, screenPlot(800), options);
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->lines.size(), 1u);
    const auto& detailed = scene->lines[0].points;
    EXPECT_LE(detailed.size(), 4u * 801u);
    // The polyline starts at the first sample and ends at the last (the view reaches past it).
    EXPECT_DOUBLE_EQ(detailed.front().x, 10);
    EXPECT_DOUBLE_EQ(detailed.back().x, 10 + 9999.0 / 10011.0 * 800);
    EXPECT_DOUBLE_EQ(detailed.front().y, 20 + 400 - 4 * 0.4);

    options.trend = TrendMode::Rough;
    scene = redrawChart(doc, screenPlot(800), options);
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->lines.size(), 1u);
    // Samples 1, 13, 25, … 9997: step 12.
    const auto& rough = scene->lines[0].points;
    EXPECT_EQ(rough.size(), 834u);
    EXPECT_DOUBLE_EQ(rough[1].x, 10 + 12.0 / 10011.0 * 800);
}

TEST(RedrawChart, AMissingSampleBreaksTheCurve) {
    std::vector<float> values = {1, 2, 3, std::nanf(""), 5, 6, std::nanf(""), 8};
    HistoryDocument doc = chartDocument({chartChannel(0, values)}, 800);
    const auto scene = redrawChart(doc, screenPlot(), {});
    ASSERT_TRUE(scene);
    // 1-2-3 and 5-6; sample 8 alone has no segment.
    ASSERT_EQ(scene->lines.size(), 2u);
    EXPECT_EQ(scene->lines[0].points.size(), 3u);
    EXPECT_EQ(scene->lines[1].points.size(), 2u);
}

// The chart keeps its reductions and statistics between redraws: after other views,
// another trend and statistics changed behind its back, a view shows exactly what a
// document that never drew anything shows.
TEST(RedrawChart, KeptReductionsAndStatisticsDrawWhatAFreshDocumentDraws) {
    // The zeros' highest value is a +0 or a -0, whichever a view meets first.
    std::vector<float> noisy(20000), gappy(20000), zeros(20000);
    for (std::size_t i = 0; i < noisy.size(); ++i) {
        noisy[i] = static_cast<float>((i * 7919) % 101) / 4;
        gappy[i] = (i + 400) % 977 < 3 ? std::nanf("") : static_cast<float>(i % 13);
        zeros[i] = i % 7 == 3 ? 0.0f : i % 7 == 5 ? -0.0f : -1.0f;
    }
    HistoryDocument doc = chartDocument(
        {chartChannel(0, noisy), chartChannel(1, gappy), chartChannel(2, zeros)}, 800);
    const auto show = [](HistoryDocument& d, std::int32_t start, std::int32_t end,
                         TrendMode trend) {
        d.view.viewStart = start;
        d.view.viewEnd = end;
        d.view.viewTop = 1000;
        d.view.viewBottom = 0;
        ChartOptions options;
        options.trend = trend;
        options.scale = ScaleMode::Extreme;
        return redrawChart(d, screenPlot(800), options);
    };
    const struct {
        std::int32_t start, end;
        TrendMode trend;
    } views[] = {{1, 20025, TrendMode::Detailed}, {300, 9000, TrendMode::Detailed},
                 {1, 20025, TrendMode::Rough},    {4100, 4600, TrendMode::Detailed},
                 {1, 20025, TrendMode::Detailed}, {300, 9000, TrendMode::Detailed}};
    for (const auto& v : views) {
        const auto kept = show(doc, v.start, v.end, v.trend);
        HistoryDocument fresh = doc;  // a copy keeps nothing of the chart's
        const auto expected = show(fresh, v.start, v.end, v.trend);
        ASSERT_TRUE(kept && expected);
        ASSERT_EQ(kept->lines.size(), expected->lines.size());
        for (std::size_t i = 0; i < kept->lines.size(); ++i)
            expectPoints(kept->lines[i].points, expected->lines[i].points);
        const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };  // NaN too
        for (std::size_t c = 0; c < doc.channels.size(); ++c) {
            EXPECT_EQ(bits(doc.channels[c].maxValue), bits(fresh.channels[c].maxValue));
            EXPECT_EQ(bits(doc.channels[c].minValue), bits(fresh.channels[c].minValue));
            EXPECT_EQ(bits(doc.channels[c].meanValue), bits(fresh.channels[c].meanValue));
            // Whatever the chart keeps, the figures are those of a plain scan of the view.
            const std::span<const float> series(doc.channels[c].values);
            EXPECT_EQ(bits(fresh.channels[c].maxValue), bits(rangeMax(series, v.start, v.end)));
            EXPECT_EQ(bits(fresh.channels[c].minValue), bits(rangeMin(series, v.start, v.end)));
            EXPECT_EQ(bits(fresh.channels[c].meanValue), bits(rangeMean(series, v.start, v.end)));
        }
        recomputeWholeStatistics(doc);  // as a save does
    }
}

TEST(RedrawChart, AValueFarOutsideTheRangeStaysAtAPaintableCoordinate) {
    HistoryDocument doc = chartDocument({chartChannel(0, {1, 3e38f, 2})}, 800);
    const auto scene = redrawChart(doc, screenPlot(), {});
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->lines.size(), 1u);
    for (const DevicePoint& p : scene->lines[0].points) {
        EXPECT_TRUE(std::isfinite(p.y));
        EXPECT_GE(p.y, 20 - 1e6 - 1);
    }
}

TEST(RedrawChart, AxesSitAtTheirChannelsFifteenthOfThePlotWithFiveLabelledTicks) {
    HistoryDocument doc = chartDocument({chartChannel(0, ramp(100)), chartChannel(1, ramp(100)),
                                         chartChannel(4, ramp(100), -20, 80)},
                                        750);
    doc.channels[0].visible = doc.channels[1].visible = false;
    ChartOptions options;
    options.showAxes = true;
    const auto scene = redrawChart(doc, screenPlot(750, 400), options);
    ASSERT_TRUE(scene);
    // The axis, five ticks, the curve.
    ASSERT_EQ(scene->lines.size(), 7u);
    const double axisX = 10 + 3.0 * 750 / 15;
    expectPoints(scene->lines[0].points, {{axisX, 20}, {axisX, 420}});
    EXPECT_DOUBLE_EQ(scene->lines[0].width, 2);
    EXPECT_DOUBLE_EQ(scene->lines[6].width, 1);
    // The bottom tick, a fifth of the axis spacing long.
    expectPoints(scene->lines[1].points, {{axisX, 420}, {axisX + 10, 420}});

    ASSERT_EQ(scene->labels.size(), 5u);
    const std::string texts[] = {"-20.4", "4.8", "30", "55.2", "80.4"};
    for (std::size_t j = 0; j < 5; ++j) {
        EXPECT_EQ(scene->labels[j].text, texts[j]) << j;
        EXPECT_DOUBLE_EQ(scene->labels[j].topLeft.x, axisX + 2);  // 30 twips right of the axis
        EXPECT_EQ(scene->labels[j].colour, doc.channels[2].color);
    }
    // The bottom label is raised to end at its tick; the others hang below theirs.
    EXPECT_DOUBLE_EQ(scene->labels[0].topLeft.y, 420 - 12);
    EXPECT_DOUBLE_EQ(scene->labels[1].topLeft.y, 320);
    EXPECT_DOUBLE_EQ(scene->labels[4].topLeft.y, 20);
}

TEST(RedrawChart, TimeLabelsShowTheFirstAndLastVisibleSampleUnderThePlot) {
    HistoryDocument doc = chartDocument({chartChannel(0, ramp(100))}, 50);
    // On 50 pixels the view may end two samples past the last one (109 / 50 rounds to 2).
    doc.view = {.viewStart = 11,
                .viewEnd = 120,
                .viewTop = 1000,
                .viewBottom = 0,
                .homeStart = 1,
                .homeTop = 1000,
                .homeEnd = 102,
                .homeBottom = 0};
    const auto scene = redrawChart(doc, screenPlot(50, 400), {});
    ASSERT_TRUE(scene);
    EXPECT_EQ(doc.view.viewEnd, 102);
    ASSERT_EQ(scene->timeLabels.size(), 2u);
    EXPECT_EQ(scene->timeLabels[0].text, "2006-3-7 10:40:00");
    EXPECT_EQ(scene->timeLabels[0].topLeft, (DevicePoint{10, 420}));
    // The right edge lies past the data: the label shows the last sample's time, ending
    // at the plot's right edge (75 twips, 5 pixels, per character).
    EXPECT_EQ(scene->timeLabels[1].text, "2006-3-8 1:30:00");
    EXPECT_EQ(scene->timeLabels[1].topLeft, (DevicePoint{60 - 5 * 16, 420}));
}

TEST(RedrawChart, APrinterSurfaceScalesPensAndGapsButCountsScreenPixels) {
    HistoryDocument doc = chartDocument({chartChannel(0, ramp(10000))}, 800);
    ChartGeometry printer;
    printer.plot = {0, 0, 4000, 2000};  // 800 screen pixels at 3 twips per unit
    printer.twipsPerUnit = 3;
    ChartOptions options;
    options.trend = TrendMode::Rough;
    options.showAxes = true;
    const auto scene = redrawChart(doc, printer, options);
    ASSERT_TRUE(scene);
    EXPECT_DOUBLE_EQ(scene->lines[0].width, 10);  // axis, 2 screen pixels
    EXPECT_EQ(scene->lines.back().points.size(), 834u);
    EXPECT_DOUBLE_EQ(scene->labels[0].topLeft.x, 4000.0 / 15 + 10);
}

}  // namespace
}  // namespace tarvo
