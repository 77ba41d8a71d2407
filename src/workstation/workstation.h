#pragma once
// The workstation: everything the main window owns, and every command flow of the
// main window, with no window at all. The settings and display names, the
// transaction engine and its flags, the two parameter records, the login, the
// property pane, the open history documents, the live window's flags, the view
// toggles, the status bar and the device selector live here; the Qt main window
// (and the command line, and the tests) is a view of this object and tells it what
// the operator chose.

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/logger_parameters.h"
#include "core/messenger.h"
#include "core/settings.h"
#include "data/history_document.h"
#include "data/live_document.h"
#include "files/live_file.h"
#include "files/template_locator.h"
#include "link/engine_listener.h"
#include "link/history_upload.h"
#include "link/live_sampling.h"
#include "link/serial_port.h"
#include "link/timer_service.h"
#include "link/transaction_engine.h"
#include "workstation/command_enabling.h"
#include "workstation/device_names.h"
#include "workstation/live_settings_dialog.h"
#include "workstation/login.h"
#include "workstation/property_editing.h"
#include "workstation/property_pane.h"

namespace tarvo {

inline constexpr std::string_view kProgramTitle = "Tarvo(多机版)";
inline constexpr std::string_view kLiveStillRunningQuestion = "实时数据仍在采集中,是否退出?";
inline constexpr std::string_view kExitTitle = "退出";
inline constexpr std::string_view kSerialSettingsBusyMessage =
    "正在与记录仪通讯，串口设置未改变，请在通讯结束后再设置。";
inline constexpr std::string_view kSerialSettingsTitle = "串口设置";
inline constexpr std::string_view kSettingsNotSavedMessage =
    "程序设置无法保存，请检查磁盘空间和写入权限。";

enum class Arrangement { Cascade, TileHorizontal, TileVertical, ArrangeIcons };

// What the main window repaints when the workstation changes. Every call is a
// notice only; the window reads the new state from the Workstation.
class WorkstationView {
  public:
    virtual ~WorkstationView() = default;
    // Tabs, selected tab, rows, title, visibility or command window changed.
    virtual void paneChanged() {}
    // Only the command window's text changed (a frame was sent).
    virtual void commandEchoChanged() {}
    // The command states were recomputed.
    virtual void enablingChanged() {}
    // Status text or progress strip.
    virtual void statusChanged() {}
    // The login text of the status bar.
    virtual void loginChanged() {}
    // Toolbar band, status bar or pane shown or hidden, or a check mark changed.
    virtual void viewTogglesChanged() {}
    // The device selector's entries or its selection.
    virtual void selectorChanged() {}
    // A history window opened (now the active child) or closed. Indexes are
    // positions in documents(); closing shifts the later ones down by one.
    virtual void documentOpened(int /*index*/) {}
    virtual void documentClosed(int /*index*/) {}
    // The please-wait window comes up (true) or goes (false).
    virtual void pleaseWait(bool /*shown*/) {}
    // The live-curve window is shown and brought to the front, or hidden.
    virtual void liveWindowShown() {}
    virtual void liveWindowHidden() {}
    // A live sample arrived in the live document (the live window repaints).
    virtual void liveSampleAdded() {}
    // Arrange the child windows.
    virtual void arrangeChildren(Arrangement /*how*/) {}
};

// A history window: its document and its kind tag.
struct HistoryWindow {
    std::string kind{kHistoryWindowTag};
    HistoryDocument document;
};

struct ActiveChild {
    ChildKind kind = ChildKind::None;
    int index = -1;  // the history window's position in documents()

    bool operator==(const ActiveChild&) const = default;
};

struct ProgressState {
    int value = 0;
    int minimum = 0;
    int maximum = 100;
};

// The boxes of the serial settings dialog, confirmed.
struct SerialDialogValues {
    std::string comPort;
    std::int16_t overTime = 200;
    std::string checkMode;
    std::int16_t resendTime = 3;
    std::int16_t conferStyle = 2;  // list position + 1
    std::int32_t baudRate = 9600;
    bool strictTiming = false;
};
SerialDialogValues serialDialogValues(const ProgramSettings& settings);

class Workstation : public EngineListener, public HistorySink, public LiveSampleSink {
  public:
    // The engine takes over the timers; all four references outlive the workstation.
    Workstation(TimerService& timers, SerialPort& port, Messenger& messenger, SettingsStore& store);
    ~Workstation() override;
    Workstation(const Workstation&) = delete;
    Workstation& operator=(const Workstation&) = delete;

    // nullptr: nobody watches (the default).
    void setView(WorkstationView* view);
    // The settings store, for the few settings a window keeps itself.
    SettingsStore& settingsStore() { return store_; }

    // ---- start-up and shutdown ----
    // Loads the settings and names, runs the enabling, shows the empty pane and the
    // login text, opens the file the command line names (quotes and surrounding
    // blanks removed) in a history window, runs the enabling again, creates the
    // device-name manager and fills the selector with the first entry selected.
    void startUp(std::string_view commandLine);
    // Whether the program may close: while live sampling runs the operator is asked.
    bool mayClose();
    // Saves the settings and names, closes the please-wait window and the port,
    // and unloads the device-name manager.
    void shutDown();

    // ---- commands ----
    // Each logger command first takes the device address from the selector. A
    // command the enabling rule does not allow in the present state does nothing
    // and returns false.
    // "连接(&I)": reads the selected logger's parameters ("XY-002").
    bool connect();
    // "上传历史数据(&D)": asks, then uploads the selected logger's history.
    bool upload();
    // The login dialog's OK with the entered pair: true and logged in on a match;
    // otherwise the message "用户名无效或密码错误，请重新输入。" and false, the dialog
    // stays open and nothing changes.
    bool login(std::string_view name, std::string_view password);
    // The login dialog's Cancel: the previous login stays.
    void loginCancelled();
    // "取消登录(&U)".
    void logout();
    // A click on a tab of the strip; false for a tab the strip does not hold.
    bool selectTab(PropertyTab tab);
    // The pane's file-properties button: lists the active history document's
    // parameters under "文件属性". False (nothing happens) without an active history window.
    bool showFileProperties();
    // The serial settings dialog was confirmed: the values are stored and saved,
    // then the selected logger is connected with the chosen variant. While an
    // exchange or live sampling is under way nothing changes (the pending answer is
    // decoded by the settings it was asked with) and kSerialSettingsBusyMessage says
    // so; false then.
    bool serialSettingsAccepted(const SerialDialogValues& values);
    // The database server's settings were confirmed: stored as given and saved.
    void setDatabaseServer(std::string uri, std::string line);
    // The selector's choice, as a device address 1..100 (others are ignored).
    void setSelectedAddress(int address);
    // The tool buttons store the selector's address for every button they hold.
    void storeSelectedAddress() { takeSelectedAddress(); }

    // ---- logger commands (each false when the enabling rule forbids it now) ----
    // "重启记录仪(&R)" and "ToolReset" take the selector's address; the pane's "确定"
    // (fromPane) writes to the address stored last and only needs parameters.
    // `commitPendingEdit` commits an editor still open in the pane first, through its
    // own checks; when it returns false (the edit was refused) nothing more happens.
    bool restart(bool fromPane = false, const std::function<bool()>& commitPendingEdit = {});
    // "停止记录(&S)": asks, then stops the selected logger's recording.
    bool stopRecording();
    // "设置功耗模式(&P)" after dlgPower: normal (02) or power saving (03).
    bool setPowerMode(bool normal);
    // "第一级复位(&1)" … "第五级复位(&5)" (the address stored last).
    bool reset(int level);
    // "设置记录仪时钟(&O)" after frmEqpTime.
    bool setLoggerClock(DateTime clock);
    // "手机号码(&T)" after dlgMobile; "短信密码(&P)" after dlgPwd.
    bool setSmsNumbers(const std::array<std::string, 3>& numbers);
    bool setSmsPassword(const std::string& oldPassword, const std::string& newPassword);

    // ---- live sampling ----
    // "开始读取实时数据(&A)": shows the live window and starts the sampling clock.
    bool startLive();
    // "停止读取实时数据(&E)".
    bool stopLive();
    // dlgReal's OK: a message when the dialog must stay open, else the settings
    // are taken and saved.
    std::optional<Message> acceptLiveSettings(LiveSettingsDialog& dialog);
    LiveDocument& liveDocument() { return live_; }
    const LiveSampling& liveSampling() const { return liveSampling_; }
    // An accepted live answer (LiveSampleSink).
    void liveSample(ByteView answer, DateTime now) override;

    // ---- the property pane's inline editors ----
    // The double-click on a row: its editor, or nothing for a read-only row.
    std::optional<PropertyEditor> openEditor(int row);
    // Leaving the editor: its checks and commit rules; the pane is refreshed.
    CommitResult commitEditor(const PropertyEditor& editor);

    // ---- view ----
    void toggleToolbar();
    void toggleStatusBar();
    void togglePropertyPane();
    // The pane's hide button.
    void hidePropertyPane();
    // "实时数据采集窗口(&R)": shows (creating it when needed) or hides the live window.
    void toggleLiveWindow();
    // Nothing happens (false) when there is no active child window.
    bool arrange(Arrangement how);

    // ---- device names ----
    // The manager comes up: its working copy is taken afresh.
    void openDeviceNames();
    // The manager closed with OK (accepted) or Cancel: on OK the names are
    // committed; either way the selector is refilled, its first entry selected and
    // the device address set to 1.
    void closeDeviceNames(bool accepted);
    DeviceNameManager* deviceNameManager() { return nameManager_ ? &*nameManager_ : nullptr; }

    // ---- child windows ----
    // Opens a logger data file in a new history window, which becomes active.
    // A refused file shows "您打开的文件格式无效。" and opens nothing.
    std::optional<int> openDocument(const std::filesystem::path& path);
    // Closes a history window (the unsaved-changes question is the caller's).
    void closeDocument(int index);
    // The window tells which child is active. The command states follow; the pane's
    // title is left as it is.
    void setActiveChild(ActiveChild active);
    // The live window's close box, before the window goes: while live sampling runs
    // the operator is asked "实时数据仍在采集中,是否退出?"; Yes stops the sampling
    // (true), No keeps window and sampling (false). True at once when nothing runs.
    bool liveWindowMayClose();
    // The live window's close box: it is hidden, never destroyed.
    void liveWindowClosed();

    // CtrlEnable: recomputes the command states and the pane's title.
    void runEnabling();

    // ---- state ----
    const ProgramSettings& settings() const { return settings_; }
    const DisplayNames& displayNames() const { return names_; }
    LoggerParameters& loggerParams() { return loggerParams_; }
    LoggerParameters& fileParams() { return fileParams_; }
    TransactionEngine& engine() { return engine_; }
    const TransactionEngine& engine() const { return engine_; }
    HistoryUpload& historyUpload() { return upload_; }
    const LoginState& loginState() const { return login_; }
    std::string loginText() const { return login_.statusText(); }
    const PropertyPane& pane() const { return pane_; }
    const CommandStates& commandStates() const { return commands_; }
    EnablingInputs enablingInputs() const;

    const std::vector<std::unique_ptr<HistoryWindow>>& documents() const { return documents_; }
    HistoryDocument* document(int index);
    ActiveChild activeChild() const { return active_; }
    HistoryDocument* activeDocument();
    const HistoryCounter& historyCounter() const { return counter_; }

    // Where the program's questions and messages go (the document commands ask there).
    Messenger& messenger() { return messenger_; }
    // The template database that new database files are copied from.
    const TemplateLocator& templates() const { return templates_; }
    void setTemplates(TemplateLocator templates) { templates_ = std::move(templates); }

    bool liveWindowExists() const { return liveWindowExists_; }
    bool liveWindowVisible() const { return liveWindowVisible_; }
    // The check mark of "实时数据采集窗口(&R)".
    bool liveWindowChecked() const { return liveWindowChecked_; }
    bool toolbarShown() const { return toolbarShown_; }
    bool statusBarShown() const { return statusBarShown_; }
    bool pleaseWaitShown() const { return pleaseWaitShown_; }

    const std::string& statusBarText() const { return statusText_; }
    const ProgressState& progressState() const { return progress_; }
    const std::vector<std::string>& selectorEntries() const { return selector_; }
    int selectedAddress() const { return selectedAddress_; }

    // ---- what the engine reports (EngineListener) ----
    void commandEcho(const std::string& text) override;
    void progress(int value, int minimum, int maximum) override;
    void statusText(const std::string& text) override;
    void enablingChanged() override;
    void parametersRead() override;
    void loggerClockChanged(DateTime clock) override;
    void showPleaseWait() override;
    void closePleaseWait() override;
    void liveWindowReset() override;

    // ---- the upload's hand-over (HistorySink) ----
    // Builds a history document from the pages; shown (and active) when it decodes.
    bool showHistory(const std::vector<Bytes>& pages, const LoggerParameters& params) override;

  private:
    // Writes the settings and names to the store and makes them lasting; a store that
    // cannot keep them says so (kSettingsNotSavedMessage).
    void storeSettings();
    bool allowed(Command command) const;
    // Asks whether live sampling may end; on Yes it is stopped.
    bool mayEndLiveSampling();
    EditSession editSession();
    // After a command that started an exchange: enabling and the pane's title.
    bool started(bool sent);
    void takeSelectedAddress();
    void hideLiveWindow();
    void tabClick();
    void finishLogin();
    void fillSelector();
    int addDocument(std::unique_ptr<HistoryWindow> window);

    TimerService& timers_;
    SerialPort& port_;
    Messenger& messenger_;
    SettingsStore& store_;

    ProgramSettings settings_;
    DisplayNames names_;
    LoggerParameters loggerParams_;
    LoggerParameters fileParams_;
    TransactionEngine engine_;
    HistoryUpload upload_;
    LiveDocument live_;
    LiveFile liveFile_;
    LiveSampling liveSampling_;

    WorkstationView silentView_;
    WorkstationView* view_ = &silentView_;

    LoginState login_;
    PropertyPane pane_;
    CommandStates commands_;

    std::vector<std::unique_ptr<HistoryWindow>> documents_;
    ActiveChild active_;
    HistoryCounter counter_;
    TemplateLocator templates_;

    bool liveWindowExists_ = false;
    bool liveWindowVisible_ = false;
    bool liveWindowChecked_ = false;
    bool toolbarShown_ = true;
    bool statusBarShown_ = true;
    bool pleaseWaitShown_ = false;

    std::string statusText_;
    ProgressState progress_;
    std::vector<std::string> selector_;
    int selectedAddress_ = kFirstDisplayAddress;
    std::optional<DeviceNameManager> nameManager_;
};

}  // namespace tarvo
