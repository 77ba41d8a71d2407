#include "cli/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace tarvo::cli {

ProgressLine::ProgressLine(std::FILE* out)
    : out_(out), enabled_(::isatty(::fileno(out)) == 1), started_(Clock::now()) {}

ProgressLine::~ProgressLine() { clear(); }

void ProgressLine::update(double fraction, std::size_t bytes) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (drawn_ && now - lastDrawn_ < std::chrono::milliseconds(200)) return;
    lastDrawn_ = now;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0;
    std::fprintf(out_, "\r\033[K%3d%%  %zu bytes  %.0f B/s", static_cast<int>(fraction * 100), bytes,
                 rate);
    if (fraction > 0.01 && fraction < 1.0) {
        const auto left = static_cast<long>(std::lround(seconds * (1.0 - fraction) / fraction));
        std::fprintf(out_, "  %ld:%02ld:%02ld left", left / 3600, left / 60 % 60, left % 60);
    }
    std::fflush(out_);
    drawn_ = true;
}

void ProgressLine::clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    drawn_ = false;
}

}  // namespace tarvo::cli
