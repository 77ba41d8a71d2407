#pragma once
// The main window over a workstation that talks to the simulated logger in
// virtual time: a whole connect or upload runs in milliseconds, and the questions
// the program asks are answered from a script.

#include <QApplication>

#include <memory>
#include <string_view>

#include "core/memory_settings_store.h"
#include "gui/main_window.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"
#include "workstation/workstation.h"

namespace tarvo::gui::test {

inline const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);

class WindowFixture {
  public:
    WindowFixture()
        : logger(demoConfig(), kPcNow),
          port(
              logger, [this] { return timers.elapsedMs(); }, true, [this] { return timers.now(); }),
          ws(timers, port, messenger, store) {}

    // Creates the window and runs the workstation's start-up.
    void start(std::string_view commandLine = {}) {
        window = std::make_unique<MainWindow>(ws);
        window->resize(1100, 720);
        ws.startUp(commandLine);
    }
    bool runUntilIdle() {
        const bool done = timers.runUntil([this] { return !ws.engine().busy(); }, 600000);
        QApplication::processEvents();
        return done;
    }
    void trigger(Command command) { window->action(command)->trigger(); }
    bool connectAndWait() {
        trigger(Command::Connect);
        return runUntilIdle() && ws.engine().flags().connected;
    }

    VirtualTimers timers{kPcNow};
    SimLogger logger;
    SimSerialPort port;
    tarvo::test::RecordingMessenger messenger;
    MemorySettingsStore store;
    Workstation ws;
    std::unique_ptr<MainWindow> window;
};

}  // namespace tarvo::gui::test
