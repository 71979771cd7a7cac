#include "core/slide_show.h"

#include <utility>

namespace soru {

SlideShow::SlideShow(QObject* parent) : QObject(parent), timer_(this) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kStartIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &SlideShow::timeout);
}

void SlideShow::setRunning(bool on) {
    const bool changed = running_ != on;
    running_ = on;
    if (on) {
        timer_.start();
    } else {
        timer_.stop();
        tickHeld_ = false;
    }
    if (changed)
        Q_EMIT runningChanged(on);
}

void SlideShow::setInterval(int ms) {
    // The timer restarts its count whenever its interval is set while it runs.
    if (timer_.interval() != ms)
        timer_.setInterval(ms);
}

void SlideShow::endStep() {
    if (running_)
        timer_.start();
}

void SlideShow::runBlocking(const std::function<void()>& call) {
    if (blocking_) {
        call();
        return;
    }
    blocking_ = true;
    struct Release {
        SlideShow* show;
        ~Release() {
            show->blocking_ = false;
            // Queued, as the tick would have come after a call that really
            // blocked the thread.
            if (std::exchange(show->tickHeld_, false))
                QMetaObject::invokeMethod(
                    show,
                    [s = show] {
                        if (s->timer_.isActive())
                            s->timeout();
                    },
                    Qt::QueuedConnection);
        }
    } release{this};
    call();
}

void SlideShow::timeout() {
    if (blocking_) {
        tickHeld_ = true;
        return;
    }
    Q_EMIT tick();
}

} // namespace soru
