#pragma once
// The sound player of the viewer: plays the wave file that accompanies a
// picture, either in the background or with the caller waiting for its end.
//
// The timing lives in WaveSoundPlayer; turning a file into sound is the job
// of a SoundOutput (Qt Multimedia in the program, a scripted fake in tests).
#include "platform/services.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace soru {

// Turns a wave file into sound.
class SoundOutput {
public:
    enum class Outcome { Played, Failed };
    using Ended = std::function<void(Outcome)>;

    virtual ~SoundOutput() = default;
    // Starts playing and returns at once, first stopping any sound still
    // playing. Calls `ended` (if set) once, from the event loop, when the
    // sound has played to its end or turned out not to be playable; never
    // after the next start() or stop().
    virtual void start(const QString& path, Ended ended) = 0;
    // Silences the current sound; its `ended` is not called.
    virtual void stop() = 0;
};

// Plays wave files through a SoundOutput with the timing the viewer relies
// on:
// - Only files whose wave header can be read (see wavFileDuration) reach the
//   output; anything else (missing file, folder, empty or foreign file) is
//   ignored without a word and the call returns at once.
// - Every call stops the sound before it, and ends a synchronous wait still
//   in progress further up the stack.
// - A synchronous call waits for the output to report the end. Should the
//   output fail, the call still waits out the file's duration, so a slide
//   show keeps the same rhythm with or without a sound device; should it
//   never report, the call gives up after the duration plus `margin`.
// - While waiting, the call runs a local event loop that holds back user
//   input (keys, mouse, touch from the window system) but lets everything
//   else through: windows keep painting, and the application's timers and
//   posted events are delivered. A caller that must not be re-entered by one
//   of its own timers stops that timer around the call.
class WaveSoundPlayer final : public SoundPlayer {
public:
    static constexpr std::chrono::milliseconds kDefaultMargin{2000};

    explicit WaveSoundPlayer(std::unique_ptr<SoundOutput> output,
                             std::chrono::milliseconds margin = kDefaultMargin);
    ~WaveSoundPlayer() override;
    WaveSoundPlayer(const WaveSoundPlayer&) = delete;
    WaveSoundPlayer& operator=(const WaveSoundPlayer&) = delete;

    void play(const QString& path, bool synchronous) override;
    // Silences the current sound and ends a synchronous wait in progress.
    void stop();

private:
    struct Wait;
    void outputEnded(quint64 ticket, SoundOutput::Outcome outcome);

    std::unique_ptr<SoundOutput> output_;
    std::chrono::milliseconds margin_;
    quint64 ticket_ = 0;   // raised by every play() and stop()
    Wait* wait_ = nullptr; // the synchronous call in progress, if any
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// An output made by `make` when the first sound starts, so that what it
// needs (Qt Multimedia and its back-end, in a module of their own) is
// loaded only by a run that plays a sound. When `make` gives nothing, every
// sound fails (from the event loop, as an output reports) and `make` is
// not asked again.
class DeferredSoundOutput final : public SoundOutput {
public:
    explicit DeferredSoundOutput(std::function<std::unique_ptr<SoundOutput>()> make);
    ~DeferredSoundOutput() override;
    void start(const QString& path, Ended ended) override;
    void stop() override;

private:
    std::function<std::unique_ptr<SoundOutput>()> make_;
    std::unique_ptr<SoundOutput> output_;
    bool made_ = false;
    quint64 ticket_ = 0; // raised by every start() and stop()
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// The player for this desktop: WaveSoundPlayer over Qt Multimedia.
std::unique_ptr<SoundPlayer> createSoundPlayer();

} // namespace soru
