#pragma once
// The built-in simulated line (the demo logger at address 1, two more at 2 and 7) on
// a pseudo-terminal, served from a thread of its own for as long as this object
// lives. The window's --demo and the command line's --demo open its device as their
// serial port.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace tarvo {

class PtyServer;

class DemoLogger {
  public:
    DemoLogger();
    // Stops the logger and waits for its thread.
    ~DemoLogger();
    DemoLogger(const DemoLogger&) = delete;
    DemoLogger& operator=(const DemoLogger&) = delete;

    // Creates the pseudo-terminal and starts answering on it. Returns the device to
    // open as the serial port, or nothing with the reason in `error`. A second call
    // returns the same device.
    std::optional<std::string> start(std::string& error);
    bool running() const { return thread_.joinable(); }

  private:
    std::unique_ptr<PtyServer> server_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tarvo
