#pragma once
// Times each step a test takes through the window, counts the bytes the
// process reads during it (read calls, from /proc/self/io) and how far its
// resident memory rose above where it stood at the step's start (the peak,
// reset for each step through /proc/self/clear_refs), and keeps a step that
// is stuck opening a named pipe from hanging the test: after a while a
// watchdog thread opens, for writing, every pipe a reader waits on and
// closes it again, so the reader's open returns and it reads an end of
// file. Every such release is recorded; the test reports it as a fault.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace soru::test {

class StepClock {
public:
    explicit StepClock(int releaseAfterMs = 3000);
    ~StepClock();
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    // The pipes the watchdog may release.
    void setPipes(const QList<QByteArray>& pipes);

    // Runs fn as one step; returns its time in milliseconds.
    template <class F> double step(const QString& label, F&& fn) {
        begin(label);
        fn();
        return end();
    }

    struct Step {
        QString label;
        double ms;
        qint64 bytesRead;
        qint64 peakGrowth; // bytes; -1 when the system does not say
    };
    const QList<Step>& steps() const { return steps_; }
    // The releases so far: "step: pipe released after n ms".
    QStringList releases() const;
    // The n slowest steps, one per line.
    QString slowest(int n) const;
    double longestMs() const;
    // The steps that read more than limit bytes, one per line.
    QString readingMoreThan(qint64 limit) const;
    // The steps whose memory rose by more than limit bytes, one per line.
    QString growingMoreThan(qint64 limit) const;
    // The step whose memory rose the most, as a line.
    QString largestGrowth() const;

private:
    // The steps whose field is over limit, one per line.
    QString over(qint64 Step::*bytes, qint64 limit, const char* what) const;
    void begin(const QString& label);
    double end();
    void watch();

    QList<Step> steps_;
    QElapsedTimer timer_;
    qint64 readAtStart_ = 0;
    qint64 residentAtStart_ = -1;
    const int releaseAfterMs_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false; // a step is under way
    bool quit_ = false;
    quint64 generation_ = 0;
    QString label_;
    QList<QByteArray> pipes_;
    QStringList releases_;
    std::thread thread_;
};

} // namespace soru::test
