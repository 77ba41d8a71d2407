#pragma once
// The main window's commands (menu entries and toolbar buttons) and the rule that
// decides which of them are available in the present state (CtrlEnable). The rule
// is a pure function of the state it reads, so the window, the command line and the
// tests all ask the same question.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/live_document.h"

namespace tarvo {

enum class Command {
    // 文件(&F)
    FileOpen,
    FileSaveAs,
    FilePrint,
    Login,
    Logout,
    Exit,
    // 工具(&T)
    Connect,
    Upload,
    Restart,
    LiveStart,
    LiveStop,
    StopRecording,
    PowerMode,
    Advanced,  // the submenu "高级命令(&V)"; its entries follow its state
    Reset1,
    Reset2,
    Reset3,
    Reset4,
    Reset5,
    Calibration,
    LoggerClock,
    // 视图(&V)
    ViewToolbar,
    ViewStatusBar,
    ViewPropertyPane,
    ViewLiveWindow,
    Cascade,
    TileHorizontal,
    TileVertical,
    ArrangeIcons,
    // 设置(&S)
    DeviceNames,
    SerialSettings,
    LiveSettings,
    SmsNumbers,
    SmsPassword,
    // 帮助(&H)
    HelpContents,
    About,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::About) + 1;

enum class Toolbar { None, File, Tools, Setting };

struct CommandInfo {
    Command command;
    std::string_view menu;        // caption of the top-level menu
    std::string_view caption;     // caption of the menu entry
    std::string_view toolbarKey;  // key of its toolbar button, empty when it has none
    Toolbar toolbar;
    std::string_view tooltip;  // of the toolbar button
    bool separatorBefore;      // a separator line stands above the entry
    bool inAdvancedMenu;       // an entry of the submenu "高级命令(&V)"
};

// Every command in menu order.
const std::array<CommandInfo, kCommandCount>& commandTable();
const CommandInfo& commandInfo(Command command);
// The command behind a toolbar button key ("ToolLink" …), if any.
std::optional<Command> commandForToolbarKey(std::string_view key);

// The kind of the active child window, as its tag says.
enum class ChildKind { None, History, Live };
inline constexpr std::string_view kHistoryWindowTag = "frmData";
// (kLiveWindowTag "frmRealT" stands with the live document.)
// "frmData", "frmRealT", or empty for no window.
std::string_view childKindTag(ChildKind kind);

inline constexpr std::string_view kLoggerPaneTitle = "记录仪属性";
inline constexpr std::string_view kChangedLoggerPaneTitle = "记录仪属性*";

// What the rule reads.
struct EnablingInputs {
    bool busy = false;         // a logger exchange is pending (mode not 0)
    bool liveRunning = false;  // live sampling on
    bool connected = false;
    bool uploadDone = false;
    bool paramsAvailable = false;
    bool settingsChanged = false;
    bool loggedIn = false;
    int userLevel = 0;
    ChildKind activeChild = ChildKind::None;
    std::int32_t recordCount = 0;  // of the connected logger's parameters
    int deviceType = 0;            // of the connected logger's parameters
};

class CommandStates {
  public:
    bool enabled(Command command) const { return enabled_[static_cast<std::size_t>(command)]; }
    void setEnabled(Command command, bool on) { enabled_[static_cast<std::size_t>(command)] = on; }
    // The state of a toolbar button: that of its command; false for an unknown key.
    bool toolbarEnabled(std::string_view key) const;

    // The rule also writes the property pane's title.
    std::string paneTitle{kLoggerPaneTitle};

    bool operator==(const CommandStates&) const = default;

  private:
    std::array<bool, kCommandCount> enabled_{};
};

// CtrlEnable: the enabled state of every command and the pane's title.
CommandStates commandEnabling(const EnablingInputs& in);

}  // namespace tarvo
