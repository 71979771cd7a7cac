#include "platform/sound_player.h"

#include "platform/sound_wav_header.h"
#if defined(SORU_SOUND_MODULE)
#include "platform/module_loader.h"

#include <QCoreApplication>
#include <cstdio>
#else
#include "platform/sound_media_output.h"
#endif

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <limits>

namespace soru {

using namespace std::chrono_literals;

namespace {
constexpr std::chrono::milliseconds kLongestWait{std::numeric_limits<int>::max()};
}

// The state of one synchronous call, on its stack.
struct WaveSoundPlayer::Wait {
    QEventLoop loop;
    QTimer bound;
    QElapsedTimer clock;
    std::chrono::milliseconds duration{};
    bool over = false;
    bool reported = false; // the output told how the sound ended

    void finish() {
        over = true;
        loop.quit();
    }
};

WaveSoundPlayer::WaveSoundPlayer(std::unique_ptr<SoundOutput> output,
                                 std::chrono::milliseconds margin)
    : output_(std::move(output)), margin_(margin) {}

WaveSoundPlayer::~WaveSoundPlayer() {
    stop();
}

void WaveSoundPlayer::stop() {
    ++ticket_;
    output_->stop();
    if (wait_) {
        wait_->finish();
        wait_ = nullptr;
    }
}

void WaveSoundPlayer::play(const QString& path, bool synchronous) {
    stop();
    const std::optional<std::chrono::milliseconds> duration = wavFileDuration(path);
    if (!duration || *duration <= 0ms)
        return;
    const quint64 ticket = ++ticket_;
    if (!synchronous) {
        output_->start(path, {});
        return;
    }

    Wait wait;
    wait.duration = *duration;
    wait.clock.start();
    wait.bound.setSingleShot(true);
    wait.bound.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wait.bound, &QTimer::timeout, &wait.loop, [&wait] { wait.finish(); });
    // A bogus header may claim weeks; QTimer counts in int milliseconds.
    wait.bound.start(std::min<std::chrono::milliseconds>(*duration + margin_, kLongestWait));
    wait_ = &wait;
    output_->start(path,
                   [this, ticket](SoundOutput::Outcome outcome) { outputEnded(ticket, outcome); });

    const std::weak_ptr<char> alive = alive_;
    if (!wait.over)
        wait.loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (alive.expired()) // the player was destroyed while waiting
        return;
    if (wait_ == &wait)
        wait_ = nullptr;
    // Given up on an output that never reported, or the application is
    // quitting: silence what may still be playing, unless a later call has
    // taken over already.
    if (ticket == ticket_ && !wait.reported)
        output_->stop();
}

void WaveSoundPlayer::outputEnded(quint64 ticket, SoundOutput::Outcome outcome) {
    if (ticket != ticket_ || !wait_)
        return;
    wait_->reported = true;
    if (outcome == SoundOutput::Outcome::Played) {
        wait_->finish();
        return;
    }
    // Not playable here (no device, no decoder): keep the rhythm by waiting
    // out the sound's duration anyway.
    const auto left = wait_->duration - std::chrono::milliseconds(wait_->clock.elapsed());
    if (left <= 0ms)
        wait_->finish();
    else
        wait_->bound.start(left);
}

DeferredSoundOutput::DeferredSoundOutput(std::function<std::unique_ptr<SoundOutput>()> make)
    : make_(std::move(make)) {}

DeferredSoundOutput::~DeferredSoundOutput() = default;

void DeferredSoundOutput::start(const QString& path, Ended ended) {
    ++ticket_;
    if (!std::exchange(made_, true))
        output_ = make_();
    if (output_) {
        output_->start(path, std::move(ended));
        return;
    }
    if (!ended)
        return;
    const std::weak_ptr<char> alive = alive_;
    QTimer::singleShot(0, [this, alive, ticket = ticket_, ended = std::move(ended)] {
        if (!alive.expired() && ticket == ticket_)
            ended(Outcome::Failed);
    });
}

void DeferredSoundOutput::stop() {
    ++ticket_;
    if (output_)
        output_->stop();
}

#if defined(SORU_SOUND_MODULE)
namespace {

// The sound module's output, or none (said once on standard error) when
// the module cannot be loaded.
std::unique_ptr<SoundOutput> loadSoundOutput() {
    QString error;
    using Make = SoundOutput* (*)();
    if (const auto make = reinterpret_cast<Make>(moduleFunction(QStringLiteral("soru_sound"), "soru_make_sound_output", &error)))
        return std::unique_ptr<SoundOutput>(make());
    const QString line = QStringLiteral("soru: %1\n")
                             .arg(QCoreApplication::translate("soru", "音声を再生できません: %1").arg(error));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    return nullptr;
}

} // namespace

std::unique_ptr<SoundPlayer> createSoundPlayer() {
    return std::make_unique<WaveSoundPlayer>(std::make_unique<DeferredSoundOutput>(loadSoundOutput));
}
#else
std::unique_ptr<SoundPlayer> createSoundPlayer() {
    return std::make_unique<WaveSoundPlayer>(std::make_unique<MediaSoundOutput>());
}
#endif

} // namespace soru
