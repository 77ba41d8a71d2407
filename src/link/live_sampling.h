#pragma once
// Live sampling: the one-second live clock (TimerReal) asks the logger for its
// current channel values every RealInterval seconds and hands every answer over to
// the live window (through LiveSampleSink: the link knows no document).
//
// Request:  23 A1 A2 FF 39 66                       (mode 9, timeout 800 ms)
// Answer:   3C A1 A2 FF 39 n {four-byte single, least significant byte first} 66
//
// Timing: starting sets liveCountdown to RealInterval, so the first request goes out
// on the first tick, one second after the start, and then one every RealInterval
// seconds. A request that falls due while another exchange is pending (a connect, an
// upload, a restart's reconnect, or the previous live request still being resent)
// waits for the line instead of taking it over: it goes out on the first tick that
// finds the engine idle, and the period counts on from there. So live sampling never
// breaks another operation's chain of exchanges.
//
// Failures: a live request that stays unanswered after its last transmission counts
// in liveFailures, silently, eleven times; the twelfth shows the failure message and
// stops sampling (the count then starts again at 0). A success does not reset it.

#include <cstdint>

#include "core/bytes.h"
#include "core/date_time.h"
#include "link/engine_listener.h"

namespace tarvo {

class TransactionEngine;

// Receives the accepted live answers.
class LiveSampleSink {
  public:
    virtual ~LiveSampleSink() = default;
    // A whole live answer (3C … 66) received at `now`: the live window appends it
    // (restoreRealData) and then stores it in the daily file (SaveData).
    virtual void liveSample(ByteView answer, DateTime now) = 0;
};

class LiveSampling : public LiveSampleHandler {
  public:
    // Becomes the engine's live handler; the engine and the sink outlive it.
    LiveSampling(TransactionEngine& engine, LiveSampleSink& sink);
    ~LiveSampling() override;
    LiveSampling(const LiveSampling&) = delete;
    LiveSampling& operator=(const LiveSampling&) = delete;

    // "开始读取实时数据(&A)": starts the one-second live clock and sets liveRunning.
    // Requests go to the engine's device address at the time they are sent (the
    // command stores the selected address first). Returns false, doing nothing, while
    // sampling runs or the live clock is still on; on true the caller shows the live
    // window and brings it to the front.
    bool start();

    // "停止读取实时数据(&E)": stops the live clock and clears liveRunning. A live request
    // still pending is abandoned (mode 0); any other pending exchange goes on.
    void stop();

    bool running() const;
    std::int32_t liveCountdown() const { return liveCountdown_; }
    std::int16_t liveFailures() const { return liveFailures_; }
    // Live requests sent since construction (first transmissions only, not resends).
    std::int64_t requestsSent() const { return requestsSent_; }

    void liveAnswer(ByteView answer) override;
    void liveTimedOut() override;
    void liveTick() override;

  private:
    TransactionEngine& engine_;
    LiveSampleSink& sink_;
    std::int32_t liveCountdown_ = 0;
    std::int16_t liveFailures_ = 0;
    std::int64_t requestsSent_ = 0;
};

}  // namespace tarvo
