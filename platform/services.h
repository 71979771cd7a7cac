#pragma once
// Desktop services the windows use, behind small interfaces so each desktop
// has its own implementation and tests use recording fakes.
#include <QImage>
#include <QString>
#include <QUrl>

namespace soru {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Plays a wave file; a new call stops a sound still playing. A synchronous
    // call returns when the sound has ended. A missing or unplayable file is
    // not reported.
    virtual void play(const QString& path, bool synchronous) = 0;
};

class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    // Tells the desktop to show the bitmap file; style 0 centred, 1 tiled,
    // 2 stretched to the screen. Throws soru::Failure on failure.
    virtual void apply(const QString& bitmapPath, int style) = 0;
};

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    virtual void setImage(const QImage& image) = 0;
};

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;
};

class ScreenSaverHold {
public:
    virtual ~ScreenSaverHold() = default;
    // On: the desktop neither starts its screen saver nor blanks the screen
    // until released. Holding twice holds once; releasing what is not held
    // does nothing. Failures are not reported: the saver then runs as usual.
    virtual void hold(bool on) = 0;
};

// The services handed to a window; any may be null where a window does not
// use it.
struct Services {
    SoundPlayer* sound = nullptr;
    WallpaperSetter* wallpaper = nullptr;
    ClipboardService* clipboard = nullptr;
    UrlOpener* urls = nullptr;
    ScreenSaverHold* screenSaver = nullptr;
};

} // namespace soru
