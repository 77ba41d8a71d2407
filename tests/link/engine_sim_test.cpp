// The engine against the simulated logger, in virtual time, at the line's pace.

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

class EngineSimTest : public ::testing::Test {
  protected:
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
    static SimConfig config(int deviceType, std::int64_t clockOffsetSeconds) {
        SimConfig c = demoConfig();
        c.deviceBytes[3] = static_cast<std::int16_t>(deviceType);
        c.clockOffsetSeconds = clockOffsetSeconds;
        return c;
    }

    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    std::unique_ptr<SimLogger> logger;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<TransactionEngine> engine;
};

TEST_F(EngineSimTest, ConnectReadsTheDemoLoggerInEitherVariant) {
    for (int variant : {2, 1}) {
        start(demoConfig());
        engine->connectLogger(variant);
        ASSERT_TRUE(runUntilIdle()) << variant;
        EXPECT_TRUE(messenger.shown.empty());
        EXPECT_TRUE(engine->flags().connected);
        EXPECT_EQ(params.userName, "演示用户");
        EXPECT_EQ(params.title, "冷库一号");
        EXPECT_EQ(params.modelPassword, "T08");
        EXPECT_EQ(params.deviceType(), 1);
        EXPECT_EQ(params.intervalTotalSeconds, 600);
        EXPECT_EQ(params.recordWidth, logger->recordWidth());
        EXPECT_EQ(params.totalSpace, logger->totalSpace());
        EXPECT_EQ(params.firmwareYear, 2006);
        EXPECT_FALSE(port->isOpen());
        // "XY-002" ends with the closing frame; "XY-001" asks for its second block.
        EXPECT_EQ(port->sentFrames().back(), variant == 2 ? closingFrame() : secondBlockFrame(1));
        EXPECT_EQ(settings.ConferStyle, variant);
    }
}

TEST_F(EngineSimTest, ALoggerThatSpeaksOnlyXY001IsFoundWithoutAWord) {
    SimConfig c = demoConfig();
    c.answersXY002 = false;
    start(c);
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(engine->flags().connected);
    EXPECT_EQ(params.userName, "演示用户");
    EXPECT_EQ(settings.ConferStyle, 1);
    EXPECT_EQ(port->sentFrames().size(), 3u + 2u);  // 3 x XY-002, XY-001, second block
}

TEST_F(EngineSimTest, ResultsTellWhoAnsweredInWhichVariantAndWhyAConnectFailed) {
    SimConfig c = demoConfig();
    c.answersXY002 = false;
    start(c);
    settings.ConferStyle = 2;
    // Held variant: the fall-back finds the logger, the store keeps its variant.
    engine->setConnectPolicy({true, false, 0});
    engine->connectLogger(1, Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(engine->result().address, 1);
    EXPECT_EQ(engine->result().status, ExchangeStatus::Succeeded);
    EXPECT_EQ(engine->result().variant, Variant::XY001);
    EXPECT_EQ(engine->variant(), Variant::XY001);
    EXPECT_EQ(settings.ConferStyle, 2);

    // One transmission, no fall-back: an address nobody answers fails after one frame,
    // with the failure message and the store untouched.
    const std::size_t before = port->sentFrames().size();
    engine->setConnectPolicy({false, false, 1});
    engine->connectLogger(5, Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(port->sentFrames().size(), before + 1);
    EXPECT_EQ(engine->result().address, 5);
    EXPECT_EQ(engine->result().status, ExchangeStatus::Failed);
    EXPECT_EQ(engine->result().message, std::string(kFailureText));
    EXPECT_FALSE(engine->result().variant);
    EXPECT_EQ(settings.ConferStyle, 2);

    // The window's policy again: the variant in use is the stored one.
    engine->setConnectPolicy({});
    EXPECT_EQ(engine->variant(), Variant::XY002);
}

TEST_F(EngineSimTest, MessagesGoWhereTheyAreSentAndStillMakeTheResult) {
    start(demoConfig());
    test::RecordingMessenger elsewhere;
    engine->setMessenger(&elsewhere);
    engine->setConnectPolicy({false, false, 1});
    engine->connectLogger(9, Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    ASSERT_EQ(elsewhere.shown.size(), 1u);
    EXPECT_EQ(engine->result().status, ExchangeStatus::Failed);
    engine->setMessenger(nullptr);
    engine->connectLogger(9, Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(messenger.shown.size(), 1u);
}

TEST_F(EngineSimTest, YesToTheClockQuestionSetsTheLoggerClockToThePcTime) {
    start(config(1, -3600));
    messenger.answers.push_back(Answer::Yes);
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "记录仪时钟有误，是否设置为系统时钟？");
    const Bytes& last = port->sentFrames().back();
    ASSERT_EQ(last.size(), 14u);
    EXPECT_EQ(last[4], 0x10);  // the set-clock command
    EXPECT_EQ(listener.clocks.size(), 1u);
    // The logger's clock now runs with the PC's, to within the time the frame took.
    EXPECT_LT(std::abs(logger->state().clockOffset) * kSecondsPerDay, 2.0);
}

TEST_F(EngineSimTest, NoToTheClockQuestionLeavesTheLoggerClock) {
    start(config(1, -3600));
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(port->sentFrames().back(), closingFrame());
    EXPECT_NEAR(logger->state().clockOffset * kSecondsPerDay, -3600, 1);
}

TEST_F(EngineSimTest, ALoggerOfTypeTwoFiftyFourIsNeverAskedAboutItsClock) {
    start(config(254, -86400));
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(engine->flags().connected);
}

TEST_F(EngineSimTest, AStopIsAcknowledgedReadBackAndReported) {
    start(demoConfig());
    engine->setStopIssued(1);
    engine->startExchange(kModeSettings, stopFrame(1), 5000, 500, 500, true);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "设置记录仪成功！");
    EXPECT_EQ(logger->state().workStatus, kWorkStopped);
    EXPECT_EQ(params.workStatus, kWorkStopped);
    EXPECT_TRUE(engine->flags().settingsChanged);
}

TEST_F(EngineSimTest, AParameterWriteRestartsTheLoggerAndIsReported) {
    start(demoConfig());
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    params.userName = "新用户";
    engine->sendParameters();
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "重启记录仪成功！");
    EXPECT_EQ(logger->state().userName, "新用户");
    EXPECT_EQ(params.userName, "新用户");
    EXPECT_EQ(listener.pleaseWaitClosed, 1);
}

TEST_F(EngineSimTest, ABadChecksumFromTheLoggerIsResentAndTheSecondAnswerTaken) {
    start(demoConfig());
    logger->injectFault(SimFaultKind::BadChecksum, 1, SimCommand::Connect);
    engine->connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(engine->flags().connected);
    EXPECT_EQ(port->sentFrames().size(), 3u);  // connect twice, then the closing frame
}

}  // namespace
}  // namespace tarvo
