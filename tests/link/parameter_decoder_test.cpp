#include "link/parameter_decoder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "answer_builder.h"
#include "core/codecs.h"

namespace tarvo {
namespace {

using test::Xy002Answer;

const CivilTime kClock{2006, 3, 7, 12, 0, 0};

DateTime secondsLater(DateTime t, double seconds) {
    return t + seconds / kSecondsPerDay;
}

void expectSameTime(DateTime a, DateTime b) {
    EXPECT_NEAR(a, b, 0.5 / kSecondsPerDay);
}

TEST(ParameterDecoder, RecordWidthCountsOneBytePerByteCodeAndTotalSpaceTruncates) {
    struct Case {
        int capacity;
        int totalSpace;
    };
    for (const Case c : {Case{700, 100}, Case{706, 100}, Case{6, 0}}) {
        Xy002Answer a;
        // Lengths 2, 129, 4 on channels 0, 1, 3 (mask 0x0B); channel 2 has 4 but is off.
        a.put(22, {2, 129, 4, 4}).put(102, {0x0B}).put(117, {c.capacity >> 8, c.capacity & 0xFF});
        LoggerParameters p;
        ASSERT_TRUE(decodeXY002(a.sealed(), p));
        EXPECT_EQ(p.recordWidth, 7);
        EXPECT_EQ(p.totalSpace, c.totalSpace) << c.capacity;
    }
}

TEST(ParameterDecoder, NoStartedChannelLeavesTotalSpaceAsItWas) {
    Xy002Answer a;
    a.put(117, {0x02, 0xBC});
    LoggerParameters p;
    p.totalSpace = 42;
    ASSERT_TRUE(decodeXY002(a.sealed(), p));
    EXPECT_EQ(p.recordWidth, 0);
    EXPECT_EQ(p.totalSpace, 42);
}

TEST(ParameterDecoder, Text16DropsZeroUnitsInXY002AndTrimsSpacesInXY001) {
    struct Case {
        Bytes bytes;
        bool skip;
        std::string text;
    };
    const Case cases[] = {
        {{0x4E, 0, 0x61, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, "Na"},
        {{0x4E, 0, 0, 0, 0x61, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, "Na"},
        {{0x20, 0, 0x4E, 0, 0x20, 0, 0x61, 0, 0x20, 0, 0x20, 0, 0x20, 0, 0x20, 0}, false, "N a"},
        // 温度 (U+6E29 U+5EA6) padded with zero units and spaces.
        {{0x29, 0x6E, 0xA6, 0x5E, 0, 0, 0x20, 0, 0x20, 0, 0, 0, 0x20, 0, 0, 0}, false, "温度"},
        // A zero unit inside the text stays in XY-001.
        {{0x41, 0, 0, 0, 0x42, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false, std::string("A\0B", 3)},
        // A surrogate pair (U+1F600) and a lone high surrogate.
        {{0x3D, 0xD8, 0x00, 0xDE, 0x3D, 0xD8, 0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         true,
         "\xF0\x9F\x98\x80\xEF\xBF\xBD"
         "A"},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeText16(c.bytes, c.skip), c.text);
}

TEST(ParameterDecoder, ModelPasswordTakesEachByteAsOneCharacterAndTrims) {
    Xy002Answer a;
    a.put(114, {0x20, 0x41, 0xE9});
    LoggerParameters p;
    ASSERT_TRUE(decodeXY002(a.sealed(), p));
    EXPECT_EQ(p.modelPassword, "A\xC3\xA9");
}

TEST(ParameterDecoder, RecordCountJoinsLowWordAndHighByte) {
    Xy002Answer a;
    a.put(168, {0x02, 0x10, 0x01});
    LoggerParameters p;
    ASSERT_TRUE(decodeXY002(a.sealed(), p));
    EXPECT_EQ(p.recordCount, 528 + 65536);
    EXPECT_EQ(p.recordCountHigh, 1);
}

TEST(ParameterDecoder, FirmwareBefore2006WithMarkerMovesTheConnectYearOnBySix) {
    struct Case {
        int firmwareYearByte;
        std::initializer_list<int> marker;
        int connectYear;
    };
    const Case cases[] = {
        {5, {1, 2, 3, 4, 5}, 2006},
        {5, {1, 2, 3, 4, 6}, 2000},
        {6, {1, 2, 3, 4, 5}, 2000},
    };
    for (const auto& c : cases) {
        Xy002Answer a;
        a.put(107, {c.firmwareYearByte, 1, 1})
            .put(153, {20, 0, 3, 7, 8, 30, 15})
            .put(179, c.marker);
        LoggerParameters p;
        ASSERT_TRUE(decodeXY002(a.sealed(), p));
        EXPECT_EQ(p.connectYear, c.connectYear);
        expectSameTime(p.lastConnectTime, makeDateTime(c.connectYear, 3, 7, 8, 30, 15));
    }
}

TEST(ParameterDecoder, XY002AnswerFillsTheRecordFromItsPositions) {
    Xy002Answer a(26);
    a.put(6, {1, 2, 3, 4, 5, 6, 7, 8}).put(14, {1, 2, 3, 4, 5, 6, 7, 8});
    a.put(30, {0x81, 0x23}).put(46, {0x05, 0xDC}).put(62, {0, 1, 2, 3, 4, 5, 6, 7});
    a.put(70, {1, 2, 0x12, 0x34}).put(102, {0xFF}).put(103, {1, 2, 3, 253}).put(107, {6, 12, 31});
    a.put(110, {9}).put(111, {0x12, 0x34}).put(117, {0x23, 0x45});
    a.put(137, {'T', 0, 0, 0, 'x', 0});
    a.put(160, {1, 2, 3}).put(163, {2}).put(164, {0, 30, 0}).put(167, {6});
    a.put(171, {0x01, 0x02}).put(173, {4}).put(174, {2}).put(175, {128}).put(176, {0x01, 0x00});
    a.put(178, {0x55}).put(184, {0x00, 0x0F}).put(186, {0x00, 0x05});
    a.date8(201, {2006, 4, 1, 9, 0, 0}).date8(217, {2006, 5, 1, 9, 0, 0});
    a.date8(225, {2006, 2, 28, 17, 45, 10}, 2);
    a.put(265, {0x80, 0x05}).put(281, {0x01, 0x2C});
    a.date8(326, kClock);
    LoggerParameters p;
    ASSERT_TRUE(decodeXY002(a.sealed(), p));

    EXPECT_EQ(p.echoedAddress, 26);
    EXPECT_EQ(p.channelType[7], 8);
    EXPECT_EQ(p.channelUnit[0], 1);
    EXPECT_EQ(p.rangeLow[0], decodeScaledLong(0x81, 0x23));
    EXPECT_EQ(p.rangeHigh[0], decodeScaledLong(0x05, 0xDC));
    EXPECT_EQ(p.curveNumber[7], 7);
    EXPECT_EQ(p.uploadWord1, 1);
    EXPECT_EQ(p.uploadWord2, 2);
    EXPECT_EQ(p.uploadWord3, 0x1234);
    EXPECT_EQ(p.startedChannels, 0xFF);
    EXPECT_EQ(p.deviceType(), 253);
    EXPECT_EQ(p.firmwareYear, 2006);
    EXPECT_EQ(p.firmwareMonth, 12);
    EXPECT_EQ(p.firmwareDay, 31);
    EXPECT_EQ(p.modelCode, 9);
    EXPECT_EQ(p.storageCapacity, 0x1234);
    EXPECT_EQ(p.effectiveCapacity, 0x2345);
    EXPECT_EQ(p.title, "Tx");
    expectSameTime(p.interval, makeDuration(1, 2, 3));
    EXPECT_EQ(p.intervalTotalSeconds, 3723);
    EXPECT_EQ(p.startMode, 2);
    expectSameTime(p.startDelay, makeDuration(0, 30, 0));
    EXPECT_EQ(p.stopMode, 6);
    EXPECT_EQ(p.recordAddress, 0x0102);
    EXPECT_EQ(p.overflowCount, 4);
    EXPECT_EQ(p.workStatus, 2);
    EXPECT_EQ(p.powerMode, 128);
    EXPECT_EQ(p.stopCount, 256);
    EXPECT_EQ(p.writeWord, 0x55);
    EXPECT_EQ(p.recordChannels, 0x0F);
    EXPECT_EQ(p.alarmChannels, 5);
    expectSameTime(p.timedStartTime, makeDateTime(2006, 4, 1, 9));
    expectSameTime(p.timedStopTime, makeDateTime(2006, 5, 1, 9));
    expectSameTime(p.lastStopTime, makeDateTime(2006, 2, 28, 17, 45, 10));
    EXPECT_EQ(p.stopReason, 2);
    EXPECT_EQ(p.alarmLow[0], decodeSignedWord(0x80, 0x05));
    EXPECT_EQ(p.alarmHigh[0], decodeSignedWord(0x01, 0x2C));
    expectSameTime(p.loggerClock, makeDateTime(kClock));
}

TEST(ParameterDecoder, AStopCountAbove32767IsReadUnsignedAndStopsAfterTheStart) {
    Xy002Answer a;
    a.put(160, {0, 10, 0}).put(163, {1}).put(167, {2}).put(174, {kWorkRecording});
    a.put(176, {0x9C, 0x40});
    LoggerParameters p;
    ASSERT_TRUE(decodeXY002(a.sealed(), p));
    EXPECT_EQ(p.stopCount, 40000);
    expectSameTime(p.countStopTime, p.loggerStartTime + 40000 * makeDuration(0, 10, 0));
    EXPECT_GT(p.expectedStopTime, p.loggerStartTime);
}

TEST(ParameterDecoder, ShortAnswerLeavesMissingMembersUnchangedAndStillSucceeds) {
    Xy002Answer a;
    a.put(110, {9}).put(160, {0, 0, 30}).put(167, {0}).put(168, {0x02, 0x10, 0x01});
    const Bytes full = a.sealed();
    LoggerParameters p;
    p.recordCount = 77;
    p.recordCountHigh = 3;
    p.recordAddress = 1234;
    p.stopReason = 9;
    p.userName = "old";
    p.loggerClock = 1000.5;
    // The answer ends after byte 169: the record count lacks its high byte, and so
    // everything after it is missing.
    ASSERT_TRUE(decodeXY002(ByteView(full).first(170), p));
    EXPECT_EQ(p.modelCode, 9);
    EXPECT_EQ(p.userName, "");  // present in full, zero-filled
    expectSameTime(p.interval, makeDuration(0, 0, 30));
    EXPECT_EQ(p.recordCount, 77);
    EXPECT_EQ(p.recordCountHigh, 3);
    EXPECT_EQ(p.recordAddress, 1234);
    EXPECT_EQ(p.stopReason, 9);
    EXPECT_EQ(p.loggerClock, 1000.5);

    // A text cut in the middle keeps its old value too.
    p.userName = "old";
    ASSERT_TRUE(decodeXY002(ByteView(full).first(130), p));
    EXPECT_EQ(p.userName, "old");
}

TEST(ParameterDecoder, DecodersRefuseAnswersThatDoNotStartWithTheAnswerByte) {
    LoggerParameters p;
    p.modelCode = 5;
    const Bytes empty;
    const Bytes wrong{0x3D, 0x30, 0x31, 0x30};
    EXPECT_FALSE(decodeXY002(empty, p));
    EXPECT_FALSE(decodeXY002(wrong, p));
    EXPECT_FALSE(decodeXY001Block1(wrong, p, 0));
    EXPECT_FALSE(decodeXY001Block2(empty, p));
    EXPECT_EQ(p.modelCode, 5);
    // A lone "<" decodes nothing but is not a failure.
    const Bytes lone{0x3C};
    EXPECT_TRUE(decodeXY002(lone, p));
    EXPECT_EQ(p.modelCode, 5);
}

TEST(ParameterDecoder, XY001BlocksTogetherGiveTheSameRecordAsXY002ExceptClockAndStopReason) {
    Xy002Answer a = test::typicalLogger(kClock);
    a.put(121, {' ', 0, 'N', 0, 'a', 0, ' ', 0, ' ', 0, ' ', 0, ' ', 0, ' ', 0});
    a.date8(225, {2006, 2, 28, 17, 45, 10}, 4).put(179, {1, 2, 3, 4, 5}).put(107, {5, 1, 1});
    LoggerParameters viaXY002;
    ASSERT_TRUE(decodeXY002(a.sealed(), viaXY002));

    const DateTime pcNow = makeDateTime(2006, 3, 7, 12, 30, 0);
    LoggerParameters viaXY001;
    viaXY001.stopReason = 7;
    ASSERT_TRUE(decodeXY001Block1(a.block1(), viaXY001, pcNow));
    EXPECT_EQ(viaXY001.loggerClock, pcNow);
    EXPECT_EQ(viaXY001.intervalTotalSeconds, 600);
    EXPECT_EQ(viaXY001.recordWidth, 0);  // block 2 brings the channels
    ASSERT_TRUE(decodeXY001Block2(a.block2(), viaXY001));

    EXPECT_EQ(viaXY001.stopReason, 7);
    EXPECT_EQ(viaXY002.stopReason, 4);
    EXPECT_EQ(viaXY001.userName, "Na");
    EXPECT_EQ(viaXY002.userName, " Na     ");
    // No firmware correction of the connect year in XY-001.
    EXPECT_EQ(viaXY002.connectYear, 2012);
    EXPECT_EQ(viaXY001.connectYear, 2006);

    viaXY001.stopReason = viaXY002.stopReason;
    viaXY001.userName = viaXY002.userName;
    viaXY001.loggerClock = viaXY002.loggerClock;
    viaXY001.connectYear = viaXY002.connectYear;
    viaXY001.lastConnectTime = viaXY002.lastConnectTime;
    viaXY001.loggerStartTime = viaXY002.loggerStartTime;
    viaXY001.fullStopTime = viaXY002.fullStopTime;
    viaXY001.expectedStopTime = viaXY002.expectedStopTime;
    viaXY001.echoedAddress = viaXY002.echoedAddress;  // XY-001 does not echo it
    EXPECT_EQ(viaXY001, viaXY002);
}

// ---- derived members --------------------------------------------------------

LoggerParameters withTimes() {
    LoggerParameters p;
    p.lastConnectTime = makeDateTime(2006, 3, 7, 8, 0, 0);
    p.startDelay = makeDuration(1, 0, 0);
    p.timedStartTime = makeDateTime(2006, 3, 8, 0, 0, 0);
    p.timedStopTime = makeDateTime(2006, 3, 9, 0, 0, 0);
    p.interval = makeDuration(0, 10, 0);
    p.stopCount = 6;  // one hour of records
    p.effectiveCapacity = 144 * 2;
    p.channelDataLength[0] = 2;
    p.startedChannels = 1;  // totalSpace 144: one day
    p.recordCount = 3;      // half an hour recorded
    p.workStatus = kWorkRecording;
    return p;
}

TEST(ParameterDecoder, LoggerStartTimeFollowsTheStartMode) {
    struct Case {
        std::int16_t startMode;
        DateTime start;
    };
    const LoggerParameters base = withTimes();
    const Case cases[] = {
        {0, base.lastConnectTime},
        {1, base.lastConnectTime},
        {2, base.lastConnectTime + base.startDelay},
        {3, base.timedStartTime},
        {4, base.lastConnectTime + base.startDelay},
        {9, base.lastConnectTime},
    };
    for (const auto& c : cases) {
        LoggerParameters p = base;
        p.startMode = c.startMode;
        computeDerivedMembers(p);
        expectSameTime(p.loggerStartTime, c.start);
    }
}

TEST(ParameterDecoder, ExpectedStopTimeIsTheEarliestSetConditionOrTheRecordedEndWhenStopped) {
    const DateTime start = makeDateTime(2006, 3, 7, 8, 0, 0);
    const DateTime full = secondsLater(start, 86400);
    const DateTime count = secondsLater(start, 3600);
    const DateTime timed = makeDateTime(2006, 3, 9, 0, 0, 0);
    const DateTime recorded = secondsLater(start, 1800);
    struct Case {
        std::int16_t stopMode;
        std::int16_t workStatus;
        DateTime expected;
    };
    const Case cases[] = {
        {0, kWorkRecording, 0},
        {1, kWorkRecording, full},
        {2, kWorkRecording, count},
        {3, kWorkRecording, count},  // both times computed, the earlier wins
        {5, kWorkRecording, full},
        {4, kWorkRecording, timed},
        {8, kWorkRecording, 0},  // no known condition
        {0, kWorkStopped, recorded},
        {1, kWorkStopped, recorded},
        {4, 0, recorded},
    };
    for (const auto& c : cases) {
        LoggerParameters p = withTimes();
        p.startMode = kStartImmediately;
        p.stopMode = c.stopMode;
        p.workStatus = c.workStatus;
        p.fullStopTime = -1;  // left from an earlier logger
        computeDerivedMembers(p);
        expectSameTime(p.expectedStopTime, c.expected);
        if (c.stopMode & kStopMemoryFull) expectSameTime(p.fullStopTime, full);
        if (c.stopMode & kStopByCount) expectSameTime(p.countStopTime, count);
    }
}

TEST(ParameterDecoder, RecordedEndOnlyLowersAnExpectedStopOfAStoppedLogger) {
    LoggerParameters p = withTimes();
    p.startMode = kStartImmediately;
    p.stopMode = kStopByCount;
    p.recordCount = 60;  // ten hours: later than the count stop
    p.workStatus = kWorkStopped;
    computeDerivedMembers(p);
    expectSameTime(p.expectedStopTime, secondsLater(p.lastConnectTime, 3600));
}

// ---- clock check ------------------------------------------------------------

TEST(ParameterDecoder, ClockCheckDependsOnDeviceTypeVariantAndTimedOperation) {
    struct Case {
        int deviceType;
        bool timed;
        bool xy002;
        bool xy001;
    };
    const Case cases[] = {
        {1, false, true, true},     {0, false, false, false},   {0, true, false, true},
        {252, false, false, false}, {240, false, false, false}, {252, true, false, true},
        {253, false, false, true},  {253, true, true, true},    {254, false, false, false},
        {254, true, false, true},   {255, false, true, true},
    };
    for (const auto& c : cases) {
        for (int how : {0, 1}) {  // timed stop, or timed start
            LoggerParameters p;
            p.deviceBytes[3] = static_cast<std::int16_t>(c.deviceType);
            if (c.timed && how == 0) p.stopMode = kStopTimed | kStopMemoryFull;
            if (c.timed && how == 1) p.startMode = kStartTimed;
            EXPECT_EQ(clockCheckNeeded(p, Variant::XY002), c.xy002)
                << c.deviceType << " " << c.timed;
            EXPECT_EQ(clockCheckNeeded(p, Variant::XY001), c.xy001)
                << c.deviceType << " " << c.timed;
        }
    }
}

TEST(ParameterDecoder, ClockIsWrongFromTheToleranceOn) {
    const DateTime pc = makeDateTime(2006, 3, 7, 12, 0, 0);
    struct Case {
        Variant variant;
        DateTime interval;
        double offSeconds;
        bool wrong;
    };
    const Case cases[] = {
        {Variant::XY002, makeDuration(0, 0, 2), 599, false},
        {Variant::XY002, makeDuration(0, 0, 2), 600, true},
        {Variant::XY002, makeDuration(0, 0, 2), -600, true},
        {Variant::XY002, makeDuration(1, 0, 0), 3599, false},
        {Variant::XY002, makeDuration(1, 0, 0), 3600, true},
        {Variant::XY001, makeDuration(0, 0, 2), 9, false},
        {Variant::XY001, makeDuration(0, 0, 2), 10, true},
        {Variant::XY001, makeDuration(0, 1, 0), 59, false},
    };
    for (const auto& c : cases) {
        LoggerParameters p;
        p.deviceBytes[3] = 1;
        p.interval = c.interval;
        p.loggerClock = secondsLater(pc, c.offSeconds);
        EXPECT_EQ(loggerClockWrong(p, c.variant, pc), c.wrong) << c.offSeconds;
    }
    LoggerParameters never;
    never.deviceBytes[3] = kDeviceNoPowerMode;
    never.loggerClock = pc - 400;
    EXPECT_FALSE(loggerClockWrong(never, Variant::XY002, pc));
}

TEST(ParameterDecoder, FirmwareIsRecentWhenDatedAfterTheTwentyFifthOfFebruary2005) {
    struct Case {
        int y, m, d;
        bool recent;
    };
    for (const Case c :
         {Case{2005, 2, 25, false}, Case{2005, 2, 26, true}, Case{2004, 12, 31, false},
          Case{2005, 3, 1, true}, Case{2006, 1, 1, true}}) {
        LoggerParameters p;
        p.firmwareYear = static_cast<std::int16_t>(c.y);
        p.firmwareMonth = static_cast<std::int16_t>(c.m);
        p.firmwareDay = static_cast<std::int16_t>(c.d);
        EXPECT_EQ(firmwareAfterFeb2005(p), c.recent) << c.y << "-" << c.m << "-" << c.d;
    }
}

}  // namespace
}  // namespace tarvo
