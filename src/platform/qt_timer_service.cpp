#include "platform/qt_timer_service.h"

#include <QThread>

namespace tarvo {

QtTimerService::QtTimerService() {
    clock_.start();
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        timers_[i].setTimerType(Qt::PreciseTimer);
        QObject::connect(&timers_[i], &QTimer::timeout, [this, i] {
            if (handler_) handler_->onTimer(static_cast<TimerId>(i));
        });
    }
}

void QtTimerService::setHandler(TimerHandler* handler) { handler_ = handler; }

// QTimer::setInterval restarts a running timer, as the link expects.
void QtTimerService::setInterval(TimerId id, int ms) { timer(id).setInterval(ms); }

int QtTimerService::interval(TimerId id) const { return timer(id).interval(); }

// QTimer::start would restart a running timer; the link expects it to go on.
void QtTimerService::start(TimerId id) {
    if (!timer(id).isActive()) timer(id).start();
}

void QtTimerService::stop(TimerId id) { timer(id).stop(); }

bool QtTimerService::isActive(TimerId id) const { return timer(id).isActive(); }

DateTime QtTimerService::now() const { return currentDateTime(); }

std::int64_t QtTimerService::elapsedMs() const { return clock_.elapsed(); }

void QtTimerService::sleep(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

}  // namespace tarvo
