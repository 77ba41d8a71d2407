#include "workstation/command_enabling.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tarvo {
namespace {

using C = Command;

// The commands whose state depends on the workstation's state.
const std::vector<Command> kStateful = {C::FileSaveAs, C::FilePrint,     C::Login,      C::Logout,
                                        C::Connect,    C::Upload,        C::LiveStart,  C::LiveStop,
                                        C::Restart,    C::StopRecording, C::PowerMode,  C::Advanced,
                                        C::Reset1,     C::Reset2,        C::Reset3,     C::Reset4,
                                        C::Reset5,     C::Calibration,   C::LoggerClock};

const std::set<Command> kAdvancedMenu = {C::Advanced, C::Reset1, C::Reset2,      C::Reset3,
                                         C::Reset4,   C::Reset5, C::Calibration, C::LoggerClock};

EnablingInputs connectedIdle() {
    EnablingInputs in;
    in.connected = true;
    in.paramsAvailable = true;
    in.recordCount = 120;
    in.deviceType = 1;
    return in;
}

std::set<Command> with(std::set<Command> a, const std::set<Command>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

struct Case {
    const char* name;
    EnablingInputs in;
    std::set<Command> enabled;  // among kStateful
};

std::vector<Case> cases() {
    const std::set<Command> loggerIdle = {C::Login,   C::Connect,       C::Upload,   C::LiveStart,
                                          C::Restart, C::StopRecording, C::PowerMode};
    std::vector<Case> t;
    t.push_back({"fresh start", EnablingInputs{}, {C::Login, C::Connect}});
    t.push_back({"connected and idle", connectedIdle(), loggerIdle});
    {
        auto in = connectedIdle();
        in.uploadDone = true;
        auto e = loggerIdle;
        e.erase(C::Upload);
        t.push_back({"upload done keeps the upload off", in, e});
    }
    {
        auto in = connectedIdle();
        in.recordCount = 0;
        auto e = loggerIdle;
        e.erase(C::Upload);
        t.push_back({"an empty logger cannot be uploaded", in, e});
    }
    {
        auto in = connectedIdle();
        in.busy = true;
        t.push_back({"an exchange is pending", in, {C::Login}});
    }
    {
        auto in = connectedIdle();
        in.liveRunning = true;
        t.push_back({"live sampling runs", in, {C::Login, C::LiveStop}});
    }
    {
        auto in = connectedIdle();
        in.liveRunning = true;
        in.connected = false;
        t.push_back({"live sampling without a connection", in, {C::Login}});
    }
    {
        auto in = connectedIdle();
        in.deviceType = 254;
        auto e = loggerIdle;
        e.erase(C::PowerMode);
        t.push_back({"type 254 has no power mode", in, e});
    }
    {
        EnablingInputs in;
        in.paramsAvailable = true;  // file properties were shown, nothing connected
        t.push_back({"file properties allow the write", in, {C::Login, C::Connect, C::Restart}});
    }
    {
        EnablingInputs in;
        in.loggedIn = true;
        in.userLevel = 10;
        t.push_back({"level 10 has no advanced commands", in, {C::Logout, C::Connect}});
    }
    {
        EnablingInputs in;
        in.loggedIn = true;
        in.userLevel = 0;
        t.push_back({"a level 0 login may log out", in, {C::Logout, C::Connect}});
    }
    {
        EnablingInputs in;
        in.loggedIn = true;
        in.userLevel = 20;
        t.push_back({"level 20 when idle", in, with({C::Logout, C::Connect}, kAdvancedMenu)});
    }
    {
        auto in = connectedIdle();
        in.loggedIn = true;
        in.userLevel = 255;
        in.liveRunning = true;
        t.push_back({"level 255 while live sampling runs", in, {C::Logout, C::LiveStop}});
    }
    {
        EnablingInputs in;
        in.loggedIn = true;
        in.userLevel = 255;
        in.busy = true;
        t.push_back({"level 255 while busy", in, {C::Logout}});
    }
    {
        EnablingInputs in;
        in.activeChild = ChildKind::History;
        t.push_back(
            {"history window active", in, {C::FileSaveAs, C::FilePrint, C::Login, C::Connect}});
    }
    {
        EnablingInputs in;
        in.activeChild = ChildKind::Live;
        t.push_back({"live window active", in, {C::FileSaveAs, C::Login, C::Connect}});
    }
    return t;
}

TEST(CommandEnabling, FollowsTheRuleInEveryStateOfTheTable) {
    for (const Case& c : cases()) {
        const CommandStates s = commandEnabling(c.in);
        for (Command command : kStateful) {
            EXPECT_EQ(s.enabled(command), c.enabled.count(command) == 1)
                << c.name << ": " << commandInfo(command).caption;
        }
    }
}

TEST(CommandEnabling, FileViewSettingsHelpAndExitAreAlwaysEnabled) {
    for (const Case& c : cases()) {
        const CommandStates s = commandEnabling(c.in);
        for (Command command :
             {C::FileOpen, C::Exit, C::ViewToolbar, C::ViewStatusBar, C::ViewPropertyPane,
              C::ViewLiveWindow, C::Cascade, C::TileHorizontal, C::TileVertical, C::ArrangeIcons,
              C::DeviceNames, C::SerialSettings, C::LiveSettings, C::SmsNumbers, C::SmsPassword,
              C::HelpContents, C::About}) {
            EXPECT_TRUE(s.enabled(command)) << c.name << ": " << commandInfo(command).caption;
        }
    }
}

TEST(CommandEnabling, PaneTitleCarriesAStarWhileSettingsChanged) {
    auto in = connectedIdle();
    EXPECT_EQ(commandEnabling(in).paneTitle, "记录仪属性");
    in.settingsChanged = true;
    EXPECT_EQ(commandEnabling(in).paneTitle, "记录仪属性*");
}

TEST(CommandEnabling, ToolbarButtonsFollowTheirMenuCommands) {
    auto in = connectedIdle();
    in.activeChild = ChildKind::Live;
    const CommandStates s = commandEnabling(in);
    for (const CommandInfo& info : commandTable()) {
        if (info.toolbarKey.empty()) continue;
        EXPECT_EQ(commandForToolbarKey(info.toolbarKey), info.command) << info.toolbarKey;
        EXPECT_EQ(s.toolbarEnabled(info.toolbarKey), s.enabled(info.command)) << info.toolbarKey;
    }
    EXPECT_FALSE(s.toolbarEnabled("ToolRealEnd"));
    EXPECT_FALSE(s.toolbarEnabled("filePrint"));
    EXPECT_TRUE(s.toolbarEnabled("fileSaveAs"));
    EXPECT_FALSE(s.toolbarEnabled("NoSuchKey"));
    EXPECT_FALSE(commandForToolbarKey(""));
}

TEST(CommandTable, SettingSerialButtonOpensTheDeviceNamesUnderTheSerialTooltip) {
    const CommandInfo& info = commandInfo(*commandForToolbarKey("SettingSerial"));
    EXPECT_EQ(info.command, C::DeviceNames);
    EXPECT_EQ(info.caption, "配置管理(&C)");
    EXPECT_EQ(info.tooltip, "串口设置");
    EXPECT_EQ(commandInfo(C::SerialSettings).toolbarKey, "");
}

TEST(CommandTable, ToolbarsHoldTheirButtonsInOrder) {
    std::vector<std::string> file, tools, setting;
    for (const CommandInfo& info : commandTable()) {
        if (info.toolbar == Toolbar::File) file.emplace_back(info.toolbarKey);
        if (info.toolbar == Toolbar::Tools) tools.emplace_back(info.toolbarKey);
        if (info.toolbar == Toolbar::Setting) setting.emplace_back(info.toolbarKey);
    }
    EXPECT_EQ(file, (std::vector<std::string>{"fileOpen", "fileSaveAs", "filePrint"}));
    EXPECT_EQ(tools,
              (std::vector<std::string>{"ToolLink", "ToolDownload", "ToolReset", "ToolRealStart",
                                        "ToolRealEnd", "ToolStop", "ToolPowerMode"}));
    EXPECT_EQ(setting, (std::vector<std::string>{"SettingSerial", "HelpContents"}));
}

TEST(CommandTable, ChildKindsCarryTheirWindowTags) {
    EXPECT_EQ(childKindTag(ChildKind::History), "frmData");
    EXPECT_EQ(childKindTag(ChildKind::Live), "frmRealT");
    EXPECT_EQ(childKindTag(ChildKind::None), "");
}

}  // namespace
}  // namespace tarvo
