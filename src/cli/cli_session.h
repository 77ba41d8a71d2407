#pragma once
// One command-line run: the settings (the window's store, never written, with the
// options on top), the serial line (a real port or the built-in simulated logger on
// a pseudo-terminal), the timers on Qt's event loop, and the transaction engine.

#include <functional>
#include <memory>
#include <string>

#include "cli/cli_messenger.h"
#include "cli/cli_options.h"
#include "core/logger_parameters.h"
#include "core/settings.h"
#include "link/transaction_engine.h"
#include "platform/demo_logger.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_service.h"

namespace tarvo::cli {

// After this, SIGINT and SIGTERM end the run: every wait of a session returns at
// once, so the command winds up and the port is closed (and its lock released) on
// the way out. stopSignal() is the signal that came, or 0.
void stopOnSignals();
int stopSignal();

class CliSession : public EngineListener {
public:
    // Throws UsageError when the options cannot be honoured (no port, demo failed).
    CliSession(const GlobalOptions& options, CliMessenger& messenger);
    ~CliSession() override;

    TransactionEngine& engine() { return *engine_; }
    ProgramSettings& settings() { return settings_; }
    LoggerParameters& loggerParams() { return params_; }

    // Connects (the variant of ConferStyle) and runs until the exchanges are over.
    // True when the parameters were read.
    bool connect();
    // After connect(): the operator agreed to set the logger clock, and the logger did
    // not take it.
    bool clockSettingFailed() const;
    // Runs the event loop until no exchange is pending.
    void runUntilIdle();
    // Runs the event loop until `done` holds.
    void runUntil(const std::function<bool()>& done);
    void parametersRead() override;
    // Says on standard error, once, that live sampling waits for its port.
    void commandEcho(const std::string& text) override;
    void progress(int value, int minimum, int maximum) override;

    // Told of every move of the progress strip (nullptr: nobody listens).
    std::function<void(int value, int maximum)> onProgress;
    void loggerClockChanged(DateTime clock) override;

private:
    void startDemo();

    ProgramSettings settings_;
    LoggerParameters params_;
    CliMessenger& messenger_;
    bool readDone_ = false;
    bool clockSet_ = false;
    QtSerialPort port_;
    QtTimerService timers_;
    std::unique_ptr<TransactionEngine> engine_;
    std::unique_ptr<DemoLogger> demo_;
};

}  // namespace tarvo::cli
