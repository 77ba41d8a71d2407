#include "link/transaction_engine.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "link/parameter_decoder.h"

namespace tarvo {

namespace {

constexpr int kWatchInterval = 90;
constexpr int kReceiveInterval = 100;
constexpr int kInitialTimeout = 200;
// A command's timeout of 200 ms stands for the standard timeout, OverTime.
constexpr int kStandardTimeout = 200;
// Queues of a resend, whatever the first transmission asked for.
constexpr int kResendInputQueue = 5000;
constexpr int kResendOutputQueue = 500;

constexpr std::string_view kSetupFailed = "串口设置错误!";
constexpr std::string_view kPurgeFailed = "清除输入数据失败!";
constexpr std::string_view kWriteFailed = "数据发送失败!";
constexpr std::string_view kReadFailed = "串口数据接收失败!";
constexpr std::string_view kDecoderFailed = "参数存储失败。请记录仪配置是否正确。";
constexpr std::string_view kClockQuestion = "记录仪时钟有误，是否设置为系统时钟？";
constexpr std::string_view kClockTitle = "时钟设置";
constexpr std::string_view kNoDataStored =
    "记录仪中有可能并未存储数据。如果尚未重启，建议您先重启记录仪；如果已重启，请稍候再下载。";
constexpr std::string_view kNoDataTitle = "存储失败";
constexpr std::string_view kStoreFailed = "数据存储失败。请记录仪配置是否正确。";
constexpr std::string_view kRestartTitle = "重启记录仪";
constexpr std::string_view kSettingsTitle = "设置记录仪";

constexpr int kConnectAnswerLength = 335;
constexpr int kUnknownAnswerLength = 5000;
// The logger's answer to a wrong old SMS password is four bytes long.
constexpr std::size_t kPasswordRefusedLength = 4;

}  // namespace

// Marks the engine as at work. A tick that arrives meanwhile (a message box
// running a nested event loop) is dropped: a handler that shows a message or
// waits holds up the others, and the periodic timers fire again.
class TransactionEngine::Guard {
  public:
    explicit Guard(TransactionEngine& engine) : engine_(engine) { ++engine_.depth_; }
    ~Guard() { --engine_.depth_; }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

  private:
    TransactionEngine& engine_;
};

TransactionEngine::TransactionEngine(TimerService& timers, SerialPort& port, Messenger& messenger,
                                     ProgramSettings& settings, LoggerParameters& loggerParams)
    : timers_(timers),
      port_(port),
      ownMessenger_(messenger),
      messenger_(&messenger),
      settings_(settings),
      params_(loggerParams) {
    timers_.setHandler(this);
    timers_.setInterval(TimerId::Timeout, kInitialTimeout);
    timers_.setInterval(TimerId::Com, kReceiveInterval);
    timers_.setInterval(TimerId::Serial, kWatchInterval);
    timers_.start(TimerId::Serial);
}

TransactionEngine::~TransactionEngine() {
    for (TimerId id : {TimerId::Serial, TimerId::Com, TimerId::Timeout, TimerId::Real}) {
        timers_.stop(id);
    }
    timers_.setHandler(nullptr);
}

void TransactionEngine::setListener(EngineListener* listener) {
    listener_ = listener ? listener : &silent_;
}

void TransactionEngine::setHistoryHandler(HistoryUploadHandler* handler) {
    history_ = handler;
}

void TransactionEngine::setLiveHandler(LiveSampleHandler* handler) {
    live_ = handler;
}

Variant TransactionEngine::variant() const {
    if (heldVariant_) return *heldVariant_;
    return settings_.ConferStyle == 1 ? Variant::XY001 : Variant::XY002;
}

void TransactionEngine::setMessenger(Messenger* messenger) {
    messenger_ = messenger ? messenger : &ownMessenger_;
}

void TransactionEngine::setConnectPolicy(ConnectPolicy policy) {
    policy_ = policy;
    if (policy_.storeVariant) heldVariant_.reset();
}

std::int16_t TransactionEngine::transmissionLimit() const {
    return policy_.transmissions > 0 ? policy_.transmissions : settings_.ResendTime;
}

// A failure is what the operator is warned of, and a logger that holds no data.
Answer TransactionEngine::ResultRelay::show(const Message& message) {
    if (message.buttons == MessageButtons::Ok && engine_.result_.status == ExchangeStatus::Pending) {
        engine_.result_.message = message.text;
        if (message.icon == MessageIcon::Warning || message.icon == MessageIcon::Critical ||
            message.text == kNoDataStored) {
            engine_.result_.status = ExchangeStatus::Failed;
        }
    }
    return engine_.messenger_->show(message);
}

void TransactionEngine::openResult() {
    if (resultOpen_) return;
    resultOpen_ = true;
    result_ = {state_.deviceAddress, ExchangeStatus::Pending, std::nullopt, {}};
}

void TransactionEngine::closeResult() {
    if (!resultOpen_) return;
    resultOpen_ = false;
    if (result_.status == ExchangeStatus::Pending) result_.status = ExchangeStatus::Succeeded;
}

void TransactionEngine::inform(std::string_view text, std::string_view title, MessageIcon icon) {
    relay_.show({std::string(text), std::string(title), icon, MessageButtons::Ok});
}

void TransactionEngine::showFailure() {
    inform(kFailureText, kErrorTitle, MessageIcon::Warning);
}

// ---- operations -------------------------------------------------------------

void TransactionEngine::connectLogger(Variant v) {
    Guard guard(*this);
    // A fresh "XY-002" connect is never part of an "XY-001" probe.
    if (v == Variant::XY002) flags_.probingXY001 = false;
    if (policy_.storeVariant) {
        settings_.ConferStyle = static_cast<std::int16_t>(v);
    } else {
        heldVariant_ = v;
    }
    state_.mode = kModeConnect;
    stopTransaction();
    sendFrame(connectFrame(state_.deviceAddress, v), 1024, 512, kStandardTimeout);
}

void TransactionEngine::connectLogger(int v) {
    connectLogger(v == 1 ? Variant::XY001 : Variant::XY002);
}

void TransactionEngine::connectLogger(int address, Variant v) {
    state_.deviceAddress = address;
    connectLogger(v);
}

void TransactionEngine::setLoggerClock() {
    Guard guard(*this);
    state_.mode = kModeClock;
    sendFrame(clockFrame(state_.deviceAddress, toCivil(params_.loggerClock)), 1024, 512,
              kStandardTimeout);
}

void TransactionEngine::sendParameters() {
    Guard guard(*this);
    state_.mode = kModeWriteParameters;
    const int timeout = params_.deviceType() != 0 ? 6000 : 3000;
    sendFrame(parameterFrame(state_.deviceAddress, params_, timers_.now()), 5000, 500, timeout);
    listener_->showPleaseWait();
}

void TransactionEngine::startExchange(int mode, Bytes frame, int inputQueue, int outputQueue,
                                      int timeoutMs, bool stopFirst) {
    Guard guard(*this);
    if (stopFirst) stopTransaction();
    state_.mode = mode;
    sendFrame(std::move(frame), inputQueue, outputQueue, timeoutMs);
}

// ---- building blocks --------------------------------------------------------

void TransactionEngine::sendFrame(Bytes frame, int inputQueue, int outputQueue, int timeoutMs) {
    Guard guard(*this);
    openResult();
    state_.currentFrame = std::move(frame);

    LineSettings line;
    line.port = settings_.ComPort;
    line.baudRate = settings_.BaudRate;
    line.parity =
        settings_.CheckMode.empty()
            ? 'n'
            : static_cast<char>(std::tolower(static_cast<unsigned char>(settings_.CheckMode[0])));
    line.dataBits = 8;
    line.stopBits = 1;
    line.inputQueue = inputQueue;
    line.outputQueue = outputQueue;
    // A failed open shows nothing itself: it surfaces at the purge and the write.
    const PortOpenResult opened = port_.open(line);
    for (int i = 0; i < opened.failedSetupSteps; ++i) inform(kSetupFailed, {}, MessageIcon::None);
    if (!port_.purgeInput()) inform(kPurgeFailed, {}, MessageIcon::None);
    // A failed write still arms the timeout, which resends or reports.
    if (!port_.write(state_.currentFrame)) inform(kWriteFailed, {}, MessageIcon::None);

    listener_->commandEcho(hexEcho(state_.currentFrame));

    int timeout = timeoutMs == kStandardTimeout ? settings_.OverTime : timeoutMs;
    if (timeout < 1) timeout = 1;  // a timeout of 0 would never end the exchange
    timers_.setInterval(TimerId::Timeout, timeout);
    timers_.start(TimerId::Timeout);
    ++state_.sendCount;
    state_.rxCount = 0;
}

void TransactionEngine::stopTransaction() {
    state_.sendCount = 0;
    state_.rxCount = 0;
    timers_.stop(TimerId::Timeout);
}

void TransactionEngine::endExchange() {
    Guard guard(*this);
    stopTransaction();
    state_.mode = kModeIdle;
    port_.close();
    closeResult();
    listener_->enablingChanged();
    progress(0, 0, 100);
    listener_->statusText({});
}

int TransactionEngine::progress(int value, int minimum, int maximum) {
    if (maximum < minimum) return 1;
    listener_->progress(std::clamp(value, minimum, maximum), minimum, maximum);
    if (state_.mode == kModeConnect) {
        listener_->statusText(std::to_string(value) + "连接...");
    } else if (state_.mode == kModeHistory) {
        listener_->statusText(std::to_string(value) + "上传数据...");
    }
    return 0;
}

// ---- timers -----------------------------------------------------------------

void TransactionEngine::onTimer(TimerId id) {
    if (depth_ > 0) return;
    Guard guard(*this);
    switch (id) {
        case TimerId::Serial:
            arrivalWatch();
            break;
        case TimerId::Com:
            receiveTick();
            break;
        case TimerId::Timeout:
            answerTimeout();
            break;
        case TimerId::Real:
            if (live_) {
                live_->liveTick();
            } else {
                timers_.stop(TimerId::Real);
            }
            break;
    }
}

// A closed port is never polled.
std::int32_t TransactionEngine::waitingBytes() {
    return port_.isOpen() ? std::max<std::int32_t>(0, port_.bytesWaiting()) : 0;
}

// Bytes arriving stop the answer timeout and start the receive tick.
void TransactionEngine::arrivalWatch() {
    if (waitingBytes() == 0) return;
    if (timers_.isActive(TimerId::Timeout)) timers_.stop(TimerId::Timeout);
    if (!timers_.isActive(TimerId::Com)) {
        timers_.setInterval(TimerId::Com, kReceiveInterval);
        timers_.start(TimerId::Com);
    }
}

void TransactionEngine::showReceiveProgress() {
    switch (state_.mode) {
        case kModeConnect:
            progress(state_.rxCount, 0, kConnectAnswerLength);
            break;
        case kModeHistory: {
            // "XY-002" pages are the announced page length plus the 9 framing bytes.
            int length = kUnknownAnswerLength;
            if (variant() == Variant::XY002 &&
                (params_.uploadWord1 == 0 || params_.uploadWord1 == 1)) {
                length = params_.uploadWord3 + 9;
            }
            progress(state_.rxCount, 0, length);
            break;
        }
        default:
            progress(0, 0, 100);
            break;
    }
}

// The answer is complete when the input count is non-zero and the same on three
// successive ticks.
void TransactionEngine::receiveTick() {
    const std::int32_t n = waitingBytes();
    if (n != state_.rxCount || state_.rxCount == 0) {
        state_.rxCount = n;
        showReceiveProgress();
        return;
    }
    if (state_.stableMemo != state_.rxCount || state_.stableMemo == 0) {
        state_.stableMemo = state_.rxCount;
        return;
    }
    state_.stableMemo = 0;
    timers_.stop(TimerId::Com);
    // Read the whole answer, however large. After a failed read the answer is
    // what did arrive, and it is tested as it stands.
    Bytes answer;
    if (!port_.read(static_cast<std::size_t>(n), answer))
        inform(kReadFailed, {}, MessageIcon::None);
    if (answer.size() > static_cast<std::size_t>(n)) answer.resize(static_cast<std::size_t>(n));
    state_.rxCount = 0;
    dispatch(answer);
}

void TransactionEngine::answerTimeout() {
    if (state_.mode == kModeIdle) {
        // The exchange was abandoned (live sampling switched off): nothing awaits
        // an answer any more, so the port closes too.
        stopTransaction();
        port_.close();
        return;
    }
    const std::int32_t n = waitingBytes();
    if (n > 0 && state_.rxCount < n) {  // the answer is still coming
        state_.rxCount = n;
        return;
    }
    state_.rxCount = 0;
    if (state_.sendCount < transmissionLimit()) {
        // The parameter write carries the time it is sent.
        if (state_.mode == kModeWriteParameters)
            restampParameterFrame(state_.currentFrame, timers_.now());
        sendFrame(state_.currentFrame, kResendInputQueue, kResendOutputQueue,
                  timers_.interval(TimerId::Timeout));
        return;
    }
    stopTransaction();
    port_.close();
    listener_->closePleaseWait();
    if (state_.mode == kModeLive) {
        if (live_) {
            live_->liveTimedOut();
        } else {
            showFailure();
        }
    } else if (state_.mode == kModeConnect) {
        if (connectFailed()) return;
    } else {
        showFailure();
        abandonPending();
        if (state_.mode == kModeHistory && history_) history_->historyTimedOut();
    }
    state_.mode = kModeIdle;
    closeResult();
    listener_->enablingChanged();
}

// ---- failures ---------------------------------------------------------------

void TransactionEngine::retryOrFail() {
    if (state_.sendCount < transmissionLimit()) {
        sendFrame(state_.currentFrame, kResendInputQueue, kResendOutputQueue,
                  timers_.interval(TimerId::Timeout));
        return;
    }
    stopTransaction();
    port_.close();
    listener_->closePleaseWait();
    if (state_.mode == kModeConnect) {
        if (connectFailed()) return;
    } else {
        showFailure();
        abandonPending();
    }
    state_.mode = kModeIdle;
    closeResult();
    listener_->statusText({});
    // Recomputed once the exchange is over, so the commands come back.
    listener_->enablingChanged();
}

bool TransactionEngine::connectFailed() {
    if (flags_.probingXY001) {
        if (policy_.storeVariant) {
            settings_.ConferStyle = 2;
        } else {
            heldVariant_ = Variant::XY002;
        }
        flags_.probingXY001 = false;
    } else if (variant() == Variant::XY002 && policy_.fallBack) {
        // An older logger may speak only "XY-001": try it without a word.
        connectLogger(Variant::XY001);
        flags_.probingXY001 = true;
        return true;
    } else {
        flags_.probingXY001 = false;
    }
    showFailure();
    abandonPending();
    return false;
}

void TransactionEngine::decoderFailed() {
    inform(kDecoderFailed, kErrorTitle, MessageIcon::Warning);
    abandonPending();
    endExchange();
}

// An exchange failed for good: what waited for it will not happen, and must not
// be reported by a later, unrelated success (a later connect would announce a
// restart, a later clock command would write the parameters).
void TransactionEngine::abandonPending() {
    if (flags_.uploadPending && history_) history_->dropPages();
    flags_.uploadPending = false;
    flags_.restartPending = false;
    flags_.settingsPending = false;
    flags_.clockThenWrite = false;
    state_.stopIssued = 0;
}

// ---- dispatch ---------------------------------------------------------------

void TransactionEngine::dispatch(ByteView answer) {
    const int mode = state_.mode;
    const Variant v = variant();
    const bool accepted = answerAccepted(mode, v, params_.deviceType(), answer);
    switch (mode) {
        case kModeConnect:
            if (!accepted) return retryOrFail();
            if (v == Variant::XY001) {
                if (!decodeXY001Block1(answer, params_, timers_.now())) return decoderFailed();
                flags_.probingXY001 = false;
                // The second block is an exchange of its own, with its own resends.
                state_.mode = kModeSecondBlock;
                stopTransaction();
                sendFrame(secondBlockFrame(state_.deviceAddress), 1024, 512, kStandardTimeout);
                return;
            }
            if (!decodeXY002(answer, params_)) return decoderFailed();
            return parametersRead(Variant::XY002, answer);
        case kModeSecondBlock:
            if (!accepted) return retryOrFail();
            if (!decodeXY001Block2(answer, params_)) return decoderFailed();
            return parametersRead(Variant::XY001, answer);
        case kModeHistory:
            if (!history_) return endExchange();
            if (!history_->historyAnswer(answer)) retryOrFail();
            return;
        case kModeLive:
            if (!accepted) return retryOrFail();
            if (live_) live_->liveAnswer(answer);
            return endExchange();
        case kModeWriteParameters:
            if (!accepted) return retryOrFail();
            flags_.restartPending = false;
            // The logger restarts before it can be read again; older firmware takes longer.
            timers_.sleep(firmwareAfterFeb2005(params_) ? 500 : 4000);
            flags_.restartPending = true;
            connectLogger(Variant::XY002);
            listener_->closePleaseWait();
            return;
        case kModeSettings:
            if (!accepted) return retryOrFail();
            timers_.sleep(100);
            flags_.settingsPending = true;
            connectLogger(Variant::XY002);
            return;
        case kModeClock:
            if (!accepted) return retryOrFail();
            listener_->loggerClockChanged(params_.loggerClock);
            if (flags_.clockThenWrite) {
                flags_.clockThenWrite = false;
                stopTransaction();
                state_.mode = kModeIdle;
                sendParameters();
                return;
            }
            return endExchange();
        case kModeSmsNumbers:
            if (!accepted) return retryOrFail();
            state_.mode = kModeIdle;
            inform(kPhonesDone, {}, MessageIcon::None);
            return endExchange();
        case kModeSmsPassword:
            // Any answer ends this exchange; its length tells the outcome.
            state_.mode = kModeIdle;
            inform(answer.size() == kPasswordRefusedLength ? kOldPasswordWrong : kPasswordDone, {},
                   MessageIcon::None);
            return endExchange();
        default:
            // Nothing is pending (or nobody knows the mode): drop the answer.
            return endExchange();
    }
}

void TransactionEngine::parametersRead(Variant v, ByteView answer) {
    bool setClock = false;
    if (loggerClockWrong(params_, v, timers_.now())) {
        const Answer reply = relay_.show({std::string(kClockQuestion), std::string(kClockTitle),
                                              MessageIcon::Question, MessageButtons::YesNo});
        if (reply == Answer::Yes) {
            params_.loggerClock = timers_.now();
            setClock = true;
        }
    }

    result_.variant = v;
    flags_.paramsAvailable = true;
    flags_.connected = true;
    flags_.uploadDone = false;
    flags_.settingsChanged = false;
    listener_->liveWindowReset();

    enum class Report { Upload, Restart, Settings, None };
    const Report report = flags_.uploadPending     ? Report::Upload
                          : flags_.restartPending  ? Report::Restart
                          : flags_.settingsPending ? Report::Settings
                                                   : Report::None;
    // A successful stop leaves the logger stopped; show it so in the list.
    if (report == Report::Settings && state_.stopIssued == 1) {
        state_.stopIssued = 0;
        params_.workStatus = kWorkStopped;
    }
    listener_->parametersRead();

    switch (report) {
        case Report::Upload:
            flags_.uploadPending = false;
            if (history_) {
                if (history_->showUploadedHistory()) {
                    flags_.uploadDone = true;
                } else if (answer.size() < 10) {
                    inform(kNoDataStored, kNoDataTitle, MessageIcon::Information);
                } else {
                    inform(kStoreFailed, kErrorTitle, MessageIcon::Warning);
                }
                history_->dropPages();
            }
            endExchange();
            break;
        case Report::Restart:
            flags_.restartPending = false;
            inform(kRestartDone, kRestartTitle, MessageIcon::Information);
            flags_.connected = false;
            flags_.uploadDone = false;
            flags_.settingsChanged = false;
            endExchange();
            break;
        case Report::Settings:
            flags_.settingsPending = false;
            flags_.settingsChanged = true;
            inform(kSettingsDone, kSettingsTitle, MessageIcon::Information);
            endExchange();
            break;
        case Report::None:
            if (v == Variant::XY002) {
                // The closing frame is not answered: send it and end at once.
                stopTransaction();
                sendFrame(closingFrame(), 1024, 512, kStandardTimeout);
            }
            endExchange();
            break;
    }

    // The clock goes last, as an exchange of its own once the read is over.
    if (setClock) setLoggerClock();
}

}  // namespace tarvo
