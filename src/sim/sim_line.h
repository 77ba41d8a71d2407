#pragma once
// The serial line the simulated loggers share. Its speed, the latency from the end
// of a command to the first byte of an answer and the pace of a trickled answer are
// facts of the line, whichever logger answers. One pacer decides when each byte of
// an answer is on the line, for the in-process port and the pseudo-terminal alike:
// 10 bit times a byte, answers never overlapping (one waits for the other).

#include <vector>

#include "sim/sim_config.h"
#include "sim/sim_logger.h"

namespace tarvo {

struct SimLine {
    int baudRate = 9600;
    int latencyMs = 20;
    int trickleByteMs = 50;
    bool pace = true;  // false: answers arrive at once, whatever the line speed
};

// The line a configuration file describes (its baudRate, latencyMs and trickleByteMs).
SimLine lineOf(const SimConfig& config, bool pace = true);

class LinePacer {
public:
    explicit LinePacer(SimLine line) : line_(line) {}

    const SimLine& line() const { return line_; }
    void setBaudRate(int baud) { line_.baudRate = baud; }
    // Milliseconds one byte takes on the line (0 without pacing).
    double byteMs() const;
    // Arrival time (ms) of each byte of `reply` to a frame whose last byte was on the
    // line at `heardAtMs`; empty when the logger stays silent.
    std::vector<double> schedule(const SimReply& reply, double heardAtMs);

private:
    SimLine line_;
    double lineFreeAtMs_ = 0;
};

}  // namespace tarvo
