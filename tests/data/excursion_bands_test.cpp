#include "data/excursion_bands.h"

#include <gtest/gtest.h>

#include "chart_test_fixture.h"
#include "data/channel_summary.h"

namespace tarvo {
namespace {

using testing::chartChannel;
using testing::chartDocument;
using testing::screenPlot;

ChannelRecord limited(std::vector<float> values) {
    ChannelRecord r = chartChannel(0, std::move(values));
    r.alarmLow = 20;
    r.alarmHigh = 80;
    return r;
}

TEST(ExcursionRuns, NameTheRecordsBeyondALimitAndTheFirstRecordAfterThem) {
    const ChannelRecord r = limited({50, 90, 90, 10, 50, 95});
    EXPECT_EQ(excursionRuns(r, 1, 6), (std::vector<ExcursionRun>{
                                          {2, 4, true}, {4, 5, false}, {6, 7, true}}));
    EXPECT_EQ(excursionRuns(r, 3, 4), (std::vector<ExcursionRun>{{3, 4, true}, {4, 5, false}}));
    ChannelRecord open = r;
    open.alarmHigh = open.alarmLow;
    EXPECT_TRUE(excursionRuns(open, 1, 6).empty());
}

// Ten samples over an 800 × 400 plot at (10, 20): sample k lies at x = 10 + (k − 1)·800/9.
// The range 0..100 maps to plot space 4..996: 80 lies at y 100.96, 20 at y 339.04.
TEST(ExcursionBands, SpanTheExcursionBetweenItsLimitAndThePlotsEdge) {
    HistoryDocument doc = chartDocument({limited({50, 90, 90, 50, 10, 50, 50, 50, 50, 50})});
    const auto scene = redrawChart(doc, screenPlot(), {});
    ASSERT_TRUE(scene);
    const std::vector<ChartBand> bands = excursionBands(doc, *scene, ScaleMode::Range);
    ASSERT_EQ(bands.size(), 2u);
    const double step = 800.0 / 9;
    EXPECT_EQ(bands[0].colour, doc.channels[0].color);
    EXPECT_NEAR(bands[0].rect.left, 10 + step, 1e-9);
    EXPECT_NEAR(bands[0].rect.right(), 10 + 3 * step, 1e-9);
    EXPECT_NEAR(bands[0].rect.top, 20, 1e-9);
    EXPECT_NEAR(bands[0].rect.bottom(), 100.96, 1e-9);
    EXPECT_NEAR(bands[1].rect.left, 10 + 4 * step, 1e-9);
    EXPECT_NEAR(bands[1].rect.right(), 10 + 5 * step, 1e-9);
    EXPECT_NEAR(bands[1].rect.top, 339.04, 1e-9);
    EXPECT_NEAR(bands[1].rect.bottom(), 420, 1e-9);

    doc.channels[0].visible = false;
    EXPECT_TRUE(excursionBands(doc, *scene, ScaleMode::Range).empty());
}

TEST(ExcursionBands, ANoisySeriesGivesNoMoreBandsThanThePlotHasPixels) {
    std::vector<float> noisy;
    for (int k = 0; k < 20000; ++k) noisy.push_back(k % 2 == 0 ? 90.0f : 50.0f);
    HistoryDocument doc = chartDocument({limited(noisy)});
    const auto scene = redrawChart(doc, screenPlot(), {});
    ASSERT_TRUE(scene);
    const std::vector<ChartBand> bands = excursionBands(doc, *scene, ScaleMode::Range);
    EXPECT_GE(bands.size(), 1u);
    EXPECT_LE(bands.size(), 800u);
    for (const ChartBand& b : bands) {
        EXPECT_GE(b.rect.left, 10);
        EXPECT_LE(b.rect.right(), 810 + 1e-9);
    }
}

}  // namespace
}  // namespace tarvo
