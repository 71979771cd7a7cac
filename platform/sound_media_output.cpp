#include "platform/sound_media_output.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include <utility>

#if defined(SORU_HAVE_GSTREAMER)
#include <gst/gst.h>
#endif

namespace soru {

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;
QtMessageHandler previousHandler = nullptr;

// Keeps Qt Multimedia's debug, info and warning messages quiet; criticals
// still come through.
void muteMultimedia(QLoggingCategory* category) {
    if (previousFilter)
        previousFilter(category);
    if (qstrncmp(category->categoryName(), "qt.multimedia", 13) == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
        category->setEnabled(QtWarningMsg, false);
    }
}

// Qt Multimedia's PulseAudio layer reports a missing sound server once,
// in the default category.
void dropSoundServerNotice(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("PulseAudioService:")))
        return;
    previousHandler(type, context, message);
}

void prepareBackEnd() {
    static bool prepared = false;
    if (std::exchange(prepared, true))
        return;
#if defined(Q_OS_LINUX)
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
#endif
    if (qEnvironmentVariable("QT_LOGGING_RULES").contains(QLatin1String("multimedia")))
        return;
    // Fetch the filter in force first, so that muteMultimedia can defer to
    // it from its very first call.
    previousFilter = QLoggingCategory::installFilter(nullptr);
    QLoggingCategory::installFilter(muteMultimedia);
    // Opening the device list connects to the sound server, once per process.
    previousHandler = qInstallMessageHandler(dropSoundServerNotice);
    (void)QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(previousHandler);
}

// The GStreamer elements Qt's back-end makes a player and an audio output
// of. A host without GStreamer's base and good plugins lacks them.
bool backEndCanPlay() {
#if defined(SORU_HAVE_GSTREAMER)
    if (qEnvironmentVariable("QT_MEDIA_BACKEND") != QLatin1String("gstreamer"))
        return true;
    static const bool usable = [] {
        if (!gst_init_check(nullptr, nullptr, nullptr))
            return false;
        for (const char* name : {"playbin", "queue", "audioconvert", "audioresample", "volume", "autoaudiosink"}) {
            GstElementFactory* factory = gst_element_factory_find(name);
            if (!factory)
                return false;
            gst_object_unref(factory);
        }
        return true;
    }();
    return usable;
#else
    return true;
#endif
}

} // namespace

// One sound: a player with its own audio output on the current default
// device, so that a device plugged in later is used by the next sound.
class MediaSoundOutput::Playback final : public QObject {
public:
    Playback(const QString& path, Ended ended) : ended_(std::move(ended)) {
        // Without the elements the back-end builds its pipeline from, the
        // player would crash in its constructor: no sound then, and no error.
        if (!backEndCanPlay()) {
            QMetaObject::invokeMethod(this, [this] { finish(Outcome::Failed); }, Qt::QueuedConnection);
            return;
        }
        auto* audio = new QAudioOutput(this);
        player_ = new QMediaPlayer(this);
        player_->setAudioOutput(audio);
        // Queued, so `ended` is always called from the event loop, even if
        // the back-end reports an error from inside play().
        connect(
            player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia)
                    finish(Outcome::Played);
                else if (status == QMediaPlayer::InvalidMedia)
                    finish(Outcome::Failed);
            },
            Qt::QueuedConnection);
        connect(
            player_, &QMediaPlayer::errorOccurred, this, [this] { finish(Outcome::Failed); },
            Qt::QueuedConnection);
        player_->setSource(QUrl::fromLocalFile(path));
        player_->play();
    }

    // Silences the sound for good; the object goes away at the next turn of
    // the event loop (never at once: this may run inside one of its slots).
    void cancel() {
        done_ = true;
        ended_ = nullptr;
        if (player_) {
            player_->disconnect(this);
            player_->stop();
        }
        deleteLater();
    }

private:
    void finish(Outcome outcome) {
        if (std::exchange(done_, true))
            return;
        const Ended ended = std::exchange(ended_, nullptr);
        deleteLater();
        if (ended)
            ended(outcome);
    }

    QMediaPlayer* player_ = nullptr;
    Ended ended_;
    bool done_ = false;
};

MediaSoundOutput::MediaSoundOutput() {
    prepareBackEnd();
}

MediaSoundOutput::~MediaSoundOutput() {
    stop();
}

void MediaSoundOutput::start(const QString& path, Ended ended) {
    stop();
    current_ = new Playback(path, std::move(ended));
}

void MediaSoundOutput::stop() {
    if (current_)
        current_->cancel();
    current_ = nullptr;
}

} // namespace soru
