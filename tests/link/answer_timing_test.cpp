// When an answer is taken: early by its declared length, by the three-tick rule in
// strict timing, and cut off when it keeps growing.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "answer_builder.h"
#include "link/answer_profile.h"
#include "link/completion_policy.h"
#include "link/transaction_engine.h"
#include "link/virtual_timers.h"
#include "link_fakes.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"

namespace tarvo {
namespace {

const CivilTime kPcTime{2006, 3, 7, 12, 0, 0};
constexpr std::string_view kSetupFailed = "串口设置错误!";

TEST(AnswerProfile, AnswersDeclareTheirLengthByTheirCommandOrTheirHeader) {
    LoggerParameters params;
    params.deviceBytes[3] = 1;
    params.startedChannels = 0b1011;  // three channels
    params.uploadWord3 = 512;
    const AnswerContext xy002{Variant::XY002, params};
    const AnswerContext xy001{Variant::XY001, params};
    const Bytes pageHeader{0x3C, 0x30, 0x31, 0x00, 0x36, 0x01, 0x2C};  // 300 data bytes
    const Bytes emptyPage{0x3C, 0x30, 0x31, 0x00, 0x36, 0x00, 0x00};
    struct Case {
        const char* what;
        int mode;
        const AnswerContext& context;
        Bytes received;
        std::optional<std::size_t> length;
    };
    const Case cases[] = {
        {"parameter answer", kModeConnect, xy002, {}, 335},
        {"XY-001 block 1", kModeConnect, xy001, {}, std::nullopt},
        {"XY-001 block 2", kModeSecondBlock, xy001, {}, 111},
        {"page before its header", kModeHistory, xy002, {0x3C, 0x30}, 521},
        {"page by its header", kModeHistory, xy002, pageHeader, 309},
        {"page without data", kModeHistory, xy002, emptyPage, 8},
        {"XY-001 page by its header", kModeHistory, xy001, pageHeader, 309},
        {"live sample of three channels", kModeLive, xy002, {}, 6 + 3 * 4 + 1},
        {"acknowledgement", kModeSettings, xy002, {}, 5},
        {"SMS password", kModeSmsPassword, xy002, {}, std::nullopt},
        {"no operation", kModeIdle, xy002, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(declaredLengthOf(c.mode, c.context, c.received), c.length) << c.what;
    }
    params.deviceBytes[3] = 0;  // one answer of any length
    EXPECT_EQ(declaredLengthOf(kModeHistory, xy002, pageHeader), std::nullopt);
    EXPECT_EQ(largestLengthOf(kModeHistory, xy002), 10000u);
}

TEST(CompletionPolicy, TheGrowthBoundIsTwiceTheLargestAnswerAtLineSpeedPlusTheTimeout) {
    CompletionPolicy policy;
    policy.begin(0, byteTimeMs(9600, 'n'), 200, true);
    EXPECT_EQ(policy.boundMs(335), 698 + 200);
    policy.begin(0, byteTimeMs(9600, 'e'), 500, true);  // a parity bit makes 11 bits a byte
    EXPECT_EQ(policy.boundMs(5), 12 + 500);
}

// ---- against the simulated logger, at the line's pace ---------------------------

const DateTime kPcNow = makeDateTime(kPcTime);

class AnswerTimingSimTest : public ::testing::Test {
  protected:
    void start(int baud, int strict) {
        settings.BaudRate = baud;
        settings.StrictTiming = static_cast<std::int16_t>(strict);
        logger = std::make_unique<SimLogger>(demoConfig(), kPcNow);
        port = std::make_unique<SimSerialPort>(
            *logger, [this] { return timers.elapsedMs(); }, true, [this] { return timers.now(); });
        engine = std::make_unique<TransactionEngine>(timers, *port, messenger, settings, params);
        engine->setListener(&watch);
        watch.clock = &timers;
    }

    struct Watch : test::RecordingListener {
        const VirtualTimers* clock = nullptr;
        std::int64_t readAt = -1;
        void parametersRead() override { readAt = clock->elapsedMs(); }
    };

    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    Watch watch;
    ProgramSettings settings;
    LoggerParameters params;
    std::unique_ptr<SimLogger> logger;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<TransactionEngine> engine;
};

// The connect answer is whole once the frame (6 bytes), the logger's latency (20 ms)
// and the 335 bytes of the answer have passed.
TEST_F(AnswerTimingSimTest, AConnectAnswerIsTakenAsSoonAsItIsWholeUnlessTimingIsStrict) {
    struct Case {
        int baud;
        int strict;
        std::int64_t earliest;
        std::int64_t latest;
    };
    const std::int64_t whole9600 = 20 + (6 + 335) * 10 * 1000 / 9600;     // 375 ms
    const std::int64_t whole115200 = 20 + (6 + 335) * 10 * 1000 / 115200;  // 49 ms
    const Case cases[] = {
        {9600, 0, whole9600, whole9600 + 12},
        {115200, 0, whole115200, whole115200 + 12},
        {9600, 1, whole9600 + 200, whole9600 + 90 + 300},
        {115200, 1, whole115200 + 200, whole115200 + 90 + 300},
    };
    for (const Case& c : cases) {
        start(c.baud, c.strict);
        const std::int64_t t0 = timers.elapsedMs();
        engine->connectLogger(Variant::XY002);
        ASSERT_TRUE(timers.runUntil([&] { return !engine->busy(); }, 10000));
        const std::int64_t took = watch.readAt - t0;
        EXPECT_GE(took, c.earliest) << c.baud << " strict " << c.strict;
        EXPECT_LE(took, c.latest) << c.baud << " strict " << c.strict;
        EXPECT_EQ(params.userName, "演示用户");
        EXPECT_TRUE(messenger.shown.empty());
        engine.reset();
    }
}

// ---- scripted answers -------------------------------------------------------------

class AnswerTimingTest : public ::testing::Test {
  protected:
    AnswerTimingTest() { engine.setListener(&listener); }
    bool runUntilIdle(std::int64_t limitMs = 60000) {
        return timers.runUntil([this] { return !engine.busy(); }, limitMs);
    }
    int count(std::string_view text) const {
        return static_cast<int>(std::count_if(messenger.shown.begin(), messenger.shown.end(),
                                              [&](const auto& m) { return m.text == text; }));
    }

    VirtualTimers timers{makeDateTime(kPcTime)};
    test::ScriptedPort port{timers};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    TransactionEngine engine{timers, port, messenger, settings, params};
};

// A stop is acknowledged (five bytes, taken early), then five more bytes trail the
// acknowledgement before the reconnect goes out: the reconnect is taken by the
// three-tick rule, the echo says so, and the next exchange is early again.
TEST_F(AnswerTimingTest, BytesTrailingAnAnswerTakenEarlyMakeTheRestOfTheExchangeStrict) {
    const Bytes ackAndTrail{0x3C, 0x30, 0x31, 0x46, 0x09, 0x3C, 0x30, 0x31, 0x46, 0x09};
    port.script.push_back(test::Reply{ackAndTrail, 30, 2, 40});
    port.script.push_back(test::Reply{test::typicalLogger(kPcTime).sealed(), 30});
    engine.startExchange(kModeSettings, stopFrame(1), true);
    // The acknowledgement is taken before the trailing half arrives (at 70 ms).
    ASSERT_TRUE(timers.runUntil([&] { return port.written.size() == 2; }, 5000));
    EXPECT_TRUE(engine.strictTiming());
    ASSERT_EQ(listener.echoes.size(), 2u);
    EXPECT_EQ(listener.echoes[0], hexEcho(port.written[0]));
    EXPECT_EQ(listener.echoes[1],
              hexEcho(port.written[1]) + "（应答后仍有数据到达，本次通信改为严格按时序接收）");
    const std::int64_t reconnectAt = port.writtenAt[1];
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(count(kSettingsDone), 1);
    // Three ticks of the same count: at least 200 ms after the answer's last byte.
    EXPECT_GE(timers.elapsedMs(), reconnectAt + 30 + 200);
    EXPECT_FALSE(engine.strictTiming());

    port.script.push_back(test::Reply{test::typicalLogger(kPcTime).sealed(), 30});
    const std::int64_t t0 = timers.elapsedMs();
    engine.connectLogger(Variant::XY002);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_LT(timers.elapsedMs() - t0, 30 + 100);
}

// A peer that never falls silent (a byte every 30 ms) cannot hold a command: each
// transmission's answer is cut off at its bound and tested, the retry rule resends,
// and after "XY-002" and "XY-001" three times each the failure is reported once.
TEST_F(AnswerTimingTest, ALineThatNeverFallsSilentEndsInTheFailureMessageInEitherTiming) {
    for (int strict : {0, 1}) {
        settings.StrictTiming = static_cast<std::int16_t>(strict);
        messenger.shown.clear();
        port.written.clear();
        port.writtenAt.clear();
        port.respond = [](ByteView) { return test::Reply{Bytes(3000, 0x55), 0, 3000, 30}; };
        engine.connectLogger(Variant::XY002);
        ASSERT_TRUE(runUntilIdle(30000)) << strict;
        EXPECT_EQ(count(kFailureText), 1) << strict;
        ASSERT_EQ(port.written.size(), 6u) << strict;
        // Bound of a 335-byte answer at 9600 baud with the 200 ms timeout: 898 ms.
        for (std::size_t i = 1; i < port.written.size(); ++i) {
            const std::int64_t gap = port.writtenAt[i] - port.writtenAt[i - 1];
            EXPECT_GE(gap, 898) << strict << " " << i;
            EXPECT_LE(gap, 898 + 100) << strict << " " << i;
        }
        EXPECT_FALSE(engine.busy());
        EXPECT_FALSE(port.isOpen());
    }
}

TEST_F(AnswerTimingTest, ABadParityPortNameOrLineSpeedIsReportedAsASetUpError) {
    struct Case {
        const char* port;
        const char* parity;
        int baud;
        int setupErrors;
        bool opened;
    };
    const Case cases[] = {
        {"COM1", "e", 115200, 0, true},
        {"/dev/ttyUSB0", "N", 57600, 0, true},
        {"COM1", "x", 9600, 1, true},
        {"COM1", "n", 14400, 1, true},
        {"COM0", "n", 9600, 1, false},
    };
    for (const Case& c : cases) {
        settings.ComPort = c.port;
        settings.CheckMode = c.parity;
        settings.BaudRate = c.baud;
        messenger.shown.clear();
        port.opens.clear();
        engine.startExchange(kModeSettings, stopFrame(1), true);
        EXPECT_EQ(count(kSetupFailed), c.setupErrors) << c.port << c.parity << c.baud;
        EXPECT_EQ(port.opens.size(), c.opened ? 1u : 0u) << c.port;
        if (c.opened) {
            EXPECT_EQ(port.opens[0].baudRate, c.baud);
        } else {
            EXPECT_EQ(count("清除输入数据失败!"), 1) << c.port;
        }
        engine.endExchange();
    }
}

}  // namespace
}  // namespace tarvo
