#include "sim/sim_line.h"

#include <algorithm>

namespace tarvo {

SimLine lineOf(const SimConfig& config, bool pace) {
    return {config.baudRate, config.latencyMs, config.trickleByteMs, pace};
}

double LinePacer::byteMs() const {
    return line_.pace ? 10.0 * 1000.0 / std::max(1, line_.baudRate) : 0.0;
}

std::vector<double> LinePacer::schedule(const SimReply& reply, double heardAtMs) {
    std::vector<double> times;
    if (!reply.bytes || reply.bytes->empty()) return times;
    // A trickled answer crawls even when the line is not paced.
    const double step = reply.trickle ? line_.trickleByteMs : byteMs();
    double t = std::max(heardAtMs + line_.latencyMs, lineFreeAtMs_);
    times.reserve(reply.bytes->size());
    for (std::size_t i = 0; i < reply.bytes->size(); ++i) {
        t += step;
        times.push_back(t);
    }
    lineFreeAtMs_ = t;
    return times;
}

}  // namespace tarvo
