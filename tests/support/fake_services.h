#pragma once
// Recording fakes of the desktop services, for tests.
#include "platform/services.h"

#include <QList>

#include <functional>

namespace soru {

class RecordingSound final : public SoundPlayer {
public:
    struct Call {
        QString path;
        bool synchronous;
    };
    QList<Call> calls;
    // Runs inside play(), standing in for the time a sound takes.
    std::function<void(const Call&)> whilePlaying;
    void play(const QString& path, bool synchronous) override {
        calls.append({path, synchronous});
        if (whilePlaying)
            whilePlaying(calls.last());
    }
};

class RecordingWallpaper final : public WallpaperSetter {
public:
    struct Call {
        QString path;
        int style;
    };
    QList<Call> calls;
    void apply(const QString& bitmapPath, int style) override { calls.append({bitmapPath, style}); }
};

class RecordingClipboard final : public ClipboardService {
public:
    QList<QImage> images;
    void setImage(const QImage& image) override { images.append(image); }
};

class RecordingUrls final : public UrlOpener {
public:
    QList<QUrl> urls;
    void open(const QUrl& url) override { urls.append(url); }
};

class RecordingScreenSaver final : public ScreenSaverHold {
public:
    QList<bool> calls;
    void hold(bool on) override { calls.append(on); }
};

} // namespace soru
