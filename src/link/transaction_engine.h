#pragma once
// One exchange with a logger at a time: a command frame is sent, the answer is
// gathered from the input queue until it is complete (CompletionPolicy), tested, and
// handed to the handler of the pending operation (`mode`). A missing or bad answer is resent up
// to ResendTime transmissions in all, then reported. Operations chain by starting
// the next exchange from the handler of the previous one.
//
// Everything is driven by the four timers of TimerService on one thread: the
// 90 ms arrival watcher (Serial), the 100 ms receive tick (Com), the answer
// timeout (Timeout) and the 1 s live clock (Real). The engine talks to the line
// only through SerialPort, to the operator only through Messenger, and to the
// windows only through EngineListener.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/logger_parameters.h"
#include "core/messenger.h"
#include "core/settings.h"
#include "link/answer_profile.h"
#include "link/completion_policy.h"
#include "link/engine_listener.h"
#include "link/frames.h"
#include "link/serial_port.h"
#include "link/timer_service.h"

namespace tarvo {

inline constexpr std::string_view kFailureText = "操作失败。请检查串口设置和硬件连接是否正常。";
inline constexpr std::string_view kErrorTitle = "错误";
// What the reconnect or the answer of a command reports.
inline constexpr std::string_view kRestartDone = "重启记录仪成功！";
inline constexpr std::string_view kSettingsDone = "设置记录仪成功！";
inline constexpr std::string_view kPhonesDone = "手机号码设置成功！";
inline constexpr std::string_view kOldPasswordWrong = "短信旧密码不正确!";
inline constexpr std::string_view kPasswordDone = "密码设置成功!";

// Process-wide flags read by the command enabling. The pending ones (upload,
// restart, settings, clockThenWrite) are cleared when consumed and whenever an
// exchange finally fails, so that no later success reports them.
struct EngineFlags {
    bool paramsAvailable = false;  // a parameter read succeeded
    bool connected = false;        // a parameter read succeeded, no restart since
    bool uploadDone = false;       // an uploaded history window is shown
    bool settingsChanged = false;  // stop, power mode or reset succeeded
    bool uploadPending = false;    // the upload waits for a parameter read to show its window
    bool restartPending = false;   // parameter write acknowledged, reconnecting
    bool settingsPending = false;  // stop, power mode or reset acknowledged, reconnecting
    bool probingXY001 = false;     // a failed "XY-002" connect is retried as "XY-001"
    bool clockThenWrite = false;   // the clock goes first, then the parameter write
    bool liveRunning = false;      // live sampling on
};

struct TransactionState {
    Bytes currentFrame;           // the last frame sent; a resend sends it again
    int mode = kModeIdle;         // code of the pending operation, 0 = idle
    std::int16_t sendCount = 0;   // transmissions of the current frame so far
    int deviceAddress = 1;        // 1 to 100, taken when a command is chosen
    int stopIssued = 0;           // 1 after the stop command, until its success is reported
};

// How an exchange (with the exchanges it chains) ended for the logger it was for.
enum class ExchangeStatus { None, Pending, Succeeded, Failed };

struct ExchangeResult {
    int address = 0;
    ExchangeStatus status = ExchangeStatus::None;
    std::optional<Variant> variant;  // the variant the logger's parameters were read in
    std::string message;             // the last message shown (the failure's, on failure)
};

// How connects behave. The window's: a failed "XY-002" is retried as "XY-001" and the
// variant that was used is stored in ConferStyle. Work over many loggers holds the
// variant for the exchange only and may send each frame just once.
struct ConnectPolicy {
    bool fallBack = true;
    bool storeVariant = true;
    std::int16_t transmissions = 0;  // 0: ResendTime
};

class TransactionEngine : public TimerHandler {
  public:
    // Takes over the timers (it becomes their handler and starts the arrival
    // watcher); destroying the engine stops them and detaches it, so one engine
    // drives a TimerService at a time. `settings` and `loggerParams` belong to the
    // caller and outlive the engine.
    TransactionEngine(TimerService& timers, SerialPort& port, Messenger& messenger,
                      ProgramSettings& settings, LoggerParameters& loggerParams);
    ~TransactionEngine() override;
    TransactionEngine(const TransactionEngine&) = delete;
    TransactionEngine& operator=(const TransactionEngine&) = delete;

    // nullptr: nobody listens (the default).
    void setListener(EngineListener* listener);
    // Without a handler the answers of its mode end the exchange unused.
    void setHistoryHandler(HistoryUploadHandler* handler);
    HistoryUploadHandler* historyHandler() const { return history_; }
    void setLiveHandler(LiveSampleHandler* handler);

    // Where questions and messages go from now on (nullptr: the constructor's
    // messenger). Every message still passes through messenger(), which keeps the
    // exchange's result.
    void setMessenger(Messenger* messenger);
    void setConnectPolicy(ConnectPolicy policy);
    const ConnectPolicy& connectPolicy() const { return policy_; }
    // The result of the exchange under way, or of the last one once it ended.
    const ExchangeResult& result() const { return result_; }

    // Operations.
    // Reads the logger's parameters. Stores the variant in ConferStyle (unless the
    // connect policy holds it for the exchange only).
    void connectLogger(Variant variant);
    // Reads the parameters of the logger at `address` in `variant`.
    void connectLogger(int address, Variant variant);
    // 1 is "XY-001"; any other value is taken as "XY-002".
    void connectLogger(int variant);
    // Sends loggerParams.loggerClock to the logger (mode 31).
    void setLoggerClock();
    // Writes loggerParams into the logger, which restarts with them (mode 17), and
    // brings up the please-wait window.
    void sendParameters();
    // Starts an exchange of `mode` with the queues and timeout of its profile:
    // optionally resets the counters first, then sends.
    void startExchange(int mode, Bytes frame, bool stopFirst);
    // The same with the queues and timeout given.
    void startExchange(int mode, Bytes frame, int inputQueue, int outputQueue, int timeoutMs,
                       bool stopFirst);

    // Building blocks for the operations' handlers.
    // Opens the port, purges, writes, echoes, arms the answer timeout (a timeout
    // of 200 means OverTime) and counts the transmission. The frame becomes
    // currentFrame.
    void sendFrame(Bytes frame, int inputQueue, int outputQueue, int timeoutMs);
    // Counters to 0, the answer timeout and the receive tick off; mode and port stay.
    void stopTransaction();
    // stopTransaction, mode 0, port closed, enabling, progress and status cleared.
    void endExchange();
    // The progress strip; 1 when maximum < minimum (nothing shown), else 0.
    int progress(int value, int minimum, int maximum);
    // "操作失败。请检查串口设置和硬件连接是否正常。"
    void showFailure();
    enum class GiveUp {
        Unanswered,  // the last transmission went unanswered (or brought only bad pages)
        BadAnswer,   // the last transmission's answer failed its test
    };
    // The exchange failed for good: the port closes, the operation hears of it (a
    // connect may still go on with "XY-001"), the failure is reported and the
    // engine is idle again.
    void giveUp(GiveUp cause);

    const TransactionState& state() const { return state_; }
    int mode() const { return state_.mode; }
    void setMode(int mode) { state_.mode = mode; }
    bool busy() const { return state_.mode != kModeIdle; }
    int deviceAddress() const { return state_.deviceAddress; }
    void setDeviceAddress(int address) { state_.deviceAddress = address; }
    int stopIssued() const { return state_.stopIssued; }
    void setStopIssued(int value) { state_.stopIssued = value; }
    EngineFlags& flags() { return flags_; }
    const EngineFlags& flags() const { return flags_; }
    // The protocol variant in use (ConferStyle).
    Variant variant() const;
    // Answers are taken by the three-tick rule only: StrictTiming is set, or bytes
    // trailed an answer taken early in this exchange.
    bool strictTiming() const { return settings_.StrictTiming != 0 || strictFallback_; }

    ProgramSettings& settings() { return settings_; }
    LoggerParameters& loggerParams() { return params_; }
    TimerService& timers() { return timers_; }
    SerialPort& port() { return port_; }
    Messenger& messenger() { return relay_; }
    EngineListener& listener() { return *listener_; }

    void onTimer(TimerId id) override;

  private:
    class Guard;
    // Passes messages on and keeps the exchange's result up to date.
    class ResultRelay : public Messenger {
      public:
        explicit ResultRelay(TransactionEngine& engine) : engine_(engine) {}
        Answer show(const Message& message) override;

      private:
        TransactionEngine& engine_;
    };

    std::int16_t transmissionLimit() const;
    void openResult();
    void closeResult();

    std::int32_t waitingBytes();
    AnswerContext answerContext() const { return {variant(), params_}; }
    // Opens the port with the stored line settings, reporting what is wrong with them.
    // True when the port opened.
    bool openLine(int inputQueue, int outputQueue);
    void arrivalWatch();
    void receiveTick();
    void answerTimeout();
    void showReceiveProgress(std::size_t received, std::optional<std::size_t> declared);
    void dispatch(ByteView answer);
    // No exchange is pending any more.
    void becomeIdle();
    void retryOrFail();
    // The final failure of a connect. True when the "XY-001" retry took over.
    bool connectFailed();
    void decoderFailed();
    void abandonPending();
    // After a successful parameter read: the clock check, the flags, the pending
    // operation's report, and the set-clock exchange when the operator wants it.
    void parametersRead(Variant variant, ByteView answer);
    void inform(std::string_view text, std::string_view title, MessageIcon icon);

    TimerService& timers_;
    SerialPort& port_;
    Messenger& ownMessenger_;
    Messenger* messenger_;
    ResultRelay relay_{*this};
    ConnectPolicy policy_;
    std::optional<Variant> heldVariant_;
    ExchangeResult result_;
    bool resultOpen_ = false;
    ProgramSettings& settings_;
    LoggerParameters& params_;
    EngineListener silent_;
    EngineListener* listener_ = &silent_;
    HistoryUploadHandler* history_ = nullptr;
    LiveSampleHandler* live_ = nullptr;
    TransactionState state_;
    EngineFlags flags_;
    CompletionPolicy completion_;
    Bytes received_;               // the answer gathered so far
    bool strictFallback_ = false;  // bytes trailed an answer taken early in this exchange
    int depth_ = 0;  // > 0 while the engine is at work; ticks arriving meanwhile are dropped
};

}  // namespace tarvo
