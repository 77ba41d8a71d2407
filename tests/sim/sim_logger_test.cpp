#include "sim/sim_logger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "core/codecs.h"
#include "link/frames.h"
#include "link/parameter_decoder.h"
#include "sim_fixture.h"

namespace tarvo {
namespace {

using testing::smallConfig;
using testing::testNow;

int be16(const Bytes& b, int pos) {
    return b.at(pos) * 256 + b.at(pos + 1);
}

CivilTime date8(const Bytes& b, int pos) {
    return {be16(b, pos),  b.at(pos + 2), b.at(pos + 3),
            b.at(pos + 4), b.at(pos + 5), b.at(pos + 6)};
}

std::u16string text16(const Bytes& b, int pos) {
    std::u16string s;
    for (int i = 0; i < 8; ++i)
        s += static_cast<char16_t>(b.at(pos + 2 * i) | b.at(pos + 2 * i + 1) << 8);
    return s;
}

Bytes connectXY002(int address = 1) {
    return connectFrame(address, Variant::XY002);
}

// Fetches a whole history upload the way the workstation does: first request, then
// next-page requests until the page number stops rising.
std::vector<Bytes> upload(SimLogger& logger, DateTime now) {
    std::vector<Bytes> pages;
    auto answer = logger.answer(historyFrame(1, HistoryRequest::FirstXY002), now);
    int last = -1;
    while (answer && answer->size() > 7 && (pages.empty() || (*answer)[7] > last)) {
        last = (*answer)[7];
        pages.push_back(*answer);
        answer = logger.answer(historyFrame(1, HistoryRequest::NextPage), now);
        if (pages.size() > 300) break;
    }
    if (answer) pages.push_back(*answer);  // the closing repeat
    return pages;
}

Bytes dataOf(const std::vector<Bytes>& pages) {
    Bytes stream;
    for (std::size_t i = 0; i + 1 < pages.size(); ++i) {
        stream.insert(stream.end(), pages[i].begin() + 8, pages[i].end() - 1);
    }
    return stream;
}

TEST(SimLogger, XY002ConnectAnswerCarriesTheConfiguredValuesAtTheirPositions) {
    const SimConfig c = smallConfig();
    SimLogger logger(c, testNow());
    const auto a = logger.answer(connectXY002(), testNow());
    ASSERT_TRUE(a);
    const Bytes& b = *a;
    ASSERT_EQ(b.size(), 335u);
    EXPECT_EQ(b[0], 0x3C);
    EXPECT_EQ(b[1], 0x30);
    EXPECT_EQ(b[2], 0x31);
    EXPECT_EQ(b[334], checksum(b, 6, 333));
    EXPECT_EQ(b[6], 1);    // channel type 0
    EXPECT_EQ(b[8], 5);    // channel type 2
    EXPECT_EQ(b[16], 20);  // unit 2
    EXPECT_EQ(b[22], 2);   // data length 0
    EXPECT_EQ(b[24], 4);
    EXPECT_EQ(b[27], 145);
    EXPECT_EQ(decodeScaledLong(b[30], b[31]), -40);
    EXPECT_EQ(decodeScaledLong(b[46], b[47]), 85);
    EXPECT_EQ(decodeScaledLong(b[50], b[51]), 1000);
    EXPECT_EQ(b[62], 2);  // curve number 0
    EXPECT_EQ(b[70], 1);
    EXPECT_EQ(b[71], 2);
    EXPECT_EQ(be16(b, 72), 16);  // page size
    EXPECT_EQ(b[102], 0x25);     // channels 0, 2 and 5 started
    EXPECT_EQ((Bytes{b[103], b[104], b[105], b[106]}), (Bytes{1, 2, 3, 7}));
    EXPECT_EQ(b[107], 6);
    EXPECT_EQ(b[108], 5);
    EXPECT_EQ(b[109], 18);
    EXPECT_EQ(b[110], 9);
    EXPECT_EQ(be16(b, 111), 4096);
    EXPECT_EQ((std::string{char(b[114]), char(b[115]), char(b[116])}), "K7 ");
    EXPECT_EQ(be16(b, 117), 700);
    EXPECT_EQ(text16(b, 121), (std::u16string{u'N', u'a', 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(text16(b, 137), (std::u16string{u'冷', u'库', 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b[153] * 100 + b[154], 2024);
    EXPECT_EQ((Bytes{b[155], b[156], b[157], b[158], b[159]}), (Bytes{3, 5, 9, 0, 0}));
    EXPECT_EQ((Bytes{b[160], b[161], b[162]}), (Bytes{0, 1, 30}));  // 90 s
    EXPECT_EQ(b[163], 1);
    EXPECT_EQ(b[167], 3);
    EXPECT_EQ(b[170] * 65536 + be16(b, 168), 5);
    EXPECT_EQ(be16(b, 171), 0x0C00 + 5 * 7);
    EXPECT_EQ(b[173], 0);
    EXPECT_EQ(b[174], 1);
    EXPECT_EQ(b[175], 128);
    EXPECT_EQ(be16(b, 176), 300);
    EXPECT_EQ(b[178], 5);
    EXPECT_EQ(be16(b, 184), 0x21);  // record channels 0 and 5
    EXPECT_EQ(be16(b, 186), 0x01);  // alarm on channel 0
    EXPECT_EQ(date8(b, 201), (CivilTime{2024, 4, 1, 8, 30, 0}));
    EXPECT_EQ(date8(b, 217), (CivilTime{2024, 4, 2, 17, 45, 10}));
    EXPECT_EQ(date8(b, 225), (CivilTime{2024, 2, 28, 23, 59, 58}));
    EXPECT_EQ(b[232], 9);
    EXPECT_EQ(decodeSignedWord(b[265], b[266]), -300);
    EXPECT_EQ(decodeSignedWord(b[281], b[282]), 30);
    EXPECT_EQ(date8(b, 326), (CivilTime{2024, 3, 5, 9, 58, 45}));  // 75 s slow
}

TEST(SimLogger, XY002AnswerDecodesThroughTheWorkstationDecoder) {
    SimLogger logger(smallConfig(), testNow());
    LoggerParameters p;
    ASSERT_TRUE(decodeXY002(*logger.answer(connectXY002(), testNow()), p));
    EXPECT_EQ(p.echoedAddress, 1);
    EXPECT_EQ(p.userName, "Na");
    EXPECT_EQ(p.title, "冷库");
    EXPECT_EQ(p.recordWidth, 7);
    EXPECT_EQ(p.totalSpace, 100);
    EXPECT_EQ(p.recordCount, 5);
    EXPECT_EQ(p.deviceType(), 7);
    EXPECT_EQ(p.loggerStartTime, makeDateTime(2024, 3, 5, 9, 0, 0));
    EXPECT_EQ(p.alarmLow[0], -300);
}

TEST(SimLogger, XY001BlocksCarryTheSameValuesShiftedAndSpacePadded) {
    SimLogger logger(smallConfig(), testNow());
    const auto block1 = logger.answer(connectFrame(1, Variant::XY001), testNow());
    const auto block2 = logger.answer(secondBlockFrame(1), testNow());
    const Bytes full = logger.parameterAnswer(testNow());
    ASSERT_TRUE(block1 && block2);
    EXPECT_EQ(block1->front(), 0x3C);
    EXPECT_EQ(block2->front(), 0x3C);
    EXPECT_EQ(block2->back(), 0x66);
    // Block 1: positions 110..296 of the one-block answer, 99 lower.
    for (int pos : {110, 111, 117, 153, 160, 163, 168, 174, 178, 184, 201, 217, 265, 296}) {
        EXPECT_EQ(block1->at(pos - 99), full[pos]) << pos;
    }
    EXPECT_EQ(text16(*block1, 22),
              (std::u16string{u'N', u'a', u' ', u' ', u' ', u' ', u' ', u' '}));
    // Block 2: positions 6..109 exactly.
    for (int pos = 6; pos <= 109; ++pos) EXPECT_EQ(block2->at(pos), full[pos]) << pos;
}

TEST(SimLogger, AnswersOnlyTheEnabledVariantsAndItsOwnAddress) {
    SimConfig only1 = smallConfig();
    only1.answersXY002 = false;
    SimLogger logger1(only1, testNow());
    EXPECT_FALSE(logger1.answer(connectXY002(), testNow()));
    EXPECT_TRUE(logger1.answer(connectFrame(1, Variant::XY001), testNow()));

    SimConfig only2 = smallConfig();
    only2.answersXY001 = false;
    SimLogger logger2(only2, testNow());
    EXPECT_TRUE(logger2.answer(connectXY002(), testNow()));
    EXPECT_FALSE(logger2.answer(connectFrame(1, Variant::XY001), testNow()));
    EXPECT_FALSE(logger2.answer(secondBlockFrame(1), testNow()));

    SimConfig at26 = smallConfig();
    at26.address = 26;
    SimLogger logger26(at26, testNow());
    EXPECT_FALSE(logger26.answer(connectXY002(1), testNow()));
    EXPECT_FALSE(logger26.answer(stopFrame(25), testNow()));
    const auto a = logger26.answer(connectXY002(26), testNow());
    ASSERT_TRUE(a);
    EXPECT_EQ((*a)[1], 0x31);
    EXPECT_EQ((*a)[2], 0x3A);
    EXPECT_EQ(logger26.state().workStatus, kWorkRecording);
}

TEST(SimLogger, IgnoresTheClosingFrameAndMalformedFrames) {
    SimLogger logger(smallConfig(), testNow());
    EXPECT_FALSE(logger.answer(closingFrame(), testNow()));
    const Bytes table[] = {
        {},
        {0x23},
        {0x23, 0x30, 0x31, 0x30, 0x71},
        {0x23, 0x30, 0x31, 0x30, 0x71, 0x65},                    // wrong terminator
        {0x25, 0x30, 0x31, 0x30, 0x46, 0x09, 0x03, 0x00, 0x00},  // shorter than its length
        {0x25, 0x30, 0x31, 0x30, 0x46, 0x05, 0x03, 0x12, 0x34, 0x55, 0x66},      // unknown setting
        {0x25, 0x30, 0x31, 0x30, 0x10, 0x08, 0x07, 0xE8, 13, 1, 0, 0, 0, 0x66},  // month 13
        {0x3C, 0x30, 0x31, 0x09},
    };
    for (const Bytes& f : table) EXPECT_FALSE(logger.answer(f, testNow())) << f.size();
}

TEST(SimLogger, HistoryPagesAreNumberedCheckedAndEndByRepeatingTheLastNumber) {
    SimLogger logger(smallConfig(), testNow());
    const auto pages = upload(logger, testNow());
    // 5 records of 7 bytes = 35 bytes in pages of 16: three pages and the repeat.
    ASSERT_EQ(pages.size(), 4u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Bytes& p = pages[i];
        EXPECT_EQ(p[0], 0x3C);
        EXPECT_EQ(p.back(), checksum(p, 5, static_cast<int>(p.size()) - 2)) << i;
        EXPECT_EQ(p[7], std::min<std::size_t>(i, 2)) << i;
    }
    EXPECT_EQ(pages[0].size(), 16u + 9u);  // a full page is the page size plus 9
    EXPECT_EQ(pages[2].size(), 3u + 9u);
    EXPECT_EQ(pages[3], pages[2]);
    EXPECT_EQ(dataOf(pages), logger.memoryImage());

    // Asked again for the same page, the logger repeats it; a new upload starts over.
    const auto again = logger.answer(historyFrame(1, HistoryRequest::SamePageAgain), testNow());
    EXPECT_EQ(again, pages[2]);
    EXPECT_EQ(upload(logger, testNow()), pages);
}

TEST(SimLogger, SampleStreamDecodesBackToTheConfiguredSamples) {
    const SimConfig c = smallConfig();
    SimLogger logger(c, testNow());
    const Bytes stream = dataOf(upload(logger, testNow()));
    PerChannel<std::int16_t> lengths{};
    for (int i = 0; i < kChannelCount; ++i) lengths[i] = c.channels[i].dataLength;
    RecordDecoder decoder(lengths, c.startedMask());
    ASSERT_EQ(decoder.recordBytes(), 7);
    std::vector<float> values;
    for (std::size_t r = 0; r < 5; ++r) {
        ASSERT_EQ(decoder.decode(stream, r * 7, values), 7);
        ASSERT_EQ(values.size(), 3u);
        EXPECT_NEAR(values[0], c.channels[0].samples[r], 0.051) << r;
        EXPECT_FLOAT_EQ(values[1], static_cast<float>(c.channels[2].samples[r])) << r;
        EXPECT_EQ(values[2], c.channels[5].samples[r]) << r;
    }
}

TEST(SimLogger, EmptyMemoryAnswersWithAnEightBytePageTwice) {
    SimConfig c = smallConfig();
    c.recordCount = 0;
    SimLogger logger(c, testNow());
    const auto first = logger.answer(historyFrame(1, HistoryRequest::FirstXY002), testNow());
    const auto next = logger.answer(historyFrame(1, HistoryRequest::NextPage), testNow());
    ASSERT_TRUE(first && next);
    EXPECT_EQ(first->size(), 8u);
    EXPECT_EQ(first->back(), checksum(*first, 5, 6));
    EXPECT_EQ(*next, *first);
}

TEST(SimLogger, DeviceTypeZeroSendsTheWholeMemoryInOneAnswer) {
    SimConfig c = smallConfig();
    c.deviceBytes[3] = 0;
    SimLogger logger(c, testNow());
    const auto a = logger.answer(historyFrame(1, HistoryRequest::FirstXY001), testNow());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->front(), 0x3C);
    EXPECT_EQ(a->back(), 0x66);
    EXPECT_EQ(Bytes(a->begin() + 7, a->end() - 1), logger.memoryImage());
    EXPECT_EQ(logger.memoryImage().size(), 35u);
}

// The workstation's reading of a wrapped memory: slot of the first stream record
// h + 1 (at most N) with h = totalSpace - recordCount mod totalSpace, and the oldest
// record recordCount - totalSpace intervals after the start.
TEST(SimLogger, WrappedMemoryRestoresOldestFirstThroughTheWorkstationsSlotRule) {
    SimConfig c = smallConfig();
    c.effectiveCapacity = 70;  // ten records
    c.recordCount = 23;
    c.stopMode = kStopFifo;
    c.channels[0].samples.clear();
    for (int k = 0; k < 23; ++k) c.channels[0].samples.push_back(k);
    SimLogger logger(c, testNow());
    ASSERT_EQ(logger.totalSpace(), 10);
    EXPECT_EQ(logger.overflowCount(), 2);
    const Bytes stream = dataOf(upload(logger, testNow()));
    ASSERT_EQ(stream.size(), 70u);
    const int n = 10;
    int slot = std::min(10 - 23 % 10 + 1, n);
    std::vector<float> bySlot(n + 1);
    std::vector<float> values;
    PerChannel<std::int16_t> lengths{};
    for (int i = 0; i < kChannelCount; ++i) lengths[i] = c.channels[i].dataLength;
    RecordDecoder decoder(lengths, c.startedMask());
    for (int r = 0; r < n; ++r) {
        decoder.decode(stream, static_cast<std::size_t>(r) * 7, values);
        bySlot[slot] = values[0];
        slot = slot % n + 1;
    }
    for (int s = 1; s <= n; ++s) EXPECT_NEAR(bySlot[s], 13 + s - 1, 0.01) << s;
}

TEST(SimLogger, OldFirmwareSendsOneSpareByteFromAWrappedMemory) {
    SimConfig c = smallConfig();
    c.firmwareDate = {2005, 1, 10};
    c.effectiveCapacity = 70;
    c.recordCount = 23;
    c.stopMode = kStopFifo;
    EXPECT_EQ(SimLogger(c, testNow()).memoryImage().size(), 71u);
    c.effectiveCapacity = 72;  // not a whole number of records
    EXPECT_EQ(SimLogger(c, testNow()).memoryImage().size(), 70u);
    c.firmwareDate = {2006, 1, 10};
    c.effectiveCapacity = 70;
    EXPECT_EQ(SimLogger(c, testNow()).memoryImage().size(), 70u);
}

TEST(SimLogger, OldFirmwareYearQuirkSendsTheConnectYearSixLowWithItsFlag) {
    SimConfig c = smallConfig();
    c.firmwareDate = {2005, 6, 1};
    c.firmwareYearQuirk = true;
    SimLogger logger(c, testNow());
    LoggerParameters p;
    ASSERT_TRUE(decodeXY002(*logger.answer(connectXY002(), testNow()), p));
    EXPECT_EQ(p.connectYear, 2024);
    EXPECT_EQ(p.lastConnectTime, makeDateTime(2024, 3, 5, 9, 0, 0));
}

TEST(SimLogger, LiveAnswerHoldsOneSinglePerStartedChannel) {
    SimLogger logger(smallConfig(), testNow());
    const auto a = logger.answer(liveFrame(1), testNow());
    ASSERT_TRUE(a);
    ASSERT_EQ(a->size(), 6u + 3 * 4 + 1);
    EXPECT_EQ(a->front(), 0x3C);
    EXPECT_EQ(a->back(), 0x66);
    const auto values = decodeLiveFrame(*a, 3);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_NEAR(values[1], 101.2, 0.55);
    EXPECT_FLOAT_EQ(values[2], 3.0f);
    // The live values drift over time.
    const auto later = logger.answer(liveFrame(1), testNow() + 200.0 / kSecondsPerDay);
    EXPECT_NE(decodeLiveFrame(*later, 3)[1], values[1]);
}

LoggerParameters writtenParameters() {
    LoggerParameters p;
    p.userName = "Op";
    p.title = "Hall 2";
    p.intervalHours = 0;
    p.intervalMinutes = 5;
    p.intervalSeconds = 0;
    p.interval = makeDuration(0, 5, 0);
    p.startMode = kStartImmediately;
    p.stopMode = kStopByCount;
    p.stopCount = 40;
    p.powerMode = kPowerNormal;
    p.recordChannels = 0x05;
    p.alarmChannels = 0x04;
    p.alarmLow = {1, 2, -3, 4, 5, 6, 7, 8};
    p.alarmHigh = {10, 20, 300, 40, 50, 60, 70, 80};
    p.curveNumber = {0, 1, 2, 3, 4, 5, 6, 7};
    p.timedStopTime = makeDateTime(2024, 5, 1, 12, 0, 0);
    return p;
}

TEST(SimLogger, ParameterWriteIsAdoptedAndRestartsTheRecording) {
    SimConfig c = smallConfig();
    c.growRecords = true;
    SimLogger logger(c, testNow());
    const DateTime writeTime = testNow() + 30.0 / kSecondsPerDay;
    const auto ackAnswer =
        logger.answer(parameterFrame(1, writtenParameters(), writeTime), writeTime);
    ASSERT_TRUE(ackAnswer);
    EXPECT_EQ(*ackAnswer, (Bytes{0x3C, 0x30, 0x31, 0x47, 0x09}));
    const SimState& s = logger.state();
    EXPECT_EQ(s.userName, "Op");
    EXPECT_EQ(s.title, "Hall 2");
    EXPECT_EQ(s.intervalSeconds, 300);
    EXPECT_EQ(s.stopMode, kStopByCount);
    EXPECT_EQ(s.stopCount, 40);
    EXPECT_EQ(s.powerMode, kPowerNormal);
    EXPECT_EQ(s.recordChannels, 0x05);
    EXPECT_EQ(s.alarmChannels, 0x04);
    EXPECT_EQ(s.alarmLow[2], -3);
    EXPECT_EQ(s.alarmHigh[2], 300);
    EXPECT_EQ(s.curve[7], 7);
    EXPECT_EQ(s.recordCount, 0);
    EXPECT_EQ(s.workStatus, kWorkRecording);
    EXPECT_NEAR(s.connectStamp, writeTime, 0.5 / kSecondsPerDay);
    EXPECT_TRUE(logger.memoryImage().empty());

    // The read-back shows the new state, and records grow from the restart on.
    LoggerParameters p;
    const DateTime later = writeTime + 12.5 * 60 / kSecondsPerDay;
    ASSERT_TRUE(decodeXY002(*logger.answer(connectXY002(), later), p));
    EXPECT_EQ(p.recordCount, 2);
    EXPECT_EQ(p.workStatus, kWorkRecording);
    EXPECT_EQ(p.userName, "Op");
    EXPECT_NEAR(p.loggerStartTime, writeTime, 0.5 / kSecondsPerDay);
}

TEST(SimLogger, ParameterWriteWithABadChecksumIsIgnored) {
    SimLogger logger(smallConfig(), testNow());
    Bytes frame = parameterFrame(1, writtenParameters(), testNow());
    frame[184] ^= 0x01;
    EXPECT_FALSE(logger.answer(frame, testNow()));
    EXPECT_EQ(logger.state().userName, "Na");
    EXPECT_EQ(logger.state().recordCount, 5);
}

TEST(SimLogger, RecordingStopsByCountAndTheLoggerSaysWhy) {
    SimConfig c = smallConfig();
    c.growRecords = true;
    c.recordCount = 0;
    c.stopMode = kStopByCount;
    c.stopCount = 4;
    SimLogger logger(c, testNow());
    logger.advance(testNow() + 3 * 90.0 / kSecondsPerDay);
    EXPECT_EQ(logger.state().recordCount, 3);
    EXPECT_EQ(logger.state().workStatus, kWorkRecording);
    logger.advance(testNow() + 10 * 90.0 / kSecondsPerDay);
    EXPECT_EQ(logger.state().recordCount, 4);
    EXPECT_EQ(logger.state().workStatus, kWorkStopped);
    EXPECT_EQ(logger.state().stopReason, 1);
}

TEST(SimLogger, MaintenanceCommandsChangeTheStateAndAreAcknowledged) {
    const auto ackOf = [](std::uint8_t f) { return Bytes{0x3C, 0x30, 0x31, f, 0x09}; };
    SimLogger logger(smallConfig(), testNow());
    EXPECT_EQ(logger.answer(powerModeFrame(1, true), testNow()), ackOf(0x46));
    EXPECT_EQ(logger.state().powerMode, kPowerNormal);
    EXPECT_EQ(logger.answer(powerModeFrame(1, false), testNow()), ackOf(0x46));
    EXPECT_EQ(logger.state().powerMode, kPowerSaving);

    EXPECT_EQ(logger.answer(stopFrame(1), testNow()), ackOf(0x46));
    EXPECT_EQ(logger.state().workStatus, kWorkStopped);
    EXPECT_EQ(logger.state().recordCount, 5);

    const DateTime clock = makeDateTime(2006, 7, 8, 9, 10, 11);
    EXPECT_EQ(logger.answer(clockFrame(1, toCivil(clock)), testNow()), ackOf(0x10));
    const DateTime later = testNow() + 60.0 / kSecondsPerDay;
    EXPECT_NEAR(logger.loggerClock(later), clock + 60.0 / kSecondsPerDay, 0.5 / kSecondsPerDay);
    EXPECT_EQ(date8(logger.parameterAnswer(later), 326), (CivilTime{2006, 7, 8, 9, 11, 11}));
}

TEST(SimLogger, EachResetLevelClearsWhatItsLevelClears) {
    struct Case {
        int level;
        bool memoryCleared;
        bool smsRestored;
        bool parametersRestored;
        bool clockRestored;
    };
    const Case table[] = {
        {1, false, false, false, false}, {2, true, false, false, false},
        {3, true, true, false, false},   {4, true, true, true, false},
        {5, true, true, true, true},
    };
    SimConfig c = smallConfig();
    c.growRecords = true;
    for (const Case& k : table) {
        SimLogger logger(c, testNow());
        logger.answer(parameterFrame(1, writtenParameters(), testNow()), testNow());
        logger.advance(testNow() + 1.0);  // a day of records at five minutes, 40 at most
        logger.answer(smsPasswordFrame(1, "12345678", "87654321"), testNow() + 1.0);
        logger.answer(smsNumbersFrame(1, {"13800000000", "", ""}), testNow() + 1.0);
        logger.answer(clockFrame(1, {2030, 1, 1, 0, 0, 0}), testNow() + 1.0);
        const std::int32_t before = logger.state().recordCount;
        ASSERT_GT(before, 0);
        const auto a = logger.answer(*resetFrame(1, k.level), testNow() + 1.0);
        ASSERT_TRUE(a) << k.level;
        EXPECT_EQ(a->back(), 0x09);
        const SimState& s = logger.state();
        EXPECT_EQ(s.workStatus, kWorkStopped) << k.level;
        EXPECT_EQ(s.recordCount == 0, k.memoryCleared) << k.level;
        EXPECT_EQ(s.smsPassword == "12345678", k.smsRestored) << k.level;
        EXPECT_EQ(s.phoneNumbers[0].empty(), k.smsRestored) << k.level;
        EXPECT_EQ(s.userName == "Na", k.parametersRestored) << k.level;
        EXPECT_EQ(s.intervalSeconds == 90, k.parametersRestored) << k.level;
        EXPECT_EQ(std::fabs(s.clockOffset * kSecondsPerDay + 75) < 1, k.clockRestored) << k.level;
    }
}

TEST(SimLogger, SmsPasswordAnswersFourBytesWhenTheOldOneIsWrong) {
    SimLogger logger(smallConfig(), testNow());
    const auto wrong = logger.answer(smsPasswordFrame(1, "00000000", "11112222"), testNow());
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->size(), 4u);
    EXPECT_EQ(logger.state().smsPassword, "12345678");

    const auto right = logger.answer(smsPasswordFrame(1, "12345678", "11112222"), testNow());
    ASSERT_TRUE(right);
    EXPECT_GT(right->size(), 4u);
    EXPECT_EQ(logger.state().smsPassword, "11112222");
    EXPECT_EQ(logger.answer(smsPasswordFrame(1, "12345678", "33334444"), testNow())->size(), 4u);
}

TEST(SimLogger, SmsNumbersAreStoredAndAcknowledgedWithATabAtFour) {
    SimLogger logger(smallConfig(), testNow());
    const auto a = logger.answer(smsNumbersFrame(1, {"", "13912345678", "123"}), testNow());
    ASSERT_TRUE(a);
    EXPECT_EQ((*a)[0], 0x3C);
    EXPECT_EQ((*a)[4], 0x09);
    EXPECT_EQ(logger.state().phoneNumbers, (std::array<std::string, 3>{"", "13912345678", ""}));
}

TEST(SimLogger, ScriptedFaultsSpoilTheNextAnswersThenStop) {
    SimLogger logger(smallConfig(), testNow());
    const Bytes good = *logger.answer(connectXY002(), testNow());

    logger.injectFault(SimFaultKind::NoAnswer, 2);
    EXPECT_FALSE(logger.answer(connectXY002(), testNow()));
    EXPECT_FALSE(logger.answer(connectXY002(), testNow()));
    EXPECT_EQ(logger.answer(connectXY002(), testNow()), good);

    logger.injectFault(SimFaultKind::BadChecksum, 1);
    const Bytes bad = *logger.answer(connectXY002(), testNow());
    EXPECT_EQ(bad.size(), good.size());
    EXPECT_NE(bad.back(), checksum(bad, 6, 333));

    logger.injectFault(SimFaultKind::Truncated, 1);
    EXPECT_LT(logger.answer(connectXY002(), testNow())->size(), good.size());

    logger.injectFault(SimFaultKind::Garbage, 1);
    const Bytes garbage = *logger.answer(connectXY002(), testNow());
    EXPECT_NE(garbage, good);
    EXPECT_NE(garbage.front(), 0x3C);

    logger.injectFault(SimFaultKind::Trickle, 1);
    const SimReply slow = logger.respond(connectXY002(), testNow());
    EXPECT_TRUE(slow.trickle);
    EXPECT_EQ(slow.bytes, good);
    EXPECT_FALSE(logger.respond(connectXY002(), testNow()).trickle);
}

TEST(SimLogger, ConfiguredFaultsSkipCountOnlyTheirCommand) {
    SimConfig c = smallConfig();
    c.faults.push_back({SimFaultKind::BadChecksum, SimCommand::History, 1, 1, 0});
    SimLogger logger(c, testNow());
    EXPECT_TRUE(logger.answer(connectXY002(), testNow()));
    const auto pages = upload(logger, testNow());
    // The second page arrives spoilt; the workstation would ask for it again.
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(pages[0].back(), checksum(pages[0], 5, static_cast<int>(pages[0].size()) - 2));
    EXPECT_NE(pages[1].back(), checksum(pages[1], 5, static_cast<int>(pages[1].size()) - 2));
    const auto again = logger.answer(historyFrame(1, HistoryRequest::SamePageAgain), testNow());
    EXPECT_EQ(again->back(), checksum(*again, 5, static_cast<int>(again->size()) - 2));
}

TEST(SimLogger, FaultRatesFollowTheSeed) {
    SimConfig c = smallConfig();
    c.faults.push_back({SimFaultKind::NoAnswer, SimCommand::Any, 0, 0, 0.3});
    const auto pattern = [&](std::uint64_t seed) {
        c.seed = seed;
        SimLogger logger(c, testNow());
        std::string s;
        for (int i = 0; i < 200; ++i) s += logger.answer(liveFrame(1), testNow()) ? '.' : 'x';
        return s;
    };
    const std::string a = pattern(7);
    EXPECT_EQ(a, pattern(7));
    EXPECT_NE(a, pattern(8));
    const auto lost = std::count(a.begin(), a.end(), 'x');
    EXPECT_GT(lost, 30);
    EXPECT_LT(lost, 90);
}

}  // namespace
}  // namespace tarvo

namespace tarvo {
namespace {

TEST(SimLogger, RandomFramesNeverUpsetIt) {
    std::mt19937 random(5);
    SimConfig c = testing::smallConfig();
    c.growRecords = true;
    SimLogger logger(c, testing::testNow());
    for (int i = 0; i < 20000; ++i) {
        // Sizes of the real commands, and any other.
        const std::size_t sizes[] = {6, 11, 12, 14, 39, 41, 185};
        const std::size_t size =
            i % 8 < 7 ? sizes[i % 8] : std::uniform_int_distribution<std::size_t>(0, 300)(random);
        Bytes f(size);
        for (auto& b : f) b = static_cast<std::uint8_t>(random());
        // Most frames look like commands to this logger, so that the parsers run.
        if (f.size() >= 6 && i % 5 != 0) {
            f[0] = f.size() == 6 ? 0x23 : 0x25;
            f[1] = 0x30;
            f[2] = 0x31;
            if (f[0] == 0x23) f[5] = 0x66;
            if (f[0] == 0x25) {
                f[4] = std::array<std::uint8_t, 5>{0x46, 0x10, 0x47, 0x48, 0x49}[random() % 5];
                f[5] = static_cast<std::uint8_t>(f.size() - 6);
            }
            if (f.size() == 185) f[184] = checksum(f, 6, 183);
        }
        const auto a = logger.answer(f, testing::testNow() + i / 100.0);
        if (a) {
            ASSERT_FALSE(a->empty());
        }
    }
    EXPECT_TRUE(logger.answer(connectFrame(1, Variant::XY002), testing::testNow() + 300));
}

}  // namespace
}  // namespace tarvo
