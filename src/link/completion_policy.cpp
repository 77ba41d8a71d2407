#include "link/completion_policy.h"

#include <algorithm>
#include <cmath>

namespace tarvo {

namespace {

// A tick of the three-tick rule may come a little early on a busy event loop.
constexpr std::int64_t kCountedTickMs = CompletionPolicy::kReceiveTickMs - 10;
// How often an answer with a declared length is looked at while no byte comes.
constexpr int kStalledTickMs = 10;

}  // namespace

double byteTimeMs(int baudRate, char parity) {
    const int bits = parity == 'n' || parity == 'N' ? 10 : 11;
    return baudRate > 0 ? 1000.0 * bits / baudRate : 1000.0 * bits / 9600;
}

void CompletionPolicy::begin(std::int64_t nowMs, double byteMs, int timeoutMs, bool strict) {
    sentAtMs_ = nowMs;
    byteMs_ = byteMs;
    timeoutMs_ = timeoutMs;
    strict_ = strict;
    takenEarly_ = false;
    lastCountedMs_.reset();
    lastReceived_ = 0;
    grew_ = true;
    rxCount = 0;
}

std::int64_t CompletionPolicy::boundMs(std::size_t largest) const {
    return static_cast<std::int64_t>(std::ceil(2.0 * static_cast<double>(largest) * byteMs_)) +
           timeoutMs_;
}

Completion CompletionPolicy::tick(std::int64_t nowMs, std::size_t received,
                                  std::optional<std::size_t> declared, std::size_t largest,
                                  const std::function<bool()>& passes) {
    grew_ = received != lastReceived_;
    lastReceived_ = received;
    const auto n = static_cast<std::int32_t>(received);
    auto done = [this](Completion c) {
        stableMemo_ = 0;
        rxCount = 0;
        return c;
    };
    if (!strict_ && declared && received > 0 && received == *declared && passes()) {
        takenEarly_ = true;
        return done(Completion::Complete);
    }
    if (received > 0 && nowMs - sentAtMs_ > boundMs(largest)) return done(Completion::Overflow);

    // The three-tick rule. In strict timing every tick is a standard one; otherwise
    // the ticks brought forward for a declared length do not count.
    if (!strict_) {
        if (lastCountedMs_ && nowMs - *lastCountedMs_ < kCountedTickMs) return Completion::NeedMore;
        lastCountedMs_ = nowMs;
    }
    if (n != rxCount || rxCount == 0) {
        rxCount = n;
        return Completion::NeedMore;
    }
    if (stableMemo_ != rxCount || stableMemo_ == 0) {
        stableMemo_ = rxCount;
        return Completion::NeedMore;
    }
    return done(Completion::Complete);
}

int CompletionPolicy::nextTickMs(std::size_t received, std::optional<std::size_t> declared) const {
    if (strict_ || !declared || received >= *declared) return kReceiveTickMs;
    // As soon as the rest can have arrived; while nothing comes (the logger's own
    // latency, a pause in the stream) look again shortly. An answer that stops short
    // of its length is left to the three-tick rule.
    double ms = std::ceil(static_cast<double>(*declared - received) * byteMs_) + 1;
    if (!grew_) ms = std::clamp(ms, 2.0, double{kStalledTickMs});
    return static_cast<int>(std::clamp(ms, 1.0, double{kReceiveTickMs}));
}

int CompletionPolicy::firstTickMs(std::size_t frameBytes, std::size_t expected) const {
    const double ms = std::ceil(static_cast<double>(frameBytes + expected) * byteMs_);
    return static_cast<int>(std::clamp(ms, 1.0, double{kReceiveTickMs}));
}

}  // namespace tarvo
