#pragma once
// The four timers that drive the serial link and the clock they run on. The shells
// back it with QTimer and the system clock; the tests and the demo with virtual time.

#include <cstdint>

#include "core/date_time.h"

namespace tarvo {

enum class TimerId {
    Serial,   // 90 ms arrival watcher, always on
    Com,      // 100 ms receive and dispatch
    Timeout,  // answer timeout, interval per command
    Real,     // 1 s live sampling clock
};

class TimerHandler {
public:
    virtual ~TimerHandler() = default;
    virtual void onTimer(TimerId id) = 0;
};

class TimerService {
public:
    virtual ~TimerService() = default;
    virtual void setHandler(TimerHandler* handler) = 0;
    // Setting the interval of a running timer restarts its count.
    virtual void setInterval(TimerId id, int ms) = 0;
    virtual int interval(TimerId id) const = 0;
    // Starting a running timer changes nothing.
    virtual void start(TimerId id) = 0;
    virtual void stop(TimerId id) = 0;
    virtual bool isActive(TimerId id) const = 0;
    // Local wall-clock time.
    virtual DateTime now() const = 0;
    // Monotonic milliseconds since an arbitrary origin.
    virtual std::int64_t elapsedMs() const = 0;
    // Holds up everything for ms milliseconds, as a blocking wait would.
    virtual void sleep(int ms) = 0;
};

}  // namespace tarvo
