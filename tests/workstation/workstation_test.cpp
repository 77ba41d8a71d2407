// The workstation against the simulated logger, in virtual time: start-up, the
// command flows, the property pane and the login, as the main window sees them.

#include "workstation/workstation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_settings_store.h"
#include "files/scratch_folder.h"
#include "link/frames.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"
#include "workstation/orx_fixture.h"

namespace tarvo {
namespace {

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);

// Records what the window is told, in order.
class RecordingView : public WorkstationView {
  public:
    std::vector<std::string> events;
    void paneChanged() override { events.push_back("pane"); }
    void commandEchoChanged() override { events.push_back("echo"); }
    void enablingChanged() override { events.push_back("enabling"); }
    void statusChanged() override { events.push_back("status"); }
    void loginChanged() override { events.push_back("login"); }
    void viewTogglesChanged() override { events.push_back("toggles"); }
    void selectorChanged() override { events.push_back("selector"); }
    void documentOpened(int index) override { events.push_back("opened " + std::to_string(index)); }
    void documentClosed(int index) override { events.push_back("closed " + std::to_string(index)); }
    void pleaseWait(bool shown) override { events.push_back(shown ? "wait" : "wait over"); }
    void liveWindowShown() override { events.push_back("live shown"); }
    void liveWindowHidden() override { events.push_back("live hidden"); }
    void liveSampleAdded() override { events.push_back("live sample"); }
    void arrangeChildren(Arrangement) override { events.push_back("arrange"); }

    std::ptrdiff_t position(const std::string& event) const {
        const auto it = std::find(events.begin(), events.end(), event);
        return it == events.end() ? -1 : it - events.begin();
    }
};

std::vector<std::string> keys(const std::vector<PropertyRow>& rows) {
    std::vector<std::string> k;
    for (const auto& r : rows) k.push_back(r.key);
    return k;
}

class WorkstationTest : public ::testing::Test {
  protected:
    WorkstationTest()
        : logger(demoConfig(), kPcNow),
          port(
              logger, [this] { return timers.elapsedMs(); }, true,
              [this] { return timers.now(); }) {}

    void start(std::string_view commandLine = {}) {
        ws = std::make_unique<Workstation>(timers, port, messenger, store);
        ws->setView(&view);
        ws->startUp(commandLine);
    }
    bool runUntilIdle() {
        return timers.runUntil([this] { return !ws->engine().busy(); }, 600000);
    }
    void connectAndWait() {
        ASSERT_TRUE(ws->connect());
        ASSERT_TRUE(runUntilIdle());
    }
    bool enabled(Command c) const { return ws->commandStates().enabled(c); }

    VirtualTimers timers{kPcNow};
    SimLogger logger;
    SimSerialPort port;
    test::RecordingMessenger messenger;
    MemorySettingsStore store;
    RecordingView view;
    testing::ScratchFolder folder;
    std::unique_ptr<Workstation> ws;
};

// ---- start-up and shutdown ------------------------------------------------------

TEST_F(WorkstationTest, StartUpLoadsTheSettingsAndShowsAnEmptyPaneWithNobodyLoggedIn) {
    store.write("ProgramSetting", "ComPort", "COM4");
    store.write("Display", "记录仪2", "二号库");
    start();
    EXPECT_EQ(ws->settings().ComPort, "COM4");
    EXPECT_EQ(ws->displayNames()[2], "二号库");
    ASSERT_EQ(ws->selectorEntries().size(), 100u);
    EXPECT_EQ(ws->selectorEntries()[1], "二号库");
    EXPECT_EQ(ws->selectedAddress(), 1);
    EXPECT_TRUE(ws->pane().visible());
    EXPECT_TRUE(ws->pane().rows().empty());
    EXPECT_EQ(ws->pane().tabs(), std::vector<std::string>{"基本属性"});
    EXPECT_EQ(ws->pane().title(), "记录仪属性");
    EXPECT_EQ(ws->loginText(), "当前用户:    [无用户]");
    EXPECT_TRUE(enabled(Command::Connect));
    EXPECT_TRUE(enabled(Command::Login));
    EXPECT_FALSE(enabled(Command::Upload));
    EXPECT_FALSE(enabled(Command::FileSaveAs));
    EXPECT_TRUE(ws->documents().empty());
    EXPECT_NE(ws->deviceNameManager(), nullptr);
}

TEST_F(WorkstationTest, SettingsThatCannotBeKeptAtShutdownAreReported) {
    start();
    store.failCommits = true;
    ws->shutDown();
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, kSettingsNotSavedMessage);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
}

TEST_F(WorkstationTest, StartUpOpensTheFileNamedOnTheCommandLineBeforeFillingTheSelector) {
    const auto path = folder / "记录 一.orx";
    ASSERT_TRUE(test::writeFixtureLoggerFile(path));
    start("  \"" + path.string() + "\" ");
    ASSERT_EQ(ws->documents().size(), 1u);
    const HistoryDocument& doc = ws->documents()[0]->document;
    EXPECT_EQ(ws->documents()[0]->kind, "frmData");
    EXPECT_EQ(doc.sampleCount(), test::kFixtureRecords);
    EXPECT_EQ(doc.caption, "记录仪文件:" + path.string());
    EXPECT_EQ(doc.view.homeStart, 1);
    EXPECT_EQ((ActiveChild{ChildKind::History, 0}), ws->activeChild());
    EXPECT_TRUE(enabled(Command::FileSaveAs));
    EXPECT_TRUE(enabled(Command::FilePrint));
    const auto opened = view.position("opened 0");
    ASSERT_GE(opened, 0);
    EXPECT_LT(opened, view.position("selector"));
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(WorkstationTest, AnUnreadableFileOnTheCommandLineIsRefusedWithoutAWindow) {
    const auto path = folder / "notes.txt";
    start(path.string());
    EXPECT_TRUE(ws->documents().empty());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "您打开的文件格式无效。");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ws->activeChild().kind, ChildKind::None);
}

TEST_F(WorkstationTest, ShutdownSavesTheSettingsAndNamesAndClosesThePort) {
    start();
    ws->openDeviceNames();
    ws->deviceNameManager()->clickEntry(3);
    ws->deviceNameManager()->setText("三号库");
    ws->closeDeviceNames(true);
    EXPECT_FALSE(store.read("Display", "记录仪3"));  // names are written at shutdown
    ws->shutDown();
    EXPECT_EQ(store.read("Display", "记录仪3"), "三号库");
    EXPECT_EQ(store.read("ProgramSetting", "ComPort"), "COM1");
    EXPECT_EQ(store.read("ProgramSetting", "AutoSave"), "-10");
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(ws->deviceNameManager(), nullptr);
}

TEST_F(WorkstationTest, ClosingWhileLiveSamplingRunsAsksFirst) {
    start();
    EXPECT_TRUE(ws->mayClose());
    EXPECT_TRUE(messenger.shown.empty());
    ws->engine().flags().liveRunning = true;
    messenger.answers = {Answer::No, Answer::Yes};
    EXPECT_FALSE(ws->mayClose());
    EXPECT_TRUE(ws->mayClose());
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[0].text, "实时数据仍在采集中,是否退出?");
    EXPECT_EQ(messenger.shown[0].title, "退出");
}

// ---- connect and the pane ---------------------------------------------------------

TEST_F(WorkstationTest, ConnectFillsThePaneWithTheFirstTabOfTheLogger) {
    start();
    ws->hidePropertyPane();
    ws->toggleToolbar();
    ASSERT_TRUE(ws->connect());
    EXPECT_TRUE(ws->engine().busy());
    EXPECT_FALSE(enabled(Command::Connect));  // the command ran the enabling
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(ws->engine().flags().connected);
    EXPECT_EQ(ws->loggerParams().userName, "演示用户");

    const PropertyPane& pane = ws->pane();
    EXPECT_TRUE(pane.visible());
    EXPECT_TRUE(ws->toolbarShown());
    EXPECT_EQ(pane.selectedTab(), PropertyTab::Basic);
    EXPECT_EQ(pane.title(), "记录仪属性");
    EXPECT_FALSE(pane.fileView());
    LoggerParameters copy = ws->loggerParams();
    EXPECT_EQ(keys(pane.rows()), keys(loggerPropertyRows(copy, PropertyTab::Basic, Viewer{})));
    EXPECT_EQ(pane.rows().front().key, "记录仪时钟");
    EXPECT_TRUE(std::none_of(pane.rows().begin(), pane.rows().end(),
                             [](const PropertyRow& r) { return r.key == "报警通道"; }));

    EXPECT_TRUE(enabled(Command::Connect));
    EXPECT_TRUE(enabled(Command::Upload));
    EXPECT_TRUE(enabled(Command::StopRecording));
    EXPECT_TRUE(enabled(Command::Restart));
    EXPECT_EQ(ws->statusBarText(), "");
}

TEST_F(WorkstationTest, ConnectTalksToTheLoggerChosenInTheSelector) {
    SimConfig other = demoConfig();
    other.address = 5;
    other.userName = "五号";
    SimLogger fifth(other, kPcNow);
    port.addLogger(fifth);
    start();
    ws->setSelectedAddress(5);
    ws->setSelectedAddress(0);  // not an address: ignored
    connectAndWait();
    EXPECT_EQ(ws->engine().deviceAddress(), 5);
    EXPECT_EQ(ws->loggerParams().userName, "五号");
}

TEST_F(WorkstationTest, CommandWindowFollowsTheEchoOfEveryFrameSent) {
    start();
    connectAndWait();
    ASSERT_FALSE(port.sentFrames().empty());
    EXPECT_EQ(ws->pane().commandText(), hexEcho(port.sentFrames().back()));
    EXPECT_NE(view.position("echo"), -1);
}

TEST_F(WorkstationTest, ASuccessfulStopMarksThePaneTitleUntilTheNextRead) {
    start();
    connectAndWait();
    messenger.answers = {Answer::Yes};  // "您确定要停止记录仪吗？"
    ASSERT_TRUE(ws->stopRecording());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(ws->engine().flags().settingsChanged);
    EXPECT_EQ(ws->pane().title(), "记录仪属性*");
    connectAndWait();
    EXPECT_EQ(ws->pane().title(), "记录仪属性");
}

TEST_F(WorkstationTest, TabClicksFollowTheLevelAndTheCommandWindowLiesOverTheList) {
    start();
    ASSERT_TRUE(ws->login("qzd", "qzd"));
    ASSERT_TRUE(ws->selectTab(PropertyTab::Command));
    EXPECT_FALSE(ws->pane().commandWindowVisible());  // nothing before a parameter read
    EXPECT_TRUE(ws->pane().rows().empty());
    connectAndWait();
    EXPECT_EQ(ws->pane().selectedTab(), PropertyTab::Basic);
    ASSERT_TRUE(ws->selectTab(PropertyTab::Advanced));
    LoggerParameters copy = ws->loggerParams();
    EXPECT_EQ(keys(ws->pane().rows()),
              keys(loggerPropertyRows(copy, PropertyTab::Advanced, Viewer{true, 255})));
    const auto before = ws->pane().rows();
    ASSERT_TRUE(ws->selectTab(PropertyTab::Command));
    EXPECT_TRUE(ws->pane().commandWindowVisible());
    EXPECT_EQ(keys(ws->pane().rows()), keys(before));
    ASSERT_TRUE(ws->selectTab(PropertyTab::All));
    EXPECT_FALSE(ws->pane().commandWindowVisible());

    ws->logout();
    EXPECT_FALSE(ws->selectTab(PropertyTab::Advanced));
    EXPECT_EQ(ws->pane().selectedTab(), PropertyTab::Basic);
}

TEST_F(WorkstationTest, FilePropertiesOfTheActiveDocumentShowUnderTheirOwnTitle) {
    const auto path = folder / "a.orx";
    ASSERT_TRUE(test::writeFixtureLoggerFile(path));
    start();
    ASSERT_TRUE(ws->openDocument(path));
    ASSERT_TRUE(ws->showFileProperties());
    const PropertyPane& pane = ws->pane();
    EXPECT_EQ(pane.title(), "文件属性");
    EXPECT_TRUE(pane.fileView());
    EXPECT_TRUE(ws->engine().flags().paramsAvailable);
    EXPECT_EQ(ws->fileParams().userName, "文件用户");
    EXPECT_EQ(ws->fileParams().startedChannels, 0x05);
    const std::vector<std::string> expected = {
        "记录次数",        "用户名",          "标题",
        "记录仪启动时间",  "预计停止时间",    "通道类型0",
        "通道类型2",       "通道单位0",       "通道单位2",
        "通道量程下范围0", "通道量程下范围2", "通道量程上范围0",
        "通道量程上范围2", "软件版本"};
    EXPECT_EQ(keys(pane.rows()), expected);
    EXPECT_EQ(pane.rows().front().value, "10");

    // The next tab click lists the logger again (nothing read yet: an empty list stays).
    ASSERT_TRUE(ws->selectTab(PropertyTab::Basic));
    EXPECT_FALSE(pane.fileView());
    EXPECT_EQ(pane.title(), "记录仪属性");
}

TEST_F(WorkstationTest, FilePropertiesNeedAnActiveHistoryWindow) {
    start();
    EXPECT_FALSE(ws->showFileProperties());
    ws->toggleLiveWindow();
    EXPECT_FALSE(ws->showFileProperties());
    EXPECT_FALSE(ws->engine().flags().paramsAvailable);
    EXPECT_NE(ws->pane().title(), "文件属性");
}

TEST_F(WorkstationTest, TheLoggerClockRowShowsTheClockJustSet) {
    start();
    connectAndWait();
    ws->loggerClockChanged(makeDateTime(2030, 1, 2, 3, 4, 5));
    EXPECT_EQ(ws->pane().rows().front().value, "2030-1-2 3:04:05");
}

// ---- login ----------------------------------------------------------------------

TEST_F(WorkstationTest, LoginCasesSetLevelTabsAndStatus) {
    start();
    EXPECT_FALSE(ws->login("gent", "x"));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "用户名无效或密码错误，请重新输入。");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(ws->loginState().loggedIn);

    ASSERT_TRUE(ws->login("gent", ""));
    EXPECT_EQ(ws->loginState().userLevel, 10);
    EXPECT_EQ(ws->loginText(), "当前用户:gent    [一般用户]");
    EXPECT_EQ(ws->pane().tabs(), std::vector<std::string>{"基本属性"});
    EXPECT_FALSE(enabled(Command::Login));
    EXPECT_TRUE(enabled(Command::Logout));
    EXPECT_FALSE(enabled(Command::Advanced));

    EXPECT_FALSE(ws->login("Qzd", "qzd"));
    EXPECT_EQ(ws->loginState().userLevel, 10);

    ws->logout();
    ASSERT_TRUE(ws->login("", ""));
    EXPECT_TRUE(ws->loginState().loggedIn);
    EXPECT_EQ(ws->loginState().userLevel, 0);
    EXPECT_EQ(ws->loginText(), "当前用户:    [无用户]");
    EXPECT_TRUE(enabled(Command::Logout));
    EXPECT_EQ(ws->pane().tabs(), std::vector<std::string>{"基本属性"});
}

TEST_F(WorkstationTest, ALowerLoginWithoutLogoutLeavesThreeTabs) {
    start();
    ASSERT_TRUE(ws->login("marvet", "sobrin"));
    EXPECT_EQ(ws->pane().tabs().size(), 4u);
    EXPECT_TRUE(enabled(Command::Advanced));
    ASSERT_TRUE(ws->login("lurvo", "lurvo"));
    EXPECT_EQ(ws->pane().tabs(), (std::vector<std::string>{"基本属性", "高级属性", "所有属性"}));
    EXPECT_EQ(ws->loginText(), "当前用户:lurvo    [高级用户]");
}

TEST_F(WorkstationTest, CancellingTheLoginKeepsThePreviousOneAndRefillsTheList) {
    start();
    ASSERT_TRUE(ws->login("Palto", "947"));
    connectAndWait();
    ASSERT_TRUE(ws->selectTab(PropertyTab::All));
    const auto rows = keys(ws->pane().rows());
    view.events.clear();
    ws->loginCancelled();
    EXPECT_EQ(ws->loginState().currentUserName, "Palto");
    EXPECT_EQ(ws->loginState().userLevel, 255);
    EXPECT_EQ(ws->pane().selectedTab(), PropertyTab::All);
    EXPECT_EQ(keys(ws->pane().rows()), rows);
    EXPECT_NE(view.position("login"), -1);
    EXPECT_NE(view.position("enabling"), -1);
}

TEST_F(WorkstationTest, LoggingInAtLevelTenListsTheAlarmRows) {
    start();
    connectAndWait();
    ASSERT_TRUE(ws->login("gent", ""));
    const auto k = keys(ws->pane().rows());
    EXPECT_NE(std::find(k.begin(), k.end(), "报警通道"), k.end());
}

// ---- settings, names, upload and windows -------------------------------------------

TEST_F(WorkstationTest, SerialSettingsAreSavedAndTheChosenVariantConnects) {
    start();
    SerialDialogValues values = serialDialogValues(ws->settings());
    values.comPort = "COM2";
    values.overTime = 500;
    values.conferStyle = 1;
    values.baudRate = 115200;
    values.strictTiming = true;
    ws->serialSettingsAccepted(values);
    EXPECT_EQ(store.read("ProgramSetting", "ComPort"), "COM2");
    EXPECT_EQ(store.read("ProgramSetting", "BaudRate"), "115200");
    EXPECT_EQ(store.read("ProgramSetting", "StrictTiming"), "1");
    EXPECT_EQ(store.read("ProgramSetting", "ConferStyle"), "1");
    EXPECT_EQ(store.read("ProgramSetting", "OverTime"), "500");
    ASSERT_TRUE(ws->engine().busy());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(ws->engine().flags().connected);
    EXPECT_EQ(ws->settings().ConferStyle, 1);
    EXPECT_EQ(port.sentFrames().back(), secondBlockFrame(1));  // "XY-001" reads two blocks
}

TEST_F(WorkstationTest, SerialSettingsConfirmedDuringAnExchangeChangeNothingAndSaySo) {
    start();
    ASSERT_TRUE(ws->connect());  // an "XY-002" connect is pending
    const auto sent = port.sentFrames().size();
    const std::int32_t style = ws->settings().ConferStyle;
    SerialDialogValues values = serialDialogValues(ws->settings());
    values.conferStyle = style == 1 ? 2 : 1;
    values.overTime = 300;
    messenger.shown.clear();

    EXPECT_FALSE(ws->serialSettingsAccepted(values));

    EXPECT_EQ(port.sentFrames().size(), sent);
    EXPECT_EQ(ws->settings().ConferStyle, style);
    EXPECT_NE(store.read("ProgramSetting", "OverTime"), "300");
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, kSerialSettingsBusyMessage);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(ws->engine().flags().connected);  // the answer decoded as it was asked
}

TEST_F(WorkstationTest, ClosingTheDeviceNamesResetsSelectorAndAddress) {
    start();
    ws->setSelectedAddress(9);
    ws->connect();
    ASSERT_TRUE(runUntilIdle());
    ws->openDeviceNames();
    ws->deviceNameManager()->clickEntry(4);
    ws->deviceNameManager()->setText("四号");
    ws->closeDeviceNames(false);
    EXPECT_EQ(ws->displayNames()[4], "记录仪4");
    EXPECT_EQ(ws->selectedAddress(), 1);
    EXPECT_EQ(ws->engine().deviceAddress(), 1);
    ws->openDeviceNames();
    ws->deviceNameManager()->setText("四号");
    ws->closeDeviceNames(true);
    EXPECT_EQ(ws->selectorEntries()[3], "四号");
}

TEST_F(WorkstationTest, AnUploadOpensAHistoryWindowAndDisablesTheUploadUntilTheNextRead) {
    start();
    connectAndWait();
    messenger.answers.push_back(Answer::Yes);
    ASSERT_TRUE(ws->upload());
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(ws->documents().size(), 1u);
    EXPECT_EQ(ws->documents()[0]->document.caption, "记录仪文件1");
    EXPECT_GT(ws->documents()[0]->document.sampleCount(), 0);
    EXPECT_EQ(ws->activeChild().kind, ChildKind::History);
    EXPECT_TRUE(ws->engine().flags().uploadDone);
    EXPECT_FALSE(enabled(Command::Upload));
    EXPECT_TRUE(enabled(Command::FilePrint));
    connectAndWait();
    EXPECT_TRUE(enabled(Command::Upload));
}

TEST_F(WorkstationTest, AnUploadCutShortByTheLoggerStartingItsPagesAgainSaysHowMuchArrived) {
    start();
    connectAndWait();
    messenger.answers.push_back(Answer::Yes);
    ASSERT_TRUE(ws->upload());
    // After the third page request another command ends the logger's upload: its next
    // page is page 0 again, which ends the upload as if it were complete.
    const auto historyRequests = [this] {
        return std::count_if(port.sentFrames().begin(), port.sentFrames().end(),
                             [](const Bytes& f) { return f.size() > 4 && f[4] == 0x36; });
    };
    ASSERT_TRUE(timers.runUntil([&] { return historyRequests() >= 3; }, 60000));
    logger.respond(liveFrame(1), timers.now());
    ASSERT_TRUE(runUntilIdle());

    ASSERT_EQ(ws->documents().size(), 1u) << "the pages received are kept";
    const std::int32_t received = ws->documents()[0]->document.sampleCount();
    EXPECT_GT(received, 0);
    EXPECT_LT(received, 1008);
    const std::string notice = "上传未完成：只收到" + std::to_string(received) +
                               "条记录，记录仪中共有1008条记录。";
    const auto texts = messenger.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), notice), texts.end())
        << ::testing::PrintToString(texts);
}

TEST_F(WorkstationTest, AnUploadAnsweredNoSendsNothing) {
    start();
    connectAndWait();
    const auto sent = port.sentFrames().size();
    ASSERT_TRUE(ws->upload());
    EXPECT_EQ(port.sentFrames().size(), sent);
    EXPECT_FALSE(ws->engine().busy());
    EXPECT_TRUE(enabled(Command::Upload));
}

TEST_F(WorkstationTest, UploadAndConnectAreRefusedWhileTheRuleDisablesThem) {
    start();
    EXPECT_FALSE(ws->upload());  // not connected
    ASSERT_TRUE(ws->connect());
    EXPECT_FALSE(ws->connect());  // busy
    ASSERT_TRUE(runUntilIdle());
    ws->engine().flags().liveRunning = true;
    EXPECT_FALSE(ws->connect());
}

TEST_F(WorkstationTest, TheLiveWindowIsShownHiddenAndResetByAParameterRead) {
    start();
    ws->toggleLiveWindow();
    EXPECT_TRUE(ws->liveWindowExists());
    EXPECT_TRUE(ws->liveWindowVisible());
    EXPECT_TRUE(ws->liveWindowChecked());
    EXPECT_EQ(ws->activeChild().kind, ChildKind::Live);
    EXPECT_TRUE(enabled(Command::FileSaveAs));
    EXPECT_FALSE(enabled(Command::FilePrint));
    ws->toggleLiveWindow();
    EXPECT_FALSE(ws->liveWindowVisible());
    EXPECT_TRUE(ws->liveWindowExists());  // hidden, never destroyed
    EXPECT_EQ(ws->activeChild().kind, ChildKind::None);

    ws->toggleLiveWindow();
    connectAndWait();
    EXPECT_FALSE(ws->liveWindowVisible());
    EXPECT_FALSE(ws->liveWindowChecked());
}

TEST_F(WorkstationTest, ViewTogglesAndArrangement) {
    start();
    EXPECT_TRUE(ws->toolbarShown());
    EXPECT_TRUE(ws->statusBarShown());
    ws->toggleStatusBar();
    EXPECT_FALSE(ws->statusBarShown());
    ws->togglePropertyPane();
    EXPECT_FALSE(ws->pane().visible());
    ws->togglePropertyPane();
    EXPECT_TRUE(ws->pane().visible());
    ws->hidePropertyPane();
    ASSERT_TRUE(ws->selectTab(PropertyTab::Basic));  // a tab click shows it again
    EXPECT_TRUE(ws->pane().visible());

    EXPECT_FALSE(ws->arrange(Arrangement::Cascade));
    EXPECT_EQ(view.position("arrange"), -1);
    ws->toggleLiveWindow();
    EXPECT_TRUE(ws->arrange(Arrangement::TileVertical));
    EXPECT_NE(view.position("arrange"), -1);
}

TEST_F(WorkstationTest, ClosingADocumentKeepsTheActiveOneInPlace) {
    const auto path = folder / "a.orx";
    ASSERT_TRUE(test::writeFixtureLoggerFile(path));
    start();
    ASSERT_EQ(ws->openDocument(path), 0);
    ASSERT_EQ(ws->openDocument(path), 1);
    ASSERT_EQ(ws->openDocument(path), 2);
    ws->setActiveChild({ChildKind::History, 2});
    ws->closeDocument(0);
    EXPECT_EQ((ActiveChild{ChildKind::History, 1}), ws->activeChild());
    ws->closeDocument(1);
    EXPECT_EQ(ws->activeChild().kind, ChildKind::None);
    EXPECT_FALSE(enabled(Command::FileSaveAs));
    ws->closeDocument(7);  // no such window
    EXPECT_EQ(ws->documents().size(), 1u);
    ws->setActiveChild({ChildKind::History, 4});
    EXPECT_EQ(ws->activeChild().kind, ChildKind::None);
}

TEST_F(WorkstationTest, ThePleaseWaitWindowComesAndGoesWithTheParameterWrite) {
    start();
    connectAndWait();
    ws->engine().sendParameters();
    EXPECT_TRUE(ws->pleaseWaitShown());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_FALSE(ws->pleaseWaitShown());
    EXPECT_LT(view.position("wait"), view.position("wait over"));
}

}  // namespace
}  // namespace tarvo

// ---- the logger commands beyond connect and upload ---------------------------------

namespace tarvo {
namespace {

class WorkstationCommandsTest : public WorkstationTest {
  protected:
    int rowOf(const std::string& key) const {
        const auto& rows = ws->pane().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].key == key) return static_cast<int>(i);
        return -1;
    }
    bool shown(const std::string& text) const {
        const auto t = messenger.texts();
        return std::find(t.begin(), t.end(), text) != t.end();
    }
};

TEST_F(WorkstationCommandsTest, AnEditedIntervalIsWrittenByTheRestartAndTheLoggerRestartsWithIt) {
    start();
    connectAndWait();
    const int row = rowOf("间隔时间");
    ASSERT_GE(row, 0);
    auto editor = ws->openEditor(row);
    ASSERT_TRUE(editor);
    editor->time = makeDuration(0, 5, 0);
    EXPECT_TRUE(ws->commitEditor(*editor).applied);
    EXPECT_EQ(ws->loggerParams().intervalMinutes, 5);
    EXPECT_EQ(ws->pane().rows()[static_cast<std::size_t>(row)].value, "0:05:00");

    messenger.answers = {Answer::Yes, Answer::No};  // clear and restart; keep the pane's clock
    ASSERT_TRUE(ws->restart());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(shown(std::string(kRestartDone)));
    EXPECT_EQ(logger.state().intervalSeconds, 300);
    EXPECT_FALSE(ws->engine().flags().connected);
}

TEST_F(WorkstationCommandsTest, AUserNameWithAnEmojiGoesThroughTheEditorAndTheFrameAndComesBack) {
    start();
    connectAndWait();
    const int row = rowOf("用户名");
    ASSERT_GE(row, 0);
    auto editor = ws->openEditor(row);
    ASSERT_TRUE(editor);
    // Eight UTF-16 units: six letters and one character outside the basic plane.
    editor->text = "Lab\U0001F600Box";
    EXPECT_TRUE(ws->commitEditor(*editor).applied);

    messenger.answers = {Answer::Yes, Answer::No};
    ASSERT_TRUE(ws->restart());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(logger.state().userName, "Lab\U0001F600Box");  // as the logger decodes it
    connectAndWait();
    EXPECT_EQ(ws->loggerParams().userName, "Lab\U0001F600Box");
}

TEST_F(WorkstationCommandsTest, AStopMarksTheSettingsChangedInThePaneTitle) {
    start();
    connectAndWait();
    messenger.answers = {Answer::Yes};
    ASSERT_TRUE(ws->stopRecording());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(shown(std::string(kSettingsDone)));
    EXPECT_EQ(ws->pane().title(), "记录仪属性*");
    EXPECT_EQ(ws->loggerParams().workStatus, kWorkStopped);
}

TEST_F(WorkstationCommandsTest, ClosingTheLiveWindowWhileSamplingAsksAndYesStopsTheSampling) {
    start();
    connectAndWait();
    ASSERT_TRUE(ws->startLive());
    timers.advance(1500);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(ws->liveDocument().sampleCount(), 1);

    messenger.answers = {Answer::No};
    EXPECT_FALSE(ws->liveWindowMayClose());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "实时数据仍在采集中,是否退出?");
    EXPECT_EQ(messenger.shown[0].title, "退出");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
    timers.advance(10000);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(ws->liveDocument().sampleCount(), 2);  // No: sampling goes on

    messenger.answers = {Answer::Yes};
    EXPECT_TRUE(ws->liveWindowMayClose());
    ws->liveWindowClosed();
    EXPECT_FALSE(ws->engine().flags().liveRunning);
    EXPECT_FALSE(ws->liveWindowVisible());
    EXPECT_TRUE(enabled(Command::Connect));  // the logger commands are back
    timers.advance(20000);
    EXPECT_EQ(ws->liveDocument().sampleCount(), 2);

    messenger.shown.clear();
    EXPECT_TRUE(ws->liveWindowMayClose());  // nothing runs: no question
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(WorkstationCommandsTest, LiveSamplingFillsTheLiveDocumentUntilStopped) {
    start();
    connectAndWait();
    ASSERT_TRUE(ws->startLive());
    EXPECT_TRUE(ws->liveWindowVisible());
    EXPECT_FALSE(ws->startLive());  // already running
    timers.advance(25000);           // requests at 1 s, 11 s and 21 s
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(ws->liveDocument().sampleCount(), 3);
    EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "live sample"), 3);
    ASSERT_TRUE(ws->stopLive());
    timers.advance(20000);
    EXPECT_EQ(ws->liveDocument().sampleCount(), 3);
}

}  // namespace
}  // namespace tarvo
