// What `tarvo --demo` rests on: the simulated logger on a pseudo-terminal, reached
// through the real serial port and timers, and a port that is this run's only.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>

#include "core/memory_settings_store.h"
#include "link/link_fakes.h"
#include "platform/demo_logger.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_service.h"
#include "workstation/port_override_store.h"
#include "workstation/workstation.h"

namespace tarvo {
namespace {

TEST(PortOverrideStore, ReadsTheRunsPortAndLeavesTheStoredPortAlone) {
    MemorySettingsStore stored;
    stored.write("ProgramSetting", "ComPort", "COM4");
    stored.write("ProgramSetting", "OverTime", "500");
    PortOverrideStore store(stored, "/dev/pts/7");
    EXPECT_EQ(store.read("ProgramSetting", "ComPort"), "/dev/pts/7");
    EXPECT_EQ(store.read("programsetting", "ComPort"), "/dev/pts/7");
    EXPECT_EQ(store.read("ProgramSetting", "OverTime"), "500");

    ProgramSettings settings;
    DisplayNames names;
    loadSettings(store, settings, names);
    EXPECT_EQ(settings.ComPort, "/dev/pts/7");
    settings.OverTime = 800;
    saveSettings(store, settings, names);
    EXPECT_EQ(stored.read("ProgramSetting", "ComPort"), "COM4");
    EXPECT_EQ(stored.read("ProgramSetting", "OverTime"), "800");

    // A port the operator chose is his choice, and is kept.
    settings.ComPort = "COM2";
    saveSettings(store, settings, names);
    EXPECT_EQ(stored.read("ProgramSetting", "ComPort"), "COM2");
}

TEST(DemoLogger, AnswersAConnectOverThePseudoTerminalAndShutdownKeepsTheStoredPort) {
    DemoLogger demo;
    std::string error;
    const auto device = demo.start(error);
    ASSERT_TRUE(device) << error;
    EXPECT_EQ(demo.start(error), device);  // one logger per run
    EXPECT_TRUE(demo.running());

    MemorySettingsStore stored;
    stored.write("ProgramSetting", "ComPort", "COM5");
    PortOverrideStore store(stored, *device);
    QtTimerService timers;
    QtSerialPort port;
    test::RecordingMessenger messenger;
    Workstation ws(timers, port, messenger, store);
    ws.startUp({});
    EXPECT_EQ(ws.settings().ComPort, *device);
    ASSERT_TRUE(ws.connect());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ws.engine().busy(); }, 20000));
    EXPECT_TRUE(ws.engine().flags().connected)
        << (messenger.shown.empty() ? std::string() : messenger.shown[0].text);
    EXPECT_GT(ws.loggerParams().recordCount, 0);
    ws.shutDown();
    EXPECT_EQ(stored.read("ProgramSetting", "ComPort"), "COM5");
}

}  // namespace
}  // namespace tarvo
