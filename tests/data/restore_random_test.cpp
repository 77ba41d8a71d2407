// Random answers and random parameters: building a document never crashes, never
// reads outside the answers and never hangs, and what it builds is consistent.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "data/channel_list.h"
#include "data/data_grid.h"
#include "data/history_document.h"

namespace tarvo {
namespace {

TEST(RestoreHisData, RandomAnswersAndParametersNeverBreakIt) {
    std::mt19937 random(20060307);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const std::int16_t codes[] = {1, 2, 4, 129, 145, 161, 0, 3, -2, 200, 32767, -32768};
    const double intervals[] = {0.0,
                                -0.01,
                                1e-9,
                                1.0 / 1440,
                                1e9,
                                -1e300,
                                std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity()};
    HistoryCounter counter;
    int built = 0;
    for (int iteration = 0; iteration < 3000; ++iteration) {
        LoggerParameters p;
        p.deviceBytes[3] = static_cast<std::int16_t>(pick(0, 1) * pick(0, 255));
        p.startedChannels = static_cast<std::int16_t>(pick(-32768, 32767));
        for (int c = 0; c < kChannelCount; ++c) {
            p.channelDataLength[c] = codes[pick(0, std::size(codes) - 1)];
            p.channelType[c] = static_cast<std::int16_t>(pick(-5, 30));
            p.channelUnit[c] = static_cast<std::int16_t>(pick(-5, 100));
            p.rangeLow[c] = pick(-1000, 1000);
            p.rangeHigh[c] = pick(-1000, 1000);
            p.alarmLow[c] = static_cast<std::int16_t>(pick(-32768, 32767));
        }
        p.recordWidth = pick(0, 3) == 0 ? static_cast<std::int16_t>(pick(-10, 40))
                                        : static_cast<std::int16_t>(recordWidthOf(p));
        p.overflowCount = static_cast<std::int16_t>(pick(-1, 3));
        p.totalSpace = pick(-3, 30);
        p.recordCount = pick(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        p.effectiveCapacity = pick(-100, 100);
        p.firmwareYear = static_cast<std::int16_t>(pick(-1, 2010));
        p.firmwareMonth = static_cast<std::int16_t>(pick(0, 13));
        p.firmwareDay = static_cast<std::int16_t>(pick(0, 32));
        p.interval = intervals[pick(0, std::size(intervals) - 1)];
        p.loggerStartTime = pick(0, 1) ? pick(-700000, 3000000) : 1e300;
        const DateTime now = pick(-700000, 3000000);

        std::vector<Bytes> frames(static_cast<std::size_t>(pick(0, 4)));
        for (Bytes& frame : frames) {
            frame.resize(static_cast<std::size_t>(pick(0, 40)));
            for (auto& b : frame) b = static_cast<std::uint8_t>(pick(0, 255));
        }

        HistoryDocument doc;
        if (!restoreHisData(doc, frames, p, counter, now, pick(-10, 2000))) {
            EXPECT_FALSE(doc.loaded);
            continue;
        }
        ++built;
        const std::int32_t n = doc.sampleCount();
        ASSERT_GE(n, 1);
        for (const ChannelRecord& r : doc.channels) {
            ASSERT_EQ(r.sampleCount(), n);
            ASSERT_EQ(r.times.size(), r.values.size());
            for (const float v : r.values) {
                ASSERT_FALSE(std::isnan(v));
                if (r.rangeLow <= r.rangeHigh) {
                    ASSERT_GE(v, static_cast<float>(r.rangeLow));
                    ASSERT_LE(v, static_cast<float>(r.rangeHigh));
                }
            }
        }
        ASSERT_GE(doc.view.homeEnd, 2);

        channelListRows(doc);
        for (int row : {0, 1, n, n + 1}) {
            for (int column = 0; column < dataGridColumns(doc) + 1; ++column)
                dataGridCell(doc, row, column);
        }
        dataGridCopyText(doc, 0, 0, n, dataGridColumns(doc));
        LoggerParameters fileParams;
        refrashParam(doc, fileParams);
        recomputeWholeStatistics(doc);
        resetView(doc, pick(-5, 20000));
    }
    EXPECT_GT(built, 100);  // the cases reach the decoding, not only the refusals
}

}  // namespace
}  // namespace tarvo
