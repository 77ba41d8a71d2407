// The restart command: its checks and defaults, and whole restarts against the
// simulated logger in virtual time.

#include "link/restart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "link/transaction_engine.h"
#include "link/virtual_timers.h"
#include "link_fakes.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"

namespace tarvo {
namespace {

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);
const std::string kStartModeLine = "启动方式      为     立即停止     \r";

LoggerParameters consistent() {
    LoggerParameters p;
    p.deviceBytes = {0, 0, 0, 1};
    p.startMode = kStartTimed;
    p.stopMode = kStopTimed | kStopByCount;
    p.timedStartTime = kPcNow + 1;
    p.timedStopTime = kPcNow + 2;
    p.stopCount = 100;
    p.totalSpace = 1000;
    p.interval = makeDuration(0, 10, 0);
    p.alarmChannels = 0b011;
    p.alarmLow = {0, 5, 9, 0, 0, 0, 0, 0};
    p.alarmHigh = {10, 6, 1, 0, 0, 0, 0, 0};  // channel 2 is inverted but has no alarm
    return p;
}

TEST(RestartChecks, EachContradictionHasItsLine) {
    EXPECT_TRUE(restartCheckLines(consistent(), kPcNow).empty());
    const struct {
        void (*spoil)(LoggerParameters&);
        std::vector<std::string> lines;
    } cases[] = {
        {[](LoggerParameters& p) { p.startMode = 0; }, {kStartModeLine}},
        {[](LoggerParameters& p) { p.startMode = 5; }, {kStartModeLine}},
        {[](LoggerParameters& p) { p.timedStartTime = kPcNow - 0.1; },
         {"定时启动时间     小于     系统时间     \r"}},
        {[](LoggerParameters& p) { p.timedStopTime = kPcNow - 0.1; },
         {"定时停机时间     小于     系统时间     \r",
          "定时启动时间     大于     定时停机时间     \r"}},
        {[](LoggerParameters& p) { p.stopCount = 1001; }, {"停止次数     大于     总空间     \r"}},
        {[](LoggerParameters& p) { p.timedStartTime = p.timedStopTime; },
         {"定时启动时间     大于     定时停机时间     \r"}},
        {[](LoggerParameters& p) { p.alarmLow[1] = 6; },
         {"通道报警上限1     小于      通道报警下限1\r"}},
        // Without their bits the times and the count are not looked at.
        {[](LoggerParameters& p) {
             p.startMode = kStartImmediately;
             p.stopMode = kStopMemoryFull;
             p.timedStartTime = p.timedStopTime = 0;
             p.stopCount = 30000;
         },
         {}},
    };
    for (const auto& c : cases) {
        auto p = consistent();
        c.spoil(p);
        EXPECT_EQ(restartCheckLines(p, kPcNow), c.lines);
    }
}

TEST(RestartChecks, DefaultsRepairAllButTheAlarmLimits) {
    auto p = consistent();
    p.startMode = 0;
    applyRestartDefaults(p, kPcNow);
    EXPECT_EQ(p.startMode, kStartImmediately);

    p = consistent();
    p.timedStartTime = kPcNow - 1;
    p.timedStopTime = kPcNow - 2;
    p.stopCount = 5000;
    p.alarmLow[0] = 50;
    applyRestartDefaults(p, kPcNow);
    EXPECT_DOUBLE_EQ(p.timedStartTime, kPcNow + p.interval);
    EXPECT_DOUBLE_EQ(p.timedStopTime, kPcNow + 2 * p.interval);
    EXPECT_EQ(p.stopCount, 1000);
    EXPECT_EQ(p.alarmLow[0], 50);
    EXPECT_EQ(restartCheckLines(p, kPcNow).size(), 1u);  // the alarm line stays

    // A start after the stop moves the stop one interval past the start.
    p = consistent();
    p.timedStartTime = kPcNow + 3;
    applyRestartDefaults(p, kPcNow);
    EXPECT_DOUBLE_EQ(p.timedStopTime, kPcNow + 3 + p.interval);

    // The stop count is unsigned: 65535 is more than a memory of 50000 records.
    p = consistent();
    p.totalSpace = 50000;
    p.stopCount = 65535;
    EXPECT_EQ(restartCheckLines(p, kPcNow).size(), 1u);
    applyRestartDefaults(p, kPcNow);
    EXPECT_EQ(p.stopCount, 50000);
    // A memory larger than the 16-bit stop count stops at its largest value.
    p.stopCount = 65535;
    p.totalSpace = 70000;
    EXPECT_TRUE(restartCheckLines(p, kPcNow).empty());
    p.stopCount = 100;
    p.totalSpace = 40;
    applyRestartDefaults(p, kPcNow);
    EXPECT_EQ(p.stopCount, 40);
}

TEST(RestartChecks, TheClockQuestionDependsOnDeviceTypeAndTimedStartOrStop) {
    const struct {
        int type;
        std::int16_t startMode;
        std::int16_t stopMode;
        bool asks;
    } cases[] = {
        {254, kStartTimed, kStopTimed, false},   {252, kStartTimed, kStopTimed, false},
        {0, kStartTimed, kStopTimed, false},     {253, kStartImmediately, kStopMemoryFull, false},
        {253, kStartTimed, kStopFifo, true},     {253, kStartImmediately, kStopTimed, true},
        {1, kStartImmediately, kStopFifo, true},
    };
    for (const auto& c : cases) {
        LoggerParameters p;
        p.deviceBytes[3] = static_cast<std::int16_t>(c.type);
        p.startMode = c.startMode;
        p.stopMode = c.stopMode;
        EXPECT_EQ(restartAsksForClock(p), c.asks)
            << c.type << " " << c.startMode << " " << c.stopMode;
    }
}

class RestartSimTest : public ::testing::Test {
  protected:
    // Connects to a logger of `deviceType` and forgets what the connect said and sent.
    void connect(int deviceType, std::int16_t stopMode = kStopMemoryFull) {
        SimConfig c = demoConfig();
        c.deviceBytes[3] = static_cast<std::int16_t>(deviceType);
        c.stopMode = stopMode;
        c.timedStopTime = {2024, 3, 9, 0, 0, 0};
        c.clockOffsetSeconds = -600;
        logger = std::make_unique<SimLogger>(std::move(c), kPcNow);
        port = std::make_unique<SimSerialPort>(
            *logger, [this] { return timers.elapsedMs(); }, true, [this] { return timers.now(); });
        engine = std::make_unique<TransactionEngine>(timers, *port, messenger, settings, params);
        engine->setListener(&listener);
        engine->connectLogger(Variant::XY002);
        ASSERT_TRUE(runUntilIdle());
        messenger.shown.clear();
        messenger.answers.clear();
        sentBefore = port->sentFrames().size();
    }
    bool runUntilIdle() {
        return timers.runUntil([this] { return !engine->busy(); }, 120000);
    }
    // The frames the restart sent, by their command byte.
    std::vector<int> commandsSent() const {
        std::vector<int> out;
        const auto& sent = port->sentFrames();
        for (std::size_t i = sentBefore; i < sent.size(); ++i) out.push_back(sent[i].at(4));
        return out;
    }
    const Bytes* parameterFrameSent() const {
        for (std::size_t i = sentBefore; i < port->sentFrames().size(); ++i) {
            if (port->sentFrames()[i].size() == 185) return &port->sentFrames()[i];
        }
        return nullptr;
    }
    RestartOutcome restart(std::initializer_list<Answer> answers,
                           const std::function<void()>& commit = {}) {
        messenger.answers.assign(answers.begin(), answers.end());
        return restartLogger(*engine, 1, commit);
    }

    static constexpr int kClockCommand = 0x10;
    static constexpr int kWriteCommand = 0x47;

    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    std::unique_ptr<SimLogger> logger;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<TransactionEngine> engine;
    std::size_t sentBefore = 0;
};

TEST_F(RestartSimTest, YesToTheDataQuestionTakesTheDefaultsAndTheLoggerRestarts) {
    connect(254);
    params.userName = "新用户";
    // An edit still in its editor is committed before the checks.
    EXPECT_EQ(restart({Answer::Yes, Answer::Yes}, [this] { params.startMode = 0; }),
              RestartOutcome::ParametersSent);
    ASSERT_GE(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[0].text, "以下数据有误，是否设置成默认值？\r\r" + kStartModeLine);
    EXPECT_EQ(messenger.shown[0].title, "数据有误");
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messenger.shown[1].text, "是否清除原有数据并启动记录仪？");
    EXPECT_EQ(messenger.shown[1].title, "启动记录仪");
    EXPECT_EQ(messenger.shown[1].buttons, MessageButtons::YesNo);
    ASSERT_NE(parameterFrameSent(), nullptr);
    EXPECT_EQ(parameterFrameSent()->at(50), kStartImmediately);
    EXPECT_EQ(listener.pleaseWaitShown, 1);

    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(messenger.shown.back().text, "重启记录仪成功！");
    EXPECT_EQ(logger->state().userName, "新用户");
    EXPECT_EQ(logger->state().startMode, kStartImmediately);
    EXPECT_EQ(listener.pleaseWaitClosed, 1);
}

TEST_F(RestartSimTest, NoToTheDataQuestionKeepsTheValues) {
    connect(254);
    params.startMode = 0;
    EXPECT_EQ(restart({Answer::No, Answer::Yes}), RestartOutcome::ParametersSent);
    EXPECT_EQ(params.startMode, 0);
    ASSERT_NE(parameterFrameSent(), nullptr);
    EXPECT_EQ(parameterFrameSent()->at(50), 0);
}

TEST_F(RestartSimTest, CancelOrNoToTheConfirmationSendsNothing) {
    connect(254);
    params.startMode = 0;
    EXPECT_EQ(restart({Answer::Cancel}), RestartOutcome::Cancelled);
    EXPECT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(params.startMode, 0);

    params.startMode = kStartImmediately;
    EXPECT_EQ(restart({Answer::No}), RestartOutcome::Declined);
    EXPECT_TRUE(commandsSent().empty());
    EXPECT_FALSE(engine->busy());
    EXPECT_GE(listener.enablings, 2);
}

TEST_F(RestartSimTest, TypeTwoFiftyThreeWithoutTimedStopIsNotAskedAboutTheClock) {
    connect(253);
    EXPECT_EQ(restart({Answer::Yes}), RestartOutcome::ParametersSent);
    EXPECT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(commandsSent(), std::vector<int>{kWriteCommand});
}

TEST_F(RestartSimTest, YesToTheClockQuestionSetsTheClockThenWrites) {
    connect(253, kStopTimed);
    ASSERT_EQ(params.stopMode, kStopTimed);
    timers.advance(5000);
    EXPECT_EQ(restart({Answer::Yes, Answer::Yes}), RestartOutcome::ClockSent);
    ASSERT_EQ(messenger.shown.size(), 2u);
    const Message& clock = messenger.shown[1];
    EXPECT_EQ(clock.text,
              "是否将 '记录仪时钟' 设置为系统时间？\r选'Yes'将设为系统时钟;\r"
              "选'No'将设为属性栏中已设定的值;\r选'Cancel'将退出重启。");
    EXPECT_EQ(clock.title, "");
    EXPECT_EQ(clock.buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(clock.icon, MessageIcon::Question);
    EXPECT_DOUBLE_EQ(params.loggerClock, timers.now());

    ASSERT_TRUE(runUntilIdle());
    const auto sent = commandsSent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], kClockCommand);
    EXPECT_EQ(sent[1], kWriteCommand);
    EXPECT_EQ(messenger.shown.back().text, "重启记录仪成功！");
    EXPECT_LT(std::abs(logger->state().clockOffset) * kSecondsPerDay, 2.0);
}

TEST_F(RestartSimTest, NoToTheClockQuestionWritesAtOnceAndCancelSendsNothing) {
    connect(253, kStopTimed);
    EXPECT_EQ(restart({Answer::Yes, Answer::Cancel}), RestartOutcome::Cancelled);
    EXPECT_TRUE(commandsSent().empty());

    EXPECT_EQ(restart({Answer::Yes, Answer::No}), RestartOutcome::ParametersSent);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(commandsSent().front(), kWriteCommand);
    EXPECT_EQ(messenger.shown.back().text, "重启记录仪成功！");
    EXPECT_NEAR(logger->state().clockOffset * kSecondsPerDay, -600, 1);
}

TEST_F(RestartSimTest, NothingHappensWhileAnotherExchangeIsPending) {
    connect(254);
    engine->connectLogger(Variant::XY002);
    bool committed = false;
    EXPECT_EQ(restart({}, [&] { committed = true; }), RestartOutcome::Busy);
    EXPECT_FALSE(committed);
    EXPECT_TRUE(messenger.shown.empty());
}

}  // namespace
}  // namespace tarvo
