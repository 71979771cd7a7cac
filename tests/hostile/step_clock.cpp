#include "tests/hostile/step_clock.h"

#include <QFile>

#include <algorithm>
#include <chrono>

#include <fcntl.h>
#include <unistd.h>

namespace soru::test {
namespace {

// Bytes this process has read through read calls so far; -1 when the
// system does not say.
qint64 bytesReadSoFar() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); -1 when the
// system does not say.
qint64 statusBytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// Sets the peak resident size back to the current one.
void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

} // namespace

StepClock::StepClock(int releaseAfterMs) : releaseAfterMs_(releaseAfterMs) {
    thread_ = std::thread([this] { watch(); });
}

StepClock::~StepClock() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void StepClock::setPipes(const QList<QByteArray>& pipes) {
    std::lock_guard lock(mutex_);
    pipes_ = pipes;
}

void StepClock::begin(const QString& label) {
    {
        std::lock_guard lock(mutex_);
        running_ = true;
        label_ = label;
        ++generation_;
    }
    wake_.notify_all();
    readAtStart_ = bytesReadSoFar();
    resetPeak();
    residentAtStart_ = statusBytes("VmRSS");
    timer_.start();
}

double StepClock::end() {
    const double ms = double(timer_.nsecsElapsed()) / 1e6;
    const qint64 read = bytesReadSoFar();
    const qint64 peak = statusBytes("VmHWM");
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        steps_.append({label_, ms, readAtStart_ < 0 || read < 0 ? 0 : read - readAtStart_,
                       residentAtStart_ < 0 || peak < 0 ? -1 : std::max<qint64>(0, peak - residentAtStart_)});
    }
    wake_.notify_all();
    return ms;
}

void StepClock::watch() {
    using namespace std::chrono;
    std::unique_lock lock(mutex_);
    while (!quit_) {
        wake_.wait(lock, [this] { return quit_ || running_; });
        if (quit_)
            break;
        const quint64 generation = generation_;
        const auto started = steady_clock::now();
        auto deadline = started + milliseconds(releaseAfterMs_);
        while (!quit_ && running_ && generation_ == generation) {
            if (wake_.wait_until(lock, deadline) != std::cv_status::timeout)
                continue;
            if (!running_ || generation_ != generation)
                break;
            // Still in the same step: release whatever pipe has a reader.
            for (const QByteArray& pipe : pipes_) {
                const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0)
                    continue; // no reader waits on it
                ::close(fd);
                const auto waited = duration_cast<milliseconds>(steady_clock::now() - started).count();
                releases_ << QStringLiteral("%1: blocked opening the pipe %2; released after %3 ms")
                                 .arg(label_, QString::fromUtf8(pipe))
                                 .arg(waited);
            }
            deadline = steady_clock::now() + milliseconds(200);
        }
    }
}

QStringList StepClock::releases() const {
    std::lock_guard lock(mutex_);
    return releases_;
}

QString StepClock::slowest(int n) const {
    QList<Step> sorted = steps_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Step& a, const Step& b) { return a.ms > b.ms; });
    QString out;
    for (int i = 0; i < std::min<qsizetype>(n, sorted.size()); ++i)
        out += QStringLiteral("  %1 ms  %2\n").arg(sorted[i].ms, 8, 'f', 1).arg(sorted[i].label);
    return out;
}

QString StepClock::over(qint64 Step::*bytes, qint64 limit, const char* what) const {
    QString out;
    for (const Step& s : steps_)
        if (s.*bytes > limit)
            out += QStringLiteral("  %1 MiB %2  %3\n").arg(s.*bytes >> 20).arg(QLatin1String(what), s.label);
    return out;
}

QString StepClock::readingMoreThan(qint64 limit) const {
    return over(&Step::bytesRead, limit, "read");
}

QString StepClock::growingMoreThan(qint64 limit) const {
    return over(&Step::peakGrowth, limit, "more");
}

QString StepClock::largestGrowth() const {
    const Step* largest = nullptr;
    for (const Step& s : steps_)
        if (!largest || s.peakGrowth > largest->peakGrowth)
            largest = &s;
    return largest ? QStringLiteral("%1 MiB  %2").arg(double(largest->peakGrowth) / (1 << 20), 0, 'f', 1).arg(largest->label)
                   : QString();
}

double StepClock::longestMs() const {
    double longest = 0;
    for (const Step& s : steps_)
        longest = std::max(longest, s.ms);
    return longest;
}

} // namespace soru::test
