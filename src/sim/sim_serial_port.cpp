#include "sim/sim_serial_port.h"

#include <algorithm>
#include <cmath>

namespace tarvo {

namespace {
constexpr double kMsPerDay = 86400.0 * 1000.0;
}  // namespace

SimSerialPort::SimSerialPort(SimLogger& logger, std::function<std::int64_t()> elapsedMs, bool pace,
                             std::function<DateTime()> wallClock)
    : SimSerialPort({&logger}, lineOf(logger.config(), pace), std::move(elapsedMs),
                    std::move(wallClock)) {}

SimSerialPort::SimSerialPort(const std::vector<SimLogger*>& loggers, SimLine line,
                             std::function<std::int64_t()> elapsedMs,
                             std::function<DateTime()> wallClock)
    : loggers_(loggers),
      elapsedMs_(std::move(elapsedMs)),
      wallClock_(wallClock ? std::move(wallClock) : std::function<DateTime()>(currentDateTime)),
      pacer_(line) {}

void SimSerialPort::setLatencyMs(int ms) {
    SimLine line = pacer_.line();
    line.latencyMs = ms;
    pacer_ = LinePacer(line);
}

void SimSerialPort::setPresent(bool present) {
    present_ = present;
    if (present_) return;
    inFlight_.clear();
    arrived_.clear();
    open_ = false;
}

void SimSerialPort::addLogger(SimLogger& logger) {
    loggers_.push_back(&logger);
}

void SimSerialPort::pump() {
    const auto now = static_cast<double>(elapsedMs_());
    while (!inFlight_.empty() && inFlight_.front().atMs <= now) {
        // Bytes that reach a closed port are lost.
        if (open_) arrived_.push_back(inFlight_.front().byte);
        inFlight_.pop_front();
    }
}

PortOpenResult SimSerialPort::open(const LineSettings& settings) {
    if (open_) close();
    pump();  // what arrived while the port was closed is lost
    if (!present_) return {};
    settings_ = settings;
    pacer_.setBaudRate(settings.baudRate);
    open_ = true;
    ++openCount_;
    return {true, 0};
}

bool SimSerialPort::purgeInput() {
    if (!open_) return false;
    pump();
    arrived_.clear();
    return true;
}

std::int32_t SimSerialPort::bytesWaiting() {
    if (!open_) return 0;
    pump();
    return static_cast<std::int32_t>(arrived_.size());
}

bool SimSerialPort::write(ByteView frame) {
    if (!open_) return false;
    pump();
    sentFrames_.emplace_back(frame.begin(), frame.end());
    const auto now = static_cast<double>(elapsedMs_());
    // The loggers hear the frame once its last byte is on the line.
    const double heardAt = now + pacer_.byteMs() * static_cast<double>(frame.size());
    const DateTime pcNow = wallClock_();
    for (SimLogger* logger : loggers_) {
        const SimReply reply = logger->respond(frame, pcNow);
        const std::vector<double> times = pacer_.schedule(reply, heardAt);
        for (std::size_t i = 0; i < times.size(); ++i) inFlight_.push_back({times[i], (*reply.bytes)[i]});
        if (!times.empty()) logger->answerSent(pcNow + (times.back() - now) / kMsPerDay);
    }
    return true;
}

bool SimSerialPort::read(std::size_t count, Bytes& out) {
    if (!open_) return false;
    pump();
    const std::size_t n = std::min(count, arrived_.size());
    out.insert(out.end(), arrived_.begin(), arrived_.begin() + static_cast<std::ptrdiff_t>(n));
    arrived_.erase(arrived_.begin(), arrived_.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
}

void SimSerialPort::close() {
    pump();
    arrived_.clear();
    open_ = false;
}

std::int64_t SimSerialPort::msUntilQuiet() {
    pump();
    if (inFlight_.empty()) return 0;
    return static_cast<std::int64_t>(
        std::ceil(inFlight_.back().atMs - static_cast<double>(elapsedMs_())));
}

}  // namespace tarvo
