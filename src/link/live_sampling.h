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
//
// A port that vanishes (a USB adapter unplugged): a request that falls due, or goes
// unanswered, while the device is not there puts sampling into waiting. That is said
// once (kPortLostText in the status bar and the command echo); no request goes out,
// the samples so far stay, and every tick looks for the device. When it is back, the
// logger at the address is asked for its parameters (mode 36): the same logger (the
// same model and texts as when sampling started) resumes sampling, with a request on
// the next tick; a different one stops it with kOtherLoggerText. A question left
// unanswered is asked again on the next tick.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/date_time.h"
#include "link/engine_listener.h"

namespace tarvo {

class TransactionEngine;

inline constexpr std::string_view kPortLostText = "串口已断开，正在等待重新连接…";
inline constexpr std::string_view kOtherLoggerText =
    "重新连接后串口上的记录仪已不是原来的记录仪，实时数据读取已停止。";

// What tells one logger from another across a reconnect.
struct LoggerIdentity {
    std::int16_t modelCode = 0;
    std::string modelPassword;
    std::string userName;
    std::string title;
    bool operator==(const LoggerIdentity&) const = default;
};

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
    // A request lost with its port does not count: it is asked again once the port
    // is back.
    std::int64_t requestsSent() const { return requestsSent_; }

    void liveAnswer(ByteView answer) override;
    void liveTimedOut() override;
    void liveTick() override;
    void identityAnswer(ByteView answer) override;
    void identityUnanswered() override {}

    // Sampling waits for its port to come back.
    bool waitingForPort() const { return waitingForPort_; }

  private:
    void waitForPort();
    bool portPresent();

    TransactionEngine& engine_;
    LiveSampleSink& sink_;
    std::int32_t liveCountdown_ = 0;
    std::int16_t liveFailures_ = 0;
    std::int64_t requestsSent_ = 0;
    bool waitingForPort_ = false;
    std::optional<LoggerIdentity> identity_;  // of the logger sampling started with
};

}  // namespace tarvo
