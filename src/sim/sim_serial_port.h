#pragma once
// A serial port with simulated loggers on the other end of the line, for tests and
// the demo in virtual time. Every frame written reaches each logger (only the one it
// addresses answers); the line paces the answer at the speed given to open().

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/date_time.h"
#include "link/serial_port.h"
#include "sim/sim_line.h"
#include "sim/sim_logger.h"

namespace tarvo {

class SimSerialPort : public SerialPort {
public:
    // `elapsedMs` is the monotonic clock the bytes arrive on; `wallClock` the PC time
    // the loggers see (the system clock when not given). The line's latency and
    // trickle pace are those of the first logger's configuration.
    SimSerialPort(SimLogger& logger, std::function<std::int64_t()> elapsedMs, bool pace,
                  std::function<DateTime()> wallClock = {});
    // A line of several loggers (their addresses differ).
    SimSerialPort(const std::vector<SimLogger*>& loggers, SimLine line,
                  std::function<std::int64_t()> elapsedMs, std::function<DateTime()> wallClock = {});

    // Another logger on the same line.
    void addLogger(SimLogger& logger);
    // A port that is not present fails to open. Taking it away (the adapter
    // unplugged) closes it and loses what was on the line.
    void setPresent(bool present);
    // The loggers now on the line (another device plugged in on the same path).
    void setLoggers(std::vector<SimLogger*> loggers) { loggers_ = std::move(loggers); }
    // Time from the end of a command to the first byte of the answer.
    void setLatencyMs(int ms);

    PortOpenResult open(const LineSettings& settings) override;
    bool isOpen() const override { return open_; }
    bool present(const std::string& /*portName*/) override { return present_; }
    bool purgeInput() override;
    std::int32_t bytesWaiting() override;
    bool write(ByteView frame) override;
    bool read(std::size_t count, Bytes& out) override;
    void close() override;

    const std::vector<Bytes>& sentFrames() const { return sentFrames_; }
    const LineSettings& lineSettings() const { return settings_; }
    int openCount() const { return openCount_; }
    // Milliseconds until the last scheduled byte has arrived (0 when none is pending).
    std::int64_t msUntilQuiet();

private:
    struct Scheduled {
        double atMs;
        std::uint8_t byte;
    };

    void pump();

    std::vector<SimLogger*> loggers_;
    std::function<std::int64_t()> elapsedMs_;
    std::function<DateTime()> wallClock_;
    LinePacer pacer_;
    bool present_ = true;
    bool open_ = false;
    int openCount_ = 0;
    LineSettings settings_;
    std::deque<Scheduled> inFlight_;
    Bytes arrived_;
    std::vector<Bytes> sentFrames_;
};

}  // namespace tarvo
