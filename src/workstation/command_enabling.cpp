#include "workstation/command_enabling.h"

#include <algorithm>

#include "core/logger_parameters.h"

namespace tarvo {

namespace {

using C = Command;
using T = Toolbar;

constexpr std::string_view kFile = "文件(&F)";
constexpr std::string_view kTools = "工具(&T)";
constexpr std::string_view kView = "视图(&V)";
constexpr std::string_view kSetting = "设置(&S)";
constexpr std::string_view kHelp = "帮助(&H)";

constexpr std::array<CommandInfo, kCommandCount> kTable = {{
    {C::FileOpen, kFile, "打开(&O)...", "fileOpen", T::File, "打开", false, false},
    {C::FileSaveAs, kFile, "保存为(&S)...", "fileSaveAs", T::File, "保存为", false, false},
    {C::FilePrint, kFile, "打印(&P)", "filePrint", T::File, "打印", false, false},
    {C::Login, kFile, "登录(&L)", "", T::None, "", true, false},
    {C::Logout, kFile, "取消登录(&U)", "", T::None, "", false, false},
    {C::Exit, kFile, "退出(&Q)", "", T::None, "", true, false},
    {C::Connect, kTools, "连接(&I)", "ToolLink", T::Tools, "连接", false, false},
    {C::Upload, kTools, "上传历史数据(&D)", "ToolDownload", T::Tools, "上传历史数据", false, false},
    {C::Restart, kTools, "重启记录仪(&R)", "ToolReset", T::Tools, "重启记录仪", false, false},
    {C::LiveStart, kTools, "开始读取实时数据(&A)", "ToolRealStart", T::Tools, "开始读取实时数据",
     true, false},
    {C::LiveStop, kTools, "停止读取实时数据(&E)", "ToolRealEnd", T::Tools, "停止读取实时数据",
     false, false},
    {C::StopRecording, kTools, "停止记录(&S)", "ToolStop", T::Tools, "停止记录", true, false},
    {C::PowerMode, kTools, "设置功耗模式(&P)", "ToolPowerMode", T::Tools, "设置功耗模式", false,
     false},
    {C::Advanced, kTools, "高级命令(&V)", "", T::None, "", true, false},
    {C::Reset1, kTools, "第一级复位(&1)", "", T::None, "", false, true},
    {C::Reset2, kTools, "第二级复位(&2)", "", T::None, "", false, true},
    {C::Reset3, kTools, "第三级复位(&3)", "", T::None, "", false, true},
    {C::Reset4, kTools, "第四级复位(&4)", "", T::None, "", false, true},
    {C::Reset5, kTools, "第五级复位(&5)", "", T::None, "", false, true},
    {C::Calibration, kTools, "设置校正曲线(&C)", "", T::None, "", true, true},
    {C::LoggerClock, kTools, "设置记录仪时钟(&O)", "", T::None, "", false, true},
    {C::ViewToolbar, kView, "工具栏(&T)", "", T::None, "", false, false},
    {C::ViewStatusBar, kView, "状态栏(&S)", "", T::None, "", false, false},
    {C::ViewPropertyPane, kView, "属性栏(&P)", "", T::None, "", false, false},
    {C::ViewLiveWindow, kView, "实时数据采集窗口(&R)", "", T::None, "", false, false},
    {C::Cascade, kView, "层叠窗口(&O)", "", T::None, "", true, false},
    {C::TileHorizontal, kView, "水平平铺(&H)", "", T::None, "", false, false},
    {C::TileVertical, kView, "垂直平铺(&V)", "", T::None, "", false, false},
    {C::ArrangeIcons, kView, "重排图标(&A)", "", T::None, "", false, false},
    // The settings toolbar's first button opens the device-name manager, yet its
    // tooltip names the serial settings.
    {C::DeviceNames, kSetting, "配置管理(&C)", "SettingSerial", T::Setting, "串口设置", false,
     false},
    {C::SerialSettings, kSetting, "串口设置(&M)", "", T::None, "", false, false},
    {C::LiveSettings, kSetting, "实时数据设置(&R)", "", T::None, "", false, false},
    {C::SmsNumbers, kSetting, "手机号码(&T)", "", T::None, "", false, false},
    {C::SmsPassword, kSetting, "短信密码(&P)", "", T::None, "", false, false},
    {C::HelpContents, kHelp, "帮助主题(&C)", "HelpContents", T::Setting, "帮助主题", false, false},
    {C::About, kHelp, "关于(&A)", "", T::None, "", false, false},
}};

constexpr bool tableInOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].command) != i) return false;
    }
    return true;
}
static_assert(tableInOrder(), "the command table lists every command in enumeration order");

}  // namespace

const std::array<CommandInfo, kCommandCount>& commandTable() {
    return kTable;
}

const CommandInfo& commandInfo(Command command) {
    return kTable[static_cast<std::size_t>(command)];
}

std::optional<Command> commandForToolbarKey(std::string_view key) {
    if (key.empty()) return std::nullopt;
    const auto it = std::find_if(kTable.begin(), kTable.end(),
                                 [&](const CommandInfo& info) { return info.toolbarKey == key; });
    if (it == kTable.end()) return std::nullopt;
    return it->command;
}

std::string_view childKindTag(ChildKind kind) {
    switch (kind) {
        case ChildKind::History:
            return kHistoryWindowTag;
        case ChildKind::Live:
            return kLiveWindowTag;
        case ChildKind::None:
            break;
    }
    return {};
}

bool CommandStates::toolbarEnabled(std::string_view key) const {
    const auto command = commandForToolbarKey(key);
    return command && enabled(*command);
}

CommandStates commandEnabling(const EnablingInputs& in) {
    CommandStates s;
    const bool idle = !in.busy && !in.liveRunning;
    const bool advanced = idle && in.userLevel >= 20;
    const auto set = [&s](Command c, bool on) { s.setEnabled(c, on); };

    set(C::FileOpen, true);
    set(C::FileSaveAs, in.activeChild == ChildKind::History || in.activeChild == ChildKind::Live);
    set(C::FilePrint, in.activeChild == ChildKind::History);
    set(C::Login, !in.loggedIn);
    set(C::Logout, in.loggedIn);
    set(C::Exit, true);

    set(C::Connect, idle);
    set(C::Upload, idle && in.connected && in.recordCount > 0 && !in.uploadDone);
    set(C::LiveStart, idle && in.connected);
    set(C::LiveStop, in.liveRunning && in.connected);
    set(C::Restart, idle && in.paramsAvailable);
    set(C::StopRecording, idle && in.connected);
    set(C::PowerMode, idle && in.connected && in.deviceType != kDeviceNoPowerMode);
    for (const auto& info : kTable) {
        if (info.command == C::Advanced || info.inAdvancedMenu) set(info.command, advanced);
    }

    // The view and settings menus, help and the About box are always there.
    for (Command c :
         {C::ViewToolbar, C::ViewStatusBar, C::ViewPropertyPane, C::ViewLiveWindow, C::Cascade,
          C::TileHorizontal, C::TileVertical, C::ArrangeIcons, C::DeviceNames, C::SerialSettings,
          C::LiveSettings, C::SmsNumbers, C::SmsPassword, C::HelpContents, C::About}) {
        set(c, true);
    }

    s.paneTitle = std::string(in.settingsChanged ? kChangedLoggerPaneTitle : kLoggerPaneTitle);
    return s;
}

}  // namespace tarvo
