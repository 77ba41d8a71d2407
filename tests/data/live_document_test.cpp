#include "data/live_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace tarvo {
namespace {

const DateTime kNow = makeDateTime(2006, 3, 7, 9, 5, 7);
const DateTime kSecond = 1.0 / kSecondsPerDay;

// A live answer: 3C 30 31 FF 39 n, one single per value least significant byte first, 66.
Bytes liveAnswer(const std::vector<float>& values) {
    Bytes b{0x3C, 0x30, 0x31, 0xFF, 0x39, static_cast<std::uint8_t>(values.size())};
    for (float v : values) {
        const auto bits = std::bit_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    b.push_back(0x66);
    return b;
}

// Channels 0 (temperature, -40..100) and 2 (humidity, 0..100) started.
LoggerParameters twoChannelLogger() {
    LoggerParameters p;
    p.startedChannels = 0b101;
    p.channelType[0] = 1;
    p.channelUnit[0] = 1;
    p.channelType[2] = 2;
    p.channelUnit[2] = 2;
    p.rangeLow[0] = -40;
    p.rangeHigh[0] = 100;
    p.rangeLow[2] = 0;
    p.rangeHigh[2] = 100;
    p.alarmLow[0] = -10;
    p.alarmHigh[0] = 80;
    p.userName = "张三";
    p.title = "冷库";
    p.firmwareYear = 2006;
    p.firmwareMonth = 11;
    p.firmwareDay = 27;
    p.echoedAddress = 7;
    p.workStatus = 1;
    p.loggerStartTime = makeDateTime(2006, 3, 1);
    p.expectedStopTime = makeDateTime(2006, 4, 1);
    return p;
}

struct RecordingDump : LiveDumpSink {
    struct Dump {
        std::vector<ChannelRecord> channels;
        DateTime stamp;
    };
    std::vector<Dump> dumps;
    void dumpRealData(const std::vector<ChannelRecord>& channels, DateTime stamp) override {
        dumps.push_back({channels, stamp});
    }
};

class LiveDocumentTest : public ::testing::Test {
  protected:
    LiveDocumentTest() {
        doc.setDumpSink(&dump);
        EXPECT_TRUE(doc.reSetRealSetting(twoChannelLogger()));
    }
    // Sample number k (1-based) arrives k seconds after kNow.
    std::optional<LiveSample> feed(const std::vector<float>& values) {
        ++fed;
        return doc.restoreRealData(liveAnswer(values), kNow + fed * kSecond);
    }
    void feedSeries(const std::vector<float>& first) {
        for (float v : first) feed({v, 50});
    }
    const ChannelRecord& first() const { return doc.channels.at(0); }

    LiveDocument doc;
    RecordingDump dump;
    int fed = 0;
};

TEST(LiveDocumentSetting, TheStartedChannelsAreBuiltFromTheLoggersParametersWithoutSamples) {
    LiveDocument doc;
    ASSERT_TRUE(doc.reSetRealSetting(twoChannelLogger()));
    EXPECT_TRUE(doc.loaded);
    ASSERT_EQ(doc.channels.size(), 2u);
    const ChannelRecord& t = doc.channels[0];
    EXPECT_EQ(t.channel, 0);
    EXPECT_EQ(doc.channels[1].channel, 2);
    EXPECT_EQ(t.typeText, "温度        ");
    EXPECT_EQ(t.unitText, "℃         ");
    EXPECT_EQ(doc.channels[1].unitText, "%RH       ");
    EXPECT_EQ(t.rangeLow, -40);
    EXPECT_EQ(t.rangeHigh, 100);
    EXPECT_EQ(t.alarmLow, -10.0f);
    EXPECT_EQ(t.alarmHigh, 80.0f);
    EXPECT_EQ(t.userName, "张三");
    EXPECT_EQ(t.title, "冷库");
    EXPECT_EQ(t.versionDate, 39048.0);
    EXPECT_EQ(t.deviceAddress, 7);
    EXPECT_EQ(t.workStatus, 1);
    EXPECT_EQ(t.startTime, makeDateTime(2006, 3, 1));
    EXPECT_EQ(t.stopTime, makeDateTime(2006, 4, 1));
    EXPECT_TRUE(t.visible && t.printCurve && t.printList);
    EXPECT_TRUE(t.values.empty() && t.times.empty());
    EXPECT_EQ(t.maxValue, 0.0f);
}

TEST(LiveDocumentSetting, ALoggerWithoutStartedChannelsLeavesNothingToFill) {
    LiveDocument doc;
    ASSERT_TRUE(doc.reSetRealSetting(twoChannelLogger()));
    LoggerParameters none = twoChannelLogger();
    none.startedChannels = 0;
    EXPECT_FALSE(doc.reSetRealSetting(none));
    EXPECT_FALSE(doc.loaded);
    EXPECT_TRUE(doc.channels.empty());
    EXPECT_FALSE(doc.restoreRealData(liveAnswer({1, 2}), kNow));
}

TEST_F(LiveDocumentTest, ValuesAreRoundedToOneDecimalAndClampedToTheRange) {
    struct Case {
        float sent;
        float stored;
    };
    // Channel 0 ranges over -40..100; halves go to the even tenth.
    const Case cases[] = {{25.04f, 25.0f},  {0.25f, 0.2f},    {0.35f, 0.3f},    {-7.46f, -7.5f},
                          {150.0f, 100.0f}, {-60.0f, -40.0f}, {100.04f, 100.0f}};
    for (const Case& c : cases) {
        const auto sample = feed({c.sent, 50});
        ASSERT_TRUE(sample);
        EXPECT_EQ(sample->values.at(0), c.stored) << c.sent;
        EXPECT_EQ(first().values.back(), c.stored) << c.sent;
    }
    EXPECT_EQ(first().maxValue, 100.0f);
    EXPECT_EQ(first().minValue, -40.0f);
    EXPECT_EQ(first().times.back(), kNow + fed * kSecond);
}

TEST_F(LiveDocumentTest, StatisticsFollowTheSamplesAndARemovedExtremeRebuildsThem) {
    feedSeries({3, 5, 4});
    EXPECT_EQ(first().maxValue, 5.0f);
    EXPECT_EQ(first().minValue, 3.0f);
    EXPECT_FLOAT_EQ(first().meanValue, 4.0f);

    doc.ClearZariva(kNow);  // the 3 was the minimum
    EXPECT_EQ(first().values, (std::vector<float>{5, 4}));
    EXPECT_EQ(first().maxValue, 5.0f);
    EXPECT_EQ(first().minValue, 4.0f);
    EXPECT_FLOAT_EQ(first().meanValue, 4.5f);

    feedSeries({6, 7});     // 5 4 6 7: mean 5.5
    doc.ClearZariva(kNow);  // the 5 is neither extreme: it only leaves the mean
    EXPECT_EQ(first().maxValue, 7.0f);
    EXPECT_EQ(first().minValue, 4.0f);
    EXPECT_NEAR(first().meanValue, 17.0f / 3, 1e-5);
}

TEST_F(LiveDocumentTest,
       TheBufferKeepsFiveHundredSamplesAndDumpsOnTheFirstAndEveryFiveHundredthTrim) {
    for (int k = 1; k <= 500; ++k) feed({static_cast<float>(k % 90), 50});
    EXPECT_EQ(doc.sampleCount(), 500);
    EXPECT_TRUE(dump.dumps.empty());

    feed({1, 50});  // the 501st: the oldest goes first, after a dump of the full buffer
    ASSERT_EQ(dump.dumps.size(), 1u);
    EXPECT_EQ(dump.dumps[0].stamp, kNow + 501 * kSecond);
    EXPECT_EQ(dump.dumps[0].channels.at(0).sampleCount(), 500);
    EXPECT_EQ(dump.dumps[0].channels.at(0).times.front(), kNow + kSecond);
    for (const ChannelRecord& r : doc.channels) {
        EXPECT_EQ(r.sampleCount(), 500);
        EXPECT_EQ(r.times.front(), kNow + 2 * kSecond);
        EXPECT_EQ(r.times.back(), kNow + 501 * kSecond);
    }
    EXPECT_EQ(doc.dumpCountdown, 499);

    for (int k = 502; k <= 1000; ++k) feed({2, 50});
    EXPECT_EQ(dump.dumps.size(), 1u);  // 499 more trims
    feed({3, 50});                     // the 500th trim since the first dump
    ASSERT_EQ(dump.dumps.size(), 2u);
    EXPECT_EQ(dump.dumps[1].stamp, kNow + 1001 * kSecond);
    EXPECT_EQ(doc.sampleCount(), 500);
}

TEST_F(LiveDocumentTest, StatisticsAlwaysDescribeExactlyTheSamplesHeld) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> tenths(-400, 1000);
    for (int k = 0; k < 1300; ++k) {
        feed({tenths(random) / 10.0f, static_cast<float>(k % 100)});
        for (const ChannelRecord& r : doc.channels) {
            const auto [lo, hi] = std::minmax_element(r.values.begin(), r.values.end());
            ASSERT_EQ(r.maxValue, *hi) << k;
            ASSERT_EQ(r.minValue, *lo) << k;
            double sum = 0;
            for (float v : r.values) sum += v;
            ASSERT_NEAR(r.meanValue, sum / static_cast<double>(r.values.size()), 1e-3) << k;
        }
    }
}

TEST_F(LiveDocumentTest, TheMeanKeepsFollowingAFullBuffer) {
    // 250 samples at 20, then 250 at 26: the mean of the 500 is 23. Rounded at every
    // update, each 26 moved it by less than half a tenth and it stayed at 20.
    for (int k = 0; k < 250; ++k) feed({20, 50});
    for (int k = 0; k < 250; ++k) feed({26, 50});
    EXPECT_NEAR(first().meanValue, 23.0, 1e-3);
    EXPECT_EQ(liveChannelListRows(doc)[0].meanText, "23");
    feed({26, 50});  // a full buffer: a 20 leaves, a 26 comes
    EXPECT_NEAR(first().meanValue, 23.012, 1e-3);
}

TEST_F(LiveDocumentTest, ANewLoggerStartsANewRunOfStatistics) {
    for (int k = 0; k < 10; ++k) feed({20, 50});
    ASSERT_TRUE(doc.reSetRealSetting(twoChannelLogger()));
    feed({30, 60});
    EXPECT_EQ(first().values, std::vector<float>{30});
    EXPECT_EQ(first().maxValue, 30.0f);
    EXPECT_EQ(first().minValue, 30.0f);
    EXPECT_EQ(first().meanValue, 30.0f);
}

TEST_F(LiveDocumentTest, ShortAnswersAddNothingAndTakeNothingAway) {
    for (int k = 0; k < 500; ++k) feed({1, 2});
    const Bytes tooShort{0x3C, 0x30, 0x31, 0xFF, 0x39, 0x00, 0x00, 0x00, 0x00, 0x66};
    const auto sample = doc.restoreRealData(tooShort, kNow);
    ASSERT_TRUE(sample);
    EXPECT_TRUE(sample->values.empty());
    EXPECT_EQ(doc.sampleCount(), 500);
    EXPECT_TRUE(dump.dumps.empty());
    EXPECT_TRUE(doc.restoreRealData({}, kNow)->values.empty());
}

TEST_F(LiveDocumentTest, ChannelsBeyondTheAnswerGetNoSample) {
    const auto sample = feed({12.3f});
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->values, std::vector<float>{12.3f});
    EXPECT_EQ(doc.channels[0].sampleCount(), 1);
    EXPECT_EQ(doc.channels[1].sampleCount(), 0);
    // Values beyond the last channel are ignored.
    EXPECT_EQ(feed({1, 2, 3})->values.size(), 2u);
}

TEST(LiveSampleLine, ShowsTheTimeThenEachStoredValueAfterATab) {
    EXPECT_EQ(liveSampleLine({kNow, {25.0f, -40.0f, 12.35f}}),
              "2006-3-7 9:05:07\t25.0\t-40.0\t12.35");
    EXPECT_EQ(liveSampleLine({kNow, {}}), "2006-3-7 9:05:07");
}

TEST_F(LiveDocumentTest, TheListShowsPlainNumbersAndTheCursorReadsTheSampleUnderIt) {
    feedSeries({3.5f, 5, 4});
    const auto rows = liveChannelListRows(doc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].key, "通道0");
    EXPECT_EQ(rows[1].key, "通道2");
    EXPECT_EQ(rows[0].typeText, "温度");
    EXPECT_EQ(rows[1].unitText, "%RH");
    EXPECT_EQ(rows[0].maxText, "5");
    EXPECT_EQ(rows[0].minText, "3.5");
    EXPECT_EQ(rows[0].meanText, "4.2");  // 4.1666…, shown to one decimal
    EXPECT_EQ(rows[1].colour, rgb(64, 64, 192));
    EXPECT_EQ(doc.channels[1].color, rgb(64, 64, 192));

    struct Case {
        double x;
        std::string value;
        std::string index;
    };
    for (const Case& c : {Case{-3, "3.5", "1"}, Case{2.9, "5", "2"}, Case{1e9, "4", "3"}}) {
        const auto cells = liveCursorReadout(doc, c.x);
        ASSERT_EQ(cells.size(), 2u);
        ASSERT_TRUE(cells[0]) << c.x;
        EXPECT_EQ(cells[0]->selectedValue, c.value);
        EXPECT_EQ(cells[0]->indexText, c.index);
    }
    EXPECT_EQ(liveCursorReadout(doc, 1)[0]->recordTime, "2006-3-7 9:05:08");
    EXPECT_TRUE(liveCursorReadout(LiveDocument{}, 1).empty());
}

TEST_F(LiveDocumentTest, TheChartMapsEachRangeOntoThePlotWithDashedAlarmLines) {
    feedSeries({30, 44});
    doc.channels[1].rangeHigh = doc.channels[1].rangeLow = 0;  // keeps channel 0's factor
    // Device x = sample - 1, device y = 1000 - plot height.
    const DeviceRect plot{0, 0, 499, 1000};
    const auto scene = liveChartScene(doc, plot);
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->topLabel, "1000");
    EXPECT_EQ(scene->bottomLabel, "0");

    // Per channel: 167 dashes for each alarm limit (x = 0, 3, … 498), then the curve.
    ASSERT_EQ(scene->lines.size(), 2u * (2 * 167 + 1));
    const double factor = 1000.0 / 140;
    const ChartPolyline& highDash = scene->lines[1];
    EXPECT_NEAR(highDash.points[0].x, 2, 1e-9);
    EXPECT_NEAR(highDash.points[1].x, 4, 1e-9);
    EXPECT_NEAR(highDash.points[0].y, 1000 - ((80 + 40) * factor + 5), 1e-9);
    const ChartPolyline& curve = scene->lines[2 * 167];
    ASSERT_EQ(curve.points.size(), 2u);
    EXPECT_NEAR(curve.points[0].x, 0, 1e-9);
    EXPECT_NEAR(curve.points[0].y, 1000 - ((30 + 40) * factor + 5), 1e-9);
    EXPECT_NEAR(curve.points[1].y, 1000 - ((44 + 40) * factor + 5), 1e-9);
    EXPECT_EQ(curve.colour, rgb(192, 64, 64));
    const ChartPolyline& flatCurve = scene->lines.back();
    EXPECT_NEAR(flatCurve.points[0].y, 1000 - (50 * factor + 5), 1e-9);

    doc.channels[0].visible = false;
    EXPECT_EQ(liveChartScene(doc, plot)->lines.size(), 2u * 167 + 1);
    LiveDocument empty;
    EXPECT_FALSE(liveChartScene(empty, plot));
}

}  // namespace
}  // namespace tarvo
