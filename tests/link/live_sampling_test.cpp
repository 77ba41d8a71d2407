// Live sampling in virtual time: the request clock, the failure count, the waiting
// for a busy line, and live values from the simulated logger.

#include "link/live_sampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "core/codecs.h"
#include "link/transaction_engine.h"
#include "link/virtual_timers.h"
#include "link_fakes.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"

namespace tarvo {
namespace {

using test::Reply;

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);

struct RecordingSink : LiveSampleSink {
    std::vector<Bytes> answers;
    std::vector<DateTime> times;
    void liveSample(ByteView answer, DateTime now) override {
        answers.emplace_back(answer.begin(), answer.end());
        times.push_back(now);
    }
};

bool isLiveRequest(const Bytes& frame) {
    return frame.size() == 6 && frame[0] == 0x23 && frame[3] == 0xFF && frame[4] == 0x39;
}

// 3C 30 31 FF 39 01, the single 21.5 (41 AC 00 00) least significant byte first, 66.
const Bytes kAnswer{0x3C, 0x30, 0x31, 0xFF, 0x39, 0x01, 0x00, 0x00, 0xAC, 0x41, 0x66};

class LiveSamplingTest : public ::testing::Test {
  protected:
    LiveSamplingTest() {
        engine.setListener(&listener);
        engine.setDeviceAddress(1);
        settings.RealInterval = 10;
    }
    // Virtual times (ms since the start) of the live requests' first transmissions: a
    // resend follows its request within the 800 ms timeout's multiples, a new request
    // comes a whole period later.
    std::vector<std::int64_t> liveRequestTimes() const {
        std::vector<std::int64_t> out;
        for (std::size_t i = 0; i < port.written.size(); ++i) {
            if (!isLiveRequest(port.written[i])) continue;
            if (!out.empty() && port.writtenAt[i] - out.back() < 1000 * settings.RealInterval)
                continue;
            out.push_back(port.writtenAt[i]);
        }
        return out;
    }

    VirtualTimers timers{kPcNow};
    test::ScriptedPort port{timers};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    TransactionEngine engine{timers, port, messenger, settings, params};
    RecordingSink sink;
    LiveSampling live{engine, sink};
};

TEST_F(LiveSamplingTest, TheFirstRequestGoesOutAfterOneSecondThenOneEveryPeriod) {
    port.respond = [](ByteView) { return std::optional<Reply>(Reply{kAnswer}); };
    ASSERT_TRUE(live.start());
    EXPECT_TRUE(engine.flags().liveRunning);
    EXPECT_FALSE(live.start());  // already running
    timers.advance(35000);

    EXPECT_EQ(liveRequestTimes(), (std::vector<std::int64_t>{1000, 11000, 21000, 31000}));
    EXPECT_EQ(port.written.front(), (Bytes{0x23, 0x30, 0x31, 0xFF, 0x39, 0x66}));
    EXPECT_EQ(port.opens.front().inputQueue, 5000);
    EXPECT_EQ(port.opens.front().outputQueue, 500);
    ASSERT_EQ(sink.answers.size(), 4u);
    EXPECT_EQ(sink.answers[0], kAnswer);
    EXPECT_GT(sink.times[0], kPcNow + 1.0 / kSecondsPerDay);
    EXPECT_EQ(live.requestsSent(), 4);
    EXPECT_FALSE(engine.busy());
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(LiveSamplingTest, ElevenTimeoutsPassSilentlyAndTheTwelfthStopsSampling) {
    // The logger never answers: each request is sent three times, 800 ms apart.
    engine.flags().settingsPending = true;
    ASSERT_TRUE(live.start());
    ASSERT_TRUE(
        timers.runUntil([&] { return live.liveFailures() == 11 && !engine.busy(); }, 200000));
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(engine.flags().liveRunning);

    ASSERT_TRUE(timers.runUntil([&] { return !engine.flags().liveRunning; }, 20000));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, kFailureText);
    EXPECT_EQ(messenger.shown[0].title, "错误");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(live.liveFailures(), 0);
    EXPECT_EQ(live.requestsSent(), 12);
    EXPECT_EQ(port.written.size(), 36u);
    EXPECT_FALSE(engine.flags().settingsPending);
    EXPECT_EQ(engine.mode(), kModeIdle);

    // The next tick of the live clock switches it off and recomputes the enabling.
    const int enablings = listener.enablings;
    timers.advance(1000);
    EXPECT_FALSE(timers.isActive(TimerId::Real));
    EXPECT_GT(listener.enablings, enablings);
    timers.advance(30000);
    EXPECT_EQ(live.requestsSent(), 12);
    EXPECT_TRUE(live.start());  // a fresh start is possible again
}

TEST_F(LiveSamplingTest, ASuccessDoesNotResetTheFailureCount) {
    port.script = {std::nullopt, std::nullopt, std::nullopt, Reply{kAnswer}};
    port.respond = [](ByteView) { return std::optional<Reply>(Reply{kAnswer}); };
    ASSERT_TRUE(live.start());
    timers.advance(25000);
    EXPECT_EQ(live.liveFailures(), 1);
    EXPECT_EQ(sink.answers.size(), 2u);
}

TEST_F(LiveSamplingTest, ARequestWaitsWhileAnotherExchangeIsPending) {
    port.respond = [](ByteView frame) -> std::optional<Reply> {
        if (isLiveRequest(Bytes(frame.begin(), frame.end()))) return Reply{kAnswer};
        return std::nullopt;  // the other exchange goes unanswered: 3 × 5 s
    };
    ASSERT_TRUE(live.start());
    engine.startExchange(kModeSettings, stopFrame(1), 1024, 512, 5000, true);
    timers.advance(14999);
    // Only the other exchange's three transmissions went out; nothing replaced it.
    ASSERT_EQ(port.written.size(), 3u);
    EXPECT_FALSE(isLiveRequest(port.written[2]));
    EXPECT_EQ(engine.mode(), kModeSettings);

    timers.advance(20000);  // it fails at 15 s; the waiting request goes out at once
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{std::string(kFailureText)});
    EXPECT_EQ(liveRequestTimes(), (std::vector<std::int64_t>{15000, 25000}));
    EXPECT_EQ(sink.answers.size(), 2u);
}

TEST_F(LiveSamplingTest, StoppingAbandonsOnlyALiveRequest) {
    ASSERT_TRUE(live.start());
    timers.advance(1000);  // the first request is out, unanswered so far
    ASSERT_EQ(engine.mode(), kModeLive);
    live.stop();
    EXPECT_EQ(engine.mode(), kModeIdle);
    EXPECT_FALSE(engine.flags().liveRunning);
    EXPECT_FALSE(timers.isActive(TimerId::Real));
    EXPECT_EQ(live.liveCountdown(), 0);
    timers.advance(30000);
    EXPECT_EQ(port.written.size(), 1u);  // neither resent nor asked again
    EXPECT_EQ(live.liveFailures(), 0);
    EXPECT_TRUE(messenger.shown.empty());

    ASSERT_TRUE(live.start());
    engine.startExchange(kModeSettings, stopFrame(1), 1024, 512, 5000, true);
    live.stop();
    EXPECT_EQ(engine.mode(), kModeSettings);
}

// ---- the simulated logger -------------------------------------------------------------

TEST(LiveSamplingSim, LiveValuesOfTheDemoLoggerArriveAndDrift) {
    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    ProgramSettings settings;
    settings.RealInterval = 10;
    LoggerParameters params;
    SimLogger logger(demoConfig(), kPcNow);
    SimSerialPort port(
        logger, [&] { return timers.elapsedMs(); }, true, [&] { return timers.now(); });
    TransactionEngine engine(timers, port, messenger, settings, params);
    RecordingSink sink;
    LiveSampling live(engine, sink);

    engine.setDeviceAddress(logger.address());
    engine.connectLogger(2);
    ASSERT_TRUE(timers.runUntil([&] { return !engine.busy(); }, 60000));
    ASSERT_TRUE(engine.flags().connected);
    int channels = 0;
    for (int c = 0; c < kChannelCount; ++c) channels += params.channelStarted(c) ? 1 : 0;
    ASSERT_GT(channels, 0);

    timers.advance(1000 - timers.elapsedMs() % 1000);  // start on a whole second
    ASSERT_TRUE(live.start());
    const DateTime started = timers.now();
    timers.advance(200500);  // requests at 1 s, 11 s, … 191 s
    ASSERT_EQ(sink.answers.size(), 20u);
    EXPECT_TRUE(messenger.shown.empty());

    std::set<float> seen;
    for (std::size_t k = 0; k < sink.answers.size(); ++k) {
        const std::vector<float> values = decodeLiveFrame(sink.answers[k], channels);
        ASSERT_EQ(static_cast<int>(values.size()), channels);
        // The logger measured when the request reached it, at the whole second it was sent.
        const DateTime asked = started + (1.0 + 10.0 * static_cast<double>(k)) / kSecondsPerDay;
        int i = 0;
        for (int c = 0; c < kChannelCount; ++c) {
            if (!params.channelStarted(c)) continue;
            EXPECT_NEAR(values[i], logger.liveValue(c, asked), 0.051) << k << " " << c;
            ++i;
        }
        seen.insert(values[0]);
    }
    EXPECT_GT(seen.size(), 5u);  // the values drift
}

// ---- a port that vanishes and comes back ---------------------------------------------

// The demo logger connected and sampling every 10 s; the adapter can be unplugged
// and a logger (the same or another) plugged back on the same path.
class LiveSamplingReconnect : public ::testing::Test {
  protected:
    LiveSamplingReconnect() {
        settings.RealInterval = 10;
        engine.setListener(&listener);
        engine.setDeviceAddress(logger.address());
        engine.connectLogger(2);
        EXPECT_TRUE(timers.runUntil([&] { return !engine.busy(); }, 60000));
        EXPECT_TRUE(engine.flags().connected);
        EXPECT_TRUE(live.start());
    }
    int lostReports() const {
        return static_cast<int>(std::count(listener.echoes.begin(), listener.echoes.end(),
                                           std::string(kPortLostText)));
    }

    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    SimLogger logger{demoConfig(), kPcNow};
    SimSerialPort port{logger, [this] { return timers.elapsedMs(); }, true,
                       [this] { return timers.now(); }};
    TransactionEngine engine{timers, port, messenger, settings, params};
    RecordingSink sink;
    LiveSampling live{engine, sink};
};

TEST_F(LiveSamplingReconnect, SamplingWaitsSaysSoOnceAndResumesWhenTheSameLoggerIsBack) {
    // Unplugged once between requests and once while a request waits for its answer.
    for (const std::int64_t unplugAfterMs : {25500, 1020}) {
        SCOPED_TRACE(unplugAfterMs);
        const std::size_t before = sink.answers.size();
        timers.advance(unplugAfterMs);
        const std::size_t kept = sink.answers.size();
        port.setPresent(false);
        const int reports = lostReports();
        timers.advance(120000);
        EXPECT_TRUE(live.waitingForPort());
        EXPECT_TRUE(engine.flags().liveRunning);
        EXPECT_EQ(lostReports(), reports + 1);
        EXPECT_EQ(listener.statuses.back(), kPortLostText);
        EXPECT_EQ(sink.answers.size(), kept);
        EXPECT_GE(kept, before);
        EXPECT_EQ(live.liveFailures(), 0);
        EXPECT_TRUE(messenger.shown.empty()) << messenger.texts().front();

        port.setPresent(true);
        timers.advance(25000);
        EXPECT_FALSE(live.waitingForPort());
        EXPECT_TRUE(engine.flags().liveRunning);
        EXPECT_GE(sink.answers.size(), kept + 2);
        EXPECT_EQ(lostReports(), reports + 1);
        EXPECT_TRUE(messenger.shown.empty());
    }
}

TEST_F(LiveSamplingReconnect, AnotherLoggerOnThePathStopsSamplingWithoutResuming) {
    struct Case {
        const char* name;
        void (*change)(SimConfig&);
    };
    const Case cases[] = {
        {"other model", [](SimConfig& c) { c.modelCode = 9; }},
        {"other model password", [](SimConfig& c) { c.modelPassword = "T09"; }},
        {"other user name", [](SimConfig& c) { c.userName = "B2"; }},
    };
    timers.advance(12000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messenger.shown.clear();
        SimConfig config = demoConfig();
        c.change(config);
        SimLogger other(config, kPcNow);
        if (!engine.flags().liveRunning) {
            ASSERT_TRUE(live.start());
        }
        timers.advance(12000);
        const std::size_t kept = sink.answers.size();
        port.setPresent(false);
        timers.advance(30000);
        port.setLoggers({&other});
        port.setPresent(true);
        timers.advance(60000);
        EXPECT_FALSE(engine.flags().liveRunning);
        EXPECT_FALSE(timers.isActive(TimerId::Real));
        EXPECT_EQ(sink.answers.size(), kept);
        ASSERT_EQ(messenger.shown.size(), 1u);
        EXPECT_EQ(messenger.shown[0].text, kOtherLoggerText);
        EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
        port.setLoggers({&logger});
    }
}

TEST_F(LiveSamplingReconnect, APathThatIsBackBeforeTheLoggerAnswersIsAskedAgain) {
    timers.advance(2000);
    port.setPresent(false);
    timers.advance(20000);
    SimConfig silentConfig = demoConfig();
    silentConfig.address = logger.address() + 1;  // nobody answers at the address
    SimLogger silent(silentConfig, kPcNow);
    port.setLoggers({&silent});
    port.setPresent(true);
    timers.advance(120000);
    EXPECT_TRUE(live.waitingForPort());
    EXPECT_TRUE(engine.flags().liveRunning);
    EXPECT_TRUE(messenger.shown.empty());

    port.setLoggers({&logger});
    const std::size_t kept = sink.answers.size();
    timers.advance(30000);
    EXPECT_FALSE(live.waitingForPort());
    EXPECT_GT(sink.answers.size(), kept);
    EXPECT_EQ(lostReports(), 1);
}

}  // namespace
}  // namespace tarvo
