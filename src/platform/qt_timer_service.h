#pragma once
// The link's four timers as QTimers on the event loop, and the system clock.

#include <QElapsedTimer>
#include <QTimer>

#include <array>

#include "link/timer_service.h"

namespace tarvo {

class QtTimerService : public TimerService {
public:
    QtTimerService();
    void setHandler(TimerHandler* handler) override;
    void setInterval(TimerId id, int ms) override;
    int interval(TimerId id) const override;
    void start(TimerId id) override;
    void stop(TimerId id) override;
    bool isActive(TimerId id) const override;
    DateTime now() const override;
    std::int64_t elapsedMs() const override;
    void sleep(int ms) override;

private:
    QTimer& timer(TimerId id) { return timers_[static_cast<std::size_t>(id)]; }
    const QTimer& timer(TimerId id) const { return timers_[static_cast<std::size_t>(id)]; }

    std::array<QTimer, 4> timers_;
    TimerHandler* handler_ = nullptr;
    QElapsedTimer clock_;
};

}  // namespace tarvo
