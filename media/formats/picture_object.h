#pragma once
// The picture objects behind one interface: a JPEG picture decoded with
// libjpeg, a Windows bitmap read by our own reader, and PNG, WebP and HEIF
// (HEIC, AVIF) pictures on their libraries. Each loads one file,
// reports the picture's own size and draws itself smoothly scaled into a
// rectangle of a canvas. Every failure is a soru::Failure with the text the
// user sees.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>

#include <utility>

#include "media/formats/picture_kind.h"
#include "core/texts.h"

namespace soru {

namespace text {
// %1: the path.
inline constexpr text::Text kCannotOpenFile{QT_TRANSLATE_NOOP("soru", "ファイル %1 は開けません")};
// %1: libjpeg's message code.
inline constexpr text::Text kJpegError{QT_TRANSLATE_NOOP("soru", "JPEG エラー #%1")};
inline constexpr text::Text kBadBitmap{QT_TRANSLATE_NOOP("soru", "ビットマップイメージが不正です")};
inline constexpr text::Text kBadPng{QT_TRANSLATE_NOOP("soru", "PNG イメージ %1 は不正です")};
inline constexpr text::Text kBadWebp{QT_TRANSLATE_NOOP("soru", "WebP イメージ %1 は不正です")};
inline constexpr text::Text kBadHeif{QT_TRANSLATE_NOOP("soru", "HEIF イメージ %1 は不正です")};
} // namespace text

// Raised inside the PNG, WebP and HEIF readers for a file that is not a
// valid picture of their format; their FormatPicture turns it into the
// failure that names the file.
struct InvalidPicture {};

class ColourTransformCache;

class PictureObject {
public:
    virtual ~PictureObject() = default;
    // colours: the cache the object converts colours with, and whose target
    // profile it draws for unless told otherwise; it outlives the object.
    explicit PictureObject(ColourTransformCache& colours) : colours_(&colours) {}
    PictureObject(const PictureObject&) = delete;
    PictureObject& operator=(const PictureObject&) = delete;

    // Reads the file; throws Failure when it cannot be opened or is not a
    // picture of this object's kind. A second load replaces the first.
    virtual void load(const QString& path) = 0;
    // The picture's own size as its file states it; 0 before a load.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Draws the picture scaled to target (smoothly when shrinking) into the
    // canvas. An empty target draws nothing; so does an object not loaded.
    virtual void draw(QImage& canvas, const QRect& target) = 0;
    // The whole picture at its own size: RGB32, or Indexed8 for a grey JPEG;
    // a null image before a load.
    virtual QImage fullImage() = 0;
    // The ICC profile that describes the pixels draw() makes (an RGB
    // profile, or a grey one for a grey picture drawn in greys); empty when
    // they are sRGB, or already converted to the current target. fullImage()
    // always gives sRGB pixels.
    virtual QByteArray iccProfile() const { return {}; }

    // The profile draw() converts to when a picture's colours must be
    // converted while it is decoded (CMYK): the colour cache's target (the
    // screen's) unless set here;
    // empty: sRGB, as thumbnails written for other programs want it.
    void setDrawProfile(const QByteArray& profile) {
        drawProfile_ = profile;
        drawProfileSet_ = true;
    }

protected:
    QByteArray drawProfile() const;
    ColourTransformCache& colours() const { return *colours_; }

private:
    ColourTransformCache* colours_;
    QByteArray drawProfile_;
    bool drawProfileSet_ = false;
};

// A picture of a format read through its library (PNG, WebP, HEIF). Its
// reader raises InvalidPicture for a file that is not a valid picture of
// the format; loading, drawing and the whole picture then fail with the
// format's text naming the file.
class FormatPicture : public PictureObject {
public:
    void load(const QString& path) final;
    void draw(QImage& canvas, const QRect& target) final;
    QImage fullImage() final;

protected:
    // invalidText: the format's failure text, %1 the path.
    FormatPicture(QString invalidText, ColourTransformCache& colours)
        : PictureObject(colours), invalidText_(std::move(invalidText)) {}
    virtual void loadFile(const QString& path) = 0;
    virtual void drawPicture(QImage& canvas, const QRect& target) = 0;
    virtual QImage wholeImage() = 0;

private:
    QString invalidText_;
    QString path_;
};

// Opens a picture file for unbuffered reading. Throws the cannot-open
// failure for a missing or unreadable file and for a folder.
void openPictureFile(QFile& file, const QString& path);

// The bytes of a picture file, at most maxBytes of them (a longer file is
// read as if cut there). Throws the cannot-open failure as above, and for a
// read error.
QByteArray readPictureFile(const QString& path, qint64 maxBytes);

// Appends at most n more bytes of the file opened for path to bytes, fewer
// when the file ends first, and returns how many came. Room is made for no
// more than the file has left, so that a length a damaged file claims past
// its end costs nothing. Throws the cannot-open failure for a read error.
qint64 appendPictureBytes(QFile& file, const QString& path, QByteArray& bytes, qint64 n);

} // namespace soru
