#pragma once
// The link's four timers and clock in virtual time, for the tests and the demo.
// Nothing runs by itself: advance() and runUntil() move the clock and fire the
// ticks that fall due, one at a time, in time order.
//
// Semantics the transaction engine relies on (a QTimer adapter keeps the same):
// - a timer fires every interval while it is active, first one interval after it
//   was started;
// - setInterval() of an active timer restarts its count from now; of a stopped
//   timer it only stores the interval;
// - start() of an active timer changes nothing (QTimer::start would restart it);
// - stop() takes effect at once, also for a tick that is due in the same instant;
// - sleep() holds everything up: the clock moves on, and ticks that fell due
//   meanwhile fire afterwards, each timer once however many intervals it missed,
//   as a timer on a blocked event loop does. It then goes on in its old rhythm.
// Ticks due in the same millisecond fire in the order Serial, Com, Timeout, Real.

#include <array>
#include <cstdint>
#include <functional>

#include "link/timer_service.h"

namespace tarvo {

class VirtualTimers : public TimerService {
  public:
    explicit VirtualTimers(DateTime start = 0);

    void setHandler(TimerHandler* handler) override;
    void setInterval(TimerId id, int ms) override;
    int interval(TimerId id) const override;
    void start(TimerId id) override;
    void stop(TimerId id) override;
    bool isActive(TimerId id) const override;
    // The start time plus the virtual time elapsed.
    DateTime now() const override;
    std::int64_t elapsedMs() const override;
    void sleep(int ms) override;

    // The wall-clock time that now() reports at the current elapsed time.
    void setNow(DateTime t);

    // Moves the clock on by `ms`, firing every tick that falls due on the way.
    void advance(std::int64_t ms);
    // Fires ticks in time order until `done` holds (checked first and after every
    // tick) or `limitMs` have passed. Returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, std::int64_t limitMs);
    // Ticks fired since construction.
    std::int64_t ticksFired() const { return ticks_; }

  private:
    struct Timer {
        int interval = 0;
        bool active = false;
        std::int64_t due = 0;
    };
    static std::size_t index(TimerId id) { return static_cast<std::size_t>(id); }
    // An interval of 0 or less still takes a millisecond, so time always moves.
    static std::int64_t period(const Timer& t) { return t.interval > 0 ? t.interval : 1; }
    // The active timer due first at or before `limit`, or -1.
    int nextDue(std::int64_t limit) const;
    void fire(int which);

    std::array<Timer, 4> timers_{};
    TimerHandler* handler_ = nullptr;
    DateTime start_ = 0;
    std::int64_t elapsed_ = 0;
    std::int64_t ticks_ = 0;
};

}  // namespace tarvo
