#include "cli/cli_session.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <csignal>
#include <cstdio>

#include "link/engine_messages.h"
#include "link/live_sampling.h"
#include "platform/qt_settings_store.h"

namespace tarvo::cli {

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void onStopSignal(int signal) { gStopSignal = signal; }

}  // namespace

void stopOnSignals() {
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

int stopSignal() { return gStopSignal; }

CliSession::CliSession(const GlobalOptions& o, CliMessenger& messenger) : messenger_(messenger) {
    const QtSettingsStore store;
    DisplayNames names;
    loadSettings(store, settings_, names);
    if (o.port) settings_.ComPort = *o.port;
    if (o.baud) settings_.BaudRate = *o.baud;
    if (o.parity) settings_.CheckMode = *o.parity;
    if (o.timeoutMs) settings_.OverTime = static_cast<std::int16_t>(*o.timeoutMs);
    if (o.resend) settings_.ResendTime = static_cast<std::int16_t>(*o.resend);
    if (o.protocol) settings_.ConferStyle = static_cast<std::int16_t>(*o.protocol);
    if (o.strictTiming) settings_.StrictTiming = 1;
    if (o.demo) startDemo();

    engine_ = std::make_unique<TransactionEngine>(timers_, port_, messenger, settings_, params_);
    engine_->setListener(this);
    engine_->setDeviceAddress(o.address);
}

CliSession::~CliSession() {
    engine_.reset();
    port_.close();
    demo_.reset();
}

void CliSession::startDemo() {
    demo_ = std::make_unique<DemoLogger>();
    std::string error;
    const auto device = demo_->start(error);
    if (!device) throw UsageError{"cannot start the simulated logger: " + error};
    settings_.ComPort = *device;
}

void CliSession::parametersRead() { readDone_ = true; }

void CliSession::progress(int value, int /*minimum*/, int maximum) {
    if (onProgress) onProgress(value, maximum);
}

void CliSession::loggerClockChanged(DateTime) { clockSet_ = true; }

bool CliSession::clockSettingFailed() const {
    return messenger_.answeredYes(kClockQuestion) && !clockSet_;
}

bool CliSession::connect() {
    readDone_ = false;
    clockSet_ = false;
    engine_->connectLogger(settings_.ConferStyle);
    runUntilIdle();
    return readDone_;
}

void CliSession::runUntil(const std::function<bool()>& done) {
    // The arrival watcher ticks every 90 ms, so a signal is seen within that.
    while (!done() && gStopSignal == 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void CliSession::runUntilIdle() {
    runUntil([this] { return !engine_->busy(); });
}

void CliSession::commandEcho(const std::string& text) {
    if (text == kPortLostText) std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace tarvo::cli
