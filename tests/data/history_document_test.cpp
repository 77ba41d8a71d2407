#include "data/history_document.h"

#include <gtest/gtest.h>

#include "data/channel_list.h"
#include "data/data_grid.h"
#include "upload_fixture.h"

namespace tarvo {
namespace {

using testing::kFarFuture;
using testing::kStart;
using testing::kTenMinutes;
using testing::pageAnswer;
using testing::plainByteLogger;
using testing::singleAnswer;

struct Restored {
    bool ok = false;
    HistoryDocument doc;
    HistoryCounter counter;
};

Restored restore(const std::vector<Bytes>& frames, const LoggerParameters& p,
                 DateTime now = kFarFuture) {
    Restored r;
    r.ok = restoreHisData(r.doc, frames, p, r.counter, now, 800);
    return r;
}

std::vector<float> valuesOf(const HistoryDocument& doc, std::size_t i = 0) {
    return doc.channels.at(i).values;
}

TEST(RestoreHisData, ChannelsOneAndThreeStartedGiveTwoRecordsNamedAfterTheirChannels) {
    LoggerParameters p = plainByteLogger();
    p.startedChannels = 0b1010;
    p.channelDataLength[1] = p.channelDataLength[3] = 2;
    p.recordWidth = 4;
    for (int c : {1, 3}) {
        p.rangeLow[c] = -1000;
        p.rangeHigh[c] = 1000;
    }
    // Two records of two decimal words each, the second record split over two pages.
    const auto r = restore(
        {pageAnswer(0, {0x05, 0x09, 0x01, 0x00, 0x02}), pageAnswer(1, {0x05, 0x85, 0x23})}, p);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.doc.channels.size(), 2u);
    EXPECT_EQ(r.doc.channels[0].channel, 1);
    EXPECT_EQ(r.doc.channels[1].channel, 3);
    EXPECT_EQ(valuesOf(r.doc, 0), (std::vector<float>{5.9f, 2.5f}));
    EXPECT_EQ(valuesOf(r.doc, 1), (std::vector<float>{1.0f, -261.3f}));

    HistoryDocument doc = r.doc;
    const auto rows = channelListRows(doc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].key, "通道1");
    EXPECT_EQ(rows[1].channelText, "通道3");
    EXPECT_EQ(dataGridFormat(doc),
              "|   记录日期   |   记录时间   |通道1        |通道3        ;|11111");
    EXPECT_EQ(dataGridCell(doc, 0, 4), "通道3        ");
    EXPECT_EQ(dataGridColumns(doc), 5);
    EXPECT_EQ(dataGridRows(doc), 3);
}

TEST(RestoreHisData, WrappedMemoryPutsTheOldestRecordInSlotOne) {
    LoggerParameters p = plainByteLogger();
    p.overflowCount = 1;
    p.totalSpace = 10;
    p.recordCount = 23;
    const auto r = restore({pageAnswer(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})}, p);
    ASSERT_TRUE(r.ok);
    // Stream record k lands in slot 8, 9, 10, 1, 2, …: slot 1 holds the fourth.
    EXPECT_EQ(valuesOf(r.doc), (std::vector<float>{4, 5, 6, 7, 8, 9, 10, 1, 2, 3}));
    const auto& times = r.doc.channels[0].times;
    EXPECT_DOUBLE_EQ(times[0], kStart + 13 * kTenMinutes);
    for (std::size_t k = 1; k < times.size(); ++k)
        EXPECT_NEAR(times[k] - times[k - 1], kTenMinutes, 1e-9);
}

TEST(RestoreHisData, WrappedMemoryFilledAWholeNumberOfTimesIsAlreadyInOrder) {
    LoggerParameters p = plainByteLogger();
    p.overflowCount = 2;
    p.totalSpace = 10;
    p.recordCount = 20;
    const auto r = restore({pageAnswer(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})}, p);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(valuesOf(r.doc), (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_DOUBLE_EQ(r.doc.channels[0].times[0], kStart + 10 * kTenMinutes);
}

TEST(RestoreHisData, WrappedMemoryOfNoSizeReadsAsNotWrapped) {
    LoggerParameters p = plainByteLogger();
    p.overflowCount = 3;
    p.recordCount = 23;
    for (const std::int32_t totalSpace : {0, -5}) {
        p.totalSpace = totalSpace;
        const auto r = restore({pageAnswer(0, {1, 2, 3})}, p);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(valuesOf(r.doc), (std::vector<float>{1, 2, 3}));
        EXPECT_DOUBLE_EQ(r.doc.channels[0].times[0], kStart);
    }
}

TEST(RestoreHisData, LastRecordInTheFutureMovesEveryTimeBackByWholeIntervals) {
    // Quarter days are exact in binary, so the boundaries below are exact.
    struct Case {
        DateTime interval;
        DateTime now;
        DateTime firstTime;
    };
    const DateTime start = 40000;  // five records: the last at start + 4 intervals
    const Case cases[] = {
        {0.25, 40001.0, 40000.0},   // last record exactly at the clock: nothing moves
        {0.25, 40000.5, 39999.5},   // two intervals after the clock
        {0.25, 40000.6, 39999.5},   // less than two intervals after it: still two steps
        {0.25, 39000.0, 38999.0},   // far ahead: 4000 steps, computed at once
        {0.0, 30000.0, 40000.0},    // no interval: nothing can move, nothing hangs
        {-0.25, 30000.0, 40000.0},  // a negative interval neither
    };
    for (const Case& c : cases) {
        LoggerParameters p = plainByteLogger();
        p.loggerStartTime = start;
        p.interval = c.interval;
        const auto r = restore({pageAnswer(0, {1, 2, 3, 4, 5})}, p, c.now);
        ASSERT_TRUE(r.ok);
        const auto& times = r.doc.channels[0].times;
        EXPECT_DOUBLE_EQ(times[0], c.firstTime) << "now " << c.now;
        EXPECT_DOUBLE_EQ(times[4], c.firstTime + 4 * c.interval) << "now " << c.now;
    }
}

TEST(RestoreHisData, TenMinuteRecordsTwoIntervalsAheadOfThePcClockMoveTwoIntervalsBack) {
    LoggerParameters p = plainByteLogger();
    const DateTime last = kStart + 4 * kTenMinutes;
    const DateTime now = last - 2 * kTenMinutes + makeDuration(0, 0, 1);
    const auto r = restore({pageAnswer(0, {1, 2, 3, 4, 5})}, p, now);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(r.doc.channels[0].times[0], kStart - 2 * kTenMinutes, 1e-9);
    EXPECT_NEAR(r.doc.channels[0].times[4], last - 2 * kTenMinutes, 1e-9);
}

TEST(RestoreHisData, ValuesOutsideTheChannelRangeTakeTheNearerEnd) {
    struct Case {
        std::int16_t code;
        std::uint8_t byte;
        std::int32_t low, high;
        float expected;
    };
    const Case cases[] = {
        {129, 120, 0, 100, 100.0f},  // above the range
        {145, 0x85, 0, 100, 0.0f},   // -5 below it
        {129, 100, 0, 100, 100.0f},  // on the edge: kept
        {129, 42, 0, 100, 42.0f},
    };
    for (const Case& c : cases) {
        LoggerParameters p = plainByteLogger();
        p.channelDataLength[0] = c.code;
        p.rangeLow[0] = c.low;
        p.rangeHigh[0] = c.high;
        const auto r = restore({pageAnswer(0, {c.byte})}, p);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(valuesOf(r.doc), std::vector<float>{c.expected}) << int(c.byte);
    }
}

TEST(RestoreHisData, BytesBeyondTheLastWholeRecordAreIgnored) {
    LoggerParameters p = plainByteLogger();
    p.channelDataLength[0] = 2;
    p.recordWidth = 2;
    const auto r = restore({pageAnswer(0, {0x01, 0x00, 0x02, 0x00, 0x03})}, p);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(valuesOf(r.doc), (std::vector<float>{1, 2}));
}

TEST(RestoreHisData, UploadsWithoutAWholeRecordAreRefusedAndLeaveTheDocumentEmpty) {
    struct Case {
        const char* what;
        std::vector<Bytes> frames;
        std::int16_t recordWidth;
        std::int16_t started;
    };
    const Bytes headerOnly = pageAnswer(0, {});  // 9 bytes: no data
    const Case cases[] = {
        {"no answers", {}, 1, 1},
        {"answers without data", {headerOnly, headerOnly, Bytes{0x3C, 0x01}, Bytes{}}, 1, 1},
        {"record width 0", {pageAnswer(0, {1, 2})}, 0, 1},
        {"negative record width", {pageAnswer(0, {1, 2})}, -4, 1},
        {"no started channel", {pageAnswer(0, {1, 2})}, 1, 0},
        {"started bits above channel 7 only", {pageAnswer(0, {1, 2})}, 1, 0x100},
        {"less than one record", {pageAnswer(0, {1})}, 2, 1},
    };
    for (const Case& c : cases) {
        LoggerParameters p = plainByteLogger();
        p.recordWidth = c.recordWidth;
        p.startedChannels = c.started;
        const auto r = restore(c.frames, p);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_FALSE(r.doc.loaded) << c.what;
        EXPECT_TRUE(r.doc.channels.empty()) << c.what;
        EXPECT_EQ(r.counter.peek(), 1) << c.what;
    }
}

TEST(RestoreHisData, OldFirmwareDropsTheLastByteOfAWrappedMemoryOfWholeRecords) {
    struct Case {
        std::int16_t overflow;
        std::int16_t year, month, day;
        std::int32_t effectiveCapacity;
        std::int32_t records;
    };
    const Case cases[] = {
        {1, 2005, 2, 19, 1000, 1},  // all three conditions: 4 bytes read as 3
        {1, 2005, 2, 20, 1000, 2},  // firmware of 20 February 2005 is not before it
        {0, 2005, 2, 19, 1000, 2},  // not wrapped
        {1, 2005, 2, 19, 1001, 2},  // capacity not a whole number of records
        {1, 0, 0, 0, 1000, 1},      // no firmware date at all reads as day 0, before it
    };
    for (const Case& c : cases) {
        LoggerParameters p = plainByteLogger();
        p.channelDataLength[0] = 2;
        p.recordWidth = 2;
        p.overflowCount = c.overflow;
        p.totalSpace = 2;
        p.recordCount = 2;
        p.firmwareYear = c.year;
        p.firmwareMonth = c.month;
        p.firmwareDay = c.day;
        p.effectiveCapacity = c.effectiveCapacity;
        const auto r = restore({pageAnswer(0, {0x01, 0x00, 0x02, 0x00})}, p);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.doc.sampleCount(), c.records) << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(RestoreHisData, SingleAnswerLoggersCarryTheirDataFromByteSeven) {
    LoggerParameters p = plainByteLogger();
    p.deviceBytes[3] = 0;
    const auto r = restore({singleAnswer({7, 8, 9})}, p);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(valuesOf(r.doc), (std::vector<float>{7, 8, 9}));
}

TEST(RestoreHisData, ChannelOfUnknownCodeRepeatsTheLastValueWhileRecordsKeepTheirWidth) {
    LoggerParameters p = plainByteLogger();
    p.startedChannels = 0b11;
    p.channelDataLength[1] = 3;  // not a known code: counts 3 bytes in the record width
    p.recordWidth = 4;
    p.rangeHigh[1] = 255;
    const auto r = restore({pageAnswer(0, {10, 0xEE, 0xEE, 0xEE, 20, 0xEE, 0xEE, 0xEE})}, p);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(valuesOf(r.doc, 0), (std::vector<float>{10, 20}));
    EXPECT_EQ(valuesOf(r.doc, 1), (std::vector<float>{10, 20}));
}

TEST(RestoreHisData, RecordWidthBelowWhatTheDecoderReadsCountsOnlyRecordsReadWhole) {
    LoggerParameters p = plainByteLogger();
    p.channelDataLength[0] = 4;  // four bytes per sample, yet the reported width is 1
    p.recordWidth = 1;
    const auto r = restore({pageAnswer(0, {0, 0, 0x20, 0x41, 0, 0})}, p);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.doc.sampleCount(), 3);
    EXPECT_EQ(r.doc.channels[0].values[0], 10.0f);
}

TEST(RestoreHisData, CopiesTheLoggersDescriptionIntoEveryChannelRecord) {
    LoggerParameters p = plainByteLogger();
    p.startedChannels = 0b101;
    p.channelDataLength[2] = 129;
    p.recordWidth = 2;
    p.channelType[2] = 99;  // outside the table
    p.channelUnit[2] = 93;
    p.rangeLow[2] = -40;
    p.rangeHigh[2] = 85;
    p.alarmLow[2] = -7;
    p.alarmHigh[2] = 70;
    const auto r = restore({pageAnswer(0, {21, 22})}, p);
    ASSERT_TRUE(r.ok);
    const ChannelRecord& t = r.doc.channels[0];
    EXPECT_EQ(t.typeText, "温度        ");  // ten characters, blank padded
    EXPECT_EQ(t.unitText, "℃         ");
    const ChannelRecord& other = r.doc.channels[1];
    EXPECT_EQ(other.typeText, "无         ");
    EXPECT_EQ(other.unitText, "×10 W     ");
    EXPECT_EQ(other.rangeLow, -40);
    EXPECT_EQ(other.rangeHigh, 85);
    EXPECT_EQ(other.alarmLow, -7.0f);
    EXPECT_EQ(other.alarmHigh, 70.0f);
    for (const ChannelRecord& c : r.doc.channels) {
        EXPECT_EQ(c.userName, "用户");
        EXPECT_EQ(c.title, "冷库");
        EXPECT_DOUBLE_EQ(c.versionDate, makeDateTime(2006, 3, 1));
        EXPECT_DOUBLE_EQ(c.startTime, kStart);
        EXPECT_DOUBLE_EQ(c.stopTime, kStart + 100);
        EXPECT_EQ(c.workStatus, 1);
        EXPECT_EQ(c.deviceAddress, 5);
        EXPECT_TRUE(c.visible && c.printCurve && c.printList);
        EXPECT_EQ(c.color, 0u);
    }
    EXPECT_TRUE(r.doc.loaded);
    EXPECT_FALSE(r.doc.saved);
}

TEST(RestoreHisData, CaptionsNumberTheSuccessfulUploadsOfTheRun) {
    HistoryCounter counter;
    const LoggerParameters p = plainByteLogger();
    HistoryDocument first, failed, second;
    ASSERT_TRUE(restoreHisData(first, {pageAnswer(0, {1})}, p, counter, kFarFuture, 800));
    ASSERT_FALSE(restoreHisData(failed, {}, p, counter, kFarFuture, 800));
    ASSERT_TRUE(restoreHisData(second, {pageAnswer(0, {1})}, p, counter, kFarFuture, 800));
    EXPECT_EQ(first.caption, "记录仪文件1");
    EXPECT_EQ(second.caption, "记录仪文件2");
}

TEST(RestoreHisData, StatisticsDescribeTheHomeViewLikeTheFirstRedraw) {
    const auto r = restore({pageAnswer(0, {4, 8, 3, 9})}, plainByteLogger());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.doc.view.viewStart, 1);
    EXPECT_EQ(r.doc.view.viewEnd, r.doc.view.homeEnd);
    EXPECT_EQ(r.doc.view.viewTop, 1000.0f);
    const ChannelRecord& c = r.doc.channels[0];
    EXPECT_EQ(c.maxValue, 9.0f);
    EXPECT_EQ(c.minValue, 3.0f);
    EXPECT_EQ(c.meanValue, 6.0f);
}

HistoryDocument documentOf(std::vector<float> values) {
    HistoryDocument doc;
    ChannelRecord r;
    r.values = std::move(values);
    r.times.assign(r.values.size(), kStart);
    doc.channels.push_back(r);
    doc.loaded = true;
    return doc;
}

TEST(ResetView, HomeViewReachesOnePixelOfSamplesPastTheLast) {
    struct Case {
        int samples;
        int widthTwips;
        std::int32_t homeEnd;
    };
    const Case cases[] = {
        {3000, 1500, 3030},                  // ten samples to a pixel
        {100, 1500, 101},   {10, 1500, 10},  // a tenth of a sample rounds away
        {1, 1500, 2},                        // never below 2
        {0, 1500, 2},
    };
    for (const Case& c : cases) {
        HistoryDocument doc =
            documentOf(std::vector<float>(static_cast<std::size_t>(c.samples), 1.0f));
        resetView(doc, c.widthTwips);
        EXPECT_EQ(doc.view.homeEnd, c.homeEnd) << c.samples;
        EXPECT_EQ(doc.view.homeStart, 1);
        EXPECT_EQ(doc.view.homeTop, 1000.0f);
        EXPECT_EQ(doc.view.homeBottom, 0.0f);
        EXPECT_EQ(doc.view.viewEnd, 0);  // the view itself waits for the first redraw
    }
    HistoryDocument doc = documentOf(std::vector<float>(kDefaultPlotWidthTwips, 1.0f));
    resetView(doc, 0);  // no plot: the default width
    EXPECT_EQ(doc.view.homeEnd, kDefaultPlotWidthTwips + 15);
}

TEST(Statistics, FollowTheViewAndCanDescribeTheWholeRecording) {
    HistoryDocument doc = documentOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    doc.view.viewStart = 3;
    doc.view.viewEnd = 5;
    recomputeStatistics(doc);
    EXPECT_EQ(doc.channels[0].maxValue, 5.0f);
    EXPECT_EQ(doc.channels[0].minValue, 3.0f);
    EXPECT_FLOAT_EQ(doc.channels[0].meanValue, 4.0f);
    EXPECT_TRUE(viewShowsPart(doc));

    recomputeWholeStatistics(doc);
    EXPECT_EQ(doc.channels[0].maxValue, 10.0f);
    EXPECT_EQ(doc.channels[0].minValue, 1.0f);
    EXPECT_FLOAT_EQ(doc.channels[0].meanValue, 5.5f);

    doc.view.viewStart = 1;
    doc.view.viewEnd = 11;  // the view may reach past the last sample
    EXPECT_FALSE(viewShowsPart(doc));
}

TEST(RefrashParam, DescribesTheDocumentInTheFileParametersUnderEachChannelsOwnIndex) {
    LoggerParameters p = plainByteLogger();
    p.startedChannels = 0b1010;
    p.channelDataLength[1] = p.channelDataLength[3] = 129;
    p.recordWidth = 2;
    p.channelType[1] = 2;
    p.channelUnit[1] = 2;
    p.channelType[3] = 13;
    p.channelUnit[3] = 13;
    p.rangeLow[3] = -5;
    p.rangeHigh[3] = 5000;
    p.userName = "  用户 ";
    auto r = restore({pageAnswer(0, {1, 2, 3, 4, 5, 6})}, p);
    ASSERT_TRUE(r.ok);
    r.doc.channels[1].alarmHigh = 12.6f;
    r.doc.channels[1].alarmLow = -3.4f;
    const HistoryDocument before = r.doc;

    LoggerParameters fileParams;
    refrashParam(r.doc, fileParams);
    EXPECT_EQ(fileParams.startedChannels, 0b1010);
    EXPECT_EQ(fileParams.channelType[1], 2);
    EXPECT_EQ(fileParams.channelUnit[1], 2);
    EXPECT_EQ(fileParams.channelType[3], 13);
    EXPECT_EQ(fileParams.channelUnit[3], 13);
    EXPECT_EQ(fileParams.channelType[0], 0);
    EXPECT_EQ(fileParams.rangeLow[3], -5);
    EXPECT_EQ(fileParams.rangeHigh[3], 5000);
    EXPECT_EQ(fileParams.alarmHigh[3], 13);
    EXPECT_EQ(fileParams.alarmLow[3], -3);
    EXPECT_EQ(fileParams.recordCount, 3);
    EXPECT_EQ(fileParams.userName, "用户");
    EXPECT_EQ(fileParams.title, "冷库");
    EXPECT_EQ(fileParams.firmwareYear, 2006);
    EXPECT_EQ(fileParams.firmwareMonth, 3);
    EXPECT_EQ(fileParams.firmwareDay, 1);
    EXPECT_DOUBLE_EQ(fileParams.loggerStartTime, kStart);
    EXPECT_DOUBLE_EQ(fileParams.expectedStopTime, kStart + 100);
    EXPECT_EQ(fileParams.workStatus, 1);
    EXPECT_NEAR(fileParams.interval, kTenMinutes, 1e-9);
    EXPECT_EQ(r.doc, before) << "showing the file's properties does not change the document";
}

TEST(RefrashParam, LeavesTheFileParametersAloneWithoutALoadedDocument) {
    LoggerParameters fileParams;
    fileParams.recordCount = 77;
    HistoryDocument doc = documentOf({1, 2});
    doc.loaded = false;
    refrashParam(doc, fileParams);
    EXPECT_EQ(fileParams.recordCount, 77);
    HistoryDocument empty;
    empty.loaded = true;
    refrashParam(empty, fileParams);
    EXPECT_EQ(fileParams.recordCount, 77);
}

TEST(ReName, WritesUserNameAndTitleIntoEveryChannel) {
    auto r = restore({pageAnswer(0, {1, 2})}, [] {
        LoggerParameters p = plainByteLogger();
        p.startedChannels = 0b11;
        p.channelDataLength[1] = 129;
        p.recordWidth = 2;
        return p;
    }());
    ASSERT_TRUE(r.ok);
    reName(r.doc, "新用户", "新标题");
    for (const ChannelRecord& c : r.doc.channels) {
        EXPECT_EQ(c.userName, "新用户");
        EXPECT_EQ(c.title, "新标题");
    }
}

TEST(Closing, OnlyALoadedDocumentNeverSavedAsksFirst) {
    auto r = restore({pageAnswer(0, {1})}, plainByteLogger());
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(closeNeedsQuestion(r.doc));
    EXPECT_EQ(unsavedChangesQuestion(r.doc), "文档[记录仪文件1]尚未保存，是否现在保存？");
    r.doc.saved = true;
    EXPECT_FALSE(closeNeedsQuestion(r.doc));
    EXPECT_FALSE(closeNeedsQuestion(HistoryDocument{}));
}

TEST(FixedWidthText, CountsCharactersNotBytes) {
    EXPECT_EQ(fixedWidthText("温度", 4), "温度  ");
    EXPECT_EQ(fixedWidthText("立方米/小时立方米/小时", 10), "立方米/小时立方米/");
    EXPECT_EQ(fixedWidthText("", 3), "   ");
    EXPECT_EQ(fixedWidthText("abc", 0), "");
    EXPECT_EQ(trimTrailingBlanks(" ℃   "), " ℃");
    EXPECT_EQ(trimTrailingBlanks("   "), "");
}

}  // namespace
}  // namespace tarvo

namespace tarvo {
namespace {

TEST(RestoreHisData, PagesBeyondAFilesLimitKeepTheNewestRecordsAndSaySo) {
    // 70,000 one-byte records in pages of 10,000: the value of record k is k mod 200.
    LoggerParameters p = testing::plainByteLogger();
    p.totalSpace = 0;
    p.recordCount = 70000;
    std::vector<Bytes> pages;
    for (int page = 0; page < 7; ++page) {
        std::vector<std::uint8_t> data;
        for (int k = page * 10000; k < (page + 1) * 10000; ++k)
            data.push_back(static_cast<std::uint8_t>(k % 200));
        pages.push_back(testing::pageAnswer(static_cast<std::uint8_t>(page), data));
    }
    HistoryDocument doc;
    HistoryCounter counter;
    RestoreNotes notes;
    ASSERT_TRUE(restoreHisData(doc, pages, p, counter, testing::kFarFuture, 800, &notes));
    EXPECT_EQ(doc.sampleCount(), kMaxHistoryRecords);
    const ChannelRecord& r = doc.channels.front();
    const int dropped = 70000 - kMaxHistoryRecords;
    EXPECT_EQ(r.values.front(), static_cast<float>(dropped % 200));
    EXPECT_EQ(r.values.back(), static_cast<float>(69999 % 200));
    EXPECT_DOUBLE_EQ(r.times.front(), testing::kStart + dropped * testing::kTenMinutes);
    EXPECT_TRUE(notes.capped);
    EXPECT_FALSE(notes.incomplete());
    const auto notices = uploadNotices(notes);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].icon, MessageIcon::Information);
    EXPECT_EQ(notices[0].text, "上传的70000条记录超过文件能保存的65535条，只保留最后的65535条记录。");
}

TEST(RestoreHisData, FewerRecordsThanTheLoggerCountsIsAWarningNamingBoth) {
    struct Case {
        std::int32_t recordCount;
        std::int32_t totalSpace;
        std::int32_t promised;
    };
    // Three records arrive; a wrapped memory promises its size, else the count taken.
    for (const Case c : {Case{3, 1001, 3}, Case{2, 1001, 2}, Case{1008, 1001, 1001},
                         Case{1008, 0, 1008}, Case{0, 1001, 0}}) {
        SCOPED_TRACE(c.recordCount);
        LoggerParameters p = testing::plainByteLogger();
        p.recordCount = c.recordCount;
        p.totalSpace = c.totalSpace;
        EXPECT_EQ(promisedRecords(p), c.promised);
        HistoryDocument doc;
        HistoryCounter counter;
        RestoreNotes notes;
        ASSERT_TRUE(restoreHisData(doc, {testing::pageAnswer(0, {1, 2, 3})}, p, counter,
                                   testing::kFarFuture, 800, &notes));
        EXPECT_EQ(notes.received, 3);
        EXPECT_EQ(notes.promised, c.promised);
        const auto notices = uploadNotices(notes);
        if (c.promised <= 3) {
            EXPECT_TRUE(notices.empty());
            continue;
        }
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].icon, MessageIcon::Warning);
        EXPECT_EQ(notices[0].text,
                  "上传未完成：只收到3条记录，记录仪中共有" + std::to_string(c.promised) + "条记录。");
    }
}

}  // namespace
}  // namespace tarvo
