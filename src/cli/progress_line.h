#pragma once
// One progress line on a terminal: percent, bytes, rate and time left, redrawn in
// place and erased when done. Nothing at all is written when the stream is not a
// terminal, so scripts and logs see only the results.

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace tarvo::cli {

class ProgressLine {
public:
    explicit ProgressLine(std::FILE* out = stderr);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool shown() const { return enabled_; }
    // `fraction` of the whole work is done (0..1) after `bytes` received. Redrawn at
    // most a few times a second.
    void update(double fraction, std::size_t bytes);
    // Erases the line.
    void clear();

private:
    using Clock = std::chrono::steady_clock;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
};

}  // namespace tarvo::cli
