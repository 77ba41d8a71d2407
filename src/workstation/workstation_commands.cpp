// The workstation's logger commands beyond connect and upload: the parameter write
// and restart, the maintenance commands, live sampling, and the pane's editors.

#include "link/maintenance.h"
#include "link/restart.h"
#include "workstation/workstation.h"

namespace tarvo {

bool Workstation::started(bool sent) {
    runEnabling();
    return sent;
}

bool Workstation::restart(bool fromPane, const std::function<bool()>& commitPendingEdit) {
    if (fromPane ? !engine_.flags().paramsAvailable : !allowed(Command::Restart)) return false;
    if (!fromPane) takeSelectedAddress();
    // The value the operator is still typing belongs to the record that is written; an
    // edit its checks refuse would otherwise be dropped silently and the old value sent.
    if (engine_.busy()) return false;
    if (commitPendingEdit && !commitPendingEdit()) {
        view_->paneChanged();
        return false;
    }
    const RestartOutcome outcome = restartLogger(engine_, engine_.deviceAddress());
    view_->paneChanged();  // the checks' defaults may have changed the record
    return started(outcome == RestartOutcome::ParametersSent ||
                   outcome == RestartOutcome::ClockSent);
}

bool Workstation::stopRecording() {
    if (!allowed(Command::StopRecording)) return false;
    takeSelectedAddress();
    return started(stopLogger(engine_, messenger_) == SendOutcome::Sent);
}

bool Workstation::setPowerMode(bool normal) {
    if (!allowed(Command::PowerMode)) return false;
    takeSelectedAddress();
    return started(tarvo::setPowerMode(engine_, normal) == SendOutcome::Sent);
}

bool Workstation::reset(int level) {
    static constexpr Command kResets[] = {Command::Reset1, Command::Reset2, Command::Reset3,
                                          Command::Reset4, Command::Reset5};
    if (level < 1 || level > 5 || !allowed(kResets[level - 1])) return false;
    return started(resetLogger(engine_, level) == SendOutcome::Sent);
}

bool Workstation::setLoggerClock(DateTime clock) {
    if (!allowed(Command::LoggerClock)) return false;
    return started(setLoggerClockTo(engine_, clock) == SendOutcome::Sent);
}

bool Workstation::setSmsNumbers(const std::array<std::string, 3>& numbers) {
    if (!allowed(Command::SmsNumbers)) return false;
    return started(tarvo::setSmsNumbers(engine_, numbers) == SendOutcome::Sent);
}

bool Workstation::setSmsPassword(const std::string& oldPassword, const std::string& newPassword) {
    if (!allowed(Command::SmsPassword)) return false;
    return started(tarvo::setSmsPassword(engine_, oldPassword, newPassword) == SendOutcome::Sent);
}

// ---- live sampling ----------------------------------------------------------------

bool Workstation::startLive() {
    if (!allowed(Command::LiveStart)) return false;
    takeSelectedAddress();
    if (!liveSampling_.start()) return false;
    liveWindowExists_ = true;
    liveWindowVisible_ = true;
    liveWindowChecked_ = true;
    active_ = {ChildKind::Live, -1};
    view_->liveWindowShown();
    view_->viewTogglesChanged();
    return started(true);
}

bool Workstation::stopLive() {
    if (!allowed(Command::LiveStop)) return false;
    liveSampling_.stop();
    return started(true);
}

std::optional<Message> Workstation::acceptLiveSettings(LiveSettingsDialog& dialog) {
    return dialog.accept(settings_, store_, names_);
}

void Workstation::liveSample(ByteView answer, DateTime now) {
    live_.restoreRealData(answer, now);
    liveFile_.SaveData(live_, answer, now);
    view_->liveSampleAdded();
}

// ---- the pane's editors -------------------------------------------------------------

EditSession Workstation::editSession() {
    return EditSession{loggerParams_,   fileParams_,    pane_.editableRows(),
                       pane_.fileView(), login_.viewer(), timers_.now(),
                       activeDocument()};
}

std::optional<PropertyEditor> Workstation::openEditor(int row) {
    return tarvo::openEditor(editSession(), row);
}

CommitResult Workstation::commitEditor(const PropertyEditor& editor) {
    EditSession session = editSession();
    const CommitResult result = tarvo::commitEditor(session, editor);
    view_->paneChanged();
    return result;
}

}  // namespace tarvo
