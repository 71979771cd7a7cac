#pragma once
// The slide show: whether it runs, its timer and interval, and the rule that
// a tick never lands inside a blocking call (a synchronous sound), where the
// next picture's sound would cut the playing one short.
#include <QObject>
#include <QTimer>

#include <functional>

namespace soru {

class SlideShow final : public QObject {
    Q_OBJECT
public:
    static constexpr int kStartIntervalMs = 3000;

    explicit SlideShow(QObject* parent = nullptr);

    // The timer itself, which the window names among its components.
    QTimer* timer() { return &timer_; }
    const QTimer* timer() const { return &timer_; }

    bool running() const { return running_; }
    // Starting waits a whole interval before the first step; stopping also
    // drops a tick held back by a blocking call.
    void setRunning(bool on);

    int interval() const { return timer_.interval(); }
    // A different interval starts a fresh wait if the timer runs; the
    // interval already set changes nothing, so the running wait goes on.
    void setInterval(int ms);

    // Around one step: the timer is off while the step runs, so the next
    // wait is a whole interval after the step has ended. A step that fails
    // never ends: the show then stands still until it is started again.
    void beginStep() { timer_.stop(); }
    void endStep();

    // Runs a call that blocks the program while it lets events run. A tick
    // that falls due meanwhile is held and comes afterwards as an event of
    // its own, if the timer still runs then. Nested calls are run as they
    // are.
    void runBlocking(const std::function<void()>& call);
    bool blocking() const { return blocking_; }

Q_SIGNALS:
    // A step is due.
    void tick();
    // The show has started or stopped.
    void runningChanged(bool running);

private:
    void timeout();

    QTimer timer_;
    bool running_ = false;
    bool blocking_ = false;
    bool tickHeld_ = false;
};

} // namespace soru
