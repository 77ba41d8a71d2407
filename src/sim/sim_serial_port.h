#pragma once
// A serial port with simulated loggers on the other end of the line, for tests and
// the demo in virtual time. Every frame written reaches each logger; an answer
// becomes readable byte by byte, starting a small latency after the frame has gone
// out, at 10 bit times per byte of the line speed given to open() (or all at once
// when pacing is off). Answers never overlap on the line: one waits for the other.

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "core/date_time.h"
#include "link/serial_port.h"
#include "sim/sim_logger.h"

namespace tarvo {

class SimSerialPort : public SerialPort {
public:
    // `elapsedMs` is the monotonic clock the bytes arrive on; `wallClock` the PC time
    // the loggers see (the system clock when not given).
    SimSerialPort(SimLogger& logger, std::function<std::int64_t()> elapsedMs, bool pace,
                  std::function<DateTime()> wallClock = {});

    // Another logger on the same line.
    void addLogger(SimLogger& logger);
    // A port that is not present fails to open.
    void setPresent(bool present) { present_ = present; }
    // Time from the end of a command to the first byte of the answer.
    void setLatencyMs(int ms) { latencyMs_ = ms; }

    PortOpenResult open(const LineSettings& settings) override;
    bool isOpen() const override { return open_; }
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
    double byteMs() const;

    std::vector<SimLogger*> loggers_;
    std::function<std::int64_t()> elapsedMs_;
    std::function<DateTime()> wallClock_;
    bool pace_;
    bool present_ = true;
    bool open_ = false;
    int latencyMs_;
    int openCount_ = 0;
    LineSettings settings_;
    std::deque<Scheduled> inFlight_;
    Bytes arrived_;
    double lineFreeAtMs_ = 0;
    std::vector<Bytes> sentFrames_;
};

}  // namespace tarvo
