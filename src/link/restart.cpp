#include "link/restart.h"

#include <algorithm>
#include <limits>

#include "core/messenger.h"
#include "link/transaction_engine.h"

namespace tarvo {

namespace {

// The check lines, spaces as the operator has always seen them.
constexpr std::string_view kStartModeLine = "启动方式      为     立即停止     ";
constexpr std::string_view kTimedStartPastLine = "定时启动时间     小于     系统时间     ";
constexpr std::string_view kTimedStopPastLine = "定时停机时间     小于     系统时间     ";
constexpr std::string_view kStopCountLine = "停止次数     大于     总空间     ";
constexpr std::string_view kStartAfterStopLine = "定时启动时间     大于     定时停机时间     ";
constexpr std::string_view kAlarmHighText = "通道报警上限";
constexpr std::string_view kAlarmLowText = "     小于      通道报警下限";

bool startModeValid(const LoggerParameters& p) {
    return p.startMode >= kStartImmediately && p.startMode <= kStartManual;
}
bool timedStart(const LoggerParameters& p) {
    return p.startMode == kStartTimed;
}
bool timedStop(const LoggerParameters& p) {
    return (p.stopMode & kStopTimed) != 0;
}
bool byCount(const LoggerParameters& p) {
    return (p.stopMode & kStopByCount) != 0;
}

std::string line(std::string_view text) {
    return std::string(text) + '\r';
}

}  // namespace

std::vector<std::string> restartCheckLines(const LoggerParameters& p, DateTime now) {
    std::vector<std::string> lines;
    if (!startModeValid(p)) lines.push_back(line(kStartModeLine));
    if (timedStart(p) && p.timedStartTime < now) lines.push_back(line(kTimedStartPastLine));
    if (timedStop(p) && p.timedStopTime < now) lines.push_back(line(kTimedStopPastLine));
    if (byCount(p) && p.stopCount > p.totalSpace) lines.push_back(line(kStopCountLine));
    if (timedStart(p) && timedStop(p) && p.timedStartTime >= p.timedStopTime) {
        lines.push_back(line(kStartAfterStopLine));
    }
    for (int i = 0; i < kChannelCount; ++i) {
        const auto c = static_cast<std::size_t>(i);
        if (p.alarmEnabled(i) && p.alarmLow[c] >= p.alarmHigh[c]) {
            lines.push_back(std::string(kAlarmHighText) + std::to_string(i) +
                            std::string(kAlarmLowText) + std::to_string(i) + '\r');
        }
    }
    return lines;
}

void applyRestartDefaults(LoggerParameters& p, DateTime now) {
    if (!startModeValid(p)) p.startMode = kStartImmediately;
    if (timedStart(p) && p.timedStartTime < now) p.timedStartTime = now + p.interval;
    if (timedStop(p) && p.timedStopTime < now) p.timedStopTime = now + 2 * p.interval;
    if (byCount(p) && p.stopCount > p.totalSpace) {
        // The stop count is a 16-bit member: a larger memory is stopped at its largest value.
        p.stopCount = static_cast<std::uint16_t>(
            std::clamp<std::int32_t>(p.totalSpace, 0, std::numeric_limits<std::uint16_t>::max()));
    }
    if (timedStart(p) && timedStop(p) && p.timedStartTime >= p.timedStopTime) {
        p.timedStopTime = p.timedStartTime + p.interval;
    }
}

bool restartAsksForClock(const LoggerParameters& p) {
    switch (p.deviceType()) {
        case kDeviceNoPowerMode:
        case kDeviceNoTimedStop:
        case kDeviceSingleAnswer:
            return false;
        case kDeviceClockWhenTimed:
            return timedStart(p) || timedStop(p);
        default:
            return true;
    }
}

RestartOutcome restartLogger(TransactionEngine& engine, int deviceAddress,
                             const std::function<void()>& commitPendingEdit) {
    if (engine.busy()) return RestartOutcome::Busy;
    engine.setDeviceAddress(deviceAddress);
    if (commitPendingEdit) commitPendingEdit();

    LoggerParameters& p = engine.loggerParams();
    Messenger& messenger = engine.messenger();
    auto finish = [&](RestartOutcome outcome) {
        engine.listener().enablingChanged();
        return outcome;
    };

    const DateTime now = engine.timers().now();
    const auto lines = restartCheckLines(p, now);
    if (!lines.empty()) {
        std::string text = std::string(kRestartDataQuestion) + "\r\r";
        for (const auto& l : lines) text += l;
        const Answer answer = messenger.ask(std::move(text), std::string(kRestartDataTitle),
                                            MessageButtons::YesNoCancel);
        if (answer == Answer::Cancel) return finish(RestartOutcome::Cancelled);
        if (answer == Answer::Yes) applyRestartDefaults(p, now);
    }

    if (messenger.ask(std::string(kRestartConfirm), std::string(kRestartConfirmTitle)) !=
        Answer::Yes) {
        return finish(RestartOutcome::Declined);
    }

    if (!restartAsksForClock(p)) {
        engine.sendParameters();
        return finish(RestartOutcome::ParametersSent);
    }

    switch (messenger.ask(std::string(kRestartClockQuestion), {}, MessageButtons::YesNoCancel)) {
        case Answer::Yes:
            // The acknowledgement of the clock sends the parameters.
            engine.flags().clockThenWrite = true;
            p.loggerClock = engine.timers().now();
            engine.setLoggerClock();
            return finish(RestartOutcome::ClockSent);
        case Answer::No:
            engine.sendParameters();
            return finish(RestartOutcome::ParametersSent);
        default:
            return finish(RestartOutcome::Cancelled);
    }
}

}  // namespace tarvo
