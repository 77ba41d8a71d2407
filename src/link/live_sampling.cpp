#include "link/live_sampling.h"

#include <algorithm>
#include <limits>

#include "link/frames.h"
#include "link/parameter_decoder.h"
#include "link/transaction_engine.h"

namespace tarvo {

namespace {

constexpr int kLiveClockMs = 1000;
// Unanswered live requests that pass without a word; the next one stops sampling.
constexpr std::int16_t kSilentFailures = 11;

LoggerIdentity identityOf(const LoggerParameters& p) {
    return {p.modelCode, p.modelPassword, p.userName, p.title};
}

}  // namespace

LiveSampling::LiveSampling(TransactionEngine& engine, LiveSampleSink& sink)
    : engine_(engine), sink_(sink) {
    engine_.setLiveHandler(this);
}

LiveSampling::~LiveSampling() {
    engine_.setLiveHandler(nullptr);
}

bool LiveSampling::running() const {
    return engine_.flags().liveRunning;
}

bool LiveSampling::start() {
    TimerService& timers = engine_.timers();
    if (engine_.flags().liveRunning || timers.isActive(TimerId::Real)) return false;
    liveCountdown_ = engine_.settings().RealInterval;
    timers.setInterval(TimerId::Real, kLiveClockMs);
    timers.start(TimerId::Real);
    engine_.flags().liveRunning = true;
    waitingForPort_ = false;
    identity_.reset();
    if (engine_.flags().paramsAvailable) identity_ = identityOf(engine_.loggerParams());
    return true;
}

void LiveSampling::stop() {
    TimerService& timers = engine_.timers();
    if (timers.isActive(TimerId::Real)) timers.stop(TimerId::Real);
    if (!engine_.flags().liveRunning) return;
    // Only a live request is abandoned: a connect, upload or restart under way keeps
    // its exchange. The abandoned request's answer or timeout then finds mode 0.
    if (engine_.mode() == kModeLive || engine_.mode() == kModeIdentify) {
        engine_.setMode(kModeIdle);
    }
    liveCountdown_ = 0;
    waitingForPort_ = false;
    engine_.flags().liveRunning = false;
}

void LiveSampling::liveTick() {
    if (!engine_.flags().liveRunning) {
        engine_.timers().stop(TimerId::Real);
        engine_.listener().enablingChanged();
        return;
    }
    // A period below one second (a damaged setting) asks at every tick.
    const std::int32_t period = std::max<std::int32_t>(1, engine_.settings().RealInterval);
    if (waitingForPort_) {
        if (engine_.busy()) return;
        // An exchange that ended meanwhile cleared the status bar.
        engine_.listener().statusText(std::string(kPortLostText));
        if (!portPresent()) return;
        engine_.startExchange(kModeIdentify,
                              connectFrame(engine_.deviceAddress(), engine_.variant()), true);
        return;
    }
    if (liveCountdown_ < std::numeric_limits<std::int32_t>::max()) ++liveCountdown_;
    if (liveCountdown_ < period) return;
    // Another exchange is pending: the request waits for the line.
    if (engine_.busy()) return;
    if (!portPresent()) return waitForPort();
    liveCountdown_ = 0;
    ++requestsSent_;
    engine_.startExchange(kModeLive, liveFrame(engine_.deviceAddress()), true);
}

void LiveSampling::liveAnswer(ByteView answer) {
    sink_.liveSample(answer, engine_.timers().now());
}

bool LiveSampling::portPresent() {
    return engine_.port().present(engine_.settings().ComPort);
}

void LiveSampling::waitForPort() {
    if (waitingForPort_) return;
    waitingForPort_ = true;
    const std::string text(kPortLostText);
    engine_.listener().statusText(text);
    engine_.listener().commandEcho(text);
}

void LiveSampling::identityAnswer(ByteView answer) {
    if (!engine_.flags().liveRunning || !waitingForPort_) return;
    LoggerParameters seen;
    const bool decoded = engine_.variant() == Variant::XY001
                             ? decodeXY001Block1(answer, seen, engine_.timers().now())
                             : decodeXY002(answer, seen);
    if (!decoded) return;  // asked again on the next tick
    waitingForPort_ = false;
    if (identity_ && identityOf(seen) != *identity_) {
        engine_.flags().liveRunning = false;
        engine_.messenger().show({std::string(kOtherLoggerText), std::string(kErrorTitle),
                                  MessageIcon::Warning, MessageButtons::Ok});
        return;
    }
    engine_.listener().statusText({});
    // The next tick asks for the values.
    liveCountdown_ = std::max<std::int32_t>(1, engine_.settings().RealInterval) - 1;
}

void LiveSampling::liveTimedOut() {
    // The device went away: no failure, sampling waits for it.
    if (!portPresent()) {
        if (requestsSent_ > 0) --requestsSent_;
        return waitForPort();
    }
    if (liveFailures_ < kSilentFailures) {
        ++liveFailures_;
        return;
    }
    liveFailures_ = 0;
    engine_.showFailure();
    EngineFlags& flags = engine_.flags();
    flags.liveRunning = false;
    flags.uploadPending = false;
    flags.restartPending = false;
    flags.settingsPending = false;
}

}  // namespace tarvo
