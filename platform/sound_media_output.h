#pragma once
// Sound output through Qt Multimedia (QMediaPlayer): GStreamer on Linux,
// Media Foundation on Windows.
#include "platform/sound_player.h"

#include <QPointer>

namespace soru {

class MediaSoundOutput final : public SoundOutput {
public:
    // The first one made in a process also prepares the back-end: on Linux
    // it picks GStreamer unless QT_MEDIA_BACKEND says otherwise (the FFmpeg
    // back-end of Qt 6.4 crashes on machines without an audio device), and
    // it keeps the back-end's complaints about a missing sound server or
    // device off the console, since they would repeat with every picture.
    // Setting QT_LOGGING_RULES to anything mentioning "multimedia" brings
    // them back for debugging.
    MediaSoundOutput();
    ~MediaSoundOutput() override;
    MediaSoundOutput(const MediaSoundOutput&) = delete;
    MediaSoundOutput& operator=(const MediaSoundOutput&) = delete;

    void start(const QString& path, Ended ended) override;
    void stop() override;

private:
    class Playback;
    QPointer<Playback> current_;
};

} // namespace soru
