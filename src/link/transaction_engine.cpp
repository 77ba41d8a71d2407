#include "link/transaction_engine.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "link/parameter_decoder.h"
#include "link/engine_messages.h"

namespace tarvo {

namespace {

constexpr int kWatchInterval = 90;
constexpr int kReceiveInterval = CompletionPolicy::kReceiveTickMs;
constexpr int kInitialTimeout = 200;
// Queues of a resend, whatever the first transmission asked for.
constexpr int kResendInputQueue = 5000;
constexpr int kResendOutputQueue = 500;

constexpr std::string_view kSetupFailed = kPortSetupFailed;
constexpr std::string_view kPurgeFailed = kPortPurgeFailed;
constexpr std::string_view kWriteFailed = kPortWriteFailed;
constexpr std::string_view kReadFailed = kPortReadFailed;
constexpr std::string_view kDecoderFailed = "参数存储失败。请记录仪配置是否正确。";
constexpr std::string_view kClockTitle = "时钟设置";
constexpr std::string_view kNoDataStored =
    "记录仪中有可能并未存储数据。如果尚未重启，建议您先重启记录仪；如果已重启，请稍候再下载。";
constexpr std::string_view kNoDataTitle = "存储失败";
constexpr std::string_view kStoreFailed = "数据存储失败。请记录仪配置是否正确。";
constexpr std::string_view kRestartTitle = "重启记录仪";
constexpr std::string_view kSettingsTitle = "设置记录仪";

// Said in the command echo when the engine stops taking answers early.
constexpr std::string_view kFallbackNote = "（应答后仍有数据到达，本次通信改为严格按时序接收）";
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
    startExchange(kModeConnect, connectFrame(state_.deviceAddress, v), true);
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
    startExchange(kModeClock, clockFrame(state_.deviceAddress, toCivil(params_.loggerClock)),
                  false);
}

void TransactionEngine::sendParameters() {
    Guard guard(*this);
    startExchange(kModeWriteParameters,
                  parameterFrame(state_.deviceAddress, params_, timers_.now()), false);
    listener_->showPleaseWait();
}

void TransactionEngine::startExchange(int mode, Bytes frame, bool stopFirst) {
    const ModeProfile* profile = modeProfile(mode);
    if (!profile) return;
    const AnswerContext context = answerContext();
    startExchange(mode, std::move(frame), inputQueueOf(*profile, context), profile->outputQueue,
                  timeoutOf(*profile, context), stopFirst);
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

    // Bytes that trail an answer taken early (before the purge below drops them) say
    // this logger's answers are not what their length declares: for the rest of the
    // exchange they are taken by the three-tick rule.
    bool fellBack = false;
    if (completion_.takenEarly() && !strictFallback_ && waitingBytes() > 0) {
        strictFallback_ = true;
        fellBack = true;
    }

    const bool opened = openLine(inputQueue, outputQueue);
    // Live sampling reports a vanished device itself, once: its requests say nothing
    // of the purge and the write that fail without it.
    const bool quiet = !opened && (state_.mode == kModeLive || state_.mode == kModeIdentify) &&
                       !port_.present(settings_.ComPort);
    if (!port_.purgeInput() && !quiet) inform(kPurgeFailed, {}, MessageIcon::None);
    // A failed write still arms the timeout, which resends or reports.
    if (!port_.write(state_.currentFrame) && !quiet) inform(kWriteFailed, {}, MessageIcon::None);

    std::string echo = hexEcho(state_.currentFrame);
    if (fellBack) echo += kFallbackNote;
    listener_->commandEcho(echo);

    int timeout = timeoutMs == kStandardTimeout ? settings_.OverTime : timeoutMs;
    if (timeout < 1) timeout = 1;  // a timeout of 0 would never end the exchange
    timers_.setInterval(TimerId::Timeout, timeout);
    timers_.start(TimerId::Timeout);
    ++state_.sendCount;
    received_.clear();
    const char parity = parityLetter(settings_.CheckMode).value_or('n');
    completion_.begin(timers_.elapsedMs(), byteTimeMs(settings_.BaudRate, parity), timeout,
                      strictTiming());
    // An answer of known length is looked at as soon as it can be whole; any other
    // waits for the arrival watcher.
    timers_.stop(TimerId::Com);
    if (!strictTiming()) {
        if (const auto expected = declaredLengthOf(state_.mode, answerContext(), {})) {
            timers_.setInterval(TimerId::Com,
                                completion_.firstTickMs(state_.currentFrame.size(), *expected));
            timers_.start(TimerId::Com);
        }
    }
}

bool TransactionEngine::openLine(int inputQueue, int outputQueue) {
    const std::optional<char> parity = parityLetter(settings_.CheckMode);
    const bool portNamed = isPortName(settings_.ComPort);
    // A bad parity letter, port name or line speed is reported once; the
    // transmission goes on (without a port it fails at the purge and the write).
    if (!parity || !portNamed || !isLineSpeed(settings_.BaudRate)) {
        inform(kSetupFailed, {}, MessageIcon::None);
    }
    if (!portNamed) {
        port_.close();
        return false;
    }
    LineSettings line;
    line.port = settings_.ComPort;
    line.baudRate = settings_.BaudRate;
    line.parity = parity.value_or('n');
    line.dataBits = 8;
    line.stopBits = 1;
    line.inputQueue = inputQueue;
    line.outputQueue = outputQueue;
    // A failed open shows nothing itself: it surfaces at the purge and the write.
    const PortOpenResult opened = port_.open(line);
    for (int i = 0; i < opened.failedSetupSteps; ++i) inform(kSetupFailed, {}, MessageIcon::None);
    return opened.opened;
}

void TransactionEngine::stopTransaction() {
    state_.sendCount = 0;
    completion_.rxCount = 0;
    timers_.stop(TimerId::Timeout);
    timers_.stop(TimerId::Com);
}

void TransactionEngine::becomeIdle() {
    state_.mode = kModeIdle;
    strictFallback_ = false;
    received_.clear();
}

void TransactionEngine::endExchange() {
    Guard guard(*this);
    stopTransaction();
    becomeIdle();
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

// The progress strip counts the answer of a connect or an upload against its
// declared length (or its largest, while that is not known); other modes show none.
void TransactionEngine::showReceiveProgress(std::size_t received,
                                            std::optional<std::size_t> declared) {
    if (state_.mode != kModeConnect && state_.mode != kModeHistory) {
        progress(0, 0, 100);
        return;
    }
    const std::size_t length = declared.value_or(largestLengthOf(state_.mode, answerContext()));
    progress(static_cast<int>(received), 0, static_cast<int>(length));
}

// Gathers what has arrived and asks the completion policy whether the answer is
// whole. The answer is read whole, however large; after a failed read it is what
// did arrive, and it is tested as it stands.
void TransactionEngine::receiveTick() {
    const std::size_t before = received_.size();
    const std::int32_t waiting = waitingBytes();
    bool readFailed = false;
    if (waiting > 0) {
        readFailed = !port_.read(static_cast<std::size_t>(waiting), received_);
        if (received_.size() > before + static_cast<std::size_t>(waiting)) {
            received_.resize(before + static_cast<std::size_t>(waiting));
        }
        // Bytes arriving stop the answer timeout (the watcher's job, done here too
        // when the answer is looked at sooner).
        timers_.stop(TimerId::Timeout);
    }
    const AnswerContext context = answerContext();
    const std::size_t n = received_.size();
    const auto declared = declaredLengthOf(state_.mode, context, received_);
    Completion verdict = Completion::Complete;
    if (readFailed) {
        inform(kReadFailed, {}, MessageIcon::None);
    } else {
        const std::size_t largest = std::max(declared.value_or(0), largestLengthOf(state_.mode, context));
        verdict = completion_.tick(timers_.elapsedMs(), n, declared, largest, [&] {
            return answerAccepted(state_.mode, context.variant, params_.deviceType(), received_);
        });
    }
    if (n != before) showReceiveProgress(n, declared);
    if (verdict == Completion::NeedMore) {
        if (!strictTiming()) timers_.setInterval(TimerId::Com, completion_.nextTickMs(n, declared));
        return;
    }
    timers_.stop(TimerId::Com);
    const Bytes answer = std::move(received_);
    received_.clear();
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
    const auto n = static_cast<std::int32_t>(received_.size()) + waitingBytes();
    if (n > 0 && completion_.rxCount < n) {  // the answer is still coming
        completion_.rxCount = n;
        return;
    }
    completion_.rxCount = 0;
    if (state_.sendCount < transmissionLimit()) {
        // The parameter write carries the time it is sent.
        if (state_.mode == kModeWriteParameters)
            restampParameterFrame(state_.currentFrame, timers_.now());
        sendFrame(state_.currentFrame, kResendInputQueue, kResendOutputQueue,
                  timers_.interval(TimerId::Timeout));
        return;
    }
    giveUp(GiveUp::Unanswered);
}

// ---- failures ---------------------------------------------------------------

void TransactionEngine::retryOrFail() {
    if (state_.sendCount < transmissionLimit()) {
        sendFrame(state_.currentFrame, kResendInputQueue, kResendOutputQueue,
                  timers_.interval(TimerId::Timeout));
        return;
    }
    giveUp(GiveUp::BadAnswer);
}

void TransactionEngine::giveUp(GiveUp cause) {
    Guard guard(*this);
    stopTransaction();
    port_.close();
    listener_->closePleaseWait();
    if (state_.mode == kModeConnect) {
        if (connectFailed()) return;
    } else if (state_.mode == kModeLive && cause == GiveUp::Unanswered && live_) {
        // Live sampling tolerates some silence and decides itself what to say.
        live_->liveTimedOut();
    } else if (state_.mode == kModeIdentify) {
        // Live sampling asks again on its next tick.
        becomeIdle();
        if (live_) live_->identityUnanswered();
    } else {
        showFailure();
        abandonPending();
        // What did arrive of an upload is kept.
        if (state_.mode == kModeHistory && cause == GiveUp::Unanswered && history_) {
            history_->historyTimedOut();
        }
    }
    becomeIdle();
    closeResult();
    progress(0, 0, 100);
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
                startExchange(kModeSecondBlock, secondBlockFrame(state_.deviceAddress), true);
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
        case kModeIdentify: {
            if (!accepted) return retryOrFail();
            const Bytes copy(answer.begin(), answer.end());
            endExchange();
            if (live_) live_->identityAnswer(copy);
            return;
        }
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
