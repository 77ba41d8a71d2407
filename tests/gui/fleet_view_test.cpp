// The fleet view: 工具 → "扫描记录仪" and "全部上传" over a simulated line of three
// loggers in virtual time. With TARVO_SCREENSHOT_DIR set, the window is also saved
// as fleet_scan.png and fleet_collect.png there.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <cstdlib>

#include "files/scratch_folder.h"
#include "gui/fleet_window.h"
#include "window_fixture.h"

namespace tarvo::gui::test {
namespace {

class FleetView : public ::testing::Test, public WindowFixture {
  protected:
    FleetView() {
        const auto line = demoLine();
        for (std::size_t i = 1; i < line.size(); ++i) {
            SimConfig c = line[i];
            c.growRecords = false;
            others.push_back(std::make_unique<SimLogger>(c, kPcNow));
            port.addLogger(*others.back());
        }
        start();
    }
    // Runs the fleet's work to its end, then lets the window's own poll see it.
    void runFleet(const std::function<void()>& during = {}) {
        ASSERT_TRUE(timers.runUntil(
            [this, &during] {
                if (during) during();
                window->fleet().poll();
                return !window->fleet().running();
            },
            3'600'000));
        QTest::qWait(120);
    }
    QString cell(int row, int column) const {
        return window->fleetWindow()->table()->item(row, column)->text();
    }
    void screenshot(const char* name) {
        if (const char* dir = std::getenv("TARVO_SCREENSHOT_DIR")) {
            window->show();
            QTest::qWait(100);
            window->fleetSubWindow()->move(0, 0);
            window->fleetSubWindow()->resize(window->mdiArea()->width(), 300);
            QTest::qWait(200);
            window->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
        }
    }

    std::vector<std::unique_ptr<SimLogger>> others;
};

TEST_F(FleetView, ScanListsTheLineAndADoubleClickConnectsThatLogger) {
    ASSERT_TRUE(window->scanAction()->isEnabled());
    window->scanAction()->trigger();
    ASSERT_TRUE(window->fleet().running());
    FleetWindow* view = window->fleetWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(window->fleetSubWindow()->windowTitle(), QStringLiteral("记录仪总览"));
    // While it runs: progress and cancel shown, every logger command off.
    EXPECT_FALSE(view->progressStrip()->isHidden());
    EXPECT_FALSE(view->cancelButton()->isHidden());
    for (const Command c : {Command::Connect, Command::Upload, Command::StopRecording}) {
        EXPECT_FALSE(window->action(c)->isEnabled());
    }
    EXPECT_FALSE(window->scanAction()->isEnabled());
    EXPECT_FALSE(window->collectAction()->isEnabled());
    runFleet();

    ASSERT_EQ(view->table()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(1, 0), "2");
    EXPECT_EQ(cell(2, 0), "7");
    EXPECT_EQ(cell(2, 3), "停止状态");
    EXPECT_EQ(view->table()->item(2, 3)->foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(view->table()->item(0, 3)->foreground().color(), QColor(0, 0, 255));
    // The laboratory logger's clock is 25 minutes off: beyond its tolerance.
    EXPECT_EQ(view->table()->item(2, 6)->foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(cell(0, 9), "已找到");
    EXPECT_TRUE(view->progressStrip()->isHidden());
    EXPECT_TRUE(window->action(Command::Connect)->isEnabled());
    EXPECT_TRUE(window->scanAction()->isEnabled());
    EXPECT_TRUE(messenger.shown.empty());
    // The pane shows the last logger read; the selector names it.
    EXPECT_EQ(window->deviceSelector()->currentIndex(), 6);
    EXPECT_EQ(ws.loggerParams().title, "实验室");
    screenshot("fleet_scan.png");

    // A double-click picks the logger in the selector and connects it.
    emit view->table()->cellDoubleClicked(1, 1);
    EXPECT_EQ(window->deviceSelector()->currentIndex(), 1);
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(ws.engine().flags().connected);
    EXPECT_EQ(ws.loggerParams().title, "冷冻库");
}

TEST_F(FleetView, CollectSavesEveryLoggerAndShowsWhatItWrote) {
    testing::ScratchFolder dir;
    window->scanAction()->trigger();
    runFleet();
    ASSERT_TRUE(window->collectAll({dir.path(), {"orx", "csv"}, {}, false}));
    runFleet();
    FleetWindow* view = window->fleetWindow();
    ASSERT_EQ(view->table()->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(cell(row, 9), "上传成功") << row;
        EXPECT_FALSE(cell(row, 7).isEmpty());
        EXPECT_TRUE(std::filesystem::exists(dir.path() / cell(row, 8).toStdString())) << row;
    }
    EXPECT_EQ(window->fleet().collected(), (std::vector<int>{1, 2, 7}));
    EXPECT_TRUE(messenger.shown.empty());
    screenshot("fleet_collect.png");
}

TEST_F(FleetView, CancelStopsTheCollectAfterTheLoggerUnderWay) {
    testing::ScratchFolder dir;
    ASSERT_TRUE(window->collectAll({dir.path(), {"orx"}, {}, false}));
    bool clicked = false;
    runFleet([&] {
        if (!clicked && ws.engine().mode() == kModeHistory) {
            QTest::mouseClick(window->fleetWindow()->cancelButton(), Qt::LeftButton);
            clicked = true;
        }
    });
    EXPECT_TRUE(clicked);
    EXPECT_EQ(window->fleet().collected(), std::vector<int>{1});
    EXPECT_TRUE(window->collectAction()->isEnabled());
}

}  // namespace
}  // namespace tarvo::gui::test
