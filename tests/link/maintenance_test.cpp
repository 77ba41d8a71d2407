// The maintenance commands against the simulated logger, in virtual time.

#include "link/maintenance.h"

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
constexpr std::string_view kSettingsDone = "设置记录仪成功！";

class MaintenanceTest : public ::testing::Test {
  protected:
    void SetUp() override { start(demoConfig()); }

    void start(SimConfig config) {
        engine.reset();  // one engine drives the timers at a time
        logger = std::make_unique<SimLogger>(std::move(config), kPcNow);
        port = std::make_unique<SimSerialPort>(
            *logger, [this] { return timers.elapsedMs(); }, true, [this] { return timers.now(); });
        engine = std::make_unique<TransactionEngine>(timers, *port, messenger, settings, params);
        engine->setListener(&listener);
    }
    bool runUntilIdle() {
        return timers.runUntil([this] { return !engine->busy(); }, 120000);
    }
    // Reads the logger first, as the window does before these commands are offered.
    void connect() {
        engine->connectLogger(Variant::XY002);
        ASSERT_TRUE(runUntilIdle());
        ASSERT_TRUE(messenger.shown.empty());
        sentBefore = port->sentFrames().size();
    }
    // The first frame the command sent.
    const Bytes& commandFrame() const { return port->sentFrames().at(sentBefore); }
    std::size_t framesSent() const { return port->sentFrames().size() - sentBefore; }
    // How the frame just sent went out: queue sizes and answer timeout.
    void expectSentWith(int inputQueue, int outputQueue, int timeoutMs) const {
        EXPECT_EQ(port->lineSettings().inputQueue, inputQueue);
        EXPECT_EQ(port->lineSettings().outputQueue, outputQueue);
        EXPECT_EQ(timers.interval(TimerId::Timeout), timeoutMs);
    }

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

TEST_F(MaintenanceTest, StopAsksFirstAndNoSendsNothing) {
    connect();
    EXPECT_EQ(stopLogger(*engine, messenger), SendOutcome::Declined);
    ASSERT_EQ(messenger.shown.size(), 1u);
    const Message& question = messenger.shown[0];
    EXPECT_EQ(question.text, "您确定要停止记录仪吗？");
    EXPECT_EQ(question.title, "停止记录仪");
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(framesSent(), 0u);
    EXPECT_FALSE(engine->busy());
    EXPECT_EQ(engine->stopIssued(), 0);
    EXPECT_EQ(logger->state().workStatus, kWorkRecording);
}

TEST_F(MaintenanceTest, YesStopsTheLoggerAndTheReconnectReportsItStopped) {
    connect();
    messenger.answers.push_back(Answer::Yes);
    ASSERT_EQ(stopLogger(*engine, messenger), SendOutcome::Sent);
    EXPECT_EQ(engine->stopIssued(), 1);
    expectSentWith(5000, 500, 500);
    ASSERT_TRUE(runUntilIdle());

    EXPECT_EQ(commandFrame(), stopFrame(1));
    EXPECT_EQ(port->sentFrames().at(sentBefore + 1), connectFrame(1, Variant::XY002));
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, kSettingsDone);
    EXPECT_EQ(messenger.shown[1].title, "设置记录仪");
    EXPECT_EQ(logger->state().workStatus, kWorkStopped);
    EXPECT_EQ(params.workStatus, kWorkStopped);
    EXPECT_EQ(engine->stopIssued(), 0);
    EXPECT_TRUE(engine->flags().settingsChanged);
}

TEST_F(MaintenanceTest, AnUnansweredStopIsReportedAndLeavesNoStopMarkBehind) {
    connect();
    logger->injectFault(SimFaultKind::NoAnswer, 99, SimCommand::Stop);
    messenger.answers.push_back(Answer::Yes);
    ASSERT_EQ(stopLogger(*engine, messenger), SendOutcome::Sent);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(framesSent(), 3u);  // ResendTime transmissions, 500 ms apart
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, kFailureText);
    EXPECT_EQ(engine->stopIssued(), 0);
    EXPECT_FALSE(engine->flags().settingsChanged);
}

TEST_F(MaintenanceTest, PowerModeSendsItsCodeAndTheReconnectReadsItBack) {
    struct Case {
        bool normal;
        std::uint8_t code;
        std::int16_t before;
        std::int16_t after;
    };
    for (const Case& c : {Case{true, 0x02, kPowerSaving, kPowerNormal},
                          Case{false, 0x03, kPowerNormal, kPowerSaving}}) {
        SimConfig config = demoConfig();
        config.powerMode = c.before;
        start(config);
        messenger.shown.clear();
        connect();
        ASSERT_EQ(params.powerMode, c.before);
        ASSERT_EQ(setPowerMode(*engine, c.normal), SendOutcome::Sent);
        expectSentWith(5000, 500, 500);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_EQ(commandFrame(), powerModeFrame(1, c.normal));
        EXPECT_EQ(commandFrame().at(8), c.code);
        EXPECT_EQ(params.powerMode, c.after) << c.normal;
        EXPECT_EQ(messenger.texts(), std::vector<std::string>{std::string(kSettingsDone)});
        // Not a stop: the work status is the logger's own.
        EXPECT_EQ(params.workStatus, kWorkRecording);
    }
}

TEST_F(MaintenanceTest, ResetLevelsOneToFiveAreSentAndOthersSendNothing) {
    struct Case {
        int level;
        std::uint8_t x;
        std::uint8_t y;
    };
    for (const Case& c : {Case{1, 0x65, 0x73}, Case{5, 0x61, 0x6F}}) {
        start(demoConfig());
        messenger.shown.clear();
        connect();
        ASSERT_EQ(resetLogger(*engine, c.level), SendOutcome::Sent);
        expectSentWith(5000, 500, 500);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_EQ(commandFrame(),
                  (Bytes{0x25, 0x30, 0x31, 0x30, 0x46, 0x05, 0x03, c.x, c.y, 0x55, 0x66}));
        EXPECT_EQ(messenger.texts(), std::vector<std::string>{std::string(kSettingsDone)});
        EXPECT_EQ(logger->state().workStatus, kWorkStopped);
    }
    for (int level : {0, 6, -1}) {
        const std::size_t before = port->sentFrames().size();
        EXPECT_EQ(resetLogger(*engine, level), SendOutcome::Invalid) << level;
        EXPECT_EQ(port->sentFrames().size(), before);
        EXPECT_FALSE(engine->busy());
    }
}

TEST_F(MaintenanceTest, TheClockFrameCarriesTheGivenTimeAndTheRowShowsIt) {
    settings.OverTime = 700;
    connect();
    const DateTime clock = makeDateTime(2006, 7, 8, 9, 10, 11);
    ASSERT_EQ(setLoggerClockTo(*engine, clock), SendOutcome::Sent);
    EXPECT_EQ(params.loggerClock, clock);
    expectSentWith(1024, 512, 700);  // the standard timeout
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(commandFrame(),
              (Bytes{0x25, 0x30, 0x31, 0x30, 0x10, 0x08, 0x07, 0xD6, 7, 8, 9, 10, 11, 0x66}));
    EXPECT_EQ(framesSent(), 1u);
    EXPECT_EQ(listener.clocks, std::vector<DateTime>{clock});
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_NEAR(logger->loggerClock(timers.now()), clock, 2.0 / kSecondsPerDay);
}

TEST_F(MaintenanceTest, OnlyElevenDigitNumbersAreStoredSentAndCounted) {
    connect();
    ASSERT_EQ(setSmsNumbers(*engine, {"1380013800", "13912345678", "1391234567a"}),
              SendOutcome::Sent);
    EXPECT_EQ(params.phoneNumbers, (std::array<std::string, 3>{"", "13912345678", ""}));
    expectSentWith(1024, 512, 6000);  // device type 1
    ASSERT_TRUE(runUntilIdle());

    const Bytes& f = commandFrame();
    ASSERT_EQ(f.size(), 41u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 6), (Bytes{0x25, 0x30, 0x31, 0x30, 0x48, 0x23}));
    EXPECT_EQ(Bytes(f.begin() + 6, f.begin() + 17), Bytes(11, 0));
    EXPECT_EQ(std::string(f.begin() + 17, f.begin() + 28), "13912345678");
    EXPECT_EQ(Bytes(f.begin() + 28, f.begin() + 39), Bytes(11, 0));
    EXPECT_EQ(f[39], 1);  // the count
    EXPECT_EQ(f[40], 0x66);

    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"手机号码设置成功！"});
    EXPECT_EQ(logger->state().phoneNumbers, (std::array<std::string, 3>{"", "13912345678", ""}));
}

TEST_F(MaintenanceTest, SmsCommandsWaitThreeSecondsForADeviceOfTypeZero) {
    SimConfig config = demoConfig();
    config.deviceBytes[3] = 0;
    start(config);
    connect();
    ASSERT_EQ(params.deviceType(), 0);
    ASSERT_EQ(setSmsNumbers(*engine, {"13912345678", "13912345679", "13912345670"}),
              SendOutcome::Sent);
    expectSentWith(1024, 512, 3000);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(commandFrame().at(39), 3);
    ASSERT_EQ(setSmsPassword(*engine, "12345678", "11111111"), SendOutcome::Sent);
    expectSentWith(1024, 512, 3000);
    ASSERT_TRUE(runUntilIdle());
}

TEST_F(MaintenanceTest, TheSmsPasswordAnswerSaysWhetherTheOldOneWasRight) {
    struct Case {
        const char* oldPassword;
        const char* message;
        const char* loggerPassword;
    };
    for (const Case& c : {Case{"11111111", "短信旧密码不正确!", "00000000"},
                          Case{"00000000", "密码设置成功!", "24681357"}}) {
        SimConfig config = demoConfig();
        config.smsPassword = "00000000";
        start(config);
        messenger.shown.clear();
        connect();
        ASSERT_EQ(setSmsPassword(*engine, c.oldPassword, "24681357"), SendOutcome::Sent);
        EXPECT_EQ(params.smsPasswords, (std::array<std::string, 2>{c.oldPassword, "24681357"}));
        expectSentWith(1024, 512, 6000);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_EQ(commandFrame(), smsPasswordFrame(1, c.oldPassword, "24681357"));
        EXPECT_EQ(framesSent(), 1u);  // any answer ends the exchange
        EXPECT_EQ(messenger.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(logger->state().smsPassword, c.loggerPassword);
    }
}

TEST_F(MaintenanceTest, APasswordNotOfEightDigitsIsNeitherSentNorStored) {
    connect();
    for (const auto& [oldPassword, newPassword] :
         std::vector<std::pair<std::string, std::string>>{{"0000000", "12345678"},
                                                          {"00000000", "123456789"},
                                                          {"0000000a", "12345678"},
                                                          {"00000000", ""}}) {
        EXPECT_EQ(setSmsPassword(*engine, oldPassword, newPassword), SendOutcome::Invalid)
            << oldPassword << " " << newPassword;
    }
    EXPECT_EQ(framesSent(), 0u);
    EXPECT_EQ(params.smsPasswords, (std::array<std::string, 2>{}));
}

TEST_F(MaintenanceTest, NoCommandStartsWhileAnotherExchangeIsPending) {
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(engine->busy());
    const std::size_t before = port->sentFrames().size();
    messenger.otherwise = Answer::Yes;
    EXPECT_EQ(stopLogger(*engine, messenger), SendOutcome::Busy);
    EXPECT_EQ(setPowerMode(*engine, true), SendOutcome::Busy);
    EXPECT_EQ(resetLogger(*engine, 1), SendOutcome::Busy);
    EXPECT_EQ(setLoggerClockTo(*engine, kPcNow), SendOutcome::Busy);
    EXPECT_EQ(setSmsNumbers(*engine, {"13912345678", "", ""}), SendOutcome::Busy);
    EXPECT_EQ(setSmsPassword(*engine, "00000000", "12345678"), SendOutcome::Busy);
    EXPECT_EQ(port->sentFrames().size(), before);
    EXPECT_TRUE(messenger.shown.empty());  // not even the stop question
    EXPECT_EQ(engine->mode(), kModeConnect);
    EXPECT_EQ(params.phoneNumbers, (std::array<std::string, 3>{}));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(engine->flags().connected);
}

}  // namespace
}  // namespace tarvo
