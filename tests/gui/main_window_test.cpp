// The main window as the operator meets it: menus and toolbars from the command
// table, their enabled states, the device selector, the status bar, the view
// commands and the child windows, against the simulated logger in virtual time.

#include "gui/main_window.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <set>
#include <string>
#include <vector>

#include "gui/history_window.h"
#include "gui/property_pane_widget.h"
#include "gui/window_fixture.h"
#include "workstation/server_append.h"

namespace tarvo::gui {
namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class MainWindowTest : public ::testing::Test, public test::WindowFixture {
  protected:
    // Every entry and button shows the state the enabling rule gave its command.
    void expectActionsFollowTheRule() {
        for (const CommandInfo& info : commandTable()) {
            EXPECT_EQ(window->action(info.command)->isEnabled(),
                      ws.commandStates().enabled(info.command))
                << info.caption;
        }
    }
};

// The menus as the operator reads them, written out rather than taken from the command
// table the window is built from ("-" is a separator). Beyond the classic menus: the
// server append before 打印, the fleet's two commands closing 工具, the server's
// setting closing 设置.
TEST_F(MainWindowTest, MenusShowTheirEntriesAndSeparatorsInOrder) {
    start();
    const std::vector<std::pair<QString, QStringList>> expected = {
        {"文件(&F)",
         {"打开(&O)...", "保存为(&S)...", "添加到服务器数据库", "打印(&P)", "-", "登录(&L)",
          "取消登录(&U)", "-", "退出(&Q)"}},
        {"工具(&T)",
         {"连接(&I)", "上传历史数据(&D)", "重启记录仪(&R)", "-", "开始读取实时数据(&A)",
          "停止读取实时数据(&E)", "-", "停止记录(&S)", "设置功耗模式(&P)", "-", "高级命令(&V)", "-",
          "扫描记录仪", "全部上传"}},
        {"视图(&V)",
         {"工具栏(&T)", "状态栏(&S)", "属性栏(&P)", "实时数据采集窗口(&R)", "-", "层叠窗口(&O)",
          "水平平铺(&H)", "垂直平铺(&V)", "重排图标(&A)"}},
        {"设置(&S)",
         {"配置管理(&C)", "串口设置(&M)", "实时数据设置(&R)", "手机号码(&T)", "短信密码(&P)",
          "数据库服务器"}},
        {"帮助(&H)", {"帮助主题(&C)", "关于(&A)"}},
    };
    const auto entries = [](const QMenu* menu) {
        QStringList shown;
        for (QAction* a : menu->actions()) shown << (a->isSeparator() ? "-" : a->text());
        return shown;
    };

    QStringList menus;
    for (QAction* a : window->menuBar()->actions()) menus << a->text();
    QStringList expectedMenus;
    for (const auto& [caption, items] : expected) expectedMenus << caption;
    EXPECT_EQ(menus, expectedMenus);
    for (const auto& [caption, items] : expected) {
        const QMenu* menu = window->menu(caption.toStdString());
        ASSERT_NE(menu, nullptr) << caption.toStdString();
        EXPECT_EQ(entries(menu), items) << caption.toStdString();
    }

    ASSERT_NE(window->advancedMenu(), nullptr);
    EXPECT_EQ(window->advancedMenu()->title(), "高级命令(&V)");
    EXPECT_EQ(entries(window->advancedMenu()),
              (QStringList{"第一级复位(&1)", "第二级复位(&2)", "第三级复位(&3)", "第四级复位(&4)",
                           "第五级复位(&5)", "-", "设置校正曲线(&C)", "设置记录仪时钟(&O)"}));
}

TEST_F(MainWindowTest, ThreeToolbarsCarryTheKeyedButtonsWithTheirTooltipsAndPictures) {
    start();
    const std::vector<std::pair<Toolbar, QStringList>> bands = {
        {Toolbar::File, {"fileOpen", "fileSaveAs", "filePrint"}},
        {Toolbar::Tools,
         {"ToolLink", "ToolDownload", "ToolReset", "ToolRealStart", "ToolRealEnd", "ToolStop",
          "ToolPowerMode"}},
        {Toolbar::Setting, {"SettingSerial", "HelpContents"}},
    };
    for (const auto& [which, keys] : bands) {
        QToolBar* bar = window->toolbar(which);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(window->toolBarArea(bar), Qt::TopToolBarArea);
        QStringList shown;
        for (QAction* a : bar->actions()) {
            if (a->isSeparator() || a->objectName().isEmpty()) continue;
            shown << a->objectName();
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
            const auto command = commandForToolbarKey(a->objectName().toStdString());
            ASSERT_TRUE(command);
            EXPECT_EQ(a->toolTip(), qs(commandInfo(*command).tooltip));
        }
        EXPECT_EQ(shown, keys);
    }
    EXPECT_EQ(window->action(Command::DeviceNames)->toolTip(), "串口设置");
    EXPECT_EQ(window->action(Command::Connect)->toolTip(), "连接");
}

TEST_F(MainWindowTest, AfterStartUpTheCommandsFollowTheRuleAndTheStatusBarShowsNobody) {
    start();
    expectActionsFollowTheRule();
    EXPECT_TRUE(window->action(Command::FileOpen)->isEnabled());
    EXPECT_TRUE(window->action(Command::Connect)->isEnabled());
    EXPECT_TRUE(window->action(Command::Login)->isEnabled());
    EXPECT_FALSE(window->action(Command::Logout)->isEnabled());
    EXPECT_FALSE(window->action(Command::FileSaveAs)->isEnabled());
    EXPECT_FALSE(window->action(Command::FilePrint)->isEnabled());
    EXPECT_FALSE(window->action(Command::Upload)->isEnabled());
    EXPECT_FALSE(window->action(Command::Restart)->isEnabled());
    EXPECT_FALSE(window->action(Command::Advanced)->isEnabled());
    EXPECT_FALSE(window->addToServerAction()->isEnabled());  // no server, no window
    EXPECT_TRUE(window->serverSettingsAction()->isEnabled());
    EXPECT_EQ(window->windowTitle(), "Tarvo(多机版)");
    EXPECT_EQ(window->loginLabel()->text(), "当前用户:    [无用户]");
    EXPECT_TRUE(window->statusLabel()->text().isEmpty());
    EXPECT_TRUE(window->paneDock()->isVisibleTo(window.get()));
    EXPECT_EQ(window->propertyPane()->rowList()->topLevelItemCount(), 0);
    EXPECT_EQ(window->propertyPane()->tabBar()->count(), 1);
    EXPECT_EQ(window->propertyPane()->titleLabel()->text(), "记录仪属性");
}

TEST_F(MainWindowTest, TheDeviceSelectorListsTheHundredNamesAndTellsTheChoice) {
    store.write("Display", "记录仪3", "冷库三号");
    start();
    QComboBox* selector = window->deviceSelector();
    ASSERT_EQ(selector->count(), 100);
    for (int n = 1; n <= 100; ++n) {
        const QString expected =
            n == 3 ? QStringLiteral("冷库三号") : QStringLiteral("记录仪%1").arg(n);
        EXPECT_EQ(selector->itemText(n - 1), expected);
    }
    EXPECT_EQ(selector->currentIndex(), 0);
    selector->setCurrentIndex(41);
    EXPECT_EQ(ws.selectedAddress(), 42);
}

TEST_F(MainWindowTest, AConnectFillsThePaneAndTheStatesFollowTheExchange) {
    start();
    window->action(Command::Connect)->trigger();
    // While the exchange runs, nothing else may start a second one.
    EXPECT_FALSE(window->action(Command::Connect)->isEnabled());
    ASSERT_TRUE(runUntilIdle());
    ASSERT_TRUE(ws.engine().flags().connected);
    expectActionsFollowTheRule();
    EXPECT_TRUE(window->action(Command::Connect)->isEnabled());
    EXPECT_TRUE(window->action(Command::Upload)->isEnabled());
    EXPECT_TRUE(window->action(Command::Restart)->isEnabled());
    EXPECT_TRUE(messenger.shown.empty()) << messenger.shown[0].text;

    QTreeWidget* list = window->propertyPane()->rowList();
    const auto& rows = ws.pane().rows();
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(rows.size()));
    ASSERT_GT(rows.size(), 10u);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        EXPECT_EQ(list->topLevelItem(i)->text(0).toStdString(), rows[static_cast<size_t>(i)].label);
        EXPECT_EQ(list->topLevelItem(i)->text(1).toStdString(), rows[static_cast<size_t>(i)].value);
    }
}

TEST_F(MainWindowTest, TheStatusBarShowsTheExchangeAndTheProgressStrip) {
    start();
    trigger(Command::Connect);
    // Part of the answer in: the strip moves and the status says so.
    ASSERT_TRUE(timers.runUntil([this] { return ws.progressState().value > 0; }, 10000));
    EXPECT_EQ(window->progressStrip()->value(), ws.progressState().value);
    EXPECT_EQ(window->progressStrip()->maximum(), ws.progressState().maximum);
    EXPECT_TRUE(window->statusLabel()->text().endsWith("连接..."));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(window->statusLabel()->text().toStdString(), ws.statusBarText());
}

TEST_F(MainWindowTest, ViewCommandsFlipTheBandTheStatusBarAndThePaneWithTheirCheckMarks) {
    start();
    window->show();
    QAction* toolbarEntry = window->action(Command::ViewToolbar);
    QAction* statusEntry = window->action(Command::ViewStatusBar);
    QAction* paneEntry = window->action(Command::ViewPropertyPane);
    EXPECT_TRUE(toolbarEntry->isChecked());
    EXPECT_TRUE(statusEntry->isChecked());
    EXPECT_TRUE(paneEntry->isChecked());

    toolbarEntry->trigger();
    EXPECT_FALSE(toolbarEntry->isChecked());
    for (Toolbar t : {Toolbar::File, Toolbar::Tools, Toolbar::Setting})
        EXPECT_FALSE(window->toolbar(t)->isVisible());
    statusEntry->trigger();
    EXPECT_FALSE(statusEntry->isChecked());
    EXPECT_FALSE(window->statusBar()->isVisible());
    paneEntry->trigger();
    EXPECT_FALSE(paneEntry->isChecked());
    EXPECT_FALSE(window->paneDock()->isVisible());

    paneEntry->trigger();
    EXPECT_TRUE(paneEntry->isChecked());
    EXPECT_TRUE(window->paneDock()->isVisible());
    // The pane's own hide button hides it and clears the check mark.
    window->propertyPane()->hideButton()->click();
    EXPECT_FALSE(window->paneDock()->isVisible());
    EXPECT_FALSE(paneEntry->isChecked());
    // A finished parameter read shows the pane and the band again.
    ASSERT_TRUE(connectAndWait());
    EXPECT_TRUE(window->paneDock()->isVisible());
    EXPECT_TRUE(paneEntry->isChecked());
    EXPECT_TRUE(window->toolbar(Toolbar::Tools)->isVisible());
    EXPECT_TRUE(toolbarEntry->isChecked());
}

TEST_F(MainWindowTest, AnUploadOpensAHistoryWindowThatBecomesTheActiveChild) {
    start();
    window->show();
    ASSERT_TRUE(connectAndWait());
    messenger.answers.push_back(Answer::Yes);
    trigger(Command::Upload);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(ws.documents().size(), 1u);

    const auto children = window->mdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto* history = qobject_cast<HistoryWindow*>(children[0]->widget());
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->documentIndex(), 0);
    EXPECT_EQ(ws.activeChild(), (ActiveChild{ChildKind::History, 0}));
    EXPECT_TRUE(window->action(Command::FileSaveAs)->isEnabled());
    EXPECT_TRUE(window->action(Command::FilePrint)->isEnabled());
    EXPECT_FALSE(window->action(Command::Upload)->isEnabled());
    expectActionsFollowTheRule();

    // The file-properties button lists the document's parameters.
    window->propertyPane()->filePropertiesButton()->click();
    EXPECT_EQ(window->propertyPane()->titleLabel()->text(), "文件属性");
    EXPECT_EQ(window->propertyPane()->rowList()->topLevelItem(0)->text(0), "记录次数");

    // The document was never saved: closing asks, and "No" closes it unsaved.
    messenger.answers.push_back(Answer::No);
    children[0]->close();
    QApplication::processEvents();
    EXPECT_TRUE(ws.documents().empty());
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(ws.activeChild().kind, ChildKind::None);
    EXPECT_FALSE(window->action(Command::FilePrint)->isEnabled());
}

TEST_F(MainWindowTest, ArrangingNeedsAnActiveChildAndTilesTheChildrenAcrossTheArea) {
    start();
    window->show();
    EXPECT_FALSE(ws.arrange(Arrangement::TileHorizontal));
    ASSERT_TRUE(connectAndWait());
    for (int i = 0; i < 2; ++i) {
        messenger.answers.push_back(Answer::Yes);
        ASSERT_TRUE(ws.upload() || i > 0);
        ASSERT_TRUE(runUntilIdle());
        ws.engine().flags().uploadDone = false;  // a second upload of the same logger
    }
    ASSERT_EQ(window->mdiArea()->subWindowList().size(), 2);
    const QRect area = window->mdiArea()->viewport()->rect();

    trigger(Command::TileHorizontal);
    auto children = window->mdiArea()->subWindowList();
    EXPECT_EQ(children[0]->geometry().width(), area.width());
    EXPECT_EQ(children[1]->geometry().width(), area.width());
    EXPECT_EQ(children[0]->geometry().height() + children[1]->geometry().height(), area.height());
    EXPECT_NE(children[0]->geometry().top(), children[1]->geometry().top());

    trigger(Command::TileVertical);
    EXPECT_EQ(children[0]->geometry().height(), area.height());
    EXPECT_EQ(children[0]->geometry().width() + children[1]->geometry().width(), area.width());
}

TEST_F(MainWindowTest, ThePleaseWaitWindowComesAndGoesWithTheWorkstation) {
    start();
    window->show();
    window->pleaseWait(true);
    ASSERT_NE(window->pleaseWaitWindow(), nullptr);
    EXPECT_TRUE(window->pleaseWaitWindow()->isVisible());
    EXPECT_EQ(window->pleaseWaitWindow()->windowTitle(), "请稍候...");
    EXPECT_TRUE(window->pleaseWaitWindow()->windowFlags() & Qt::WindowStaysOnTopHint);
    window->pleaseWait(false);
    EXPECT_FALSE(window->pleaseWaitWindow()->isVisible());
}

TEST_F(MainWindowTest, ClosingTheWindowSavesTheSettingsAndNames) {
    start();
    window->show();
    store.clearWrites();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(store.read("Display", "记录仪100"), "记录仪100");
    EXPECT_FALSE(store.writes().empty());
}

TEST_F(MainWindowTest, WhileLiveSamplingRunsClosingAsksAndNoKeepsTheWindow) {
    start();
    window->show();
    ws.engine().flags().liveRunning = true;
    messenger.answers.push_back(Answer::No);
    store.clearWrites();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "实时数据仍在采集中,是否退出?");
    EXPECT_TRUE(store.writes().empty());
    ws.engine().flags().liveRunning = false;
}

}  // namespace
}  // namespace tarvo::gui
