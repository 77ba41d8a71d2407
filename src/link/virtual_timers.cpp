#include "link/virtual_timers.h"

namespace tarvo {

VirtualTimers::VirtualTimers(DateTime start) : start_(start) {}

void VirtualTimers::setHandler(TimerHandler* handler) {
    handler_ = handler;
}

void VirtualTimers::setInterval(TimerId id, int ms) {
    Timer& t = timers_[index(id)];
    t.interval = ms;
    if (t.active) t.due = elapsed_ + period(t);
}

int VirtualTimers::interval(TimerId id) const {
    return timers_[index(id)].interval;
}

void VirtualTimers::start(TimerId id) {
    Timer& t = timers_[index(id)];
    if (t.active) return;
    t.active = true;
    t.due = elapsed_ + period(t);
}

void VirtualTimers::stop(TimerId id) {
    timers_[index(id)].active = false;
}

bool VirtualTimers::isActive(TimerId id) const {
    return timers_[index(id)].active;
}

DateTime VirtualTimers::now() const {
    return start_ + static_cast<double>(elapsed_) / 1000.0 / kSecondsPerDay;
}

std::int64_t VirtualTimers::elapsedMs() const {
    return elapsed_;
}

void VirtualTimers::sleep(int ms) {
    if (ms > 0) elapsed_ += ms;
}

void VirtualTimers::setNow(DateTime t) {
    start_ = t - static_cast<double>(elapsed_) / 1000.0 / kSecondsPerDay;
}

int VirtualTimers::nextDue(std::int64_t limit) const {
    int best = -1;
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        const Timer& t = timers_[i];
        if (!t.active || t.due > limit) continue;
        if (best < 0 || t.due < timers_[static_cast<std::size_t>(best)].due) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

void VirtualTimers::fire(int which) {
    Timer& t = timers_[static_cast<std::size_t>(which)];
    // A tick late because of a sleep fires now, not in the past.
    if (t.due > elapsed_) elapsed_ = t.due;
    // Missed intervals are dropped: the next tick keeps the old rhythm after now.
    const std::int64_t p = period(t);
    t.due += p;
    if (t.due <= elapsed_) t.due += ((elapsed_ - t.due) / p + 1) * p;
    ++ticks_;
    if (handler_) handler_->onTimer(static_cast<TimerId>(which));
}

void VirtualTimers::advance(std::int64_t ms) {
    const std::int64_t target = elapsed_ + (ms > 0 ? ms : 0);
    for (int which = nextDue(target); which >= 0; which = nextDue(target)) fire(which);
    if (elapsed_ < target) elapsed_ = target;
}

bool VirtualTimers::runUntil(const std::function<bool()>& done, std::int64_t limitMs) {
    const std::int64_t deadline = elapsed_ + (limitMs > 0 ? limitMs : 0);
    if (done()) return true;
    for (int which = nextDue(deadline); which >= 0; which = nextDue(deadline)) {
        fire(which);
        if (done()) return true;
    }
    if (elapsed_ < deadline) elapsed_ = deadline;
    return done();
}

}  // namespace tarvo
