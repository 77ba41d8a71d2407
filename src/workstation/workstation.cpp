#include "workstation/workstation.h"

#include <utility>

#include "files/file_names.h"
#include "workstation/document_commands.h"

namespace tarvo {

namespace {

// The command line names one file; a shell may hand it over quoted.
std::string fileNameOfCommandLine(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
        line = line.substr(1, line.size() - 2);
    }
    return std::string(line);
}

}  // namespace

SerialDialogValues serialDialogValues(const ProgramSettings& s) {
    return {s.ComPort,     s.OverTime, s.CheckMode,        s.ResendTime,
            s.ConferStyle, s.BaudRate, s.StrictTiming != 0};
}

Workstation::Workstation(TimerService& timers, SerialPort& port, Messenger& messenger,
                         SettingsStore& store)
    : timers_(timers),
      port_(port),
      messenger_(messenger),
      store_(store),
      engine_(timers, port, messenger, settings_, loggerParams_),
      upload_(engine_, *this),
      liveFile_(settings_, messenger),
      liveSampling_(engine_, *this) {
    engine_.setListener(this);
    live_.setDumpSink(&liveFile_);
    commands_ = commandEnabling(enablingInputs());
    selector_ = selectorItems(names_);
}

Workstation::~Workstation() {
    engine_.setListener(nullptr);
}

void Workstation::setView(WorkstationView* view) {
    view_ = view ? view : &silentView_;
}

// ---- start-up and shutdown ----------------------------------------------------

void Workstation::startUp(std::string_view commandLine) {
    const std::string fileName = fileNameOfCommandLine(commandLine);
    loadSettings(store_, settings_, names_);
    runEnabling();
    pane_.setVisible(true);
    view_->paneChanged();
    view_->viewTogglesChanged();
    view_->loginChanged();
    if (!fileName.empty())
        openDocument(std::filesystem::path(std::u8string(fileName.begin(), fileName.end())));
    runEnabling();
    nameManager_.emplace();
    fillSelector();
}

void Workstation::storeSettings() {
    saveSettings(store_, settings_, names_);
    if (!store_.commit()) {
        messenger_.show({std::string(kSettingsNotSavedMessage), std::string(kProgramTitle),
                         MessageIcon::Warning, MessageButtons::Ok});
    }
}

bool Workstation::mayClose() {
    return mayEndLiveSampling();
}

bool Workstation::mayEndLiveSampling() {
    if (!engine_.flags().liveRunning) return true;
    const Message question{std::string(kLiveStillRunningQuestion), std::string(kExitTitle),
                           MessageIcon::Question, MessageButtons::YesNo};
    if (messenger_.show(question) != Answer::Yes) return false;
    liveSampling_.stop();
    return true;
}

void Workstation::shutDown() {
    storeSettings();
    if (pleaseWaitShown_) {
        pleaseWaitShown_ = false;
        view_->pleaseWait(false);
    }
    if (port_.isOpen()) port_.close();
    nameManager_.reset();
}

// ---- commands -----------------------------------------------------------------

EnablingInputs Workstation::enablingInputs() const {
    const EngineFlags& f = engine_.flags();
    EnablingInputs in;
    in.busy = engine_.busy();
    in.liveRunning = f.liveRunning;
    in.connected = f.connected;
    in.uploadDone = f.uploadDone;
    in.paramsAvailable = f.paramsAvailable;
    in.settingsChanged = f.settingsChanged;
    in.loggedIn = login_.loggedIn;
    in.userLevel = login_.userLevel;
    in.activeChild = active_.kind;
    in.recordCount = loggerParams_.recordCount;
    in.deviceType = loggerParams_.deviceType();
    return in;
}

// The rule is asked with the state of this moment: the stored states are only as
// fresh as the last run of the enabling.
bool Workstation::allowed(Command command) const {
    return commandEnabling(enablingInputs()).enabled(command);
}

void Workstation::runEnabling() {
    commands_ = commandEnabling(enablingInputs());
    pane_.setTitle(commands_.paneTitle);
    view_->enablingChanged();
    view_->paneChanged();
}

void Workstation::takeSelectedAddress() {
    engine_.setDeviceAddress(selectedAddress_);
}

bool Workstation::connect() {
    if (!allowed(Command::Connect)) return false;
    takeSelectedAddress();
    engine_.connectLogger(Variant::XY002);
    runEnabling();
    return true;
}

bool Workstation::upload() {
    if (!allowed(Command::Upload)) return false;
    takeSelectedAddress();
    upload_.start(selectedAddress_);
    runEnabling();
    return true;
}

bool Workstation::login(std::string_view name, std::string_view password) {
    const LoginAttempt attempt = checkLogin(name, password);
    if (!attempt.ok) {
        messenger_.show(
            {std::string(kLoginFailedMessage), {}, MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }
    login_.apply(attempt);
    pane_.rebuildTabs(login_.userLevel);
    finishLogin();
    return true;
}

void Workstation::loginCancelled() {
    finishLogin();
}

void Workstation::logout() {
    login_.logout();
    pane_.rebuildTabs(0);
    finishLogin();
}

// Whatever the outcome of a login or logout: the tab click refills the list, the
// status bar shows who is logged in, and the commands follow the level.
void Workstation::finishLogin() {
    tabClick();
    view_->loginChanged();
    runEnabling();
}

void Workstation::tabClick() {
    pane_.tabClick(
        PaneSources{loggerParams_, fileParams_, engine_.flags().paramsAvailable, login_.viewer()});
    view_->paneChanged();
    view_->viewTogglesChanged();  // a tab click shows a hidden pane
}

bool Workstation::selectTab(PropertyTab tab) {
    if (!pane_.selectTab(tab)) return false;
    tabClick();
    return true;
}

bool Workstation::showFileProperties() {
    HistoryDocument* doc = activeDocument();
    if (!doc) return false;
    refrashParam(*doc, fileParams_);
    engine_.flags().paramsAvailable = true;
    pane_.requestFileProperties();
    tabClick();
    pane_.showFileTitle();
    view_->paneChanged();
    return true;
}

bool Workstation::serialSettingsAccepted(const SerialDialogValues& values) {
    if (!allowed(Command::Connect)) {
        messenger_.show({std::string(kSerialSettingsBusyMessage), std::string(kSerialSettingsTitle),
                         MessageIcon::Information, MessageButtons::Ok});
        return false;
    }
    settings_.ComPort = values.comPort;
    settings_.OverTime = values.overTime;
    settings_.CheckMode = values.checkMode;
    settings_.ResendTime = values.resendTime;
    settings_.ConferStyle = values.conferStyle;
    settings_.BaudRate = values.baudRate;
    settings_.StrictTiming = values.strictTiming ? 1 : 0;
    storeSettings();
    takeSelectedAddress();
    engine_.connectLogger(static_cast<int>(settings_.ConferStyle));
    runEnabling();
    return true;
}

void Workstation::setDatabaseServer(std::string uri, std::string line) {
    settings_.DatabaseServer = std::move(uri);
    settings_.Line = std::move(line);
    storeSettings();
}

void Workstation::setSelectedAddress(int address) {
    if (address < kFirstDisplayAddress || address > kLastDisplayAddress) return;
    selectedAddress_ = address;
    view_->selectorChanged();
}

// ---- view ---------------------------------------------------------------------

void Workstation::toggleToolbar() {
    toolbarShown_ = !toolbarShown_;
    view_->viewTogglesChanged();
}

void Workstation::toggleStatusBar() {
    statusBarShown_ = !statusBarShown_;
    view_->viewTogglesChanged();
}

void Workstation::togglePropertyPane() {
    pane_.setVisible(!pane_.visible());
    view_->paneChanged();
    view_->viewTogglesChanged();
}

void Workstation::hidePropertyPane() {
    pane_.setVisible(false);
    view_->paneChanged();
    view_->viewTogglesChanged();
}

void Workstation::toggleLiveWindow() {
    liveWindowChecked_ = !liveWindowChecked_;
    if (liveWindowChecked_) {
        liveWindowExists_ = true;
        liveWindowVisible_ = true;
        active_ = {ChildKind::Live, -1};
        commands_ = commandEnabling(enablingInputs());
        view_->liveWindowShown();
        view_->enablingChanged();
    } else {
        hideLiveWindow();
    }
    view_->viewTogglesChanged();
}

bool Workstation::liveWindowMayClose() {
    const bool wasRunning = engine_.flags().liveRunning;
    if (!mayEndLiveSampling()) return false;
    if (wasRunning) runEnabling();
    return true;
}

void Workstation::liveWindowClosed() {
    liveWindowChecked_ = false;
    hideLiveWindow();
    view_->viewTogglesChanged();
}

void Workstation::hideLiveWindow() {
    liveWindowVisible_ = false;
    if (active_.kind == ChildKind::Live) {
        active_ = {};
        commands_ = commandEnabling(enablingInputs());
        view_->enablingChanged();
    }
    view_->liveWindowHidden();
}

bool Workstation::arrange(Arrangement how) {
    if (active_.kind == ChildKind::None) return false;
    view_->arrangeChildren(how);
    return true;
}

// ---- device names -------------------------------------------------------------

void Workstation::openDeviceNames() {
    if (!nameManager_) nameManager_.emplace();
    nameManager_->activate(names_);
}

void Workstation::closeDeviceNames(bool accepted) {
    if (nameManager_) {
        if (accepted) {
            nameManager_->accept(names_);
        } else {
            nameManager_->cancel();
        }
    }
    fillSelector();
    engine_.setDeviceAddress(kFirstDisplayAddress);
}

void Workstation::fillSelector() {
    selector_ = selectorItems(names_);
    selectedAddress_ = kFirstDisplayAddress;
    view_->selectorChanged();
}

// ---- child windows ------------------------------------------------------------

HistoryDocument* Workstation::document(int index) {
    if (index < 0 || index >= static_cast<int>(documents_.size())) return nullptr;
    return &documents_[static_cast<std::size_t>(index)]->document;
}

HistoryDocument* Workstation::activeDocument() {
    return active_.kind == ChildKind::History ? document(active_.index) : nullptr;
}

int Workstation::addDocument(std::unique_ptr<HistoryWindow> window) {
    documents_.push_back(std::move(window));
    const int index = static_cast<int>(documents_.size()) - 1;
    active_ = {ChildKind::History, index};
    commands_ = commandEnabling(enablingInputs());
    view_->documentOpened(index);
    view_->enablingChanged();
    return index;
}

std::optional<int> Workstation::openDocument(const std::filesystem::path& path) {
    if (path.empty()) return std::nullopt;
    auto window = std::make_unique<HistoryWindow>();
    // The window names its file by its full path, however it was given.
    const CommandOutcome loaded =
        openDocumentFile(window->document, fullPath(path), kDefaultPlotWidthTwips);
    if (!loaded) {
        if (loaded.message) messenger_.show(*loaded.message);
        return std::nullopt;
    }
    return addDocument(std::move(window));
}

void Workstation::closeDocument(int index) {
    if (!document(index)) return;
    documents_.erase(documents_.begin() + index);
    if (active_.kind == ChildKind::History) {
        if (active_.index == index) {
            active_ = {};
        } else if (active_.index > index) {
            --active_.index;
        }
    }
    commands_ = commandEnabling(enablingInputs());
    view_->documentClosed(index);
    view_->enablingChanged();
}

void Workstation::setActiveChild(ActiveChild active) {
    if (active.kind == ChildKind::History && !document(active.index)) active = {};
    if (active.kind == ChildKind::Live && !liveWindowVisible_) active = {};
    if (active.kind != ChildKind::History) active.index = -1;
    active_ = active;
    commands_ = commandEnabling(enablingInputs());
    view_->enablingChanged();
}

bool Workstation::showHistory(const std::vector<Bytes>& pages, const LoggerParameters& params) {
    auto window = std::make_unique<HistoryWindow>();
    RestoreNotes notes;
    if (!restoreHisData(window->document, pages, params, counter_, timers_.now(), 0, &notes))
        return false;
    addDocument(std::move(window));
    for (const Message& notice : uploadNotices(notes)) messenger_.show(notice);
    return true;
}

// ---- engine reports -----------------------------------------------------------

void Workstation::commandEcho(const std::string& text) {
    pane_.setCommandText(text);
    view_->commandEchoChanged();
}

void Workstation::progress(int value, int minimum, int maximum) {
    progress_ = {value, minimum, maximum};
    view_->statusChanged();
}

void Workstation::statusText(const std::string& text) {
    statusText_ = text;
    view_->statusChanged();
}

void Workstation::enablingChanged() {
    runEnabling();
}

// The pane switches to its first tab and lists the logger, and the toolbar band
// comes back.
void Workstation::parametersRead() {
    pane_.selectTab(PropertyTab::Basic);
    toolbarShown_ = true;
    tabClick();
}

void Workstation::loggerClockChanged(DateTime clock) {
    if (pane_.showLoggerClock(clock)) view_->paneChanged();
}

void Workstation::showPleaseWait() {
    pleaseWaitShown_ = true;
    view_->pleaseWait(true);
}

void Workstation::closePleaseWait() {
    if (!pleaseWaitShown_) return;
    pleaseWaitShown_ = false;
    view_->pleaseWait(false);
}

void Workstation::liveWindowReset() {
    live_.reSetRealSetting(loggerParams_);
    liveWindowChecked_ = false;
    hideLiveWindow();
    view_->viewTogglesChanged();
}

}  // namespace tarvo
