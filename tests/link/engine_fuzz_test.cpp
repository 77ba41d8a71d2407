// Random answers of random length, in pieces, at random times, in every mode:
// the engine must neither crash nor hang, and every exchange must come to an end
// with the port closed. Seeded, so a failure repeats.

#include <gtest/gtest.h>

#include <random>

#include "link/transaction_engine.h"
#include "link/virtual_timers.h"
#include "link_fakes.h"

namespace tarvo {
namespace {

using test::Reply;

class RandomMessenger : public Messenger {
  public:
    explicit RandomMessenger(std::mt19937& rng) : rng_(rng) {}
    int shown = 0;
    Answer show(const Message& m) override {
        ++shown;
        if (m.buttons == MessageButtons::Ok) return Answer::Ok;
        return rng_() % 2 ? Answer::Yes : Answer::No;
    }

  private:
    std::mt19937& rng_;
};

// Takes pages until a few have come, then ends the upload like the real one.
class RandomHistory : public HistoryUploadHandler {
  public:
    RandomHistory(TransactionEngine& engine, std::mt19937& rng) : engine_(engine), rng_(rng) {}
    bool historyAnswer(ByteView answer) override {
        if (answer.empty() || rng_() % 4 == 0) return false;
        if (++pages_ < 4 && rng_() % 2) {
            engine_.startExchange(kModeHistory, historyFrame(1, HistoryRequest::NextPage), 10000,
                                  512, 200, true);
        } else {
            engine_.endExchange();
        }
        return true;
    }
    void historyTimedOut() override {}
    bool showUploadedHistory() override { return rng_() % 2; }
    void dropPages() override { pages_ = 0; }

  private:
    TransactionEngine& engine_;
    std::mt19937& rng_;
    int pages_ = 0;
};

class CountingLive : public LiveSampleHandler {
  public:
    void liveAnswer(ByteView) override {}
    void liveTimedOut() override {}
    void liveTick() override {}
};

int pick(std::mt19937& rng, std::initializer_list<int> values) {
    return *(values.begin() + rng() % values.size());
}

Bytes randomAnswer(std::mt19937& rng) {
    std::size_t size = 0;
    switch (rng() % 5) {
        case 0:
            size = rng() % 8;
            break;
        case 1:
            size = rng() % 400;
            break;
        case 2:
            size = static_cast<std::size_t>(pick(rng, {4, 5, 110, 111, 199, 335}));
            break;
        case 3:
            size = rng() % 12001;
            break;
        default:
            size = rng() % 2000;
            break;
    }
    Bytes b(size);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    // Often shaped like an answer, so the dispatch goes past the first test.
    if (!b.empty() && rng() % 3) {
        b[0] = 0x3C;
        const int last = static_cast<int>(b.size()) - 1;
        switch (rng() % 4) {
            case 0:
                b[static_cast<std::size_t>(last)] = 0x66;
                break;
            case 1:
                b[static_cast<std::size_t>(last)] = 0x09;
                break;
            case 2:
                b[static_cast<std::size_t>(last)] = checksum(b, 6, last - 1);
                break;
            default:
                b[static_cast<std::size_t>(last)] = checksum(b, 5, last - 1);
                break;
        }
        if (b.size() > 4 && rng() % 4 == 0) b[4] = 0x09;
    }
    return b;
}

TEST(EngineFuzz, RandomAnswersInEveryModeNeverCrashOrHang) {
    std::mt19937 rng(20060307);
    test::RecordingListener listener;  // shared: counts how deep the answers got
    for (int iteration = 0; iteration < 300; ++iteration) {
        VirtualTimers timers(makeDateTime(2006, 3, 7, 12, 0, 0));
        test::ScriptedPort port(timers);
        RandomMessenger messenger(rng);
        ProgramSettings settings;
        settings.ResendTime = static_cast<std::int16_t>(1 + rng() % 3);
        settings.OverTime = static_cast<std::int16_t>(pick(rng, {100, 200, 500}));
        LoggerParameters params;
        params.deviceBytes[3] = static_cast<std::int16_t>(pick(rng, {0, 1, 240, 252, 253, 254}));
        params.firmwareYear = static_cast<std::int16_t>(pick(rng, {2004, 2006}));
        TransactionEngine engine(timers, port, messenger, settings, params);
        RandomHistory history(engine, rng);
        CountingLive live;
        engine.setListener(&listener);
        if (rng() % 4) engine.setHistoryHandler(&history);
        if (rng() % 4) engine.setLiveHandler(&live);
        engine.flags().uploadPending = rng() % 4 == 0;
        engine.flags().restartPending = rng() % 4 == 0;
        engine.flags().settingsPending = rng() % 4 == 0;
        engine.flags().clockThenWrite = rng() % 4 == 0;
        engine.setStopIssued(static_cast<int>(rng() % 2));

        port.respond = [&rng](ByteView) -> std::optional<Reply> {
            if (rng() % 6 == 0) return std::nullopt;
            return Reply{randomAnswer(rng), static_cast<int>(rng() % 1200),
                         static_cast<int>(1 + rng() % 5), static_cast<int>(rng() % 250)};
        };

        switch (rng() % 9) {
            case 0:
                engine.connectLogger(Variant::XY002);
                break;
            case 1:
                engine.connectLogger(Variant::XY001);
                break;
            case 2:
                engine.setLoggerClock();
                break;
            case 3:
                engine.sendParameters();
                break;
            default: {
                const int mode = pick(rng, {kModeIdle, kModeSecondBlock, kModeHistory, kModeLive,
                                            kModeSettings, kModeSmsNumbers, kModeSmsPassword, 77});
                engine.startExchange(mode, liveFrame(1), 5000, 500, pick(rng, {200, 500, 800}),
                                     rng() % 2);
                break;
            }
        }
        ASSERT_TRUE(timers.runUntil([&] { return !engine.busy(); }, 10 * 60 * 1000))
            << "iteration " << iteration << " hangs in mode " << engine.mode();
        // Nothing is left to happen: later ticks send nothing, and the port is
        // closed by the time an abandoned exchange's timeout has passed.
        const std::size_t writes = port.written.size();
        timers.advance(5000);
        EXPECT_EQ(port.written.size(), writes) << "iteration " << iteration;
        EXPECT_FALSE(engine.busy()) << "iteration " << iteration;
        EXPECT_FALSE(port.isOpen()) << "iteration " << iteration;
        EXPECT_FALSE(timers.isActive(TimerId::Timeout)) << "iteration " << iteration;
    }
    // Some random answers passed their tests and were decoded and reported on.
    EXPECT_GT(listener.reads, 0);
    EXPECT_GT(listener.clocks.size(), 0u);
}

}  // namespace
}  // namespace tarvo
