#include "link/transaction_engine.h"

#include <gtest/gtest.h>

#include <utility>

#include "answer_builder.h"
#include "link/parameter_decoder.h"
#include "link/virtual_timers.h"
#include "link_fakes.h"

namespace tarvo {
namespace {

using test::Reply;
using test::Xy002Answer;

// ---- virtual time -----------------------------------------------------------

struct TickLog : TimerHandler {
    std::vector<std::pair<TimerId, std::int64_t>> ticks;
    const VirtualTimers* clock = nullptr;
    std::function<void(TimerId)> also;
    void onTimer(TimerId id) override {
        ticks.emplace_back(id, clock->elapsedMs());
        if (also) also(id);
    }
};

TEST(VirtualTimers, TicksFireInTimeOrderFromOneIntervalAfterTheStart) {
    VirtualTimers t;
    TickLog log;
    log.clock = &t;
    t.setHandler(&log);
    t.setInterval(TimerId::Serial, 90);
    t.setInterval(TimerId::Com, 100);
    t.start(TimerId::Serial);
    t.start(TimerId::Com);
    t.advance(300);
    const std::vector<std::pair<TimerId, std::int64_t>> expected{
        {TimerId::Serial, 90}, {TimerId::Com, 100},    {TimerId::Serial, 180},
        {TimerId::Com, 200},   {TimerId::Serial, 270}, {TimerId::Com, 300}};
    EXPECT_EQ(log.ticks, expected);
    EXPECT_EQ(t.elapsedMs(), 300);
}

TEST(VirtualTimers, SettingTheIntervalRestartsARunningTimerButStartDoesNot) {
    VirtualTimers t;
    TickLog log;
    log.clock = &t;
    t.setHandler(&log);
    t.setInterval(TimerId::Timeout, 200);
    t.start(TimerId::Timeout);
    t.advance(150);
    t.start(TimerId::Timeout);  // no restart: due at 200
    t.advance(60);
    ASSERT_EQ(log.ticks.size(), 1u);
    EXPECT_EQ(log.ticks[0].second, 200);
    t.advance(100);                        // now 310, next due 400
    t.setInterval(TimerId::Timeout, 200);  // restarts: due at 510
    t.advance(190);
    EXPECT_EQ(log.ticks.size(), 1u);
    t.advance(10);
    ASSERT_EQ(log.ticks.size(), 2u);
    EXPECT_EQ(log.ticks[1].second, 510);
    t.stop(TimerId::Timeout);
    t.setInterval(TimerId::Timeout, 50);  // a stopped timer stays stopped
    t.advance(1000);
    EXPECT_EQ(log.ticks.size(), 2u);
}

TEST(VirtualTimers, ASleepHoldsTicksUpAndAMissedTimerFiresOnceAfterwards) {
    VirtualTimers t(makeDateTime(2006, 3, 7));
    TickLog log;
    log.clock = &t;
    t.setHandler(&log);
    t.setInterval(TimerId::Serial, 90);
    t.setInterval(TimerId::Com, 100);
    t.start(TimerId::Serial);
    t.start(TimerId::Com);
    bool slept = false;
    log.also = [&](TimerId id) {
        if (id == TimerId::Serial && !slept) {
            slept = true;
            t.sleep(1000);
        }
    };
    t.advance(1200);
    // Serial at 90 sleeps until 1090; then Com (due at 100) and Serial (due at
    // 180) fire once each, and the rhythms go on: Com 1100, Serial 1170, Com 1200.
    const std::vector<std::pair<TimerId, std::int64_t>> expected{
        {TimerId::Serial, 90}, {TimerId::Com, 1090},    {TimerId::Serial, 1090},
        {TimerId::Com, 1100},  {TimerId::Serial, 1170}, {TimerId::Com, 1200}};
    EXPECT_EQ(log.ticks, expected);
    EXPECT_NEAR(t.now(), makeDateTime(2006, 3, 7, 0, 0, 1) + 0.2 / kSecondsPerDay, 1e-9);
}

TEST(VirtualTimers, RunUntilStopsAtTheFirstTickAfterWhichTheConditionHolds) {
    VirtualTimers t;
    TickLog log;
    log.clock = &t;
    t.setHandler(&log);
    t.setInterval(TimerId::Real, 1000);
    t.start(TimerId::Real);
    EXPECT_TRUE(t.runUntil([&] { return log.ticks.size() == 3; }, 10000));
    EXPECT_EQ(t.elapsedMs(), 3000);
    EXPECT_FALSE(t.runUntil([] { return false; }, 500));
    EXPECT_EQ(t.elapsedMs(), 3500);
}

// ---- the engine ---------------------------------------------------------------

const CivilTime kPcTime{2006, 3, 7, 12, 0, 0};

Bytes ack() {
    return {0x3C, 0x30, 0x31, 0x09};
}

Reply reply(Bytes bytes, int delayMs = 30) {
    return Reply{std::move(bytes), delayMs};
}

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() { engine.setListener(&listener); }

    bool runUntilIdle(std::int64_t limitMs = 60000) {
        return timers.runUntil([this] { return !engine.busy(); }, limitMs);
    }
    std::vector<Bytes> writtenSince(std::size_t from) const {
        return {port.written.begin() + static_cast<long>(from), port.written.end()};
    }
    int count(std::string_view text) const {
        int n = 0;
        for (const auto& m : messenger.shown) n += m.text == text;
        return n;
    }

    VirtualTimers timers{makeDateTime(kPcTime)};
    test::ScriptedPort port{timers};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    TransactionEngine engine{timers, port, messenger, settings, params};
};

TEST_F(EngineTest, ConnectReadsTheParametersAndEndsWithTheUnansweredClosingFrame) {
    settings.ComPort = "/dev/pts/7";
    settings.BaudRate = 19200;
    settings.CheckMode = "E";
    engine.setDeviceAddress(26);
    port.script.push_back(reply(test::typicalLogger(kPcTime, 1, 26).sealed()));
    engine.connectLogger(Variant::XY002);
    EXPECT_EQ(engine.mode(), kModeConnect);
    ASSERT_TRUE(runUntilIdle());

    ASSERT_EQ(port.written.size(), 2u);
    EXPECT_EQ(port.written[0], connectFrame(26, Variant::XY002));
    EXPECT_EQ(port.written[1], closingFrame());
    EXPECT_EQ(listener.echoes.back(), hexEcho(closingFrame()));
    EXPECT_EQ(listener.echoes.front(), "23 31 3A 30 71 66 ");
    ASSERT_FALSE(port.opens.empty());
    EXPECT_EQ(port.opens[0].port, "/dev/pts/7");
    EXPECT_EQ(port.opens[0].baudRate, 19200);
    EXPECT_EQ(port.opens[0].parity, 'e');
    EXPECT_EQ(port.opens[0].inputQueue, 1024);
    EXPECT_EQ(port.opens[0].outputQueue, 512);

    EXPECT_EQ(params.echoedAddress, 26);
    EXPECT_EQ(params.userName, "Na");
    EXPECT_EQ(params.recordWidth, 7);
    EXPECT_TRUE(engine.flags().connected);
    EXPECT_TRUE(engine.flags().paramsAvailable);
    EXPECT_EQ(listener.reads, 1);
    EXPECT_EQ(listener.liveResets, 1);
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timers.isActive(TimerId::Timeout));
    EXPECT_EQ(settings.ConferStyle, 2);
    // The status bar counted the answer and was emptied at the end.
    EXPECT_NE(std::find(listener.statuses.begin(), listener.statuses.end(), "335连接..."),
              listener.statuses.end());
    EXPECT_EQ(listener.statuses.back(), "");
}

TEST_F(EngineTest, InStrictTimingAnAnswerIsTakenTwoReceiveTicksAfterItsLastByteWhateverItsPace) {
    settings.StrictTiming = 1;
    settings.OverTime = 300;
    // 335 bytes in five pieces 150 ms apart: the last arrives at 30 + 600 ms.
    port.script.push_back(Reply{test::typicalLogger(kPcTime).sealed(), 30, 5, 150});
    std::int64_t readAt = -1;
    struct Watch : test::RecordingListener {
        std::int64_t* at;
        const VirtualTimers* clock;
        void parametersRead() override { *at = clock->elapsedMs(); }
    } watch;
    watch.at = &readAt;
    watch.clock = &timers;
    engine.setListener(&watch);
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 2u);  // no resend although the answer took 630 ms
    EXPECT_GE(readAt, 630 + 200);
    EXPECT_LE(readAt, 630 + 90 + 300);
    EXPECT_EQ(params.userName, "Na");
}

TEST_F(EngineTest, WithoutALoggerAConnectTriesXY002ThenXY001AndReportsOnce) {
    settings.ResendTime = 3;
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    const Bytes xy002 = connectFrame(1, Variant::XY002);
    const Bytes xy001 = connectFrame(1, Variant::XY001);
    const std::vector<Bytes> expected{xy002, xy002, xy002, xy001, xy001, xy001};
    EXPECT_EQ(port.written, expected);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, kFailureText);
    EXPECT_EQ(messenger.shown[0].title, "错误");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(settings.ConferStyle, 2);
    EXPECT_FALSE(engine.flags().probingXY001);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(engine.flags().connected);
}

TEST_F(EngineTest, AFailedXY001ConnectIsNotRetriedWithAnotherVariant) {
    settings.ResendTime = 2;
    engine.connectLogger(1);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 2u);
    EXPECT_EQ(count(kFailureText), 1);
    EXPECT_EQ(settings.ConferStyle, 1);
}

TEST_F(EngineTest, TheAnswerTimeoutIsOverTimeForTwoHundredAndAsGivenOtherwise) {
    settings.OverTime = 350;
    settings.ResendTime = 2;
    struct Case {
        int timeout;
        int used;
    };
    for (const Case c : {Case{200, 350}, Case{800, 800}, Case{500, 500}, Case{3000, 3000}}) {
        const std::size_t before = port.written.size();
        const std::int64_t t0 = timers.elapsedMs();
        engine.startExchange(kModeSettings, stopFrame(1), 5000, 500, c.timeout, true);
        EXPECT_EQ(timers.interval(TimerId::Timeout), c.used);
        ASSERT_TRUE(timers.runUntil([&] { return port.written.size() == before + 2; }, 10000));
        EXPECT_EQ(timers.elapsedMs() - t0, c.used);  // the resend came one timeout later
        EXPECT_EQ(port.opens.back().inputQueue, 5000);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_EQ(timers.elapsedMs() - t0, 2 * c.used);
    }
    EXPECT_EQ(count(kFailureText), 4);
}

TEST_F(EngineTest, AnAnswerWithAWrongChecksumIsNotDecodedButResent) {
    Bytes bad = test::typicalLogger(kPcTime).sealed();
    bad.back() ^= 0x01;
    port.script.push_back(reply(bad));
    port.script.push_back(reply(test::typicalLogger(kPcTime).sealed()));
    params.userName = "before";
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(timers.runUntil([&] { return port.written.size() == 2; }, 5000));
    EXPECT_EQ(params.userName, "before");
    EXPECT_EQ(port.written[1], connectFrame(1, Variant::XY002));
    EXPECT_EQ(port.opens[1].inputQueue, 5000);  // a resend asks for the large queues
    EXPECT_EQ(port.opens[1].outputQueue, 500);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(params.userName, "Na");
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(EngineTest, APortThatDoesNotOpenReportsThePurgeAndTheWriteButNoSetUpError) {
    port.openFails = true;
    settings.ResendTime = 1;
    engine.connectLogger(1);
    const std::vector<std::string> firstSend{"清除输入数据失败!", "数据发送失败!"};
    EXPECT_EQ(messenger.texts(), firstSend);
    EXPECT_EQ(timers.interval(TimerId::Timeout), settings.OverTime);
    EXPECT_TRUE(timers.isActive(TimerId::Timeout));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(count(kFailureText), 1);
}

TEST_F(EngineTest, EachFailedSetUpStepIsReportedAndTheTransmissionGoesOn) {
    port.failedSetupSteps = 2;
    port.script.push_back(reply(ack()));
    engine.startExchange(kModeClock, clockFrame(1, kPcTime), 1024, 512, 200, false);
    const std::vector<std::string> shown{"串口设置错误!", "串口设置错误!"};
    EXPECT_EQ(messenger.texts(), shown);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(port.written.size(), 1u);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(listener.clocks.size(), 1u);
}

TEST_F(EngineTest, BytesArrivingStopTheTimeoutAndAPartialAnswerIsTestedAsItStands) {
    settings.OverTime = 2000;
    Bytes partial = test::typicalLogger(kPcTime).sealed();
    partial.resize(200);
    port.script.push_back(reply(partial, 500));
    port.script.push_back(reply(test::typicalLogger(kPcTime).sealed()));
    engine.connectLogger(Variant::XY002);
    timers.advance(590);
    EXPECT_FALSE(timers.isActive(TimerId::Timeout));
    EXPECT_TRUE(timers.isActive(TimerId::Com));
    // Three ticks of the same count, well before the 2 s timeout: tested, failed, resent.
    ASSERT_TRUE(timers.runUntil([&] { return port.written.size() == 2; }, 1000));
    EXPECT_LT(timers.elapsedMs(), 2000);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(params.userName, "Na");
}

TEST_F(EngineTest, AFailedReadIsReportedAndWhatArrivedIsTested) {
    port.readFails = true;
    settings.ResendTime = 2;
    port.respond = [](ByteView) { return reply(test::typicalLogger(kPcTime).sealed()); };
    engine.connectLogger(1);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(count("串口数据接收失败!"), 2);
    EXPECT_EQ(count(kFailureText), 1);
    EXPECT_FALSE(engine.flags().connected);
}

TEST_F(EngineTest, XY001ReadsBothBlocksAndEndsWithoutTheClosingFrame) {
    Xy002Answer logger = test::typicalLogger(kPcTime);
    port.script.push_back(reply(logger.block1()));
    port.script.push_back(reply(logger.block2()));
    engine.connectLogger(Variant::XY001);
    ASSERT_TRUE(runUntilIdle());
    const std::vector<Bytes> expected{connectFrame(1, Variant::XY001), secondBlockFrame(1)};
    EXPECT_EQ(port.written, expected);
    EXPECT_EQ(params.recordWidth, 7);
    EXPECT_EQ(params.userName, "Na");
    EXPECT_TRUE(engine.flags().connected);
    EXPECT_EQ(listener.reads, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(settings.ConferStyle, 1);
}

TEST_F(EngineTest, AnXY002FailureFallsBackToXY001WhichThenStaysTheVariant) {
    settings.ResendTime = 1;
    Xy002Answer logger = test::typicalLogger(kPcTime);
    port.script.push_back(std::nullopt);
    port.script.push_back(reply(logger.block1()));
    port.script.push_back(reply(logger.block2()));
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(engine.flags().connected);
    EXPECT_FALSE(engine.flags().probingXY001);
    EXPECT_EQ(settings.ConferStyle, 1);
}

TEST_F(EngineTest, TheSecondBlockHasItsOwnResends) {
    settings.ResendTime = 2;
    Xy002Answer logger = test::typicalLogger(kPcTime);
    port.script.push_back(std::nullopt);  // the connect needs both of its transmissions
    port.script.push_back(reply(logger.block1()));
    port.script.push_back(std::nullopt);
    port.script.push_back(reply(logger.block2()));
    engine.connectLogger(Variant::XY001);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 4u);
    EXPECT_TRUE(engine.flags().connected);
    EXPECT_TRUE(messenger.shown.empty());
}

// ---- the logger clock ----------------------------------------------------------

TEST_F(EngineTest, AWrongLoggerClockIsSetToThePcTimeWhenTheOperatorSaysYes) {
    const CivilTime wrong{2006, 3, 7, 11, 0, 0};
    port.script.push_back(reply(test::typicalLogger(wrong, 1).sealed()));
    port.script.push_back(std::nullopt);  // the closing frame
    port.script.push_back(reply(ack()));
    messenger.answers.push_back(Answer::Yes);
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());

    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "记录仪时钟有误，是否设置为系统时钟？");
    EXPECT_EQ(messenger.shown[0].title, "时钟设置");
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
    ASSERT_EQ(port.written.size(), 3u);
    EXPECT_EQ(port.written[1], closingFrame());
    const CivilTime sent = toCivil(params.loggerClock);
    EXPECT_EQ(port.written[2], clockFrame(1, sent));
    EXPECT_EQ(sent.year, 2006);
    EXPECT_EQ(sent.hour, 12);
    ASSERT_EQ(listener.clocks.size(), 1u);
    EXPECT_EQ(listener.clocks[0], params.loggerClock);
}

TEST_F(EngineTest, TheLoggerClockStaysWhenTheOperatorSaysNo) {
    const CivilTime wrong{2006, 3, 7, 11, 0, 0};
    port.script.push_back(reply(test::typicalLogger(wrong, 1).sealed()));
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(port.written.size(), 2u);
    EXPECT_EQ(toCivil(params.loggerClock), wrong);
}

TEST_F(EngineTest, NoQuestionForAClockWithinTenMinutesOrALoggerOfTypeTwoFiftyFour) {
    struct Case {
        CivilTime clock;
        int deviceType;
    };
    for (const Case c : {Case{{2006, 3, 7, 11, 50, 1}, 1}, Case{{2001, 1, 1, 0, 0, 0}, 254},
                         Case{{2001, 1, 1, 0, 0, 0}, 0}}) {
        port.script.push_back(reply(test::typicalLogger(c.clock, c.deviceType).sealed()));
        engine.connectLogger(Variant::XY002);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_TRUE(messenger.shown.empty()) << c.deviceType;
        EXPECT_TRUE(engine.flags().connected);
    }
}

// ---- reports after a reconnect -------------------------------------------------

TEST_F(EngineTest, AnAcknowledgedStopReconnectsAndReportsTheLoggerStopped) {
    engine.setStopIssued(1);
    port.script.push_back(reply(ack()));
    port.script.push_back(reply(test::typicalLogger(kPcTime).sealed()));
    engine.startExchange(kModeSettings, stopFrame(1), 5000, 500, 500, true);
    ASSERT_TRUE(runUntilIdle());
    const std::vector<Bytes> expected{stopFrame(1), connectFrame(1, Variant::XY002)};
    EXPECT_EQ(port.written, expected);  // no closing frame after a report
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "设置记录仪成功！");
    EXPECT_EQ(messenger.shown[0].title, "设置记录仪");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(params.workStatus, kWorkStopped);
    EXPECT_EQ(engine.stopIssued(), 0);
    EXPECT_TRUE(engine.flags().settingsChanged);
    EXPECT_FALSE(engine.flags().settingsPending);
}

TEST_F(EngineTest, AnAcknowledgedWriteWaitsForTheRestartThenReportsIt) {
    // The wait between the acknowledgement and the reconnect: 500 ms for firmware
    // after 25 February 2005, 4000 ms before. The acknowledgement is taken 200 to
    // 390 ms after the write (three receive ticks, the first within 90 ms).
    for (const auto& [firmwareYear, wait] : {std::pair{2006, 500}, std::pair{2004, 4000}}) {
        params.firmwareYear = static_cast<std::int16_t>(firmwareYear);
        params.firmwareMonth = 1;
        params.firmwareDay = 1;
        params.deviceBytes[3] = 1;
        messenger.shown.clear();
        const std::size_t before = port.written.size();
        port.script.push_back(Reply{ack(), 0});
        port.script.push_back(reply(test::typicalLogger(kPcTime).sealed()));
        const int shownBefore = listener.pleaseWaitShown;
        const int closedBefore = listener.pleaseWaitClosed;
        engine.sendParameters();
        EXPECT_EQ(listener.pleaseWaitShown, shownBefore + 1);
        EXPECT_EQ(timers.interval(TimerId::Timeout), 6000);
        ASSERT_TRUE(runUntilIdle());
        ASSERT_EQ(port.written.size(), before + 2);
        EXPECT_EQ(port.written[before].size(), 185u);
        EXPECT_EQ(port.written[before + 1], connectFrame(1, Variant::XY002));
        const std::int64_t delay = port.writtenAt[before + 1] - port.writtenAt[before];
        EXPECT_GE(delay, wait + 200);
        EXPECT_LE(delay, wait + 390);
        EXPECT_EQ(listener.pleaseWaitClosed, closedBefore + 1);
        ASSERT_EQ(messenger.shown.size(), 1u);
        EXPECT_EQ(messenger.shown[0].text, "重启记录仪成功！");
        EXPECT_EQ(messenger.shown[0].title, "重启记录仪");
        EXPECT_FALSE(engine.flags().connected);
        EXPECT_FALSE(engine.flags().restartPending);
        EXPECT_TRUE(engine.flags().paramsAvailable);
    }
}

TEST_F(EngineTest, AParameterFrameResentAfterATimeoutCarriesTheNewTime) {
    settings.ResendTime = 2;
    params.deviceBytes[3] = 0;
    engine.sendParameters();
    EXPECT_EQ(timers.interval(TimerId::Timeout), 3000);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(port.written.size(), 2u);
    const Bytes& first = port.written[0];
    const Bytes& second = port.written[1];
    ASSERT_EQ(second.size(), 185u);
    EXPECT_EQ(second[46], (first[46] + 3) % 60);  // three seconds later
    EXPECT_EQ(second[184], checksum(second, 6, 183));
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 40), Bytes(second.begin(), second.begin() + 40));
    EXPECT_EQ(count(kFailureText), 1);
    EXPECT_EQ(listener.pleaseWaitClosed, 1);
    EXPECT_FALSE(engine.flags().restartPending);
}

TEST_F(EngineTest, ClockThenWriteSendsTheParametersWhenTheClockIsAcknowledged) {
    engine.flags().clockThenWrite = true;
    params.loggerClock = makeDateTime(kPcTime);
    port.script.push_back(reply(ack()));
    port.script.push_back(std::nullopt);
    settings.ResendTime = 1;
    engine.setLoggerClock();
    ASSERT_TRUE(timers.runUntil([&] { return port.written.size() == 2; }, 5000));
    EXPECT_EQ(engine.mode(), kModeWriteParameters);
    EXPECT_EQ(port.written[1].size(), 185u);
    EXPECT_FALSE(engine.flags().clockThenWrite);
    EXPECT_EQ(engine.state().sendCount, 1);
    EXPECT_EQ(listener.pleaseWaitShown, 1);
    ASSERT_TRUE(runUntilIdle());
}

TEST_F(EngineTest, SmsCommandsReportTheirOutcome) {
    struct Case {
        int mode;
        Bytes answer;
        std::string message;
    };
    const Case cases[] = {
        {kModeSmsNumbers, {0x3C, 0x30, 0x31, 0x30, 0x09, 0x66}, "手机号码设置成功！"},
        {kModeSmsPassword, {0x3C, 0x30, 0x31, 0x09}, "短信旧密码不正确!"},
        {kModeSmsPassword, {0x3C, 0x30, 0x31, 0x30, 0x09}, "密码设置成功!"},
        {kModeSmsPassword, {0x00}, "密码设置成功!"},
    };
    for (const auto& c : cases) {
        messenger.shown.clear();
        port.script.push_back(reply(c.answer));
        engine.startExchange(c.mode, smsPasswordFrame(1, "12345678", "87654321"), 1024, 512, 3000,
                             false);
        ASSERT_TRUE(runUntilIdle());
        ASSERT_EQ(messenger.shown.size(), 1u);
        EXPECT_EQ(messenger.shown[0].text, c.message);
    }
}

TEST_F(EngineTest, AFinalBadAnswerReportsOnceAndEnablesTheCommandsAgain) {
    settings.ResendTime = 3;
    engine.flags().settingsPending = true;
    port.respond = [](ByteView) { return reply({0x3C, 0x30, 0x31, 0x66}); };
    std::vector<int> modeAtEnabling;
    listener.onEnabling = [&] { modeAtEnabling.push_back(engine.mode()); };
    engine.startExchange(kModeSettings, stopFrame(1), 5000, 500, 500, true);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 3u);
    EXPECT_EQ(count(kFailureText), 1);
    ASSERT_FALSE(modeAtEnabling.empty());
    EXPECT_EQ(modeAtEnabling.back(), kModeIdle);
    EXPECT_FALSE(engine.flags().settingsPending);  // nothing is left to report later
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(listener.statuses.back(), "");
}

TEST_F(EngineTest, AFinalTimeoutClearsThePendingFlags) {
    settings.ResendTime = 1;
    engine.flags().settingsPending = true;
    engine.flags().uploadPending = true;
    engine.flags().restartPending = true;
    engine.startExchange(kModeSettings, stopFrame(1), 5000, 500, 500, true);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_FALSE(engine.flags().settingsPending);
    EXPECT_FALSE(engine.flags().uploadPending);
    EXPECT_FALSE(engine.flags().restartPending);
    EXPECT_EQ(listener.pleaseWaitClosed, 1);
}

TEST_F(EngineTest, AFailedReconnectLeavesNothingForALaterConnectToReport) {
    // The stop is acknowledged, but the logger does not answer the reconnect.
    settings.ResendTime = 1;
    engine.setStopIssued(1);
    port.script.push_back(reply(ack()));
    port.script.push_back(std::nullopt);  // XY-002
    port.script.push_back(std::nullopt);  // XY-001
    engine.startExchange(kModeSettings, stopFrame(1), 5000, 500, 500, true);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(count(kFailureText), 1);
    EXPECT_FALSE(engine.flags().settingsPending);
    EXPECT_EQ(engine.stopIssued(), 0);

    // A later connect reads the parameters and reports nothing.
    messenger.shown.clear();
    params.workStatus = kWorkRecording;
    port.script.push_back(reply(test::typicalLogger(kPcTime).sealed()));
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_EQ(params.workStatus, kWorkRecording);
    EXPECT_FALSE(engine.flags().settingsChanged);
}

TEST_F(EngineTest, AFailedClockExchangeForgetsThatTheParametersWereToFollow) {
    settings.ResendTime = 1;
    engine.flags().clockThenWrite = true;
    engine.setLoggerClock();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_FALSE(engine.flags().clockThenWrite);
    // The operator's own clock command later writes no parameters.
    port.script.push_back(reply(ack()));
    engine.setLoggerClock();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 2u);
    EXPECT_EQ(listener.clocks.size(), 1u);
}

TEST_F(EngineTest, APleaseWaitWindowGoesWhenTheWriteFinallyGetsBadAnswers) {
    settings.ResendTime = 2;
    port.respond = [](ByteView) { return reply({0x3C, 0x30, 0x31, 0x66}); };
    engine.sendParameters();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 2u);
    EXPECT_EQ(listener.pleaseWaitShown, 1);
    EXPECT_EQ(listener.pleaseWaitClosed, 1);
    EXPECT_EQ(count(kFailureText), 1);
}

// ---- modes handled elsewhere ------------------------------------------------------

struct FakeHistory : HistoryUploadHandler {
    std::vector<Bytes> answers;
    int timedOut = 0;
    int dropped = 0;
    bool showOk = true;
    int shown = 0;
    TransactionEngine* engine = nullptr;
    bool historyAnswer(ByteView answer) override {
        answers.emplace_back(answer.begin(), answer.end());
        if (answer.empty() || answer[0] != 0x3C) return false;
        engine->endExchange();
        return true;
    }
    void historyTimedOut() override { ++timedOut; }
    bool showUploadedHistory() override {
        ++shown;
        return showOk;
    }
    void dropPages() override { ++dropped; }
};

TEST_F(EngineTest, HistoryAnswersOfAnySizeGoWholeToTheUploadHandler) {
    FakeHistory history;
    history.engine = &engine;
    engine.setHistoryHandler(&history);
    Bytes big(12000, 0x11);
    big[0] = 0x3C;
    port.script.push_back(Reply{Bytes{0x00}, 30});  // refused by the handler: resent
    port.script.push_back(Reply{big, 30, 4, 150});
    engine.startExchange(kModeHistory, historyFrame(1, HistoryRequest::FirstXY002), 10000, 512, 200,
                         true);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(history.answers.size(), 2u);
    EXPECT_EQ(history.answers[1], big);
    EXPECT_EQ(port.written.size(), 2u);
}

TEST_F(EngineTest, AHistoryTimeoutReportsThenHandsOverThePages) {
    FakeHistory history;
    history.engine = &engine;
    engine.setHistoryHandler(&history);
    settings.ResendTime = 1;
    engine.flags().uploadPending = true;
    engine.startExchange(kModeHistory, historyFrame(1, HistoryRequest::NextPage), 10000, 512, 200,
                         true);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(count(kFailureText), 1);
    EXPECT_EQ(history.timedOut, 1);
    EXPECT_FALSE(engine.flags().uploadPending);
}

TEST_F(EngineTest, APendingUploadIsShownAfterTheParameterRead) {
    FakeHistory history;
    history.engine = &engine;
    engine.setHistoryHandler(&history);
    for (bool ok : {true, false}) {
        messenger.shown.clear();
        history.showOk = ok;
        engine.flags().uploadPending = true;
        port.script.push_back(reply(test::typicalLogger(kPcTime).sealed()));
        engine.connectLogger(Variant::XY002);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_EQ(engine.flags().uploadDone, ok);
        EXPECT_FALSE(engine.flags().uploadPending);
        if (ok) {
            EXPECT_TRUE(messenger.shown.empty());
        } else {
            ASSERT_EQ(messenger.shown.size(), 1u);
            EXPECT_EQ(messenger.shown[0].text, "数据存储失败。请记录仪配置是否正确。");
        }
    }
    EXPECT_EQ(history.dropped, 2);
    EXPECT_EQ(port.written.size(), 2u);  // no closing frame when the read served an upload
}

TEST_F(EngineTest, WithoutHandlersHistoryAndLiveAnswersEndTheExchange) {
    port.respond = [](ByteView) { return reply({0x3C, 0x30, 0x31, 0x66}); };
    engine.startExchange(kModeHistory, historyFrame(1, HistoryRequest::NextPage), 10000, 512, 200,
                         true);
    ASSERT_TRUE(runUntilIdle());
    engine.startExchange(kModeLive, liveFrame(1), 5000, 500, 800, true);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port.written.size(), 2u);
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_FALSE(port.isOpen());
    // The live clock has nobody to serve and stops.
    timers.setInterval(TimerId::Real, 1000);
    timers.start(TimerId::Real);
    timers.advance(1000);
    EXPECT_FALSE(timers.isActive(TimerId::Real));
}

struct FakeLive : LiveSampleHandler {
    std::vector<Bytes> answers;
    int timedOut = 0;
    int ticks = 0;
    void liveAnswer(ByteView answer) override {
        answers.emplace_back(answer.begin(), answer.end());
    }
    void liveTimedOut() override { ++timedOut; }
    void liveTick() override { ++ticks; }
};

TEST_F(EngineTest, LiveAnswersTimeoutsAndTicksGoToTheLiveHandler) {
    FakeLive live;
    engine.setLiveHandler(&live);
    settings.ResendTime = 1;
    const Bytes sample{0x3C, 0x30, 0x31, 0xFF, 0x39, 0x00, 1, 2, 3, 4, 0x66};
    port.script.push_back(reply(sample));
    engine.startExchange(kModeLive, liveFrame(1), 5000, 500, 800, true);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(live.answers.size(), 1u);
    EXPECT_EQ(live.answers[0], sample);

    engine.startExchange(kModeLive, liveFrame(1), 5000, 500, 800, true);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(live.timedOut, 1);
    EXPECT_TRUE(messenger.shown.empty());  // the live handler decides what to say

    timers.setInterval(TimerId::Real, 1000);
    timers.start(TimerId::Real);
    timers.advance(3000);
    EXPECT_EQ(live.ticks, 3);
}

TEST_F(EngineTest, TheProgressStripFollowsTheModeAndRefusesAnInvertedRange) {
    EXPECT_EQ(engine.progress(5, 10, 0), 1);
    engine.setMode(kModeHistory);
    EXPECT_EQ(engine.progress(120, 0, 100), 0);
    EXPECT_EQ(listener.statuses.back(), "120上传数据...");
    engine.setMode(kModeConnect);
    engine.progress(7, 0, 335);
    EXPECT_EQ(listener.statuses.back(), "7连接...");
    engine.setMode(kModeIdle);
}

}  // namespace
}  // namespace tarvo
